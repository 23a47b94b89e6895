#include "writer/full_backup.h"

#include <vector>

#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "writer/preflight.h"

namespace marlinth {

namespace {

constexpr uint64_t kMiB = 1024ull * 1024ull;
// The copy shows how far it got after this many files or bytes, whichever comes first.
constexpr uint32_t kProgressFiles = 16;
constexpr uint64_t kProgressBytes = 16 * kMiB;

bool skipped(const DirEntry& e) { return e.name == "." || e.name == ".."; }

bool scan(Platform& p, const std::string& dir, size_t top, TreeTotals& totals, TextBuffer* report) {
    std::string pattern;
    if (!join_path(pattern, kPathCapacity, dir, "*")) {
        report_line(report, "Directory path is too long while calculating backup size.");
        return false;
    }
    std::vector<DirEntry> entries;
    if (!p.list_directory(dir, entries)) {
        report_line(report, "Cannot enumerate directory: " + dir);
        return false;
    }
    for (const DirEntry& e : entries) {
        if (skipped(e)) continue;
        std::string path;
        if (!join_path(path, kPathCapacity, dir, e.name)) {
            report_line(report, "A MESSAGE path is too long for the XP-compatible backup engine.");
            return false;
        }
        if (e.directory && e.reparse_point) {
            report_line(report, "Refusing to follow directory reparse point during backup: " + path);
            return false;
        }
        size_t& longest = e.directory ? totals.longest_directory : totals.longest_file;
        if (path.size() - top > longest) longest = path.size() - top;
        if (e.directory) {
            ++totals.directories;
            if (!scan(p, path, top, totals, report)) return false;
        } else {
            ++totals.files;
            totals.bytes += e.size;
        }
    }
    return true;
}

// One recursive copy: the running totals and the last progress line shown.
class TreeCopy {
public:
    TreeCopy(Platform& platform, TreeTotals& copied, TextBuffer* report, const CopyProgress& progress)
        : platform_(platform), copied_(copied), report_(report), progress_(progress) {}

    bool run(const std::string& src, const std::string& dst) {
        Platform& p = platform_;
        if (!ensure_directory(p, dst, report_)) return false;
        // Whatever a spelling hides (a link, a SUBST drive), the copy never goes into itself.
        if (!have_destination_) have_destination_ = p.folder_identity(dst, destination_);
        std::string pattern;
        if (!join_path(pattern, kPathCapacity, src, "*")) {
            report_line(report_, "Source path is too long during full MESSAGE backup.");
            return false;
        }
        std::vector<DirEntry> entries;
        if (!p.list_directory(src, entries)) {
            report_line(report_, "Cannot enumerate source directory: " + src);
            return false;
        }
        for (const DirEntry& e : entries) {
            if (skipped(e)) continue;
            std::string from, to;
            if (!join_path(from, kPathCapacity, src, e.name) || !join_path(to, kPathCapacity, dst, e.name)) {
                report_line(report_, "A path is too long for the XP-compatible full MESSAGE backup.");
                return false;
            }
            if (e.directory && e.reparse_point) {
                report_line(report_, "Refusing to follow directory reparse point during backup: " + from);
                return false;
            }
            if (e.directory) {
                FolderIdentity id;
                if (have_destination_ && p.folder_identity(from, id) && id == destination_) {
                    report_line(report_, "Refusing to copy the full MESSAGE backup into itself: " + from);
                    return false;
                }
                if (to.size() > kMaxDirectoryPath) {
                    report_line(report_, "A path is too long for the XP-compatible full MESSAGE backup.");
                    return false;
                }
                if (!run(from, to)) return false;
                continue;
            }
            if (!p.copy_file_no_overwrite(from, to)) {
                report_line(report_, "Full MESSAGE backup copy failed: " + from + " -> " + to);
                return false;
            }
            ++copied_.files;
            copied_.bytes += e.size;
            show_progress();
        }
        return true;
    }

private:
    void show_progress() {
        if (copied_.files - shown_files_ < kProgressFiles && copied_.bytes - shown_bytes_ < kProgressBytes) return;
        shown_files_ = copied_.files;
        shown_bytes_ = copied_.bytes;
        if (progress_) progress_(copied_);
    }

