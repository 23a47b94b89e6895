// SFMCONF.DAT: size rules, record decoding, the record view and the template choice; and the node
// comparison, with the input's first half as Node 1's bytes and its second half as Node 2's file.
#include <cstring>

#include "fuzz/memory_platform.h"
#include "core/sha256.h"
#include "spitfire/conference.h"
#include "spitfire/inspection.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto report = TextBuffer::create();
    report->reset();
    const size_t half = size / 2;
    MemoryPlatform platform("SFMCONF.DAT", as_text(data + half, size - half));
    SetupState setup;
    setup.nodes.count = 2;
    setup.nodes.dir[2] = MemoryPlatform::kDir;
    ByteBuffer base;
    if (base.allocate(platform, static_cast<uint32_t>(half))) {
        if (half) std::memcpy(base.data(), data, half);
        compare_nodes(platform, setup, base, sha256_hex(data, half), *report);
    }
    std::vector<ConferenceView> views;
    if (!decode_conference_file(data, static_cast<uint32_t>(size), views, report.get())) return 0;
    for (const ConferenceView& view : views) format_conference_record(view, *report);
    most_common_echo_like(views);
    std::vector<TemplateCandidate> candidates;
    int preselected = -1;
    choose_template_candidates(views, candidates, preselected);
    return 0;
}
