// Win32 implementation of the platform seam: what ships. Only calls that Windows XP SP2 offers.
// Sharing modes are chosen against other processes: a BBS node may hold a file open while it is
// inspected, so reads share read and write; text writes share read; creating a new file and the
// lock probe share nothing.
#ifdef _WIN32

#include <windows.h>
#include <tlhelp32.h>

#include "core/platform.h"
#include "core/retrying_platform.h"
#include "core/strings.h"

namespace marlinth {

namespace {

HANDLE as_handle(Platform::Handle handle) { return reinterpret_cast<HANDLE>(handle); }

std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (is_separator(dir.back()) || dir.back() == ':') return dir + name;
    return dir + "\\" + name;
}

uint64_t size_of(const WIN32_FIND_DATAA& data) {
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Closes a search handle on every path out of a scope.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class Win32Platform final : public Platform {
public:
    Handle open(const std::string& path, OpenMode mode) override {
        DWORD access = 0, share = 0, disposition = 0;
        switch (mode) {
        case OpenMode::ReadShared:
            access = GENERIC_READ;
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            disposition = OPEN_EXISTING;
            break;
        case OpenMode::ReadWriteExclusive: {
            // A read-only file is never writable; checked here too, since Wine running as root
            // would open it.
            const DWORD attr = ::GetFileAttributesA(path.c_str());
            if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) {
                last_error_ = ERROR_FILE_READ_ONLY;
                return kInvalidHandle;
            }
            access = GENERIC_READ | GENERIC_WRITE;
            disposition = OPEN_EXISTING;
            break;
        }
        case OpenMode::CreateNewExclusive:
            access = GENERIC_WRITE;
            disposition = CREATE_NEW;
            break;
        case OpenMode::WriteTruncate:
            access = GENERIC_WRITE;
            share = FILE_SHARE_READ;
            disposition = CREATE_ALWAYS;
            break;
        case OpenMode::WriteAppend:
            access = GENERIC_WRITE;
            share = FILE_SHARE_READ;
            disposition = OPEN_ALWAYS;
            break;
        }
        HANDLE h = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return failed(kInvalidHandle, path);
        if (mode == OpenMode::WriteAppend && ::SetFilePointer(h, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
            ::GetLastError() != NO_ERROR) {
            last_error_ = ::GetLastError();
            ::CloseHandle(h);
            return kInvalidHandle;
        }
        return reinterpret_cast<Handle>(h);
    }

    bool file_size(Handle handle, uint64_t& size) override {
        LARGE_INTEGER li;
        if (!::GetFileSizeEx(as_handle(handle), &li)) return false;
        size = static_cast<uint64_t>(li.QuadPart);
        return true;
    }

    bool read(Handle handle, void* buffer, uint32_t length, uint32_t& got) override {
        got = 0;
        char* p = static_cast<char*>(buffer);
        while (got < length) {
            // A request of many megabytes can fail over a network share; read in blocks.
            const DWORD want = length - got < kMaxReadBlock ? length - got : kMaxReadBlock;
            DWORD n = 0;
            if (!::ReadFile(as_handle(handle), p + got, want, &n, nullptr)) return false;
            if (n == 0) break;  // end of file
            got += n;
        }
        return true;
    }

    bool write(Handle handle, const void* data, uint32_t length, uint32_t& written) override {
        written = 0;
        const char* p = static_cast<const char*>(data);
        while (written < length) {
            DWORD n = 0;
            if (!::WriteFile(as_handle(handle), p + written, length - written, &n, nullptr)) return false;
            if (n == 0) break;  // the caller sees the short count
            written += n;
        }
        return true;
    }

    bool flush(Handle handle) override { return ::FlushFileBuffers(as_handle(handle)) != 0; }

    void close(Handle handle) override { ::CloseHandle(as_handle(handle)); }

    bool copy_file_no_overwrite(const std::string& source, const std::string& destination) override {
        if (!::CopyFileA(source.c_str(), destination.c_str(), TRUE)) return failed(false, destination);
        // CopyFile carries the read-only attribute: a backup of a read-only node file could then
        // be neither flushed nor removed. The copy is always an ordinary file.
        const DWORD attr = ::GetFileAttributesA(destination.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesA(destination.c_str(), attr & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        return true;
    }

    bool delete_file(const std::string& path) override { return ::DeleteFileA(path.c_str()) != 0 || failed(false, path); }

    bool rename_replace(const std::string& from, const std::string& to) override {
        return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
               failed(false, to);
    }

    bool flush_file(const std::string& path) override {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return failed(false, path);
        const bool ok = ::FlushFileBuffers(h) != 0;
        ::CloseHandle(h);
        return ok;
    }

    // MOVEFILE_WRITE_THROUGH only waits for a rename that copies across volumes; a rename within
    // one volume is made durable by flushing its directory, which needs write access to the
    // directory handle. A standard user often lacks it on folders an administrator made; then
    // NTFS's own journal still keeps the renames in order, and the directory counts as flushed.
    bool flush_directory(const std::string& path) override {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return true;
        ::FlushFileBuffers(h);
        ::CloseHandle(h);
        return true;
    }

    bool create_directory(const std::string& path) override { return ::CreateDirectoryA(path.c_str(), nullptr) != 0; }

    FileAttributes attributes(const std::string& path) override {
        FileAttributes a;
        if (path.empty()) return a;
        DWORD attr = ::GetFileAttributesA(path.c_str());
        if (attr == INVALID_FILE_ATTRIBUTES) return a;
        a.exists = true;
        a.directory = (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
        a.reparse_point = (attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        return a;
    }

    // Volume serial number and file index, opened with backup semantics (a folder can be opened
    // only so) and no access beyond its attributes, so that a standard user can always ask.
    bool folder_identity(const std::string& path, FolderIdentity& id) override {
        if (path.empty()) return false;
        HANDLE h = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        BY_HANDLE_FILE_INFORMATION info;
        const bool ok = ::GetFileInformationByHandle(h, &info) != 0 && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        ::CloseHandle(h);
        if (!ok) return false;
        id.volume = info.dwVolumeSerialNumber;
        id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        return true;
    }

    bool full_path(const std::string& path, std::string& out) override {
        if (path.empty()) return false;
        char buffer[MAX_PATH];
        DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
        // Zero is an error; a count of MAX_PATH or more is the size the result would need.
        if (n == 0 || n >= MAX_PATH) return false;
        out.assign(buffer, n);
        return true;
    }

    bool list_directory(const std::string& directory, std::vector<DirEntry>& out) override {
        out.clear();
        WIN32_FIND_DATAA data;
        FindHandle find(::FindFirstFileA(join(directory, "*").c_str(), &data));
        if (!find.valid()) return false;
        do {
            DirEntry entry;
            entry.name = data.cFileName;
            entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.reparse_point = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!entry.directory) entry.size = size_of(data);
            out.push_back(std::move(entry));
        } while (::FindNextFileA(find.get(), &data));
        return ::GetLastError() == ERROR_NO_MORE_FILES;
    }

    bool find_first_match(const std::string& directory, const std::string& pattern, std::string& name) override {
        // The file system compares names without regard to letter case. Only files count: a
        // folder of that name is skipped and the search goes on.
        WIN32_FIND_DATAA data;
        FindHandle find(::FindFirstFileA(join(directory, pattern).c_str(), &data));
        if (!find.valid()) return false;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            name = data.cFileName;
            return true;
        } while (::FindNextFileA(find.get(), &data));
        return false;
    }

    bool free_space(const std::string& path, uint64_t& available) override {
        ULARGE_INTEGER caller_free;
        if (!::GetDiskFreeSpaceExA(path.c_str(), &caller_free, nullptr, nullptr)) return false;
        available = caller_free.QuadPart;
        return true;
    }

    LocalTime local_time() override {
        SYSTEMTIME st;
        ::GetLocalTime(&st);
        LocalTime t;
        t.year = st.wYear;
        t.month = st.wMonth;
        t.day = st.wDay;
        t.hour = st.wHour;
        t.minute = st.wMinute;
        t.second = st.wSecond;
        return t;
    }

    bool process_names(std::vector<std::string>& names) override {
        names.clear();
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return false;
        PROCESSENTRY32 entry;
        entry.dwSize = sizeof entry;
        bool ok = ::Process32First(snapshot, &entry) != 0;
        while (ok) {
            names.emplace_back(file_name_of(entry.szExeFile));
            entry.dwSize = sizeof entry;
            ok = ::Process32Next(snapshot, &entry) != 0;
        }
        const bool complete = ::GetLastError() == ERROR_NO_MORE_FILES;
        ::CloseHandle(snapshot);
        return complete;
    }

    std::string executable_path() override {
        char buffer[MAX_PATH + 1];
        DWORD n = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
        // A full buffer means the name was cut: no usable path.
        if (n == 0 || n >= MAX_PATH) return std::string();
        return std::string(buffer, n);
    }

    void* allocate(size_t bytes) override { return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }

    void release(void* block) override {
        if (block) ::HeapFree(::GetProcessHeap(), 0, block);
    }

    // Another process holding the file for a moment: a scanner, the indexer, a backup agent.
    bool last_failure_transient() override {
        return last_error_ == ERROR_SHARING_VIOLATION || last_error_ == ERROR_LOCK_VIOLATION ||
               last_error_ == ERROR_ACCESS_DENIED;
    }

    void pause(uint32_t milliseconds) override { ::Sleep(milliseconds); }

    bool is_lead_byte(uint8_t byte) override { return ::IsDBCSLeadByteEx(CP_ACP, byte) != 0; }

private:
    static constexpr DWORD kMaxReadBlock = 1u << 20;

    // Keeps the reason of a failed call for last_failure_transient. Access denied on a file
    // marked read-only is for good, not a scanner's moment.
    template <typename T>
    T failed(T result, const std::string& path) {
        last_error_ = ::GetLastError();
        if (last_error_ == ERROR_ACCESS_DENIED) {
            const DWORD attr = ::GetFileAttributesA(path.c_str());
            if (attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
                last_error_ = ERROR_FILE_READ_ONLY;
        }
        return result;
    }

    DWORD last_error_ = NO_ERROR;
};

}  // namespace

std::unique_ptr<Platform> make_native_platform() {
    return std::make_unique<RetryingPlatform>(std::make_unique<Win32Platform>());
}

}  // namespace marlinth

#endif  // _WIN32
