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

std::string large_na_file(size_t records, size_t size, size_t description_chars) {
    std::string out = "; Generated echo list for load tests\r\n";
    static const char kWords[] = "General discussion of assorted topics for the network's callers and sysops ";
    for (size_t i = 1; i <= records; ++i) {
        std::string number = std::to_string(i);
        std::string line = "FSX_AREA" + std::string(number.size() < 4 ? 4 - number.size() : 0, '0') + number;
        line.append(20 - line.size(), ' ');
        std::string description;
        while (description.size() < description_chars) description += kWords;
        description.resize(description_chars);
        while (!description.empty() && description.back() == ' ') description.pop_back();
        out += line + description + "\r\n";
    }
    if (out.size() + 3 > size) throw std::runtime_error("large_na_file: size too small for the records");
    // Comment lines of up to 1000 bytes fill the rest; the last one takes up what is left.
    while (out.size() < size) {
        size_t left = size - out.size();
        size_t line = left > 1000 ? 1000 : left;
        if (left - line > 0 && left - line < 3) line -= 3;
        out += ";" + std::string(line - 3, '=') + "\r\n";
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
