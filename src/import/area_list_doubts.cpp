#include "import/area_list_doubts.h"

#include "core/strings.h"
#include "import/area_list.h"

namespace marlinth {

namespace {

constexpr size_t kMaxExamples = 3;
constexpr size_t kMaxExampleChars = 20;

// Text files of the BBS world hold tabs, line breaks, form feeds and a DOS end-of-file mark.
bool is_text_byte(unsigned char c) {
    if (c == 0x7F) return false;
    return c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1A;
}

// Echo tags are printable ASCII without the marks of sections, settings and paths.
bool is_tag_char(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return false;
    return std::string_view("[]{}=:;,\"<>|\\").find(c) == std::string_view::npos;
}

std::string_view next_word(std::string_view& rest) {
    rest = skip_blanks(rest);
    size_t end = 0;
    while (end < rest.size() && !is_blank(rest[end])) ++end;
    const std::string_view word = rest.substr(0, end);
    rest = rest.substr(end);
    return word;
}

// A configuration's value rather than a description: a DOS path or drive, "= value", or an
// address, number or range (digits with : / . - , only).
bool reads_as_value(std::string_view word) {
    if (word.empty()) return false;
    if (word.find('\\') != std::string_view::npos || word.find('=') != std::string_view::npos) return true;
    const char first = fold_upper(word[0]);
    if (word.size() >= 2 && first >= 'A' && first <= 'Z' && word[1] == ':') return true;
    bool digit = false;
    for (char c : word) {
        if (is_digit(c))
            digit = true;
        else if (std::string_view(":/.-,").find(c) == std::string_view::npos)
            return false;
    }
    return digit;
}

bool printable(std::string_view word) {
    for (char c : word)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
    return !word.empty();
}

}  // namespace

bool reads_as_area_line(std::string_view raw_line) {
    std::string_view rest = raw_line;
    const std::string_view tag = next_word(rest);
    if (tag.empty() || tag.size() > kMaxEchoTagChars) return false;
    for (char c : tag)
        if (!is_tag_char(c)) return false;
    return !reads_as_value(next_word(rest));
}

AreaListDoubts judge_area_list(std::string_view bytes, const AreaPreview& preview) {
    AreaListDoubts d;
    d.bytes = static_cast<uint32_t>(bytes.size());
    for (char c : bytes)
        if (!is_text_byte(static_cast<unsigned char>(c))) ++d.non_text_bytes;
    for (const ImportedArea& a : preview.areas) {
        ++d.record_lines;
        if (reads_as_area_line(a.raw_line)) continue;
        ++d.not_area_lines;
        std::string_view rest = a.raw_line;
        const std::string example = bounded(next_word(rest), kMaxExampleChars);
        if (d.examples.size() >= kMaxExamples || !printable(example)) continue;
        bool seen = false;
        for (const std::string& e : d.examples) seen = seen || e == example;
        if (!seen) d.examples.push_back(example);
    }
    return d;
}

std::string area_list_doubt_text(const AreaListDoubts& d) {
    if (!d.any()) return std::string();
    std::string text = "This file does not look like an echo-area list.\r\n\r\n";
    if (d.not_text())
        text += "- " + dec(d.non_text_bytes) + " of its " + dec(d.bytes) +
                " bytes are not text (control characters that an area list does not hold).\r\n";
    if (d.mostly_not_areas()) {
        text += "- " + dec(d.not_area_lines) + " of its " + dec(d.record_lines) +
                " lines that are not comments do not read as an echo tag and its description";
        if (!d.examples.empty()) text += ", such as the lines starting " + listed(d.examples);
        text += ".\r\n";
    }
    text += "\r\nIt may be a tosser configuration or another program's file. Look at the file and the list before "
            "approving any area. No Spitfire files were changed.";
    return text;
}

}  // namespace marlinth
