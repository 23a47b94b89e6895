// Node directories: choosing Node 1, adding nodes and discovering the common sibling and
// child folder patterns, always through the Setup tab's fields.
#include <gtest/gtest.h>

#include "core/strings.h"
#include "spitfire/nodes.h"
#include "support/fixture.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

class Nodes : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FixtureBuilder fb{*native};
    test::TempDir dir;
    HeadlessSession s{*native, dir.path()};
    HeadlessView& v = s.view();

    std::string bbs(const std::string& name) { return dir / ("BBS/" + name); }
};

TEST_F(Nodes, DiscoveryAddsSiblingFoldersInOrderAndOnlyOnce) {
    fb.make_dir(bbs("SF"));
    fb.make_dir(bbs("SF3"));
    fb.make_dir(bbs("SF2"));
    fb.make_dir(bbs("NODE4"));
    v.type(ControlId::NodeList, bbs("SF"));
    v.click(ControlId::DiscoverNodes);
    EXPECT_EQ(v.text(ControlId::NodeList), bbs("SF") + "\r\n" + bbs("SF2") + "\r\n" + bbs("SF3") + "\r\n" + bbs("NODE4"));
    EXPECT_EQ(v.text(ControlId::NodeCount), "4");
    EXPECT_EQ(v.status(StatusLine::Main), "Possible node directories discovered; review and approve each path.");
    EXPECT_TRUE(v.boxes().empty());

    v.click(ControlId::DiscoverNodes);
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Information);
    EXPECT_EQ(v.boxes()[0].text,
              "No additional common node-directory patterns were found. Paths can still be entered manually.");
    EXPECT_EQ(v.text(ControlId::NodeCount), "4");
}

TEST_F(Nodes, DiscoveryFindsNodeFoldersInsideNode1) {
    fb.make_dir(bbs("SF/NODE2"));
    v.type(ControlId::NodeList, bbs("SF"));
    v.click(ControlId::DiscoverNodes);
    EXPECT_EQ(v.text(ControlId::NodeList), bbs("SF") + "\r\n" + bbs("SF/NODE2"));
}

TEST_F(Nodes, DiscoveryNeedsNode1) {
    v.click(ControlId::DiscoverNodes);
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(v.boxes()[0].text, "Configure Node 1 before discovery.");
}

TEST_F(Nodes, ChoosingNode1ReplacesTheFirstLineAndFillsAnEmptyMessageField) {
    v.type(ControlId::NodeList, "C:\\OLD\r\nC:\\SF2");
    v.type(ControlId::NodeCount, "2");
    v.queue_pick("C:\\BBS\\SF");
    v.click(ControlId::SetNode1);
    EXPECT_EQ(v.folder_dialogs().back(), "Select the primary/master Spitfire directory (Node 1)");
    EXPECT_EQ(v.text(ControlId::NodeList), "C:\\BBS\\SF\r\nC:\\SF2");
    EXPECT_EQ(v.text(ControlId::MessageDir), std::string("C:\\BBS\\SF") + kPathSeparator + "MESSAGE");
    EXPECT_EQ(v.text(ControlId::NodeCount), "2");
    EXPECT_EQ(v.status(StatusLine::Main), "Primary Spitfire directory selected.");

    v.type(ControlId::MessageDir, "D:\\MSG");
    v.queue_pick("C:\\OTHER");
    v.click(ControlId::SetNode1);
    EXPECT_EQ(v.text(ControlId::MessageDir), "D:\\MSG");

    v.queue_pick_cancel();
    v.click(ControlId::SetNode1);
    EXPECT_EQ(v.text(ControlId::NodeList), "C:\\OTHER\r\nC:\\SF2");
}

TEST_F(Nodes, AddingRefusesDuplicatesInAnyCaseAndA33rdNode) {
    v.type(ControlId::NodeList, "C:\\BBS\\SF\r\nC:\\BBS\\SF2");
    v.queue_pick("c:\\bbs\\sf2");
    v.click(ControlId::AddNode);
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].text, "That node path is already listed.");
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Warning);

    v.queue_pick("C:\\BBS\\SF3");
    v.click(ControlId::AddNode);
    EXPECT_EQ(v.text(ControlId::NodeList), "C:\\BBS\\SF\r\nC:\\BBS\\SF2\r\nC:\\BBS\\SF3");
    EXPECT_EQ(v.text(ControlId::NodeCount), "3");
    EXPECT_EQ(v.status(StatusLine::Main), "Node directory added.");

    std::string full;
    for (int i = 1; i <= 32; ++i) full += "C:\\N" + std::to_string(i) + "\r\n";
    v.type(ControlId::NodeList, full);
    v.clear_boxes();
    v.queue_pick("C:\\N33");
    v.click(ControlId::AddNode);
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Error);
    EXPECT_EQ(v.boxes()[0].text, "The maximum is 32 nodes.");
}

TEST_F(Nodes, WizardScanReportsHowManyNodesItFound) {
    fb.make_dir(bbs("SF"));
    fb.make_dir(bbs("SF2"));
    const int found = wizard_scan_nodes(s.app(), 4, bbs("SF"));
    EXPECT_EQ(found, 2);
    EXPECT_EQ(v.text(ControlId::WizardNodeList), bbs("SF") + "\r\n" + bbs("SF2"));
    EXPECT_EQ(v.text(ControlId::NodeList), v.text(ControlId::WizardNodeList));
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].text, "The scan found 2 of 4 configured nodes. Add the missing paths on the next screen.");
}

}  // namespace
}  // namespace marlinth
