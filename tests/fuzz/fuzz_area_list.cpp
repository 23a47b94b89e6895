// The .NA reader: profile detection, record splitting and the verdict of every area.
#include "fuzz/memory_platform.h"
#include "import/area_list.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ProfileTable profiles = [] {
        ProfileTable t;
        MemoryPlatform none("none", {});
        load_network_profiles(none, "", t, kProfileCapacity);
        return t;
    }();
    // Two existing conferences, so that tags already present are met.
    static const std::vector<ConferenceView> baseline = [] {
        std::vector<ConferenceView> v(2);
        v[0].number = 1, v[0].name = "Local chat";
        v[1].number = 2, v[1].name = "fsxNet General", v[1].net_id = "FSX_GEN";
        return v;
    }();
    static auto report = TextBuffer::create();
    static auto errors = TextBuffer::create();
    report->reset();
    errors->reset();
    MemoryPlatform platform("AREAS.NA", as_text(data, size));
    AreaPreview preview;
    parse_area_list(platform, platform.path(), baseline, profiles, -1, "", preview, *report, errors.get());
    return 0;
}
