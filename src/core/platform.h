// src/core/: the platform seam, strings, text buffers, the line reader, file primitives,
// SHA-256 and the Marlinth.cfg codec. Includes nothing outside core.
//
// The platform seam: every effect on the outside world (files, directories, time, free space,
// the process list, the program's own path) goes through this interface. The Win32
// implementation is what ships; the POSIX one runs the tests and the scripted runner; tests
// wrap either in a fault-injecting platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace marlinth {

struct FileAttributes {
    bool exists = false;
    bool directory = false;
    bool reparse_point = false;  // a junction or symbolic link
};

struct DirEntry {
    std::string name;
    bool directory = false;
    bool reparse_point = false;
    uint64_t size = 0;
};

// What a folder is, whatever it is called: a SUBST drive, an 8.3 name, a mapped drive and its UNC
// name, or a link all reach the same folder by other spellings.
struct FolderIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FolderIdentity& o) const { return volume == o.volume && index == o.index; }
};

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

enum class OpenMode {
    ReadShared,          // existing file, read; others may read and write it meanwhile
    ReadWriteExclusive,  // existing file, read and write, no sharing (the lock probe)
    CreateNewExclusive,  // fails when anything exists at the path; write; no sharing
    WriteTruncate,       // create or truncate, write, others may read
    WriteAppend,         // open or create, position at the end, write, others may read
};

class Platform {
public:
    using Handle = intptr_t;
    static constexpr Handle kInvalidHandle = -1;

    virtual ~Platform() = default;

    virtual Handle open(const std::string& path, OpenMode mode) = 0;
    virtual bool file_size(Handle handle, uint64_t& size) = 0;
    virtual bool read(Handle handle, void* buffer, uint32_t length, uint32_t& got) = 0;
    virtual bool write(Handle handle, const void* data, uint32_t length, uint32_t& written) = 0;
    virtual bool flush(Handle handle) = 0;  // to stable storage
    virtual void close(Handle handle) = 0;

    virtual bool copy_file_no_overwrite(const std::string& source, const std::string& destination) = 0;
    virtual bool delete_file(const std::string& path) = 0;
    // Renames over an existing target (write-through where the platform has it). The new name is
    // durable once the directory is flushed (flush_directory).
    virtual bool rename_replace(const std::string& from, const std::string& to) = 0;
    // Flushes an existing file's data to stable storage (a copy made by copy_file_no_overwrite).
    virtual bool flush_file(const std::string& path) = 0;
    // Makes the directory's entries (files created, renamed or deleted in it) durable. True where
    // the platform keeps them durable by itself.
    virtual bool flush_directory(const std::string& path) = 0;
    virtual bool create_directory(const std::string& path) = 0;  // one level
    virtual FileAttributes attributes(const std::string& path) = 0;
    // The identity of an existing folder (links followed); false when it cannot be opened.
    virtual bool folder_identity(const std::string& /*path*/, FolderIdentity& /*id*/) { return false; }
    virtual bool full_path(const std::string& path, std::string& out) = 0;
    // Every entry of the directory, "." and ".." included as the platform lists them.
    virtual bool list_directory(const std::string& directory, std::vector<DirEntry>& out) = 0;
    // First entry of `directory` whose name matches `pattern` (* and ?), letter case ignored.
    virtual bool find_first_match(const std::string& directory, const std::string& pattern, std::string& name) = 0;
    virtual bool free_space(const std::string& path, uint64_t& available) = 0;

    virtual LocalTime local_time() = 0;
    // Executable file names of the running processes; false when the list cannot be taken.
    virtual bool process_names(std::vector<std::string>& names) = 0;
    virtual std::string executable_path() = 0;

    // Zero-filled heap block; nullptr when memory is short.
    virtual void* allocate(size_t bytes) = 0;
    virtual void release(void* block) = 0;

    // True when the last failed open, copy, delete, rename or file flush failed for a reason that
    // passes by itself: on Windows an antivirus scanner or the indexer holding a fresh file for a
    // moment (a sharing or lock violation, or access denied). RetryingPlatform asks this.
    virtual bool last_failure_transient() { return false; }
    // Waits between two tries of a call that failed transiently.
    virtual void pause(uint32_t /*milliseconds*/) {}
    // True when `byte` starts a two-byte character in the code page that paths are spelled in
    // (Windows' ANSI code page: 932, 936, 949 and 950 have such characters).
    virtual bool is_lead_byte(uint8_t /*byte*/) { return false; }
};

// The platform this build runs on (POSIX or Win32).
std::unique_ptr<Platform> make_native_platform();

// Closes a handle on every path out of a scope.
class ScopedHandle {
public:
    ScopedHandle(Platform& platform, Platform::Handle handle) : platform_(platform), handle_(handle) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    Platform::Handle get() const { return handle_; }
    bool valid() const { return handle_ != Platform::kInvalidHandle; }
    // Takes over `handle` (closing any it held).
    void adopt(Platform::Handle handle) {
        reset();
        handle_ = handle;
    }
    void reset() {
        if (valid()) platform_.close(handle_);
        handle_ = Platform::kInvalidHandle;
    }

private:
    Platform& platform_;
    Platform::Handle handle_;
};

}  // namespace marlinth
