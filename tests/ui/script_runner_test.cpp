// The scripted runner: its line language, how it shows refusals, where it stops on a bad line,
// and a sysop's setup road replayed from a script file.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/fault_platform.h"
#include "fixture/installation.h"
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
};

// The transcript, then the saved configuration and log, whose CRLF line ends are checked here
// and shown as LF in the golden file.
TEST_F(Scripts, SetupRoadLeavesTheExpectedConfiguration) {
    const test::ScriptResult r = run(test::load_script("setup.script"), {{"NODE1", "C:\\BBS\\SF"}, {"NODE2", "C:\\BBS\\SF2"},
                                                                         {"NODE3", "C:\\BBS\\SF3"}, {"MESSAGE", "C:\\BBS\\MESSAGE"},
                                                                         {"BACKUP", "D:\\SF_BACKUPS"}});
    ASSERT_TRUE(r.ok) << r.output;
    std::string all = r.output;
    for (const std::string name : {"Marlinth.cfg", "Marlinth.log"}) {
        const std::vector<uint8_t> bytes = fb.read_file(dir / name);
        std::string text(bytes.begin(), bytes.end());
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), std::count(text.begin(), text.end(), '\n')) << name;
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        all += "--- " + name + "\n" + text;
    }
    EXPECT_EQ(all, test::golden("setup.expected", all, {}));
}

TEST_F(Scripts, LinesRunAsWrittenAndABadLineStopsTheScriptWithItsNumber) {
    const struct { const char* script; bool ok; const char* output; } cases[] = {
        // Text is taken as it stands, blanks and backslashes kept.
        {"click 301\nchoose 100 2\nset 132   two  blanks\\kept \nprint 132\nchoose 136 2\nprint 136\n", true,
         "  two  blanks\\kept \n  All\n  Ready\n* Review\n  Errors\n"},
        // An action on a control the current page does not show is refused and shown, and changes
        // nothing. (The transcripts show refusals on disabled controls.)
        {"click 384\ncheck 373 off\nset 183 YES\nprint 373\nprint 183\n", true,
         "HIDDEN: click 384\nHIDDEN: check 373\nHIDDEN: set 183\non\n\n"},
        {"exec echo not for the transcript\nexec exit 3\nprint page\n", true, "EXEC FAILED 3: exit 3\nWizard Mode is not active.\n"},
        {"# fine\nclick 9999\nprint page\n", false, "SCRIPT ERROR line 2: no control has the id 9999\n"},
        {"click 11x\n", false, "SCRIPT ERROR line 1: expected a control id, found '11x'\n"},
        {"jump 110\n", false, "SCRIPT ERROR line 1: unknown command 'jump'\n"},
        {"answer maybe\n", false, "SCRIPT ERROR line 1: answer needs yes, no or ok\n"},
        {"setlines 111\nA\n", false, "SCRIPT ERROR line 2: setlines without a closing '.' line\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const test::ScriptResult r = run(c.script);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.output, c.output);
    }
}

}  // namespace
}  // namespace marlinth
