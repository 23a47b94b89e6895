#include "app/recovery_commands.h"

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "core/files.h"
#include "core/strings.h"
#include "writer/recovery.h"

namespace marlinth {

namespace {

constexpr const char* kRecoveryRequired =
    "BLOCKED: Marlinth.journal records an unfinished transaction. Restart Marlinth to recover the nodes.";

void show_writer(App& app) { app.view.set_text(ControlId::WriterText, app.writer->str()); }

void log_journal_kept(App& app, const std::string& why) {
    if (!why.empty()) log_message(app, "Could not remove the transaction journal: " + why);
}

void journal_unreadable(App& app, const InterruptedTransaction& found) {
    const std::string& path = app.files.journal_path;
    const std::string& reason = found.reason;
    const std::string& dir = found.journal.transaction_dir;
    app.view.set_status(StatusLine::Writer, kRecoveryRequired);
    status_and_log(app, "The transaction journal could not be read: " + path);
    error_box(app, "An interrupted transaction was found, but its journal could not be read: " + path +
                       (reason.empty() ? std::string() : " (" + reason + ")") + ".\r\nTransaction directory: " +
                       (dir.empty() ? std::string("unknown") : dir) +
                       "\r\n\r\nNothing was changed, and Writer Preflight stays blocked while the journal exists. "
                       "Compare every node's SFMCONF.DAT with the verified NodeNN-SFMCONF.DAT backups in the "
                       "transaction directory and restore them where needed, then delete the journal and restart "
                       "Marlinth.");
}

void finished(App& app, const InterruptedTransaction& found, const std::string& what) {
    const std::string& dir = found.journal.transaction_dir;
    app.flags.write_completed = true;
    status_and_log(app, "Interrupted " + what + " transaction found complete on every node; journal removed.");
    const bool append = found.journal.kind == JournalKind::Append;
    // A restore creates no conference: its advice is its own.
    app.view.set_status(StatusLine::Writer, append ? "The interrupted transaction had finished. Restart Marlinth after "
                                                     "Spitfire creates the new message files."
                                                   : "The interrupted restore had finished. Run the read-only "
                                                     "inspection to confirm the restored conference list.");
    info_box(app, "An interrupted " + what + " transaction was found in " + dir +
                      ". It had finished: every node holds the " + (append ? "new" : "restored") +
                      " conference file, verified against the journal.\r\n\r\n" +
                      (append ? "NEXT REQUIRED STEP: Keep normal service and QUARRO32 offline. Start Node 1 once with "
                                "the Test Files Upon Boot switch set to Yes so Spitfire creates canonical empty SFMSGxx "
                                "files in the shared MESSAGE directory. Inspect those files before normal service "
                                "resumes."
                              : "NEXT REQUIRED STEP: Run the read-only inspection to confirm the restored conference "
                                "list before normal service resumes. The message-base files of the conferences the "
                                "restore removed are still in MESSAGE."));
}

void nothing_changed(App& app, const InterruptedTransaction& found, const std::string& what) {
    status_and_log(app, "Interrupted " + what + " transaction found before any node changed; journal removed.");
    info_box(app, "An interrupted " + what + " transaction was found in " + found.journal.transaction_dir +
                      ". No node had been changed: every node still holds its original conference file. The journal "
                      "was removed; nothing else needs to be done.");
}

void undo_after_yes(App& app, const InterruptedTransaction& found, const std::string& what) {
    const UndoResult undo = undo_interrupted_transaction(app.platform, app.setup, found, app.files.journal_path, *app.writer);
    log_journal_kept(app, undo.journal_not_removed);
    show_writer(app);
    switch (undo.outcome) {
    case UndoOutcome::NotStarted:
        app.view.set_status(StatusLine::Writer, kRecoveryRequired);
        status_and_log(app, "Recovery not started: a Spitfire node, QUARRO32 or a mailer may be active.");
        error_box(app, "Recovery was not started: a Spitfire node, QUARRO32 or an external mailer may still be active. "
                       "Nothing was changed. Shut everything down and restart Marlinth to recover.");
        break;
    case UndoOutcome::Restored:
        app.view.set_status(StatusLine::Writer, "Recovery completed and verified. Review RECOVERY.txt.");
        status_and_log(app, "Interrupted " + what + " transaction undone; every node restored and verified.");
        info_box(app, "Recovery completed: every node holds its SFMCONF.DAT from before the transaction again, "
                      "verified. The report is RECOVERY.txt in " + found.journal.transaction_dir + ".");
        break;
    case UndoOutcome::NotRestored:
        app.view.set_status(StatusLine::Writer, kRecoveryRequired);
        status_and_log(app, "DANGER: recovery of the interrupted transaction did not restore every node.");
        error_box(app, "DANGER: Recovery could not restore every node. Keep Spitfire and QUARRO32 offline. The journal "
                       "was kept; restart Marlinth to try again, or restore SFMCONF.DAT from the backups in " +
                           found.journal.transaction_dir + ". Review RECOVERY.txt there.");
        break;
    }
}

}  // namespace

bool check_no_unsettled_journal(App& app, TextBuffer& w) {
    if (!app.platform.attributes(app.files.journal_path).exists) return true;
    w.append_line("ERROR: An unfinished transaction is recorded in " + app.files.journal_path +
                  ". Restart Marlinth to recover the nodes before any other write.");
    return false;
}

void recover_interrupted_transaction(App& app) {
    const std::string& path = app.files.journal_path;
    if (!app.platform.attributes(path).exists) return;
    TextBuffer& w = *app.writer;
    w.reset();
    app.flags.writer_shows_pass = false;
    const InterruptedTransaction found = assess_interrupted_transaction(app.platform, path, w);
    const std::string what = found.kind();
    switch (found.verdict) {
    case RecoveryVerdict::CannotRead:
        show_writer(app);
        journal_unreadable(app, found);
        return;
    case RecoveryVerdict::Finished:
    case RecoveryVerdict::NothingChanged:
        log_journal_kept(app, settle_interrupted_transaction(app.platform, found, path, w));
        show_writer(app);
        if (found.verdict == RecoveryVerdict::Finished)
            finished(app, found, what);
        else
            nothing_changed(app, found, what);
        return;
    case RecoveryVerdict::UndoNeeded:
        break;
    }
    show_writer(app);
    const bool yes = ask_yes_no(app, BoxIcon::Warning,
                                "An interrupted " + what + " transaction was found.\r\n\r\nTransaction directory: " +
                                    found.journal.transaction_dir + "\r\nNodes not in their state before the transaction: " +
                                    found.not_old + ".\r\n\r\nRestore every node to its state before the transaction "
                                    "from the verified backups in that directory?\r\n\r\nEvery Spitfire node, QUARRO32 "
                                    "and any mailer must be shut down before you answer Yes.");
    if (yes) {
        undo_after_yes(app, found, what);
        return;
    }
    note_recovery_postponed(w);
    show_writer(app);
    app.view.set_status(StatusLine::Writer, kRecoveryRequired);
    status_and_log(app, "Recovery of the interrupted transaction postponed; the journal was kept: " + path);
}

}  // namespace marlinth
