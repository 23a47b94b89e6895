// The full MESSAGE backup: a verified copy of the shared tree, refused while anything may be
// writing to it, never following a directory link, never overwriting, and never touching the
// source. Its failures are provoked on purpose: a busy system, a bad root, a full disk, a tree
// that changes under the copy, a copy that breaks half-way and paths that do not fit. The texts
// of a successful run are pinned by tests/scripts/wizard.expected.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>

#include "app/full_backup_commands.h"
#include "support/planned_session.h"
#include "support/script_harness.h"
#include "support/tree_snapshot.h"
#include "writer/full_backup.h"

namespace marlinth {
namespace {

namespace fs = std::filesystem;
using test::Op;

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }

// Counted independently of the code under test.
uint64_t bytes_in(const std::string& root) {
    uint64_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) n += e.file_size();
    return n;
}

// An inspected installation whose MESSAGE tree also holds nested folders (one of them empty),
// with the wizard's backup root typed in.
struct Backup {
    test::PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    std::string message = p.inst.message_dir, root = p.inst.backup_root;

    Backup() {
        p.fb.write_file(sep(sep(message, "ATTACH"), "PICTURE.GIF"), std::vector<uint8_t>(3000, 0x47));
        p.fb.write_text(sep(sep(sep(message, "ATTACH"), "OLD"), "README.TXT"), "kept\r\n");
        p.fb.make_dir(sep(message, "EMPTY"));
        v.set_text(ControlId::WizardBackupRoot, "  " + root + "\t");
    }
    // The sysop clicks Create Full MESSAGE Backup Now and answers the question.
    void run(bool yes = true) {
        v.clear_boxes();
        v.queue_answer(yes ? BoxAnswer::Yes : BoxAnswer::No);
        run_full_message_backup(app);
    }
    std::string transaction(const std::string& suffix = "") { return sep(root, "MARLINTH_20261205_103000" + suffix); }
    std::string destination(const std::string& suffix = "") { return sep(transaction(suffix), "FULL-MESSAGE"); }
    std::string output() { return v.text(ControlId::WizardBackupText); }
    // The command ended in an error box holding exactly what the output view shows, and left the
    // backup flag as it was.
    void expect_failed_with(const std::string& text, bool verified_before = false) {
        EXPECT_EQ(output(), text);
        ASSERT_FALSE(v.boxes().empty());
        EXPECT_EQ(v.boxes().back().icon, BoxIcon::Error);
        EXPECT_EQ(v.boxes().back().text, text);
        EXPECT_EQ(v.status(StatusLine::Main), "Full MESSAGE backup did not complete. Review the wizard's backup output.");
        EXPECT_EQ(app.flags.full_backup_verified, verified_before);
    }
};

TEST(FullBackup, ACopyEqualToTheSourceIsRecordedAndAnswerNoChangesNothing) {
    Backup b;
    b.p.fp.reset_counts();
    b.run(false);
    EXPECT_FALSE(b.app.flags.full_backup_verified || b.p.fb.exists(b.root));
    EXPECT_EQ(b.p.fp.calls(Op::Copy) + b.p.fp.calls(Op::List), 0);

    b.app.flags.existing_backup_confirmed = true;
    const auto source = test::snapshot_tree(b.message);
    b.run();
    // The same relative tree, byte for byte, empty folder included; the source untouched.
    EXPECT_EQ(test::snapshot_tree(b.destination()), source);
    EXPECT_EQ(test::snapshot_tree(b.message), source);
    const auto record = b.p.fb.read_file(sep(b.transaction(), "FULL-MESSAGE-BACKUP.txt"));
    EXPECT_EQ(std::string(record.begin(), record.end()), "Marlinth v0.4b full MESSAGE backup\r\nSource: " + b.message +
                                                             "\r\nDestination: " + b.destination() + "\r\nFiles: 26\r\nBytes: " +
                                                             std::to_string(bytes_in(b.message)) + "\r\n");
    // The new backup replaces the sysop's statement; the root came trimmed into the setup.
    EXPECT_TRUE(b.app.flags.full_backup_verified && !b.app.flags.existing_backup_confirmed);
    EXPECT_EQ(b.app.full_backup_location, b.destination());
    EXPECT_EQ(b.app.setup.backup_root, b.root);
    for (const std::string& path : b.p.fp.changed_paths())  // only the backup root and the program's log
        EXPECT_TRUE(path.find(b.root) == 0 || path.find(b.app.files.program_dir) == 0) << path;
}

