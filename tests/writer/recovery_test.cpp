// Recovery from a transaction that never ended: the process is ended, or the power is cut, at
// every file operation of an append, of a restore and of the recovery itself; the program is then
// started again and the recovery question answered Yes. Afterwards every node holds the old
// bytes or every node holds the new bytes, the journal is gone, and the backups are intact.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "golden_text.h"
#include "support/ready_session.h"
#include "support/script_harness.h"
#include "ui/headless/script_runner.h"
#include "writer/journal.h"

namespace marlinth {
namespace {

using test::Op;
using test::Ready;
using test::sep;
using Outcome = TransactionOutcome;

// "old", "new" or "mixed" for the three nodes of a session's installation.
std::string installation_state(Ready& r, const std::string& before, const std::string& after) {
    int old_count = 0, new_count = 0;
    for (int i = 1; i <= 3; ++i) {
        const std::string now = r.p.fb.exists(r.node_file(i)) ? r.node_text(i) : "(missing)";
        old_count += now == before;
        new_count += now == after;
    }
    return old_count == 3 ? "old" : new_count == 3 ? "new" : "mixed";
}

// The program started again on the same installation and program directory, with the answers
// to its start-up boxes queued.
struct Restart {
    Restart(Ready& r, std::vector<BoxAnswer> answers, int crash_at = 0) : fp(*r.p.native), session(fp, r.p.dir / "app", false) {
        LocalTime t;
        t.year = 2026, t.month = 12, t.day = 5, t.hour = 11, t.minute = 0, t.second = 0;
        fp.set_time(t);
        fp.set_processes({});
        for (BoxAnswer a : answers) session.view().queue_answer(a);
        if (crash_at > 0) fp.crash_at(crash_at);
        session.start();
    }
    App& app() { return session.app(); }
    test::FaultPlatform fp;
    HeadlessSession session;
};

#ifndef _WIN32
// What a clean append writes to every node of the default installation.
const std::string& appended_bytes() {
    static const std::string bytes = [] {
        Ready r;
        if (r.commit() != Outcome::Success) throw std::runtime_error("clean commit failed");
        return r.node_text(1);
    }();
    return bytes;
}

// Runs `body` in a child process; true when the child was ended by the injected crash.
bool crashed_in_child(const std::function<void()>& body) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        body();
        std::_Exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    return WEXITSTATUS(status) == test::FaultPlatform::kCrashExitCode;
}

// Every backup in every transaction directory under the backup root holds the bytes it was
// taken from: `before` for an append's, `before` or `after` for a restore's.
int lost_backups(Ready& r, const std::string& before, const std::string& after = "") {
    int lost = 0;
    if (!r.p.fb.exists(r.p.inst.backup_root)) return 0;
    for (const auto& dir : std::filesystem::directory_iterator(r.p.inst.backup_root)) {
        if (!dir.is_directory()) continue;
        for (int i = 1; i <= 3; ++i) {
            const std::string backup = sep(dir.path().string(), node_backup_name(i));
            if (!r.p.fb.exists(backup)) continue;
            const std::string bytes = test::text_of(r.p.fb.read_file(backup));
            if (bytes != before && bytes != after) ++lost;
        }
    }
    return lost;
}

struct SweepFigures {
    int points = 0, mixed = 0, lost = 0, journals_left = 0;
};

// A crash (or a power cut) at file operation n of `operation`, then a restart that answers the
// recovery question Yes; counted into `f`. False once the operation runs to its end.
bool crash_then_recover(int n, bool power_cut, const std::string& before, const std::string& after, SweepFigures& f,
                        const std::function<void(Ready&)>& arrange, const std::function<void(Ready&)>& operation) {
    Ready r;
    arrange(r);
    const int calls_before = r.p.fp.mutating_calls();
    const bool crashed = crashed_in_child([&] {
        if (power_cut) r.p.fp.power_cut_at(calls_before + n, r.p.dir.path());
        else r.p.fp.crash_at(calls_before + n);
        operation(r);
    });
    if (!crashed) return false;
    ++f.points;
    Restart again(r, {BoxAnswer::Yes});
    const std::string state = installation_state(r, before, after);
    const std::string where = (power_cut ? "power cut " : "crash ") + std::to_string(n);
    EXPECT_NE(state, "mixed") << where << "\n" << again.app().writer->str();
    f.mixed += state == "mixed";
    f.lost += lost_backups(r, before, after);
    f.journals_left += r.p.fb.exists(again.app().files.journal_path);
    return true;
}

void sweep(const char* name, bool power_cut, const std::string& before, const std::string& after,
           const std::function<void(Ready&)>& arrange, const std::function<void(Ready&)>& operation) {
    SweepFigures f;
    for (int n = 1; crash_then_recover(n, power_cut, before, after, f, arrange, operation); ++n) ASSERT_LT(n, 400);
    EXPECT_EQ(f.lost, 0);
    EXPECT_EQ(f.journals_left, 0);
    EXPECT_GT(f.points, 20);
    std::printf("%s: %d points tried, %d mixed installations after restart, %d lost backups\n", name, f.points, f.mixed,
                f.lost);
}

void commit_it(Ready& r) { r.commit(); }

TEST(Recovery, AnAppendEndedAtAnyFileOperationIsFinishedOrUndoneAtTheNextStart) {
    const std::string before = Ready().old_bytes, after = appended_bytes();
    sweep("append, process ended", false, before, after, [](Ready&) {}, commit_it);
    sweep("append, power cut", true, before, after, [](Ready&) {}, commit_it);
}

// A restore after a completed append, ended anywhere: the nodes hold the appended bytes (the
// restore undone) or the backup's bytes (the restore finished), never some of each.
TEST(Recovery, ARestoreEndedAtAnyFileOperationIsFinishedOrUndoneAtTheNextStart) {
    const std::string before = Ready().old_bytes, after = appended_bytes();
    const auto committed = [](Ready& r) {
        ASSERT_EQ(r.commit(), Outcome::Success);
        r.p.view().type(ControlId::Confirmation, "YES");
        r.p.view().queue_pick(r.dir());
        r.p.view().queue_answer(BoxAnswer::Yes);
    };
    const auto restore = [](Ready& r) { r.p.view().click(ControlId::RestoreFromBackup); };
    sweep("restore, process ended", false, after, before, committed, restore);
    sweep("restore, power cut", true, after, before, committed, restore);
}

// The recovery itself ended at every file operation, after an append that stopped with node 1
// replaced: the start after that recovers all the same.
TEST(Recovery, ARecoveryEndedAtAnyFileOperationIsCompletedAtTheStartAfter) {
    const std::string before = Ready().old_bytes, after = appended_bytes();
    int points = 0, mixed = 0;
    for (int m = 1;; ++m) {
        Ready r;
        // The first file operation after node 1's replacement: node 1 new, nodes 2 and 3 old.
        r.p.fp.before(Op::Rename, [&](const std::string& path) {
            if (path == r.node_file(2)) {
                std::fflush(nullptr);
                std::_Exit(test::FaultPlatform::kCrashExitCode);
            }
        });
        ASSERT_TRUE(crashed_in_child([&] { r.commit(); }));
        ASSERT_EQ(r.node_text(1), after);
        if (!crashed_in_child([&] { Restart during(r, {BoxAnswer::Yes}, m); })) break;
        ++points;
        Restart again(r, {BoxAnswer::Yes});
        const std::string state = installation_state(r, before, after);
        EXPECT_EQ(state, "old") << "recovery ended at " << m << "\n" << again.app().writer->str();
        mixed += state == "mixed";
        EXPECT_FALSE(r.p.fb.exists(again.app().files.journal_path));
        EXPECT_EQ(lost_backups(r, before), 0);
        ASSERT_LT(m, 100);
    }
    EXPECT_GT(points, 3);
    std::printf("recovery, process ended: %d points tried, %d mixed installations after restart\n", points, mixed);
}
#endif

// Every file operation of a commit fails, and every one after it too (a disk that went away).
// The report names exactly the nodes that do not hold their original bytes, and never calls a
// node failed while it holds them.
TEST(Recovery, WhenEveryOperationFailsFromSomePointOnTheReportNamesExactlyTheChangedNodes) {
    const auto counted = [](Op op) { return op != Op::Close && op != Op::Attributes && op != Op::Processes; };
    int total = 0;
    {
        Ready clean;
        clean.p.fp.fail_any_nth(1000000, counted);
        ASSERT_EQ(clean.commit(), Outcome::Success);
        total = clean.p.fp.fallible_calls();
    }
    int danger = 0;
    for (int n = 1; n <= total; ++n) {
        Ready r;
        r.p.fp.fail_any_nth(n, counted, true);
        const Outcome outcome = r.commit();
        const std::string w = r.p.app().writer->str();
        std::string changed;
        for (int i = 1; i <= 3; ++i) {
            const bool original = r.node_text(i) == r.old_bytes;
            const std::string node = "Node " + std::to_string(i);
            if (!original) changed += (changed.empty() ? "" : ", ") + node + " (new bytes)";
            EXPECT_FALSE(original && w.find("ROLLBACK FAILED: " + node + " ") != std::string::npos) << "fault " << n << "\n" << w;
        }
        if (outcome == Outcome::Success) continue;
        EXPECT_EQ(outcome == Outcome::RollbackNotVerified, !changed.empty()) << "fault " << n << "\n" << w;
        if (outcome != Outcome::RollbackNotVerified) continue;
        ++danger;
        EXPECT_NE(w.find("DANGER: Nodes that do not hold their original bytes: " + changed + ".\r\n"), std::string::npos)
            << "fault " << n << "\n" << w;
    }
    EXPECT_GT(danger, 0);
    std::printf("persistent faults tried: %d, of which %d left nodes that the report named\n", total, danger);
}

// Restore from Backup checks the chosen directory whole before anything is written, and puts a
// completed append back on every node as a transaction of its own.
TEST(Recovery, RestoreFromBackupRefusesAnIncompleteSetAndUndoesAnAppend) {
    Ready r;
    ASSERT_EQ(r.commit(), Outcome::Success);
    const std::string appended = r.node_text(1);
    HeadlessView& v = r.p.view();
    const auto restore_from = [&](const std::string& dir) {
        v.clear_boxes();
        v.type(ControlId::Confirmation, "YES");
        v.queue_pick(dir);
        v.queue_answer(BoxAnswer::Yes);
        v.click(ControlId::RestoreFromBackup);
    };
    const std::string copy = sep(r.p.dir.path(), "COPY");
    const struct { const char* what; std::function<void()> spoil; const char* line; } refusals[] = {
        {"missing", [&] { std::filesystem::remove(sep(copy, "Node02-SFMCONF.DAT")); }, "ERROR: Missing backup for Node 2: "},
        {"short", [&] { r.p.fb.write_text(sep(copy, "Node02-SFMCONF.DAT"), r.old_bytes.substr(0, 200)); },
         "Not a valid conference file: "},
        {"mismatched", [&] { r.p.fb.write_text(sep(copy, "Node03-SFMCONF.DAT"), appended); },
         "ERROR: Backup differs from Node 1's backup: "},
        {"one node too many", [&] { r.p.fb.write_text(sep(copy, "Node04-SFMCONF.DAT"), r.old_bytes); },
         "ERROR: The directory holds a backup for Node 4, which is not configured: "},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(copy);
        std::filesystem::copy(r.dir(), copy);
        c.spoil();
        const auto roots_before = std::distance(std::filesystem::directory_iterator(r.p.inst.backup_root), {});
        restore_from(copy);
        EXPECT_NE(r.p.app().writer->str().find(c.line), std::string::npos) << r.p.app().writer->str();
        ASSERT_EQ(v.boxes().size(), 1u);
        EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Error);
        EXPECT_EQ(installation_state(r, appended, ""), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(r.p.inst.backup_root), {}), roots_before);
    }
    // Without YES the command does nothing at all; with it, the append is undone.
    v.type(ControlId::Confirmation, "yes");
    EXPECT_FALSE(v.click(ControlId::RestoreFromBackup));
    restore_from(r.dir());
    EXPECT_EQ(installation_state(r, r.old_bytes, ""), "old") << r.p.app().writer->str();
    const std::string undo = r.dir("-01");
    EXPECT_EQ(test::text_of(r.p.fb.read_file(sep(undo, "Node03-SFMCONF.DAT"))), appended);
    EXPECT_NE(test::text_of(r.p.fb.read_file(sep(undo, "RESTORE.txt"))).find("RESTORE RESULT: SUCCESS"), std::string::npos);
    EXPECT_FALSE(r.p.fb.exists(r.p.app().files.journal_path));
    EXPECT_TRUE(r.p.app().flags.write_completed);
    EXPECT_EQ(v.boxes().back().icon, BoxIcon::Information);
}

