// The writer preflight: every check runs and writes its line; the verdict is their conjunction.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/files.h"
#include "support/planned_session.h"
#include "writer/preflight.h"

namespace marlinth {
namespace {

using test::PlannedSession;

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }

class Preflight : public ::testing::Test {
protected:
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();

    void SetUp() override {
        v.click(ControlId::GeneratePlan);
        ASSERT_TRUE(app.flags.plan_current);
        v.clear_boxes();
    }
    std::string run() {
        v.clear_boxes();
        v.click(ControlId::RunPreflight);
        return app.writer->str();
    }
    bool has_line(const std::string& report, const std::string& line) {
        return report.find(line + "\r\n") != std::string::npos;
    }
    std::string whoson() { return sep(sep(p.inst.nodes[0], "WORK"), "SFWHOSON.DAT"); }
};

TEST_F(Preflight, ACleanInstallationPassesWithEveryLineAsDesigned) {
    const std::string r = run();
    std::string expected =
        "Marlinth v0.4b APPEND-ONLY WRITER PREFLIGHT\r\n"
        "============================================\r\n"
        "PASS: Current state matches the reviewed dry-run signature.\r\n"
        "INFO: Spitfire node-status file (default Node 1 WORK): " + whoson() + "\r\n"
        "PASS: SFWHOSON.DAT node check: 4 record(s); no occupied Spitfire callers found.\r\n"
        "NOTICE: SFWHOSON.DAT cannot prove that idle Spitfire node processes are closed. Manually close every node window before commit.\r\n"
        "INFO: NTVDM.EXE is not running; SFWHOSON.DAT remains the authoritative Spitfire node check.\r\n"
        "PASS: QUARRO32.EXE is not running.\r\n"
        "NOTICE: No known iREX process name was detected. This does not prove that another external mailer is stopped; manually stop every mailer/tosser before commit.\r\n"
        "PASS: QUARRO.BSY is absent.\r\n"
        "PASS: Backup root is separate and writable: " + p.inst.backup_root + "\r\n"
        "PASS: .NA source bytes match the reviewed preview.\r\n"
        "PASS: Append count is within limit: 6 + 2 <= 784.\r\n";
    const std::string hash = sha256_hex(app.baseline.bytes.data(), app.baseline.size());
    for (int i = 0; i < 3; ++i)
        expected += "Node " + std::to_string(i + 1) + ": PASS, identical and exclusively writable, SHA-256 " + hash + "\r\n";
    expected += "\r\nCURRENT MESSAGE-BASE SAFETY SCAN\r\nCONF 01  [OK]\r\n";
    EXPECT_EQ(r.substr(0, expected.size()), expected);
    const std::string tail = "\r\nPREFLIGHT RESULT: PASS\r\nAll checks will be repeated immediately before commit.\r\n";
    EXPECT_EQ(r.substr(r.size() - tail.size()), tail);
    EXPECT_TRUE(app.flags.preflight_passed);
    EXPECT_EQ(v.text(ControlId::WriterText), r);
    EXPECT_EQ(v.status(StatusLine::Writer),
              "Automated preflight passed. Confirm every Spitfire node window is closed before typing YES.");
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Information);
    EXPECT_NE(app.log->str().find("Writer preflight PASS; no Spitfire files were changed."), std::string::npos);
    EXPECT_FALSE(p.fb.exists(sep(p.inst.backup_root, "Marlinth-write-test.tmp")));
    EXPECT_FALSE(v.enabled(ControlId::CommitAppend));  // YES still has to be typed
    v.type(ControlId::Confirmation, " YES ");
    EXPECT_TRUE(v.enabled(ControlId::CommitAppend));
}

