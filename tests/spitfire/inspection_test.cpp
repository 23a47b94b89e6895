#include "spitfire/inspection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/files.h"
#include "core/sha256.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

namespace fs = std::filesystem;
using test::ConferenceSpec;
using test::FaultPlatform;
using test::FixtureBuilder;
using test::Installation;
using test::InstallationSpec;
using test::Op;

const char* const kMissingQuestion =
    "One or more conferences are missing required SFMSGxx files. Continue viewing the completed inspection results?";

// Every file and directory under a root with its size and content digest.
std::map<std::string, std::string> tree_digest(const std::string& root) {
    std::map<std::string, std::string> out;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).string();
        if (e.is_directory()) {
            out[rel] = "dir";
            continue;
        }
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        const std::string bytes = ss.str();
        out[rel] = dec(bytes.size()) + " " + sha256_hex(bytes.data(), bytes.size());
    }
    return out;
}

// A path as the program joins it (its own separator).
std::string in_dir(const std::string& dir, const std::string& name) {
    std::string out;
    join_path(out, 4096, dir, name);
    return out;
}

std::string lower(std::string text) {
    for (char& c : text) c = fold_lower(c);
    return text;
}

std::string file_digest(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string bytes = ss.str();
    return sha256_hex(bytes.data(), bytes.size());
}

class Inspection : public ::testing::Test {
protected:
    Inspection() : native_(make_native_platform()), platform_(*native_), fb_(platform_) {
        platform_.set_time({2026, 1, 31, 23, 59, 7});
        platform_.set_processes({"init", "explorer.exe", "SPITFIRE.EXE"});
        home_ = tmp_ / "app";
        fb_.make_dir(home_);
    }

    void build(const InstallationSpec& wanted) { inst_ = test::build_installation(platform_, tmp_ / "bbs", wanted); }

    // Starts the program, opens Advanced Tools and types the setup as a sysop would.
    void start() {
        session_ = std::make_unique<HeadlessSession>(platform_, home_);
        ASSERT_TRUE(session_->started());
        ASSERT_TRUE(view().click(ControlId::AdvancedTools));
        type_setup(inst_.nodes);
    }

