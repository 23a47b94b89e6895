// Safe file primitives. Files are read whole up to a cap; new files are created exclusively and
// flushed; an existing file is replaced only by renaming a complete flushed staging file over it;
// what was written is read back and compared. Each operation that can fail appends one fixed
// line (ending CR LF) to an optional report buffer and returns false.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform.h"
#include "core/text_buffer.h"

namespace marlinth {

// An owned heap block holding a file's bytes (not terminated).
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(Platform* platform, uint8_t* data, uint32_t size) : platform_(platform), data_(data), size_(size) {}
    ~ByteBuffer() { reset(); }
    ByteBuffer(ByteBuffer&& other) noexcept { *this = std::move(other); }
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // Allocates `size` zero-filled bytes (one byte for an empty block); false when short of memory.
    bool allocate(Platform& platform, uint32_t size);
    void reset();

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    uint32_t size() const { return size_; }
    bool empty() const { return data_ == nullptr; }
    std::string_view view() const { return std::string_view(reinterpret_cast<const char*>(data_), size_); }
    void set_size(uint32_t size) { size_ = size; }

private:
    Platform* platform_ = nullptr;
    uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
};

// Suffix appended to a target's path to name its staging file.
constexpr std::string_view kStagingSuffix = ".MRLNEW";
// Longest target path that still leaves room for the staging suffix.
constexpr size_t kMaxReplaceTarget = 251;

bool read_file_capped(Platform& platform, const std::string& path, ByteBuffer& out, uint32_t cap, TextBuffer* report);
// The same from a file already open at its start whose size was taken: one open per file.
bool read_open_file(Platform& platform, Platform::Handle file, uint64_t size, const std::string& path, ByteBuffer& out,
                    uint32_t cap, TextBuffer* report);
bool write_text_file(Platform& platform, const std::string& path, std::string_view data, bool append, TextBuffer* report);
std::string normalize_path(Platform& platform, std::string_view input);
bool paths_are_separate(Platform& platform, std::string_view a, std::string_view b);
// True when a two-byte character of the platform's code page has a backslash or slash as its
// second byte: every separator search here goes byte by byte and would cut the path there.
bool has_two_byte_separator(Platform& platform, std::string_view path);
bool ensure_directory(Platform& platform, const std::string& path, TextBuffer* report);
bool copy_file_new(Platform& platform, const std::string& source, const std::string& destination, TextBuffer* report);
bool write_file_durable_new(Platform& platform, const std::string& path, const uint8_t* data, uint32_t length, TextBuffer* report);
bool delete_temp_file(Platform& platform, const std::string& path, TextBuffer* report);
// `renamed` (optional) tells whether the target was renamed over, i.e. whether it may hold the
// new bytes even when the call fails (its directory entry could not be flushed).
bool replace_file_atomic(Platform& platform, const std::string& target, const uint8_t* data, uint32_t length, TextBuffer* report,
                         bool* renamed = nullptr);
// Makes the entries of a directory durable; "Cannot flush directory: " + path.
bool flush_directory(Platform& platform, const std::string& directory, TextBuffer* report);
// copy_file_new, then the copy flushed to stable storage; "FlushFileBuffers failed: " + destination.
bool copy_file_durable(Platform& platform, const std::string& source, const std::string& destination, TextBuffer* report);
// Deletes a file, and makes the deletion durable; true when the file is gone ("Cannot delete: ").
bool delete_file_durable(Platform& platform, const std::string& path, TextBuffer* report);
bool verify_file_bytes(Platform& platform, const std::string& path, const uint8_t* data, uint32_t length, TextBuffer* report);
bool probe_exclusive_access(Platform& platform, const std::string& path, TextBuffer* report);
// True when a file of conference `number`'s message family exists (its name copied out, cut to
// capacity - 1), or when the search path would be too long (name empty: counted as a conflict).
bool find_message_file(Platform& platform, const std::string& message_dir, uint32_t number, std::string& name, size_t capacity);
// The longest name create_transaction_dir may give a directory this year (a collision suffix).
std::string longest_transaction_name(const LocalTime& now);
bool create_transaction_dir(Platform& platform, const std::string& backup_root, std::string& out, size_t capacity, TextBuffer* report);

bool is_file(Platform& platform, const std::string& path);
bool is_directory(Platform& platform, const std::string& path);

}  // namespace marlinth
