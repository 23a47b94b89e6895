// Retries what a sysop's Windows box fails for a moment. An on-access antivirus scanner or the
// Indexing Service opens a freshly written file for a moment, and an open, copy, delete, rename
// or flush of it then fails with a sharing violation or access denied. Without retries one such
// blip during a commit means a full rollback. A call that the inner platform calls transient is
// tried again, with growing pauses (ten tries within about two seconds); a file that stays busy
// ends exactly as it would without the retries.
#pragma once

#include <array>
#include <memory>

#include "core/platform.h"

namespace marlinth {

class RetryingPlatform final : public Platform {
public:
    // Pauses between the tries, in milliseconds: ten tries, 1.8 s in all.
    static constexpr std::array<uint32_t, 9> kPauses = {10, 20, 40, 80, 150, 250, 300, 400, 550};

    explicit RetryingPlatform(Platform& inner) : inner_(inner) {}
    explicit RetryingPlatform(std::unique_ptr<Platform> owned) : owned_(std::move(owned)), inner_(*owned_) {}

    Handle open(const std::string& path, OpenMode mode) override;
    bool copy_file_no_overwrite(const std::string& source, const std::string& destination) override;
    bool delete_file(const std::string& path) override;
    bool rename_replace(const std::string& from, const std::string& to) override;
    bool flush_file(const std::string& path) override;

    bool file_size(Handle handle, uint64_t& size) override { return inner_.file_size(handle, size); }
    bool read(Handle handle, void* buffer, uint32_t length, uint32_t& got) override {
        return inner_.read(handle, buffer, length, got);
    }
    bool write(Handle handle, const void* data, uint32_t length, uint32_t& written) override {
        return inner_.write(handle, data, length, written);
    }
    bool flush(Handle handle) override { return inner_.flush(handle); }
    void close(Handle handle) override { inner_.close(handle); }
    bool flush_directory(const std::string& path) override { return inner_.flush_directory(path); }
    bool create_directory(const std::string& path) override { return inner_.create_directory(path); }
    FileAttributes attributes(const std::string& path) override { return inner_.attributes(path); }
    bool folder_identity(const std::string& path, FolderIdentity& id) override { return inner_.folder_identity(path, id); }
    bool full_path(const std::string& path, std::string& out) override { return inner_.full_path(path, out); }
    bool list_directory(const std::string& directory, std::vector<DirEntry>& out) override {
        return inner_.list_directory(directory, out);
    }
    bool find_first_match(const std::string& directory, const std::string& pattern, std::string& name) override {
        return inner_.find_first_match(directory, pattern, name);
    }
    bool free_space(const std::string& path, uint64_t& available) override { return inner_.free_space(path, available); }
    LocalTime local_time() override { return inner_.local_time(); }
    bool process_names(std::vector<std::string>& names) override { return inner_.process_names(names); }
    std::string executable_path() override { return inner_.executable_path(); }
    void* allocate(size_t bytes) override { return inner_.allocate(bytes); }
    void release(void* block) override { inner_.release(block); }
    bool last_failure_transient() override { return inner_.last_failure_transient(); }
    void pause(uint32_t milliseconds) override { inner_.pause(milliseconds); }

private:
    // Calls `attempt` until it succeeds, fails for good, or the pauses run out.
    template <typename Attempt>
    bool retried(Attempt attempt);

    std::unique_ptr<Platform> owned_;
    Platform& inner_;
};

}  // namespace marlinth