    void type_setup(const std::vector<std::string>& nodes) {
        std::string list;
        for (size_t i = 0; i < nodes.size(); ++i) list += (i ? "\r\n" : "") + nodes[i];
        view().type(ControlId::NodeCount, dec(nodes.size()));
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
    std::string node_file(int i) { return in_dir(inst_.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    std::vector<std::string> box_texts() {
        std::vector<std::string> out;
        for (const RecordedBox& b : view().boxes()) out.push_back(b.text);
        return out;
    }

    // The report of a clean installation up to its conference records, as the sysop reads it.
    std::string expected_head(const std::vector<uint8_t>& conference_file, const std::string& notes = "") {
        std::string t =
            "Marlinth v0.4b INSPECTION REPORT\r\n"
            "================================================\r\n"
            "Run: 2026-01-31 23:59\r\n"
            "Mode: INSPECTION - no Spitfire data is changed by this operation.\r\n"
            "\r\n" +
            notes + "Configured nodes: " + dec(inst_.nodes.size()) + "\r\n" +
            "Shared MESSAGE directory: " + inst_.message_dir + "\r\n"
            "\r\n"
            "NODE VALIDATION\r\n"
            "---------------\r\n";
        for (size_t i = 0; i < inst_.nodes.size(); ++i) t += "Node " + dec(i + 1) + ": " + inst_.nodes[i] + "\r\n";
        t += "\r\n"
             "PRIMARY SFMCONF.DAT\r\n"
             "-------------------\r\n"
             "Size: " + dec(conference_file.size()) + " bytes (128 x " + dec(conference_file.size() / 128) +
             " records)\r\n"
             "  SHA-256: " + sha256_hex(conference_file.data(), conference_file.size()) + "\r\n"
             "\r\n"
             "NODE SFMCONF COMPARISON\r\n"
             "-----------------------\r\n"
             "Node 1 is the canonical/master copy for comparison.\r\n"
             "Node 1: MASTER\r\n";
        for (size_t i = 2; i <= inst_.nodes.size(); ++i) t += "Node " + dec(i) + ": MATCH (size, bytes, SHA-256)\r\n";
        return t;
    }

    test::TempDir tmp_;
    std::unique_ptr<Platform> native_;
    FaultPlatform platform_;
    FixtureBuilder fb_;
    std::string home_;
    Installation inst_;
    std::unique_ptr<HeadlessSession> session_;
};

TEST_F(Inspection, OneNodeReportIsExactAndPasses) {
    InstallationSpec wanted;
    wanted.nodes = 1;
    ConferenceSpec local;
    local.name = "Local Talk";
    local.allow_routing = 0;
    local.conference_security = -5;
    local.message_entry_security = 250;
    ConferenceSpec net = test::echo_conferences(1)[0];
    net.netmail = 1;
    wanted.conferences = {local, net, test::echo_conferences(3)[2]};
    build(wanted);
    start();
    inspect();

    const std::vector<uint8_t> conf = test::make_conference_file(wanted.conferences);
    const std::string expected = expected_head(conf) +
                                 "\r\n"
                                 "CONFERENCE RECORDS\r\n"
                                 "------------------\r\n"
                                 "#1 \"Local Talk\"  NetID=  Access=-5  Entry=250  NetMail=0  Route=0\r\n"
                                 "#2 \"Echo Conference 1\"  NetID=ECHO1  Access=10  Entry=10  NetMail=1  Route=1\r\n"
                                 "#3 \"Echo Conference 3\"  NetID=ECHO3  Access=10  Entry=10  NetMail=0  Route=1\r\n"
                                 "\r\n"
                                 "MESSAGE-BASE VALIDATION\r\n"
                                 "-----------------------\r\n"
                                 "CONF 01  [OK]\r\n"
                                 "  PTR=1024 IDX=64 DAT=512 LMR=64 SIG=none\r\n"
                                 "  Slots=4 Active=4 Deleted=0 DAT records=4 Danger=0 Warn=0 Normal roots=1\r\n"
                                 "CONF 02  [OK]\r\n"
                                 "  PTR=1024 IDX=64 DAT=512 LMR=64 SIG=none\r\n"
                                 "  Slots=4 Active=4 Deleted=0 DAT records=4 Danger=0 Warn=0 Normal roots=1\r\n"
                                 "CONF 03  [OK]\r\n"
                                 "  PTR=1024 IDX=64 DAT=512 LMR=64 SIG=none\r\n"
                                 "  Slots=4 Active=4 Deleted=0 DAT records=4 Danger=0 Warn=0 Normal roots=1\r\n";
    EXPECT_EQ(report(), expected);
    EXPECT_EQ(view().text(ControlId::ReportText), expected);
    EXPECT_EQ(app().baseline.report_length, expected.size());

    EXPECT_TRUE(app().flags.inspection_passed);
    EXPECT_TRUE(view().boxes().empty());
    EXPECT_EQ(view().status(StatusLine::Main), "Read-only inspection completed.");
    // Loading the template is the last stale rule the inspection sets off.
    EXPECT_EQ(view().status(StatusLine::Writer), "Template or proposed settings changed. Generate a new dry-run plan.");
    EXPECT_EQ(app().ui.active_tab, Tab::Conferences);
    EXPECT_TRUE(view().visible(ControlId::ConferenceList));
    const std::string log = app().log->str();
    EXPECT_NE(log.find("[23:59:07] Settings saved.\r\n[23:59:07] Read-only inspection completed.\r\n"),
              std::string::npos)
        << log;

    // The baseline holds Node 1's bytes and their decoding.
    ASSERT_TRUE(app().baseline.has_bytes());
    EXPECT_EQ(std::vector<uint8_t>(app().baseline.bytes.data(), app().baseline.bytes.data() + app().baseline.size()),
              conf);
    EXPECT_EQ(app().baseline.count(), 3u);

    // Conferences list, Hex Record list and the first record view.
    const auto& rows = view().rows(ControlId::ConferenceList);
    ASSERT_EQ(rows.size(), 3u);
    using Row = std::vector<std::string>;
    EXPECT_EQ(rows[0], (Row{"1", "Local Talk", "", "-5", "250", "PIDL-", "4", "0", "0", "0", "OK"}));
    EXPECT_EQ(rows[2][1], "Echo Conference 3");
    EXPECT_EQ(view().describe(ControlId::ConferenceListBox),
              "* #1  Local Talk\n  #2  Echo Conference 1\n  #3  Echo Conference 3");
    auto record = TextBuffer::create();
    format_conference_record(app().baseline.conferences[0], *record);
    EXPECT_EQ(view().text(ControlId::RecordView), record->str());

    // The setup was saved before the inspection ran.
    std::ifstream cfg(in_dir(home_, "Marlinth.cfg"), std::ios::binary);
    std::stringstream cfg_text;
    cfg_text << cfg.rdbuf();
    EXPECT_NE(cfg_text.str().find("NODECOUNT=1\r\nNODE1=" + inst_.nodes[0] + "\r\nMSGDIR=" + inst_.message_dir),
              std::string::npos);
}

TEST_F(Inspection, ThirtyTwoNodesAllMatch) {
    InstallationSpec wanted;
    wanted.nodes = 32;
    wanted.conferences = test::echo_conferences(2);
    build(wanted);
    start();
    inspect();
    const std::vector<uint8_t> conf = test::make_conference_file(wanted.conferences);
    const std::string expected = expected_head(conf) +
                                 "\r\n"
                                 "CONFERENCE RECORDS\r\n"
                                 "------------------\r\n"
                                 "#1 \"Echo Conference 1\"  NetID=ECHO1  Access=10  Entry=10  NetMail=0  Route=1\r\n"
                                 "#2 \"Echo Conference 2\"  NetID=ECHO2  Access=10  Entry=10  NetMail=0  Route=1\r\n"
                                 "\r\n"
                                 "MESSAGE-BASE VALIDATION\r\n"
                                 "-----------------------\r\n"
                                 "CONF 01  [OK]\r\n"
                                 "  PTR=1024 IDX=64 DAT=512 LMR=64 SIG=none\r\n"
                                 "  Slots=4 Active=4 Deleted=0 DAT records=4 Danger=0 Warn=0 Normal roots=1\r\n"
                                 "CONF 02  [OK]\r\n"
                                 "  PTR=1024 IDX=64 DAT=512 LMR=64 SIG=none\r\n"
                                 "  Slots=4 Active=4 Deleted=0 DAT records=4 Danger=0 Warn=0 Normal roots=1\r\n";
    EXPECT_EQ(report(), expected);
    EXPECT_NE(report().find("Node 32: " + inst_.nodes[31] + "\r\n"), std::string::npos);
    EXPECT_NE(report().find("Node 32: MATCH (size, bytes, SHA-256)\r\n"), std::string::npos);
    EXPECT_TRUE(app().flags.inspection_passed);
}

TEST_F(Inspection, NodeDifferingByOneByteFailsWithBothDigests) {
    InstallationSpec wanted;
    wanted.nodes = 3;
    build(wanted);
    const std::string master_digest = file_digest(node_file(1));
    fb_.patch_byte(node_file(3), 0x50, 0x01);  // same size, one byte different
    const std::string node3_digest = file_digest(node_file(3));
    ASSERT_NE(master_digest, node3_digest);
    start();
    inspect();
    EXPECT_NE(report().find("Node 1: MASTER\r\n"
                            "Node 2: MATCH (size, bytes, SHA-256)\r\n"
                            "Node 3: ERROR - differs from Node 1\r\n"
                            "  Node 1 hash: " + master_digest + "\r\n"
                            "  This node:   " + node3_digest + "\r\n"
                            "\r\n"
                            "CONFERENCE RECORDS\r\n"),
              std::string::npos)
        << report();
    // The inspection completes and reports every conference, but does not pass.
    EXPECT_NE(report().find("CONF 06  [OK]"), std::string::npos);
    EXPECT_FALSE(app().flags.inspection_passed);
    EXPECT_TRUE(view().boxes().empty());
    EXPECT_EQ(view().status(StatusLine::Main), "Inspection completed with blockers; Wizard Mode remains blocked.");
    EXPECT_EQ(app().ui.active_tab, Tab::Conferences);
}

TEST_F(Inspection, NodeCopiesOfAnotherSizeOrUnreadableFail) {
    InstallationSpec wanted;
    wanted.nodes = 4;
    build(wanted);
    std::vector<uint8_t> longer = fb_.read_file(node_file(2));
    longer.resize(longer.size() + 128, 0);
    fb_.write_file(node_file(2), longer);
    fb_.write_file(node_file(3), std::vector<uint8_t>(100480, 0));  // above the cap: cannot be read
    platform_.fail_path(Op::OpenRead, node_file(4));  // locked
    start();
    inspect();
    EXPECT_NE(report().find("Node 2: ERROR - differs from Node 1\r\n  Node 1 hash: "), std::string::npos);
    EXPECT_NE(report().find("  This node:   " + file_digest(node_file(2)) + "\r\n"
                            "Node 3: ERROR reading SFMCONF.DAT\r\n"
                            "Node 4: ERROR reading SFMCONF.DAT\r\n"
                            "\r\n"),
              std::string::npos)
        << report();
    EXPECT_FALSE(app().flags.inspection_passed);
}

TEST_F(Inspection, MissingMessageFilesAskAndNoStopsOnTheReport) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    std::string lmr;
    message_file_path(inst_.message_dir, 4, MessageFile::Lmr, lmr);
    fb_.remove_file(lmr);
    start();
    view().queue_answer(BoxAnswer::No);
    inspect();
    ASSERT_EQ(view().boxes().size(), 1u);
    EXPECT_EQ(view().boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(view().boxes()[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(view().boxes()[0].text, kMissingQuestion);
    EXPECT_FALSE(app().flags.inspection_passed);
    EXPECT_EQ(view().status(StatusLine::Main), "Inspection stopped by user after missing-file errors.");
    EXPECT_EQ(app().ui.active_tab, Tab::Report);
    EXPECT_TRUE(view().visible(ControlId::ReportText));
    EXPECT_NE(report().find("CONF 04  [ERROR: missing required file(s)]\r\n"
                            "  PTR=1024 IDX=64 DAT=512 LMR=MISSING SIG=none\r\n"
                            "  Slots=0 Active=0 Deleted=0 DAT records=0 Danger=0 Warn=0 Normal roots=0\r\n"),
              std::string::npos);
    // The lists are filled all the same.
    ASSERT_EQ(view().rows(ControlId::ConferenceList).size(), 6u);
    EXPECT_EQ(view().rows(ControlId::ConferenceList)[3][5], "PID--");
}

TEST_F(Inspection, MissingMessageFilesAnsweredYesShowTheResultsWithBlockers) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    std::string ptr;
    message_file_path(inst_.message_dir, 2, MessageFile::Ptr, ptr);
    fb_.remove_file(ptr);
    start();
    view().queue_answer(BoxAnswer::Yes);
    inspect();
    EXPECT_EQ(box_texts(), std::vector<std::string>{kMissingQuestion});
    EXPECT_FALSE(app().flags.inspection_passed);
    EXPECT_EQ(view().status(StatusLine::Main), "Inspection completed with blockers; Wizard Mode remains blocked.");
    EXPECT_EQ(app().ui.active_tab, Tab::Conferences);
    EXPECT_EQ(view().rows(ControlId::ConferenceList)[1][5], "-IDL-");
    EXPECT_EQ(view().rows(ControlId::ConferenceList)[1][10], "ERROR: missing required file(s)");
}

TEST_F(Inspection, MissingSpitfireOverlayStopsBeforeTheBaselineAndKeepsTheOldOne) {
    InstallationSpec wanted;
    wanted.nodes = 3;
    build(wanted);
    start();
    inspect();
    ASSERT_TRUE(app().flags.inspection_passed);
    const uint8_t* old_bytes = app().baseline.bytes.data();
    const auto old_rows = view().rows(ControlId::ConferenceList);

    fb_.remove_file(in_dir(inst_.nodes[1], "SPITFIRE.OVR"));
    fs::remove_all(inst_.nodes[2]);
    inspect();
    const std::string expected_tail =
        "NODE VALIDATION\r\n"
        "---------------\r\n"
        "Node 1: " + inst_.nodes[0] + "\r\n"
        "Node 2: " + inst_.nodes[1] + "\r\n"
        "  ERROR: SPITFIRE.OVR is missing.\r\n"
        "Node 3: " + inst_.nodes[2] + "\r\n"
        "  ERROR: directory is inaccessible.\r\n";
    ASSERT_GE(report().size(), expected_tail.size());
    EXPECT_EQ(report().substr(report().size() - expected_tail.size()), expected_tail) << report();
    EXPECT_EQ(view().text(ControlId::ReportText), report());
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"One or more required Spitfire files or paths are missing. Review the report."});
    EXPECT_EQ(view().boxes()[0].icon, BoxIcon::Error);
    EXPECT_EQ(view().status(StatusLine::Main), "Inspection stopped: invalid installation path(s).");
    EXPECT_EQ(app().ui.active_tab, Tab::Report);
    EXPECT_FALSE(app().flags.inspection_passed);
    // The baseline of the last good inspection stays as it was, and so do its lists.
    EXPECT_EQ(app().baseline.bytes.data(), old_bytes);
    EXPECT_EQ(app().baseline.count(), 6u);
    EXPECT_EQ(view().rows(ControlId::ConferenceList), old_rows);
}

TEST_F(Inspection, EveryMissingNodeFileAndTheMessageDirectoryAreListed) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"})
        fb_.remove_file(in_dir(inst_.nodes[0], name));
    fs::remove_all(inst_.message_dir);
    start();
    inspect();
    EXPECT_NE(report().find("Node 1: " + inst_.nodes[0] + "\r\n"
                            "  ERROR: SFMCONF.DAT is missing.\r\n"
                            "  ERROR: SPITFIRE.EXE is missing.\r\n"
                            "  ERROR: SPITFIRE.OVR is missing.\r\n"
                            "Node 2: " + inst_.nodes[1] + "\r\n"
                            "ERROR: Shared MESSAGE directory is inaccessible.\r\n"),
              std::string::npos)
        << report();
    EXPECT_EQ(report().find("PRIMARY"), std::string::npos);
    EXPECT_FALSE(app().baseline.has_bytes());
}

TEST_F(Inspection, OversizedPrimaryFileReleasesTheBaseline) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    start();
    inspect();
    ASSERT_TRUE(app().baseline.has_bytes());
    ASSERT_NE(view().item_count(ControlId::TemplateChoice), 0);

