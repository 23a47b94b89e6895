// The writer's transactions called directly on a real installation: the node transaction shared by
// the append and Restore, Restore's checks, and the recovery's verdict and undo. Each fault is
// named by what it hits ("the rename onto node 3"), and every check over the nodes is tried on
// the last node as well as the first.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "core/config.h"
#include "core/files.h"
#include "core/strings.h"
#include "fixture/installation.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "writer/recovery.h"
#include "writer/restore.h"
#include "writer/transaction.h"

namespace marlinth {
namespace {

using test::Op;
using Outcome = TransactionOutcome;

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }

// Three nodes of a generated installation. Each node starts with bytes of its own, so that a
// rollback that puts one node's bytes on another is seen.
struct Site {
    Site() {
        fp.set_time({2026, 12, 5, 10, 30, 0});
        fp.set_processes({});
        inst = test::build_installation(*native, dir / "BBS", {});
        setup = parse_configuration(test::config_text_for(inst));
        fb.make_dir(dir / "app");
        journal = dir / "app" + std::string(1, kPathSeparator) + kJournalName;
        for (int i = 1; i <= 3; ++i) {
            old.push_back(read(node_file(i)) + (i == 1 ? "" : std::string(128 * (i - 1), static_cast<char>('0' + i))));
            fb.write_text(node_file(i), old.back());
        }
    }
    std::string node_file(int i) const { return sep(inst.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    std::string read(const std::string& path) {
        const auto bytes = fb.read_file(path);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string tx_dir(const std::string& suffix = "") { return sep(inst.backup_root, "MARLINTH_20261205_103000" + suffix); }
    // "old new other" for the three nodes, measured against their old bytes and `image`.
    std::string states(const std::string& image) {
        std::string out;
        for (int i = 1; i <= 3; ++i) {
            const std::string now = fb.exists(node_file(i)) ? read(node_file(i)) : "";
            out += std::string(i > 1 ? " " : "") + (now == old[static_cast<size_t>(i - 1)] ? "old" : now == image ? "new" : "other");
        }
        return out;
    }
    ByteBuffer buffer(const std::string& text) {
        ByteBuffer b;
        b.allocate(*native, static_cast<uint32_t>(text.size()));
        std::copy(text.begin(), text.end(), b.data());
        return b;
    }

    test::TempDir dir;
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    test::FixtureBuilder fb{*native};
    test::Installation inst;
    SetupState setup;
    std::string journal;
    std::vector<std::string> old;  // node 1 first
};

struct TransactionCase {
    const char* fault;
    std::function<void(Site&)> arrange;
    Outcome outcome;
    const char* nodes_after;     // each node's bytes afterwards
    const char* not_original;    // what the report names as not settled
    bool journal_kept = false;
};

// Writes `text` into a file just before the platform is asked to act on it, once: a disk that
// does not keep what it was given.
void spoil_before(Site& s, Op op, const std::string& target, const std::string& written) {
    auto once = std::make_shared<bool>(true);
    s.fp.before(op, [&s, target, written, once](const std::string& path) {
        if (path == target && *once) *once = false, s.fb.write_text(written, "not what was written");
    });
}

TEST(NodeTransaction, EachFaultEndsWithEveryNodeOldOrNewAndTheReportNamesWhatIsNot) {
    const std::string staging = std::string(kStagingSuffix);
    const TransactionCase cases[] = {
        {"none", [](Site&) {}, Outcome::Success, "new new new", ""},
        {"the transaction directory", [](Site& s) { s.fp.fail_path(Op::CreateDir, "MARLINTH_"); }, Outcome::EarlyStop, "old old old", ""},
        {"the backup root's flush", [](Site& s) { s.fp.fail_path(Op::FlushDir, "SF_BACKUPS"); }, Outcome::EarlyStop, "old old old", ""},
        {"the copy of node 3's backup", [](Site& s) { s.fp.fail_path(Op::Copy, "Node03-"); }, Outcome::EarlyStop, "old old old", ""},
        {"node 3's backup read back otherwise",
         [](Site& s) { spoil_before(s, Op::OpenRead, sep(s.tx_dir(), "Node03-SFMCONF.DAT"), sep(s.tx_dir(), "Node03-SFMCONF.DAT")); },
         Outcome::EarlyStop, "old old old", ""},
        {"the journal's flush", [](Site& s) { s.fp.fail_path(Op::Flush, kJournalName); }, Outcome::EarlyStop, "old old old", ""},
        {"the rename onto node 1", [](Site& s) { s.fp.fail_path(Op::Rename, s.node_file(1)); }, Outcome::RollbackVerified, "old old old", ""},
        {"the rename onto node 3", [](Site& s) { s.fp.fail_path(Op::Rename, s.node_file(3)); }, Outcome::RollbackVerified, "old old old", ""},
        {"node 3 read back otherwise",
         [staging](Site& s) { spoil_before(s, Op::Rename, s.node_file(3), s.node_file(3) + staging); },
         Outcome::RollbackVerified, "old old old", ""},
        {"the rename onto node 3, and node 1's rollback",
         [](Site& s) { s.fp.fail_path(Op::Rename, s.node_file(3)), s.fp.fail_path(Op::Rename, s.node_file(1), 2); },
         Outcome::RollbackNotVerified, "new old old", "Node 1 (new bytes)", true},
        {"node 3 read back otherwise, and its rollback",
         [staging](Site& s) {
             spoil_before(s, Op::Rename, s.node_file(3), s.node_file(3) + staging);
             s.fp.fail_path(Op::Rename, s.node_file(3), 2);
         },
         Outcome::RollbackNotVerified, "old old other", "Node 3 (other bytes)", true},
        {"the journal's removal", [](Site& s) { s.fp.fail_path(Op::Delete, kJournalName); }, Outcome::Success, "new new new", "", true},
    };
    for (const TransactionCase& c : cases) {
        SCOPED_TRACE(c.fault);
        Site s;
        const std::string image = s.old[0] + std::string(128, 'N');
        const ByteBuffer image_bytes = s.buffer(image);
        TransactionInputs in{kAppendWords, s.inst.backup_root, s.journal, {}, {}, &image_bytes};
        for (int i = 1; i <= 3; ++i) {
            const std::string& old = s.old[static_cast<size_t>(i - 1)];
            in.nodes.push_back({i, s.node_file(i), "", reinterpret_cast<const uint8_t*>(old.data()), static_cast<uint32_t>(old.size())});
        }
        c.arrange(s);
        auto report = TextBuffer::create();
        const TransactionRun run = run_transaction(s.fp, in, *report);
        const std::string why = finish_transaction(s.fp, in, run, *report);
        const std::string w = report->str();
        EXPECT_EQ(run.outcome, c.outcome) << w;
        EXPECT_EQ(s.states(image), c.nodes_after) << w;
        EXPECT_EQ(run.nodes_not_original, c.not_original) << w;
        EXPECT_EQ(s.fb.exists(s.journal), c.journal_kept) << w;
        EXPECT_EQ(why.empty(), std::string(c.fault) != "the journal's removal") << why;
        // Every backup made holds its own node's old bytes; the record is the whole report.
        for (int i = 1; i <= 3; ++i) {
            const std::string backup = sep(s.tx_dir(), node_backup_name(i));
            if (s.fb.exists(backup) && std::string(c.fault) != "node 3's backup read back otherwise") {
                EXPECT_EQ(s.read(backup), s.old[static_cast<size_t>(i - 1)]) << i;
            }
        }
        if (run.dir_created) { EXPECT_EQ(s.read(sep(s.tx_dir(), "TRANSACTION.txt")), w); }
        EXPECT_EQ(run.dir_created, s.fb.exists(s.tx_dir()));
    }
}

// A backup directory as an append leaves it: every node's SFMCONF.DAT before the append, which
// had five conferences where the nodes now hold six.
struct RestoreSite : Site {
    RestoreSite() {
        for (int i = 1; i <= 3; ++i) fb.write_text(node_file(i), old[0]);
        old = {old[0], old[0], old[0]};
        before = old[0].substr(0, old[0].size() - 128);
        fb.make_dir(tx_dir());
        for (int i = 1; i <= 3; ++i) fb.write_text(sep(tx_dir(), node_backup_name(i)), before);
    }
    std::string before;
};

TEST(Restore, EveryBackupAndEveryNodeIsCheckedBeforeAnythingIsWritten) {
    namespace fs = std::filesystem;
    const auto read_only = [](int node) {
        return [node](RestoreSite& s) { fs::permissions(s.node_file(node), fs::perms::owner_read, fs::perm_options::replace); };
    };
    const struct {
        const char* what;
        std::function<void(RestoreSite&)> spoil;
        const char* error;  // "" for a ready check
        bool usable = false;
    } cases[] = {
        {"a clean backup directory", [](RestoreSite&) {}, "", true},
        {"node 3's backup missing", [](RestoreSite& s) { s.fb.remove_file(sep(s.tx_dir(), "Node03-SFMCONF.DAT")); },
         "ERROR: Missing backup for Node 3: "},
        {"node 1's backup too short", [](RestoreSite& s) { s.fb.write_text(sep(s.tx_dir(), "Node01-SFMCONF.DAT"), s.before.substr(0, 200)); },
         "ERROR: Not a valid conference file: "},
        // One byte of a name, so the lengths agree: the bytes are compared, not the sizes.
        {"node 3's backup differs from node 1's", [](RestoreSite& s) { std::string b = s.before; b[4] ^= 1; s.fb.write_text(sep(s.tx_dir(), "Node03-SFMCONF.DAT"), b); },
         "ERROR: Backup differs from Node 1's backup: "},
        {"a backup for node 4", [](RestoreSite& s) { s.fb.write_text(sep(s.tx_dir(), "Node04-SFMCONF.DAT"), s.before); },
         "ERROR: The directory holds a backup for Node 4, which is not configured: "},
        {"node 1 read-only", read_only(1), "ERROR: Node 1 cannot be replaced: "},
        {"node 3 read-only", read_only(3), "ERROR: Node 3 cannot be replaced: "},
        {"node 3 unreadable", [](RestoreSite& s) { s.fp.fail_path(Op::OpenRead, s.node_file(3)); },
         "ERROR: Node 3 cannot be read, so it cannot be backed up: "},
        {"a caller on a node", [](RestoreSite& s) { s.fb.write_whoson(sep(sep(s.inst.nodes[0], "WORK"), "SFWHOSON.DAT"), {3}); },
         "ERROR: ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RestoreSite s;
        c.spoil(s);
        auto report = TextBuffer::create();
        const RestoreCheck check = check_restore(s.fp, s.setup, s.tx_dir(), *report);
        const std::string w = report->str();
        fs::permissions(s.node_file(1), fs::perms::owner_all, fs::perm_options::add);
        fs::permissions(s.node_file(3), fs::perms::owner_all, fs::perm_options::add);
        EXPECT_EQ(check.usable, c.usable) << w;
        EXPECT_EQ(check.ready(), *c.error == 0) << w;
        EXPECT_EQ(w.find("RESTORE RESULT: REFUSED") != std::string::npos, !check.ready()) << w;
        if (*c.error) { EXPECT_NE(w.find(c.error), std::string::npos) << w; }
        EXPECT_TRUE(s.fp.changed_paths().empty()) << s.fp.changed_paths()[0];
        if (!check.ready()) continue;
        // The sixth conference goes; its message base stays in MESSAGE and is named.
        EXPECT_EQ(check.conferences_lost, 1u);
        EXPECT_EQ(check.left_in_place, std::vector<std::string>{"SFMSG06"});
        const RestoreResult result = run_restore_transaction(s.fp, s.setup, s.journal, check, *report);
        EXPECT_EQ(result.outcome, Outcome::Success) << report->str();
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(s.read(s.node_file(i)), s.before) << i;
        EXPECT_EQ(s.read(sep(s.tx_dir("-01"), node_backup_name(3))), s.old[0]);
        EXPECT_EQ(s.read(sep(s.tx_dir("-01"), "RESTORE.txt")), report->str());
        EXPECT_FALSE(s.fb.exists(s.journal));
    }
}

// An interrupted append on three nodes, its journal written; each case leaves the nodes as an
// interruption or a sysop could.
struct Interrupted : Site {
    Interrupted() {
        image = old[0] + std::string(128, 'N');
        fb.make_dir(tx_dir());
        Journal j;
        j.transaction_dir = tx_dir();
        for (int i = 1; i <= 3; ++i) {
            const std::string& bytes = old[static_cast<size_t>(i - 1)];
            fb.write_text(sep(tx_dir(), node_backup_name(i)), bytes);
            j.nodes.push_back({node_file(i), sep(tx_dir(), node_backup_name(i)), print(bytes), print(image)});
        }
        fb.write_text(sep(tx_dir(), "TRANSACTION.txt"), "the append's record\r\n");
        fb.write_text(journal, journal_text(j));
    }
    static FileFingerprint print(const std::string& b) {
        return fingerprint_of(reinterpret_cast<const uint8_t*>(b.data()), static_cast<uint32_t>(b.size()));
    }
    // "old new other missing" for nodes `from` .. 3.
    void put(const std::string& nodes, int from) {
        const std::string what = nodes.substr(0, nodes.find(' '));
        const std::string file = node_file(from);
        if (what == "missing") fb.remove_file(file);
        else fb.write_text(file, what == "old" ? old[static_cast<size_t>(from - 1)] : what == "new" ? image : "other");
        if (from < 3) put(nodes.substr(nodes.find(' ') + 1), from + 1);
    }
    std::string image;
};

TEST(Recovery, TheVerdictComesFromTheJournalAndEveryNodesBytes) {
    const struct {
        const char* nodes;
        RecoveryVerdict verdict;
        const char* not_old;
    } cases[] = {
        {"new new new", RecoveryVerdict::Finished, ""},
        {"old old old", RecoveryVerdict::NothingChanged, ""},
        {"new new old", RecoveryVerdict::UndoNeeded, "Node 1 (new bytes), Node 2 (new bytes)"},
        {"old old new", RecoveryVerdict::UndoNeeded, "Node 3 (new bytes)"},
        {"new old old", RecoveryVerdict::UndoNeeded, "Node 1 (new bytes)"},
        {"old old other", RecoveryVerdict::UndoNeeded, "Node 3 (other bytes)"},
        {"old old missing", RecoveryVerdict::UndoNeeded, "Node 3 (missing or unreadable)"},
        {"new new missing", RecoveryVerdict::UndoNeeded, "Node 1 (new bytes), Node 2 (new bytes), Node 3 (missing or unreadable)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nodes);
        Interrupted s;
        s.put(c.nodes, 1);
        auto w = TextBuffer::create();
        const InterruptedTransaction found = assess_interrupted_transaction(s.fp, s.journal, *w);
        EXPECT_EQ(found.verdict, c.verdict) << w->str();
        if (c.verdict != RecoveryVerdict::UndoNeeded) {
            const std::string why = settle_interrupted_transaction(s.fp, found, s.journal, *w);
            EXPECT_TRUE(why.empty()) << why;
            EXPECT_FALSE(s.fb.exists(s.journal));
            const std::string record = s.read(sep(s.tx_dir(), c.verdict == RecoveryVerdict::Finished ? "TRANSACTION.txt" : "RECOVERY.txt"));
            EXPECT_NE(record.find(c.verdict == RecoveryVerdict::Finished ? "the append's record\r\n\r\nRECOVERY\r\n--------\r\nJournal: "
                                                                         : "No node had been changed"),
                      std::string::npos)
                << record;
            continue;
        }
        EXPECT_EQ(found.not_old, c.not_old);
        const UndoResult undo = undo_interrupted_transaction(s.fp, s.setup, found, s.journal, *w);
        EXPECT_EQ(undo.outcome, UndoOutcome::Restored) << w->str();
        EXPECT_EQ(s.states(s.image), "old old old") << w->str();
        EXPECT_FALSE(s.fb.exists(s.journal));
        EXPECT_EQ(s.read(sep(s.tx_dir(), "RECOVERY.txt")), w->str());
    }
}

// The undo's refusals: nothing is written, and the journal stays for the next start.
TEST(Recovery, AnUndoThatCannotBeTrustedChangesNothingAndKeepsTheJournal) {
    const struct {
        const char* what;
        std::function<void(Interrupted&)> spoil;
        UndoOutcome outcome;
        const char* line;
    } cases[] = {
        {"node 1's backup does not match the journal",
         [](Interrupted& s) { s.fb.write_text(sep(s.tx_dir(), node_backup_name(1)), s.old[0] + "x"); }, UndoOutcome::NotRestored,
         "ERROR: Backup does not match the journal: "},
        {"node 3's backup does not match the journal",
         [](Interrupted& s) { s.fb.write_text(sep(s.tx_dir(), node_backup_name(3)), "x"); }, UndoOutcome::NotRestored,
         "ERROR: Backup does not match the journal: "},
        {"a caller on a node", [](Interrupted& s) { s.fb.write_whoson(sep(sep(s.inst.nodes[0], "WORK"), "SFWHOSON.DAT"), {3}); },
         UndoOutcome::NotStarted, "RECOVERY RESULT: NOT STARTED. No node file was changed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Interrupted s;
        s.put("new new other", 1);
        auto w = TextBuffer::create();
        const InterruptedTransaction found = assess_interrupted_transaction(s.fp, s.journal, *w);
        c.spoil(s);
        const UndoResult undo = undo_interrupted_transaction(s.fp, s.setup, found, s.journal, *w);
        EXPECT_EQ(undo.outcome, c.outcome);
        EXPECT_NE(w->str().find(c.line), std::string::npos) << w->str();
        EXPECT_EQ(s.states(s.image), "new new other");
        EXPECT_TRUE(s.fb.exists(s.journal));
    }
    // A journal cut short cannot be used, but still names its transaction directory.
    Interrupted s;
    const std::string text = s.read(s.journal);
    s.fb.write_text(s.journal, text.substr(0, text.size() / 2));
    auto w = TextBuffer::create();
    const InterruptedTransaction found = assess_interrupted_transaction(s.fp, s.journal, *w);
    EXPECT_EQ(found.verdict, RecoveryVerdict::CannotRead);
    EXPECT_EQ(found.journal.transaction_dir, s.tx_dir());
    EXPECT_NE(w->str().find("ERROR: The journal cannot be used: "), std::string::npos) << w->str();
}

}  // namespace
}  // namespace marlinth
