// A platform holding one read-only file in memory, so that the readers that take a path see the
// fuzz input as that file's bytes without touching the disk. Everything else fails or is empty.
#pragma once
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/platform.h"

namespace marlinth {

class MemoryPlatform final : public Platform {
public:
    static constexpr const char* kDir = "/fuzz";

    // `name` is the file's name inside kDir; `data` must outlive the calls that read it.
    MemoryPlatform(std::string name, std::string_view data) : path_(std::string(kDir) + "/" + name), data_(data) {}
    const std::string& path() const { return path_; }

    Handle open(const std::string& path, OpenMode mode) override {
        if (path != path_ || mode != OpenMode::ReadShared) return kInvalidHandle;
        pos_ = 0;
        return 1;
    }
    bool file_size(Handle, uint64_t& size) override {
        size = data_.size();
        return true;
    }
    bool read(Handle, void* buffer, uint32_t length, uint32_t& got) override {
        got = static_cast<uint32_t>(std::min<size_t>(length, data_.size() - pos_));
        if (got) std::memcpy(buffer, data_.data() + pos_, got);
        pos_ += got;
        return true;
    }
    bool write(Handle, const void*, uint32_t, uint32_t&) override { return false; }
    bool flush(Handle) override { return false; }
    void close(Handle) override {}
    bool copy_file_no_overwrite(const std::string&, const std::string&) override { return false; }
    bool delete_file(const std::string&) override { return false; }
    bool rename_replace(const std::string&, const std::string&) override { return false; }
    bool flush_file(const std::string&) override { return false; }
    bool flush_directory(const std::string&) override { return false; }
    bool create_directory(const std::string&) override { return false; }
    FileAttributes attributes(const std::string& path) override {
        FileAttributes a;
        a.exists = path == path_ || path == kDir;
        a.directory = path == kDir;
        return a;
    }
    bool full_path(const std::string& path, std::string& out) override {
        out = path;
        return true;
    }
    bool list_directory(const std::string&, std::vector<DirEntry>&) override { return false; }
    bool find_first_match(const std::string&, const std::string&, std::string&) override { return false; }
    bool free_space(const std::string&, uint64_t&) override { return false; }
    LocalTime local_time() override { return LocalTime{2026, 1, 1, 0, 0, 0}; }
    bool process_names(std::vector<std::string>&) override { return false; }
    std::string executable_path() override { return std::string(kDir) + "/Marlinth.exe"; }
    void* allocate(size_t bytes) override { return std::calloc(bytes, 1); }
    void release(void* block) override { std::free(block); }

private:
    std::string path_;
    std::string_view data_;
    size_t pos_ = 0;
};

inline std::string_view as_text(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace marlinth