    fb_.write_file(node_file(1), std::vector<uint8_t>(100480, 0));
    inspect();
    const std::string tail = "\r\nNODE VALIDATION\r\n---------------\r\nNode 1: " + inst_.nodes[0] + "\r\nNode 2: " +
                             inst_.nodes[1] + "\r\nFile too large for safe in-memory inspection: " + node_file(1) +
                             "\r\n";
    ASSERT_GE(report().size(), tail.size());
    EXPECT_EQ(report().substr(report().size() - tail.size()), tail);
    EXPECT_EQ(view().text(ControlId::ReportText), report());
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Primary SFMCONF.DAT is invalid."});
    EXPECT_EQ(view().boxes()[0].icon, BoxIcon::Error);
    EXPECT_FALSE(app().flags.inspection_passed);
    EXPECT_EQ(app().ui.active_tab, Tab::Report);
    // Nothing of the old baseline is left to plan from or to show.
    EXPECT_FALSE(app().baseline.has_bytes());
    EXPECT_EQ(app().baseline.count(), 0u);
    EXPECT_TRUE(view().rows(ControlId::ConferenceList).empty());
    EXPECT_EQ(view().item_count(ControlId::ConferenceListBox), 0);
    EXPECT_EQ(view().text(ControlId::RecordView), "");
    EXPECT_EQ(view().item_count(ControlId::TemplateChoice), 0);
    EXPECT_FALSE(app().settings.valid);
    EXPECT_EQ(view().text(ControlId::PlanText), "Run an inspection to load possible template conferences.");

