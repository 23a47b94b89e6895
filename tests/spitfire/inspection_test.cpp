// The read-only inspection and the node directories it starts from.
#include "spitfire/inspection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/files.h"
#include "core/sha256.h"
#include "core/strings.h"
#include "spitfire/nodes.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"
#include "ui/controls.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

namespace fs = std::filesystem;
using test::ConferenceSpec;
using test::Op;
using Row = std::vector<std::string>;
using Texts = std::vector<std::string>;

const char* const kMissingQuestion =
    "One or more conferences are missing required SFMSGxx files. Continue viewing the completed inspection results?";
const char* const kBlockers = "Inspection completed with blockers; Wizard Mode remains blocked.";

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string digest(const std::string& path) { return sha256_hex(sha256(read_all(path))); }

// A path as the program joins it (its own separator).
std::string in_dir(const std::string& dir, const std::string& name) {
    std::string out;
    join_path(out, 4096, dir, name);
    return out;
}

class Inspection : public ::testing::Test {
protected:
    Inspection() : native_(make_native_platform()), platform_(*native_), fb_(platform_) {
        platform_.set_time({2026, 1, 31, 23, 59, 7});
        platform_.set_processes({"init", "explorer.exe", "SPITFIRE.EXE"});
        home_ = tmp_ / "app";
        fb_.make_dir(home_);
    }

    void build(int nodes, const std::vector<ConferenceSpec>& conferences = test::echo_conferences(6),
               const test::MessageBaseSpec& bases = {}, const std::string& root = "bbs") {
        test::InstallationSpec wanted;
        wanted.nodes = nodes, wanted.conferences = conferences, wanted.message_base = bases;
        inst_ = test::build_installation(platform_, tmp_ / root, wanted);
    }

    // Starts the program on Advanced Tools.
    void open() {
        session_ = std::make_unique<HeadlessSession>(platform_, home_);
        ASSERT_TRUE(session_->started());
        ASSERT_TRUE(view().click(ControlId::AdvancedTools));
    }

    // ... and types the installation's setup as a sysop would.
    void start() {
        open();
        std::string list;
        for (size_t i = 0; i < inst_.nodes.size(); ++i) list += (i ? "\r\n" : "") + inst_.nodes[i];
        view().type(ControlId::NodeCount, dec(inst_.nodes.size()));
        view().type(ControlId::NodeList, list);
        view().type(ControlId::MessageDir, inst_.message_dir);
    }

    void inspect() {
        view().clear_boxes();
        ASSERT_TRUE(view().click(ControlId::RunInspection));
    }

