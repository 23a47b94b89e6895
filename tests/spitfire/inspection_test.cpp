// The read-only inspection through the program, where the transcripts do not reach, and the node
// directories it starts from.
#include "app/inspection_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/sha256.h"
#include "core/strings.h"
#include "fixture/installation.h"
#include "spitfire/nodes.h"
#include "support/fault_platform.h"
#include "support/ready_session.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

using test::Op;
using Texts = std::vector<std::string>;

class Inspection : public ::testing::Test {
protected:
    Inspection() : platform_(*native_), fb_(platform_), home_(tmp_ / "app") {
        platform_.set_time({2026, 1, 31, 23, 59, 7});
        platform_.set_processes({"init", "explorer.exe", "SPITFIRE.EXE"});
        fb_.make_dir(home_);
    }
    void build(int nodes, std::vector<test::ConferenceSpec> conferences = test::echo_conferences(6),
               test::MessageBaseSpec bases = {}) {
        inst_ = test::build_installation(platform_, tmp_ / "bbs", {nodes, conferences, bases});
    }
    // Starts the program on Advanced Tools and, with `setup`, types the installation's setup as a sysop would.
    void start(bool setup = true) {
        session_ = std::make_unique<HeadlessSession>(platform_, home_);
        ASSERT_TRUE(session_->started() && view().click(ControlId::AdvancedTools));
        if (!setup) return;
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
    std::string text_of(const std::string& path) { return test::text_of(fb_.read_file(path)); }
    std::string digest(int node) { return sha256_hex(sha256(text_of(node_file(node)))); }
    // The installation's paths by name, for transcripts.
    test::ScriptVars vars() {
        test::ScriptVars out = {{"MESSAGE", inst_.message_dir}};
        for (size_t i = 0; i < inst_.nodes.size(); ++i) out["NODE" + dec(i + 1)] = inst_.nodes[i];
        return out;
    }
    std::string node_file(int i) { return test::sep(inst_.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
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
    std::string report_end(size_t chars) { return report().substr(report().size() - chars); }

    test::TempDir tmp_;
    std::unique_ptr<Platform> native_ = make_native_platform();
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
    std::vector<test::ConferenceSpec> conferences = test::echo_conferences(4);
    conferences[0].name = "Local Chatter", conferences[0].net_id.clear(), conferences[0].allow_routing = 0;
    build(3, conferences, {6});
    fb_.make_message_base(inst_.message_dir, 3, {6, test::ThreadShape::OrphanReply});
    test::ScriptVars vars = this->vars();
    vars["REPORT"] = tmp_ / "Marlinth-inspection.txt", vars["SHA256"] = digest(1);
    const test::ScriptResult result = test::run_script(platform_, home_, test::load_script("inspection.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, test::substitute(test::load_script("inspection.expected"), vars));
    // The exported file is the report, CR LF and all, and its folder is remembered.
    EXPECT_EQ(text_of(tmp_ / "Marlinth-inspection.txt").substr(0, 34), "Marlinth v0.4b INSPECTION REPORT\r\n");
    EXPECT_NE(text_of(test::sep(home_, "Marlinth.cfg")).find("REPORTDIR=" + tmp_.path() + "\r\n"), std::string::npos);
}

// What programs are running (whole executable names, A-Z folded) and a configuration that cannot
// be saved are shown, not blockers; no process list means nothing runs.
TEST_F(Inspection, NotesThatAreNoBlockers) {
    build(1);
    platform_.set_processes({"explorer.exe", "ntvdm.exe.bak", "Quarro32.EXE"});
    platform_.fail_path(Op::CreateNew, "Marlinth.cfg");
    start();
    inspect();
    EXPECT_EQ(outcome(), (Texts{"passed", "Read-only inspection completed.", "Conferences",
                                "error: Could not write Marlinth.cfg beside the executable."}));
    const std::string mode = "Mode: INSPECTION - no Spitfire data is changed by this operation.\r\n\r\n";
    EXPECT_NE(report().find(mode + "WARNING: QUARRO32.EXE is currently running. Read-only inspection is allowed; "
                                   "future writes will be blocked.\r\nConfigured nodes: 1\r\n"),
              std::string::npos) << report();
    platform_.set_process_list_fails();
    inspect();
    EXPECT_NE(report().find(mode + "Configured nodes: 1\r\n"), std::string::npos) << report();
}

// Node copies that differ or cannot be read fail the inspection, with both digests; the
// inspection completes, reports every conference and changes no file of the installation.
TEST_F(Inspection, NodeCopiesThatDifferOrCannotBeReadFailAndNothingChanges) {
    build(6, test::echo_conferences(6), {4, test::ThreadShape::Healthy, true});
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
    EXPECT_EQ(outcome(), (Texts{"not passed", "Inspection completed with blockers; Wizard Mode remains blocked.", "Conferences"}));
    test::ScriptVars v = vars();
    for (int i : {1, 3, 4}) v["HASH" + dec(i)] = digest(i);
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

// After a good inspection, with every later stage marked done: a primary file that is not whole
// records releases the baseline, so nothing is planned from it; missing paths stop before anything
// is read and keep it. Either way every later stage is stale.
TEST_F(Inspection, BrokenPrimaryFileReleasesTheBaselineAndMissingPathsKeepIt) {
    build(3);
    const std::vector<uint8_t> good = fb_.read_file(node_file(1));
    start();
    const std::string invalid = "Primary SFMCONF.DAT is invalid.";
    for (const bool paths_missing : {false, true}) {
        SCOPED_TRACE(paths_missing);
        fb_.write_file(node_file(1), good);
        inspect();
        ASSERT_TRUE(app().flags.inspection_passed);
        const uint8_t* old_bytes = app().baseline.bytes.data();
        const auto old_rows = view().rows(ControlId::ConferenceList);
        StageFlags& f = app().flags;
        f.na_loaded = f.plan_current = f.preflight_passed = f.commit_in_progress = true;
        if (paths_missing) {
            for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"}) fb_.remove_file(test::sep(inst_.nodes[0], name));
            fb_.remove_file(test::sep(inst_.nodes[1], "SPITFIRE.OVR"));
            std::filesystem::remove_all(inst_.nodes[2]);
            std::filesystem::remove_all(inst_.message_dir);
        } else {
            fb_.write_file(node_file(1), std::vector<uint8_t>(129, 0));
        }
        inspect();
        EXPECT_FALSE(f.inspection_passed || f.na_loaded || f.plan_current || f.preflight_passed || f.commit_in_progress);
        EXPECT_EQ(view().status(StatusLine::Writer),
                  "Inspection changed the baseline. Load an .NA file and generate a new dry-run plan.");
        if (paths_missing) {
            const std::string tail = "\r\n\r\nNODE VALIDATION\r\n---------------\r\nNode 1: " + inst_.nodes[0] +
                                     "\r\n  ERROR: SFMCONF.DAT is missing.\r\n  ERROR: SPITFIRE.EXE is missing.\r\n"
                                     "  ERROR: SPITFIRE.OVR is missing.\r\nNode 2: " + inst_.nodes[1] +
                                     "\r\n  ERROR: SPITFIRE.OVR is missing.\r\nNode 3: " + inst_.nodes[2] +
                                     "\r\n  ERROR: directory is inaccessible.\r\n"
                                     "ERROR: Shared MESSAGE directory is inaccessible.\r\n";
            EXPECT_EQ(report_end(tail.size()), tail);
            EXPECT_EQ(outcome(), (Texts{"not passed", "Inspection stopped: invalid installation path(s).", "Report",
                                        "error: One or more required Spitfire files or paths are missing. Review the report."}));
            EXPECT_EQ(app().baseline.bytes.data(), old_bytes);
            EXPECT_EQ(view().rows(ControlId::ConferenceList), old_rows);
            continue;
        }
        EXPECT_EQ(report_end(60), "\r\nSFMCONF.DAT size is not a nonzero multiple of 128 bytes.\r\n");
        EXPECT_EQ(outcome(), (Texts{"not passed", invalid, "Report", "error: " + invalid}));
        // Nothing of the old baseline is left to plan from or to show.
        EXPECT_FALSE(app().baseline.has_bytes());
        EXPECT_TRUE(app().baseline.count() == 0 && !app().settings.valid);
        EXPECT_TRUE(view().rows(ControlId::ConferenceList).empty());
        EXPECT_EQ(view().item_count(ControlId::TemplateChoice), 0);
    }
}

// Further nodes are looked for beside Node 1 (named SFn or NODEn) and inside it (NODEn); a
// trailing separator still names Node 1 itself, and a candidate too long for a path is left out.
// The buttons add each found folder once, and a node may not repeat one in any letter case.
TEST_F(Inspection, NodeCandidatesAndTheButtonsThatFillTheNodeList) {
    const std::string bbs = test::sep("", "BBS");
    EXPECT_EQ(node_candidates(test::sep(bbs, "SF") + kPathSeparator, 2),
              (Texts{test::sep(bbs, "SF2"), test::sep(bbs, "NODE2"), test::sep(test::sep(bbs, "SF"), "NODE2")}));
    EXPECT_EQ(node_candidates(test::sep(bbs, std::string(249, 'd')), 2), (Texts{test::sep(bbs, "SF2"), test::sep(bbs, "NODE2"), ""}));
    start(false);
    for (const std::string name : {"SF", "SF2", "NODE3"}) fb_.make_dir(tmp_ / ("BBS/" + name));
    view().type(ControlId::NodeList, tmp_ / "BBS/SF");
    view().click(ControlId::DiscoverNodes);
    EXPECT_EQ(view().text(ControlId::NodeList),
              (tmp_ / "BBS/SF") + "\r\n" + (tmp_ / "BBS/SF2") + "\r\n" + (tmp_ / "BBS/NODE3"));
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
