#include "core/files.h"

#include <cstring>
#include <vector>

#include "core/strings.h"

namespace marlinth {

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        reset();
        platform_ = other.platform_;
        data_ = other.data_;
        size_ = other.size_;
        other.platform_ = nullptr;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

bool ByteBuffer::allocate(Platform& platform, uint32_t size) {
    reset();
    void* block = platform.allocate(size == 0 ? 1 : size);
    if (!block) return false;
    platform_ = &platform;
    data_ = static_cast<uint8_t*>(block);
    size_ = size;
    return true;
}

void ByteBuffer::reset() {
    if (data_ && platform_) platform_->release(data_);
    data_ = nullptr;
    size_ = 0;
}

bool is_file(Platform& platform, const std::string& path) {
    FileAttributes a = platform.attributes(path);
    return a.exists && !a.directory;
}

bool is_directory(Platform& platform, const std::string& path) {
    FileAttributes a = platform.attributes(path);
    return a.exists && a.directory;
}

bool read_file_capped(Platform& platform, const std::string& path, ByteBuffer& out, uint32_t cap, TextBuffer* report) {
    out.reset();
    ScopedHandle file(platform, platform.open(path, OpenMode::ReadShared));
    if (!file.valid()) {
        report_line(report, "Cannot open: ", path);
        return false;
    }
    uint64_t size = 0;
    if (!platform.file_size(file.get(), size)) {
        report_line(report, "GetFileSizeEx failed.");
        return false;
    }
    return read_open_file(platform, file.get(), size, path, out, cap, report);
}

bool read_open_file(Platform& platform, Platform::Handle file, uint64_t size, const std::string& path, ByteBuffer& out,
                    uint32_t cap, TextBuffer* report) {
    out.reset();
    if ((size >> 32) != 0 || size > cap) {
        report_line(report, "File too large for safe in-memory inspection: ", path);
        return false;
    }
    ByteBuffer buffer;
    if (!buffer.allocate(platform, static_cast<uint32_t>(size))) {
        report_line(report, "Out of memory.");
        return false;
    }
    if (size != 0) {
        uint32_t got = 0;
        if (!platform.read(file, buffer.data(), static_cast<uint32_t>(size), got) || got != size) {
            report_line(report, "Read failed: ", path);
            return false;
        }
    }
    out = std::move(buffer);
    return true;
}

bool write_text_file(Platform& platform, const std::string& path, std::string_view data, bool append, TextBuffer* report) {
    ScopedHandle file(platform, platform.open(path, append ? OpenMode::WriteAppend : OpenMode::WriteTruncate));
    if (!file.valid()) {
        report_line(report, "Cannot create: ", path);
        return false;
    }
    if (data.empty()) return true;
    uint32_t written = 0;
    if (!platform.write(file.get(), data.data(), static_cast<uint32_t>(data.size()), written)) {
        report_line(report, "Write failed: ", path);
        return false;
    }
    return written == data.size();
}

std::string normalize_path(Platform& platform, std::string_view input) {
    std::string text = trimmed(bounded(input, kMaxPath));
    std::string full;
    if (!text.empty() && platform.full_path(text, full) && !full.empty() && full.size() <= kMaxPath) text = full;
    for (char& c : text)
        if (is_separator(c)) c = kPathSeparator;
    while (text.size() > 3 && text.back() == kPathSeparator) text.pop_back();
#ifndef _WIN32
    // A POSIX root keeps its one separator; deeper paths lose a trailing one.
    while (text.size() > 1 && text.back() == kPathSeparator) text.pop_back();
#endif
    return text;
}

namespace {

// The folder above a normalized path; a root ("C:\\", "/") keeps its separator. Empty at the top.
std::string folder_above(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos || cut + 1 == path.size()) return std::string();
    if (cut == 0 || (cut == 2 && path[1] == ':')) return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

// The identities of `path` and of every folder above it that exists (a path not made yet is
// inside its nearest existing folder).
std::vector<FolderIdentity> identity_chain(Platform& platform, std::string path) {
    std::vector<FolderIdentity> chain;
    for (int depth = 0; !path.empty() && depth < 128; ++depth) {
        FolderIdentity id;
        if (platform.folder_identity(path, id)) chain.push_back(id);
        path = folder_above(path);
    }
    return chain;
}

bool spelled_apart(const std::string& na, const std::string& nb) {
    const std::string& shorter = na.size() <= nb.size() ? na : nb;
    const std::string& longer = na.size() <= nb.size() ? nb : na;
    if (!starts_with_nocase(longer, shorter)) return true;
    if (shorter.size() == longer.size()) return false;
    if (longer[shorter.size()] == kPathSeparator) return false;
    if (shorter.back() == kPathSeparator) return false;
    return true;
}

// True when the folder `inner` is, or is inside, the existing folder `outer`.
bool reached_through(Platform& platform, const std::string& inner, const std::string& outer) {
    FolderIdentity id;
    if (!platform.folder_identity(outer, id)) return false;
    for (const FolderIdentity& above : identity_chain(platform, inner))
        if (above == id) return true;
    return false;
}

}  // namespace

// Decided by what the folders are, not by how they are spelled: a SUBST drive, an 8.3 name, a
// mapped drive against its UNC name or a link reach the same folder by another name.
bool paths_are_separate(Platform& platform, std::string_view a, std::string_view b) {
    std::string na = normalize_path(platform, a);
    std::string nb = normalize_path(platform, b);
    if (na.empty() || nb.empty()) return false;
    if (!spelled_apart(na, nb)) return false;
    return !reached_through(platform, na, nb) && !reached_through(platform, nb, na);
}

bool has_two_byte_separator(Platform& platform, std::string_view path) {
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        if (!platform.is_lead_byte(static_cast<uint8_t>(path[i]))) continue;
        ++i;
        if (is_separator(path[i])) return true;
    }
    return false;
}

