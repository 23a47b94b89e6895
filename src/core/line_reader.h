// Line splitting shared by every reader of text files: a line ends at CR or LF and a whole run
// of CR and LF bytes ends one line, so empty lines are never seen (a text that begins with line
// breaks yields one empty first line). A NUL byte ends the text of its line, while the length
// limit still counts the bytes as read.
#pragma once

#include <cstddef>
#include <string_view>

namespace marlinth {

struct TextLine {
    std::string_view text;  // at most the limit, cut at a NUL byte
    bool overlong = false;  // the line as read had more bytes than the limit
};

class LineReader {
public:
    enum class LongLines {
        SplitRemainder,  // the rest of a long line is read as the next line
        SkipRest,        // the rest of a long line is dropped
    };

    LineReader(std::string_view data, size_t max_chars, LongLines mode) : data_(data), max_(max_chars), mode_(mode) {}

    bool next(TextLine& line);

private:
    std::string_view data_;
    size_t pos_ = 0;
    size_t max_;
    LongLines mode_;
};

}  // namespace marlinth
