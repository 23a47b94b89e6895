#include "app/full_backup_commands.h"

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/setup_commands.h"
#include "core/strings.h"
#include "writer/full_backup.h"

namespace marlinth {

namespace {

// The window stays blocked while the copy runs; this only repaints a progress line.
CopyProgress show_copy_progress(App& app) {
    return [&app](const TreeTotals& copied) {
        app.view.show_progress("Copying the shared MESSAGE directory: " + dec(copied.files) + " files, " +
                               format_byte_size(copied.bytes) + " copied...");
    };
}

void show_output(App& app, const std::string& text) { app.view.set_text(ControlId::WizardBackupText, text); }

// The command ends with `text` in the output view and in an error box.
void fail_with_scratch(App& app) {
    std::string text = app.scratch->str();
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    show_output(app, text);
    status_and_log(app, "Full MESSAGE backup did not complete. Review the wizard's backup output.");
    error_box(app, text);
}

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
    if (!full_backup_may_start(app.platform, app.setup, s)) {
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
    const FullBackup backup =
        make_full_message_backup(app.platform, app.setup.message_dir, app.setup.backup_root, s, show_copy_progress(app));
    if (!backup.verified) {
        fail_with_scratch(app);
        return;
    }
    const TreeTotals& source = backup.source;
    const std::string& destination = backup.destination;
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
