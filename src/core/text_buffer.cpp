#include "core/text_buffer.h"

#include <cstring>
#include <new>

namespace marlinth {

std::unique_ptr<TextBuffer> TextBuffer::create() {
    std::unique_ptr<TextBuffer> buffer(new (std::nothrow) TextBuffer());
    if (!buffer) return nullptr;
    buffer->data_.reset(static_cast<char*>(std::calloc(kCapacity, 1)));
    if (!buffer->data_) return nullptr;
    return buffer;
}

void TextBuffer::reset() {
    length_ = 0;
    data_[0] = '\0';
}

void TextBuffer::append(std::string_view text) {
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    if (length_ >= kMaxLength || text.empty()) return;
    size_t room = kMaxLength - length_;
    size_t n = text.size() < room ? text.size() : room;
    std::memcpy(data_.get() + length_, text.data(), n);
    length_ += static_cast<uint32_t>(n);
    data_[length_] = '\0';
}

void TextBuffer::append_char(char c) { append(std::string_view(&c, 1)); }

void TextBuffer::append_u64(uint64_t value) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    char out[24];
    for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
    append(std::string_view(out, static_cast<size_t>(n)));
}

void TextBuffer::append_uint(uint32_t value) { append_u64(value); }

void TextBuffer::append_int(int32_t value) {
    if (value < 0) {
        append_char('-');
        append_u64(static_cast<uint64_t>(-static_cast<int64_t>(value)));
    } else {
        append_u64(static_cast<uint64_t>(value));
    }
}

void TextBuffer::append_hex_byte(uint8_t value) {
    static const char kHex[] = "0123456789ABCDEF";
    char out[2] = {kHex[value >> 4], kHex[value & 0x0F]};
    append(std::string_view(out, 2));
}

void TextBuffer::append_line(std::string_view text) {
    append(text);
    append("\r\n");
}

void TextBuffer::truncate(uint32_t length) {
    if (length >= length_) return;
    length_ = length;
    data_[length_] = '\0';
}

void report_line(TextBuffer* report, std::string_view text, std::string_view path) {
    if (!report) return;
    report->append(text);
    report->append(path);
    report->append("\r\n");
}

}  // namespace marlinth
