#include "app/full_backup_commands.h"

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/setup_commands.h"
#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "writer/full_backup.h"

namespace marlinth {

namespace {

constexpr uint64_t kMiB = 1024ull * 1024ull;

// The window stays blocked while the copy runs; this only repaints a progress line.
CopyProgress show_copy_progress(App& app) {
    return [&app](const TreeTotals& copied) {
        app.view.show_progress("Copying the shared MESSAGE directory: " + dec(copied.files) + " files, " +
                               format_byte_size(copied.bytes) + " copied...");
    };
}

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
    const bool idle = check_node_occupancy(app.platform, app.setup, s, app.scratch.get());
    const bool clear = check_processes_and_busy_flag(app.platform, app.setup.message_dir, s);
    if (!idle || !clear) {
        s.append_line();
        s.append_line("FULL BACKUP BLOCKED. Correct every item above, close all node windows, and try again.");
        fail_with_scratch(app);
        return;
    }
    s.reset();
    if (!check_backup_root_field(app, s)) {
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

    // Every folder and file of the copy must fit Windows' limits before anything is created.
    const std::string longest = longest_transaction_name(app.platform.local_time());
    std::string planned_dir, planned;
    if (!join_path(planned_dir, kDirectoryCapacity, app.setup.backup_root, longest) ||
        !join_path(planned, kDirectoryCapacity, planned_dir, "FULL-MESSAGE") || !copy_fits(planned, source)) {
        fail_with(app, "A path is too long for the XP-compatible full MESSAGE backup.");
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
    ok = ok && copy_tree_new(app.platform, app.setup.message_dir, destination, copied, &s, show_copy_progress(app)) &&
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
                        MARLINTH_NAMED_VERSION " full MESSAGE backup\r\nSource: " + app.setup.message_dir +
                            "\r\nDestination: " + destination + "\r\nFiles: " + dec(source.files) +
                            "\r\nBytes: " + dec(source.bytes) + "\r\n",
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
