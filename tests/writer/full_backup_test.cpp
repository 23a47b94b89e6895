// The full MESSAGE backup: a verified copy of the shared tree, refused while anything may be
// writing to it, never following a directory link, never overwriting, and never touching the
// source. Its failures are provoked on purpose: a busy system, a bad root, a full disk, a tree
// that changes under the copy, a copy that breaks half-way and paths that do not fit.
#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "support/planned_session.h"
#include "support/tree_snapshot.h"
#include "writer/full_backup.h"

namespace marlinth {
namespace {

namespace fs = std::filesystem;
using test::Op;
using test::PlannedSession;

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }
std::string text_of(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

const char* const kQuestion =
    "A consistent full MESSAGE backup must be created while every Spitfire node window and every external "
    "mailer/tosser is closed.\r\n\r\nHave you closed them all?";
const char* const kBlocked = "FULL BACKUP BLOCKED. Correct every item above, close all node windows, and try again.";
const char* const kStatusFailed = "Full MESSAGE backup did not complete. Review the wizard's backup output.";

struct Totals {
    uint64_t files = 0, bytes = 0;
};

// Counted independently of the code under test.
Totals count_tree(const std::string& root) {
    Totals t;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        ++t.files;
        t.bytes += e.file_size();
    }
    return t;
}

// An inspected installation whose MESSAGE tree also holds nested folders (one of them empty),
// with the wizard's backup root typed in.
class Backup : public ::testing::Test {
protected:
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    std::string message;
    std::string root;

    void SetUp() override {
        message = p.inst.message_dir;
        root = p.inst.backup_root;
        p.fb.write_file(sep(sep(message, "ATTACH"), "PICTURE.GIF"), std::vector<uint8_t>(3000, 0x47));
        p.fb.write_text(sep(sep(sep(message, "ATTACH"), "OLD"), "README.TXT"), "kept\r\n");
        p.fb.make_dir(sep(message, "EMPTY"));
        v.set_text(ControlId::WizardBackupRoot, "  " + root + "\t");
        v.clear_boxes();
    }
    // The sysop clicks Create Full MESSAGE Backup Now and answers the question.
    void run(bool yes = true) {
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
        EXPECT_EQ(v.status(StatusLine::Main), kStatusFailed);
        EXPECT_EQ(app.flags.full_backup_verified, verified_before);
    }
    bool any_transaction_dir() {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(root, ec))
            if (e.path().filename().string().rfind("MARLINTH_", 0) == 0) return true;
        return false;
    }
};