    // A file of whole records but the cap: exactly 784 records would be read; 129 bytes is refused.
    fb_.write_file(node_file(1), std::vector<uint8_t>(129, 0));
    inspect();
    const std::string size_line = "\r\nSFMCONF.DAT size is not a nonzero multiple of 128 bytes.\r\n";
    EXPECT_EQ(report().substr(report().size() - size_line.size()), size_line);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Primary SFMCONF.DAT is invalid."});
}

TEST_F(Inspection, FullConferenceFileOf784RecordsPasses) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    wanted.conferences = test::echo_conferences(784);
    wanted.message_base.messages = 1;
    build(wanted);
    start();
    inspect();
    EXPECT_TRUE(app().flags.inspection_passed) << box_texts().size();
    EXPECT_NE(report().find("Size: 100352 bytes (128 x 784 records)\r\n"), std::string::npos);
    EXPECT_NE(report().find("\r\nCONF 784  [OK]\r\n"), std::string::npos);
    EXPECT_EQ(view().rows(ControlId::ConferenceList).size(), 784u);
    EXPECT_EQ(view().item_count(ControlId::ConferenceListBox), 784);
}

TEST_F(Inspection, RunningProgramsAreNotedButDoNotBlock) {
    InstallationSpec wanted;
    wanted.nodes = 1;
    wanted.conferences = test::echo_conferences(1);
    build(wanted);
    platform_.set_processes({"explorer.exe", "ntvdm.exe", "Quarro32.EXE"});
    start();
    inspect();
    EXPECT_NE(report().find("Mode: INSPECTION - no Spitfire data is changed by this operation.\r\n"
                            "\r\n"
                            "NOTICE: NTVDM.EXE is running. Read-only inspection is allowed; writer preflight uses "
                            "SFWHOSON.DAT to determine actual Spitfire node occupancy.\r\n"
                            "WARNING: QUARRO32.EXE is currently running. Read-only inspection is allowed; future "
                            "writes will be blocked.\r\n"
                            "Configured nodes: 1\r\n"),
              std::string::npos)
        << report();
    EXPECT_TRUE(app().flags.inspection_passed);

    // Only the tosser running: only its line. A process list that cannot be taken: no lines.
    platform_.set_processes({"QUARRO32.EXE"});
    inspect();
    EXPECT_EQ(report().find("NTVDM"), std::string::npos);
    EXPECT_NE(report().find("\r\nWARNING: QUARRO32.EXE is currently running."), std::string::npos);
    platform_.set_process_list_fails();
    inspect();
    EXPECT_EQ(report().find("QUARRO32.EXE"), std::string::npos);
    EXPECT_TRUE(app().flags.inspection_passed);
}