TEST_F(Preflight, OccupiedNodesAreListedAndBlock) {
    p.fb.write_whoson(whoson(), {-1, 5}, 0x1A);
    const std::string r = run();
    EXPECT_TRUE(has_line(r, "ERROR: Node 2 is occupied by UserNo 5 (Mode=0x1A)."));
    EXPECT_TRUE(has_line(r, "ERROR: SFWHOSON.DAT reports 1 occupied node record(s). Shut down every Spitfire node before writing."));
    EXPECT_TRUE(has_line(r, "PREFLIGHT RESULT: BLOCKED"));
    EXPECT_FALSE(app.flags.preflight_passed);
    EXPECT_EQ(v.status(StatusLine::Writer), "BLOCKED: Shut down occupied Spitfire nodes and every external mailer/tosser; "
                                            "confirm QUARRO.BSY is absent and review each ERROR.");
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].text,
              "Writer preflight was BLOCKED. No Spitfire files were changed.\r\n\r\n"
              "Shut down every occupied Spitfire node and stop every external mailer/tosser, including QUARRO32 when used.\r\n"
              "Confirm QUARRO.BSY is absent before running preflight again. NTVDM alone does not block; SFWHOSON.DAT "
              "determines node occupancy.\r\nReview the Writer output for each exact ERROR.");

    p.fb.write_file(whoson(), std::vector<uint8_t>(7, 0xFF));
    EXPECT_TRUE(has_line(run(), "ERROR: SFWHOSON.DAT has invalid size 7; expected a nonzero multiple of 6 bytes."));
    p.fb.remove_file(whoson());
    const std::string missing = run();
    EXPECT_TRUE(has_line(missing, "Cannot open: " + whoson()));
    EXPECT_TRUE(has_line(missing, "ERROR: Unable to validate Spitfire node status from " + whoson()));
}

TEST_F(Preflight, TheTosserWorkDirectoryIsUsedOnlyWhenTheTosserIs) {
    const std::string work = sep(p.dir.path(), "QWORK");
    const std::string cfg = sep(p.dir.path(), "QUARRO32.CFG");
    p.fb.write_text(cfg, "CONFDIR " + p.inst.nodes[0] + "\r\nMSGDIR " + p.inst.message_dir + "\r\nWORKDIR " + work +
                             "\r\nKEEPPROCESSED Y\r\nPROCESSEDDIR " + work + "\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR " +
                             work + "\r\n");
    p.fb.write_whoson(sep(work, "SFWHOSON.DAT"), {-1});
    v.set_enabled(ControlId::QuarroCfgPath, true);
    v.type(ControlId::QuarroCfgPath, cfg);  // a path is set, but the tosser box stays unticked
    v.click(ControlId::GeneratePlan);
    EXPECT_TRUE(has_line(run(), "INFO: Spitfire node-status file (default Node 1 WORK): " + whoson()));

    v.set_checked(ControlId::UseQuarro, true);
    v.click(ControlId::GeneratePlan);
    const std::string r = run();
    EXPECT_TRUE(has_line(r, "INFO: Spitfire node-status file (QUARRO32 WORKDIR): " + sep(work, "SFWHOSON.DAT")));
    EXPECT_TRUE(has_line(r, "PASS: SFWHOSON.DAT node check: 1 record(s); no occupied Spitfire callers found."));

    p.fb.write_text(cfg, "CONFDIR\r\n");
    const std::string bad = run();
    EXPECT_NE(bad.find("ERROR: Unable to resolve QUARRO32 WORKDIR from " + cfg + "\r\nQUARRO32 v1.07 CONFIGURATION PARSER - READ ONLY\r\n"),
              std::string::npos);
    EXPECT_TRUE(has_line(bad, "ERROR line 1: Path value may not be blank."));
}

TEST_F(Preflight, KnownMailersAndTheTosserBlockButNtvdmDoesNot) {
    p.fp.set_processes({"ntvdm.exe"});
    std::string r = run();
    EXPECT_TRUE(has_line(r, "INFO: NTVDM.EXE is running; SFWHOSON.DAT is authoritative for actual Spitfire node occupancy."));
    EXPECT_TRUE(app.flags.preflight_passed);
    p.fp.set_processes({"rexw.exe"});
    r = run();
    EXPECT_TRUE(has_line(r, "ERROR: A known iREX process is running. Shut down the external mailer before changing conference configuration."));
    EXPECT_FALSE(app.flags.preflight_passed);
    p.fp.set_processes({"QUARRO32.EXE"});
    EXPECT_TRUE(has_line(run(), "ERROR: QUARRO32.EXE is running. Shut down the tosser."));
    p.fp.set_process_list_fails();  // an untakeable process list cannot be told from an empty one
    run();
    EXPECT_TRUE(app.flags.preflight_passed);
}

