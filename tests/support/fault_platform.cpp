#include "support/fault_platform.h"

#include "core/strings.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace marlinth::test {

const char* op_name(Op op) {
    static const char* const kNames[] = {"open-read", "open-exclusive", "create-new", "open-write", "file-size",
                                         "read",      "write",          "flush",      "close",      "copy",
                                         "delete",    "rename",         "create-dir", "attributes", "full-path",
                                         "list",      "find-match",     "free-space", "processes",  "allocate",
                                         "flush-file", "flush-dir", "folder-identity"};
    return kNames[static_cast<int>(op)];
}

bool is_mutating(Op op) {
    static const std::set<Op> kMutating = {Op::CreateNew, Op::OpenWrite, Op::Write,  Op::Flush,     Op::Copy,
                                           Op::Delete,    Op::Rename,    Op::CreateDir, Op::FlushFile, Op::FlushDir};
    return kMutating.count(op) > 0;
}

bool is_retryable(Op op) {
    static const std::set<Op> kRetryable = {Op::OpenRead, Op::OpenExclusive, Op::CreateNew, Op::OpenWrite,
                                            Op::Copy,     Op::Delete,        Op::Rename,    Op::FlushFile};
    return kRetryable.count(op) > 0;
}

int FaultPlatform::calls(Op op) const {
    auto it = counts_.find(op);
    return it == counts_.end() ? 0 : it->second;
}

void FaultPlatform::reset_counts() {
    counts_.clear();
    mutating_calls_ = 0;
    any_calls_ = 0;
    changed_paths_.clear();
}

bool FaultPlatform::trip(Op op, const std::string& path) {
    last_busy_ = false;
    const bool fails = decide(op, path);
    if (fails) injected_.push_back({op, path});
    if (fails || !is_retryable(op)) return fails;
    const int n = ++busy_calls_;
    last_busy_ = busy_from_ > 0 && n >= busy_from_ && n < busy_from_ + busy_times_;
    return last_busy_;
}

bool FaultPlatform::decide(Op op, const std::string& path) {
    auto hook = hooks_.find(op);
    if (hook != hooks_.end() && hook->second) hook->second(path);
    const int n = ++counts_[op];
    if (is_mutating(op)) {
        ++mutating_calls_;
        if (!path.empty()) changed_paths_.push_back(path);
        if (crash_at_ > 0 && mutating_calls_ == crash_at_) {
            std::fflush(nullptr);
            if (power_cut_) power_loss_.power_cut();
            std::_Exit(kCrashExitCode);
        }
    }
    if (counted_ && counted_(op)) {
        ++any_calls_;
        if (fail_any_n_ > 0 && (any_calls_ == fail_any_n_ || (fail_any_after_ && any_calls_ > fail_any_n_))) return true;
    }
    auto it = fail_nth_.find(op);
    if (it != fail_nth_.end() && it->second == n) return true;
    for (PathFault& f : fail_paths_) {
        if (f.op != op || path.empty() || path.find(f.fragment) == std::string::npos) continue;
        ++f.seen;
        if (f.seen >= f.from_nth && (f.times == 0 || f.seen < f.from_nth + f.times)) return true;
    }
    return false;
}

Platform::Handle FaultPlatform::open(const std::string& path, OpenMode mode) {
    const Op op = mode == OpenMode::ReadShared           ? Op::OpenRead
                  : mode == OpenMode::ReadWriteExclusive ? Op::OpenExclusive
                  : mode == OpenMode::CreateNewExclusive ? Op::CreateNew
                                                         : Op::OpenWrite;
    if (trip(op, path)) return kInvalidHandle;
    const bool existed = real_.attributes(path).exists;
    Handle h = real_.open(path, mode);
    if (h != kInvalidHandle) {
        handle_paths_[h] = path;
        if (mode == OpenMode::CreateNewExclusive || (op == Op::OpenWrite && !existed)) power_loss_.created(path);
        else if (mode == OpenMode::WriteTruncate) power_loss_.truncated(path);
    }
    return h;
}

bool FaultPlatform::file_size(Handle handle, uint64_t& size) {
    const std::string& path = handle_paths_[handle];
    if (trip(Op::FileSize, path)) return false;
    for (const auto& [suffix, fake] : fake_sizes_) {
        if (path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0) {
            size = fake;
            return true;
        }
    }
    return real_.file_size(handle, size);
}

bool FaultPlatform::write(Handle handle, const void* data, uint32_t length, uint32_t& written) {
    if (!trip(Op::Write, handle_paths_[handle])) return real_.write(handle, data, length, written);
    real_.write(handle, data, length / 2, written);  // a failed write may still leave part of the data behind
    return false;
}

bool FaultPlatform::flush(Handle handle) {
    if (trip(Op::Flush, handle_paths_[handle]) || !real_.flush(handle)) return false;
    power_loss_.flushed(handle_paths_[handle]);
    return true;
}

void FaultPlatform::close(Handle handle) {
    ++counts_[Op::Close];
    handle_paths_.erase(handle);
    real_.close(handle);
}

bool FaultPlatform::copy_file_no_overwrite(const std::string& source, const std::string& destination) {
    if (trip(Op::Copy, destination) || !real_.copy_file_no_overwrite(source, destination)) return false;
    power_loss_.created(destination);
    return true;
}

bool FaultPlatform::delete_file(const std::string& path) {
    if (trip(Op::Delete, path) || !real_.delete_file(path)) return false;
    power_loss_.deleted(path);
    return true;
}

bool FaultPlatform::rename_replace(const std::string& from, const std::string& to) {
    if (trip(Op::Rename, to) || !real_.rename_replace(from, to)) return false;
    power_loss_.renamed(from, to);
    return true;
}

bool FaultPlatform::flush_file(const std::string& path) {
    if (trip(Op::FlushFile, path) || !real_.flush_file(path)) return false;
    power_loss_.flushed(path);
    return true;
}

bool FaultPlatform::flush_directory(const std::string& path) {
    if (trip(Op::FlushDir, path) || !real_.flush_directory(path)) return false;
    power_loss_.directory_flushed(path);
    return true;
}

bool FaultPlatform::create_directory(const std::string& path) {
    // The length limit as CreateDirectoryA applies it, which neither Linux nor Wine does.
    if (trip(Op::CreateDir, path) || path.size() > kMaxDirectoryPath || !real_.create_directory(path)) return false;
    power_loss_.created_directory(path);
    return true;
}

bool FaultPlatform::free_space(const std::string& path, uint64_t& available) {
    if (trip(Op::FreeSpace, path)) return false;
    if (free_space_fixed_) {
        available = free_space_;
        return true;
    }
    return real_.free_space(path, available);
}

bool FaultPlatform::process_names(std::vector<std::string>& names) {
    if (trip(Op::Processes) || process_list_fails_) return false;
    if (fake_processes_) {
        names = processes_;
        return true;
    }
    return real_.process_names(names);
}

void* FaultPlatform::allocate(size_t bytes) {
    if (trip(Op::Allocate)) return nullptr;
    void* block = real_.allocate(bytes);
    if (block) block_sizes_[block] = bytes;
    return block;
}

void FaultPlatform::release(void* block) {
    auto it = block_sizes_.find(block);
    if (it != block_sizes_.end()) {
        if (release_hook_) release_hook_({static_cast<const char*>(block), it->second});
        block_sizes_.erase(it);
    }
    real_.release(block);
}

}  // namespace marlinth::test
