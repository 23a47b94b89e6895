// The scripted runner: its line language, how it shows boxes and refusals, and a sysop's setup
// road replayed from a script file.
#include <gtest/gtest.h>

#include "core/strings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

using test::ScriptVars;

class Scripts : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    test::FixtureBuilder fb{*native};
    test::TempDir dir;

    void SetUp() override {
        LocalTime t;
        t.year = 2026, t.month = 12, t.day = 5, t.hour = 9, t.minute = 5, t.second = 3;
        fp.set_time(t);
        fp.set_processes({});
    }
    test::ScriptResult run(const std::string& script, const ScriptVars& vars = {}) {
        return test::run_script(fp, dir.path(), script, vars);
    }
};

TEST_F(Scripts, SetupRoadLeavesTheExpectedConfiguration) {
    ScriptVars vars{{"NODE1", "C:\\BBS\\SF"}, {"NODE2", "C:\\BBS\\SF2"}, {"NODE3", "C:\\BBS\\SF3"},
                    {"MESSAGE", "C:\\BBS\\MESSAGE"}, {"BACKUP", "D:\\SF_BACKUPS"}};
    test::ScriptResult r = run(test::load_script("setup.script"), vars);
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output,
              "1\n"
              "main: Settings saved.\n"
              "writer: Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.\n"
              "settings: Run inspection, load an .NA file, and review proposed names before generating a plan.\n"
              "plan: \n"
              "BOX error: The number of nonblank node-directory lines must match Node count.\n"
              "[09:05:03] Marlinth v0.4b append-only conference builder started.\n"
              "[09:05:03] Loaded .NA profiles: 16\n"
              "[09:05:03] Settings saved.\n");
    auto cfg = fb.read_file(dir / "Marlinth.cfg");
    EXPECT_EQ(std::string(cfg.begin(), cfg.end()),
              "; Marlinth portable configuration\r\nVERSION=2\r\nNODECOUNT=3\r\nNODE1=C:\\BBS\\SF\r\nNODE2=C:\\BBS\\SF2\r\n"
              "NODE3=C:\\BBS\\SF3\r\nMSGDIR=C:\\BBS\\MESSAGE\r\nUSEQUARRO=0\r\nQUARROCFG=\r\nREPORTDIR=\r\n"
              "BACKUPROOT=D:\\SF_BACKUPS\r\n");
    auto log = fb.read_file(dir / "Marlinth.log");
    EXPECT_EQ(std::string(log.begin(), log.end()),
              "[09:05:03] Marlinth v0.4b append-only conference builder started.\r\n"
              "[09:05:03] Loaded .NA profiles: 16\r\n[09:05:03] Settings saved.\r\n");
}

TEST_F(Scripts, BoxesPrintOnOneLineAndAnswersAreTakenInOrder) {
    // Discovery without Node 1 warns; export with an empty report warns and opens no dialog.
    test::ScriptResult r = run("click 114\nclick 140\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.output,
              "BOX warning: Configure Node 1 before discovery.\n"
              "BOX warning: There is no inspection report to export yet.\n");
}

TEST_F(Scripts, TextIsTakenAsItStandsAndChoicesAndChecksWork) {
    test::ScriptResult r = run("set 132   two  blanks\\kept \nprint 132\nchoose 136 2\nprint 136\n"
                               "check 373 on\ncheck 374 on\nprint 373\nprint 374\n");
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, "  two  blanks\\kept \n  All\n  Ready\n* Review\n  Errors\noff\non\n");
}

TEST_F(Scripts, ActionsOnDisabledControlsAreRefusedAndShown) {
    test::ScriptResult r = run("set 118 C:\\Q\\QUARRO32.CFG\nprint 118\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.output, "DISABLED: set 118\n\n");
}

TEST_F(Scripts, MalformedLinesStopTheScriptWithTheirLineNumber) {
    EXPECT_EQ(run("# fine\nclick 9999\n").output, "SCRIPT ERROR line 2: no control has the id 9999\n");
    EXPECT_EQ(run("jump 110\n").output, "SCRIPT ERROR line 1: unknown command 'jump'\n");
    EXPECT_EQ(run("answer maybe\n").output, "SCRIPT ERROR line 1: answer needs yes, no or ok\n");
    EXPECT_EQ(run("setlines 111\nA\n").output, "SCRIPT ERROR line 2: setlines without a closing '.' line\n");
    EXPECT_FALSE(run("check 117 maybe\n").ok);
}

TEST_F(Scripts, ExecRunsAnOutsideCommandToItsEndAndShowsOnlyAFailure) {
    const std::string made = dir / "made";
    test::ScriptResult r = run("exec mkdir " + made + "\nexec echo not for the transcript\nexec exit 3\n");
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, "EXEC FAILED 3: exit 3\n");
    EXPECT_TRUE(fb.exists(made));
    EXPECT_EQ(run("exec   \n").output, "SCRIPT ERROR line 1: exec needs a command line\n");
}

TEST_F(Scripts, PrintPageShowsTheWizardStepAndItsQuestion) {
    test::ScriptResult r = run("print page\nclick 300\nprint page\nset 370 2\nclick 311\nprint page\n");
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output,
              "Wizard Mode is not active.\n1\nHow many Spitfire nodes do you have?\n2\nWhere is Node 1 installed?\n");
}

TEST_F(Scripts, PrintShowsBuffersAndStatusLines) {
    test::ScriptResult r = run("print buffer report\nprint status\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.output,
              "\nmain: Ready. 32-bit Windows XP SP2 or Windows 7; no administrator rights required.\n"
              "writer: Generate a current dry-run plan before running writer preflight.\n"
              "settings: Run inspection, load an .NA file, and review proposed names before generating a plan.\n"
              "plan: \n");
}

}  // namespace
}  // namespace marlinth
