#include "writer/transaction.h"

#include "core/config.h"
#include "core/strings.h"

namespace marlinth {

const TransactionWords kAppendWords = {JournalKind::Append, "TRANSACTION.txt", "Committed and verified Node ",
                                       "COMMIT FAILURE at Node ", ". Starting rollback for every node."};
const TransactionWords kRestoreWords = {JournalKind::Restore, "RESTORE.txt", "Restored from backup and verified Node ",
                                        "RESTORE FAILURE at Node ", ". Putting every node back."};

namespace {

const ByteBuffer& image_of(const TransactionInputs& in, const TransactionRun& run) {
    return in.prepare_image ? run.image : *in.image;
}

// Everything before the first node is touched, each part durable before the next. False at the
// first failure, whose own line is already in the report.
bool prepare(Platform& p, const TransactionInputs& in, TransactionRun& run, TextBuffer& w) {
    const std::string& root = in.backup_root;
    run.dir_created = create_transaction_dir(p, root, run.dir, kPathCapacity, &w);
    if (!run.dir_created) return false;
    w.append_line("Transaction directory: " + run.dir);
    if (!flush_directory(p, parent_of(root), &w) || !flush_directory(p, root, &w)) return false;
    run.nodes = in.nodes;
    for (NodeSwap& n : run.nodes)
        if (!join_path(n.backup, kPathCapacity, run.dir, node_backup_name(n.number))) {
            w.append_line("Backup transaction path is too long.");
            return false;
        }
    if (!back_up_nodes(p, run.dir, run.nodes, w)) return false;
    if (in.prepare_image && !in.prepare_image(run.dir, run.image, w)) return false;
    const ByteBuffer& image = image_of(in, run);
    if (!write_journal(p, in.journal_path, journal_of(in.words.kind, run.dir, run.nodes, image.data(), image.size()), &w))
        return false;
    w.append_line("Journal written: " + in.journal_path);
    return true;
}

}  // namespace

TransactionRun run_transaction(Platform& p, const TransactionInputs& in, TextBuffer& w) {
    TransactionRun run;
    if (!prepare(p, in, run, w)) return run;
    const ByteBuffer& image = image_of(in, run);
    const int failed = replace_nodes(p, run.nodes, image.data(), image.size(), in.words.replaced, w);
    if (failed == 0) {
        run.outcome = TransactionOutcome::Success;
        return run;
    }
    w.append_line(in.words.failure + dec(static_cast<uint64_t>(failed)) + in.words.failure_then);
    w.append_line();
    w.append_line("ROLLBACK");
    w.append_line("--------");
    const bool back = restore_old_bytes(p, run.nodes, image.data(), image.size(), w);
    run.outcome = back ? TransactionOutcome::RollbackVerified : TransactionOutcome::RollbackNotVerified;
    if (!back) run.nodes_not_original = nodes_not_original(run.nodes);
    return run;
}

std::string finish_transaction(Platform& p, const TransactionInputs& in, const TransactionRun& run, TextBuffer& w) {
    std::string record;
    if (run.dir_created && join_path(record, kPathCapacity, run.dir, in.words.record)) write_record(p, record, w.view());
    if (run.outcome != TransactionOutcome::Success && run.outcome != TransactionOutcome::RollbackVerified) return {};
    return remove_journal(p, in.journal_path);
}

}  // namespace marlinth