// What the sysop sees at start-up for each kind of journal, compared with
// tests/scripts/recovery.expected: finished, never started, mixed (declined, then accepted),
// damaged; and the preflight while a journal waits.
TEST(Recovery, StartUpTellsTheSysopWhatTheJournalFoundAndWhatWasDone) {
    Ready r;
    ASSERT_EQ(r.commit(), Outcome::Success);
    const std::string appended = r.node_text(1);
    App& app = r.p.app();
    Journal journal;
    journal.transaction_dir = r.dir();
    for (int i = 1; i <= 3; ++i)
        journal.nodes.push_back({r.node_file(i), sep(r.dir(), node_backup_name(i)),
                                 fingerprint_of(reinterpret_cast<const uint8_t*>(r.old_bytes.data()), static_cast<uint32_t>(r.old_bytes.size())),
                                 fingerprint_of(reinterpret_cast<const uint8_t*>(appended.data()), static_cast<uint32_t>(appended.size()))});
    const std::string journal_path = app.files.journal_path;
    const std::string home = app.files.program_dir;
    const struct { const char* what; std::string journal; std::string node2; const char* script; } cases[] = {
        {"finished", journal_text(journal), appended, "print status\n"},
        {"never started", journal_text(journal), "", "print status\n"},
        {"mixed, declined", journal_text(journal), r.old_bytes, "answer no\nprint status\nclick 301\nchoose 100 7\nclick 182\nprint buffer writer\nprint status\n"},
        {"mixed, recovered", journal_text(journal), r.old_bytes, "answer yes\nprint status\nprint buffer writer\n"},
        {"damaged", journal_text(journal).substr(0, 500), appended, "print status\n"},
    };
    std::string all;
    for (const auto& c : cases) {
        r.p.fb.write_text(journal_path, c.journal);
        for (int i = 1; i <= 3; ++i)
            r.p.fb.write_text(r.node_file(i), c.node2.empty() ? r.old_bytes : i == 2 ? c.node2 : appended);
        all += std::string("== ") + c.what + "\n" + test::run_script(r.p.fp, home, c.script).output;
    }
    // A box's line breaks on lines of their own, so that a path before one reads the same on
    // every platform.
    for (size_t at = all.find("\\n"); at != std::string::npos; at = all.find("\\n", at)) all.replace(at, 2, "\n    ");
    all = test::tmp_paths(all, r.p.dir.path());
    EXPECT_EQ(all, test::golden("recovery.expected", all, {}));
}

}  // namespace
}  // namespace marlinth
