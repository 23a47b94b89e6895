#include "app/restore_commands.h"

#include <vector>

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/setup_commands.h"
#include "core/strings.h"
#include "writer/restore.h"

namespace marlinth {

namespace {

constexpr const char* kRefused = "Restore from Backup was refused. Nothing was changed. Review the Writer output.";

// A restore that did not complete: what the sysop is told of each way it can end.
void report_failed_restore(App& app, const RestoreResult& result) {
    app.view.set_text(ControlId::WriterText, app.writer->str());
    if (result.outcome == TransactionOutcome::EarlyStop) {
        app.view.set_status(StatusLine::Writer, "Restore stopped before any node file was changed. Review RESTORE.txt.");
        status_and_log(app, "Restore from backup stopped before any node file changed.");
        error_box(app, "The restore stopped while backing up the current files. No SFMCONF.DAT file was changed.");
    } else if (result.outcome == TransactionOutcome::RollbackVerified) {
        app.view.set_status(StatusLine::Writer, "Restore failed; every node was put back and verified. Review RESTORE.txt.");
        status_and_log(app, "Restore from backup failed; every node put back.");
        error_box(app, "The restore failed. Every node holds its SFMCONF.DAT from before the restore again, verified.");
    } else {
        app.view.set_status(StatusLine::Writer, "DANGER: Restore failed and not every node could be put back. Keep "
                                                "everything offline and restart Marlinth to recover.");
        status_and_log(app, "DANGER: restore from backup failed and requires recovery.");
        error_box(app, "DANGER: The restore failed and not every node could be put back: " + result.nodes_not_original +
                           ". Keep Spitfire and QUARRO32 offline and restart Marlinth to recover from the journal.");
    }
}

}  // namespace

void restore_from_backup(App& app) {
    if (trimmed(bounded(app.view.text(ControlId::Confirmation), 15)) != "YES") {
        warning_box(app, "Type exactly YES in the confirmation field before Restore from Backup. Nothing was changed.");
        return;
    }
    reset_typed_confirmation(app);  // one YES, one attempt
    Platform& p = app.platform;
    if (p.attributes(app.files.journal_path).exists) {
        error_box(app, "Marlinth.journal records an unfinished transaction. Restart Marlinth to recover it before "
                       "restoring. Nothing was changed.");
        return;
    }
    if (!validate_setup(app, true)) return;
    app.setup.backup_root = trimmed(bounded(app.view.text(ControlId::BackupRoot), kMaxPath));
    // The picker opens at the newest transaction directory.
    std::string dir = newest_transaction_dir(p, app.setup.backup_root);
    if (!app.view.pick_folder("Select the MARLINTH_ transaction directory to restore from", dir)) return;
    dir = trimmed(bounded(dir, kMaxPath));

    TextBuffer& w = *app.writer;
    w.reset();
    app.flags.writer_shows_pass = false;
    const RestoreCheck check = check_restore(p, app.setup, dir, w);
    app.view.set_text(ControlId::WriterText, w.str());
    if (!check.ready()) {
        app.view.set_status(StatusLine::Writer, "Restore refused. Nothing was changed.");
        status_and_log(app, "Restore from backup refused; nothing was changed.");
        error_box(app, check.usable ? "Restore from Backup was refused: a Spitfire node, QUARRO32 or an external mailer "
                                      "may still be active. Nothing was changed."
                                    : kRefused);
        return;
    }
    if (!ask_yes_no(app, BoxIcon::Question,
                    "Restore SFMCONF.DAT on all " + dec(static_cast<uint64_t>(app.setup.nodes.count)) +
                        " configured node(s) from " + dir + "?\r\n\r\n" + dec(check.conferences_lost) +
                        " conference(s) will no longer exist; their message-base files are left in place. The current "
                        "files are backed up first, so this restore can be undone the same way.")) {
        app.view.set_status(StatusLine::Writer, "Restore cancelled. Nothing was changed.");
        return;
    }
    const RestoreResult result = run_restore_transaction(p, app.setup, app.files.journal_path, check, w);
    if (!result.journal_not_removed.empty())
        log_message(app, "Could not remove the transaction journal: " + result.journal_not_removed);
    if (result.outcome != TransactionOutcome::Success) {
        report_failed_restore(app, result);
        return;
    }
    const std::vector<std::string>& left_in_place = check.left_in_place;
    app.flags.write_completed = true;
    app.flags.preflight_passed = false;
    app.view.set_text(ControlId::WriterText, w.str());
    update_commit_buttons(app);
    std::string status = "RESTORED. Every node holds the backup's SFMCONF.DAT, verified. Run the final inspection.";
    std::string text = "Every configured node holds the SFMCONF.DAT from " + dir + " again, verified. The files the "
                       "restore replaced are backed up in a new transaction directory; RESTORE.txt there records it.";
    // Their numbers are the next an append gives, and the preflight refuses them while these stay.
    if (!left_in_place.empty()) {
        status += " Move the " + listed(left_in_place) + " files out of MESSAGE before appending again.";
        text += "\r\n\r\nThe message-base files of the conferences that no longer exist are still in MESSAGE: " +
                listed(left_in_place) + ". Move them out of MESSAGE before those conference numbers can be appended "
                "again; the writer preflight blocks them until then. RESTORE.txt lists every file.";
    }
    app.view.set_status(StatusLine::Writer, status);
    status_and_log(app, "Restore from backup completed and verified on every configured node.");
    info_box(app, text);
}

}  // namespace marlinth