TEST_F(Backup, ACopyEqualToTheSourceIsRecordedAndSatisfiesTheWizardStep) {
    v.set_checked(ControlId::WizardExistingBackupChoice, true);
    app.flags.existing_backup_confirmed = true;
    const auto source = test::snapshot_tree(message);
    const Totals totals = count_tree(message);
    ASSERT_EQ(totals.files, 6u * 4u + 2u);
    p.fp.reset_counts();
    run();

    // The copy: the same relative tree, byte for byte, empty folder included.
    EXPECT_EQ(test::snapshot_tree(destination()), source);
    EXPECT_EQ(test::snapshot_tree(message), source);
    EXPECT_EQ(text_of(p.fb.read_file(sep(transaction(), "FULL-MESSAGE-BACKUP.txt"))),
              "Marlinth v0.4b full MESSAGE backup\r\nSource: " + message + "\r\nDestination: " + destination() +
                  "\r\nFiles: 26\r\nBytes: " + std::to_string(totals.bytes) + "\r\n");
    EXPECT_EQ(output(), "Full MESSAGE backup completed and verified.\r\n\r\nFiles: 26\r\nSize: " +
                            format_byte_size(totals.bytes) + "\r\nLocation: " + destination() +
                            "\r\n\r\nMandatory SFMCONF.DAT backups for every configured node will still be created "
                            "automatically immediately before commit.");

    // The wizard step is satisfied by the new backup, and the plan summary can name it.
    EXPECT_TRUE(app.flags.full_backup_verified);
    EXPECT_FALSE(app.flags.existing_backup_confirmed);
    EXPECT_TRUE(v.checked(ControlId::WizardCreateBackupChoice));
    EXPECT_FALSE(v.checked(ControlId::WizardExistingBackupChoice));
    EXPECT_EQ(app.full_backup_location, destination());
    // The root came from the wizard page, trimmed, into the Writer tab and the setup.
    EXPECT_EQ(v.text(ControlId::BackupRoot), root);
    EXPECT_EQ(app.setup.backup_root, root);

    ASSERT_EQ(v.boxes().size(), 2u);
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(v.boxes()[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(v.boxes()[0].text, kQuestion);
    EXPECT_EQ(v.boxes()[1].icon, BoxIcon::Information);
    EXPECT_EQ(v.boxes()[1].text, "The full MESSAGE backup completed and verified.");
    EXPECT_EQ(v.status(StatusLine::Main), "Full MESSAGE backup completed and verified: " + destination());
    EXPECT_NE(app.log->str().find("] Full MESSAGE backup completed and verified: " + destination() + "\r\n"),
              std::string::npos);

    // Nothing outside the backup root (and the program's own log) was written.
    for (const std::string& path : p.fp.changed_paths())
        EXPECT_TRUE(path.find(root) == 0 || path.find(app.files.program_dir) == 0) << path;
}

TEST_F(Backup, TwoBackupsInTheSameSecondGoToTwoDirectories) {
    run();
    v.clear_boxes();
    run();
    ASSERT_EQ(v.boxes().size(), 2u);
    EXPECT_EQ(v.boxes()[1].icon, BoxIcon::Information);
    const auto source = test::snapshot_tree(message);
    EXPECT_EQ(test::snapshot_tree(destination()), source);
    EXPECT_EQ(test::snapshot_tree(destination("-01")), source);
    EXPECT_TRUE(p.fb.exists(sep(transaction("-01"), "FULL-MESSAGE-BACKUP.txt")));
    EXPECT_EQ(app.full_backup_location, destination("-01"));
}

TEST_F(Backup, AnsweringNoChangesNothing) {
    const std::string before = output();
    p.fp.reset_counts();
    run(false);
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].text, kQuestion);
    EXPECT_EQ(output(), before);
    EXPECT_FALSE(app.flags.full_backup_verified);
    EXPECT_FALSE(p.fb.exists(root));
    EXPECT_EQ(p.fp.calls(Op::Copy), 0);
    EXPECT_EQ(p.fp.calls(Op::List), 0);
}

TEST_F(Backup, AnOccupiedNodeBlocksWithThePreflightLines) {
    const std::string whoson = sep(sep(p.inst.nodes[0], "WORK"), "SFWHOSON.DAT");
    p.fb.write_whoson(whoson, {-1, 5}, 0x1A);
    run();
    expect_failed_with(
        "INFO: Spitfire node-status file (default Node 1 WORK): " + whoson + "\r\n"
        "ERROR: Node 2 is occupied by UserNo 5 (Mode=0x1A).\r\n"
        "ERROR: SFWHOSON.DAT reports 1 occupied node record(s). Shut down every Spitfire node before writing.\r\n"
        "INFO: NTVDM.EXE is not running; SFWHOSON.DAT remains the authoritative Spitfire node check.\r\n"
        "PASS: QUARRO32.EXE is not running.\r\n"
        "NOTICE: No known iREX process name was detected. This does not prove that another external mailer is "
        "stopped; manually stop every mailer/tosser before commit.\r\n"
        "PASS: QUARRO.BSY is absent.\r\n\r\n" + std::string(kBlocked));
    EXPECT_FALSE(p.fb.exists(root));  // stopped before the backup root was even probed
}

