#include "app/recovery_commands.h"

#include <vector>

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "core/config.h"
#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "spitfire/conference.h"
#include "writer/journal.h"
#include "writer/node_swap.h"
#include "writer/recovery.h"

namespace marlinth {

namespace {

constexpr const char* kRecoveryRequired =
    "BLOCKED: Marlinth.journal records an unfinished transaction. Restart Marlinth to recover the nodes.";

void show_writer(App& app) { app.view.set_text(ControlId::WriterText, app.writer->str()); }

// The occupancy and process checks of the preflight, against the nodes the journal names.
bool nodes_are_offline(App& app, const Journal& j, TextBuffer& w) {
    w.append_line();
    append_heading(w, "SAFETY CHECKS", '-');
    SetupState journal_nodes = app.setup;
    for (size_t i = 0; i < j.nodes.size(); ++i) journal_nodes.nodes.dir[i + 1] = parent_of(j.nodes[i].file);
    journal_nodes.nodes.count = static_cast<int32_t>(j.nodes.size());
    const bool idle = check_node_occupancy(app.platform, journal_nodes, w, app.scratch.get());
    const bool clear = check_processes_and_busy_flag(app.platform, app.setup.message_dir, w);
    return idle && clear;
}

}  // namespace

void settle_journal(App& app) {
    TextBuffer* scratch = app.scratch.get();
    scratch->reset();
    if (!delete_file_durable(app.platform, app.files.journal_path, scratch))
        log_message(app, "Could not remove the transaction journal: " + trimmed(scratch->view()));
}

bool check_no_unsettled_journal(App& app, TextBuffer& w) {
    if (!app.platform.attributes(app.files.journal_path).exists) return true;
    w.append_line("ERROR: An unfinished transaction is recorded in " + app.files.journal_path +
                  ". Restart Marlinth to recover the nodes before any other write.");
    return false;
}

void recover_interrupted_transaction(App& app) {
    Platform& p = app.platform;
    const std::string& path = app.files.journal_path;
    if (!p.attributes(path).exists) return;
    TextBuffer& w = *app.writer;
    w.reset();
    app.flags.writer_shows_pass = false;
    append_heading(w, MARLINTH_NAMED_VERSION " TRANSACTION RECOVERY", '=');
    w.append_line("Journal: " + path);
    ByteBuffer bytes;
    Journal j;
    std::string reason;
    if (!read_file_capped(p, path, bytes, kMaxJournalBytes, &w) || !parse_journal(bytes.view(), j, reason)) {
        if (!reason.empty()) w.append_line("ERROR: The journal cannot be used: " + reason + ".");
        show_writer(app);
        app.view.set_status(StatusLine::Writer, kRecoveryRequired);
        status_and_log(app, "The transaction journal could not be read: " + path);
        error_box(app, "An interrupted transaction was found, but its journal could not be read: " + path +
                           (reason.empty() ? std::string() : " (" + reason + ")") + ".\r\nTransaction directory: " +
                           (j.transaction_dir.empty() ? std::string("unknown") : j.transaction_dir) +
                           "\r\n\r\nNothing was changed, and Writer Preflight stays blocked while the journal exists. "
                           "Compare every node's SFMCONF.DAT with the verified NodeNN-SFMCONF.DAT backups in the "
                           "transaction directory and restore them where needed, then delete the journal and restart "
                           "Marlinth.");
        return;
    }
    const std::string what = j.kind == JournalKind::Append ? "append" : "restore";
    w.append_line("Interrupted " + what + " transaction: " + j.transaction_dir);
    std::vector<NodeBytes> states;
    std::string not_old;
    bool all_new = true;
    for (size_t i = 0; i < j.nodes.size(); ++i) {
        states.push_back(classify_node(p, j.nodes[i]));
        const std::string node = "Node " + dec(i + 1);
        w.append_line(node + ": " + node_bytes_text(states[i], j.kind) + " " + j.nodes[i].file);
        if (states[i] != NodeBytes::New) all_new = false;
        if (states[i] != NodeBytes::Old)
            not_old += (not_old.empty() ? "" : ", ") + node + " (" + node_bytes_text(states[i], j.kind) + ")";
    }
    const std::string found = "An interrupted " + what + " transaction was found";
    if (all_new) {
        w.append_line("RECOVERY RESULT: The transaction had finished on every node.");
        remove_staging_leftovers(p, j, path, w);
        add_recovery_section(p, j, std::string(w.view().substr(w.view().find("Journal: "))));
        settle_journal(app);
        app.flags.write_completed = true;
        show_writer(app);
        status_and_log(app, "Interrupted " + what + " transaction found complete on every node; journal removed.");
        const bool append = j.kind == JournalKind::Append;
        // A restore creates no conference: its advice is its own.
        app.view.set_status(StatusLine::Writer, append ? "The interrupted transaction had finished. Restart Marlinth after "
                                                         "Spitfire creates the new message files."
                                                       : "The interrupted restore had finished. Run the read-only "
                                                         "inspection to confirm the restored conference list.");
        info_box(app, found + " in " + j.transaction_dir + ". It had finished: every node holds the " +
                          (append ? "new" : "restored") + " conference file, verified against the journal.\r\n\r\n" +
                          (append ? "NEXT REQUIRED STEP: Keep normal service and QUARRO32 offline. Start Node 1 once with "
                                    "the Test Files Upon Boot switch set to Yes so Spitfire creates canonical empty SFMSGxx "
                                    "files in the shared MESSAGE directory. Inspect those files before normal service "
                                    "resumes."
                                  : "NEXT REQUIRED STEP: Run the read-only inspection to confirm the restored conference "
                                    "list before normal service resumes. The message-base files of the conferences the "
                                    "restore removed are still in MESSAGE."));
        return;
    }
    if (not_old.empty()) {
        w.append_line("RECOVERY RESULT: No node had been changed; every node holds its original bytes.");
        remove_staging_leftovers(p, j, path, w);
        write_record(p, transaction_file(j.transaction_dir, "RECOVERY.txt"), w.view());
        settle_journal(app);
        show_writer(app);
        status_and_log(app, "Interrupted " + what + " transaction found before any node changed; journal removed.");
        info_box(app, found + " in " + j.transaction_dir + ". No node had been changed: every node still holds its "
                          "original conference file. The journal was removed; nothing else needs to be done.");
        return;
    }
    show_writer(app);
    const bool yes = ask_yes_no(app, BoxIcon::Warning,
                                found + ".\r\n\r\nTransaction directory: " + j.transaction_dir +
                                    "\r\nNodes not in their state before the transaction: " + not_old +
                                    ".\r\n\r\nRestore every node to its state before the transaction from the verified "
                                    "backups in that directory?\r\n\r\nEvery Spitfire node, QUARRO32 and any mailer must "
                                    "be shut down before you answer Yes.");
    if (!yes) {
        w.append_line("RECOVERY RESULT: Postponed by the sysop. The journal was kept.");
        show_writer(app);
        app.view.set_status(StatusLine::Writer, kRecoveryRequired);
        status_and_log(app, "Recovery of the interrupted transaction postponed; the journal was kept: " + path);
        return;
    }
    if (!nodes_are_offline(app, j, w)) {
        w.append_line();
        w.append_line("RECOVERY RESULT: NOT STARTED. No node file was changed.");
        show_writer(app);
        app.view.set_status(StatusLine::Writer, kRecoveryRequired);
        status_and_log(app, "Recovery not started: a Spitfire node, QUARRO32 or a mailer may be active.");
        error_box(app, "Recovery was not started: a Spitfire node, QUARRO32 or an external mailer may still be active. "
                       "Nothing was changed. Shut everything down and restart Marlinth to recover.");
        return;
    }
    const bool restored = undo_transaction(p, j, states, w);
    w.append_line();
    w.append_line(restored ? "RECOVERY RESULT: Every node holds its bytes from before the transaction again."
                           : "RECOVERY RESULT: DANGER: Not every node could be restored. The journal was kept.");
    if (restored) remove_staging_leftovers(p, j, path, w);
    write_record(p, transaction_file(j.transaction_dir, "RECOVERY.txt"), w.view());
    show_writer(app);
    if (restored) {
        settle_journal(app);
        app.view.set_status(StatusLine::Writer, "Recovery completed and verified. Review RECOVERY.txt.");
        status_and_log(app, "Interrupted " + what + " transaction undone; every node restored and verified.");
        info_box(app, "Recovery completed: every node holds its SFMCONF.DAT from before the transaction again, "
                      "verified. The report is RECOVERY.txt in " + j.transaction_dir + ".");
        return;
    }
    app.view.set_status(StatusLine::Writer, kRecoveryRequired);
    status_and_log(app, "DANGER: recovery of the interrupted transaction did not restore every node.");
    error_box(app, "DANGER: Recovery could not restore every node. Keep Spitfire and QUARRO32 offline. The journal "
                   "was kept; restart Marlinth to try again, or restore SFMCONF.DAT from the backups in " +
                       j.transaction_dir + ". Review RECOVERY.txt there.");
}

}  // namespace marlinth