TEST_F(Preflight, ABusyFlagFileBlocksButADirectoryOfThatNameDoesNot) {
    const std::string busy = sep(p.inst.message_dir, "QUARRO.BSY");
    p.fb.make_dir(busy);
    EXPECT_TRUE(has_line(run(), "PASS: QUARRO.BSY is absent."));
    std::filesystem::remove(busy);
    p.fb.write_text(busy, "");
    const std::string r = run();
    EXPECT_TRUE(has_line(r, "ERROR: QUARRO.BSY exists: " + busy + "\r\n       Confirm no QUARRO32 process is running before treating it as stale."));
    EXPECT_FALSE(app.flags.preflight_passed);
}

TEST_F(Preflight, TheNaSourceMustBeByteIdentical) {
    p.fb.write_text(p.na_path, "ALPHA Alpha\r\nBETA Beta\r\nGAMMA Gamma\r\n");  // rewritten, same bytes
    EXPECT_TRUE(has_line(run(), "PASS: .NA source bytes match the reviewed preview."));
    p.fb.write_text(p.na_path, "ALPHA Alphb\r\nBETA Beta\r\nGAMMA Gamma\r\n");
    EXPECT_TRUE(has_line(run(), "ERROR: The .NA source file changed after preview. Reparse and regenerate the dry run."));
    app.flags.na_loaded = false;
    EXPECT_TRUE(has_line(run(), "ERROR: .NA source fingerprint is unavailable; reparse the file."));
}

TEST_F(Preflight, EveryNodeFileMustEqualTheBaselineAndBeExclusivelyWritable) {
    const std::string node2 = sep(p.inst.nodes[1], "SFMCONF.DAT");
    auto bytes = p.fb.read_file(node2);
    bytes.insert(bytes.end(), 128, 0);
    p.fb.write_file(node2, bytes);
    EXPECT_TRUE(has_line(run(), "Node 2: ERROR: SFMCONF.DAT differs from the inspected Node 1 baseline."));
    bytes.resize(bytes.size() - 128);
    p.fb.write_file(node2, bytes);
    {
        ScopedHandle held(*p.native, p.native->open(sep(p.inst.nodes[2], "SFMCONF.DAT"), OpenMode::ReadWriteExclusive));
        ASSERT_TRUE(held.valid());
        EXPECT_TRUE(has_line(run(), "Node 3: File is locked or not writable: " + sep(p.inst.nodes[2], "SFMCONF.DAT")));
        EXPECT_EQ(v.status(StatusLine::Writer), "Preflight blocked. Correct every ERROR and run it again.");
    }
    EXPECT_TRUE(has_line(run(), "PREFLIGHT RESULT: PASS"));
}

TEST_F(Preflight, MessageFilesOfFutureConferencesBlock) {
    p.fb.write_text(sep(p.inst.message_dir, "SFMSG08.IDX"), "");
    const std::string r = run();
    EXPECT_TRUE(has_line(r, "ERROR: Future Conference #8 conflicts with existing message file: SFMSG08.IDX"));
    EXPECT_EQ(r.find("Future Conference #7"), std::string::npos);
}

TEST_F(Preflight, BrokenExistingMessageBasesBlock) {
    test::MessageBaseSpec orphan;
    orphan.shape = test::ThreadShape::OrphanReply;
    p.fb.make_message_base(p.inst.message_dir, 3, orphan);
    const std::string r = run();
    EXPECT_TRUE(has_line(r, "CONF 03  [DANGER: invalid thread linkage]"));
    EXPECT_TRUE(has_line(r, "PREFLIGHT RESULT: BLOCKED"));
}