TEST_F(Backup, ARunningTosserOrItsBusyFlagBlocks) {
    p.fp.set_processes({"explorer.exe", "QUARRO32.EXE"});
    run();
    EXPECT_NE(output().find("ERROR: QUARRO32.EXE is running. Shut down the tosser.\r\n"), std::string::npos);
    EXPECT_EQ(output().substr(output().size() - std::string(kBlocked).size() - 4), "\r\n\r\n" + std::string(kBlocked));
    EXPECT_EQ(v.boxes().back().icon, BoxIcon::Error);
    EXPECT_FALSE(p.fb.exists(root));

    p.fp.set_processes({});
    const std::string busy = sep(message, "QUARRO.BSY");
    p.fb.write_text(busy, "");
    v.clear_boxes();
    run();
    EXPECT_NE(output().find("ERROR: QUARRO.BSY exists: " + busy +
                            "\r\n       Confirm no QUARRO32 process is running before treating it as stale.\r\n"),
              std::string::npos);
    EXPECT_NE(output().find(kBlocked), std::string::npos);
    EXPECT_EQ(v.boxes().back().text, output());
    EXPECT_FALSE(p.fb.exists(root));
}

TEST_F(Backup, ABadBackupRootIsRefusedBeforeAnythingIsCopied) {
    struct Case {
        std::string root, line;
    };
    const std::string missing_parent = sep(sep(p.dir.path(), "NO-SUCH-PARENT"), "BACKUPS");
    const std::vector<Case> cases = {
        {"   ", "ERROR: Select a backup root directory."},
        {sep(message, "BACKUPS"), "ERROR: Backup root must be separate from the shared MESSAGE directory."},
        {p.inst.root, "ERROR: Backup root must be separate from Node 1 and may not contain or be contained by it."},
        {missing_parent, "Cannot create directory: " + missing_parent},
    };
    for (const Case& c : cases) {
        v.set_text(ControlId::WizardBackupRoot, c.root);
        v.clear_boxes();
        run();
        expect_failed_with(c.line);
        EXPECT_EQ(p.fp.calls(Op::Copy), 0) << c.root;
    }
    EXPECT_FALSE(p.fb.exists(sep(message, "BACKUPS")));
}

TEST_F(Backup, ADirectoryLinkInTheTreeIsRefusedDuringTheScan) {
    const std::string elsewhere = sep(p.dir.path(), "ELSEWHERE");
    p.fb.write_text(sep(elsewhere, "OTHER.DAT"), "not part of MESSAGE");
    const std::string link = sep(sep(message, "ATTACH"), "LINKED");
    std::error_code ec;
    fs::create_directory_symlink(elsewhere, link, ec);
    if (ec) GTEST_SKIP() << "a directory link cannot be made here: " << ec.message();
    if (!app.platform.attributes(link).reparse_point)
        GTEST_SKIP() << "this platform does not report the link as a reparse point";
    p.fp.reset_counts();
    run();
    expect_failed_with("Refusing to follow directory reparse point during backup: " + link);
    EXPECT_EQ(p.fp.calls(Op::Copy), 0);
    EXPECT_FALSE(any_transaction_dir());

    // The copy refuses it on its own too, naming the source path.
    TreeTotals copied;
    TextBuffer& report = *app.scratch;
    report.reset();
    const std::string target = sep(p.dir.path(), "COPY");
    EXPECT_FALSE(copy_tree_new(app, message, target, copied, &report));
    EXPECT_EQ(report.str(), "Refusing to follow directory reparse point during backup: " + link + "\r\n");
    EXPECT_FALSE(fs::exists(sep(sep(target, "ATTACH"), "LINKED")));
}