bool ensure_directory(Platform& platform, const std::string& path, TextBuffer* report) {
    if (is_directory(platform, path)) return true;
    if (path.size() > kMaxDirectoryPath) {
        report_line(report, "Directory path is too long for Windows to create: ", path);
        return false;
    }
    if (platform.create_directory(path)) return true;
    report_line(report, "Cannot create directory: ", path);
    return false;
}

bool copy_file_new(Platform& platform, const std::string& source, const std::string& destination, TextBuffer* report) {
    if (platform.copy_file_no_overwrite(source, destination)) return true;
    if (report) {
        report->append("Copy failed: ");
        report->append(source);
        report->append(" -> ");
        report->append(destination);
        report->append("\r\n");
    }
    return false;
}

bool write_file_durable_new(Platform& platform, const std::string& path, const uint8_t* data, uint32_t length, TextBuffer* report) {
    ScopedHandle file(platform, platform.open(path, OpenMode::CreateNewExclusive));
    if (!file.valid()) {
        report_line(report, "Cannot create binary file: ", path);
        return false;
    }
    if (length != 0) {
        uint32_t written = 0;
        if (!platform.write(file.get(), data, length, written) || written != length) {
            report_line(report, "Binary write failed: ", path);
            return false;
        }
    }
    if (!platform.flush(file.get())) {
        report_line(report, "FlushFileBuffers failed: ", path);
        return false;
    }
    return true;
}

bool delete_temp_file(Platform& platform, const std::string& path, TextBuffer* report) {
    FileAttributes a = platform.attributes(path);
    if (!a.exists || a.directory) return true;
    if (platform.delete_file(path)) return true;
    report_line(report, "Cannot delete temporary file: ", path);
    return false;
}

bool replace_file_atomic(Platform& platform, const std::string& target, const uint8_t* data, uint32_t length, TextBuffer* report,
                         bool* renamed) {
    if (renamed) *renamed = false;
    if (target.size() > kMaxReplaceTarget) {
        report_line(report, "Target path is too long for a safe temporary name.");
        return false;
    }
    const std::string staging = target + std::string(kStagingSuffix);
    if (!delete_temp_file(platform, staging, report)) return false;
    if (!write_file_durable_new(platform, staging, data, length, report)) return false;
    if (!platform.rename_replace(staging, target)) {
        report_line(report, "Atomic replace failed: ", target);
        if (!platform.attributes(staging).directory) platform.delete_file(staging);
        return false;
    }
    if (renamed) *renamed = true;
    // The rename is durable only once the directory entry itself is on disk.
    const std::string dir = parent_of(target);
    if (platform.flush_directory(dir.empty() ? std::string(".") : dir)) return true;
    report_line(report, "New bytes are in place but could not be made durable: ", target);
    return false;
}

