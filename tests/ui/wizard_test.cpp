// Wizard Mode and the scripted runner. The acceptance roads are replayed from tests/scripts/ and
// compared with their transcripts: a sysop's setup on the Setup tab, and a sysop's whole wizard
// road from the first question to the final inspection after Node 1's first boot (and the
// records a restart then shows), and the gates that refuse on the way; the runner's own line
// language and where it stops on a bad line. Shorter walks play in a planned session with the
// test acting between their parts: there, what a transcript cannot show: a late "Next >" or
// commit click that arrives past a disabled button, the keyboard focus, the buttons while a
// transaction runs, and where the pickers open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "app/import_commands.h"
#include "core/sha256.h"
#include "support/golden_diff.h"
#include "support/na_fixture.h"
#include "support/planned_session.h"
#include "support/script_harness.h"
#include "support/script_walk.h"
#include "ui/dispatch.h"
#include "ui/headless/script_runner.h"
#include "ui/screens.h"
#include "ui/wizard.h"

#ifndef MARLINTH_MAKE_DEMO
#define MARLINTH_MAKE_DEMO "make-demo"
#endif

namespace marlinth {
namespace {

using C = ControlId;
using test::PlannedSession;

void enter_wizard_at(App& app, int step) {
    app.ui.wizard_active = true;
    app.ui.wizard_step = step;
    show_screen(app, Screen::Wizard);
}

// A click that reaches the window although the button was disabled a moment before (a message
// already queued): the logic must not rely on the button state alone.
void late_click(App& app, ControlId id) { dispatch(app, id, UiEvent::Clicked); }

// A walk in a planned session, with its installation's paths as ${BACKUP}, ${MESSAGE} and ${NA}.
test::ScriptWalk walk_in(PlannedSession& p, const std::string& name, test::ScriptVars vars = {}) {
    vars.insert({{"BACKUP", p.inst.backup_root}, {"MESSAGE", p.inst.message_dir}, {"NA", p.na_path}});
    return test::ScriptWalk(p.app(), p.view(), name, std::move(vars));
}

// Every gate holds against a late "Next >": the warning and the same step (the transcript), and
// the keyboard on the answer to correct.
// The line beside a grey Next on the names page counts what waits, one and more than one.
TEST(WizardGates, TheNamesPageSaysHowManyAreasBlockOrWait) {
    PlannedSession p;
    App& app = p.app();
    enter_wizard_at(app, 10);
    AreaPreview& preview = app.preview;
    const struct { uint32_t blocked, review; const char* says; } cases[] = {
        {1, 0, "1 area is blocked: correct the .NA file and load it again."},
        {2, 1, "2 areas are blocked: correct the .NA file and load it again."},
        {0, 1, "1 shortened name waits for approval: select and approve."},
        {0, 2, "2 shortened names wait for approval: select and approve."},
        {0, 0, "Tick the box above once you have reviewed every name."},
    };
    for (const auto& c : cases) {
        preview.blocked_count = c.blocked;
        preview.review_count = c.review;
        EXPECT_EQ(wizard_next_blocker(app), c.says);
    }
}

TEST(WizardGates, ALateNextIsRefusedWithItsWarningAndTheKeyboardOnTheFieldAtFault) {
    PlannedSession p;  // inspected, an .NA list loaded with BETA awaiting approval
    App& app = p.app();
    HeadlessView& v = p.view();
    const struct { int step; std::function<void()> undo; ControlId fault; } cases[] = {
        {0, nullptr, C::WizardNodeCount},
        {3, nullptr, C::WizardNodeList},
        {6, [&] { app.flags.inspection_passed = false; }, C::WizardRunInspection},
        {7, [&] { app.flags.full_backup_verified = app.flags.existing_backup_confirmed = false; }, C::WizardCreateBackupChoice},
        {8, [&] { update_import_summary(app); }, C::WizardChooseNaFile},
        {9, nullptr, C::PurgeDays},
        {10, nullptr, C::AreaList},
        {10, [&] { app.preview.areas[1].needs_review = false, app.preview.recount(); }, C::WizardNamesReviewed},
        {11, [&] { app.flags.plan_current = false; }, C::WizardGeneratePlan},
        {12, [&] { app.flags.preflight_passed = false; }, C::WizardRunSafetyCheck},
    };
    auto walk = walk_in(p, "wizard_late_next");
    for (const auto& c : cases) {
        enter_wizard_at(app, c.step);
        if (c.undo) c.undo();
        walk.next();  // the sysop's own answer
        refresh_wizard_buttons(app);
        v.focus(C::WizardNext);
        late_click(app, C::WizardNext);
        EXPECT_EQ(v.focused(), c.fault) << c.step;
        if (v.enabled(C::WizardNext)) v.click(C::WizardNext);  // as the sysop finds it: the warning again
        EXPECT_EQ(app.ui.wizard_step, c.step);
    }
}

// The transcript walks the pages; here, the commit clicks that arrive past the disabled button
// (their boxes are in the transcript), the faults, and that while the transaction runs nothing
// can leave the page.
TEST(WizardCommit, EveryCommitNeedsItsOwnConfirmationAndTheRunningTransactionHoldsThePage) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    v.type(C::WizardBackupRoot, p.inst.backup_root);
    enter_wizard_at(app, 11);
    auto walk = walk_in(p, "wizard_commit");
    walk.next();
    v.type(C::WizardConfirmation, " YES ");
    late_click(app, C::WizardCommit);
    v.click(C::WizardClosedConfirm);
    EXPECT_TRUE(v.enabled(C::WizardCommit));
    v.type(C::WizardConfirmation, "YES.");
    late_click(app, C::WizardCommit);
    walk.next();
    p.fp.set_processes({"QUARRO32.EXE"});
    walk.next();
    p.fp.set_processes({});
    walk.next();
    p.fp.fail_nth(test::Op::CreateDir, 1);
    walk.next();
    walk.next();
    int seen = 0;
    p.fp.before(test::Op::Rename, [&](const std::string&) {
        ++seen;
        EXPECT_TRUE(app.flags.commit_in_progress);
        for (ControlId id : {C::WizardBack, C::WizardNext, C::WizardCancel, C::WizardAdvanced, C::WizardCommit})
            EXPECT_FALSE(v.enabled(id)) << static_cast<int>(id);
        for (ControlId id : {C::WizardCancel, C::WizardBack, C::WizardNext, C::WizardAdvanced}) late_click(app, id);
        EXPECT_TRUE(app.ui.screen == Screen::Wizard && app.ui.wizard_step == 13 && app.ui.wizard_active);
    });
    v.click(C::WizardCommit);
    p.fp.before(test::Op::Rename, nullptr);
    EXPECT_TRUE(seen >= 3 && app.ui.wizard_step == kWizardLastStep) << seen;
}

// A verified full backup belongs to its root and its MESSAGE directory: only a real change
// costs it (the transcript), and with it the backup's location and the page's claim.
TEST(WizardPages, OnlyANewBackupRootOrMessageDirectoryCostsTheVerifiedBackup) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    const std::string chosen = p.dir / "chosen";
    auto walk = walk_in(p, "wizard_backup_root", {{"ELSEWHERE", p.dir / "elsewhere"}, {"OTHER", p.dir / "other"}, {"CHOSEN", chosen}});
    for (const bool kept : {true, true, false, false, false}) {
        enter_wizard_at(app, 7);
        v.type(C::WizardBackupRoot, p.inst.backup_root + "  ");
        app.flags.full_backup_verified = true;
        app.full_backup_location = p.inst.backup_root + "/X/FULL-MESSAGE";
        app.full_backup_source = p.inst.message_dir;
        v.set_text(C::WizardBackupText, "Full MESSAGE backup completed and verified.\r\n...");
        walk.next();  // the change, then the backup page
        EXPECT_EQ(app.full_backup_location.empty(), !kept);
        EXPECT_EQ(v.text(C::WizardBackupText).rfind("Full MESSAGE backup completed", 0) == 0, kept);
    }
    EXPECT_EQ(app.setup.backup_root, chosen);
}