TEST_F(Backup, FreeSpaceMustCoverTheTreeAFivePercentMarginAnd16MiB) {
    const Totals totals = count_tree(message);
    const uint64_t needed = totals.bytes + totals.bytes / 20 + 16777216;
    p.fp.set_free_space(needed - 1);
    run();
    ASSERT_EQ(totals.bytes / 1024, 12u);  // the sizes shown below
    expect_failed_with("Not enough free space for a safe full MESSAGE backup.\r\n\r\nMESSAGE size: 12 KB\r\n"
                       "Available: 16.0 MB");
    EXPECT_FALSE(any_transaction_dir());

    p.fp.set_free_space(needed);
    v.clear_boxes();
    run();
    EXPECT_TRUE(app.flags.full_backup_verified);
    EXPECT_EQ(v.boxes().back().icon, BoxIcon::Information);

    // A volume that cannot say how much room it has is no better than a full one. The backup
    // made a moment ago still counts.
    p.fp.fail_nth(Op::FreeSpace, 1);
    v.clear_boxes();
    run();
    expect_failed_with("Cannot determine free space for backup destination: " + root, true);
    EXPECT_EQ(app.full_backup_location, destination());
}

TEST_F(Backup, ATreeThatChangesBetweenScanAndCopyFailsVerificationAndKeepsTheCopy) {
    // A file appears after the scan, just as the transaction directory is made.
    bool added = false;
    p.fp.before(Op::CreateDir, [&](const std::string& path) {
        if (added || path.find("MARLINTH_") == std::string::npos) return;
        p.fb.write_text(sep(message, "LATE.MSG"), "arrived late");
        added = true;
    });
    run();
    ASSERT_TRUE(added);
    expect_failed_with("Full MESSAGE backup verification failed.");
    EXPECT_TRUE(p.fb.exists(sep(destination(), "LATE.MSG")));  // the copy is kept, not cleaned away
    EXPECT_EQ(count_tree(destination()).files, count_tree(message).files);
    EXPECT_FALSE(p.fb.exists(sep(transaction(), "FULL-MESSAGE-BACKUP.txt")));

    // Files that grow after the copy listed them: the counts taken from the listings still
    // agree, and only the scan of the finished copy shows the extra bytes.
    p.fb.remove_file(sep(message, "LATE.MSG"));
    bool grown = false;
    p.fp.before(Op::Copy, [&](const std::string&) {
        if (grown) return;
        for (const auto& e : fs::directory_iterator(message))
            if (e.is_regular_file()) p.fb.write_text(e.path().string(), text_of(p.fb.read_file(e.path().string())) + "+");
        grown = true;
    });
    v.clear_boxes();
    run();
    ASSERT_TRUE(grown);
    expect_failed_with("Full MESSAGE backup verification failed.");
    EXPECT_TRUE(fs::is_directory(destination("-01")));
}

TEST_F(Backup, ACopyThatBreaksHalfWayStopsAndKeepsWhatWasCopied) {
    p.fp.reset_counts();
    p.fp.fail_nth(Op::Copy, 3);
    run();
    const std::string out = output();
    const std::string prefix = "Full MESSAGE backup copy failed: ";
    ASSERT_EQ(out.rfind(prefix, 0), 0u) << out;
    const size_t arrow = out.find(" -> ");
    ASSERT_NE(arrow, std::string::npos);
    const std::string from = out.substr(prefix.size(), arrow - prefix.size());
    const std::string to = out.substr(arrow + 4);
    ASSERT_EQ(from.rfind(message, 0), 0u);
    EXPECT_EQ(to, destination() + from.substr(message.size()));
    expect_failed_with(out);
    EXPECT_EQ(p.fp.calls(Op::Copy), 3);
    EXPECT_FALSE(fs::exists(to));
    // The two files copied before the failure stay, each equal to its source.
    int kept = 0;
    for (const auto& e : fs::recursive_directory_iterator(destination())) {
        if (!e.is_regular_file()) continue;
        ++kept;
        const std::string rel = e.path().string().substr(destination().size());
        EXPECT_EQ(p.fb.read_file(e.path().string()), p.fb.read_file(message + rel)) << rel;
    }
    EXPECT_EQ(kept, 2);
}

