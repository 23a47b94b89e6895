// QUARRO32.CFG: the directives, the link sections and the rules across links.
#include "fuzz/memory_platform.h"
#include "tosser/links.h"
#include "tosser/parser.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto report = TextBuffer::create();
    MemoryPlatform platform("QUARRO32.CFG", as_text(data, size));
    TosserConfig config;
    parse_tosser_config(platform, platform.path(), config, report.get(), nullptr);
    // The value checks on their own, on the whole input as one value.
    FtnAddress address;
    NetmailZoneRange zones;
    parse_ftn_address(as_text(data, size), address);
    parse_zone_range(as_text(data, size), zones);
    is_valid_area_tag(as_text(data, size));
    return 0;
}