    App& app() { return session_->app(); }
    HeadlessView& view() { return session_->view(); }
    std::string report() { return app().report->str(); }
    const std::vector<Row>& rows() { return view().rows(ControlId::ConferenceList); }
    std::string node_file(int i) { return in_dir(inst_.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    std::string message_file(uint32_t conference, MessageFile kind) {
        std::string out;
        message_file_path(inst_.message_dir, conference, kind, out);
        return out;
    }
    // Each message box shown since the last look, as "icon: text".
    Texts boxes() {
        const char* icons[] = {"error", "warning", "information", "question"};
        Texts out;
        for (const RecordedBox& b : view().boxes()) out.push_back(icons[static_cast<int>(b.icon)] + (": " + b.text));
        view().clear_boxes();
        return out;
    }
    // What the sysop is left with: the verdict, the status line, the tab in front and each box.
    Texts outcome() {
        Texts out = boxes();
        out.insert(out.begin(), {app().flags.inspection_passed ? "passed" : "not passed",
                                 view().status(StatusLine::Main), kTabTitles[static_cast<int>(app().ui.active_tab)]});
        return out;
    }
    ::testing::AssertionResult in_report(const std::string& part, bool at_end = false) {
        const std::string r = report();
        const size_t at = r.rfind(part);
        if (at != std::string::npos && (!at_end || at + part.size() == r.size())) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << (at_end ? "does not end with:\n" : "missing:\n") << part
                                             << "\nin:\n" << r;
    }

    test::TempDir tmp_;
    std::unique_ptr<Platform> native_;
    test::FaultPlatform platform_;
    test::FixtureBuilder fb_;
    std::string home_;
    test::Installation inst_;
    std::unique_ptr<HeadlessSession> session_;
};

// The inspection road as a sysop walks it, through the scripted runner, against the transcript
// kept beside the script: setup, lists, Hex Record, the whole report, the export and the log.
TEST_F(Inspection, SysopInspectsAndExportsTheReportByScript) {
    platform_.set_time({2026, 3, 7, 9, 5, 3});
    platform_.set_processes({"explorer.exe", "NTVDM.EXE"});
    std::vector<ConferenceSpec> conferences = test::echo_conferences(4);
    conferences[0].name = "Local Chatter", conferences[0].net_id.clear(), conferences[0].allow_routing = 0;
    test::MessageBaseSpec bases;
    bases.messages = 6;
    build(3, conferences, bases);
    bases.shape = test::ThreadShape::OrphanReply;
    fb_.make_message_base(inst_.message_dir, 3, bases);
    const test::ScriptVars vars = {
        {"NODE1", inst_.nodes[0]},       {"NODE2", inst_.nodes[1]},
        {"NODE3", inst_.nodes[2]},       {"MESSAGE", inst_.message_dir},
        {"REPORT", tmp_ / "Marlinth-inspection.txt"}, {"SHA256", digest(node_file(1))},
    };
    const test::ScriptResult result = test::run_script(platform_, home_, test::load_script("inspection.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, test::substitute(test::load_script("inspection.expected"), vars));
    // The exported file is the report, CR LF and all, and its folder is remembered.
    const std::string exported = read_all(tmp_ / "Marlinth-inspection.txt");
    EXPECT_EQ(exported.substr(0, 34), "Marlinth v0.4b INSPECTION REPORT\r\n");
    EXPECT_NE(exported.find("CONF 03  [DANGER: invalid thread linkage]\r\n"), std::string::npos);
    EXPECT_NE(read_all(in_dir(home_, "Marlinth.cfg")).find("REPORTDIR=" + tmp_.path() + "\r\n"), std::string::npos);
}

TEST_F(Inspection, ThirtyTwoNodesWith784ConferencesPass) {
    std::vector<ConferenceSpec> conferences = test::echo_conferences(784);
    conferences[0].name = "Local Talk", conferences[0].net_id.clear(), conferences[0].allow_routing = 0;
    conferences[0].conference_security = -5, conferences[0].message_entry_security = 250;
    conferences[1].netmail = 1;
    test::MessageBaseSpec bases;
    bases.messages = 1;
    build(32, conferences, bases);
    start();
    inspect();
    EXPECT_EQ(outcome(), (Texts{"passed", "Read-only inspection completed.", "Conferences"}));
    EXPECT_TRUE(in_report("Node 32: " + inst_.nodes[31] + "\r\n\r\nPRIMARY SFMCONF.DAT\r\n-------------------\r\n"
                          "Size: 100352 bytes (128 x 784 records)\r\n"));
    EXPECT_TRUE(in_report("Node 32: MATCH (size, bytes, SHA-256)\r\n\r\nCONFERENCE RECORDS\r\n------------------\r\n"
                          "#1 \"Local Talk\"  NetID=  Access=-5  Entry=250  NetMail=0  Route=0\r\n"
                          "#2 \"Echo Conference 2\"  NetID=ECHO2  Access=10  Entry=10  NetMail=1  Route=1\r\n"));
    EXPECT_TRUE(in_report("\r\nCONF 784  [OK]\r\n  PTR=256 IDX=16 DAT=128 LMR=64 SIG=none\r\n"
                          "  Slots=1 Active=1 Deleted=0 DAT records=1 Danger=0 Warn=0 Normal roots=0\r\n",
                          true));
    EXPECT_EQ(app().baseline.report_length, report().size());
    ASSERT_EQ(rows().size(), 784u);
    EXPECT_EQ(rows()[0], (Row{"1", "Local Talk", "", "-5", "250", "PIDL-", "1", "0", "0", "0", "OK"}));
    EXPECT_EQ(view().item_count(ControlId::ConferenceListBox), 784);
    // The baseline holds Node 1's bytes.
    ASSERT_TRUE(app().baseline.has_bytes());
    const uint8_t* bytes = app().baseline.bytes.data();
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + app().baseline.size()), fb_.read_file(node_file(1)));
    EXPECT_EQ(app().baseline.count(), 784u);
}

TEST_F(Inspection, NodeCopiesThatDifferOrCannotBeReadFailWithBothDigests) {
    build(6);
    fb_.patch_byte(node_file(3), 0x50, 0x01);  // same size, one byte different
    std::vector<uint8_t> longer = fb_.read_file(node_file(4));
    longer.resize(longer.size() + 128, 0);
    fb_.write_file(node_file(4), longer);
    fb_.write_file(node_file(5), std::vector<uint8_t>(100480, 0));  // above the cap: not read
    platform_.fail_path(Op::OpenRead, node_file(6));                // locked
    start();
    inspect();
    const std::string master = "  Node 1 hash: " + digest(node_file(1)) + "\r\n";
    EXPECT_TRUE(in_report("Node 1: MASTER\r\n"
                          "Node 2: MATCH (size, bytes, SHA-256)\r\n"
                          "Node 3: ERROR - differs from Node 1\r\n" + master +
                          "  This node:   " + digest(node_file(3)) + "\r\n"
                          "Node 4: ERROR - differs from Node 1\r\n" + master +
                          "  This node:   " + digest(node_file(4)) + "\r\n"
                          "Node 5: ERROR reading SFMCONF.DAT\r\n"
                          "Node 6: ERROR reading SFMCONF.DAT\r\n"
                          "\r\n"
                          "CONFERENCE RECORDS\r\n"));
    // The inspection completes and reports every conference, but does not pass.
    EXPECT_TRUE(in_report("CONF 06  [OK]"));
    EXPECT_EQ(outcome(), (Texts{"not passed", kBlockers, "Conferences"}));
}

TEST_F(Inspection, MissingMessageFilesAskWhetherToContinue) {
    build(2);
    fb_.remove_file(message_file(4, MessageFile::Lmr));
    fb_.remove_file(message_file(2, MessageFile::Ptr));
    start();
    view().queue_answer(BoxAnswer::No);
    inspect();
    const std::string question = std::string("warning: ") + kMissingQuestion;
    ASSERT_EQ(view().boxes().size(), 1u);
    EXPECT_EQ(view().boxes()[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(outcome(),
              (Texts{"not passed", "Inspection stopped by user after missing-file errors.", "Report", question}));
    EXPECT_TRUE(view().visible(ControlId::ReportText));
    EXPECT_TRUE(in_report("CONF 04  [ERROR: missing required file(s)]\r\n"
                          "  PTR=1024 IDX=64 DAT=512 LMR=MISSING SIG=none\r\n"
                          "  Slots=0 Active=0 Deleted=0 DAT records=0 Danger=0 Warn=0 Normal roots=0\r\n"));
    // The lists are filled all the same.
    ASSERT_EQ(rows().size(), 6u);
    EXPECT_EQ(rows()[3][5], "PID--");
    EXPECT_EQ(rows()[1][5], "-IDL-");

    // Answered Yes: the results, with their blockers.
    view().queue_answer(BoxAnswer::Yes);
    inspect();
    EXPECT_EQ(outcome(), (Texts{"not passed", kBlockers, "Conferences", question}));
    EXPECT_EQ(rows()[1][10], "ERROR: missing required file(s)");
}

TEST_F(Inspection, MissingInstallationPathsStopBeforeTheBaselineAndKeepTheOldOne) {
    build(3);
    start();
    inspect();
    ASSERT_TRUE(app().flags.inspection_passed);
    const uint8_t* old_bytes = app().baseline.bytes.data();
    const std::vector<Row> old_rows = rows();

    for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"})
        fb_.remove_file(in_dir(inst_.nodes[0], name));
    fb_.remove_file(in_dir(inst_.nodes[1], "SPITFIRE.OVR"));
    fs::remove_all(inst_.nodes[2]);
    fs::remove_all(inst_.message_dir);
    inspect();
    EXPECT_TRUE(in_report("\r\n\r\nNODE VALIDATION\r\n"
                                 "---------------\r\n"
                                 "Node 1: " + inst_.nodes[0] + "\r\n"
                                 "  ERROR: SFMCONF.DAT is missing.\r\n"
                                 "  ERROR: SPITFIRE.EXE is missing.\r\n"
                                 "  ERROR: SPITFIRE.OVR is missing.\r\n"
                                 "Node 2: " + inst_.nodes[1] + "\r\n"
                                 "  ERROR: SPITFIRE.OVR is missing.\r\n"
                                 "Node 3: " + inst_.nodes[2] + "\r\n"
                                 "  ERROR: directory is inaccessible.\r\n"
                                 "ERROR: Shared MESSAGE directory is inaccessible.\r\n", true));
    EXPECT_EQ(view().text(ControlId::ReportText), report());
    EXPECT_EQ(outcome(),
              (Texts{"not passed", "Inspection stopped: invalid installation path(s).", "Report",
                     "error: One or more required Spitfire files or paths are missing. Review the report."}));
    // The baseline of the last good inspection stays as it was, and so do its lists.
    EXPECT_EQ(app().baseline.bytes.data(), old_bytes);
    EXPECT_EQ(app().baseline.count(), 6u);
    EXPECT_EQ(rows(), old_rows);
}

TEST_F(Inspection, CorruptOrOversizedPrimaryFileReleasesTheBaseline) {
    build(2);
    const std::vector<uint8_t> good = fb_.read_file(node_file(1));
    start();
    const struct {
        size_t size;
        std::string tail;
    } cases[] = {
        {100480, "Node 2: " + inst_.nodes[1] + "\r\nFile too large for safe in-memory inspection: " + node_file(1)},
        {129, "\r\nSFMCONF.DAT size is not a nonzero multiple of 128 bytes."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        fb_.write_file(node_file(1), good);
        inspect();
        ASSERT_TRUE(app().baseline.has_bytes());
        ASSERT_NE(view().item_count(ControlId::TemplateChoice), 0);

        fb_.write_file(node_file(1), std::vector<uint8_t>(c.size, 0));
        inspect();
        EXPECT_TRUE(in_report(c.tail + "\r\n", true));
        EXPECT_EQ(view().text(ControlId::ReportText), report());
        EXPECT_EQ(outcome(), (Texts{"not passed", "Primary SFMCONF.DAT is invalid.", "Report",
                                    "error: Primary SFMCONF.DAT is invalid."}));
        // Nothing of the old baseline is left to plan from or to show.
        EXPECT_FALSE(app().baseline.has_bytes());
        EXPECT_EQ(app().baseline.count(), 0u);
        EXPECT_TRUE(rows().empty());
        EXPECT_EQ(view().item_count(ControlId::ConferenceListBox), 0);
        EXPECT_EQ(view().text(ControlId::RecordView), "");
        EXPECT_EQ(view().item_count(ControlId::TemplateChoice), 0);
        EXPECT_FALSE(app().settings.valid);
        EXPECT_EQ(view().text(ControlId::PlanText), "Run an inspection to load possible template conferences.");
    }
}

TEST_F(Inspection, RunningProgramsAreNotedButDoNotBlock) {
    build(1, test::echo_conferences(1));
    platform_.set_processes({"explorer.exe", "ntvdm.exe", "Quarro32.EXE"});
    start();
    inspect();
    EXPECT_TRUE(in_report("Mode: INSPECTION - no Spitfire data is changed by this operation.\r\n\r\n"
                          "NOTICE: NTVDM.EXE is running. Read-only inspection is allowed; writer preflight uses "
                          "SFWHOSON.DAT to determine actual Spitfire node occupancy.\r\n"
                          "WARNING: QUARRO32.EXE is currently running. Read-only inspection is allowed; future "
                          "writes will be blocked.\r\n"
                          "Configured nodes: 1\r\n"));
    EXPECT_EQ(outcome(), (Texts{"passed", "Read-only inspection completed.", "Conferences"}));
}

TEST(ProcessQuery, NamesCompareWithAsciiCaseFoldingOnly) {
    auto native = make_native_platform();
    test::FaultPlatform platform(*native);
    platform.set_processes({"ntvdm.exe", "quarro32.exe.bak", "IREX\xC9.EXE"});
    EXPECT_TRUE(is_process_running(platform, "NTVDM.EXE"));
    EXPECT_FALSE(is_process_running(platform, "QUARRO32.EXE"));
    EXPECT_FALSE(is_process_running(platform, "irex\xE9.exe"));  // only A-Z fold
    EXPECT_TRUE(is_process_running(platform, "irex\xC9.exe"));
    platform.set_process_list_fails();
    EXPECT_FALSE(is_process_running(platform, "NTVDM.EXE"));
}

TEST_F(Inspection, NoFileOfTheInstallationChanges) {
    test::MessageBaseSpec bases;
    bases.with_sig = true;
    build(3, test::echo_conferences(6), bases);
    fb_.patch_byte(node_file(2), 5, 'x');  // a differing node is only read too
    const test::TreeSnapshot before = test::snapshot_tree(inst_.root);
    start();
    platform_.reset_counts();
    inspect();
    inspect();
    EXPECT_EQ(test::snapshot_tree(inst_.root), before);
    // Everything written went beside the program (configuration and log).
    ASSERT_FALSE(platform_.changed_paths().empty());
    for (const std::string& path : platform_.changed_paths())
        EXPECT_EQ(path.rfind(home_ + kPathSeparator, 0), 0u) << path;
}

TEST_F(Inspection, LowerCaseFileNamesAreFound) {
    build(2);
    auto lower = [](std::string text) {
        for (char& c : text) c = fold_lower(c);
        return text;
    };
    for (const std::string& node : inst_.nodes)
        for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"})
            fs::rename(node + "/" + name, node + "/" + lower(name));
    for (const fs::directory_entry& e : fs::directory_iterator(inst_.message_dir))
        fs::rename(e.path(), e.path().parent_path() / lower(e.path().filename().string()));
    ASSERT_TRUE(fs::exists(inst_.message_dir + "/sfmsg01.ptr"));
    start();
    inspect();
    EXPECT_TRUE(app().flags.inspection_passed) << report();
    EXPECT_TRUE(in_report("Node 2: MATCH (size, bytes, SHA-256)"));
    EXPECT_EQ(rows()[5][10], "OK");
}

TEST_F(Inspection, MessageBaseFindingsShowInTheListWithoutDecidingTheVerdict) {
    build(1);
    test::MessageBaseSpec warn;
    warn.shape = test::ThreadShape::WarnMismatch;
    warn.with_sig = true;
    fb_.make_message_base(inst_.message_dir, 3, warn);
    platform_.fake_size("SFMSG05.DAT", 0x123456789ull);
    start();
    inspect();
    EXPECT_EQ(rows()[2], (Row{"3", "Echo Conference 3", "ECHO3", "10", "10", "PIDLS", "4", "0", "0", "1",
                              "WARN: PTR/IDX differences"}));
    EXPECT_EQ(rows()[4][10], "FATAL: file is 4GB or larger");
    EXPECT_TRUE(in_report("CONF 05  [FATAL: file is 4GB or larger]\r\n"
                          "  PTR=1024 IDX=64 DAT=4294967295 LMR=64 SIG=none\r\n"));
    EXPECT_TRUE(app().flags.inspection_passed);
}

TEST_F(Inspection, TemplateCandidatesAndThePreselectedOne) {
    ConferenceSpec local, netmail, one, two, three;
    local.name = "Local", local.allow_routing = 0;
    netmail.name = "Netmail", netmail.net_id = "NETMAIL", netmail.netmail = 1, netmail.allow_routing = 0;
    ConferenceSpec odd = test::echo_conferences(1)[0];
    odd.purge_days = 7;
    const std::vector<ConferenceSpec> common = test::echo_conferences(3);
    std::vector<ConferenceSpec> quiet = test::echo_conferences(2);
    for (ConferenceSpec& c : quiet) c.allow_routing = 0;
    one.name = "One", one.allow_routing = 0;
    two.name = "Two", two.allow_routing = 0, two.net_id = "TWO", two.netmail = 1;
    three.name = "Three";  // routes, but has no Net ID
    const struct {
        const char* what;
        std::vector<ConferenceSpec> conferences;
        const char* choices;
        int template_index;
    } cases[] = {
        {"routed echoes only, the most common settings first", {local, odd, netmail, common[0], common[1], common[2]},
         "  #2 - Echo Conference 1\n* #4 - Echo Conference 1\n  #5 - Echo Conference 2\n  #6 - Echo Conference 3", 3},
        {"none routes with a Net ID: all, the echo-like one chosen", {one, two, three},
         "  #1 - One\n* #2 - Two\n  #3 - Three", 1},
        {"nothing echo-like: the first", quiet, "* #1 - Echo Conference 1\n  #2 - Echo Conference 2", 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.what);
        build(1, c.conferences, {}, "bbs" + dec(i));
        start();
        inspect();
        EXPECT_EQ(view().describe(ControlId::TemplateChoice), c.choices);
        EXPECT_TRUE(app().settings.valid);
        EXPECT_EQ(app().settings.template_index, c.template_index);
    }
}

TEST_F(Inspection, StartClearsEveryLaterStageAndAnInvalidSetupStopsThere) {
    build(2);
    start();
    StageFlags& f = app().flags;
    view().type(ControlId::NodeCount, "3");  // two node lines for three nodes
    f.inspection_passed = f.na_loaded = f.plan_current = f.preflight_passed = f.commit_in_progress = true;
    app().report->reset();
    app().report->append("earlier report");
    inspect();
    EXPECT_FALSE(f.inspection_passed || f.na_loaded || f.plan_current || f.preflight_passed || f.commit_in_progress);
    EXPECT_EQ(outcome(), (Texts{"not passed",
                                "Ready. 32-bit Windows XP SP2 or Windows 7; no administrator rights required.", "Setup",
                                "error: The number of nonblank node-directory lines must match Node count."}));
    EXPECT_EQ(report(), "earlier report");
    EXPECT_EQ(view().status(StatusLine::Writer),
              "Inspection changed the baseline. Load an .NA file and generate a new dry-run plan.");
    EXPECT_FALSE(fs::exists(in_dir(home_, "Marlinth.cfg")));
}

TEST_F(Inspection, AnUnwritableConfigurationDoesNotStopTheInspection) {
    build(1);
    start();
    platform_.fail_path(Op::OpenWrite, "Marlinth.cfg");
    inspect();
    EXPECT_EQ(outcome(), (Texts{"passed", "Read-only inspection completed.", "Conferences",
                                "error: Could not write Marlinth.cfg beside the executable."}));
}

// Node directories through the Setup tab: discovering the common sibling and child folder
// patterns, choosing Node 1, adding nodes.
TEST_F(Inspection, NodeDiscoveryAddsSiblingAndChildFoldersInOrderAndOnlyOnce) {
    open();
    auto bbs = [&](const std::string& name) { return tmp_ / ("BBS/" + name); };
    view().click(ControlId::DiscoverNodes);
    EXPECT_EQ(boxes(), Texts{"warning: Configure Node 1 before discovery."});
    for (const char* name : {"SF", "SF3", "SF2", "NODE4"}) fb_.make_dir(bbs(name));
    view().type(ControlId::NodeList, bbs("SF"));
    view().click(ControlId::DiscoverNodes);
    const std::string four = bbs("SF") + "\r\n" + bbs("SF2") + "\r\n" + bbs("SF3") + "\r\n" + bbs("NODE4");
    EXPECT_EQ(view().text(ControlId::NodeList), four);
    EXPECT_EQ(view().text(ControlId::NodeCount), "4");
    EXPECT_EQ(view().status(StatusLine::Main), "Possible node directories discovered; review and approve each path.");
    EXPECT_TRUE(boxes().empty());
    view().click(ControlId::DiscoverNodes);
    EXPECT_EQ(boxes(), Texts{"information: No additional common node-directory patterns were found. Paths can still "
                             "be entered manually."});
    EXPECT_EQ(view().text(ControlId::NodeCount), "4");

    fb_.make_dir(bbs("SF/NODE2"));
    view().click(ControlId::DiscoverNodes);
    EXPECT_EQ(view().text(ControlId::NodeList), four + "\r\n" + bbs("SF/NODE2"));
}

TEST_F(Inspection, ChoosingNode1ReplacesTheFirstLineAndFillsAnEmptyMessageField) {
    open();
    view().type(ControlId::NodeList, "C:\\OLD\r\nC:\\SF2");
    view().type(ControlId::NodeCount, "2");
    view().queue_pick("C:\\BBS\\SF");
    view().click(ControlId::SetNode1);
    EXPECT_EQ(view().folder_dialogs().back(), "Select the primary/master Spitfire directory (Node 1)");
    EXPECT_EQ(view().text(ControlId::NodeList), "C:\\BBS\\SF\r\nC:\\SF2");
    EXPECT_EQ(view().text(ControlId::MessageDir), std::string("C:\\BBS\\SF") + kPathSeparator + "MESSAGE");
    EXPECT_EQ(view().text(ControlId::NodeCount), "2");
    EXPECT_EQ(view().status(StatusLine::Main), "Primary Spitfire directory selected.");
    // A MESSAGE directory already given stays; a cancelled dialog changes nothing.
    view().type(ControlId::MessageDir, "D:\\MSG");
    view().queue_pick("C:\\OTHER");
    view().click(ControlId::SetNode1);
    view().queue_pick_cancel();
    view().click(ControlId::SetNode1);
    EXPECT_EQ(view().text(ControlId::MessageDir), "D:\\MSG");
    EXPECT_EQ(view().text(ControlId::NodeList), "C:\\OTHER\r\nC:\\SF2");
}

TEST_F(Inspection, AddingANodeRefusesDuplicatesInAnyCaseAndA33rdNode) {
    open();
    view().type(ControlId::NodeList, "C:\\BBS\\SF\r\nC:\\BBS\\SF2");
    view().queue_pick("c:\\bbs\\sf2");
    view().click(ControlId::AddNode);
    EXPECT_EQ(boxes(), Texts{"warning: That node path is already listed."});
    view().queue_pick("C:\\BBS\\SF3");
    view().click(ControlId::AddNode);
    EXPECT_EQ(view().text(ControlId::NodeList), "C:\\BBS\\SF\r\nC:\\BBS\\SF2\r\nC:\\BBS\\SF3");
    EXPECT_EQ(view().text(ControlId::NodeCount), "3");
    EXPECT_EQ(view().status(StatusLine::Main), "Node directory added.");
    std::string full;
    for (int i = 1; i <= 32; ++i) full += "C:\\N" + dec(i) + "\r\n";
    view().type(ControlId::NodeList, full);
    view().queue_pick("C:\\N33");
    view().click(ControlId::AddNode);
    EXPECT_EQ(boxes(), Texts{"error: The maximum is 32 nodes."});
}

}  // namespace
}  // namespace marlinth