// A redraw leaves the keyboard where the sysop put it (tools/e2e/run shows where it goes on a new
// page); a detour through the Setup tab cannot leave other answers there than the wizard's; every
// picker opens where the field it fills already points (the QUARRO32.CFG picker at Node 1 while
// its field is empty).
TEST(WizardPages, TheKeyboardStaysTheWizardsAnswersWinAndPickersOpenWhereTheFieldPoints) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    enter_wizard_at(app, 2);
    v.focus(C::WizardNext);
    v.click(C::WizardScanNo);  // redraws the whole page
    EXPECT_EQ(v.focused(), C::WizardNext);

    enter_wizard_at(app, 5);
    const std::string cfg = p.dir / "QUARRO32.CFG";
    p.fb.write_text(cfg, "CONFDIR C:\\SF\r\n");
    auto detour = walk_in(p, "wizard_setup_detour", {{"ELSEWHERE", p.dir / "elsewhere"}, {"CFG", cfg}});
    detour.next();

    const std::string node1 = p.inst.nodes[0], folder = p.dir / "picked";
    const struct { ControlId field, button; std::string text, opens_at; } pickers[] = {
        {C::MessageDir, C::BrowseMessageDir, " " + folder + " ", folder},
        {C::BackupRoot, C::BrowseBackupRoot, folder, folder},
        {C::NodeList, C::SetNode1, node1 + "\r\n" + folder, node1},
        {C::WizardNode1, C::WizardBrowseNode1, node1, node1},
        {C::WizardMessageDir, C::WizardBrowseMessageDir, folder, folder},
        {C::WizardBackupRoot, C::WizardBrowseBackupRoot, folder, folder},
        {C::WizardQuarroCfgPath, C::WizardBrowseQuarroCfg, "", node1},
        {C::WizardQuarroCfgPath, C::WizardBrowseQuarroCfg, folder + "/QUARRO32.CFG", folder},
    };
    for (const auto& k : pickers) {
        SCOPED_TRACE(k.text);
        v.type(k.field, k.text);
        v.queue_pick_cancel();
        v.click(k.button);
        const bool file = k.button == C::WizardBrowseQuarroCfg;
        ASSERT_FALSE(file ? v.file_dialogs().empty() : v.folder_dialogs().empty());
        EXPECT_EQ(file ? v.file_dialogs().back().initial_directory : v.folder_dialogs().back().second, k.opens_at);
    }
}

