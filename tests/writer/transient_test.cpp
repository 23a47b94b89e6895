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

// What a run leaves: each node's bytes (old or other), the journal, and the report with the
// temporary directory masked.
std::string result_of(Ready& r, const std::string& report) {
    std::string s;
    for (int i = 1; i <= 3; ++i)
        s += "node " + std::to_string(i) + ": " + (r.p.fb.exists(r.node_file(i)) && r.node_text(i) == r.old_bytes ? "old" : "other") + "\n";
    s += r.p.fb.exists(r.p.app().files.journal_path) ? "journal kept\n" : "no journal\n";
    return s + test::tmp_paths(report, r.p.dir.path());
}

// A file busy at call n for `times` tries (-1: that call fails for good, not transiently; 0: none).
void make_busy(test::FaultPlatform& fp, int n, int times) {
    if (times > 0) fp.busy_nth(n, times);
    else if (times < 0) fp.fail_any_nth(n, [](Op op) { return test::is_retryable(op); });
}

TEST(TransientBusy, HeldOnceCompletesAsCleanHeldForGoodEndsAsAFailure) {
    // Held for good: every try the retries make.
    const int for_good = static_cast<int>(RetryingPlatform::kPauses.size()) + 1;
    const struct {
        const char* name;
        std::function<void(Ready&)> arrange;  // before the calls that are counted
        std::function<std::string(Ready&)> act;  // the operation, returning its report; none: the restart's recovery
    } rows[] = {
        {"append", [](Ready&) {}, [](Ready& r) { r.commit(); return r.p.app().writer->str(); }},
        {"restore",
         [](Ready& r) {
             ASSERT_EQ(r.commit(), TransactionOutcome::Success);
             r.p.view().type(ControlId::Confirmation, "YES");
             r.p.view().queue_pick(r.dir());
             r.p.view().queue_answer(BoxAnswer::Yes);
         },
         [](Ready& r) { r.p.view().click(ControlId::RestoreFromBackup); return r.p.app().writer->str(); }},
        {"full MESSAGE backup", [](Ready& r) { r.p.view().set_text(ControlId::WizardBackupRoot, r.p.inst.backup_root); },
         [](Ready& r) {
             r.p.view().queue_answer(BoxAnswer::Yes);
             run_full_message_backup(r.p.app());
             return r.p.app().report->str() + r.p.view().status(StatusLine::Main);
         }},
        // Node 3 could not be replaced and node 1 not rolled back: the journal is kept and the next
        // start undoes the append.
        {"recovery",
         [](Ready& r) {
             r.p.fp.fail_path(Op::Rename, r.node_file(3));
             r.p.fp.fail_path(Op::Rename, r.node_file(1), 2);  // node 1's rollback
             ASSERT_EQ(r.commit(), TransactionOutcome::RollbackNotVerified);
         },
         nullptr},
    };
    for (const auto& row : rows) {
        // What the run left, and how many calls that can be busy it made.
        const auto run = [&](int n, int times) -> std::pair<std::string, int> {
            Ready r;
            row.arrange(r);
            if (!row.act) {
                test::Restart again(r);
                make_busy(again.fp, n, times);
                again.session.start();
                return {result_of(r, again.session.app().writer->str()), again.fp.busy_calls()};
            }
            const int start = r.p.fp.busy_calls();
            make_busy(r.p.fp, n, times);
            const std::string report = row.act(r);
            return {result_of(r, report), r.p.fp.busy_calls() - start};
        };
        const auto [clean, calls] = run(0, 0);
        for (int n = 1; n <= calls; ++n) {
            const std::string where = std::string(row.name) + ", busy at call " + std::to_string(n);
            EXPECT_EQ(run(n, 1).first, clean) << where;
            EXPECT_EQ(run(n, for_good).first, run(n, -1).first) << where;
        }
        EXPECT_GT(calls, 3) << row.name;
        std::printf("%s: %d points tried\n", row.name, calls);
    }
}

}  // namespace
}  // namespace marlinth
#endif
