// The full MESSAGE backup: a verified copy of the shared tree, refused while anything may be
// writing to it, never following a directory link, never overwriting, and never touching the
// source. Its failures are provoked on purpose: a busy system, a bad root, a full disk, a tree
// that changes under the copy, a copy that breaks half-way and paths that do not fit. The texts
// of a successful run are pinned by tests/scripts/wizard.expected.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>

#include "app/full_backup_commands.h"
#include "core/version.h"
#include "golden_text.h"
#include "support/planned_session.h"
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
    std::string transaction() { return sep(root, "MARLINTH_20261205_103000"); }
    std::string destination() { return sep(transaction(), "FULL-MESSAGE"); }
};

// Room for the tree, a 5% margin and 16 MiB is enough; one byte less is refused below. What the
// sysop sees of the No, the copy and a refusal after it is in tests/scripts/full_backup.expected.
TEST(FullBackup, ACopyEqualToTheSourceIsRecordedAndAnswerNoChangesNothing) {
    Backup b;
    const std::vector<std::string> parts = test::script_parts(test::load_script("full_backup.script"));
    test::Screen screen(b.app, b.v);
    b.p.fp.reset_counts();
    b.run(false);
    screen.play(parts[0]);
    EXPECT_FALSE(b.app.flags.full_backup_verified || b.p.fb.exists(b.root));
    EXPECT_EQ(b.p.fp.calls(Op::Copy) + b.p.fp.calls(Op::List), 0);

    b.app.flags.existing_backup_confirmed = true;
    b.p.fp.set_free_space(bytes_in(b.message) * 21 / 20 + 16777216);
    const auto source = test::snapshot_tree(b.message);
    b.run();
    screen.play(parts[1]);
    // The same relative tree, byte for byte, empty folder included; the source untouched.
    EXPECT_EQ(test::snapshot_tree(b.destination()), source);
    EXPECT_EQ(test::snapshot_tree(b.message), source);
    const auto record = b.p.fb.read_file(sep(b.transaction(), "FULL-MESSAGE-BACKUP.txt"));
    EXPECT_EQ(std::string(record.begin(), record.end()), MARLINTH_NAMED_VERSION " full MESSAGE backup\r\nSource: " + b.message +
                                                             "\r\nDestination: " + b.destination() + "\r\nFiles: 26\r\nBytes: " +
                                                             std::to_string(bytes_in(b.message)) + "\r\n");
    // The new backup replaces the sysop's statement; the root came trimmed into the setup.
    EXPECT_TRUE(b.app.flags.full_backup_verified && !b.app.flags.existing_backup_confirmed);
    EXPECT_EQ(b.app.setup.backup_root, b.root);
    EXPECT_EQ(b.app.full_backup_location, b.destination());
    for (const std::string& path : b.p.fp.changed_paths())  // only the backup root and the program's log
        EXPECT_TRUE(path.find(b.root) == 0 || path.find(b.app.files.program_dir) == 0) << path;
    // A volume that cannot say how much room it has is no better than a full one. The backup made
    // a moment ago still counts.
    b.p.fp.fail_nth(Op::FreeSpace, 1);
    b.run();
    screen.play(parts[2]);
    EXPECT_TRUE(b.app.flags.full_backup_verified && b.app.full_backup_location == b.destination());
    const std::string shown = screen.shown(b.p.dir.path());
    EXPECT_EQ(shown, test::golden("full_backup.expected", shown, {}));
}