TEST(ProcessQuery, NamesCompareWithAsciiCaseFoldingOnly) {
    auto native = make_native_platform();
    FaultPlatform platform(*native);
    platform.set_processes({"ntvdm.exe", "quarro32.exe.bak", "IREX\xC9.EXE"});
    EXPECT_TRUE(is_process_running(platform, "NTVDM.EXE"));
    EXPECT_FALSE(is_process_running(platform, "QUARRO32.EXE"));
    EXPECT_FALSE(is_process_running(platform, "irex\xE9.exe"));  // only A-Z fold
    EXPECT_TRUE(is_process_running(platform, "irex\xC9.exe"));
    platform.set_process_list_fails();
    EXPECT_FALSE(is_process_running(platform, "NTVDM.EXE"));
}

TEST_F(Inspection, NoFileOfTheInstallationChanges) {
    InstallationSpec wanted;
    wanted.nodes = 3;
    wanted.message_base.with_sig = true;
    build(wanted);
    fb_.patch_byte(node_file(2), 5, 'x');  // a differing node is only read too
    const auto before = tree_digest(inst_.root);
    start();
    platform_.reset_counts();
    inspect();
    inspect();
    EXPECT_EQ(tree_digest(inst_.root), before);
    // Everything written went beside the program (configuration and log).
    ASSERT_FALSE(platform_.changed_paths().empty());
    for (const std::string& path : platform_.changed_paths())
        EXPECT_EQ(path.rfind(home_ + kPathSeparator, 0), 0u) << path;
}

