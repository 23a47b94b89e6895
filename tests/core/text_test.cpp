// TextBuffer appends, the string and path helpers, and line splitting.
#include <gtest/gtest.h>

#include "core/line_reader.h"
#include "core/strings.h"
#include "core/text_buffer.h"

namespace marlinth {
namespace {

TEST(TextBuffer, NumbersAndBytesAppendAsDesigned) {
    auto b = TextBuffer::create();
    ASSERT_TRUE(b);
    b->append_uint(0);
    b->append_char(' ');
    b->append_uint(4294967295u);
    b->append_char(' ');
    b->append_int(-5);
    b->append_char(' ');
    b->append_int(-2147483647 - 1);
    b->append_char(' ');
    b->append_hex_byte(10);
    b->append_hex_byte(255);
    b->append_line("!");
    EXPECT_EQ(b->str(), "0 4294967295 -5 -2147483648 0AFF!\r\n");
}

TEST(TextBuffer, FullBufferKeepsItsFirstCharactersAndIgnoresFurtherAppends) {
    auto b = TextBuffer::create();
    b->append(std::string(TextBuffer::kMaxLength - 1, 'x'));
    b->append("yz");  // only y fits
    EXPECT_EQ(b->length(), TextBuffer::kMaxLength);
    EXPECT_EQ(b->view().back(), 'y');
    b->append_line("more");
    b->append_uint(7);
    EXPECT_EQ(b->length(), TextBuffer::kMaxLength);
    EXPECT_EQ(b->c_str()[TextBuffer::kMaxLength], '\0');
    b->truncate(3);
    EXPECT_EQ(b->str(), "xxx");
    b->truncate(10);  // longer than the text: no effect
    EXPECT_EQ(b->str(), "xxx");
}

TEST(TextBuffer, AnEmbeddedNulEndsTheAppendedText) {
    auto b = TextBuffer::create();
    b->append(std::string("ab\0cd", 5));
    b->append("e");
    EXPECT_EQ(b->str(), "abe");
}

TEST(Strings, TrimCaseFoldingAndDecimals) {
    EXPECT_EQ(trimmed(" \t\r\nFido Chat \n\t"), "Fido Chat");
    EXPECT_EQ(trimmed("   "), "");
    EXPECT_TRUE(equals_nocase("FSX_GEN", "fsx_gen"));
    EXPECT_FALSE(equals_nocase("\xC4", "\xE4"));  // only A-Z fold
    EXPECT_TRUE(starts_with_nocase("fsx_gen", "FSX_"));
    EXPECT_TRUE(starts_with_nocase("anything", ""));
    EXPECT_FALSE(starts_with_nocase("FS", "FSX_"));
    size_t digits = 0;
    EXPECT_EQ(read_decimal("0042abc", &digits), 42u);
    EXPECT_EQ(digits, 4u);
    EXPECT_EQ(read_decimal("99999999999999999999999999", &digits), UINT64_MAX);
    EXPECT_EQ(read_decimal("x", &digits), 0u);
    EXPECT_EQ(digits, 0u);
    EXPECT_EQ(dec2(5), "05");
    EXPECT_EQ(dec2(123), "123");
    EXPECT_EQ(bounded(std::string("abc\0def", 7), 10), "abc");
    EXPECT_EQ(bounded("abcdef", 4), "abcd");
}

std::string S(const char* text) {
    std::string s(text);
    for (char& c : s)
        if (c == '\\') c = kPathSeparator;
    return s;
}

TEST(Strings, JoinPathAddsOneSeparatorAndFailsRatherThanTruncate) {
    std::string out;
    EXPECT_TRUE(join_path(out, 260, S("C:\\SF\\"), "SFMCONF.DAT"));
    EXPECT_EQ(out, S("C:\\SF\\SFMCONF.DAT"));
    EXPECT_TRUE(join_path(out, 260, "C:\\SF//\\", "X"));
    EXPECT_EQ(out, std::string("C:\\SF") + kPathSeparator + "X");
    EXPECT_TRUE(join_path(out, 260, "", "X"));
    EXPECT_EQ(out, std::string(1, kPathSeparator) + "X");

    const std::string dir(250, 'd');
    EXPECT_TRUE(join_path(out, 260, dir, "12345678"));
    EXPECT_EQ(out.size(), 259u);
    EXPECT_FALSE(join_path(out, 260, dir, "123456789"));
    EXPECT_FALSE(join_path(out, 260, std::string(259, 'd'), "x"));  // no room for the separator
}

TEST(Strings, ParentAndFileNameAcceptEitherSeparator) {
    EXPECT_EQ(parent_of("C:\\BBS\\SF"), "C:\\BBS");
    EXPECT_EQ(parent_of("/bbs/sf"), "/bbs");
    EXPECT_EQ(parent_of("SF"), "");
    EXPECT_EQ(file_name_of("C:\\NA/fsxnet.na"), "fsxnet.na");
}

std::vector<std::pair<std::string, bool>> lines_of(std::string_view data, size_t max, LineReader::LongLines mode) {
    std::vector<std::pair<std::string, bool>> out;
    LineReader r(data, max, mode);
    TextLine line;
    while (r.next(line)) out.emplace_back(std::string(line.text), line.overlong);
    return out;
}

TEST(LineReader, RunsOfLineBreaksEndOneLine) {
    auto lines = lines_of("A\r\n\r\n\nB\rC\n", 100, LineReader::LongLines::SkipRest);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].first, "A");
    EXPECT_EQ(lines[1].first, "B");
    EXPECT_EQ(lines[2].first, "C");
    // A text that begins with line breaks yields one empty first line.
    lines = lines_of("\r\n\r\nX", 100, LineReader::LongLines::SkipRest);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].first, "");
    EXPECT_EQ(lines[1].first, "X");
    EXPECT_TRUE(lines_of("", 100, LineReader::LongLines::SkipRest).empty());
}

TEST(LineReader, LongLinesAreCutOrSplit) {
    auto skip = lines_of("abcdefgh\nxy", 5, LineReader::LongLines::SkipRest);
    ASSERT_EQ(skip.size(), 2u);
    EXPECT_EQ(skip[0], std::make_pair(std::string("abcde"), true));
    EXPECT_EQ(skip[1], std::make_pair(std::string("xy"), false));
    auto split = lines_of("abcdefgh\nxy", 5, LineReader::LongLines::SplitRemainder);
    ASSERT_EQ(split.size(), 3u);
    EXPECT_EQ(split[0].first, "abcde");
    EXPECT_EQ(split[1].first, "fgh");
    EXPECT_EQ(split[2].first, "xy");
    EXPECT_FALSE(lines_of("abcde", 5, LineReader::LongLines::SkipRest)[0].second);
}

TEST(LineReader, NulEndsTheTextButTheLimitCountsBytesAsRead) {
    auto lines = lines_of(std::string("ab\0cdefgh\nz", 11), 5, LineReader::LongLines::SkipRest);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].first, "ab");
    EXPECT_TRUE(lines[0].second);
}

}  // namespace
}  // namespace marlinth
