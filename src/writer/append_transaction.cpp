#include "writer/append_transaction.h"

#include "core/files.h"
#include "core/strings.h"
#include "writer/journal.h"
#include "writer/node_swap.h"
#include "writer/staged_image.h"

namespace marlinth {

namespace {

// Everything before the first active file is touched, each part durable before the next: the
// transaction directory, the backups, the staged image and the journal. False at the first
// failure, whose own line is already in the report.
bool prepare(Platform& p, const AppendInputs& in, TextBuffer& w, std::string& dir, bool& dir_created,
             ByteBuffer& staged, std::vector<NodeSwap>& nodes) {
    const std::string& root = in.setup.backup_root;
    dir_created = create_transaction_dir(p, root, dir, kPathCapacity, &w);
    if (!dir_created) return false;
    w.append_line("Transaction directory: " + dir);
    if (!flush_directory(p, parent_of(root), &w) || !flush_directory(p, root, &w)) return false;
    const ConferenceBaseline& b = in.baseline;
    for (int i = 1; i <= in.setup.nodes.count; ++i) {
        NodeSwap n;
        n.number = i;
        n.old_data = b.bytes.data();
        n.old_size = b.size();
        if (!join_path(n.backup, kPathCapacity, dir, node_backup_name(i))) {
            w.append_line("Backup transaction path is too long.");
            return false;
        }
        const std::string& node_dir = in.setup.nodes.dir[static_cast<size_t>(i)];
        if (!join_path(n.file, kPathCapacity, node_dir, "SFMCONF.DAT")) {
            w.append_line("Copy failed: " + node_dir + " -> " + n.backup);
            return false;
        }
        nodes.push_back(n);
    }
    if (!back_up_nodes(p, dir, nodes, w)) return false;
    const int index = in.settings.template_index;
    const ConferenceView* tpl = (index >= 0 && index < static_cast<int>(b.conferences.size()))
                                    ? &b.conferences[static_cast<size_t>(index)]
                                    : nullptr;
    if (!build_staged_conference_file(p, b.bytes.data(), b.size(), tpl, in.settings, in.plan.entries,
                                      in.plan.planned_count, staged, &w, &w))
        return false;
    std::string staged_path;
    if (!join_path(staged_path, kPathCapacity, dir, "STAGED-SFMCONF.DAT")) {
        w.append_line("Backup transaction path is too long.");
        return false;
    }
    if (!write_durable_verified(p, staged_path, staged.data(), staged.size(), w)) return false;
    w.append_line("Staged and verified: " + staged_path);
    if (!write_journal(p, in.journal_path, journal_of(JournalKind::Append, dir, nodes, staged.data(), staged.size()),
                       &w))
        return false;
    w.append_line("Journal written: " + in.journal_path);
    return true;
}

}  // namespace

AppendResult run_append_transaction(Platform& p, const AppendInputs& in, TextBuffer& w) {
    AppendResult result;
    std::string dir;
    bool dir_created = false;
    ByteBuffer staged;
    std::vector<NodeSwap> nodes;
    if (prepare(p, in, w, dir, dir_created, staged, nodes)) {
        const int failed_node = replace_nodes(p, nodes, staged.data(), staged.size(), "Committed and verified Node ", w);
        if (failed_node != 0) {
            w.append_line("COMMIT FAILURE at Node " + dec(static_cast<uint64_t>(failed_node)) +
                          ". Starting rollback for every node.");
            w.append_line();
            w.append_line("ROLLBACK");
            w.append_line("--------");
            result.outcome = restore_old_bytes(p, nodes, staged.data(), staged.size(), w)
                                 ? TransactionOutcome::RollbackVerified
                                 : TransactionOutcome::RollbackNotVerified;
            if (result.outcome == TransactionOutcome::RollbackNotVerified) {
                result.nodes_not_original = nodes_not_original(nodes);
                w.append_line("DANGER: Nodes that do not hold their original bytes: " + result.nodes_not_original + ".");
                w.append_line("The journal was kept: " + in.journal_path +
                              ". Restart Marlinth to restore these nodes from the verified backups.");
            }
        } else {
            const uint32_t planned = static_cast<uint32_t>(in.plan.planned_count);
            w.append_line();
            w.append_line("TRANSACTION RESULT: SUCCESS");
            w.append_line("Appended conferences: " + dec(planned) + " (new total " +
                          dec(in.baseline.count() + planned) + ").");
            w.append_line("NEXT REQUIRED STEP: Keep normal service and QUARRO32 offline. Start Node 1 once with the Test "
                          "Files Upon Boot switch set to Yes so Spitfire creates canonical empty SFMSGxx files in the "
                          "shared MESSAGE directory. Inspect those files before normal service resumes.");
            result.outcome = TransactionOutcome::Success;
        }
    }
    // Only into the directory this transaction created: a failed attempt may name another's.
    std::string record;
    if (dir_created && join_path(record, kPathCapacity, dir, "TRANSACTION.txt")) write_record(p, record, w.view());
    if (result.outcome == TransactionOutcome::Success || result.outcome == TransactionOutcome::RollbackVerified) {
        auto why = TextBuffer::create();
        if (!delete_file_durable(p, in.journal_path, why.get()))
            result.journal_not_removed = why ? trimmed(why->view()) : in.journal_path;
    }
    return result;
}

}  // namespace marlinth