TEST_F(Inspection, LowerCaseFileNamesAreFoundOnPosix) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    for (const std::string& node : inst_.nodes)
        for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"})
            fs::rename(node + "/" + name, node + "/" + lower(name));
    for (const fs::directory_entry& e : fs::directory_iterator(inst_.message_dir))
        fs::rename(e.path(), e.path().parent_path() / lower(e.path().filename().string()));
    ASSERT_TRUE(fs::exists(inst_.message_dir + "/sfmsg01.ptr"));
    start();
    inspect();
    EXPECT_TRUE(app().flags.inspection_passed) << report();
    EXPECT_NE(report().find("Node 2: MATCH (size, bytes, SHA-256)"), std::string::npos);
    EXPECT_EQ(view().rows(ControlId::ConferenceList)[5][10], "OK");
}

TEST_F(Inspection, MessageBaseFindingsShowInTheListWithoutDecidingTheVerdict) {
    InstallationSpec wanted;
    wanted.nodes = 1;
    build(wanted);
    test::MessageBaseSpec orphan;
    orphan.shape = test::ThreadShape::OrphanReply;
    fb_.make_message_base(inst_.message_dir, 2, orphan);
    test::MessageBaseSpec warn;
    warn.shape = test::ThreadShape::WarnMismatch;
    warn.with_sig = true;
    fb_.make_message_base(inst_.message_dir, 3, warn);
    platform_.fake_size("SFMSG05.DAT", 0x123456789ull);
    start();
    inspect();
    const auto& rows = view().rows(ControlId::ConferenceList);
    using Row = std::vector<std::string>;
    EXPECT_EQ(rows[1], (Row{"2", "Echo Conference 2", "ECHO2", "10", "10", "PIDL-", "4", "0", "1", "0",
                            "DANGER: invalid thread linkage"}));
    EXPECT_EQ(rows[2], (Row{"3", "Echo Conference 3", "ECHO3", "10", "10", "PIDLS", "4", "0", "0", "1",
                            "WARN: PTR/IDX differences"}));
    EXPECT_EQ(rows[4][10], "FATAL: file is 4GB or larger");
    EXPECT_NE(report().find("  PTR=1024 IDX=64 DAT=4294967295 LMR=64 SIG=none\r\n"), std::string::npos);
    EXPECT_TRUE(app().flags.inspection_passed);
}

