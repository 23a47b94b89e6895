#include "app/writer_commands.h"

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "core/strings.h"
#include "core/version.h"

namespace marlinth {

namespace {

void finish(App& app, TransactionOutcome outcome, const std::string& not_original) {
    app.flags.preflight_passed = false;
    switch (outcome) {
    case TransactionOutcome::Success:
        app.flags.write_completed = true;
        app.view.set_status(StatusLine::Writer,
                            "SUCCESS. Export the report, then start Node 1 once with Test Files Upon Boot set to Yes.");
        status_and_log(app, "Append-only SFMCONF transaction completed and verified on every configured node.");
        info_box(app, "The append-only transaction succeeded and every node verified. Keep normal service and QUARRO32 "
                      "offline. Start Node 1 once with its Test Files Upon Boot switch set to Yes, then inspect the new "
                      "message files before resuming service.");
        break;
    case TransactionOutcome::EarlyStop:
        app.view.set_status(StatusLine::Writer,
                            "Transaction stopped before any active SFMCONF.DAT was changed. Review TRANSACTION.txt.");
        status_and_log(app, "Writer transaction stopped before active files changed.");
        error_box(app, "The transaction stopped during backup or staging. No active SFMCONF.DAT file was changed. Review "
                       "the transaction report before retrying.");
        break;
    case TransactionOutcome::RollbackVerified:
        app.view.set_status(StatusLine::Writer,
                            "Transaction failed; rollback completed and verified. Review TRANSACTION.txt.");
        status_and_log(app, "Writer transaction failed; rollback completed.");
        error_box(app, "The transaction failed. All configured nodes were restored and verified from the original bytes. "
                       "Review the transaction report before retrying.");
        break;
    case TransactionOutcome::RollbackNotVerified:
        app.view.set_status(StatusLine::Writer, "DANGER: Transaction failed and rollback was not fully verified. Keep "
                                                "everything offline and restore from the timestamped backups.");
        status_and_log(app, "DANGER: writer transaction and rollback require manual recovery.");
        error_box(app, "DANGER: The transaction failed and rollback could not be verified on every node. Keep Spitfire "
                       "and QUARRO32 offline and restore SFMCONF.DAT from the timestamped backups.\r\n\r\nNodes that do "
                       "not hold their original bytes: " + not_original + ".\r\nRestart Marlinth to restore them from the "
                       "verified backups.");
        break;
    case TransactionOutcome::Refused:
        break;
    }
}

}  // namespace

TransactionOutcome commit_transaction(App& app) {
    if (!app.flags.preflight_passed) {
        app.flags.commit_in_progress = false;
        reset_typed_confirmation(app);
        app.view.set_status(StatusLine::Writer, "Commit blocked: run Writer Preflight again.");
        warning_box(app, "Commit is disabled until Writer Preflight passes and exact YES is entered. Nothing was changed.");
        return TransactionOutcome::Refused;
    }
    if (trimmed(bounded(app.view.text(ControlId::Confirmation), 15)) != "YES") {
        app.flags.preflight_passed = false;
        app.flags.commit_in_progress = false;
        reset_typed_confirmation(app);
        app.view.set_status(StatusLine::Writer, "Commit blocked: exact YES was not present. Run Writer Preflight again.");
        warning_box(app, "Type exactly YES only after a fresh Writer Preflight. Nothing was changed.");
        return TransactionOutcome::Refused;
    }
    app.flags.commit_in_progress = true;
    update_commit_buttons(app);
    app.shell->refresh_wizard();

    if (!run_writer_preflight(app, false)) {
        app.flags.preflight_passed = false;
        app.flags.commit_in_progress = false;
        reset_typed_confirmation(app);
        app.view.set_status(StatusLine::Writer, "Repeated preflight failed. Review the Writer output and run preflight again.");
        app.shell->refresh_wizard();
        error_box(app, "The repeated preflight failed. Nothing was changed.");
        return TransactionOutcome::Refused;
    }

    TextBuffer& w = *app.writer;
    w.reset();
    app.flags.writer_shows_pass = false;
    w.append_line(MARLINTH_NAMED_VERSION " APPEND-ONLY TRANSACTION");
    w.append_line(std::string(40, '='));
    w.append_line("All preflight checks passed immediately before this transaction.");
    const ProposedSettings snapshot = app.settings;
    const AppendResult result =
        run_append_transaction(app.platform, {app.setup, app.baseline, snapshot, app.plan, app.files.journal_path}, w);
    if (!result.journal_not_removed.empty())
        log_message(app, "Could not remove the transaction journal: " + result.journal_not_removed);

    app.view.set_text(ControlId::WriterText, w.str());
    app.report->append("\r\n");
    app.report->append(w.view());
    app.view.set_text(ControlId::ReportText, app.report->str());
    app.flags.commit_in_progress = false;
    reset_typed_confirmation(app);
    finish(app, result.outcome, result.nodes_not_original);
    update_commit_buttons(app);
    app.shell->refresh_wizard();
    return result.outcome;
}

void confirmation_changed(App& app) { update_commit_buttons(app); }

TransactionOutcome wizard_commit(App& app) {
    if (!app.view.checked(ControlId::WizardClosedConfirm)) {
        warning_box(app, "Confirm that every Spitfire node and external mailer/tosser is closed.");
        return TransactionOutcome::Refused;
    }
    if (trimmed(bounded(app.view.text(ControlId::WizardConfirmation), 7)) != "YES") {
        warning_box(app, "Type exact uppercase YES before committing.");
        return TransactionOutcome::Refused;
    }
    app.view.set_text(ControlId::Confirmation, "YES");
    return commit_transaction(app);
}

}  // namespace marlinth
