// The append transaction. Its safety is proven by breaking it: every file operation fails in
// turn; afterwards every node's SFMCONF.DAT holds exactly its old bytes or exactly the new staged
// bytes, and the backups hold the old bytes. (Crashes and power cuts at every step, with the
// recovery at the next start, are in recovery_test.cpp.) The exact success report is pinned by
// tests/scripts/writer_road.expected.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <utility>

#include "app/writer_commands.h"
#include "core/files.h"
#include "golden_text.h"
#include "support/ready_session.h"

namespace marlinth {
namespace {

using test::Op;
using test::Ready;
using Outcome = TransactionOutcome;
using test::sep;

// Twelve nodes, so the backups need two-digit names. Only the exact YES enables the commit: the
// sysop's tries and the commit's report are in tests/scripts/commit_confirmation.expected. The
// three-node road and the installation around it are checked by writer_road_test.cpp.
TEST(Transaction, SuccessAppendsToEveryNodeWithVerifiedBackupsAndTouchesNothingElse) {
    test::InstallationSpec wanted;
    wanted.nodes = 12;
    Ready r(wanted);
    r.p.fp.reset_counts();
    test::Screen screen(r.p.app(), r.p.view());
    screen.play(test::load_script("commit_confirmation.script"));
    const std::string shown = screen.shown(r.p.dir.path());
    EXPECT_EQ(shown, test::golden("commit_confirmation.expected", shown, {}));
    EXPECT_EQ(r.staged_nodes("success", 12), 12);
    EXPECT_TRUE(r.has("Node12-SFMCONF.DAT"));
    // Only node conference files, the backup root and the program's own files were written;
    // directories above the backup root and the node directories were only flushed.
    const std::string& root = r.p.inst.backup_root;
    const auto& nodes = r.p.inst.nodes;
    for (const std::string& path : r.p.fp.changed_paths()) {
        EXPECT_TRUE(path.find(root) == 0 || root.find(path) == 0 || path.find("SFMCONF.DAT") != std::string::npos ||
                    path.find(r.p.app().files.program_dir) == 0 || std::find(nodes.begin(), nodes.end(), path) != nodes.end())
            << path;
    }
    // A second commit in the same run is refused even when called past the disabled button.
    r.p.view().set_text(ControlId::Confirmation, "YES");
    EXPECT_EQ(r.commit(), Outcome::Refused);
    EXPECT_EQ(r.staged_nodes("second commit", 12), 12);
}

// A staged image that does not read back as written stops the commit before any node is touched.
// (Backups and nodes that read back otherwise are tried on the transaction itself.)
TEST(Transaction, AStagedImageThatDoesNotReadBackAsWrittenStopsTheCommit) {
    Ready r;
    bool once = true;
    r.p.fp.before(Op::OpenRead, [&](const std::string& path) {
        if (path == sep(r.dir(), "STAGED-SFMCONF.DAT") && std::exchange(once, false)) r.p.fb.write_text(path, "not what was written");
    });
    EXPECT_EQ(r.commit(), Outcome::EarlyStop);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(r.node_text(i), r.old_bytes) << i;
}

// A commit that is refused, stops early or rolls back leaves every node with its old bytes. Its
// statuses and box are compared with tests/scripts/writer_commit_failures.expected, and so is the
// report of the rollback that fails (the transaction's own faults are in node_transaction_test).
TEST(Transaction, RefusalsEarlyStopsAndRollbacksKeepEveryNodesOldBytes) {
    const std::vector<std::tuple<const char*, std::function<void(Ready&)>, Outcome>> cases = {
        // Pressed with the wrong text while the button was still enabled.
        {"wrong text", [](Ready& r) { r.p.view().set_text(ControlId::Confirmation, "yes"); }, Outcome::Refused},
        {"stale plan", [](Ready& r) { r.p.view().type(ControlId::MaxMsgLength, "98"), r.p.view().set_text(ControlId::Confirmation, "YES"); },
         Outcome::Refused},
        {"caller logged on since", [](Ready& r) { r.p.fb.write_whoson(sep(sep(r.p.inst.nodes[0], "WORK"), "SFWHOSON.DAT"), {3}); },
         Outcome::Refused},
        {"backup root takes no directory", [](Ready& r) { r.p.fp.fail_nth(Op::CreateDir, 1); }, Outcome::EarlyStop},
        {"the rename onto node 2 fails once", [](Ready& r) { r.p.fp.fail_path(Op::Rename, r.node_file(2), 1, 1); },
         Outcome::RollbackVerified},
        // Node 3 can never be replaced and node 1's rollback fails: only node 1 is named as not
        // holding its original bytes.
        {"node 1 not restorable", [](Ready& r) { r.p.fp.fail_path(Op::Rename, r.node_file(3)), r.p.fp.fail_path(Op::Rename, r.node_file(1), 2); },
         Outcome::RollbackNotVerified},
    };
    std::string all;
    for (const auto& [what, arrange, outcome] : cases) {
        SCOPED_TRACE(what);
        Ready r;
        arrange(r);
        HeadlessView& v = r.p.view();
        v.set_status(StatusLine::Main, "-");
        EXPECT_EQ(r.commit(), outcome);
        const std::string w = r.p.app().writer->str();
        all += "== " + std::string(what) + "\nmain: " + v.status(StatusLine::Main) + "\nwriter: " + v.status(StatusLine::Writer) + "\n";
        for (const RecordedBox& box : v.boxes()) all += box_line(box.icon, box.text) + "\n";
        if (outcome == Outcome::RollbackNotVerified) all += test::tmp_paths(test::plain_lines(w), r.p.dir.path());
        if (r.p.fb.exists(r.dir())) { EXPECT_EQ(r.file("TRANSACTION.txt"), w); }
        EXPECT_FALSE(outcome == Outcome::Refused && r.p.fb.exists(r.dir()));
        EXPECT_EQ(r.staged_nodes(what), outcome == Outcome::RollbackNotVerified ? 1 : 0);
        EXPECT_FALSE(r.p.app().flags.write_completed || r.p.app().flags.preflight_passed);
        // Only an unsettled outcome keeps the journal, for the recovery at the next start.
        EXPECT_EQ(r.p.fb.exists(r.p.app().files.journal_path), outcome == Outcome::RollbackNotVerified);
        if (outcome != Outcome::RollbackVerified) continue;
        // A retry needs a new preflight and a new YES, and goes to a new directory.
        v.click(ControlId::RunPreflight);
        v.type(ControlId::Confirmation, "YES");
        EXPECT_EQ(r.commit(), Outcome::Success);
        EXPECT_TRUE(r.p.fb.exists(sep(r.dir("-01"), "TRANSACTION.txt")));
    }
    EXPECT_EQ(all, test::golden("writer_commit_failures.expected", all, {}));
}

// Every file operation of a commit (the repeated preflight included) fails in turn, each in a
// fresh installation and session: every call that opens, reads, writes, copies, renames or
// deletes a file, makes a directory or takes memory; lookups such as attributes, listings and the
// process list are left out.
//   Once alone: every node then holds its old bytes or the new ones, and the backups the old ones.
//   Once with every call after it failing too (a disk that went away; listings included): the
// report names exactly the nodes that do not hold their original bytes, and never calls a node
// failed while it holds them.
TEST(TransactionFaults, EveryFailingOperationLeavesOldOrNewBytesAndIntactBackups) {
    for (const bool from_then_on : {false, true}) {
        const auto counted = [from_then_on](Op op) {
            const bool lookup = op == Op::FullPath || op == Op::List || op == Op::FindMatch || op == Op::FreeSpace ||
                                op == Op::FolderIdentity;
            return op != Op::Close && op != Op::Attributes && op != Op::Processes && (from_then_on || !lookup);
        };
        std::set<Outcome> seen;
        int n = 1;
        for (;; ++n) {
            Ready r;
            r.p.fp.fail_any_nth(n, counted, from_then_on);
            const Outcome outcome = r.commit();
            if (r.p.fp.injected().empty()) break;
            const auto [op, path] = r.p.fp.injected()[0];
            const std::string w = r.p.app().writer->str();
            const std::string where = "fault " + std::to_string(n) + " (" + op_name(op) + " " + path + ")\n" + w;
            seen.insert(outcome);
            EXPECT_EQ(r.p.app().flags.write_completed, outcome == Outcome::Success) << where;
            EXPECT_FALSE(r.p.app().flags.commit_in_progress || r.p.app().flags.preflight_passed) << where;
            if (from_then_on) {
                std::string changed;
                for (int i = 1; i <= 3; ++i) {
                    const bool original = r.node_text(i) == r.old_bytes;
                    const std::string node = "Node " + std::to_string(i);
                    if (!original) changed += (changed.empty() ? "" : ", ") + node + " (new bytes)";
                    EXPECT_FALSE(original && w.find("ROLLBACK FAILED: " + node + " ") != std::string::npos) << where;
                }
                if (outcome == Outcome::Success) continue;
                EXPECT_EQ(outcome == Outcome::RollbackNotVerified, !changed.empty()) << where;
                if (outcome == Outcome::RollbackNotVerified) {
                    EXPECT_NE(w.find("DANGER: Nodes that do not hold their original bytes: " + changed + ".\r\n"), std::string::npos)
                        << where;
                }
                continue;
            }
            ASSERT_EQ(r.p.fp.injected().size(), 1u) << where;
            EXPECT_EQ(r.staged_nodes(where), outcome == Outcome::Success ? 3 : 0);
            if (outcome == Outcome::Success) {
                // Only what may fail without stopping anything fails on the way to a success: the
                // log, the transaction record, the second read of a message base for its record
                // checks (skipped when it fails; the sizes already passed), and the memory of the
                // link checks' indexes (they fall back to scanning).
                const bool reads_message_base = path.find(r.p.inst.message_dir) == 0 &&
                                                (op == Op::OpenRead || op == Op::FileSize || op == Op::Read);
                const bool settles_journal = path.find(r.p.app().files.program_dir) == 0 && (op == Op::Delete || op == Op::FlushDir);
                const bool records = op == Op::FlushDir && path == r.dir();  // TRANSACTION.txt's directory entry
                EXPECT_TRUE(path.find("Marlinth.log") != std::string::npos || path.find("TRANSACTION.txt") != std::string::npos ||
                            reads_message_base || settles_journal || records || op == Op::Allocate)
                    << where;
            }
            // The record's own write may be the operation that fails: then it is cut short, silently.
            if (outcome != Outcome::Refused && r.has("TRANSACTION.txt")) {
                EXPECT_EQ(w.compare(0, r.file("TRANSACTION.txt").size(), r.file("TRANSACTION.txt")), 0) << where;
            }
        }
        EXPECT_GT(n, 50);
        // Refused by the repeated preflight, early stop, rollback verified, success; and only
        // with more than one fault, a rollback that is not verified.
        EXPECT_GE(seen.size(), 4u);
        EXPECT_EQ(seen.count(Outcome::RollbackNotVerified), from_then_on ? 1u : 0u);
        std::printf("fault points tried%s: %d\n", from_then_on ? ", every call failing from there on" : "", n - 1);
    }
}

}  // namespace
}  // namespace marlinth
