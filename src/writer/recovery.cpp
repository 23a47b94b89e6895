#include "writer/recovery.h"

#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "spitfire/conference.h"
#include "writer/preflight.h"
#include "writer/transaction.h"

namespace marlinth {

namespace {

std::string transaction_file(const std::string& dir, const char* name) {
    std::string path;
    return join_path(path, kPathCapacity, dir, name) ? path : std::string();
}

// A finished transaction's own record (TRANSACTION.txt or RESTORE.txt) gains a RECOVERY section;
// the record stays whole or absent, as before.
void add_recovery_section(Platform& p, const Journal& j, std::string_view section) {
    const TransactionWords& words = j.kind == JournalKind::Append ? kAppendWords : kRestoreWords;
    const std::string record = transaction_file(j.transaction_dir, words.record);
    if (record.empty()) return;
    ByteBuffer old;
    std::string text;
    if (read_file_capped(p, record, old, TextBuffer::kCapacity, nullptr)) text.assign(old.view());
    text += "\r\nRECOVERY\r\n--------\r\n";
    text += section;
    write_record(p, record, text);
}

// Once every node is settled: the staging files an interruption left between writing and renaming
// them (beside each node's SFMCONF.DAT, and the journal's own) are removed, each with its line.
void remove_staging_leftovers(Platform& p, const Journal& j, const std::string& journal_path, TextBuffer& w) {
    std::vector<std::string> targets;
    for (const JournalNode& node : j.nodes) targets.push_back(node.file);
    targets.push_back(journal_path);
    for (const std::string& target : targets) {
        const std::string staging = target + std::string(kStagingSuffix);
        if (!p.attributes(staging).exists) continue;
        if (delete_file_durable(p, staging, nullptr))
            w.append_line("Removed a staging file the interruption left: " + staging);
        else
            w.append_line("WARNING: Could not remove a staging file the interruption left: " + staging);
    }
}

// The occupancy and process checks of the preflight, against the nodes the journal names.
bool nodes_are_offline(Platform& p, const SetupState& setup, const Journal& j, TextBuffer& w) {
    w.append_line();
    append_heading(w, "SAFETY CHECKS", '-');
    SetupState journal_nodes = setup;
    for (size_t i = 0; i < j.nodes.size(); ++i) journal_nodes.nodes.dir[i + 1] = parent_of(j.nodes[i].file);
    journal_nodes.nodes.count = static_cast<int32_t>(j.nodes.size());
    const bool idle = check_node_occupancy(p, journal_nodes, w, &w);
    const bool clear = check_processes_and_busy_flag(p, setup.message_dir, w);
    return idle && clear;
}

// Every node not in its old state goes back to its backup, after every needed backup has been
// checked against the journal. True when every node holds its old bytes afterwards.
bool restore_from_journal(Platform& p, const InterruptedTransaction& found, TextBuffer& w) {
    const Journal& j = found.journal;
    w.append_line();
    append_heading(w, "RESTORE FROM THE TRANSACTION'S BACKUPS", '-');
    std::vector<ByteBuffer> backups(j.nodes.size());
    std::vector<NodeSwap> nodes;
    bool usable = true;
    for (size_t i = 0; i < j.nodes.size(); ++i) {
        if (found.states[i] == NodeBytes::Old) continue;
        const JournalNode& n = j.nodes[i];
        if (!read_file_capped(p, n.backup, backups[i], kMaxConferenceFileSize, &w) ||
            !(fingerprint_of(backups[i].data(), backups[i].size()) == n.old_bytes)) {
            if (!backups[i].empty()) w.append_line("ERROR: Backup does not match the journal: " + n.backup);
            usable = false;
            continue;
        }
        NodeSwap s;
        s.number = static_cast<int>(i + 1);
        s.file = n.file;
        s.backup = n.backup;
        s.old_data = backups[i].data();
        s.old_size = backups[i].size();
        s.state = found.states[i];
        nodes.push_back(s);
    }
    if (!usable) {
        w.append_line("No node file was changed.");
        return false;
    }
    return restore_old_bytes(p, nodes, nullptr, 0, w);
}

}  // namespace

void append_heading(TextBuffer& w, const std::string& title, char rule) {
    w.append_line(title);
    w.append_line(std::string(title.size(), rule));
}

InterruptedTransaction assess_interrupted_transaction(Platform& p, const std::string& path, TextBuffer& w) {
    InterruptedTransaction found;
    append_heading(w, MARLINTH_NAMED_VERSION " TRANSACTION RECOVERY", '=');
    found.section_start = w.view().size();
    w.append_line("Journal: " + path);
    ByteBuffer bytes;
    if (!read_file_capped(p, path, bytes, kMaxJournalBytes, &w) || !parse_journal(bytes.view(), found.journal, found.reason)) {
        if (!found.reason.empty()) w.append_line("ERROR: The journal cannot be used: " + found.reason + ".");
        return found;
    }
    const Journal& j = found.journal;
    w.append_line("Interrupted " + std::string(found.kind()) + " transaction: " + j.transaction_dir);
    bool all_new = true;
    for (size_t i = 0; i < j.nodes.size(); ++i) {
        const NodeBytes state = classify_node(p, j.nodes[i]);
        found.states.push_back(state);
        const std::string node = "Node " + dec(i + 1);
        w.append_line(node + ": " + node_bytes_text(state, j.kind) + " " + j.nodes[i].file);
        if (state != NodeBytes::New) all_new = false;
        if (state != NodeBytes::Old)
            found.not_old += (found.not_old.empty() ? "" : ", ") + node + " (" + node_bytes_text(state, j.kind) + ")";
    }
    found.verdict = all_new ? RecoveryVerdict::Finished
                    : found.not_old.empty() ? RecoveryVerdict::NothingChanged
                                            : RecoveryVerdict::UndoNeeded;
    return found;
}

std::string settle_interrupted_transaction(Platform& p, const InterruptedTransaction& found, const std::string& path,
                                           TextBuffer& w) {
    const Journal& j = found.journal;
    const bool finished = found.verdict == RecoveryVerdict::Finished;
    w.append_line(finished ? "RECOVERY RESULT: The transaction had finished on every node."
                           : "RECOVERY RESULT: No node had been changed; every node holds its original bytes.");
    remove_staging_leftovers(p, j, path, w);
    if (finished)
        add_recovery_section(p, j, w.view().substr(found.section_start));
    else
        write_record(p, transaction_file(j.transaction_dir, "RECOVERY.txt"), w.view());
    return remove_journal(p, path);
}

UndoResult undo_interrupted_transaction(Platform& p, const SetupState& setup, const InterruptedTransaction& found,
                                        const std::string& path, TextBuffer& w) {
    UndoResult result;
    if (!nodes_are_offline(p, setup, found.journal, w)) {
        w.append_line();
        w.append_line("RECOVERY RESULT: NOT STARTED. No node file was changed.");
        return result;
    }
    const bool restored = restore_from_journal(p, found, w);
    w.append_line();
    w.append_line(restored ? "RECOVERY RESULT: Every node holds its bytes from before the transaction again."
                           : "RECOVERY RESULT: DANGER: Not every node could be restored. The journal was kept.");
    if (restored) remove_staging_leftovers(p, found.journal, path, w);
    write_record(p, transaction_file(found.journal.transaction_dir, "RECOVERY.txt"), w.view());
    result.outcome = restored ? UndoOutcome::Restored : UndoOutcome::NotRestored;
    if (restored) result.journal_not_removed = remove_journal(p, path);
    return result;
}

void note_recovery_postponed(TextBuffer& w) {
    w.append_line("RECOVERY RESULT: Postponed by the sysop. The journal was kept.");
}

}  // namespace marlinth