// However the Setup tab learns Node 1 (picked; typed and saved; found by discovery; added to an
// empty list), an empty backup root becomes SF_BACKUPS beside it, and a root of the sysop's own
// stays. (wizard_gates.script: the same in the wizard.)
TEST(SetupTab, AnEmptyBackupRootDefaultsBesideNode1AndARootOfTheSysopsOwnStays) {
    PlannedSession p;
    HeadlessView& v = p.view();
    const std::string node1 = p.inst.nodes[0], beside = p.inst.root + kPathSeparator + "SF_BACKUPS", own = p.dir / "MINE";
    const std::pair<const char*, std::function<void()>> learned[] = {
        {"picked", [&] { v.queue_pick(node1), v.click(C::SetNode1); }},
        {"saved", [&] { v.type(C::NodeCount, "1"), v.type(C::NodeList, node1), v.click(C::SaveSettings); }},
        {"discovered", [&] { v.click(C::DiscoverNodes); }},
        {"added", [&] { v.type(C::NodeList, ""), v.queue_pick(node1), v.click(C::AddNode); }},
    };
    for (const std::string& root : {std::string(), own})
        for (const auto& [how, learn] : learned) {
            v.type(C::BackupRoot, root);
            learn();
            EXPECT_EQ(v.text(C::BackupRoot), root.empty() ? beside : root) << how;
        }
}

