// SFMCONF.DAT: size rules, record decoding, the record view and the template choice.
#include "fuzz/memory_platform.h"
#include "spitfire/conference.h"
#include "spitfire/inspection.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto report = TextBuffer::create();
    report->reset();
    std::vector<ConferenceView> views;
    if (!decode_conference_file(data, static_cast<uint32_t>(size), views, report.get())) return 0;
    for (const ConferenceView& view : views) format_conference_record(view, *report);
    most_common_echo_like(views);
    std::vector<TemplateCandidate> candidates;
    int preselected = -1;
    choose_template_candidates(views, candidates, preselected);
    return 0;
}
