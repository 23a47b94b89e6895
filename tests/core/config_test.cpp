// The portable configuration: reading every quirk of its lines and keys, the exact text it is
// written as, and setup validation.
#include <gtest/gtest.h>

#include "core/config.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

using test::FixtureBuilder;
using test::TempDir;

class Config : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    FixtureBuilder fb{*native};
    TempDir dir;

    std::unique_ptr<HeadlessSession> start_with(const std::string& cfg) {
        fb.write_text(dir / "Marlinth.cfg", cfg);
        return std::make_unique<HeadlessSession>(*native, dir.path());
    }
    std::string cfg_on_disk() {
        auto b = fb.read_file(dir / "Marlinth.cfg");
        return std::string(b.begin(), b.end());
    }
};

TEST_F(Config, WithoutAFileTheDefaultsApply) {
    HeadlessSession s(*native, dir.path());
    const SetupState& setup = s.app().setup;
    EXPECT_EQ(setup.nodes.count, 1);
    EXPECT_EQ(setup.nodes.dir[1], "");
    EXPECT_EQ(setup.message_dir, "");
    EXPECT_FALSE(setup.use_quarro);
    EXPECT_EQ(setup.backup_root, "");
    EXPECT_EQ(s.view().text(ControlId::NodeCount), "1");
    EXPECT_FALSE(s.view().enabled(ControlId::QuarroCfgPath));
}

TEST_F(Config, KeysAreCaseInsensitiveAndBlanksAroundThemIgnored) {
    auto s = start_with(" nodecount = 3 \r\nNODE 2=\tC:\\BBS\\SF2 \nnode1=C:\\BBS\\SF\r\r\nmsgdir=C:\\BBS\\MESSAGE\n"
                        "; NODE3=ignored comment\nNODE3=C:\\BBS\\SF3\nUseQuarro=yes\nQUARROCFG=C:\\Q\\QUARRO32.CFG\n"
                        "REPORTDIR=C:\\Reports\nVERSION=9\nUNKNOWN=1\n");
    const SetupState& setup = s->app().setup;
    EXPECT_EQ(setup.nodes.count, 3);
    EXPECT_EQ(setup.nodes.dir[1], "C:\\BBS\\SF");
    EXPECT_EQ(setup.nodes.dir[2], "C:\\BBS\\SF2");
    EXPECT_EQ(setup.nodes.dir[3], "C:\\BBS\\SF3");
    EXPECT_EQ(setup.message_dir, "C:\\BBS\\MESSAGE");
    EXPECT_TRUE(setup.use_quarro);
    EXPECT_EQ(setup.quarro_cfg_path, "C:\\Q\\QUARRO32.CFG");
    EXPECT_EQ(setup.report_dir, "C:\\Reports");
    const std::string root = std::string("C:\\BBS") + kPathSeparator + "SF_BACKUPS";
    EXPECT_EQ(setup.backup_root, root);
    EXPECT_EQ(s->view().text(ControlId::NodeList), "C:\\BBS\\SF\r\nC:\\BBS\\SF2\r\nC:\\BBS\\SF3");
    EXPECT_EQ(s->view().text(ControlId::BackupRoot), root);
    EXPECT_EQ(s->view().text(ControlId::WizardBackupRoot), root);
    EXPECT_TRUE(s->view().enabled(ControlId::QuarroCfgPath));
    EXPECT_TRUE(s->view().checked(ControlId::WizardQuarroYes));
}

TEST_F(Config, InvalidNodeNumbersAndCountsAreIgnored) {
    auto s = start_with("NODECOUNT=2\nNODECOUNT=40\nNODECOUNT=0\nNODECOUNT=abc\nNODE0=zero\nNODE33=big\nNODEX=x\n"
                        "NODE1=C:\\SF\nUSEQUARRO=true\n");
    const SetupState& setup = s->app().setup;
    EXPECT_EQ(setup.nodes.count, 2);  // the last valid NODECOUNT
    EXPECT_EQ(setup.nodes.dir[0], "");
    EXPECT_FALSE(setup.use_quarro);
    EXPECT_EQ(setup.backup_root, std::string("C:") + kPathSeparator + "SF_BACKUPS");
}

TEST_F(Config, ABareNode1FolderGivesNoDefaultBackupRoot) {
    auto s = start_with("NODE1=SF\nUSEQUARRO=0\n");
    EXPECT_EQ(s->app().setup.backup_root, "");
    auto t = start_with("NODE1=C:\\SF\nBACKUPROOT=E:\\SAFE\n");
    EXPECT_EQ(t->app().setup.backup_root, "E:\\SAFE");
}

TEST_F(Config, LongLinesAndValuesAreCutNotRejected) {
    const std::string long_path(300, 'p');
    auto s = start_with("MSGDIR=" + long_path + "\nNODE1=" + std::string(600, 'q') + "\n");
    EXPECT_EQ(s->app().setup.message_dir.size(), kMaxPath);
    // A 511-character line is cut and its remainder read as the next line.
    EXPECT_EQ(s->app().setup.nodes.dir[1].size(), kMaxPath);
}