// A busy system, a bad root or a full disk: refused before anything is copied. The checks are
// the writer preflight's, whose every rule preflight_test.cpp tries; one busy case shows the
// whole output.
TEST(FullBackup, ABusySystemABadRootOrAFullDiskIsRefusedBeforeAnythingIsCopied) {
    const std::vector<std::tuple<const char*, std::function<void(Backup&)>, std::string>> cases = {
        {"tosser running", [](Backup& b) { b.p.fp.set_processes({"explorer.exe", "QUARRO32.EXE"}); },
         "INFO: Spitfire node-status file (default Node 1 WORK): ${WHOSON}\r\nPASS: SFWHOSON.DAT node check: 4 record(s); no "
         "occupied Spitfire callers found.\r\nNOTICE: SFWHOSON.DAT cannot prove that idle Spitfire node processes are closed. "
         "Manually close every node window before commit.\r\nINFO: NTVDM.EXE is not running; SFWHOSON.DAT remains the "
         "authoritative Spitfire node check.\r\nERROR: QUARRO32.EXE is running. Shut down the tosser.\r\nNOTICE: No known iREX "
         "process name was detected. This does not prove that another external mailer is stopped; manually stop every "
         "mailer/tosser before commit.\r\nPASS: QUARRO.BSY is absent.\r\n\r\nFULL BACKUP BLOCKED. Correct every item above, "
         "close all node windows, and try again."},
        // A copy into the tree it copies.
        {"root in MESSAGE", [](Backup& b) { b.v.set_text(ControlId::WizardBackupRoot, sep(b.message, "BACKUPS")); },
         "ERROR: Backup root must be separate from the shared MESSAGE directory."},
        // Room for the tree, a 5% margin and 16 MiB, less one byte.
        {"disk one byte short", [](Backup& b) { b.p.fp.set_free_space(bytes_in(b.message) * 21 / 20 + 16777216 - 1); },
         "Not enough free space for a safe full MESSAGE backup.\r\n\r\nMESSAGE size: 12 KB\r\nAvailable: 16.0 MB"},
    };
    for (const auto& [what, arrange, expected] : cases) {
        SCOPED_TRACE(what);
        const bool disk = std::string(what) == "disk one byte short";
        Backup b;
        arrange(b);
        b.p.fp.reset_counts();
        b.run();
        b.expect_failed_with(test::substitute(expected, {{"WHOSON", sep(sep(b.p.inst.nodes[0], "WORK"), "SFWHOSON.DAT")}}));
        EXPECT_EQ(b.p.fp.calls(Op::Copy), 0);
        EXPECT_FALSE(b.p.fb.exists(b.transaction()) || b.p.fb.exists(sep(b.message, "BACKUPS")));
        EXPECT_EQ(b.p.fb.exists(b.root), disk);  // the other checks come before the root is even probed
        if (!disk) continue;
        b.p.fp.set_free_space(bytes_in(b.message) * 21 / 20 + 16777216);  // one byte more is enough
        b.run();
        EXPECT_TRUE(b.app.flags.full_backup_verified);
        // A volume that cannot say how much room it has is no better than a full one. The backup
        // made a moment ago still counts.
        b.p.fp.fail_nth(Op::FreeSpace, 1);
        b.run();
        b.expect_failed_with("Cannot determine free space for backup destination: " + b.root, true);
        EXPECT_EQ(b.app.full_backup_location, b.destination());
    }
}

