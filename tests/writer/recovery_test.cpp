// Recovery from a transaction that never ended: the process is ended, or the power is cut, at
// every file operation of an append, of a restore and of the recovery itself; the program is then
// started again and its recovery question answered Yes. Afterwards every node holds the old
// bytes or every node holds the new bytes, the journal is gone, and the backups are intact.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "golden_text.h"
#include "support/ready_session.h"
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

#ifndef _WIN32
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

// Backups in any transaction directory that hold neither `before` nor `after`.
int lost_backups(Ready& r, const std::string& before, const std::string& after) {
    int lost = 0;
    if (!r.p.fb.exists(r.p.inst.backup_root)) return 0;
    for (const auto& dir : std::filesystem::directory_iterator(r.p.inst.backup_root))
        for (int i = 1; i <= 3; ++i) {
            const std::string backup = sep(dir.path().string(), node_backup_name(i));
            if (!r.p.fb.exists(backup)) continue;
            const std::string bytes = test::text_of(r.p.fb.read_file(backup));
            lost += bytes != before && bytes != after;
        }
    return lost;
}

// Each row ends its operation at file operation n = 1, 2, ... in a child process until one runs
// to its end; after each, a restart must leave every node with `before` or every node with
// `after`, no journal and every backup intact. The recovery row must undo, so its `after` is its
// `before`.
TEST(Recovery, AnAppendARestoreOrARecoveryEndedAtAnyFileOperationIsSettledAtTheNextStart) {
    using Run = std::function<void(Ready&)>;
    Ready clean;
    ASSERT_EQ(clean.commit(), Outcome::Success);
    const std::string before = clean.old_bytes, after = clean.node_text(1);
    const auto ended = [](Run op) { return [=](Ready& r, int n) { r.p.fp.crash_at(r.p.fp.mutating_calls() + n), op(r); }; };
    const auto cut = [](Run op) {
        return [=](Ready& r, int n) { r.p.fp.power_cut_at(r.p.fp.mutating_calls() + n, r.p.dir.path()), op(r); };
    };
    const Run commit = [](Ready& r) { r.commit(); }, restore = [](Ready& r) { r.p.view().click(ControlId::RestoreFromBackup); };
    const Run committed = [](Ready& r) {
        ASSERT_EQ(r.commit(), Outcome::Success);
        r.p.view().type(ControlId::Confirmation, "YES");
        r.p.view().queue_pick(r.dir());
        r.p.view().queue_answer(BoxAnswer::Yes);
    };
    // The append ends just before node 2 is replaced: node 1 new, nodes 2 and 3 old.
    const Run node1_replaced = [&](Ready& r) {
        r.p.fp.before(Op::Rename, [&r](const std::string& path) {
            if (path == r.node_file(2)) std::fflush(nullptr), std::_Exit(test::FaultPlatform::kCrashExitCode);
        });
        ASSERT_TRUE(crashed_in_child([&] { r.commit(); }));
        ASSERT_EQ(r.node_text(1), after);
    };
    const struct { const char* name; std::string before, after; Run arrange; std::function<void(Ready&, int)> end_at; } rows[] = {
        {"append, process ended", before, after, [](Ready&) {}, ended(commit)},
        {"append, power cut", before, after, [](Ready&) {}, cut(commit)},
        {"restore, process ended", after, before, committed, ended(restore)},
        {"restore, power cut", after, before, committed, cut(restore)},
        {"recovery, process ended", before, before, node1_replaced,
         [](Ready& r, int n) { test::Restart during(r); during.fp.crash_at(n), during.session.start(); }},
    };
    for (const auto& row : rows) {
        int points = 0;
        for (int n = 1; n < 400; ++n) {
            Ready r;
            row.arrange(r);
            if (!crashed_in_child([&] { row.end_at(r, n); })) break;
            ++points;
            test::Restart again(r);
            again.session.start();
            const std::string where = row.name + (" at " + std::to_string(n)) + "\n" + again.session.app().writer->str();
            EXPECT_NE(installation_state(r, row.before, row.after), "mixed") << where;
            EXPECT_EQ(lost_backups(r, row.before, row.after), 0) << where;
            EXPECT_FALSE(r.p.fb.exists(r.p.app().files.journal_path)) << where;
        }
        EXPECT_GT(points, 3) << row.name;
        std::printf("%s: %d points tried\n", row.name, points);
    }
}
#endif