// The demo tool as this platform's shell runs it. Under Wine the build's paths are Unix paths,
// which Windows programs see on drive Z:.
std::string outside_program(std::string path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        for (char& c : path) c = c == '/' ? '\\' : c;
        return "Z:" + path;
    }
#endif
    return path;
}

// Scripts replayed against a fresh session on a generated three-node system, at a fixed time.
class Scripts : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    test::FixtureBuilder fb{*native};
    test::TempDir dir;
    test::Installation inst;
    std::vector<uint8_t> old_conf;

    void SetUp() override {
        fp.set_time({2026, 12, 5, 10, 30, 0});
        fp.set_processes({});
        fp.set_free_space(uint64_t(1) << 40);
        inst = test::build_installation(*native, dir / "BBS", test::InstallationSpec());  // 3 nodes, 6 echo conferences
        // Tags and descriptions are made up; MIXED holds an area the BBS already carries, which
        // no approval can make importable.
        const std::string gen = "FSX_GEN        General chit chat",
                          bot = "FSX_BOT        Bot testing and automation for fsxNet nodes and points";
        fb.write_text(dir / "lists/FSXNET.NA", test::na_text({"; fsxNet echomail areas (generated for the wizard road)", gen,
                                                              bot, "FSX_NEWS       Network news"}));
        fb.write_text(dir / "lists/MIXED.NA", test::na_text({gen, "ECHO2          An area the BBS already carries", bot}));
        fb.write_text(dir / "lists/NOTNA.NA", test::tosser_config_text());
        fb.make_dir(dir / "app");
        old_conf = conf(0);
    }

    std::vector<uint8_t> conf(size_t node) { return fb.read_file(inst.nodes[node] + kPathSeparator + "SFMCONF.DAT"); }

    test::ScriptResult run(const std::string& script, const test::ScriptVars& vars = {}) {
        return test::run_script(fp, dir / "app", script, vars);
    }
    // Runs tests/scripts/<name>.script and compares its transcript with <name>.expected.
    void run_road(const std::string& name) {
        const test::ScriptVars v = {
            {"NODE1", inst.nodes[0]}, {"NODE2", inst.nodes[1]}, {"NODE3", inst.nodes[2]}, {"MESSAGE", inst.message_dir},
            {"BACKUP", inst.backup_root}, {"ROOT", inst.root}, {"NA", dir / "lists/FSXNET.NA"}, {"MIXED", dir / "lists/MIXED.NA"},
            {"NOTNA", dir / "lists/NOTNA.NA"},
            {"FIRSTBOOT", outside_program(MARLINTH_MAKE_DEMO)}, {"SEP", std::string(1, kPathSeparator)},
            {"SHA256", sha256_hex(old_conf.data(), old_conf.size())}};
        const test::ScriptResult r = run(test::load_script(name + ".script"), v);
        ASSERT_TRUE(r.ok) << r.output;
        EXPECT_EQ(r.output, test::substitute(test::load_script(name + ".expected"), v));
    }
};

TEST_F(Scripts, WizardSysopAppendsThreeAreasFromTheFirstQuestionToTheFinalInspection) {
    run_road("wizard");
    if (!HasFatalFailure()) run_road("wizard_restart");  // a new session on the saved configuration
}

TEST_F(Scripts, WizardGatesRefuseUntilEachStageIsDoneAndNothingIsWritten) {
    run_road("wizard_gates");
    if (HasFatalFailure()) return;
    // (A backup or a transaction started on the way would show its boxes in the transcript.)
    for (size_t node = 0; node < inst.nodes.size(); ++node) EXPECT_EQ(conf(node), old_conf) << node;
}

