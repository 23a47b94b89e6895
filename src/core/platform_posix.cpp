// POSIX implementation of the platform seam (tests and the scripted runner). A DOS-hosted BBS
// copied to a Linux disk may store SFMCONF.DAT as sfmconf.dat, so a path that does not exist as
// written is looked up again with letter case ignored, component by component.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

#include "core/platform.h"
#include "core/strings.h"

namespace marlinth {

namespace {

bool glob_match_nocase(const char* pattern, const char* text) {
    while (*pattern) {
        if (*pattern == '*') {
            ++pattern;
            if (!*pattern) return true;
            for (const char* t = text; *t; ++t)
                if (glob_match_nocase(pattern, t)) return true;
            return glob_match_nocase(pattern, text + std::strlen(text));
        }
        // As on Windows, a trailing ".*" also matches a name without any extension: X.* finds X.
        if (!*text) return pattern[0] == '.' && pattern[1] == '*' && pattern[2] == '\0';
        if (*pattern != '?' && fold_lower(*pattern) != fold_lower(*text)) return false;
        ++pattern;
        ++text;
    }
    return *text == '\0';
}

// Windows refuses to write a file marked read-only, even for an administrator. Here a file or
// folder that grants write permission to nobody counts as read-only, so that the probes answer
// the same when the tests run as root.
bool read_only(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

class PosixPlatform final : public Platform {
public:
    Handle open(const std::string& path, OpenMode mode) override {
        int fd = -1;
        switch (mode) {
        case OpenMode::ReadShared: {
            fd = ::open(resolve(path).c_str(), O_RDONLY | O_CLOEXEC);
            // Windows cannot open a directory as a file; neither may this.
            struct stat st;
            if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
                ::close(fd);
                fd = -1;
            }
            break;
        }
        case OpenMode::ReadWriteExclusive: {
            std::string real = resolve(path);
            struct stat st;
            if (::stat(real.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || read_only(st)) return kInvalidHandle;
            fd = ::open(real.c_str(), O_RDWR | O_CLOEXEC);
            if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                fd = -1;
            }
            break;
        }
        case OpenMode::CreateNewExclusive: {
            if (case_variant_exists(path)) return kInvalidHandle;
            const std::string dir = parent_of(path);
            const std::string where = !dir.empty() ? resolve(dir) : (!path.empty() && path[0] == '/') ? "/" : ".";
            struct stat st;
            if (::stat(where.c_str(), &st) == 0 && read_only(st)) return kInvalidHandle;
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
            break;
        }
        case OpenMode::WriteTruncate:
            fd = ::open(resolve(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            break;
        case OpenMode::WriteAppend:
            fd = ::open(resolve(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            break;
        }
        if (fd < 0) return kInvalidHandle;
        if (mode != OpenMode::ReadShared) forget_listing(path);
        return static_cast<Handle>(fd);
    }

    bool file_size(Handle handle, uint64_t& size) override {
        struct stat st;
        if (::fstat(static_cast<int>(handle), &st) != 0) return false;
        size = static_cast<uint64_t>(st.st_size);
        return true;
    }

    bool read(Handle handle, void* buffer, uint32_t length, uint32_t& got) override {
        got = 0;
        char* p = static_cast<char*>(buffer);
        while (got < length) {
            ssize_t n = ::read(static_cast<int>(handle), p + got, length - got);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) break;
            got += static_cast<uint32_t>(n);
        }
        return true;
    }

    bool write(Handle handle, const void* data, uint32_t length, uint32_t& written) override {
        written = 0;
        const char* p = static_cast<const char*>(data);
        while (written < length) {
            ssize_t n = ::write(static_cast<int>(handle), p + written, length - written);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            written += static_cast<uint32_t>(n);
        }
        return true;
    }

    bool flush(Handle handle) override { return ::fsync(static_cast<int>(handle)) == 0; }

    void close(Handle handle) override { ::close(static_cast<int>(handle)); }

    bool copy_file_no_overwrite(const std::string& source, const std::string& destination) override {
        int in = ::open(resolve(source).c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) return false;
        struct stat st;
        if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode) ||
            case_variant_exists(destination)) {
            ::close(in);
            return false;
        }
        int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (out < 0) {
            ::close(in);
            return false;
        }
        forget_listing(destination);
        static thread_local std::vector<char> chunk(1 << 20);
        bool ok = true;
        for (;;) {
            ssize_t n = ::read(in, chunk.data(), chunk.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0) break;
            uint32_t written = 0;
            if (!write(static_cast<Handle>(out), chunk.data(), static_cast<uint32_t>(n), written)) {
                ok = false;
                break;
            }
        }
        if (ok) {
            // Keep the source's time stamps, as the Windows copy does.
            struct timespec times[2] = {st.st_atim, st.st_mtim};
            ::futimens(out, times);
        }
        ::close(in);
        if (::close(out) != 0) ok = false;
        if (!ok) ::unlink(destination.c_str());
        return ok;
    }

    bool delete_file(const std::string& path) override {
        std::string real = resolve(path);
        forget_listing(real);
        return ::unlink(real.c_str()) == 0;
    }

    bool rename_replace(const std::string& from, const std::string& to) override {
        std::string target = resolve(to);
        struct stat st;
        if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
        if (::rename(resolve(from).c_str(), target.c_str()) != 0) return false;
        forget_listing(target);
        forget_listing(from);
        return true;
    }

    bool flush_file(const std::string& path) override {
        int fd = ::open(resolve(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        bool ok = ::fsync(fd) == 0;
        ::close(fd);
        return ok;
    }

    bool flush_directory(const std::string& path) override {
        std::string dir = path.empty() ? std::string(".") : resolve(path);
        int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        bool ok = ::fsync(fd) == 0;
        ::close(fd);
        return ok;
    }

    bool create_directory(const std::string& path) override {
        if (case_variant_exists(path)) return false;
        forget_listing(path);
        return ::mkdir(path.c_str(), 0755) == 0;
    }

    FileAttributes attributes(const std::string& path) override {
        FileAttributes a;
        if (path.empty()) return a;
        std::string real = resolve(path);
        struct stat st;
        if (::lstat(real.c_str(), &st) != 0) return a;
        a.exists = true;
        if (S_ISLNK(st.st_mode)) {
            a.reparse_point = true;
            struct stat target;
            if (::stat(real.c_str(), &target) == 0) a.directory = S_ISDIR(target.st_mode);
        } else {
            a.directory = S_ISDIR(st.st_mode);
        }
        return a;
    }

    bool folder_identity(const std::string& path, FolderIdentity& id) override {
        struct stat st;
        if (path.empty() || ::stat(resolve(path).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        id.volume = static_cast<uint64_t>(st.st_dev);
        id.index = static_cast<uint64_t>(st.st_ino);
        return true;
    }

    bool full_path(const std::string& path, std::string& out) override {
        std::string p = path;
        for (char& c : p)
            if (c == '\\') c = '/';
        if (p.empty()) return false;
        if (p[0] != '/') {
            char cwd[4096];
            if (!::getcwd(cwd, sizeof cwd)) return false;
            p = join(cwd, p);
        }
        std::vector<std::string> parts;
        size_t i = 0;
        while (i <= p.size()) {
            size_t j = p.find('/', i);
            if (j == std::string::npos) j = p.size();
            std::string part = p.substr(i, j - i);
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            i = j + 1;
        }
        out = "/";
        for (size_t k = 0; k < parts.size(); ++k) {
            if (k) out += "/";
            out += parts[k];
        }
        if (p.size() > 1 && p.back() == '/' && out.size() > 1) out += "/";
        return true;
    }

    bool list_directory(const std::string& directory, std::vector<DirEntry>& out) override {
        out.clear();
        std::string real = resolve(directory);
        DIR* dir = ::opendir(real.c_str());
        if (!dir) return false;
        while (struct dirent* e = ::readdir(dir)) {
            DirEntry entry;
            entry.name = e->d_name;
            struct stat st;
            std::string full = join(real, entry.name);
            if (::lstat(full.c_str(), &st) == 0) {
                if (S_ISLNK(st.st_mode)) {
                    entry.reparse_point = true;
                    struct stat target;
                    if (::stat(full.c_str(), &target) == 0) {
                        entry.directory = S_ISDIR(target.st_mode);
                        if (!entry.directory) entry.size = static_cast<uint64_t>(target.st_size);
                    }
                } else {
                    entry.directory = S_ISDIR(st.st_mode);
                    if (!entry.directory) entry.size = static_cast<uint64_t>(st.st_size);
                }
            }
            out.push_back(std::move(entry));
        }
        ::closedir(dir);
        return true;
    }

    bool find_first_match(const std::string& directory, const std::string& pattern, std::string& name) override {
        const std::string real = resolve(directory);
        const std::vector<std::string>* names = listing(real);
        if (!names) return false;
        // NTFS answers in case-insensitive name order; answer the same way. Only files count.
        const std::string* best = nullptr;
        for (const std::string& n : *names) {
            if (n == "." || n == "..") continue;
            if (!glob_match_nocase(pattern.c_str(), n.c_str())) continue;
            if (best && !(to_upper_ascii(n) < to_upper_ascii(*best))) continue;
            struct stat st;
            if (::stat(join(real.empty() ? "." : real, n).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
            best = &n;
        }
        if (!best) return false;
        name = *best;
        return true;
    }

    bool free_space(const std::string& path, uint64_t& available) override {
        struct statvfs st;
        if (::statvfs(resolve(path).c_str(), &st) != 0) return false;
        available = static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
        return true;
    }

    LocalTime local_time() override {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&now, &tm);
        LocalTime t;
        t.year = tm.tm_year + 1900;
        t.month = tm.tm_mon + 1;
        t.day = tm.tm_mday;
        t.hour = tm.tm_hour;
        t.minute = tm.tm_min;
        t.second = tm.tm_sec;
        return t;
    }

    bool process_names(std::vector<std::string>& names) override {
        names.clear();
        DIR* proc = ::opendir("/proc");
        if (!proc) return false;
        while (struct dirent* e = ::readdir(proc)) {
            if (!is_digit(e->d_name[0])) continue;
            std::string cmdline_path = std::string("/proc/") + e->d_name + "/cmdline";
            int fd = ::open(cmdline_path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            char buf[512];
            ssize_t n = ::read(fd, buf, sizeof buf - 1);
            ::close(fd);
            if (n <= 0) continue;
            buf[n] = '\0';
            // argv[0]; a Windows program under Wine shows its Windows path here.
            names.emplace_back(file_name_of(std::string_view(buf)));
        }
        ::closedir(proc);
        return true;
    }

    std::string executable_path() override {
        char buf[4096];
        ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return std::string();
        return std::string(buf, static_cast<size_t>(n));
    }

    void* allocate(size_t bytes) override { return std::calloc(bytes, 1); }
    void release(void* block) override { std::free(block); }

private:
    struct Listing {
        struct timespec mtime {};
        ino_t inode = 0;
        std::vector<std::string> names;
    };

    static bool exists(const std::string& path) {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0;
    }

    // Directory listings are kept while the directory is unchanged, so that looking up many
    // absent files in one MESSAGE directory does not read it again each time. File time stamps
    // come from a coarse clock, so a listing is only kept when the directory's last change is
    // over a second old: any later change then shows as a new modification time.
    const std::vector<std::string>* listing(const std::string& dir) {
        const char* name = dir.empty() ? "." : dir.c_str();
        struct stat st;
        if (::stat(name, &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
        auto it = listings_.find(dir);
        if (it != listings_.end() && it->second.inode == st.st_ino && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
            it->second.mtime.tv_nsec == st.st_mtim.tv_nsec)
            return &it->second.names;
        DIR* d = ::opendir(name);
        if (!d) return nullptr;
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const bool settled = now.tv_sec > st.st_mtim.tv_sec + 1;
        if (listings_.size() > 64) listings_.clear();
        Listing& l = settled ? listings_[dir] : fresh_;
        if (!settled) listings_.erase(dir);
        l.names.clear();
        l.inode = st.st_ino;
        l.mtime = st.st_mtim;
        while (struct dirent* e = ::readdir(d)) l.names.emplace_back(e->d_name);
        ::closedir(d);
        return &l.names;
    }

    void forget_listing(const std::string& path) { listings_.erase(parent_of(path)); }

    // Another entry whose name differs only in letter case (Windows would find it under this
    // name). One lookup: on a directory that is growing it means one read of the listing.
    bool case_variant_exists(const std::string& path) {
        const std::string real = resolve(path);
        return real != path && exists(real);
    }

    std::string resolve(const std::string& path) {
        if (path.empty() || exists(path)) return path;
        size_t cut = path.find_last_of('/');
        std::string dir = cut == std::string::npos ? std::string() : path.substr(0, cut);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        if (name.empty()) return path;
        std::string real_dir = (cut == std::string::npos || dir.empty()) ? dir : resolve(dir);
        const std::vector<std::string>* names = listing(real_dir);
        if (!names) return path;
        for (const std::string& n : *names)
            if (equals_nocase(n, name)) return cut == std::string::npos ? n : (dir.empty() ? "/" + n : real_dir + "/" + n);
        return cut == std::string::npos ? path : (dir.empty() ? path : real_dir + "/" + name);
    }

    std::map<std::string, Listing> listings_;
    Listing fresh_;
};

}  // namespace

std::unique_ptr<Platform> make_native_platform() { return std::make_unique<PosixPlatform>(); }

}  // namespace marlinth

#endif  // !_WIN32
