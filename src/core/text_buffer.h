// A fixed 1 MiB text block that every report, the log and the scratch text are built in.
// Appends that do not fit are dropped silently; the text is always NUL-terminated and never
// holds an embedded NUL (an appended string ends at its first NUL, as a C string would).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace marlinth {

class TextBuffer {
public:
    static constexpr uint32_t kCapacity = 1048576;        // bytes, terminator included
    static constexpr uint32_t kMaxLength = kCapacity - 1;  // longest text

    // Allocates the zero-filled block; returns nullptr when memory is short.
    static std::unique_ptr<TextBuffer> create();

    void reset();
    void append(std::string_view text);
    void append_char(char c);
    void append_uint(uint32_t value);
    void append_int(int32_t value);
    void append_u64(uint64_t value);
    void append_hex_byte(uint8_t value);
    void append_line(std::string_view text = {});  // text, then CR LF

    // Cuts the text back to `length` characters (no effect when already shorter).
    void truncate(uint32_t length);

    uint32_t length() const { return length_; }
    bool empty() const { return length_ == 0; }
    const char* c_str() const { return data_.get(); }
    std::string_view view() const { return std::string_view(data_.get(), length_); }
    std::string str() const { return std::string(view()); }

private:
    struct FreeBlock {
        void operator()(char* block) const { std::free(block); }
    };
    TextBuffer() = default;
    // calloc: the block comes zero-filled without touching its pages, which matters for six
    // 1 MiB buffers that mostly hold a few lines.
    std::unique_ptr<char[], FreeBlock> data_;
    uint32_t length_ = 0;
};

// A failure line for a caller that may have asked for no report (`report` null): `text`, then
// `path` when one is given, then CR LF.
void report_line(TextBuffer* report, std::string_view text, std::string_view path = {});

}  // namespace marlinth