TEST_F(Preflight, TheBackupRootMustBeSeparateAndWritable) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "ERROR: Select a backup root directory."},
        {p.inst.nodes[1], "ERROR: Backup root must be separate from Node 2 and may not contain or be contained by it."},
        {sep(p.inst.nodes[0], "BACKUP"), "ERROR: Backup root must be separate from Node 1 and may not contain or be contained by it."},
        {p.inst.root, "ERROR: Backup root must be separate from Node 1 and may not contain or be contained by it."},
        {sep(p.inst.message_dir, "B"), "ERROR: Backup root must be separate from the shared MESSAGE directory."},
        {sep(app.files.program_dir, "B"), "ERROR: Backup root must be separate from the Marlinth program directory."},
        {sep(sep(p.dir.path(), "missing"), "deeper"), "Cannot create directory: " + sep(sep(p.dir.path(), "missing"), "deeper")},
    };
    for (const auto& [root, line] : cases) {
        v.type(ControlId::BackupRoot, root);
        const std::string r = run();
        EXPECT_TRUE(has_line(r, line)) << root << "\n" << r;
        EXPECT_FALSE(app.flags.preflight_passed);
    }
    v.type(ControlId::BackupRoot, sep(p.dir.path(), "NEWROOT"));
    p.fp.fail_path(test::Op::Flush, "Marlinth-write-test.tmp");
    const std::string r = run();
    EXPECT_TRUE(has_line(r, "FlushFileBuffers failed: " + sep(sep(p.dir.path(), "NEWROOT"), "Marlinth-write-test.tmp")));
    EXPECT_TRUE(has_line(r, "ERROR: Backup root failed its create/write/verify/delete probe."));
    EXPECT_FALSE(p.fb.exists(sep(sep(p.dir.path(), "NEWROOT"), "Marlinth-write-test.tmp")));
}

TEST_F(Preflight, WithoutACurrentPlanItBlocksAndSaysSo) {
    v.type(ControlId::ConferenceSecurity, "20");  // makes the plan stale
    const std::string r = run();
    EXPECT_NE(r.find("=\r\nERROR: Generate and review a current dry-run plan first.\r\n"), std::string::npos);
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].text, "Writer preflight was BLOCKED. No Spitfire files were changed.\r\n\r\n"
                                 "Generate and review a current dry-run plan before preflight.\r\n"
                                 "Review the Writer output for each exact ERROR.");
}

TEST_F(Preflight, ChangesAfterTheDryRunAreCaughtByTheSignature) {
    app.preview.areas[0].proposed_name = "Net: Renamed behind the plan's back";
    EXPECT_TRUE(has_line(run(), "ERROR: Setup, proposed settings, or area selections changed after the dry run. Generate it again."));
}

TEST_F(Preflight, ABackupRootEditKeepsThePlanButNeedsANewPreflight) {
    run();
    ASSERT_TRUE(app.flags.preflight_passed);
    v.type(ControlId::BackupRoot, p.inst.backup_root + "2");
    EXPECT_TRUE(app.flags.plan_current);
    EXPECT_FALSE(app.flags.preflight_passed);
    EXPECT_EQ(v.status(StatusLine::Writer), "Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.");
    v.queue_pick(p.inst.backup_root + "3");
    run();
    v.click(ControlId::BrowseBackupRoot);
    EXPECT_EQ(v.folder_dialogs().back(), "Select a backup root separate from Spitfire, MESSAGE, and Marlinth");
    EXPECT_EQ(v.text(ControlId::BackupRoot), p.inst.backup_root + "3");
    EXPECT_FALSE(app.flags.preflight_passed);
}

TEST_F(Preflight, NothingRunsAfterACompletedWrite) {
    app.flags.write_completed = true;
    app.writer->reset();
    app.writer->append("earlier transaction record");
    run();
    EXPECT_EQ(app.writer->str(), "earlier transaction record");
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(v.boxes()[0].text,
              "A write already completed in this session. Restart Marlinth after Spitfire creates the new message files.");
}

}  // namespace
}  // namespace marlinth
