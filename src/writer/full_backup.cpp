#include "writer/full_backup.h"

#include <vector>

#include "app/setup_commands.h"
#include "core/files.h"
#include "app/prompts.h"
#include "core/strings.h"
#include "writer/preflight.h"

namespace marlinth {

namespace {

constexpr uint64_t kMiB = 1024ull * 1024ull;
// The copy shows how far it got after this many files or bytes, whichever comes first.
constexpr uint32_t kProgressFiles = 16;
constexpr uint64_t kProgressBytes = 16 * kMiB;

void report_line(TextBuffer* report, const std::string& text) {
    if (report) report->append_line(text);
}

bool skipped(const DirEntry& e) { return e.name == "." || e.name == ".."; }

bool scan(Platform& p, const std::string& dir, TreeTotals& totals, TextBuffer* report) {
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
        if (e.directory) {
            ++totals.directories;
            if (!scan(p, path, totals, report)) return false;
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
    TreeCopy(App& app, TreeTotals& copied, TextBuffer* report) : app_(app), copied_(copied), report_(report) {}

    bool run(const std::string& src, const std::string& dst) {
        Platform& p = app_.platform;
        if (!ensure_directory(p, dst, report_)) return false;
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
    // The window stays blocked while the copy runs; this only repaints a progress line.
    void show_progress() {
        if (copied_.files - shown_files_ < kProgressFiles && copied_.bytes - shown_bytes_ < kProgressBytes) return;
        shown_files_ = copied_.files;
        shown_bytes_ = copied_.bytes;
        app_.view.show_progress("Copying the shared MESSAGE directory: " + dec(copied_.files) + " files, " +
                                format_byte_size(copied_.bytes) + " copied...");
    }

    App& app_;
    TreeTotals& copied_;
    TextBuffer* report_;
    uint32_t shown_files_ = 0;
    uint64_t shown_bytes_ = 0;
};

void show_output(App& app, const std::string& text) { app.view.set_text(ControlId::WizardBackupText, text); }

// The command ends with `text` in the output view and in an error box.
void fail_with(App& app, std::string text) {
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    show_output(app, text);
    status_and_log(app, "Full MESSAGE backup did not complete. Review the wizard's backup output.");
    error_box(app, text);
}

void fail_with_scratch(App& app) { fail_with(app, app.scratch->str()); }

}  // namespace

std::string format_u64_decimal(uint64_t value) { return dec(value); }

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
    return scan(platform, directory, totals, report);
}

bool copy_tree_new(App& app, const std::string& source, const std::string& destination, TreeTotals& copied,
                   TextBuffer* report) {
    copied = TreeTotals();
    if (!is_directory(app.platform, source)) {
        report_line(report, "Full MESSAGE backup source is inaccessible.");
        return false;
    }
    if (app.platform.attributes(destination).exists) {
        report_line(report, "Full MESSAGE backup destination already exists: " + destination);
        return false;
    }
    return TreeCopy(app, copied, report).run(source, destination);
}

bool get_free_space(Platform& platform, const std::string& path, uint64_t& available, TextBuffer* report) {
    available = 0;
    if (platform.free_space(path, available)) return true;
    report_line(report, "Cannot determine free space for backup destination: " + path);
    return false;
}

void run_full_message_backup(App& app) {
    const std::string root = bounded(trimmed(app.view.text(ControlId::WizardBackupRoot)), kMaxPath);
    app.view.set_text(ControlId::BackupRoot, root);
    app.setup.backup_root = root;
    TextBuffer& s = *app.scratch;
    s.reset();
    if (!validate_setup(app, true)) return;
    if (!ask_yes_no(app, BoxIcon::Warning,
                    "A consistent full MESSAGE backup must be created while every Spitfire node window and every "
                    "external mailer/tosser is closed.\r\n\r\nHave you closed them all?"))
        return;

    s.reset();
    const bool idle = check_node_occupancy(app, s);
    const bool clear = check_processes_and_busy_flag(app, s);
    if (!idle || !clear) {
        s.append_line();
        s.append_line("FULL BACKUP BLOCKED. Correct every item above, close all node windows, and try again.");
        fail_with_scratch(app);
        return;
    }
    s.reset();
    if (!check_backup_root(app, s)) {
        fail_with_scratch(app);
        return;
    }
    s.reset();
    show_output(app, "Scanning the shared MESSAGE directory and checking free space...");
    app.view.repaint();

    TreeTotals source;
    uint64_t available = 0;
    if (!scan_tree_totals(app.platform, app.setup.message_dir, source, &s) ||
        !get_free_space(app.platform, app.setup.backup_root, available, &s)) {
        fail_with_scratch(app);
        return;
    }
    // A 5 % margin and 16 MiB on top of the MESSAGE total; written so that it cannot overflow.
    const uint64_t margin = source.bytes / 20 + 16 * kMiB;
    if (available < margin || available - margin < source.bytes) {
        fail_with(app, "Not enough free space for a safe full MESSAGE backup.\r\n\r\nMESSAGE size: " +
                           format_byte_size(source.bytes) + "\r\nAvailable: " + format_byte_size(available));
        return;
    }

    s.reset();
    std::string dir, destination;
    TreeTotals copied, written;
    bool ok = create_transaction_dir(app.platform, app.setup.backup_root, dir, kPathCapacity, &s);
    if (ok && !join_path(destination, kPathCapacity, dir, "FULL-MESSAGE")) {
        s.append_line("A path is too long for the XP-compatible full MESSAGE backup.");
        ok = false;
    }
    ok = ok && copy_tree_new(app, app.setup.message_dir, destination, copied, &s) &&
         scan_tree_totals(app.platform, destination, written, &s);
    ok = ok && copied.files == source.files && copied.bytes == source.bytes && written.files == copied.files &&
         written.bytes == source.bytes;
    if (!ok) {
        if (s.empty()) s.append_line("Full MESSAGE backup verification failed.");
        fail_with_scratch(app);  // what was copied stays for the sysop to inspect
        return;
    }

    std::string record;
    if (join_path(record, kPathCapacity, dir, "FULL-MESSAGE-BACKUP.txt"))
        write_text_file(app.platform, record,
                        "Marlinth v0.4b full MESSAGE backup\r\nSource: " + app.setup.message_dir +
                            "\r\nDestination: " + destination + "\r\nFiles: " + dec(source.files) +
                            "\r\nBytes: " + format_u64_decimal(source.bytes) + "\r\n",
                        false, nullptr);
    app.flags.full_backup_verified = true;
    app.full_backup_location = destination;
    app.full_backup_source = app.setup.message_dir;
    app.view.set_checked(ControlId::WizardCreateBackupChoice, true);
    app.view.set_checked(ControlId::WizardExistingBackupChoice, false);
    app.flags.existing_backup_confirmed = false;
    show_output(app, "Full MESSAGE backup completed and verified.\r\n\r\nFiles: " + dec(source.files) + "\r\nSize: " +
                         format_byte_size(source.bytes) + "\r\nLocation: " + destination +
                         "\r\n\r\nMandatory SFMCONF.DAT backups for every configured node will still be created "
                         "automatically immediately before commit.");
    status_and_log(app, "Full MESSAGE backup completed and verified: " + destination);
    info_box(app, "The full MESSAGE backup completed and verified.");
    app.shell->refresh_wizard();
}

}  // namespace marlinth