TEST_F(Inspection, TemplateCandidatesPreferTheMostCommonRoutedEcho) {
    InstallationSpec wanted;
    wanted.nodes = 1;
    ConferenceSpec local;
    local.name = "Local";
    local.allow_routing = 0;
    ConferenceSpec netmail;  // echo-like through Net-Mail, but does not route: not a candidate
    netmail.name = "Netmail";
    netmail.net_id = "NETMAIL";
    netmail.netmail = 1;
    netmail.allow_routing = 0;
    ConferenceSpec odd = test::echo_conferences(1)[0];
    odd.purge_days = 7;
    std::vector<ConferenceSpec> common = test::echo_conferences(3);
    wanted.conferences = {local, odd, netmail, common[0], common[1], common[2]};
    build(wanted);
    start();
    inspect();
    EXPECT_EQ(view().describe(ControlId::TemplateChoice),
              "  #2 - Echo Conference 1\n* #4 - Echo Conference 1\n  #5 - Echo Conference 2\n  #6 - Echo Conference 3");
    EXPECT_TRUE(app().settings.valid);
    EXPECT_EQ(app().settings.template_index, 3);
    EXPECT_EQ(app().baseline.preselected_candidate, 1);
}

TEST(TemplateCandidates, EveryConferenceWhenNoneRoutes) {
    std::vector<ConferenceSpec> specs(3);
    specs[0].name = "One", specs[0].allow_routing = 0;
    specs[1].name = "Two", specs[1].allow_routing = 0, specs[1].net_id = "TWO", specs[1].netmail = 1;
    specs[2].name = "Three", specs[2].allow_routing = 1;  // routes, but has no Net ID
    std::vector<uint8_t> bytes = test::make_conference_file(specs);
    std::vector<ConferenceView> views;
    ASSERT_TRUE(decode_conference_file(bytes.data(), static_cast<uint32_t>(bytes.size()), views, nullptr));
    std::vector<TemplateCandidate> candidates;
    int preselected = 7;
    choose_template_candidates(views, candidates, preselected);
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0].text, "#1 - One");
    EXPECT_EQ(candidates[2].text, "#3 - Three");
    EXPECT_EQ(candidates[2].index, 2);
    EXPECT_EQ(preselected, 1);  // the one echo-like conference is among them

    specs[1].netmail = 0;
    bytes = test::make_conference_file(specs);
    ASSERT_TRUE(decode_conference_file(bytes.data(), static_cast<uint32_t>(bytes.size()), views, nullptr));
    choose_template_candidates(views, candidates, preselected);
    EXPECT_EQ(candidates.size(), 3u);
    EXPECT_EQ(preselected, -1);  // the list then starts at the first
}

TEST_F(Inspection, NoEchoLikeConferenceMakesTheFirstTheTemplate) {
    InstallationSpec wanted;
    wanted.nodes = 1;
    std::vector<ConferenceSpec> confs = test::echo_conferences(2);
    for (ConferenceSpec& c : confs) c.allow_routing = 0;
    wanted.conferences = confs;
    build(wanted);
    start();
    inspect();
    EXPECT_EQ(view().describe(ControlId::TemplateChoice), "* #1 - Echo Conference 1\n  #2 - Echo Conference 2");
    EXPECT_EQ(app().settings.template_index, 0);
}

