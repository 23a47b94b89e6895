#include "writer/append_transaction.h"

#include "core/files.h"
#include "core/strings.h"
#include "writer/staged_image.h"

namespace marlinth {

namespace {

// The new bytes: the inspected file with the planned records after it, durable and read back in
// the transaction directory before the journal names them.
PrepareImage staged_image(Platform& p, const AppendInputs& in) {
    return [&p, &in](const std::string& dir, ByteBuffer& staged, TextBuffer& w) {
        const ConferenceBaseline& b = in.baseline;
        const int index = in.settings.template_index;
        const ConferenceView* tpl = (index >= 0 && index < static_cast<int>(b.conferences.size()))
                                        ? &b.conferences[static_cast<size_t>(index)]
                                        : nullptr;
        if (!build_staged_conference_file(p, b.bytes.data(), b.size(), tpl, in.settings, in.plan.entries,
                                          in.plan.planned_count, staged, &w, &w))
            return false;
        std::string path;
        if (!join_path(path, kPathCapacity, dir, "STAGED-SFMCONF.DAT")) {
            w.append_line("Backup transaction path is too long.");
            return false;
        }
        if (!write_durable_verified(p, path, staged.data(), staged.size(), w)) return false;
        w.append_line("Staged and verified: " + path);
        return true;
    };
}

}  // namespace

AppendResult run_append_transaction(Platform& p, const AppendInputs& in, TextBuffer& w) {
    TransactionInputs tx{kAppendWords, in.setup.backup_root, in.journal_path, {}, staged_image(p, in)};
    for (int i = 1; i <= in.setup.nodes.count; ++i) {
        NodeSwap n;
        n.number = i;
        n.old_data = in.baseline.bytes.data();
        n.old_size = in.baseline.size();
        const std::string& node_dir = in.setup.nodes.dir[static_cast<size_t>(i)];
        if (!join_path(n.file, kPathCapacity, node_dir, "SFMCONF.DAT")) {
            w.append_line("Copy failed: " + node_dir + " -> " + node_backup_name(i));
            return {};
        }
        tx.nodes.push_back(n);
    }
    const TransactionRun run = run_transaction(p, tx, w);
    AppendResult result;
    result.outcome = run.outcome;
    if (run.outcome == TransactionOutcome::RollbackNotVerified) {
        result.nodes_not_original = run.nodes_not_original;
        w.append_line("DANGER: Nodes that do not hold their original bytes: " + result.nodes_not_original + ".");
        w.append_line("The journal was kept: " + in.journal_path +
                      ". Restart Marlinth to restore these nodes from the verified backups.");
    } else if (run.outcome == TransactionOutcome::Success) {
        const uint32_t planned = static_cast<uint32_t>(in.plan.planned_count);
        w.append_line();
        w.append_line("TRANSACTION RESULT: SUCCESS");
        w.append_line("Appended conferences: " + dec(planned) + " (new total " + dec(in.baseline.count() + planned) +
                      ").");
        w.append_line("NEXT REQUIRED STEP: Keep normal service and QUARRO32 offline. Start Node 1 once with the Test "
                      "Files Upon Boot switch set to Yes so Spitfire creates canonical empty SFMSGxx files in the "
                      "shared MESSAGE directory. Inspect those files before normal service resumes.");
    }
    result.journal_not_removed = finish_transaction(p, tx, run, w);
    return result;
}

}  // namespace marlinth
