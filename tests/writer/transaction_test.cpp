// The append transaction. Its safety is proven by breaking it: every file operation fails in
// turn, and the process dies at every file-changing call in turn; afterwards every node's
// SFMCONF.DAT holds exactly its old bytes or exactly the new staged bytes, and the backups hold
// the old bytes.
#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/planned_session.h"
#include "support/tree_snapshot.h"
#include "writer/transaction.h"

namespace marlinth {
namespace {

using test::Op;
using test::PlannedSession;

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }
std::string text_of(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

// A session where the sysop has generated the plan, passed the preflight and typed YES.
class Ready {
public:
    explicit Ready(const test::InstallationSpec& wanted = test::InstallationSpec()) : p(wanted) { prepare(); }
    Ready(const test::Installation& inst, const std::string& na) : p(inst, na, default_areas()) { prepare(); }

    static std::vector<test::AreaSpec> default_areas() {
        return {{"ALPHA", "Net: Alpha"}, {"BETA", "Net: Beta", false, true}, {"GAMMA", "Net: Gamma"}};
    }
    void prepare() {
        old_bytes = text_of(p.fb.read_file(node_file(1)));
        p.view().click(ControlId::GeneratePlan);
        p.view().click(ControlId::RunPreflight);
        if (!p.app().flags.preflight_passed) throw std::runtime_error("fixture preflight failed:\n" + p.app().writer->str());
        p.view().type(ControlId::Confirmation, "YES");
        p.view().clear_boxes();
    }
    std::string node_file(int i) { return sep(p.inst.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    std::string node_text(int i) { return text_of(p.fb.read_file(node_file(i))); }
    std::string transaction_dir(const std::string& suffix = "") {
        return sep(p.inst.backup_root, "MARLINTH_20261205_103000" + suffix);
    }
    std::string file(const std::string& dir, const std::string& name) { return text_of(p.fb.read_file(sep(dir, name))); }
    TransactionOutcome commit() { return commit_transaction(p.app()); }

    PlannedSession p;
    std::string old_bytes;
};

TEST(Transaction, SuccessAppendsToEveryNodeWithVerifiedBackupsAndARecord) {
    Ready r;
    App& app = r.p.app();
    HeadlessView& v = r.p.view();
    const auto before = test::snapshot_tree(r.p.inst.root);
    r.p.fp.reset_counts();
    ASSERT_TRUE(v.enabled(ControlId::CommitAppend));
    v.click(ControlId::CommitAppend);

    const std::string dir = r.transaction_dir();
    const std::string staged = r.file(dir, "STAGED-SFMCONF.DAT");
    ASSERT_EQ(staged.size(), r.old_bytes.size() + 2 * 128);
    EXPECT_EQ(staged.substr(0, r.old_bytes.size()), r.old_bytes);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(r.node_text(i), staged) << "node " << i;
        EXPECT_EQ(r.file(dir, "Node0" + std::to_string(i) + "-SFMCONF.DAT"), r.old_bytes);
        EXPECT_FALSE(r.p.fb.exists(r.node_file(i) + ".MRLNEW"));
    }
    std::vector<ConferenceView> views;
    ASSERT_TRUE(decode_conference_file(reinterpret_cast<const uint8_t*>(staged.data()), static_cast<uint32_t>(staged.size()), views, nullptr));
    EXPECT_EQ(views[6].net_id, "ALPHA");
    EXPECT_EQ(views[7].name, "Net: Gamma");

    std::string expected = "Marlinth v0.4b APPEND-ONLY TRANSACTION\r\n" + std::string(40, '=') +
                           "\r\nAll preflight checks passed immediately before this transaction.\r\nTransaction directory: " + dir + "\r\n";
    for (int i = 1; i <= 3; ++i)
        expected += "Backed up Node " + std::to_string(i) + " -> " + sep(dir, "Node0" + std::to_string(i) + "-SFMCONF.DAT") + "\r\n";
    expected += "Built staged SFMCONF.DAT: 6 existing + 2 appended = 8 records (128 bytes each).\r\n";
    expected += "Staged and verified: " + sep(dir, "STAGED-SFMCONF.DAT") + "\r\n";
    for (int i = 1; i <= 3; ++i) expected += "Committed and verified Node " + std::to_string(i) + " " + r.node_file(i) + "\r\n";
    expected += "\r\nTRANSACTION RESULT: SUCCESS\r\nAppended conferences: 2 (new total 8).\r\n"
                "NEXT REQUIRED STEP: Keep normal service and QUARRO32 offline. Start Node 1 once with the Test Files Upon "
                "Boot switch set to Yes so Spitfire creates canonical empty SFMSGxx files in the shared MESSAGE directory. "
                "Inspect those files before normal service resumes.\r\n";
    EXPECT_EQ(app.writer->str(), expected);
    EXPECT_EQ(r.file(dir, "TRANSACTION.txt"), expected);
    EXPECT_EQ(v.text(ControlId::WriterText), expected);
    EXPECT_NE(app.report->str().find("\r\n" + expected), std::string::npos);

    EXPECT_TRUE(app.flags.write_completed);
    EXPECT_FALSE(app.flags.preflight_passed);
    EXPECT_FALSE(app.flags.commit_in_progress);
    EXPECT_EQ(v.text(ControlId::Confirmation), "");
    EXPECT_EQ(v.status(StatusLine::Writer), "SUCCESS. Export the report, then start Node 1 once with Test Files Upon Boot set to Yes.");
    EXPECT_EQ(v.status(StatusLine::Main), "Append-only SFMCONF transaction completed and verified on every configured node.");
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Information);

    // Only node conference files and the backup root were written in the installation.
    const auto after = test::snapshot_tree(r.p.inst.root);
    EXPECT_EQ(test::without(after, {"SFMCONF.DAT", "SF_BACKUPS"}), test::without(before, {"SFMCONF.DAT", "SF_BACKUPS"}));
    for (const std::string& path : r.p.fp.changed_paths()) {
        const bool allowed = path.find(r.p.inst.backup_root) == 0 || path.find("SFMCONF.DAT") != std::string::npos ||
                             path.find(app.files.program_dir) == 0;
        EXPECT_TRUE(allowed) << path;
    }

    // A second commit in the same run is refused, even with a fresh YES.
    v.type(ControlId::Confirmation, "YES");
    EXPECT_FALSE(v.enabled(ControlId::CommitAppend));
    v.clear_boxes();
    EXPECT_EQ(r.commit(), TransactionOutcome::Refused);
    EXPECT_EQ(v.boxes().at(0).text, "Commit is disabled until Writer Preflight passes and exact YES is entered. Nothing was changed.");
    v.click(ControlId::RunPreflight);
    EXPECT_EQ(v.boxes().back().text,
              "A write already completed in this session. Restart Marlinth after Spitfire creates the new message files.");
    EXPECT_EQ(r.node_text(1), staged);
}

TEST(Transaction, TheTypedConfirmationMustBeExactlyYes) {
    Ready r;
    HeadlessView& v = r.p.view();
    for (const char* typed : {"yes", "YESS", "Yes", "YE S", ""}) {
        v.type(ControlId::Confirmation, typed);
        EXPECT_FALSE(v.enabled(ControlId::CommitAppend)) << typed;
    }
    v.type(ControlId::Confirmation, "\t YES  ");
    EXPECT_TRUE(v.enabled(ControlId::CommitAppend));
    // Pressed anyway with the wrong text (the button was enabled a moment ago): refused, and a
    // new preflight is needed.
    v.set_text(ControlId::Confirmation, "yes");
    v.clear_boxes();
    EXPECT_EQ(r.commit(), TransactionOutcome::Refused);
    EXPECT_EQ(v.status(StatusLine::Writer), "Commit blocked: exact YES was not present. Run Writer Preflight again.");
    EXPECT_EQ(v.boxes().at(0).text, "Type exactly YES only after a fresh Writer Preflight. Nothing was changed.");
    EXPECT_FALSE(r.p.app().flags.preflight_passed);
    EXPECT_EQ(r.node_text(1), r.old_bytes);
}

TEST(Transaction, ACommitWithoutAPassedPreflightIsRefused) {
    Ready r;
    r.p.view().type(ControlId::MaxMsgLength, "98");  // stale: plan and preflight cleared
    r.p.view().set_text(ControlId::Confirmation, "YES");
    EXPECT_EQ(r.commit(), TransactionOutcome::Refused);
    EXPECT_EQ(r.p.view().status(StatusLine::Writer), "Commit blocked: run Writer Preflight again.");
    EXPECT_FALSE(r.p.fb.exists(r.transaction_dir()));
}

TEST(Transaction, TheRepeatedPreflightCatchesAChangeSinceTheLastOne) {
    Ready r;
    r.p.fb.write_whoson(sep(sep(r.p.inst.nodes[0], "WORK"), "SFWHOSON.DAT"), {3});  // a caller logged on meanwhile
    EXPECT_EQ(r.commit(), TransactionOutcome::Refused);
    EXPECT_EQ(r.p.view().status(StatusLine::Writer), "Repeated preflight failed. Review the Writer output and run preflight again.");
    EXPECT_EQ(r.p.view().boxes().at(0).text, "The repeated preflight failed. Nothing was changed.");
    EXPECT_NE(r.p.app().writer->str().find("ERROR: Node 1 is occupied by UserNo 3 (Mode=0x1A)."), std::string::npos);
    EXPECT_FALSE(r.p.fb.exists(r.transaction_dir()));
    EXPECT_EQ(r.node_text(1), r.old_bytes);
}

// Node 2 cannot be replaced at all: the rollback still goes on to node 3 after failing node 2,
// which keeps its old bytes because it was never changed.
TEST(Transaction, TheRollbackRestoresEveryNodeEvenAfterOneFails) {
    Ready r;
    r.p.fp.fail_path(Op::Rename, r.node_file(2));
    EXPECT_EQ(r.commit(), TransactionOutcome::RollbackNotVerified);
    const std::string w = r.p.app().writer->str();
    const std::string expected_tail =
        "Committed and verified Node 1 " + r.node_file(1) + "\r\n" +
        "Atomic replace failed: " + r.node_file(2) + "\r\n" +
        "COMMIT FAILURE at Node 2. Starting rollback for every node.\r\n\r\nROLLBACK\r\n--------\r\n" +
        "Restored and verified Node 1 " + r.node_file(1) + "\r\n" +
        "Atomic replace failed: " + r.node_file(2) + "\r\n" +  // the rename of node 2 still fails
        "ROLLBACK FAILED: Node 2 " + r.node_file(2) + "\r\n" +
        "Restored and verified Node 3 " + r.node_file(3) + "\r\n";
    ASSERT_GE(w.size(), expected_tail.size());
    EXPECT_EQ(w.substr(w.size() - expected_tail.size()), expected_tail);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(r.node_text(i), r.old_bytes) << i;
}

TEST(Transaction, ASingleReplaceFailureEndsInAVerifiedRollback) {
    Ready r;
    r.p.fp.fail_nth(Op::Rename, 2);  // node 2's replace; the rollback's renames succeed
    EXPECT_EQ(r.commit(), TransactionOutcome::RollbackVerified);
    HeadlessView& v = r.p.view();
    EXPECT_EQ(v.status(StatusLine::Writer), "Transaction failed; rollback completed and verified. Review TRANSACTION.txt.");
    EXPECT_EQ(v.status(StatusLine::Main), "Writer transaction failed; rollback completed.");
    EXPECT_EQ(v.boxes().at(0).text, "The transaction failed. All configured nodes were restored and verified from the "
                                    "original bytes. Review the transaction report before retrying.");
    const std::string w = r.p.app().writer->str();
    EXPECT_NE(w.find("Restored and verified Node 1 "), std::string::npos);
    EXPECT_NE(w.find("Restored and verified Node 2 "), std::string::npos);
    EXPECT_NE(w.find("Restored and verified Node 3 "), std::string::npos);
    EXPECT_EQ(r.file(r.transaction_dir(), "TRANSACTION.txt"), w);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(r.node_text(i), r.old_bytes);
    EXPECT_FALSE(r.p.app().flags.write_completed);
    EXPECT_FALSE(r.p.app().flags.preflight_passed);

    // A retry needs a new preflight and a new YES, and goes to a new directory.
    v.click(ControlId::RunPreflight);
    v.type(ControlId::Confirmation, "YES");
    EXPECT_EQ(r.commit(), TransactionOutcome::Success);
    EXPECT_TRUE(r.p.fb.exists(sep(r.transaction_dir("-01"), "TRANSACTION.txt")));
}

TEST(Transaction, AnUnverifiedRollbackSaysDanger) {
    Ready r;
    r.p.fp.fail_nth(Op::Rename, 2);            // node 2's commit
    r.p.fp.fail_path(Op::Flush, "SF3");        // node 3 can never be written
    EXPECT_EQ(r.commit(), TransactionOutcome::RollbackNotVerified);
    HeadlessView& v = r.p.view();
    EXPECT_EQ(v.status(StatusLine::Writer), "DANGER: Transaction failed and rollback was not fully verified. Keep everything "
                                            "offline and restore from the timestamped backups.");
    EXPECT_EQ(v.status(StatusLine::Main), "DANGER: writer transaction and rollback require manual recovery.");
    EXPECT_EQ(v.boxes().at(0).text, "DANGER: The transaction failed and rollback could not be verified on every node. Keep "
                                    "Spitfire and QUARRO32 offline and restore SFMCONF.DAT from the timestamped backups.");
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(r.node_text(i), r.old_bytes);  // node 3 was never touched
}

TEST(Transaction, ABackupRootThatCannotTakeADirectoryStopsBeforeAnyNodeIsTouched) {
    Ready r;
    r.p.fp.fail_nth(Op::CreateDir, 1);
    EXPECT_EQ(r.commit(), TransactionOutcome::EarlyStop);
    HeadlessView& v = r.p.view();
    EXPECT_EQ(v.status(StatusLine::Writer), "Transaction stopped before any active SFMCONF.DAT was changed. Review TRANSACTION.txt.");
    EXPECT_EQ(v.status(StatusLine::Main), "Writer transaction stopped before active files changed.");
    EXPECT_EQ(v.boxes().at(0).text, "The transaction stopped during backup or staging. No active SFMCONF.DAT file was "
                                    "changed. Review the transaction report before retrying.");
    const std::string w = r.p.app().writer->str();
    EXPECT_EQ(w.substr(w.size() - 2 - r.transaction_dir().size()), r.transaction_dir() + "\r\n");
    EXPECT_NE(w.find("Cannot create transaction directory: "), std::string::npos);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(r.node_text(i), r.old_bytes);
}

TEST(Transaction, TwelveNodesAreBackedUpWithTwoDigitNames) {
    test::InstallationSpec wanted;
    wanted.nodes = 12;
    Ready r(wanted);
    ASSERT_EQ(r.commit(), TransactionOutcome::Success);
    EXPECT_EQ(node_backup_name(1), "Node01-SFMCONF.DAT");
    EXPECT_EQ(node_backup_name(12), "Node12-SFMCONF.DAT");
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(r.file(r.transaction_dir(), node_backup_name(i)), r.old_bytes) << i;
}

bool counted(Op op) {
    switch (op) {
    case Op::OpenRead: case Op::OpenExclusive: case Op::CreateNew: case Op::OpenWrite: case Op::FileSize:
    case Op::Read: case Op::Write: case Op::Flush: case Op::Copy: case Op::Delete: case Op::Rename:
    case Op::CreateDir: case Op::Allocate:
        return true;
    default:
        return false;
    }
}

const char* outcome_name(TransactionOutcome o) {
    switch (o) {
    case TransactionOutcome::Refused: return "refused by the repeated preflight";
    case TransactionOutcome::EarlyStop: return "early stop";
    case TransactionOutcome::Success: return "success";
    case TransactionOutcome::RollbackVerified: return "rollback verified";
    case TransactionOutcome::RollbackNotVerified: return "rollback NOT verified";
    }
    return "?";
}

// Every file operation of a commit (the repeated preflight included) fails in turn, each in a
// fresh installation and session.
TEST(TransactionFaults, EveryFailingOperationLeavesOldOrNewBytesAndIntactBackups) {
    int total = 0;
    {
        Ready clean;
        clean.p.fp.fail_any_nth(1000000, counted);
        ASSERT_EQ(clean.commit(), TransactionOutcome::Success);
        total = clean.p.fp.fallible_calls();
    }
    ASSERT_GT(total, 50);
    std::map<TransactionOutcome, int> outcomes;
    std::map<std::string, std::map<TransactionOutcome, int>> by_operation;
    for (int n = 1; n <= total; ++n) {
        Ready r;
        r.p.fp.fail_any_nth(n, counted);
        const TransactionOutcome outcome = r.commit();
        ASSERT_EQ(r.p.fp.injected().size(), 1u) << "fault " << n;
        const auto& [op, path] = r.p.fp.injected()[0];
        const std::string where = std::string(op_name(op)) + " " + path;
        ++outcomes[outcome];
        ++by_operation[op_name(op)][outcome];
        for (int i = 1; i <= 3; ++i) {
            const std::string now = r.node_text(i);
            if (outcome == TransactionOutcome::Success) {
                EXPECT_EQ(now, r.file(r.transaction_dir(), "STAGED-SFMCONF.DAT")) << "fault " << n << " node " << i;
            } else {
                EXPECT_EQ(now, r.old_bytes) << "fault " << n << " (" << where << ") node " << i << "\n"
                                            << r.p.app().writer->str();
            }
            const std::string backup = sep(r.transaction_dir(), node_backup_name(i));
            if (r.p.fb.exists(backup)) {
                EXPECT_EQ(r.file(r.transaction_dir(), node_backup_name(i)), r.old_bytes) << "fault " << n;
            }
        }
        EXPECT_NE(outcome, TransactionOutcome::RollbackNotVerified) << "a single fault cannot break the rollback too";
        EXPECT_EQ(r.p.app().flags.write_completed, outcome == TransactionOutcome::Success);
        EXPECT_FALSE(r.p.app().flags.commit_in_progress);
        EXPECT_FALSE(r.p.app().flags.preflight_passed);
        if (outcome == TransactionOutcome::Success) {
            // Only what may fail without stopping anything fails on the way to a success: the
            // log, the transaction record, the second read of a message base for its record
            // checks (skipped when it fails; the sizes already passed), and the memory of the
            // link checks' indexes (they fall back to scanning).
            const bool reads_message_base = path.find(r.p.inst.message_dir) == 0 &&
                                            (op == Op::OpenRead || op == Op::FileSize || op == Op::Read);
            const bool silent = path.find("Marlinth.log") != std::string::npos ||
                                path.find("TRANSACTION.txt") != std::string::npos || reads_message_base ||
                                op == Op::Allocate;
            EXPECT_TRUE(silent) << "fault " << n << " (" << where << ")";
        }
        if (outcome != TransactionOutcome::Refused && r.p.fb.exists(sep(r.transaction_dir(), "TRANSACTION.txt"))) {
            // The record's own write may be the operation that fails: then it is cut short, silently.
            const std::string record = r.file(r.transaction_dir(), "TRANSACTION.txt");
            EXPECT_EQ(r.p.app().writer->str().compare(0, record.size(), record), 0) << "fault " << n;
        }
    }
    EXPECT_GT(outcomes[TransactionOutcome::Refused], 0);
    EXPECT_GT(outcomes[TransactionOutcome::EarlyStop], 0);
    EXPECT_GT(outcomes[TransactionOutcome::RollbackVerified], 0);
    std::printf("fault points tried: %d, each failing one file operation of a commit in a fresh installation\n", total);
    std::printf("  outcomes:");
    for (const auto& [o, count] : outcomes) std::printf(" %s %d;", outcome_name(o), count);
    std::printf("\n  by operation:\n");
    for (const auto& [op, counts] : by_operation) {
        int sum = 0;
        for (const auto& [o, count] : counts) sum += count;
        std::printf("    %-15s %3d:", op.c_str(), sum);
        for (const auto& [o, count] : counts) std::printf(" %s %d;", outcome_name(o), count);
        std::printf("\n");
    }
}

#ifndef _WIN32
// The process ends at every file-changing call of a commit in turn. Each node's file then holds
// its old or its new bytes; the backups hold the old bytes; and the sysop can recover: restore
// the nodes from the backups when they differ, restart, and commit again.
TEST(TransactionFaults, ACrashAtAnyStepLeavesOldOrNewBytesAndARerunCompletes) {
    int crash_points = 0, reruns = 0;
    for (int n = 1;; ++n) {
        Ready r;
        const int mutating_before = r.p.fp.mutating_calls();
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            r.p.fp.crash_at(mutating_before + n);
            std::_Exit(r.commit() == TransactionOutcome::Success ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        const bool crashed = WEXITSTATUS(status) == test::FaultPlatform::kCrashExitCode;
        std::string staged;
        if (r.p.fb.exists(sep(r.transaction_dir(), "STAGED-SFMCONF.DAT")))
            staged = r.file(r.transaction_dir(), "STAGED-SFMCONF.DAT");
        int new_nodes = 0;
        for (int i = 1; i <= 3; ++i) {
            const std::string now = r.node_text(i);
            if (now != r.old_bytes) {
                EXPECT_EQ(now.size(), r.old_bytes.size() + 256) << "crash " << n << " node " << i;
                EXPECT_EQ(now, staged) << "crash " << n << " node " << i;
                ++new_nodes;
            }
            const std::string backup = sep(r.transaction_dir(), node_backup_name(i));
            if (r.p.fb.exists(backup)) {
                EXPECT_EQ(r.file(r.transaction_dir(), node_backup_name(i)), r.old_bytes);
            }
        }
        if (!crashed) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(new_nodes, 3);
            break;
        }
        ++crash_points;
        if (new_nodes == 3) continue;  // the write itself had completed
        if (new_nodes > 0) {
            for (int i = 1; i <= 3; ++i)  // the manual recovery: the verified backups go back
                std::filesystem::copy_file(sep(r.transaction_dir(), node_backup_name(i)), r.node_file(i),
                                           std::filesystem::copy_options::overwrite_existing);
        }
        Ready again(r.p.inst, r.p.na_path);
        EXPECT_EQ(again.commit(), TransactionOutcome::Success) << "rerun after crash " << n << "\n" << again.p.app().writer->str();
        ++reruns;
        ASSERT_LT(n, 200);
    }
    EXPECT_GT(crash_points, 15);
    std::printf("crash points tried: %d (every file-changing call of a commit); the write had completed at %d, "
                "a rerun after recovery completed at the other %d\n",
                crash_points, crash_points - reruns, reruns);
}
#endif

}  // namespace
}  // namespace marlinth