// Every failure ends in the error box with the output shown, and no record. A busy system, a bad
// root or a full disk is refused before anything is copied (the checks are the writer
// preflight's, whose every rule preflight_test.cpp tries; one busy case shows the whole output).
// A copy that fails or does not match the source is kept for the sysop to inspect.
TEST(FullBackup, EveryFailureIsShownAndRecordsNoBackup) {
    const auto grow_files = [](Backup& b) {  // files that grow after the copy listed them
        auto grown = std::make_shared<bool>(false);
        b.p.fp.before(Op::Copy, [&b, grown](const std::string&) {
            for (const auto& e : fs::directory_iterator(b.message)) {
                if (*grown || !e.is_regular_file()) continue;
                auto bytes = b.p.fb.read_file(e.path().string());
                bytes.push_back('+');
                b.p.fb.write_file(e.path().string(), bytes);
            }
            *grown = true;
        });
    };
    // The files kept in the copy; -1 where none was begun, -2 where not even the root was probed.
    const std::vector<std::tuple<const char*, std::function<void(Backup&)>, int>> cases = {
        {"tosser running", [](Backup& b) { b.p.fp.set_processes({"explorer.exe", "QUARRO32.EXE"}); }, -2},
        // A copy into the tree it copies.
        {"root in MESSAGE", [](Backup& b) { b.v.set_text(ControlId::WizardBackupRoot, sep(b.message, "BACKUPS")); }, -2},
        {"disk one byte short", [](Backup& b) { b.p.fp.set_free_space(bytes_in(b.message) * 21 / 20 + 16777216 - 1); }, -1},
        // A file appears after the scan, just as the transaction directory is made.
        {"file added after the scan", [](Backup& b) {
             b.p.fp.before(Op::CreateDir, [&b](const std::string& path) {
                 if (path.find("MARLINTH_") != std::string::npos) b.p.fb.write_text(sep(b.message, "LATE.MSG"), "arrived late");
             });
         }, 27},
        // The counts taken from the listings still agree; only the scan of the finished copy shows the extra bytes.
        {"files grown during the copy", grow_files, 26},
        {"copy breaks at the third file", [](Backup& b) { b.p.fp.fail_nth(Op::Copy, 3); }, 2},
        // Room for the transaction directory and FULL-MESSAGE, none for the message files'
        // names: foreseen before anything is made.
        {"root too deep for the copied names", [](Backup& b) {
             fs::remove_all(sep(b.message, "ATTACH"));
             fs::remove_all(sep(b.message, "EMPTY"));
             b.root = b.p.dir.path() + kPathSeparator + std::string(210 - b.p.dir.path().size() - 1, 'R');
             b.v.set_text(ControlId::WizardBackupRoot, b.root);
         }, -1},
        // The deepest folder of the copy (FULL-MESSAGE\ATTACH\OLD) is past the 247 characters
        // CreateDirectory takes, although every file path would fit in 259.
        {"folder too deep for CreateDirectory", [](Backup& b) {
             b.root = b.p.dir.path() + kPathSeparator + std::string(200 - b.p.dir.path().size() - 1, 'R');
             b.v.set_text(ControlId::WizardBackupRoot, b.root);
         }, -1},
    };
    // The boxes and the status lines of each are in tests/scripts/full_backup_failures.expected,
    // each case by the lines it changes against the closest case before it.
    test::ChangedCases all;
    for (const auto& [what, arrange, kept] : cases) {
        SCOPED_TRACE(what);
        Backup b;
        arrange(b);
        b.p.fp.reset_counts();
        test::Screen screen(b.app, b.v);
        b.run();
        screen.play("print status\n");
        EXPECT_FALSE(b.app.flags.full_backup_verified);
        EXPECT_EQ(b.v.boxes().back().text, b.v.text(ControlId::WizardBackupText));
        // Every file copied before the failure stays, each equal to its source.
        int copied = 0;
        if (b.p.fb.exists(b.destination()))
            for (const auto& e : fs::recursive_directory_iterator(b.destination())) {
                if (!e.is_regular_file()) continue;
                ++copied;
                const std::string to = e.path().string();
                EXPECT_EQ(b.p.fb.read_file(to), b.p.fb.read_file(b.message + to.substr(b.destination().size()))) << to;
            }
        EXPECT_EQ(copied, std::max(kept, 0));
        EXPECT_EQ(b.p.fb.exists(b.destination()), kept >= 0);
        // The copy that failed: its destination path, and the source path under MESSAGE.
        const std::string to = b.p.fp.injected().empty() ? "" : b.p.fp.injected()[0].second;
        const std::string from = to.empty() ? "" : b.message + to.substr(b.destination().size());
        all.add(what, screen.shown(b.p.dir.path(), {{"FROM", from}, {"TO", to}}));
        EXPECT_FALSE(b.p.fb.exists(sep(b.transaction(), "FULL-MESSAGE-BACKUP.txt")) || b.p.fb.exists(sep(b.message, "BACKUPS")));
        if (kept < 0) {
            EXPECT_FALSE(b.p.fp.calls(Op::Copy) || b.p.fb.exists(b.transaction()));
            EXPECT_EQ(b.p.fb.exists(b.root), kept == -1);
        }
    }
    EXPECT_EQ(all.all, test::golden("full_backup_failures.expected", all.all, {}));
}

TEST(BackupTree, ScanAndCopyRefuseWhatTheyCannotDo) {
    test::PlannedSession p;
    Platform& platform = p.fp;
    const std::unique_ptr<TextBuffer> report = TextBuffer::create();
    const std::string d = p.dir.path(), message = p.inst.message_dir, existing = sep(d, "EXISTING");
    const std::string linked = sep(d, "LINKED"), link = sep(linked, "LINK");
    p.fb.make_dir(existing);
    p.fb.write_text(sep(sep(d, "ELSEWHERE"), "OTHER.DAT"), "not part of the tree");
    p.fb.make_dir(linked);
    std::error_code ec;
    fs::create_directory_symlink(sep(d, "ELSEWHERE"), link, ec);
    const bool have_link = !ec && platform.attributes(link).reparse_point;
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
        {"scan a link", [&] { return scan(linked); }, "Refusing to follow directory reparse point during backup: " + link + "\r\n", !have_link},
        {"copy a link", [&] { return copy(linked, sep(d, "C2")); },
         "Refusing to follow directory reparse point during backup: " + link + "\r\n", !have_link},
    };
    for (const auto& [what, call, line, skipped] : cases) {
#ifdef _WIN32
        if (skipped) continue;
#endif
        if (std::string(what).find("link") != std::string::npos && skipped) continue;
        SCOPED_TRACE(what);
        report->reset();
        EXPECT_FALSE(call());
        EXPECT_EQ(report->str(), line);
    }
    EXPECT_TRUE(fs::is_empty(existing));
    EXPECT_FALSE(fs::exists(sep(sep(d, "C2"), "LINK")));
}

TEST(BackupSizes, FormattedInWholeUnitsWithOneDecimalRoundedDown) {
    for (const auto& [bytes, shown] : std::vector<std::pair<uint64_t, const char*>>{
             {1023, "1023 bytes"}, {1048575, "1023 KB"}, {2044723, "1.9 MB"}, {UINT64_MAX, "17179869183.9 GB"}})
        EXPECT_EQ(format_byte_size(bytes), shown) << bytes;
}

}  // namespace
}  // namespace marlinth
