// The writer preflight: every check runs and writes its line; the verdict is their conjunction.
// The exact report of a clean pass is pinned by tests/scripts/writer_road.expected.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "core/files.h"
#include "support/planned_session.h"
#include "support/script_harness.h"
#include "writer/preflight.h"

namespace marlinth {
namespace {

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }

// A session with a current dry-run plan.
struct Planned {
    test::PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    std::shared_ptr<void> held;  // a file handle kept open while the preflight runs

    Planned() {
        v.click(ControlId::GeneratePlan);
        if (!app.flags.plan_current) throw std::runtime_error("fixture plan failed");
    }
    std::string run() {
        v.clear_boxes();
        v.click(ControlId::RunPreflight);
        return app.writer->str();
    }
    std::string whoson() { return sep(sep(p.inst.nodes[0], "WORK"), "SFWHOSON.DAT"); }
    std::string node_file(int i) { return sep(p.inst.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    std::string work() { return sep(p.dir.path(), "QWORK"); }
    // A tosser configuration whose work directory holds its own one-record SFWHOSON.DAT.
    std::string quarro(bool use) {
        const std::string cfg = sep(p.dir.path(), "QUARRO32.CFG"), w = work();
        p.fb.write_text(cfg, "CONFDIR " + p.inst.nodes[0] + "\r\nMSGDIR " + p.inst.message_dir + "\r\nWORKDIR " + w +
                                 "\r\nKEEPPROCESSED Y\r\nPROCESSEDDIR " + w + "\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR " + w + "\r\n");
        p.fb.write_whoson(sep(w, "SFWHOSON.DAT"), {-1});
        v.set_enabled(ControlId::QuarroCfgPath, true);
        v.type(ControlId::QuarroCfgPath, cfg);
        v.set_checked(ControlId::UseQuarro, use);
        v.click(ControlId::GeneratePlan);
        return cfg;
    }
};

// Busy: a node, a mailer or the tosser may be at work, which has its own status and box.
enum Verdict { Pass, Blocked, Busy, NoPlan };

// Each case alone: the lines its report must hold ("|" between them, ${NAME} for the session's
// paths) and the verdict with its status and box.
TEST(Preflight, EveryCheckWritesItsLineAndAnyErrorBlocks) {
    using Arrange = std::function<void(Planned&)>;
    const auto root = [](std::function<std::string(Planned&)> path) {
        return [=](Planned& s) { s.v.type(ControlId::BackupRoot, path(s)); };
    };
    const auto processes = [](std::string name) { return [=](Planned& s) { s.p.fp.set_processes({name}); }; };
    const std::string kSeparate = "ERROR: Backup root must be separate from ";
    const std::vector<std::tuple<const char*, Verdict, Arrange, std::string>> cases = {
        {"clean", Pass, [](Planned&) {}, "PASS: SFWHOSON.DAT node check: 4 record(s); no occupied Spitfire callers found.|INFO: "
         "NTVDM.EXE is not running; SFWHOSON.DAT remains the authoritative Spitfire node check.|PASS: Backup root is separate "
         "and writable: ${BACKUP}"},
        {"occupied node", Busy, [](Planned& s) { s.p.fb.write_whoson(s.whoson(), {-1, 5}, 0x1A); },
         "ERROR: Node 2 is occupied by UserNo 5 (Mode=0x1A).|ERROR: SFWHOSON.DAT reports 1 occupied node record(s). Shut down "
         "every Spitfire node before writing."},
        {"node status file of a bad size", Busy, [](Planned& s) { s.p.fb.write_file(s.whoson(), std::vector<uint8_t>(7, 0xFF)); },
         "ERROR: SFWHOSON.DAT has invalid size 7; expected a nonzero multiple of 6 bytes."},
        {"node status file missing", Busy, [](Planned& s) { s.p.fb.remove_file(s.whoson()); },
         "Cannot open: ${WHOSON}|ERROR: Unable to validate Spitfire node status from ${WHOSON}"},
        // The tosser's work directory counts only when the tosser is in use.
        {"tosser configured, not used", Pass, [](Planned& s) { s.quarro(false); },
         "INFO: Spitfire node-status file (default Node 1 WORK): ${WHOSON}"},
        {"tosser used", Pass, [](Planned& s) { s.quarro(true); }, "INFO: Spitfire node-status file (QUARRO32 WORKDIR): "
         "${WORK}${SEP}SFWHOSON.DAT|PASS: SFWHOSON.DAT node check: 1 record(s); no occupied Spitfire callers found."},
        {"tosser configuration broken", Busy, [](Planned& s) { s.p.fb.write_text(s.quarro(true), "CONFDIR\r\n"); },
         "ERROR: Unable to resolve QUARRO32 WORKDIR from ${DIR}${SEP}QUARRO32.CFG\r\nQUARRO32 v1.07 CONFIGURATION PARSER - READ "
         "ONLY|ERROR line 1: Path value may not be blank."},
        {"NTVDM running", Pass, processes("ntvdm.exe"),
         "INFO: NTVDM.EXE is running; SFWHOSON.DAT is authoritative for actual Spitfire node occupancy."},
        {"mailer running", Busy, processes("rexw.exe"),
         "ERROR: A known iREX process is running. Shut down the external mailer before changing conference configuration."},
        {"tosser running", Busy, processes("QUARRO32.EXE"), "ERROR: QUARRO32.EXE is running. Shut down the tosser."},
        // An untakeable process list cannot be told from an empty one.
        {"process list fails", Pass, [](Planned& s) { s.p.fp.set_process_list_fails(); }, "PASS: QUARRO32.EXE is not running."},
        {"busy flag file", Busy, [](Planned& s) { s.p.fb.write_text(sep(s.p.inst.message_dir, "QUARRO.BSY"), ""); },
         "ERROR: QUARRO.BSY exists: ${MESSAGE}${SEP}QUARRO.BSY\r\n       Confirm no QUARRO32 process is running before "
         "treating it as stale."},
        {"busy flag directory", Pass, [](Planned& s) { s.p.fb.make_dir(sep(s.p.inst.message_dir, "QUARRO.BSY")); },
         "PASS: QUARRO.BSY is absent."},
        {".NA rewritten with the same bytes", Pass, [](Planned& s) { s.p.fb.write_text(s.p.na_path, "ALPHA Alpha\r\nBETA Beta\r\nGAMMA Gamma\r\n"); },
         "PASS: .NA source bytes match the reviewed preview."},
        {".NA changed", Blocked, [](Planned& s) { s.p.fb.write_text(s.p.na_path, "ALPHA Alphb\r\nBETA Beta\r\nGAMMA Gamma\r\n"); },
         "ERROR: The .NA source file changed after preview. Reparse and regenerate the dry run."},
        {".NA fingerprint unavailable", Blocked, [](Planned& s) { s.app.flags.na_loaded = false; },
         "ERROR: .NA source fingerprint is unavailable; reparse the file."},
        {"node file differs", Blocked, [](Planned& s) {
             auto bytes = s.p.fb.read_file(s.node_file(2));
             bytes.resize(bytes.size() + 128);
             s.p.fb.write_file(s.node_file(2), bytes);
         }, "Node 2: ERROR: SFMCONF.DAT differs from the inspected Node 1 baseline."},
        {"node file locked", Blocked, [](Planned& s) {
             s.held = std::make_shared<ScopedHandle>(*s.p.native, s.p.native->open(s.node_file(3), OpenMode::ReadWriteExclusive));
         }, "Node 3: File is locked or not writable: ${NODE3}"},
        {"message file of a future conference", Blocked, [](Planned& s) { s.p.fb.write_text(sep(s.p.inst.message_dir, "SFMSG08.IDX"), ""); },
         "ERROR: Future Conference #8 conflicts with existing message file: SFMSG08.IDX"},
        {"broken message base", Blocked, [](Planned& s) {
             test::MessageBaseSpec orphan;
             orphan.shape = test::ThreadShape::OrphanReply;
             s.p.fb.make_message_base(s.p.inst.message_dir, 3, orphan);
         }, "CONF 03  [DANGER: invalid thread linkage]"},
        {"no root", Blocked, root([](Planned&) { return ""; }), "ERROR: Select a backup root directory."},
        {"root is node 2", Blocked, root([](Planned& s) { return s.p.inst.nodes[1]; }),
         kSeparate + "Node 2 and may not contain or be contained by it."},
        {"root holds node 1", Blocked, root([](Planned& s) { return s.p.inst.root; }),
         kSeparate + "Node 1 and may not contain or be contained by it."},
        {"root in MESSAGE", Blocked, root([](Planned& s) { return sep(s.p.inst.message_dir, "B"); }), kSeparate + "the shared MESSAGE directory."},
        {"root in the program's", Blocked, root([](Planned& s) { return sep(s.app.files.program_dir, "B"); }),
         kSeparate + "the Marlinth program directory."},
        {"root cannot be made", Blocked, root([](Planned& s) { return sep(sep(s.p.dir.path(), "missing"), "deeper"); }),
         "Cannot create directory: ${DIR}${SEP}missing${SEP}deeper"},
        {"root fails its write probe", Blocked, [](Planned& s) {
             s.v.type(ControlId::BackupRoot, sep(s.p.dir.path(), "NEWROOT"));
             s.p.fp.fail_path(test::Op::Flush, "Marlinth-write-test.tmp");
         }, "FlushFileBuffers failed: ${DIR}${SEP}NEWROOT${SEP}Marlinth-write-test.tmp|ERROR: Backup root failed its "
            "create/write/verify/delete probe."},
        {"changed behind the plan's back", Blocked, [](Planned& s) { s.app.preview.areas[0].proposed_name = "Net: Renamed"; },
         "ERROR: Setup, proposed settings, or area selections changed after the dry run. Generate it again."},
        {"no current plan", NoPlan, [](Planned& s) { s.v.type(ControlId::ConferenceSecurity, "20"); },
         "=\r\nERROR: Generate and review a current dry-run plan first."},
    };
    const std::string kBusyBox = "Shut down every occupied Spitfire node and stop every external mailer/tosser, including "
                                 "QUARRO32 when used.\r\nConfirm QUARRO.BSY is absent before running preflight again. NTVDM "
                                 "alone does not block; SFWHOSON.DAT determines node occupancy.\r\n";
    for (const auto& [what, verdict, arrange, expected] : cases) {
        SCOPED_TRACE(what);
        Planned s;
        arrange(s);
        const std::string r = s.run();
        const test::ScriptVars vars = {{"WHOSON", s.whoson()}, {"WORK", s.work()}, {"DIR", s.p.dir.path()}, {"NODE3", s.node_file(3)},
                                       {"MESSAGE", s.p.inst.message_dir}, {"BACKUP", s.p.inst.backup_root}, {"SEP", std::string(1, kPathSeparator)}};
        std::stringstream lines(test::substitute(expected, vars));
        for (std::string line; std::getline(lines, line, '|');) EXPECT_NE(r.find(line + "\r\n"), std::string::npos) << line << "\n" << r;
        EXPECT_EQ(s.app.flags.preflight_passed, verdict == Pass);
        EXPECT_NE(r.find(verdict == Pass ? "\r\nPREFLIGHT RESULT: PASS\r\nAll checks will be repeated immediately before commit.\r\n"
                                         : "\r\nPREFLIGHT RESULT: BLOCKED\r\n"), std::string::npos);
        EXPECT_EQ(s.v.text(ControlId::WriterText), r);
        EXPECT_FALSE(s.p.fb.exists(sep(s.v.text(ControlId::BackupRoot), "Marlinth-write-test.tmp")));
        ASSERT_FALSE(s.v.boxes().empty());  // a missing fingerprint also has its own box first
        const auto& box = s.v.boxes().back();
        const std::string status = s.v.status(StatusLine::Writer);
        if (verdict == Pass) {
            EXPECT_EQ(box.icon, BoxIcon::Information);
            EXPECT_EQ(status, "Automated preflight passed. Confirm every Spitfire node window is closed before typing YES.");
            continue;
        }
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_EQ(box.text, "Writer preflight was BLOCKED. No Spitfire files were changed.\r\n\r\n" + (verdict == Busy ? kBusyBox : "") +
                                (verdict == NoPlan ? "Generate and review a current dry-run plan before preflight.\r\n" : "") +
                                "Review the Writer output for each exact ERROR.");
        EXPECT_EQ(status, verdict == Busy ? "BLOCKED: Shut down occupied Spitfire nodes and every external mailer/tosser; "
                                            "confirm QUARRO.BSY is absent and review each ERROR."
                                          : "Preflight blocked. Correct every ERROR and run it again.");
    }
}

TEST(Preflight, ABackupRootEditKeepsThePlanButNeedsANewPreflight) {
    Planned s;
    s.run();
    ASSERT_TRUE(s.app.flags.preflight_passed);
    s.v.type(ControlId::BackupRoot, s.p.inst.backup_root + "2");
    EXPECT_TRUE(s.app.flags.plan_current);
    EXPECT_FALSE(s.app.flags.preflight_passed);
    EXPECT_EQ(s.v.status(StatusLine::Writer), "Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.");
    s.run();
    ASSERT_TRUE(s.app.flags.preflight_passed);
    s.v.queue_pick(s.p.inst.backup_root + "3");
    s.v.click(ControlId::BrowseBackupRoot);
    EXPECT_EQ(s.v.folder_dialogs().back(), "Select a backup root separate from Spitfire, MESSAGE, and Marlinth");
    EXPECT_EQ(s.v.text(ControlId::BackupRoot), s.p.inst.backup_root + "3");
    EXPECT_FALSE(s.app.flags.preflight_passed);
}

}  // namespace
}  // namespace marlinth
