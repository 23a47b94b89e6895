#include "app/writer_commands.h"

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/recovery_commands.h"
#include "core/files.h"
#include "core/strings.h"
#include "writer/journal.h"
#include "writer/node_swap.h"
#include "writer/staged_image.h"

namespace marlinth {

namespace {

std::string node_file(const App& app, int node) {
    std::string path;
    if (!join_path(path, kPathCapacity, app.setup.nodes.dir[node], "SFMCONF.DAT")) return std::string();
    return path;
}

// Everything before the first active file is touched, each part durable before the next: the
// transaction directory, the backups, the staged image and the journal. False at the first
// failure, whose own line is already in the report.
bool prepare(App& app, TextBuffer& w, std::string& dir, bool& dir_created, ByteBuffer& staged,
             std::vector<NodeSwap>& nodes) {
    Platform& p = app.platform;
    const std::string& root = app.setup.backup_root;
    dir_created = create_transaction_dir(p, root, dir, kPathCapacity, &w);
    if (!dir_created) return false;
    w.append_line("Transaction directory: " + dir);
    if (!flush_directory(p, parent_of(root), &w) || !flush_directory(p, root, &w)) return false;
    const ConferenceBaseline& b = app.baseline;
    for (int i = 1; i <= app.setup.nodes.count; ++i) {
        NodeSwap n;
        n.number = i;
        n.file = node_file(app, i);
        n.old_data = b.bytes.data();
        n.old_size = b.size();
        if (!join_path(n.backup, kPathCapacity, dir, node_backup_name(i))) {
            w.append_line("Backup transaction path is too long.");
            return false;
        }
        if (n.file.empty()) {
            w.append_line("Copy failed: " + app.setup.nodes.dir[i] + " -> " + n.backup);
            return false;
        }
        nodes.push_back(n);
    }
    if (!back_up_nodes(p, dir, nodes, w)) return false;
    const int index = app.settings.template_index;
    const ConferenceView* tpl =
        (index >= 0 && index < static_cast<int>(b.conferences.size())) ? &b.conferences[static_cast<size_t>(index)] : nullptr;
    const ProposedSettings snapshot = app.settings;
    if (!build_staged_conference_file(p, b.bytes.data(), b.size(), tpl, snapshot, app.plan.entries, app.plan.planned_count,
                                      staged, &w, &w))
        return false;
    std::string staged_path;
    if (!join_path(staged_path, kPathCapacity, dir, "STAGED-SFMCONF.DAT")) {
        w.append_line("Backup transaction path is too long.");
        return false;
    }
    if (!write_durable_verified(p, staged_path, staged.data(), staged.size(), w)) return false;
    w.append_line("Staged and verified: " + staged_path);
    if (!write_journal(p, app.files.journal_path, journal_of(JournalKind::Append, dir, nodes, staged.data(), staged.size()),
                       &w))
        return false;
    w.append_line("Journal written: " + app.files.journal_path);
    return true;
}

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
    w.append_line("Marlinth v0.4b APPEND-ONLY TRANSACTION");
    w.append_line(std::string(40, '='));
    w.append_line("All preflight checks passed immediately before this transaction.");
    std::string dir;
    bool dir_created = false;
    ByteBuffer staged;
    std::vector<NodeSwap> nodes;
    TransactionOutcome outcome = TransactionOutcome::EarlyStop;
    if (prepare(app, w, dir, dir_created, staged, nodes)) {
        const int failed_node =
            replace_nodes(app.platform, nodes, staged.data(), staged.size(), "Committed and verified Node ", w);
        if (failed_node != 0) {
            w.append_line("COMMIT FAILURE at Node " + dec(static_cast<uint64_t>(failed_node)) +
                          ". Starting rollback for every node.");
            w.append_line();
            w.append_line("ROLLBACK");
            w.append_line("--------");
            outcome = restore_old_bytes(app.platform, nodes, staged.data(), staged.size(), w)
                          ? TransactionOutcome::RollbackVerified
                          : TransactionOutcome::RollbackNotVerified;
            if (outcome == TransactionOutcome::RollbackNotVerified) {
                w.append_line("DANGER: Nodes that do not hold their original bytes: " + nodes_not_original(nodes) + ".");
                w.append_line("The journal was kept: " + app.files.journal_path +
                              ". Restart Marlinth to restore these nodes from the verified backups.");
            }
        } else {
            const uint32_t planned = static_cast<uint32_t>(app.plan.planned_count);
            w.append_line();
            w.append_line("TRANSACTION RESULT: SUCCESS");
            w.append_line("Appended conferences: " + dec(planned) + " (new total " + dec(app.baseline.count() + planned) +
                          ").");
            w.append_line("NEXT REQUIRED STEP: Keep normal service and QUARRO32 offline. Start Node 1 once with the Test "
                          "Files Upon Boot switch set to Yes so Spitfire creates canonical empty SFMSGxx files in the "
                          "shared MESSAGE directory. Inspect those files before normal service resumes.");
            outcome = TransactionOutcome::Success;
        }
    }
    // Only into the directory this transaction created: a failed attempt may name another's.
    std::string record;
    if (dir_created && join_path(record, kPathCapacity, dir, "TRANSACTION.txt"))
        write_record(app.platform, record, w.view());
    if (outcome == TransactionOutcome::Success || outcome == TransactionOutcome::RollbackVerified)
        settle_journal(app);

    app.view.set_text(ControlId::WriterText, w.str());
    app.report->append("\r\n");
    app.report->append(w.view());
    app.view.set_text(ControlId::ReportText, app.report->str());
    staged.reset();
    app.flags.commit_in_progress = false;
    reset_typed_confirmation(app);
    finish(app, outcome, nodes_not_original(nodes));
    update_commit_buttons(app);
    app.shell->refresh_wizard();
    return outcome;
}

void confirmation_changed(App& app) { update_commit_buttons(app); }

void wizard_commit(App& app) {
    if (!app.view.checked(ControlId::WizardClosedConfirm)) {
        warning_box(app, "Confirm that every Spitfire node and external mailer/tosser is closed.");
        return;
    }
    if (trimmed(bounded(app.view.text(ControlId::WizardConfirmation), 7)) != "YES") {
        warning_box(app, "Type exact uppercase YES before committing.");
        return;
    }
    app.view.set_text(ControlId::Confirmation, "YES");
    commit_transaction(app);
    if (!app.flags.write_completed) return;
    const int planned = app.plan.planned_count;
    app.ui.wizard_step = 14;
    app.view.set_text(ControlId::WizardCompletionText,
                      "SUCCESS - " + sdec(planned) +
                          " conference(s) were appended and every configured node file verified.\r\n\r\nNext steps:\r\n"
                          "1. Keep the other nodes and mailers offline.\r\n"
                          "2. Start Node 1 with Test Files Upon Boot set to Yes.\r\n"
                          "3. Wait for Spitfire to build the new SFMSGxx files.\r\n"
                          "4. Shut Node 1 down and click Run Final Inspection.\r\n"
                          "5. Resume normal service only after every new conference reports OK.");
    app.shell->refresh_wizard();
}

}  // namespace marlinth