TEST_F(Backup, ABackupRootTooDeepForTheCopiedNamesStopsWithThePathLine) {
    // Room for the transaction directory and FULL-MESSAGE (248 characters, the most a directory
    // can have), none for the message files' names.
    fs::remove_all(sep(message, "ATTACH"));
    fs::remove_all(sep(message, "EMPTY"));
    const size_t length = 210;
    const std::string deep = p.dir.path() + kPathSeparator + std::string(length - p.dir.path().size() - 1, 'R');
    ASSERT_EQ(deep.size(), length);
    root = deep;
    v.set_text(ControlId::WizardBackupRoot, deep);
    run();
    expect_failed_with("A path is too long for the XP-compatible full MESSAGE backup.");
    EXPECT_TRUE(fs::is_directory(destination()));
    EXPECT_TRUE(fs::is_empty(destination()));
}

TEST_F(Backup, ProgressIsShownWhileALargerTreeIsCopied) {
    const std::string bulk = sep(message, "BULK");
    for (int i = 0; i < 100; ++i) p.fb.write_text(sep(bulk, "F" + std::to_string(i) + ".MSG"), std::string(100, 'x'));
    // Two large files: their bytes alone call for a progress line.
    for (const char* name : {"BIG1.DAT", "BIG2.DAT"}) {
        p.fb.write_text(sep(message, name), "");
        fs::resize_file(sep(message, name), 17u * 1024 * 1024);
    }
    struct Seen {
        std::string path;
        size_t progress_lines;
        size_t boxes;
        std::string output;
    };
    std::vector<Seen> seen;
    p.fp.before(Op::Copy, [&](const std::string& path) {
        seen.push_back({path, v.progress().size(), v.boxes().size(), output()});
    });
    run();
    ASSERT_TRUE(app.flags.full_backup_verified) << output();
    const size_t files = seen.size();
    ASSERT_EQ(files, 26u + 100u + 2u);

    // Lines appeared while the copy ran, not only at its end, and nothing else happened meanwhile.
    EXPECT_GE(seen.back().progress_lines, files / 16 - 1);
    for (size_t i = 1; i < files; ++i) {
        EXPECT_GE(seen[i].progress_lines, seen[i - 1].progress_lines);
        EXPECT_EQ(seen[i].boxes, 1u);  // only the question
        EXPECT_EQ(seen[i].output, "Scanning the shared MESSAGE directory and checking free space...");
    }
    // Right after each large file, a line, whatever the file count.
    for (size_t i = 0; i + 1 < files; ++i) {
        if (seen[i].path.find("BIG") != std::string::npos) {
            EXPECT_EQ(seen[i + 1].progress_lines, seen[i].progress_lines + 1) << seen[i].path;
        }
    }
    for (const std::string& line : v.progress()) {
        EXPECT_EQ(line.rfind("Copying the shared MESSAGE directory: ", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.size() - 10), " copied...") << line;
    }
}

// The totals and the copy on their own: every refusal has its line.
TEST(BackupTree, ScanAndCopyRefuseWhatTheyCannotDo) {
    PlannedSession p;
    App& app = p.app();
    TextBuffer& r = *app.scratch;
    TreeTotals totals;
    const std::string missing = sep(p.dir.path(), "MISSING");
    r.reset();
    EXPECT_FALSE(scan_tree_totals(app.platform, missing, totals, &r));
    EXPECT_EQ(r.str(), "Directory is inaccessible: " + missing + "\r\n");

    r.reset();
    EXPECT_FALSE(copy_tree_new(app, missing, sep(p.dir.path(), "COPY"), totals, &r));
    EXPECT_EQ(r.str(), "Full MESSAGE backup source is inaccessible.\r\n");

    // An existing destination is never written into, not even an empty one.
    const std::string existing = sep(p.dir.path(), "EXISTING");
    p.fb.make_dir(existing);
    r.reset();
    EXPECT_FALSE(copy_tree_new(app, p.inst.message_dir, existing, totals, &r));
    EXPECT_EQ(r.str(), "Full MESSAGE backup destination already exists: " + existing + "\r\n");
    EXPECT_TRUE(fs::is_empty(existing));

    // Listing failures.
    p.fp.fail_nth(Op::List, 1);
    r.reset();
    EXPECT_FALSE(scan_tree_totals(app.platform, p.inst.message_dir, totals, &r));
    EXPECT_EQ(r.str(), "Cannot enumerate directory: " + p.inst.message_dir + "\r\n");
    p.fp.fail_nth(Op::List, 1);
    r.reset();
    const std::string target = sep(p.dir.path(), "COPY");
    EXPECT_FALSE(copy_tree_new(app, p.inst.message_dir, target, totals, &r));
    EXPECT_EQ(r.str(), "Cannot enumerate source directory: " + p.inst.message_dir + "\r\n");
}

