// A platform that hands every call to another one: the base of the decorators that add one
// concern to the seam (retries of transient errors; a window kept responsive during long work).
// Each forwarded call first runs before_call().
#pragma once

#include <memory>

#include "core/platform.h"

namespace marlinth {

class ForwardingPlatform : public Platform {
public:
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}
    explicit ForwardingPlatform(std::unique_ptr<Platform> owned) : owned_(std::move(owned)), inner_(*owned_) {}

    Handle open(const std::string& path, OpenMode mode) override { return before_call(), inner_.open(path, mode); }
    bool file_size(Handle handle, uint64_t& size) override { return before_call(), inner_.file_size(handle, size); }
    bool read(Handle handle, void* buffer, uint32_t length, uint32_t& got) override {
        return before_call(), inner_.read(handle, buffer, length, got);
    }
    bool write(Handle handle, const void* data, uint32_t length, uint32_t& written) override {
        return before_call(), inner_.write(handle, data, length, written);
    }
    bool flush(Handle handle) override { return before_call(), inner_.flush(handle); }
    void close(Handle handle) override { inner_.close(handle); }
    bool copy_file_no_overwrite(const std::string& source, const std::string& destination) override {
        return before_call(), inner_.copy_file_no_overwrite(source, destination);
    }
    bool delete_file(const std::string& path) override { return before_call(), inner_.delete_file(path); }
    bool rename_replace(const std::string& from, const std::string& to) override {
        return before_call(), inner_.rename_replace(from, to);
    }
    bool flush_file(const std::string& path) override { return before_call(), inner_.flush_file(path); }
    bool flush_directory(const std::string& path) override { return before_call(), inner_.flush_directory(path); }
    bool create_directory(const std::string& path) override { return before_call(), inner_.create_directory(path); }
    FileAttributes attributes(const std::string& path) override { return before_call(), inner_.attributes(path); }
    bool folder_identity(const std::string& path, FolderIdentity& id) override {
        return before_call(), inner_.folder_identity(path, id);
    }
    bool full_path(const std::string& path, std::string& out) override { return before_call(), inner_.full_path(path, out); }
    bool list_directory(const std::string& directory, std::vector<DirEntry>& out) override {
        return before_call(), inner_.list_directory(directory, out);
    }
    bool find_first_match(const std::string& directory, const std::string& pattern, std::string& name) override {
        return before_call(), inner_.find_first_match(directory, pattern, name);
    }
    bool free_space(const std::string& path, uint64_t& available) override {
        return before_call(), inner_.free_space(path, available);
    }
    LocalTime local_time() override { return inner_.local_time(); }
    bool process_names(std::vector<std::string>& names) override { return before_call(), inner_.process_names(names); }
    std::string executable_path() override { return inner_.executable_path(); }
    void* allocate(size_t bytes) override { return inner_.allocate(bytes); }
    void release(void* block) override { inner_.release(block); }
    bool last_failure_transient() override { return inner_.last_failure_transient(); }
    void pause(uint32_t milliseconds) override { before_call(), inner_.pause(milliseconds); }
    bool is_lead_byte(uint8_t byte) override { return inner_.is_lead_byte(byte); }

protected:
    virtual void before_call() {}
    Platform& inner() { return inner_; }

private:
    std::unique_ptr<Platform> owned_;
    Platform& inner_;
};

}  // namespace marlinth