// Restore from Backup checks the chosen directory whole before anything is written, and puts a
// completed append back on every node as a transaction of its own. What the sysop sees of each
// refusal and restore is in tests/scripts/restore_from_backup.expected.
TEST(Recovery, RestoreFromBackupRefusesAnIncompleteSetAndUndoesAnAppend) {
    Ready r;
    ASSERT_EQ(r.commit(), Outcome::Success);
    const std::string appended = r.node_text(1), copy = sep(r.p.dir.path(), "COPY");
    const std::vector<std::string> parts = test::script_parts(test::load_script("restore_from_backup.script"));
    const test::ScriptVars vars = {{"COPY", copy}, {"TRANSACTION", r.dir()}};
    auto screen = std::make_unique<test::Screen>(r.p.app(), r.p.view());
    std::filesystem::copy(r.dir(), copy);
    std::filesystem::remove(sep(copy, "Node02-SFMCONF.DAT"));
    screen->play(parts[0], vars);
    EXPECT_EQ(installation_state(r, appended, ""), "old");
    EXPECT_FALSE(r.p.fb.exists(r.dir("-01")));  // nothing was backed up either
    // Node 1 was started once: the appended conferences #7 and #8 have message files, which the
    // restore leaves in MESSAGE and names, with what they block.
    for (const char* name : {"SFMSG07.PTR", "SFMSG07.IDX", "SFMSG08.PTR"}) r.p.fb.write_text(sep(r.p.inst.message_dir, name), "");
    screen->play(parts[1], vars);
    // (The new backups and RESTORE.txt, which is the report shown here, are checked on the transaction.)
    EXPECT_EQ(installation_state(r, r.old_bytes, ""), "old") << r.p.app().writer->str();
    EXPECT_TRUE(!r.p.fb.exists(r.p.app().files.journal_path) && r.p.app().flags.write_completed);
    std::string shown = screen->shown(r.p.dir.path());
    screen.reset();

    // A restore that cannot put node 1 back keeps its journal for the recovery at the next start.
    Ready f;
    ASSERT_EQ(f.commit(), Outcome::Success);
    f.p.fp.fail_path(Op::Rename, f.node_file(3));
    f.p.fp.fail_path(Op::Rename, f.node_file(1), 2);  // node 1's rollback
    shown += test::Screen(f.p.app(), f.p.view()).play(parts[2], {{"TRANSACTION", f.dir()}}).shown(f.p.dir.path());
    EXPECT_TRUE(f.p.fb.exists(f.p.app().files.journal_path));
    EXPECT_NE(f.p.app().writer->str().find("RESTORE RESULT: DANGER: Nodes that do not hold their bytes from before the "
                                           "restore: Node 1 (new bytes). The journal was kept."),
              std::string::npos);
    EXPECT_EQ(shown, test::golden("restore_from_backup.expected", shown, {}));
}