bool flush_directory(Platform& platform, const std::string& directory, TextBuffer* report) {
    if (platform.flush_directory(directory.empty() ? std::string(".") : directory)) return true;
    report_line(report, "Cannot flush directory: ", directory);
    return false;
}

bool copy_file_durable(Platform& platform, const std::string& source, const std::string& destination, TextBuffer* report) {
    if (!copy_file_new(platform, source, destination, report)) return false;
    if (platform.flush_file(destination)) return true;
    report_line(report, "FlushFileBuffers failed: ", destination);
    return false;
}

bool delete_file_durable(Platform& platform, const std::string& path, TextBuffer* report) {
    if (platform.attributes(path).exists && !platform.delete_file(path)) {
        report_line(report, "Cannot delete: ", path);
        return false;
    }
    const std::string dir = parent_of(path);
    return flush_directory(platform, dir, report);
}

bool verify_file_bytes(Platform& platform, const std::string& path, const uint8_t* data, uint32_t length, TextBuffer* report) {
    ByteBuffer actual;
    const uint32_t cap = length == UINT32_MAX ? length : length + 1;
    if (!read_file_capped(platform, path, actual, cap, report)) return false;
    if (actual.size() == length && (length == 0 || std::memcmp(actual.data(), data, length) == 0)) return true;
    report_line(report, "Verification mismatch: ", path);
    return false;
}

bool probe_exclusive_access(Platform& platform, const std::string& path, TextBuffer* report) {
    ScopedHandle file(platform, platform.open(path, OpenMode::ReadWriteExclusive));
    if (file.valid()) return true;
    report_line(report, "File is locked or not writable: ", path);
    return false;
}

bool find_message_file(Platform& platform, const std::string& message_dir, uint32_t number, std::string& name, size_t capacity) {
    name.clear();
    const std::string pattern = "SFMSG" + dec2(number) + ".*";
    std::string full;
    if (!join_path(full, kPathCapacity, message_dir, pattern)) return true;
    std::string found;
    if (!platform.find_first_match(message_dir, pattern, found)) return false;
    name = bounded(found, capacity == 0 ? 0 : capacity - 1);
    return true;
}

std::string longest_transaction_name(const LocalTime& now) {
    return "MARLINTH_" + dec(static_cast<uint64_t>(now.year)) + "1231_235959-99";
}

bool create_transaction_dir(Platform& platform, const std::string& backup_root, std::string& out, size_t capacity, TextBuffer* report) {
    out.clear();
    if (!ensure_directory(platform, backup_root, report)) return false;
    LocalTime t = platform.local_time();
    std::string base = "MARLINTH_" + dec(static_cast<uint64_t>(t.year)) + dec2(static_cast<uint32_t>(t.month)) +
                       dec2(static_cast<uint32_t>(t.day)) + "_" + dec2(static_cast<uint32_t>(t.hour)) +
                       dec2(static_cast<uint32_t>(t.minute)) + dec2(static_cast<uint32_t>(t.second));
    // The directory itself must fit what CreateDirectory takes.
    if (capacity > kDirectoryCapacity) capacity = kDirectoryCapacity;
    for (uint32_t attempt = 0; attempt < 100; ++attempt) {
        std::string name = attempt == 0 ? base : base + "-" + dec2(attempt);
        if (!join_path(out, capacity, backup_root, name)) {
            report_line(report, "Backup transaction path is too long.");
            return false;
        }
        if (platform.create_directory(out)) return true;
        if (!is_directory(platform, out)) {
            report_line(report, "Cannot create transaction directory: ", out);
            return false;
        }
    }
    report_line(report, "Could not allocate a unique timestamped transaction directory.");
    return false;
}

}  // namespace marlinth
