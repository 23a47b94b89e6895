#include "core/strings.h"

#include <limits>

namespace marlinth {

std::string_view until_nul(std::string_view text) {
    size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::string bounded(std::string_view text, size_t max_chars) {
    text = until_nul(text);
    if (text.size() > max_chars) text = text.substr(0, max_chars);
    return std::string(text);
}

std::string_view trim_view(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && is_trim_char(text[begin])) ++begin;
    while (end > begin && is_trim_char(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void trim_text(std::string& text) {
    std::string_view t = trim_view(text);
    if (t.size() != text.size()) text = std::string(t);
}

std::string trimmed(std::string_view text) { return std::string(trim_view(text)); }

std::string_view skip_blanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    return text.substr(i);
}

bool equals_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold_lower(a[i]) != fold_lower(b[i])) return false;
    return true;
}

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equals_nocase(text.substr(0, prefix.size()), prefix);
}

bool ends_with_nocase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && equals_nocase(text.substr(text.size() - suffix.size()), suffix);
}

std::string to_upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = fold_upper(c);
    return out;
}

uint64_t read_decimal(std::string_view text, size_t* digits) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    size_t i = 0;
    while (i < text.size() && is_digit(text[i])) {
        uint64_t d = static_cast<uint64_t>(text[i] - '0');
        value = (value > (kMax - d) / 10) ? kMax : value * 10 + d;
        ++i;
    }
    if (digits) *digits = i;
    return value;
}

std::string dec(uint64_t value) { return std::to_string(value); }
std::string sdec(int64_t value) { return std::to_string(value); }
std::string dec2(uint32_t value) { return value < 10 ? "0" + std::to_string(value) : std::to_string(value); }

std::string listed(const std::vector<std::string>& items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return out;
}

bool join_path(std::string& out, size_t capacity, std::string_view directory, std::string_view name) {
    out.clear();
    if (capacity == 0) return false;
    directory = until_nul(directory);
    name = until_nul(name);
    out = bounded(directory, capacity - 1);
    while (!out.empty() && is_separator(out.back())) out.pop_back();
    if (!out.empty() && out.size() + 1 >= capacity) return false;
    if (out.size() + 1 < capacity) out.push_back(kPathSeparator);
    if (out.size() + name.size() + 1 > capacity) return false;
    out.append(name);
    return true;
}

std::string without_trailing_separators(std::string_view path) {
    size_t n = path.size();
    while (n > 1 && is_separator(path[n - 1]) && !(n == 3 && path[1] == ':')) --n;
    return std::string(path.substr(0, n));
}

std::string parent_of(std::string_view path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

std::string_view file_name_of(std::string_view path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace marlinth
