#include "support/na_fixture.h"

#include <stdexcept>

namespace marlinth::test {

std::string na_text(const std::vector<std::string>& lines, const std::string& eol, bool final_eol) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (final_eol || i + 1 < lines.size()) out += eol;
    }
    return out;
}

std::string tosser_config_text() {
    return na_text({"; QUARRO32 configuration", "INBOUND C:\\FD\\IN", "CONFDIR C:\\SF", "MSGDIR C:\\SF\\MESSAGE",
                    "SYSTEM Lakeside BBS", "[LINK HUB]", "ADDRESS 2:123/456", "HUB 2:123/0", "OUTDIR C:\\FD\\OUT",
                    "NETMAILZONE 1-6", "AREA LAKE.GENERAL", "AREA LAKE.FILES", "AREA LAKE.NEWS"});
}

std::string noise_bytes(size_t count) {
    std::string out;
    uint32_t state = 22;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        out += static_cast<char>(state >> 16);
    }
    return out;
}

std::vector<ConferenceView> decoded_conferences(const std::vector<ConferenceSpec>& specs) {
    const std::vector<uint8_t> bytes = make_conference_file(specs);
    std::vector<ConferenceView> views;
    if (!decode_conference_file(bytes.data(), static_cast<uint32_t>(bytes.size()), views, nullptr))
        throw std::runtime_error("decoded_conferences: the generated file does not decode");
    return views;
}

}  // namespace marlinth::test