TEST(FullBackup, ADirectoryLinkInTheTreeIsRefusedDuringTheScanAndTheCopy) {
    Backup b;
    const std::string elsewhere = sep(b.p.dir.path(), "ELSEWHERE"), link = sep(sep(b.message, "ATTACH"), "LINKED");
    const std::string copy = sep(b.p.dir.path(), "COPY");
    b.p.fb.write_text(sep(elsewhere, "OTHER.DAT"), "not part of MESSAGE");
    std::error_code ec;
    fs::create_directory_symlink(elsewhere, link, ec);
    if (ec || !b.app.platform.attributes(link).reparse_point) GTEST_SKIP() << "no directory link reported as a reparse point here";
    b.p.fp.reset_counts();
    b.run();
    const std::string refusal = "Refusing to follow directory reparse point during backup: " + link;
    b.expect_failed_with(refusal);
    EXPECT_FALSE(b.p.fp.calls(Op::Copy) || b.p.fb.exists(b.transaction()));
    // The copy refuses it on its own too, should the link appear after the scan.
    TreeTotals copied;
    b.app.scratch->reset();
    EXPECT_FALSE(copy_tree_new(b.app.platform, b.message, copy, copied, b.app.scratch.get()));
    EXPECT_EQ(b.app.scratch->str(), refusal + "\r\n");
    EXPECT_FALSE(fs::exists(sep(sep(copy, "ATTACH"), "LINKED")));
}

TEST(FullBackup, ATreeThatChangesUnderTheCopyFailsVerificationAndKeepsTheCopy) {
    Backup b;
    // A file appears after the scan, just as the transaction directory is made.
    b.p.fp.before(Op::CreateDir, [&](const std::string& path) {
        if (path.find("MARLINTH_") != std::string::npos) b.p.fb.write_text(sep(b.message, "LATE.MSG"), "arrived late");
    });
    b.run();
    b.expect_failed_with("Full MESSAGE backup verification failed.");
    EXPECT_TRUE(b.p.fb.exists(sep(b.destination(), "LATE.MSG")));  // the copy is kept, not cleaned away
    EXPECT_FALSE(b.p.fb.exists(sep(b.transaction(), "FULL-MESSAGE-BACKUP.txt")));

    // Files that grow after the copy listed them: the counts taken from the listings still
    // agree, and only the scan of the finished copy shows the extra bytes.
    b.p.fp.before(Op::CreateDir, [](const std::string&) {});
    bool grown = false;
    b.p.fp.before(Op::Copy, [&](const std::string&) {
        for (const auto& e : fs::directory_iterator(b.message)) {
            if (grown || !e.is_regular_file()) continue;
            auto bytes = b.p.fb.read_file(e.path().string());
            bytes.push_back('+');
            b.p.fb.write_file(e.path().string(), bytes);
        }
        grown = true;
    });
    b.run();
    ASSERT_TRUE(grown);
    b.expect_failed_with("Full MESSAGE backup verification failed.");
    EXPECT_TRUE(fs::is_directory(b.destination("-01")));  // a second backup in the same second gets its own directory
}

TEST(FullBackup, ACopyThatBreaksHalfWayStopsAndKeepsWhatWasCopied) {
    Backup b;
    b.p.fp.reset_counts();
    b.p.fp.fail_nth(Op::Copy, 3);
    b.run();
    const std::string out = b.output(), prefix = "Full MESSAGE backup copy failed: " + b.message;
    const size_t arrow = out.find(" -> ");
    ASSERT_TRUE(out.rfind(prefix, 0) == 0 && arrow != std::string::npos) << out;
    const std::string rel = out.substr(prefix.size(), arrow - prefix.size());
    EXPECT_EQ(out.substr(arrow + 4), b.destination() + rel);
    b.expect_failed_with(out);
    EXPECT_EQ(b.p.fp.calls(Op::Copy), 3);
    // The two files copied before the failure stay, each equal to its source.
    int kept = 0;
    for (const auto& e : fs::recursive_directory_iterator(b.destination())) {
        if (!e.is_regular_file()) continue;
        ++kept;
        EXPECT_EQ(b.p.fb.read_file(e.path().string()), b.p.fb.read_file(b.message + e.path().string().substr(b.destination().size())));
    }
    EXPECT_EQ(kept, 2);
}