TEST(BackupTree, PathsOverTheLimitAreRefusedNeverCut) {
#ifdef _WIN32
    GTEST_SKIP() << "paths over 259 characters cannot be made through the ANSI file calls";
#else
    test::TempDir dir;
    auto native = make_native_platform();
    test::FixtureBuilder fb(*native);
    // 257 characters: "<dir>\*" still fits, a 3-character name does not.
    const std::string at_limit = dir.path() + kPathSeparator + std::string(257 - dir.path().size() - 1, 'D');
    fb.write_text(sep(at_limit, "ABC"), "x");
    // 258 characters: not even "<dir>\*" fits.
    const std::string over = dir.path() + kPathSeparator + std::string(258 - dir.path().size() - 1, 'E');
    fb.make_dir(over);

    HeadlessView view;
    App app(*native, view);
    ASSERT_TRUE(app.allocate_buffers());
    TextBuffer& r = *app.scratch;
    TreeTotals totals;
    EXPECT_FALSE(scan_tree_totals(*native, at_limit, totals, &r));
    EXPECT_EQ(r.str(), "A MESSAGE path is too long for the XP-compatible backup engine.\r\n");
    r.reset();
    EXPECT_FALSE(scan_tree_totals(*native, over, totals, &r));
    EXPECT_EQ(r.str(), "Directory path is too long while calculating backup size.\r\n");
    r.reset();
    EXPECT_FALSE(copy_tree_new(app, over, sep(dir.path(), "C1"), totals, &r));
    EXPECT_EQ(r.str(), "Source path is too long during full MESSAGE backup.\r\n");
    r.reset();
    EXPECT_FALSE(copy_tree_new(app, at_limit, sep(dir.path(), "C2"), totals, &r));
    EXPECT_EQ(r.str(), "A path is too long for the XP-compatible full MESSAGE backup.\r\n");
    // A tree nested too deep is refused where it passes the limit, not before.
    const std::string nested = dir.path() + kPathSeparator + std::string(200 - dir.path().size() - 1, 'N');
    fb.write_text(sep(sep(nested, std::string(40, 'S')), std::string(30, 'F')), "deep");
    r.reset();
    EXPECT_FALSE(scan_tree_totals(*native, nested, totals, &r));
    EXPECT_EQ(r.str(), "A MESSAGE path is too long for the XP-compatible backup engine.\r\n");
    EXPECT_EQ(totals.directories, 1u);
#endif
}

TEST(BackupSizes, FormattedInWholeUnitsWithOneDecimalRoundedDown) {
    const std::vector<std::pair<uint64_t, const char*>> cases = {
        {0, "0 bytes"},
        {1023, "1023 bytes"},
        {1024, "1 KB"},
        {1048575, "1023 KB"},
        {1048576, "1.0 MB"},
        {2044723, "1.9 MB"},  // 1.95 MiB
        {1073741823, "1023.9 MB"},
        {1073741824, "1.0 GB"},
        {1610612736, "1.5 GB"},
        {UINT64_MAX, "17179869183.9 GB"},
    };
    for (const auto& [bytes, shown] : cases) EXPECT_EQ(format_byte_size(bytes), shown) << bytes;
    EXPECT_EQ(format_u64_decimal(0), "0");
    EXPECT_EQ(format_u64_decimal(4294967296ull), "4294967296");
    EXPECT_EQ(format_u64_decimal(UINT64_MAX), "18446744073709551615");
}

}  // namespace
}  // namespace marlinth
