// A platform wrapper for tests that breaks things on purpose: it fails the Nth call of a chosen
// kind (or any call whose path contains a text), ends the process at the Nth file-changing call,
// pretends processes run, fixes the clock, and reports impossible file sizes. It also records
// every path it was asked to change.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"
#include "support/power_loss.h"

namespace marlinth::test {

enum class Op {
    OpenRead, OpenExclusive, CreateNew, OpenWrite, FileSize, Read, Write, Flush, Close,
    Copy, Delete, Rename, CreateDir, Attributes, FullPath, List, FindMatch, FreeSpace,
    Processes, Allocate, FlushFile, FlushDir, FolderIdentity,
};
const char* op_name(Op op);
// Calls that change something on disk.
bool is_mutating(Op op);
// Calls that another program holding the file can fail for a moment (and that are retried).
bool is_retryable(Op op);

class FaultPlatform final : public Platform {
public:
    explicit FaultPlatform(Platform& real) : real_(real) {}

    // The nth call (1-based, counted from now) of this kind fails; 0 clears.
    void fail_nth(Op op, int n) { fail_nth_[op] = n > 0 ? calls(op) + n : 0; }
    // Every call of this kind whose path contains `fragment` fails, from the `from_nth` such call
    // on (the second rename onto a node is its rollback), `times` of them (0: all).
    void fail_path(Op op, const std::string& fragment, int from_nth = 1, int times = 0) {
        fail_paths_.push_back({op, fragment, from_nth, times, 0});
    }
    // The nth call (1-based) of any kind counted by `counted` fails; with `from_then_on`, so
    // does every counted call after it (a disk that went away).
    void fail_any_nth(int n, std::function<bool(Op)> counted, bool from_then_on = false) {
        fail_any_n_ = n;
        fail_any_after_ = from_then_on;
        counted_ = std::move(counted);
        any_calls_ = 0;
    }
    // A file that another program holds for a moment, as an antivirus scanner does on Windows:
    // the nth call (1-based, counted from now) that opens, copies, deletes, renames or flushes a
    // file fails transiently, and so do the `times` - 1 calls of those kinds after it.
    void busy_nth(int n, int times) {
        busy_from_ = n > 0 ? busy_calls_ + n : 0;
        busy_times_ = times;
    }
    int busy_calls() const { return busy_calls_; }
    // Milliseconds a retrying caller paused for (the pauses themselves are not taken).
    uint32_t paused_ms() const { return paused_ms_; }
    // Runs `hook` (with the call's path) before every call of this kind, e.g. to change the disk
    // between two steps of an operation.
    void before(Op op, std::function<void(const std::string&)> hook) { hooks_[op] = std::move(hook); }
    // The process ends (exit code 86) at the nth file-changing call, before it happens. With
    // `power_loss`, every change under `root` that was never flushed is undone first, as a power
    // cut would (see PowerLossModel).
    void crash_at(int n) { crash_at_ = n; }
    void power_cut_at(int n, const std::string& root) {
        crash_at_ = n;
        power_loss_.start(root);
        power_cut_ = true;
    }
    static constexpr int kCrashExitCode = 86;

    void set_processes(std::vector<std::string> names) { processes_ = std::move(names), fake_processes_ = true; }
    void set_process_list_fails() { process_list_fails_ = true; }
    void set_time(LocalTime t) { fixed_time_ = t, time_fixed_ = true; }
    void fake_size(const std::string& path_suffix, uint64_t size) { fake_sizes_[path_suffix] = size; }
    void set_free_space(uint64_t bytes) { free_space_ = bytes, free_space_fixed_ = true; }
    // Paths spelled in Windows' code page 932 (Shift-JIS), whose lead bytes are 0x81-0x9F and
    // 0xE0-0xFC, as on a Japanese Windows.
    void use_code_page_932() { code_page_932_ = true; }
    // Sees every block this platform handed out as it is given back, before it is freed (to
    // search it for what must not linger in memory).
    void on_release(std::function<void(std::string_view)> hook) { release_hook_ = std::move(hook); }

