// SHA-256, TextBuffer appends, path joining and the line splitting every text reader shares.
#include <gtest/gtest.h>

#include "core/line_reader.h"
#include "core/sha256.h"
#include "core/strings.h"
#include "core/text_buffer.h"

namespace marlinth {
namespace {

// Published vectors, plus 55 and 56 bytes either side of the last message whose padding fits its
// own block; each also fed in pieces of every awkward size.
TEST(Sha256, MatchesPublishedVectorsWholeAndInPieces) {
    const struct { std::string input; const char* hex; } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sha256_hex(sha256(c.input)), c.hex) << "length " << c.input.size();
        for (size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 4096u, 100003u}) {
            Sha256 h;
            for (size_t pos = 0; pos < c.input.size(); pos += piece) h.update(std::string_view(c.input).substr(pos, piece));
            EXPECT_EQ(sha256_hex(h.finish()), c.hex) << "length " << c.input.size() << " in pieces of " << piece;
        }
    }
}

// Report numbers and hex bytes are checked by every transcript (the inspection's Hex Record);
// these are the edges they never reach.
TEST(TextBuffer, AppendsNumbersStopsAtNulAndKeepsItsFirstCharactersWhenFull) {
    auto b = TextBuffer::create();
    b->append_int(-2147483647 - 1);
    b->append(std::string("!\0cd", 4));
    EXPECT_EQ(b->str(), "-2147483648!");
    b->reset();
    b->append(std::string(TextBuffer::kMaxLength - 1, 'x'));
    b->append("yz");  // only y fits
    b->append_line("more");
    EXPECT_EQ(b->str(), std::string(TextBuffer::kMaxLength - 1, 'x') + "y");
    EXPECT_EQ(b->c_str()[TextBuffer::kMaxLength], '\0');
    b->truncate(3);
    b->truncate(10);  // longer than the text: no effect
    EXPECT_EQ(b->str(), "xxx");
}

TEST(Strings, JoinPathAddsOneSeparatorAndFailsRatherThanTruncate) {
    const std::string sep(1, kPathSeparator), d250(250, 'd');
    const struct { std::string dir, name, out; } cases[] = {  // no output: refused
        {"C:" + sep + "SF" + sep, "SFMCONF.DAT", "C:" + sep + "SF" + sep + "SFMCONF.DAT"},
        {"C:\\SF//\\", "X", "C:\\SF" + sep + "X"},
        {d250, "12345678", d250 + sep + "12345678"},  // 259: just fits
        {d250, "123456789", ""},
        {std::string(259, 'd'), "x", ""},  // no room for the separator
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(join_path(out, 260, c.dir, c.name), !c.out.empty()) << c.dir << " + " << c.name;
        EXPECT_EQ(c.out.empty() ? "" : out, c.out);
    }
}

// Each line as "text" with "+" when overlong; a NUL ends a line's text but its bytes still count
// towards the limit, so a NUL cannot hide an overlong line.
TEST(LineReader, SplitsAtRunsOfBreaksAndCountsBytesPastANul) {
    using Mode = LineReader::LongLines;
    const struct { std::string data; Mode mode; std::vector<std::string> lines; } cases[] = {
        {"\r\n\r\nA\rB\n\nC", Mode::SkipRest, {"", "A", "B", "C"}},
        {std::string("ab\0cdef\r\nxy", 11), Mode::SkipRest, {"ab+", "xy"}},
        {std::string("ab\0c\nabcde", 10), Mode::SkipRest, {"ab", "abcd+"}},  // 4 bytes fit, 5 do not
        {"abcdefg\nh", Mode::SplitRemainder, {"abcd", "efg", "h"}},  // the rest is a line of its own
        {"", Mode::SkipRest, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        LineReader reader(c.data, 4, c.mode);
        std::vector<std::string> got;
        for (TextLine line; reader.next(line);) got.push_back(std::string(line.text) + (line.overlong ? "+" : ""));
        EXPECT_EQ(got, c.lines);
    }
}

}  // namespace
}  // namespace marlinth
