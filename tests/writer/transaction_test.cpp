// The append transaction. Its safety is proven by breaking it: every file operation fails in
// turn; afterwards every node's SFMCONF.DAT holds exactly its old bytes or exactly the new staged
// bytes, and the backups hold the old bytes. (Crashes and power cuts at every step, with the
// recovery at the next start, are in recovery_test.cpp.) The exact success report is pinned by
// tests/scripts/writer_road.expected.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "app/writer_commands.h"
#include "golden_text.h"
#include "support/ready_session.h"
#include "support/script_harness.h"
#include "ui/headless/script_runner.h"

namespace marlinth {
namespace {

using test::Op;
using Outcome = TransactionOutcome;

using test::Ready;
using test::sep;

// Twelve nodes, so the backups need two-digit names. The three-node road, its report and the
// installation around it are checked by writer_road_test.cpp.
TEST(Transaction, SuccessAppendsToEveryNodeWithVerifiedBackupsAndTouchesNothingElse) {
    test::InstallationSpec wanted;
    wanted.nodes = 12;
    Ready r(wanted);
    App& app = r.p.app();
    r.p.fp.reset_counts();
    ASSERT_EQ(r.commit(), Outcome::Success);
    const std::string staged = r.file("STAGED-SFMCONF.DAT");
    ASSERT_EQ(staged.size(), r.old_bytes.size() + 2 * 128);
    EXPECT_EQ(staged.find("Net: Beta"), std::string::npos);  // awaits review and stays out
    EXPECT_EQ(r.staged_nodes("success", 12), 12);
    EXPECT_EQ(r.file("Node01-SFMCONF.DAT") + r.file("Node12-SFMCONF.DAT"), r.old_bytes + r.old_bytes);
    // Only node conference files, the backup root and the program's own files were written;
    // directories above the backup root and the node directories were only flushed.
    const auto& nodes = r.p.inst.nodes;
    for (const std::string& path : r.p.fp.changed_paths()) {
        EXPECT_TRUE(path.find(r.p.inst.backup_root) == 0 || path.find("SFMCONF.DAT") != std::string::npos ||
                    path.find(app.files.program_dir) == 0 || r.p.inst.backup_root.find(path) == 0 ||
                    std::find(nodes.begin(), nodes.end(), path) != nodes.end()) << path;
    }
    // A second commit in the same run is refused even when called past the disabled button.
    r.p.view().type(ControlId::Confirmation, "YES");
    EXPECT_EQ(r.commit(), Outcome::Refused);
    EXPECT_EQ(r.node_text(1), staged);
}

TEST(Transaction, OnlyExactYesEnablesTheCommit) {
    Ready r;
    for (const char* typed : {"yes", "YESS", "Yes", "YE S", "", "\t YES  "}) {
        r.p.view().type(ControlId::Confirmation, typed);
        EXPECT_EQ(r.p.view().enabled(ControlId::CommitAppend), typed[0] == '\t') << typed;
    }
}

// A commit that is refused, stops early or rolls back leaves every node with its old bytes. Its
// statuses, box and report are compared with tests/scripts/writer_commit_failures.expected.
TEST(Transaction, RefusalsEarlyStopsAndRollbacksKeepEveryNodesOldBytes) {
    const std::vector<std::tuple<const char*, std::function<void(Ready&)>, Outcome>> cases = {
        // Pressed with the wrong text while the button was still enabled.
        {"wrong text", [](Ready& r) { r.p.view().set_text(ControlId::Confirmation, "yes"); }, Outcome::Refused},
        {"stale plan", [](Ready& r) { r.p.view().type(ControlId::MaxMsgLength, "98"), r.p.view().set_text(ControlId::Confirmation, "YES"); },
         Outcome::Refused},
        {"caller logged on since", [](Ready& r) { r.p.fb.write_whoson(sep(sep(r.p.inst.nodes[0], "WORK"), "SFWHOSON.DAT"), {3}); },
         Outcome::Refused},
        {"backup root takes no directory", [](Ready& r) { r.p.fp.fail_nth(Op::CreateDir, 1); }, Outcome::EarlyStop},
        // The journal is the first rename, node 1 the second.
        {"node 2 replace fails once", [](Ready& r) { r.p.fp.fail_nth(Op::Rename, 3); }, Outcome::RollbackVerified},
        // Node 2 can never be replaced: the rollback fails there too, but node 2 still holds its
        // old bytes, so the rollback counts as verified.
        {"node 2 never replaceable", [](Ready& r) { r.p.fp.fail_path(Op::Rename, r.node_file(2)); }, Outcome::RollbackVerified},
        // Node 3 can never be replaced and node 1's rollback fails: only node 1 is named as not
        // holding its original bytes.
        {"node 1 not restorable", [](Ready& r) { r.p.fp.fail_path(Op::Rename, r.node_file(3)), r.p.fp.fail_nth(Op::Rename, 5); },
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
        all += test::tmp_paths(test::plain_lines(w), r.p.dir.path());
        if (r.p.fb.exists(r.dir())) { EXPECT_EQ(r.file("TRANSACTION.txt"), w); }
        EXPECT_FALSE(outcome == Outcome::Refused && r.p.fb.exists(r.dir()));
        EXPECT_EQ(r.staged_nodes(what), outcome == Outcome::RollbackNotVerified ? 1 : 0);
        EXPECT_FALSE(r.p.app().flags.write_completed || r.p.app().flags.preflight_passed);
        // Only an unsettled outcome keeps the journal, for the recovery at the next start.
        EXPECT_EQ(r.p.fb.exists(r.p.app().files.journal_path), outcome == Outcome::RollbackNotVerified);
        if (outcome != Outcome::RollbackVerified || std::string(what) == "node 2 never replaceable") continue;
        // A retry needs a new preflight and a new YES, and goes to a new directory.
        v.click(ControlId::RunPreflight);
        v.type(ControlId::Confirmation, "YES");
        EXPECT_EQ(r.commit(), Outcome::Success);
        EXPECT_TRUE(r.p.fb.exists(sep(r.dir("-01"), "TRANSACTION.txt")));
    }
    EXPECT_EQ(all, test::golden("writer_commit_failures.expected", all, {}));
}

// Every call that opens, reads, writes, copies, renames or deletes a file, makes a directory or
// takes memory; lookups such as attributes, listings and the process list are left out.
bool counted(Op op) {
    return op != Op::Close && op != Op::Attributes && op != Op::FullPath && op != Op::List && op != Op::FindMatch &&
           op != Op::FreeSpace && op != Op::Processes;
}

// Every file operation of a commit (the repeated preflight included) fails in turn, each in a
// fresh installation and session.
TEST(TransactionFaults, EveryFailingOperationLeavesOldOrNewBytesAndIntactBackups) {
    int total = 0;
    {
        Ready clean;
        clean.p.fp.fail_any_nth(1000000, counted);
        ASSERT_EQ(clean.commit(), Outcome::Success);
        total = clean.p.fp.fallible_calls();
    }
    ASSERT_GT(total, 50);
    const std::map<Outcome, const char*> names = {{Outcome::Refused, "refused by the repeated preflight"},
        {Outcome::EarlyStop, "early stop"}, {Outcome::RollbackVerified, "rollback verified"}, {Outcome::Success, "success"},
        {Outcome::RollbackNotVerified, "rollback NOT verified"}};
    std::map<Outcome, int> outcomes;
    for (int n = 1; n <= total; ++n) {
        Ready r;
        r.p.fp.fail_any_nth(n, counted);
        const Outcome outcome = r.commit();
        ASSERT_EQ(r.p.fp.injected().size(), 1u) << "fault " << n;
        const auto& [op, path] = r.p.fp.injected()[0];
        const std::string where = "fault " + std::to_string(n) + " (" + op_name(op) + " " + path + ")";
        ++outcomes[outcome];
        EXPECT_EQ(r.staged_nodes(where), outcome == Outcome::Success ? 3 : 0) << r.p.app().writer->str();
        EXPECT_NE(outcome, Outcome::RollbackNotVerified) << "a single fault cannot break the rollback too; " << where;
        EXPECT_EQ(r.p.app().flags.write_completed, outcome == Outcome::Success);
        EXPECT_FALSE(r.p.app().flags.commit_in_progress || r.p.app().flags.preflight_passed);
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
        if (outcome != Outcome::Refused && r.has("TRANSACTION.txt")) {
            // The record's own write may be the operation that fails: then it is cut short, silently.
            const std::string record = r.file("TRANSACTION.txt");
            EXPECT_EQ(r.p.app().writer->str().compare(0, record.size(), record), 0) << where;
        }
    }
    std::printf("fault points tried: %d, each failing one file operation of a commit in a fresh installation\n ", total);
    for (const auto& [o, count] : outcomes) std::printf(" %s %d;", names.at(o), count);
    std::printf("\n");
    for (const auto& [o, name] : names)
        if (o != Outcome::RollbackNotVerified) { EXPECT_GT(outcomes[o], 0) << name; }
}

}  // namespace
}  // namespace marlinth
