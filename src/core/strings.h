// String and path helpers shared by every module. Text is 8-bit; case folding touches A-Z only;
// trimming removes tab, line feed, carriage return and space at both ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marlinth {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Longest path text the program keeps (the platform's 260-byte buffers less the terminator).
constexpr size_t kMaxPath = 259;
constexpr size_t kPathCapacity = 260;
// CreateDirectoryA refuses a path that leaves no room for an 8.3 name inside it: a directory
// path has at most 247 characters, however long its files' paths may be.
constexpr size_t kMaxDirectoryPath = 247;
constexpr size_t kDirectoryCapacity = kMaxDirectoryPath + 1;

inline bool is_blank(char c) { return c == ' ' || c == '\t'; }
inline bool is_trim_char(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_separator(char c) { return c == '\\' || c == '/'; }
inline char fold_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline char fold_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The text as a terminated string would hold it: up to its first NUL, at most max_chars.
std::string bounded(std::string_view text, size_t max_chars);
std::string_view until_nul(std::string_view text);

void trim_text(std::string& text);
std::string trimmed(std::string_view text);
std::string_view trim_view(std::string_view text);
std::string_view skip_blanks(std::string_view text);

bool equals_nocase(std::string_view a, std::string_view b);
bool starts_with_nocase(std::string_view text, std::string_view prefix);
bool ends_with_nocase(std::string_view text, std::string_view suffix);
std::string to_upper_ascii(std::string_view text);

// Reads leading decimal digits (after no skipping); sets `digits` to how many were read.
// The value saturates at UINT64_MAX so that "above the maximum" checks stay correct.
uint64_t read_decimal(std::string_view text, size_t* digits);

std::string dec(uint64_t value);
std::string sdec(int64_t value);
// Decimal with at least two digits (5 -> "05", 123 -> "123").
std::string dec2(uint32_t value);
// Items as a sentence names them: "A", "A and B", "A, B and C".
std::string listed(const std::vector<std::string>& items);

// Joins a directory and a name with one separator. Fails (returns false) instead of
// truncating when the result would not fit `capacity` bytes including the terminator;
// `out` must then not be used.
bool join_path(std::string& out, size_t capacity, std::string_view directory, std::string_view name);

// The path without trailing backslashes or slashes; a root (C:\, \ or /) keeps its separator.
std::string without_trailing_separators(std::string_view path);
// The path cut at its last backslash or slash ("" when it has none).
std::string parent_of(std::string_view path);
// The part after the last backslash or slash.
std::string_view file_name_of(std::string_view path);

}  // namespace marlinth