// A restore that fails leaves every node as the append left it and says so, never RESTORED: a
// stop while the current files are backed up, and a failed rename onto the last node put back.
TEST(Recovery, ARestoreThatFailsSaysHowItEndedAndLeavesTheAppendInPlace) {
    const struct {
        const char* fault;
        Op op;
        const char* status;
    } cases[] = {
        {"the copy of node 3's backup", Op::Copy, "Restore stopped before any node file was changed. Review RESTORE.txt."},
        {"the rename onto node 3", Op::Rename, "Restore failed; every node was put back and verified. Review RESTORE.txt."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Ready r;
        ASSERT_EQ(r.commit(), Outcome::Success);
        const std::string appended = r.node_text(1);
        r.p.fp.fail_path(c.op, c.op == Op::Rename ? r.node_file(3) : std::string("Node03-"));
        r.p.view().type(ControlId::Confirmation, "YES");
        r.p.view().queue_pick(r.dir());
        r.p.view().queue_answer(BoxAnswer::Yes);
        r.p.view().click(ControlId::RestoreFromBackup);
        EXPECT_EQ(r.p.view().status(StatusLine::Writer), c.status) << r.p.app().writer->str();
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(r.node_text(i), appended) << i;
        EXPECT_FALSE(r.p.fb.exists(r.p.app().files.journal_path));
    }
}

// What the sysop sees at start-up for each kind of journal, compared with
// tests/scripts/recovery.expected: finished, never started, mixed (declined, then accepted),
// damaged, a restore's journal (finished; mixed, declined) with its own advice and words; and the
// preflight while a journal waits, opened at its first ERROR.
TEST(Recovery, StartUpTellsTheSysopWhatTheJournalFoundAndWhatWasDone) {
    Ready r;
    ASSERT_EQ(r.commit(), Outcome::Success);
    const std::string appended = r.node_text(1);
    const auto fingerprint = [](const std::string& b) {
        return fingerprint_of(reinterpret_cast<const uint8_t*>(b.data()), static_cast<uint32_t>(b.size()));
    };
    Journal journal;
    journal.transaction_dir = r.dir();
    for (int i = 1; i <= 3; ++i)
        journal.nodes.push_back({r.node_file(i), sep(r.dir(), node_backup_name(i)), fingerprint(r.old_bytes), fingerprint(appended)});
    const std::string text = journal_text(journal);
    journal.kind = JournalKind::Restore;  // the same bytes, recorded by a restore: its own advice and words
    const std::string restore_text = journal_text(journal);
    // Node 2's bytes (the others hold the appended bytes), or "" for the old bytes everywhere. With
    // `leftovers`, the interruption also left the staging files of node 3 (the last) and of the
    // journal, which go once the nodes are settled, and only then.
    const std::string staging3 = r.node_file(3) + std::string(kStagingSuffix),
                      journal_staging = r.p.app().files.journal_path + std::string(kStagingSuffix);
    const struct { const char* what; std::string journal, node2; const char* script; bool leftovers = false; } cases[] = {
        // A finished append counts as written: the preflight refuses to run it again.
        {"finished", text, appended, "print status\nclick 301\nchoose 100 7\nclick 182\nprint shown 207\n", true},
        {"never started", text, "", "print status\n", true},
        {"mixed, declined", text, r.old_bytes, "answer no\nprint status\nclick 301\nchoose 100 7\nclick 182\nprint shown 207\nprint status\n", true},
        {"mixed, recovered", text, r.old_bytes, "answer yes\nprint status\nprint buffer writer\n", true},
        {"damaged", text.substr(0, 500), appended, "print status\n"},
        {"restore, finished", restore_text, appended, "print status\n"},
        {"restore, mixed, declined", restore_text, r.old_bytes, "answer no\nprint status\n"},
    };
    std::string all;
    for (const auto& c : cases) {
        r.p.fb.write_text(r.p.app().files.journal_path, c.journal);
        for (int i = 1; i <= 3; ++i) r.p.fb.write_text(r.node_file(i), c.node2.empty() ? r.old_bytes : i == 2 ? c.node2 : appended);
        for (const std::string& staging : {staging3, journal_staging})
            if (c.leftovers) r.p.fb.write_text(staging, "half");
        all += std::string("== ") + c.what + "\n" + test::run_script(r.p.fp, r.p.app().files.program_dir, c.script).output;
        const bool settled = !r.p.fb.exists(r.p.app().files.journal_path);
        for (const std::string& staging : {staging3, journal_staging}) {
            EXPECT_EQ(r.p.fb.exists(staging), c.leftovers && !settled) << c.what << " " << staging;
            r.p.fb.remove_file(staging);
        }
    }
    all = test::open_boxes(test::tmp_paths(all, r.p.dir.path()));
    EXPECT_EQ(all, test::golden("recovery.expected", all, {}));
}

}  // namespace
}  // namespace marlinth