    int calls(Op op) const;
    int mutating_calls() const { return mutating_calls_; }
    const std::vector<std::string>& changed_paths() const { return changed_paths_; }
    // Every call made to fail so far: its kind and path.
    const std::vector<std::pair<Op, std::string>>& injected() const { return injected_; }
    void reset_counts();

    // Platform
    Handle open(const std::string& path, OpenMode mode) override;
    bool file_size(Handle handle, uint64_t& size) override;
    bool read(Handle handle, void* buffer, uint32_t length, uint32_t& got) override {
        return !trip(Op::Read, handle_paths_[handle]) && real_.read(handle, buffer, length, got);
    }
    bool write(Handle handle, const void* data, uint32_t length, uint32_t& written) override;
    bool flush(Handle handle) override;
    void close(Handle handle) override;
    bool copy_file_no_overwrite(const std::string& source, const std::string& destination) override;
    bool delete_file(const std::string& path) override;
    bool rename_replace(const std::string& from, const std::string& to) override;
    bool flush_file(const std::string& path) override;
    bool flush_directory(const std::string& path) override;
    bool create_directory(const std::string& path) override;
    FileAttributes attributes(const std::string& path) override {
        return trip(Op::Attributes, path) ? FileAttributes() : real_.attributes(path);
    }
    bool folder_identity(const std::string& path, FolderIdentity& id) override {
        return !trip(Op::FolderIdentity, path) && real_.folder_identity(path, id);
    }
    bool full_path(const std::string& path, std::string& out) override {
        return !trip(Op::FullPath, path) && real_.full_path(path, out);
    }
    bool list_directory(const std::string& directory, std::vector<DirEntry>& out) override {
        return !trip(Op::List, directory) && real_.list_directory(directory, out);
    }
    bool find_first_match(const std::string& directory, const std::string& pattern, std::string& name) override {
        return !trip(Op::FindMatch, directory) && real_.find_first_match(directory, pattern, name);
    }
    bool free_space(const std::string& path, uint64_t& available) override;
    LocalTime local_time() override { return time_fixed_ ? fixed_time_ : real_.local_time(); }
    bool process_names(std::vector<std::string>& names) override;
    std::string executable_path() override { return real_.executable_path(); }
    void* allocate(size_t bytes) override;
    void release(void* block) override;
    bool last_failure_transient() override { return last_busy_; }
    bool is_lead_byte(uint8_t byte) override {
        return code_page_932_ && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
    }
    void pause(uint32_t milliseconds) override { paused_ms_ += milliseconds; }

private:
    // Counts the call; true when it must fail. May end the process.
    bool trip(Op op, const std::string& path = std::string());
    bool decide(Op op, const std::string& path);

    Platform& real_;
    std::map<Op, int> counts_, fail_nth_;
    std::map<Op, std::function<void(const std::string&)>> hooks_;
    struct PathFault {
        Op op;
        std::string fragment;
        int from_nth, times, seen;
    };
    std::vector<PathFault> fail_paths_;
    PowerLossModel power_loss_;
    std::function<bool(Op)> counted_;
    int fail_any_n_ = 0, any_calls_ = 0, crash_at_ = 0, mutating_calls_ = 0;
    int busy_calls_ = 0, busy_from_ = 0, busy_times_ = 0;
    uint32_t paused_ms_ = 0;
    bool fail_any_after_ = false, power_cut_ = false, fake_processes_ = false, process_list_fails_ = false;
    bool time_fixed_ = false, free_space_fixed_ = false, last_busy_ = false, code_page_932_ = false;
    std::vector<std::string> changed_paths_, processes_;
    std::vector<std::pair<Op, std::string>> injected_;
    std::map<Handle, std::string> handle_paths_;
    LocalTime fixed_time_;
    std::map<std::string, uint64_t> fake_sizes_;
    uint64_t free_space_ = 0;
    std::function<void(std::string_view)> release_hook_;
    std::map<void*, size_t> block_sizes_;
};

}  // namespace marlinth::test
