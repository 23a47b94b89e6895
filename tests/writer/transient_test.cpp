// A file that another program holds for a moment (an antivirus scanner or the indexer opening a
// fresh file, as on a sysop's Windows box) at any call of a commit, a restore, a full MESSAGE
// backup or a recovery. Held once, the operation completes exactly as a clean run does; held
// for good, it ends exactly as a failure of that call ends without retries.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "app/full_backup_commands.h"
#include "core/retrying_platform.h"
#include "support/ready_session.h"
#include "support/script_walk.h"

// The retries are the same code on every platform; the sweep's thousands of sessions run in the
// native suite only (under Wine they would add minutes and prove nothing more).
#ifndef _WIN32
namespace marlinth {
namespace {

using test::Op;
using test::Ready;
using test::sep;

// What a run leaves: each node's bytes (old, new or other), the journal, the writer's report
// with the temporary directory masked, and the main status.
std::string result_of(Ready& r, const std::string& before, const std::string& report) {
    std::string s;
    for (int i = 1; i <= 3; ++i) {
        const std::string now = r.p.fb.exists(r.node_file(i)) ? r.node_text(i) : "(missing)";
        s += "node " + std::to_string(i) + ": " + (now == before ? "old" : now == r.old_bytes ? "start" : "other") + "\n";
    }
    s += r.p.fb.exists(r.p.app().files.journal_path) ? "journal kept\n" : "no journal\n";
    return s + test::tmp_paths(report, r.p.dir.path());
}

// A restart of the program on the same installation, through the retrying platform, with its
// recovery question answered Yes.
struct RetryingRestart {
    explicit RetryingRestart(Ready& r) : fp(*r.p.native), retrying(fp), session(retrying, r.p.dir / "app", false) {
        fp.set_time({2026, 12, 5, 11, 0, 0});
        fp.set_processes({});
        session.view().queue_answer(BoxAnswer::Yes);
    }
    test::FaultPlatform fp;
    RetryingPlatform retrying;
    HeadlessSession session;
};

// A run with a file busy at call n for `times` tries (with `times` -1: that call fails for good,
// not transiently; 0: a clean run): what it left, and how many calls it made that can be busy.
struct BusyRun {
    std::string result;
    int calls = 0;
};
struct Row {
    const char* name;
    std::function<void(Ready&)> arrange;  // before the calls that are counted
    std::function<BusyRun(Ready&, int n, int times)> run;
};

void make_busy(test::FaultPlatform& fp, int n, int times) {
    if (times > 0) fp.busy_nth(n, times);
    else if (times < 0) fp.fail_any_nth(n, [](Op op) { return test::is_retryable(op); });
}

TEST(TransientBusy, HeldOnceCompletesAsCleanHeldForGoodEndsAsAFailure) {
    // Held for good: every try the retries make.
    const int for_good = static_cast<int>(RetryingPlatform::kPauses.size()) + 1;
    // The calls the session's platform counted from `start` on.
    const auto counted = [](Ready& r, int start, std::string result) { return BusyRun{std::move(result), r.p.fp.busy_calls() - start}; };
    const Row rows[] = {
        {"append", [](Ready&) {},
         [&](Ready& r, int n, int times) {
             const int start = r.p.fp.busy_calls();
             make_busy(r.p.fp, n, times);
             r.commit();
             return counted(r, start, result_of(r, r.old_bytes, r.p.app().writer->str()));
         }},
        {"restore",
         [](Ready& r) {
             ASSERT_EQ(r.commit(), TransactionOutcome::Success);
             r.p.view().type(ControlId::Confirmation, "YES");
             r.p.view().queue_pick(r.dir());
             r.p.view().queue_answer(BoxAnswer::Yes);
         },
         [&](Ready& r, int n, int times) {
             const int start = r.p.fp.busy_calls();
             make_busy(r.p.fp, n, times);
             r.p.view().click(ControlId::RestoreFromBackup);
             return counted(r, start, result_of(r, r.old_bytes, r.p.app().writer->str()));
         }},
        {"full MESSAGE backup",
         [](Ready& r) { r.p.view().set_text(ControlId::WizardBackupRoot, r.p.inst.backup_root); },
         [&](Ready& r, int n, int times) {
             const int start = r.p.fp.busy_calls();
             make_busy(r.p.fp, n, times);
             r.p.view().queue_answer(BoxAnswer::Yes);
             run_full_message_backup(r.p.app());
             return counted(r, start, result_of(r, r.old_bytes, r.p.app().report->str() + r.p.view().status(StatusLine::Main)));
         }},
        // Node 3 could not be replaced and node 1 not rolled back: the journal is kept and the next
        // start undoes the append.
        {"recovery",
         [](Ready& r) {
             r.p.fp.fail_path(Op::Rename, r.node_file(3));
             r.p.fp.fail_path(Op::Rename, r.node_file(1), 2);  // node 1's rollback
             ASSERT_EQ(r.commit(), TransactionOutcome::RollbackNotVerified);
         },
         [&](Ready& r, int n, int times) {
             RetryingRestart again(r);
             make_busy(again.fp, n, times);
             again.session.start();
             return BusyRun{result_of(r, r.old_bytes, again.session.app().writer->str()), again.fp.busy_calls()};
         }},
    };
    for (const Row& row : rows) {
        int points = 0, completed = 0, as_failure = 0;
        const auto fresh_run = [&](int n, int times) {
            Ready r;
            row.arrange(r);
            return row.run(r, n, times);
        };
        const BusyRun clean = fresh_run(0, 0);
        for (int n = 1; n <= clean.calls; ++n) {
            ++points;
            const std::string once = fresh_run(n, 1).result, held = fresh_run(n, for_good).result,
                              failed = fresh_run(n, -1).result;
            const std::string where = std::string(row.name) + ", busy at call " + std::to_string(n);
            completed += once == clean.result;
            as_failure += held == failed;
            EXPECT_EQ(once, clean.result) << where;
            EXPECT_EQ(held, failed) << where;
        }
        EXPECT_GT(points, 3) << row.name;
        std::printf("%s: %d points tried, %d completed as clean, %d held for good ended as a failure\n", row.name, points,
                    completed, as_failure);
    }
}

}  // namespace
}  // namespace marlinth
#endif
