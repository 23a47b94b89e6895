// The read-only inspection and the node directories it starts from.
#include "app/inspection_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "core/files.h"
#include "core/sha256.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "fixture/installation.h"
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

const char* const kBlockers = "Inspection completed with blockers; Wizard Mode remains blocked.";

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
    std::string text_of(const std::string& path) {
        const std::vector<uint8_t> bytes = fb_.read_file(path);
        return {bytes.begin(), bytes.end()};
    }
    std::string digest(const std::string& path) { return sha256_hex(sha256(text_of(path))); }
    // The installation's paths by name, for transcripts.
    test::ScriptVars vars() {
        test::ScriptVars out = {{"MESSAGE", inst_.message_dir}};
        for (size_t i = 0; i < inst_.nodes.size(); ++i) out["NODE" + dec(i + 1)] = inst_.nodes[i];
        return out;
    }
    std::string node_file(int i) { return in_dir(inst_.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
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
        return ::testing::AssertionFailure() << "not " << (at_end ? "at the end" : "in") << " the report:\n" << r;
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
    test::ScriptVars vars = this->vars();
    vars["REPORT"] = tmp_ / "Marlinth-inspection.txt", vars["SHA256"] = digest(node_file(1));
    const test::ScriptResult result = test::run_script(platform_, home_, test::load_script("inspection.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, test::substitute(test::load_script("inspection.expected"), vars));
    // The exported file is the report, CR LF and all, and its folder is remembered.
    const std::string exported = text_of(tmp_ / "Marlinth-inspection.txt");
    EXPECT_EQ(exported.substr(0, 34), "Marlinth v0.4b INSPECTION REPORT\r\n");
    EXPECT_NE(text_of(in_dir(home_, "Marlinth.cfg")).find("REPORTDIR=" + tmp_.path() + "\r\n"), std::string::npos);
}

// The largest installation passes; what the message bases hold, the programs running and a
// configuration that cannot be saved are shown, not blockers.
TEST_F(Inspection, ThirtyTwoNodesWith784ConferencesPassWhateverElseIsNoted) {
    std::vector<ConferenceSpec> conferences = test::echo_conferences(784);
    conferences[0].name = "Local Talk", conferences[0].net_id.clear(), conferences[0].allow_routing = 0;
    conferences[0].conference_security = -5, conferences[0].message_entry_security = 250;
    test::MessageBaseSpec bases;
    bases.messages = 1;
    build(32, conferences, bases);
    platform_.fake_size("SFMSG05.DAT", 0x123456789ull);
    // Whole names in any letter case: a backup copy of NTVDM is not NTVDM.
    platform_.set_processes({"explorer.exe", "ntvdm.exe.bak", "Quarro32.EXE"});
    platform_.fail_path(Op::CreateNew, "Marlinth.cfg");
    start();
    inspect();
    EXPECT_EQ(outcome(), (Texts{"passed", "Read-only inspection completed.", "Conferences",
                                "error: Could not write Marlinth.cfg beside the executable."}));
    EXPECT_TRUE(in_report("Mode: INSPECTION - no Spitfire data is changed by this operation.\r\n\r\n"
                          "WARNING: QUARRO32.EXE is currently running. Read-only inspection is allowed; future "
                          "writes will be blocked.\r\nConfigured nodes: 32\r\n"));
    EXPECT_TRUE(in_report("\r\nNode 32: MATCH (size, bytes, SHA-256)\r\n"));
    EXPECT_TRUE(in_report("\r\nCONF 784  [OK]\r\n  PTR=256 IDX=16 DAT=128 LMR=64 SIG=none\r\n"
                          "  Slots=1 Active=1 Deleted=0 DAT records=1 Danger=0 Warn=0 Normal roots=0\r\n",
                          true));
    ASSERT_EQ(rows().size(), 784u);
    EXPECT_EQ(rows()[0], (Row{"1", "Local Talk", "", "-5", "250", "PIDL-", "1", "0", "0", "0", "OK"}));
    EXPECT_EQ(rows()[4][10], "FATAL: file is 4GB or larger");
}

// Node copies that differ or cannot be read fail the inspection, with both digests; the
// inspection completes, reports every conference and changes no file of the installation.
TEST_F(Inspection, NodeCopiesThatDifferOrCannotBeReadFailAndNothingChanges) {
    test::MessageBaseSpec bases;
    bases.with_sig = true;
    build(6, test::echo_conferences(6), bases);
    fb_.patch_byte(node_file(3), 0x50, 0x01);  // same size, one byte different
    std::vector<uint8_t> longer = fb_.read_file(node_file(4));
    longer.resize(longer.size() + 128, 0);
    fb_.write_file(node_file(4), longer);
    fb_.write_file(node_file(5), std::vector<uint8_t>(100480, 0));  // above the cap: not read
    platform_.fail_path(Op::OpenRead, node_file(6));                // locked
    const test::TreeSnapshot before = test::snapshot_tree(inst_.root);
    start();
    platform_.reset_counts();
    inspect();
    EXPECT_EQ(outcome(), (Texts{"not passed", kBlockers, "Conferences"}));
    test::ScriptVars v = vars();
    for (int i : {1, 3, 4}) v["HASH" + dec(i)] = digest(node_file(i));
    // Compared whole, its CR LF line ends kept as LF in the golden file.
    std::string lf = report(), crlf;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    for (char c : test::golden("inspection_node_mismatch.expected", lf, v)) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    EXPECT_EQ(report(), crlf);
    inspect();
    EXPECT_EQ(test::snapshot_tree(inst_.root), before);
    // Everything written went beside the program (configuration and log).
    ASSERT_FALSE(platform_.changed_paths().empty());
    for (const std::string& path : platform_.changed_paths())
        EXPECT_TRUE(path == home_ || path.rfind(home_ + kPathSeparator, 0) == 0) << path;
}

TEST_F(Inspection, MissingMessageFilesAskWhetherToContinue) {
    build(2);
    fb_.remove_file(in_dir(inst_.message_dir, "SFMSG04.LMR"));
    fb_.remove_file(in_dir(inst_.message_dir, "SFMSG02.PTR"));
    start();
    const std::string question = "warning: One or more conferences are missing required SFMSGxx files. Continue "
                                 "viewing the completed inspection results?";
    // Answered Yes: the results, with their blockers. (No stops there: see the wizard transcript.)
    view().queue_answer(BoxAnswer::Yes);
    inspect();
    EXPECT_EQ(view().boxes().at(0).buttons, BoxButtons::YesNo);
    EXPECT_EQ(outcome(), (Texts{"not passed", kBlockers, "Conferences", question}));
    EXPECT_TRUE(in_report("CONF 04  [ERROR: missing required file(s)]\r\n"
                          "  PTR=1024 IDX=64 DAT=512 LMR=MISSING SIG=none\r\n"
                          "  Slots=0 Active=0 Deleted=0 DAT records=0 Danger=0 Warn=0 Normal roots=0\r\n"));
    EXPECT_EQ(rows()[3][5], "PID--");
    EXPECT_EQ(rows()[1][5], "-IDL-");
    EXPECT_EQ(rows()[1][10], "ERROR: missing required file(s)");
}

// After a good inspection: a primary file too large or not whole records releases the baseline,
// so nothing is planned from it; missing paths stop before anything is read and keep it.
TEST_F(Inspection, BrokenPrimaryFileReleasesTheBaselineAndMissingPathsKeepIt) {
    build(3);
    const std::vector<uint8_t> good = fb_.read_file(node_file(1));
    start();
    const std::string invalid = "Primary SFMCONF.DAT is invalid.";
    const std::tuple<std::function<void()>, std::string, std::string, std::string> cases[] = {
        {[&] { fb_.write_file(node_file(1), std::vector<uint8_t>(100480, 0)); },
         "Node 3: " + inst_.nodes[2] + "\r\nFile too large for safe in-memory inspection: " + node_file(1), invalid,
         "error: " + invalid},
        {[&] { fb_.write_file(node_file(1), std::vector<uint8_t>(129, 0)); },
         "\r\nSFMCONF.DAT size is not a nonzero multiple of 128 bytes.", invalid, "error: " + invalid},
        {[&] {
             for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"})
                 fb_.remove_file(in_dir(inst_.nodes[0], name));
             fb_.remove_file(in_dir(inst_.nodes[1], "SPITFIRE.OVR"));
             fs::remove_all(inst_.nodes[2]);
             fs::remove_all(inst_.message_dir);
         },
         "\r\n\r\nNODE VALIDATION\r\n---------------\r\nNode 1: " + inst_.nodes[0] +
             "\r\n  ERROR: SFMCONF.DAT is missing.\r\n  ERROR: SPITFIRE.EXE is missing.\r\n"
             "  ERROR: SPITFIRE.OVR is missing.\r\nNode 2: " + inst_.nodes[1] + "\r\n  ERROR: SPITFIRE.OVR is missing."
             "\r\nNode 3: " + inst_.nodes[2] + "\r\n  ERROR: directory is inaccessible.\r\n"
             "ERROR: Shared MESSAGE directory is inaccessible.",
         "Inspection stopped: invalid installation path(s).",
         "error: One or more required Spitfire files or paths are missing. Review the report."},
    };
    for (const auto& [arrange, tail, status, box] : cases) {
        SCOPED_TRACE(status);
        fb_.write_file(node_file(1), good);
        inspect();
        ASSERT_TRUE(app().flags.inspection_passed);
        ASSERT_NE(view().item_count(ControlId::TemplateChoice), 0);
        const uint8_t* old_bytes = app().baseline.bytes.data();
        const std::vector<Row> old_rows = rows();
        arrange();
        inspect();
        EXPECT_TRUE(in_report(tail + "\r\n", true));
        EXPECT_EQ(view().text(ControlId::ReportText), report());
        EXPECT_EQ(outcome(), (Texts{"not passed", status, "Report", box}));
        if (status != invalid) {
            EXPECT_EQ(app().baseline.bytes.data(), old_bytes);
            EXPECT_EQ(app().baseline.count(), 6u);
            EXPECT_EQ(rows(), old_rows);
            continue;
        }
        // Nothing of the old baseline is left to plan from or to show.
        EXPECT_FALSE(app().baseline.has_bytes());
        EXPECT_EQ(app().baseline.count(), 0u);
        EXPECT_TRUE(rows().empty());
        EXPECT_EQ(view().item_count(ControlId::TemplateChoice), 0);
        EXPECT_FALSE(app().settings.valid);
    }
}

// Without routed echoes every conference is offered and the echo-like one preselected;
// with nothing echo-like, the first.
TEST_F(Inspection, TemplateListFallsBackToEveryConference) {
    ConferenceSpec one, two, three;
    one.name = "One", one.allow_routing = 0;
    two.name = "Two", two.allow_routing = 0, two.net_id = "TWO", two.netmail = 1;
    three.name = "Three";  // routes, but has no Net ID
    const std::tuple<std::vector<ConferenceSpec>, const char*, int> cases[] = {
        {{one, two, three}, "  #1 - One\n* #2 - Two\n  #3 - Three", 1},
        {{one, three}, "* #1 - One\n  #2 - Three", 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [conferences, choices, template_index] = cases[i];
        SCOPED_TRACE(choices);
        build(1, conferences, {}, "bbs" + dec(i));
        start();
        inspect();
        EXPECT_EQ(view().describe(ControlId::TemplateChoice), choices);
        EXPECT_TRUE(app().settings.valid);
        EXPECT_EQ(app().settings.template_index, template_index);
    }
}

TEST_F(Inspection, StartClearsEveryLaterStageAndAnInvalidSetupStopsThere) {
    build(2);
    start();
    StageFlags& f = app().flags;
    view().type(ControlId::NodeCount, "3");  // two node lines for three nodes
    f.inspection_passed = f.na_loaded = f.plan_current = f.preflight_passed = f.commit_in_progress = true;
    inspect();
    EXPECT_FALSE(f.inspection_passed || f.na_loaded || f.plan_current || f.preflight_passed || f.commit_in_progress);
    EXPECT_EQ(outcome(), (Texts{"not passed",
                                "Ready. 32-bit Windows XP SP2 or Windows 7; no administrator rights required.", "Setup",
                                "error: The number of nonblank node-directory lines must match Node count."}));
    EXPECT_EQ(view().status(StatusLine::Writer),
              "Inspection changed the baseline. Load an .NA file and generate a new dry-run plan.");
}

// The Setup tab's node buttons: discovery adds sibling and child folders in order and only
// once; an added node may not repeat one in any case.
TEST_F(Inspection, NodeButtonsFillTheNodeList) {
    open();
    auto bbs = [&](const std::string& name) { return tmp_ / ("BBS/" + name); };
    for (const char* name : {"SF", "SF3", "SF2", "NODE4"}) fb_.make_dir(bbs(name));
    view().type(ControlId::NodeList, bbs("SF") + "/");  // a trailing separator still names SF, not a folder inside it
    view().click(ControlId::DiscoverNodes);
    const std::string four = bbs("SF") + "\r\n" + bbs("SF2") + "\r\n" + bbs("SF3") + "\r\n" + bbs("NODE4");
    EXPECT_EQ(view().text(ControlId::NodeList), four);
    EXPECT_EQ(view().text(ControlId::NodeCount), "4");
    fb_.make_dir(bbs("SF/NODE2"));
    view().click(ControlId::DiscoverNodes);
    EXPECT_EQ(view().text(ControlId::NodeList), four + "\r\n" + bbs("SF/NODE2"));
    view().click(ControlId::DiscoverNodes);
    EXPECT_EQ(boxes(), Texts{"information: No additional common node-directory patterns were found. Paths can still "
                             "be entered manually."});

    view().type(ControlId::NodeList, "C:\\OTHER\r\nC:\\SF2");
    view().queue_pick("c:\\sf2");
    view().click(ControlId::AddNode);
    EXPECT_EQ(boxes(), Texts{"warning: That node path is already listed."});
    view().queue_pick("C:\\SF3");
    view().click(ControlId::AddNode);
    EXPECT_EQ(view().text(ControlId::NodeList), "C:\\OTHER\r\nC:\\SF2\r\nC:\\SF3");
    EXPECT_EQ(view().text(ControlId::NodeCount), "3");
}

}  // namespace
}  // namespace marlinth