// The demo `make run` makes, walked as the guide tells a newcomer: its second list shows every
// verdict and holds the review page; the list it names to load reaches the final inspection.
TEST_F(Scripts, TheDemosAreaListWalksEveryPageAndItsSecondListShowsEveryVerdict) {
    const std::string program = outside_program(MARLINTH_MAKE_DEMO);
    ASSERT_EQ(std::system((program + " \"" + dir / "demo" + "\" > \"" + dir / "made.txt" + "\"").c_str()), 0);
    const test::ScriptVars v = {{"NA", dir / "demo/NA/DEMONET.NA"}, {"SHOWCASE", dir / "demo/NA/SHOWCASE.NA"},
                                {"NODE1", dir / "demo/BBS/SF"}, {"MESSAGE", dir / "demo/BBS/MESSAGE"}, {"FIRSTBOOT", program}};
    const test::ScriptResult r = test::run_script(fp, dir / "demo/app", test::load_script("demo_road.script"), v);
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, test::golden("demo_road.expected", r.output, v));
}

// The transcript, then the log file: made at start, appended by the save, its CR LF line ends
// checked here and shown as LF in the golden file.
TEST_F(Scripts, SetupRoadSavesAndLogsTheSave) {
    fp.set_time({2026, 12, 5, 9, 5, 3});
    const test::ScriptResult r =
        run(test::load_script("setup.script"), {{"NODE1", "C:\\BBS\\SF"}, {"NODE2", "C:\\BBS\\SF2"}, {"NODE3", "C:\\BBS\\SF3"},
                                                {"MESSAGE", "C:\\BBS\\MESSAGE"}});
    ASSERT_TRUE(r.ok) << r.output;
    const std::vector<uint8_t> log = fb.read_file(dir / "app/Marlinth.log");
    const std::string all = r.output + "--- Marlinth.log\n" + test::plain_lines(std::string(log.begin(), log.end()));
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

// A box's line names its text unambiguously (a line break as \n, a backslash as \\), and the
// transcripts mask the temporary folder before they read an escape: a folder such as Wine's
// C:\users\nobody\Temp comes through whole, not cut at "\n".
TEST(ScriptRunner, BoxLinesEscapeBackslashesAndTheTemporaryFolderIsMaskedBeforeAnyEscapeIsRead) {
    const std::string tmp = kPathSeparator == '\\' ? "C:\\users\\nobody\\Temp\\nested" : "/tmp/users\\nobody/nested";
    const std::string file = tmp + kPathSeparator + "BBS" + kPathSeparator + "SF.NA";
    const std::string box = box_line(BoxIcon::Error, "Cannot read " + file + "\r\nCheck WORKDIR\\SFWHOSON.DAT in " + tmp);
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 0);
    EXPECT_NE(box.find("users\\\\nobody"), std::string::npos) << box;
    EXPECT_NE(box.find(".NA\\nCheck WORKDIR\\\\SFWHOSON.DAT"), std::string::npos) << box;

    const std::string transcript = box + "\nFile: " + file + "\n";
    EXPECT_EQ(test::open_boxes(test::tmp_paths(transcript, tmp)),
              "BOX error: Cannot read [tmp]/BBS/SF.NA\n    Check WORKDIR\\SFWHOSON.DAT in [tmp]\nFile: [tmp]/BBS/SF.NA\n");
    // A golden's ${NAME} stands for the value as each line shows it, both ways.
    const std::string golden = "BOX error: Cannot read ${NA}\\nCheck WORKDIR\\\\SFWHOSON.DAT in ${TMP}\nFile: ${NA}\n";
    EXPECT_EQ(test::substitute(golden, {{"NA", file}, {"TMP", tmp}}), transcript);
    EXPECT_EQ(test::masked(test::masked(transcript, file, "${NA}"), tmp, "${TMP}"), golden);
}

}  // namespace
}  // namespace marlinth