TEST_F(Config, OversizedOrUnreadableFilesLeaveTheDefaults) {
    auto s = start_with("NODECOUNT=5\n" + std::string(kMaxConfigBytes, ';'));
    EXPECT_EQ(s->app().setup.nodes.count, 1);
    fb.remove_file(dir / "Marlinth.cfg");
    fb.make_dir(dir / "Marlinth.cfg");  // a directory where the file should be
    HeadlessSession t(*native, dir.path());
    EXPECT_EQ(t.app().setup.nodes.count, 1);
}

TEST_F(Config, SaveWritesTheExactTextAndReadsTheBackupRootField) {
    HeadlessSession s(*native, dir.path());
    HeadlessView& v = s.view();
    v.type(ControlId::NodeCount, "2");
    v.type(ControlId::NodeList, "C:\\BBS\\SF\r\n\r\n  C:\\BBS\\SF2  \r\n");
    v.type(ControlId::MessageDir, "  C:\\BBS\\MESSAGE ");
    v.type(ControlId::BackupRoot, " D:\\BACKUPS ");
    v.click(ControlId::SaveSettings);
    EXPECT_TRUE(v.boxes().empty());
    EXPECT_EQ(cfg_on_disk(),
              "; Marlinth portable configuration\r\nVERSION=2\r\nNODECOUNT=2\r\nNODE1=C:\\BBS\\SF\r\nNODE2=C:\\BBS\\SF2\r\n"
              "MSGDIR=C:\\BBS\\MESSAGE\r\nUSEQUARRO=0\r\nQUARROCFG=\r\nREPORTDIR=\r\nBACKUPROOT=D:\\BACKUPS\r\n");
    EXPECT_EQ(v.status(StatusLine::Main), "Settings saved.");
    EXPECT_NE(s.app().log->str().find("] Settings saved.\r\n"), std::string::npos);

    // What was saved is what the next start reads.
    HeadlessSession again(*native, dir.path());
    EXPECT_EQ(again.app().setup.nodes.dir[2], "C:\\BBS\\SF2");
    EXPECT_EQ(again.app().setup.backup_root, "D:\\BACKUPS");
}

TEST_F(Config, ValidationStopsAtTheFirstProblemAndWritesNothing) {
    HeadlessSession s(*native, dir.path());
    HeadlessView& v = s.view();
    auto save_and_expect = [&](const std::string& message) {
        v.clear_boxes();
        v.click(ControlId::SaveSettings);
        ASSERT_EQ(v.boxes().size(), 1u);
        EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Error);
        EXPECT_EQ(v.boxes()[0].text, message);
        EXPECT_FALSE(fb.exists(dir / "Marlinth.cfg"));
    };
    v.type(ControlId::NodeCount, "33");
    save_and_expect("Node count must be from 1 through 32.");
    v.type(ControlId::NodeCount, " x");
    save_and_expect("Node count must be from 1 through 32.");
    EXPECT_EQ(s.app().setup.nodes.count, 0);
    v.type(ControlId::NodeCount, "2");
    v.type(ControlId::NodeList, "C:\\SF\r\nC:\\SF2\r\nC:\\SF3");
    save_and_expect("The number of nonblank node-directory lines must match Node count.");
    v.type(ControlId::NodeList, "C:\\SF\r\n   \r\nC:\\SF2");
    save_and_expect("A shared MESSAGE directory is required.");
    v.type(ControlId::MessageDir, "C:\\MESSAGE");
    v.click(ControlId::UseQuarro);
    v.type(ControlId::QuarroCfgPath, "   ");
    save_and_expect("QUARRO32 is enabled, but no QUARRO32.CFG path is configured.");
}

TEST_F(Config, FailedWriteShowsItsBox) {
    fb.make_dir(dir / "Marlinth.cfg");
    HeadlessSession s(*native, dir.path());
    s.view().type(ControlId::NodeList, "C:\\SF");
    s.view().type(ControlId::MessageDir, "C:\\MESSAGE");
    s.view().click(ControlId::SaveSettings);
    ASSERT_EQ(s.view().boxes().size(), 1u);
    EXPECT_EQ(s.view().boxes()[0].text, "Could not write Marlinth.cfg beside the executable.");
}

TEST(SplitNodeLines, TakesAtMost32NonblankTrimmedLines) {
    NodeTable t;
    t.dir[3] = "kept";
    EXPECT_EQ(split_node_lines(" A \r\n\r\n\tB\n", t), 2);
    EXPECT_EQ(t.dir[1], "A");
    EXPECT_EQ(t.dir[2], "B");
    EXPECT_EQ(t.dir[3], "kept");  // slots after the last one filled keep their contents
    std::string many;
    for (int i = 1; i <= 40; ++i) many += "N" + std::to_string(i) + "\r\n";
    EXPECT_EQ(split_node_lines(many, t), 32);
    EXPECT_EQ(t.dir[32], "N32");
    EXPECT_EQ(split_node_lines(std::string(300, 'x'), t), 2);  // cut at 259, the rest is the next line
    EXPECT_EQ(t.dir[1].size(), 259u);
    EXPECT_EQ(t.dir[2].size(), 41u);
}

}  // namespace
}  // namespace marlinth
