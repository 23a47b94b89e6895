// The scripted runner: its line language, how it shows boxes and refusals, where it stops on a
// bad line, and a sysop's setup road replayed from a script file.
#include <gtest/gtest.h>

#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

class Scripts : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    test::FixtureBuilder fb{*native};
    test::TempDir dir;

    void SetUp() override {
        fp.set_time({2026, 12, 5, 9, 5, 3});
        fp.set_processes({});
    }
    test::ScriptResult run(const std::string& script, const test::ScriptVars& vars = {}) {
        return test::run_script(fp, dir.path(), script, vars);
    }
    std::string file(const std::string& name) {
        const std::vector<uint8_t> bytes = fb.read_file(dir / name);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(Scripts, SetupRoadLeavesTheExpectedConfiguration) {
    const test::ScriptResult r = run(test::load_script("setup.script"), {{"NODE1", "C:\\BBS\\SF"}, {"NODE2", "C:\\BBS\\SF2"},
                                                                         {"NODE3", "C:\\BBS\\SF3"}, {"MESSAGE", "C:\\BBS\\MESSAGE"},
                                                                         {"BACKUP", "D:\\SF_BACKUPS"}});
    ASSERT_TRUE(r.ok) << r.output;
    std::string log, log_file;
    for (const char* line : {"[09:05:03] Marlinth v0.4b append-only conference builder started.",
                             "[09:05:03] Loaded .NA profiles: 16", "[09:05:03] Settings saved."})
        log += line + std::string("\n"), log_file += line + std::string("\r\n");
    EXPECT_EQ(r.output,
              "1\nmain: Settings saved.\n"
              "writer: Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.\n"
              "settings: Run inspection, load an .NA file, and review proposed names before generating a plan.\n"
              "plan: \nBOX error: The number of nonblank node-directory lines must match Node count.\n" + log);
    EXPECT_EQ(file("Marlinth.cfg"),
              "; Marlinth portable configuration\r\nVERSION=2\r\nNODECOUNT=3\r\nNODE1=C:\\BBS\\SF\r\nNODE2=C:\\BBS\\SF2\r\n"
              "NODE3=C:\\BBS\\SF3\r\nMSGDIR=C:\\BBS\\MESSAGE\r\nUSEQUARRO=0\r\nQUARROCFG=\r\nREPORTDIR=\r\n"
              "BACKUPROOT=D:\\SF_BACKUPS\r\n");
    EXPECT_EQ(file("Marlinth.log"), log_file);
}

TEST_F(Scripts, LinesRunAsWrittenAndABadLineStopsTheScriptWithItsNumber) {
    struct Case {
        const char* script;
        bool ok;
        const char* output;
    };
    const Case cases[] = {
        // Boxes print on one line each; text is taken as it stands, blanks and backslashes kept.
        {"click 114\nclick 140\n", true,
         "BOX warning: Configure Node 1 before discovery.\nBOX warning: There is no inspection report to export yet.\n"},
        {"set 132   two  blanks\\kept \nprint 132\nchoose 136 2\nprint 136\ncheck 373 on\ncheck 374 on\nprint 373\n"
         "print 374\n",
         true, "  two  blanks\\kept \n  All\n  Ready\n* Review\n  Errors\noff\non\n"},
        // An action on a disabled control is refused and shown, and changes nothing.
        {"set 118 C:\\Q\\QUARRO32.CFG\nprint 118\n", true, "DISABLED: set 118\n\n"},
        {"print page\nclick 300\nprint page\nset 370 2\nclick 311\nprint page\n", true,
         "Wizard Mode is not active.\n1\nHow many Spitfire nodes do you have?\n2\nWhere is Node 1 installed?\n"},
        {"print buffer report\nprint status\n", true,
         "\nmain: Ready. 32-bit Windows XP SP2 or Windows 7; no administrator rights required.\n"
         "writer: Generate a current dry-run plan before running writer preflight.\n"
         "settings: Run inspection, load an .NA file, and review proposed names before generating a plan.\nplan: \n"},
        {"exec echo not for the transcript\nexec exit 3\nprint page\n", true, "EXEC FAILED 3: exit 3\nWizard Mode is not active.\n"},
        {"# fine\nclick 9999\nprint page\n", false, "SCRIPT ERROR line 2: no control has the id 9999\n"},
        {"click 11x\n", false, "SCRIPT ERROR line 1: expected a control id, found '11x'\n"},
        {"jump 110\n", false, "SCRIPT ERROR line 1: unknown command 'jump'\n"},
        {"answer maybe\n", false, "SCRIPT ERROR line 1: answer needs yes, no or ok\n"},
        {"check 117 maybe\n", false, "SCRIPT ERROR line 1: check needs on or off\n"},
        {"choose 136 two\n", false, "SCRIPT ERROR line 1: choose needs a position\n"},
        {"select 201 1;2\n", false, "SCRIPT ERROR line 1: select needs rows such as 0,2,5\n"},
        {"print buffer screen\n", false, "SCRIPT ERROR line 1: print buffer needs report, writer, plan or log\n"},
        {"setlines 111\nA\n", false, "SCRIPT ERROR line 2: setlines without a closing '.' line\n"},
        {"exec   \n", false, "SCRIPT ERROR line 1: exec needs a command line\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const test::ScriptResult r = run(c.script);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.output, c.output);
    }
    // exec waits for the command to finish.
    ASSERT_TRUE(run("exec mkdir " + dir / "made" + "\n").ok);
    EXPECT_TRUE(fb.exists(dir / "made"));
}

}  // namespace
}  // namespace marlinth