TEST_F(Inspection, StartClearsEveryLaterStageAndAnInvalidSetupStopsThere) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    start();
    StageFlags& f = app().flags;
    f.inspection_passed = f.na_loaded = f.plan_current = f.preflight_passed = f.commit_in_progress = true;
    view().type(ControlId::NodeCount, "3");  // two node lines for three nodes
    f.inspection_passed = f.na_loaded = f.plan_current = f.preflight_passed = true;
    app().report->reset();
    app().report->append("earlier report");
    inspect();
    EXPECT_FALSE(f.inspection_passed || f.na_loaded || f.plan_current || f.preflight_passed || f.commit_in_progress);
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"The number of nonblank node-directory lines must match Node count."});
    EXPECT_EQ(report(), "earlier report");
    EXPECT_EQ(view().status(StatusLine::Writer),
              "Inspection changed the baseline. Load an .NA file and generate a new dry-run plan.");
    EXPECT_FALSE(fs::exists(in_dir(home_, "Marlinth.cfg")));
}

TEST_F(Inspection, AnUnwritableConfigurationDoesNotStopTheInspection) {
    InstallationSpec wanted;
    wanted.nodes = 1;
    build(wanted);
    start();
    platform_.fail_path(Op::OpenWrite, "Marlinth.cfg");
    inspect();
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Could not write Marlinth.cfg beside the executable."});
    EXPECT_TRUE(app().flags.inspection_passed);
}

TEST_F(Inspection, ReportExportThroughTheSaveDialog) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    start();
    inspect();
    const std::string target = tmp_ / "reports/inspection-1.txt";
    fb_.make_dir(tmp_ / "reports");
    view().queue_pick(target);
    ASSERT_TRUE(view().click(ControlId::ExportReport));
    ASSERT_EQ(view().file_dialogs().size(), 1u);
    EXPECT_EQ(view().file_dialogs()[0].title, "Export inspection report");
    EXPECT_EQ(view().file_dialogs()[0].initial_name, "Marlinth-inspection.txt");
    std::ifstream in(target, std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_EQ(saved.str(), report());
    EXPECT_EQ(view().status(StatusLine::Main), "Inspection report exported.");
    std::ifstream cfg(in_dir(home_, "Marlinth.cfg"), std::ios::binary);
    std::stringstream cfg_text;
    cfg_text << cfg.rdbuf();
    EXPECT_NE(cfg_text.str().find("REPORTDIR=" + tmp_ / "reports" + "\r\n"), std::string::npos);
}

TEST_F(Inspection, WizardSummaryAndFinalInspection) {
    InstallationSpec wanted;
    wanted.nodes = 2;
    build(wanted);
    start();
    app().ui.screen = Screen::Wizard;  // started from the wizard's inspection page
    run_inspection(app());
    EXPECT_EQ(view().text(ControlId::WizardInspectionSummary),
              "INSPECTION PASSED\r\n"
              "Nodes checked: 2\r\n"
              "Existing conferences: 6\r\n"
              "Shared MESSAGE directory: " + inst_.message_dir + "\r\n"
              "All configured SFMCONF.DAT files match and every current conference passed validation.");
    run_final_inspection(app());
    EXPECT_EQ(view().text(ControlId::WizardCompletionText),
              "FINAL INSPECTION PASSED.\r\n\r\nThe configured node conference files match and all required "
              "message-base files were found. Normal service may resume.");

    // Spitfire has not created the new message bases yet: the final inspection does not pass.
    std::string dat;
    message_file_path(inst_.message_dir, 6, MessageFile::Dat, dat);
    fb_.remove_file(dat);
    view().queue_answer(BoxAnswer::Yes);
    run_final_inspection(app());
    EXPECT_EQ(view().text(ControlId::WizardCompletionText),
              "Final inspection did not pass cleanly. Review Advanced Tools > Report before resuming normal service.");
    EXPECT_EQ(view().text(ControlId::WizardInspectionSummary),
              "Inspection has not passed cleanly. Review Advanced Tools > Report for the exact blocker.");
    EXPECT_EQ(wizard_inspection_summary(app()),
              "Inspection has not passed cleanly. Review Advanced Tools > Report for the exact blocker.");

    // From Advanced Tools the wizard's page is left alone.
    fb_.write_file(dat, std::vector<uint8_t>(512, 0));
    app().ui.screen = Screen::AdvancedTools;
    run_inspection(app());
    EXPECT_TRUE(app().flags.inspection_passed);
    EXPECT_EQ(view().text(ControlId::WizardInspectionSummary),
              "Inspection has not passed cleanly. Review Advanced Tools > Report for the exact blocker.");
    show_wizard_inspection_summary(app());
    EXPECT_EQ(view().text(ControlId::WizardInspectionSummary).substr(0, 19), "INSPECTION PASSED\r\n");
}

}  // namespace
}  // namespace marlinth
