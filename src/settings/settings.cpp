#include "settings/settings.h"

#include "core/strings.h"

namespace marlinth {

std::string format_privileged(const std::array<int16_t, 5>& values) {
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += ";";
        out += sdec(values[i]);
    }
    return bounded(out, 63);
}

bool parse_privileged(const std::string& text, std::array<int16_t, 5>& out) {
    std::array<int16_t, 5> values{};
    size_t pos = 0;
    auto skip = [&] {
        while (pos < text.size() && is_blank(text[pos])) ++pos;
    };
    for (size_t i = 0; i < 5; ++i) {
        skip();
        if (pos >= text.size() || !is_digit(text[pos])) return false;
        uint32_t value = 0;
        while (pos < text.size() && is_digit(text[pos])) {
            value = value * 10 + static_cast<uint32_t>(text[pos] - '0');
            if (value > 32767) return false;
            ++pos;
        }
        values[i] = static_cast<int16_t>(value);
        skip();
        if (i < 4) {
            if (pos >= text.size() || (text[pos] != ';' && text[pos] != ',')) return false;
            ++pos;
        }
    }
    if (pos != text.size()) return false;
    out = values;
    return true;
}

}  // namespace marlinth
