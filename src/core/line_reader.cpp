#include "core/line_reader.h"

namespace marlinth {

namespace {
bool is_break(char c) { return c == '\r' || c == '\n'; }
}  // namespace

bool LineReader::next(TextLine& line) {
    if (pos_ >= data_.size()) return false;
    const size_t start = pos_;
    size_t end = start;
    while (end < data_.size() && !is_break(data_[end])) ++end;
    size_t length = end - start;
    line.overlong = length > max_;
    if (line.overlong) {
        length = max_;
        if (mode_ == LongLines::SplitRemainder) end = start + max_;
    }
    std::string_view text = data_.substr(start, length);
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    line.text = text;
    pos_ = end;
    if (mode_ == LongLines::SplitRemainder && line.overlong) {
        line.overlong = false;
        return true;
    }
    while (pos_ < data_.size() && is_break(data_[pos_])) ++pos_;
    return true;
}

}  // namespace marlinth