TEST(FullBackup, ABackupRootTooDeepForTheCopiedNamesStopsWithThePathLine) {
    Backup b;
    // Room for the transaction directory and FULL-MESSAGE (248 characters, the most a directory
    // can have), none for the message files' names.
    fs::remove_all(sep(b.message, "ATTACH"));
    fs::remove_all(sep(b.message, "EMPTY"));
    b.root = b.p.dir.path() + kPathSeparator + std::string(210 - b.p.dir.path().size() - 1, 'R');
    b.v.set_text(ControlId::WizardBackupRoot, b.root);
    b.run();
    b.expect_failed_with("A path is too long for the XP-compatible full MESSAGE backup.");
    EXPECT_TRUE(fs::is_directory(b.destination()) && fs::is_empty(b.destination()));
}

// The scan and the copy on their own: every refusal has its line, and no path is ever cut.
TEST(BackupTree, ScanAndCopyRefuseWhatTheyCannotDo) {
    test::PlannedSession p;
    Platform& platform = p.fp;
    const std::unique_ptr<TextBuffer> report = TextBuffer::create();
    const std::string d = p.dir.path(), message = p.inst.message_dir, existing = sep(d, "EXISTING");
    p.fb.make_dir(existing);
    // "<dir>\*" still fits in 257 characters, a 3-character name does not; in 258 nothing fits.
    const std::string at_limit = d + kPathSeparator + std::string(257 - d.size() - 1, 'D');
    const std::string over = d + kPathSeparator + std::string(258 - d.size() - 1, 'E');
#ifndef _WIN32  // paths over 259 characters cannot be made through the ANSI file calls
    p.fb.write_text(sep(at_limit, "ABC"), "x");
    p.fb.make_dir(over);
#endif
    TreeTotals totals;
    const auto scan = [&](const std::string& dir) { return scan_tree_totals(platform, dir, totals, report.get()); };
    const auto copy = [&](const std::string& from, const std::string& to) { return copy_tree_new(platform, from, to, totals, report.get()); };
    const std::vector<std::tuple<const char*, std::function<bool()>, std::string, bool>> cases = {
        {"copy missing", [&] { return copy(sep(d, "MISSING"), sep(d, "COPY")); }, "Full MESSAGE backup source is inaccessible.\r\n", false},
        // An existing destination is never written into, not even an empty one.
        {"existing destination", [&] { return copy(message, existing); },
         "Full MESSAGE backup destination already exists: " + existing + "\r\n", false},
        {"scan cannot list", [&] { p.fp.fail_nth(Op::List, 1); return scan(message); }, "Cannot enumerate directory: " + message + "\r\n", false},
        {"copy cannot list", [&] { p.fp.fail_nth(Op::List, 1); return copy(message, sep(d, "COPY")); },
         "Cannot enumerate source directory: " + message + "\r\n", false},
        {"scan at limit", [&] { return scan(at_limit); }, "A MESSAGE path is too long for the XP-compatible backup engine.\r\n", true},
        {"scan over", [&] { return scan(over); }, "Directory path is too long while calculating backup size.\r\n", true},
        {"copy over", [&] { return copy(over, sep(d, "C1")); }, "Source path is too long during full MESSAGE backup.\r\n", true},
    };
    for (const auto& [what, call, line, long_path] : cases) {
#ifdef _WIN32
        if (long_path) continue;
#endif
        SCOPED_TRACE(what);
        report->reset();
        EXPECT_FALSE(call());
        EXPECT_EQ(report->str(), line);
    }
    EXPECT_TRUE(fs::is_empty(existing));
}

TEST(BackupSizes, FormattedInWholeUnitsWithOneDecimalRoundedDown) {
    for (const auto& [bytes, shown] : std::vector<std::pair<uint64_t, const char*>>{
             {1023, "1023 bytes"}, {1048575, "1023 KB"}, {2044723, "1.9 MB"}, {UINT64_MAX, "17179869183.9 GB"}})
        EXPECT_EQ(format_byte_size(bytes), shown) << bytes;
}

}  // namespace
}  // namespace marlinth