    Platform& platform_;
    TreeTotals& copied_;
    TextBuffer* report_;
    const CopyProgress& progress_;
    uint32_t shown_files_ = 0;
    uint64_t shown_bytes_ = 0;
    FolderIdentity destination_;
    bool have_destination_ = false;
};

}  // namespace

std::string format_byte_size(uint64_t bytes) {
    constexpr uint64_t kKiB = 1024, kGiB = kMiB * 1024;
    std::string out;
    if (bytes < kKiB) {
        out = dec(bytes) + " bytes";
    } else if (bytes < kMiB) {
        out = dec(bytes / kKiB) + " KB";
    } else if (bytes < kGiB) {
        out = dec(bytes / kMiB) + "." + dec((bytes % kMiB) * 10 / kMiB) + " MB";
    } else {
        out = dec(bytes / kGiB) + "." + dec((bytes % kGiB) * 10 / kGiB) + " GB";
    }
    return bounded(out, 63);
}

bool scan_tree_totals(Platform& platform, const std::string& directory, TreeTotals& totals, TextBuffer* report) {
    totals = TreeTotals();
    if (!is_directory(platform, directory)) {
        report_line(report, "Directory is inaccessible: " + directory);
        return false;
    }
    return scan(platform, directory, directory.size(), totals, report);
}

bool copy_fits(const std::string& destination, const TreeTotals& totals) {
    return destination.size() + totals.longest_directory <= kMaxDirectoryPath &&
           destination.size() + totals.longest_file <= kMaxPath;
}

bool copy_tree_new(Platform& platform, const std::string& source, const std::string& destination, TreeTotals& copied,
                   TextBuffer* report, const CopyProgress& progress) {
    copied = TreeTotals();
    if (!is_directory(platform, source)) {
        report_line(report, "Full MESSAGE backup source is inaccessible.");
        return false;
    }
    if (platform.attributes(destination).exists) {
        report_line(report, "Full MESSAGE backup destination already exists: " + destination);
        return false;
    }
    return TreeCopy(platform, copied, report, progress).run(source, destination);
}

bool get_free_space(Platform& platform, const std::string& path, uint64_t& available, TextBuffer* report) {
    available = 0;
    if (platform.free_space(path, available)) return true;
    report_line(report, "Cannot determine free space for backup destination: " + path);
    return false;
}

bool full_backup_may_start(Platform& p, const SetupState& setup, TextBuffer& w) {
    const bool idle = check_node_occupancy(p, setup, w, &w);
    const bool clear = check_processes_and_busy_flag(p, setup.message_dir, w);
    if (idle && clear) return true;
    w.append_line();
    w.append_line("FULL BACKUP BLOCKED. Correct every item above, close all node windows, and try again.");
    return false;
}

FullBackup make_full_message_backup(Platform& p, const std::string& message_dir, const std::string& root, TextBuffer& w,
                                    const CopyProgress& progress) {
    FullBackup backup;
    TreeTotals& source = backup.source;
    uint64_t available = 0;
    if (!scan_tree_totals(p, message_dir, source, &w) || !get_free_space(p, root, available, &w)) return backup;
    // A 5 % margin and 16 MiB on top of the MESSAGE total; written so that it cannot overflow.
    const uint64_t margin = source.bytes / 20 + 16 * kMiB;
    if (available < margin || available - margin < source.bytes) {
        w.reset();
        w.append("Not enough free space for a safe full MESSAGE backup.\r\n\r\nMESSAGE size: " +
                 format_byte_size(source.bytes) + "\r\nAvailable: " + format_byte_size(available));
        return backup;
    }
    // Every folder and file of the copy must fit Windows' limits before anything is created.
    const std::string longest = longest_transaction_name(p.local_time());
    std::string planned_dir, planned;
    if (!join_path(planned_dir, kDirectoryCapacity, root, longest) ||
        !join_path(planned, kDirectoryCapacity, planned_dir, "FULL-MESSAGE") || !copy_fits(planned, source)) {
        w.reset();
        w.append("A path is too long for the XP-compatible full MESSAGE backup.");
        return backup;
    }
    w.reset();
    std::string dir;
    TreeTotals copied, written;
    bool ok = create_transaction_dir(p, root, dir, kPathCapacity, &w);
    if (ok && !join_path(backup.destination, kPathCapacity, dir, "FULL-MESSAGE")) {
        w.append_line("A path is too long for the XP-compatible full MESSAGE backup.");
        ok = false;
    }
    ok = ok && copy_tree_new(p, message_dir, backup.destination, copied, &w, progress) &&
         scan_tree_totals(p, backup.destination, written, &w);
    ok = ok && copied.files == source.files && copied.bytes == source.bytes && written.files == copied.files &&
         written.bytes == source.bytes;
    if (!ok) {
        if (w.empty()) w.append_line("Full MESSAGE backup verification failed.");
        return backup;
    }
    std::string record;
    if (join_path(record, kPathCapacity, dir, "FULL-MESSAGE-BACKUP.txt"))
        write_text_file(p, record,
                        MARLINTH_NAMED_VERSION " full MESSAGE backup\r\nSource: " + message_dir + "\r\nDestination: " +
                            backup.destination + "\r\nFiles: " + dec(source.files) + "\r\nBytes: " +
                            dec(source.bytes) + "\r\n",
                        false, nullptr);
    backup.verified = true;
    return backup;
}

}  // namespace marlinth
