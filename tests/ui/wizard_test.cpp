// Wizard Mode through the headless window: the gates a late or repeated "Next >" must still
// enforce, the buttons while a transaction runs, the Advanced Tools detours, the backup choices,
// and the answers that must reach the Setup tab whatever happened there meanwhile.
#include <gtest/gtest.h>

#include <functional>

#include "support/planned_session.h"
#include "ui/dispatch.h"
#include "ui/screens.h"
#include "ui/wizard.h"

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

std::string last_box(HeadlessView& v) { return v.boxes().empty() ? "(no box)" : v.boxes().back().text; }

std::string path_in(const std::string& dir, const std::string& name) {
    std::string out;
    join_path(out, 4096, dir, name);
    return out;
}

TEST(WizardGates, NextRefusesEveryStageThatIsNotDoneWithItsWarning) {
    PlannedSession p;  // inspected, an .NA list loaded with BETA awaiting approval
    App& app = p.app();
    HeadlessView& v = p.view();
    struct Case {
        int step;
        std::function<void()> close, open;
        const char* warning;
    };
    auto approve_beta = [&] {
        app.preview.areas[1].needs_review = false;
        app.preview.recount();
    };
    const Case cases[] = {
        {6, [&] { app.flags.inspection_passed = false; }, [&] { app.flags.inspection_passed = true; },
         "Run a clean Read-Only Inspection before continuing."},
        {7, [&] { app.flags.full_backup_verified = app.flags.existing_backup_confirmed = false; },
         [&] { app.flags.existing_backup_confirmed = true; },
         "Create a full MESSAGE backup or confirm that a current full backup already exists."},
        {8, [&] { app.flags.na_loaded = false; }, [&] { app.flags.na_loaded = true; }, "Load an .NA file before continuing."},
        {10, [&] { v.set_checked(C::WizardNamesReviewed, true); }, approve_beta,
         "Resolve every import error and approve every shortened name before continuing."},
        {10, [&] { v.set_checked(C::WizardNamesReviewed, false); }, [&] { v.set_checked(C::WizardNamesReviewed, true); },
         "Confirm that you reviewed the name and shared default settings for every proposed conference."},
        {11, [&] { app.flags.plan_current = false; }, [&] { app.flags.plan_current = true; },
         "Generate and review the dry-run summary first."},
        {12, [&] { app.flags.preflight_passed = false; }, [&] { app.flags.preflight_passed = true; },
         "Run the safety check and correct every blocker first."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        c.close();
        enter_wizard_at(app, c.step);
        EXPECT_FALSE(v.enabled(C::WizardNext));
        v.clear_boxes();
        late_click(app, C::WizardNext);
        ASSERT_EQ(v.boxes().size(), 1u);
        EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Warning);
        EXPECT_EQ(v.boxes()[0].text, c.warning);
        EXPECT_EQ(app.ui.wizard_step, c.step);
        c.open();
        refresh_wizard_buttons(app);
        EXPECT_TRUE(v.enabled(C::WizardNext));
    }
}

TEST(WizardGates, AnInspectionAfterTheLoadSendsTheSysopBackToTheList) {
    PlannedSession p;
    HeadlessView& v = p.view();
    enter_wizard_at(p.app(), 8);
    EXPECT_TRUE(v.enabled(C::WizardNext));
    // A detour: the inspection runs again from the Setup tab.
    v.click(C::WizardAdvanced);
    EXPECT_EQ(p.app().ui.active_tab, Tab::NaPreview);
    v.choose(C::Tabs, 0);
    v.click(C::RunInspection);
    v.click(C::HomeOrReturn);
    ASSERT_EQ(p.app().ui.screen, Screen::Wizard);
    EXPECT_TRUE(p.app().flags.inspection_passed);
    EXPECT_FALSE(v.enabled(C::WizardNext));  // the list is still shown, but its stage is gone
}

TEST(WizardGates, AFailedInspectionKeepsTheInspectionPageClosed) {
    PlannedSession p;
    p.fb.patch_byte(path_in(p.inst.nodes[1], "SFMCONF.DAT"), 10, 'X');
    enter_wizard_at(p.app(), 6);
    p.view().click(C::WizardRunInspection);
    EXPECT_EQ(p.view().text(C::WizardInspectionSummary),
              "Inspection has not passed cleanly. Review Advanced Tools > Report for the exact blocker.");
    EXPECT_FALSE(p.view().enabled(C::WizardNext));
}

TEST(WizardGates, TheNodeListMustHoldOneLinePerNodeEvenBeyondThirtyTwo) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    app.setup.nodes.count = 32;
    enter_wizard_at(app, 3);
    std::string list;
    for (int i = 1; i <= 32; ++i) list += "  C:\\BBS\\SF" + std::to_string(i) + " \r\n\r\n";
    v.type(C::WizardNodeList, list + "C:\\BBS\\SF33");
    v.click(C::WizardNext);
    EXPECT_EQ(last_box(v), "Enter exactly one nonblank directory line for every configured node.");
    EXPECT_EQ(app.ui.wizard_step, 3);

    v.clear_boxes();
    v.type(C::WizardNodeList, list);
    v.click(C::WizardNext);
    EXPECT_TRUE(v.boxes().empty());
    EXPECT_EQ(app.ui.wizard_step, 4);
    EXPECT_EQ(app.setup.nodes.dir[32], "C:\\BBS\\SF32");
    EXPECT_EQ(v.text(C::NodeList).substr(0, 23), "C:\\BBS\\SF1\r\nC:\\BBS\\SF2\r");
}

TEST(WizardSetup, LeavingTheTosserQuestionPutsEveryAnswerIntoTheSetupTab) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    enter_wizard_at(app, 5);
    // A detour through the Setup tab leaves other answers there.
    v.click(C::WizardAdvanced);
    v.type(C::MessageDir, p.dir / "elsewhere");
    v.type(C::NodeCount, "1");
    v.click(C::HomeOrReturn);
    EXPECT_EQ(app.ui.wizard_step, 5);

    const std::string cfg = p.dir / "QUARRO32.CFG";
    p.fb.write_text(cfg, "CONFDIR C:\\SF\r\n");
    v.click(C::WizardQuarroYes);
    v.type(C::WizardQuarroCfgPath, "  " + cfg + " ");
    app.flags.inspection_passed = true;
    v.click(C::WizardNext);
    EXPECT_EQ(app.ui.wizard_step, 6);
    EXPECT_EQ(v.text(C::MessageDir), p.inst.message_dir);
    EXPECT_EQ(v.text(C::NodeCount), "3");
    EXPECT_TRUE(v.checked(C::UseQuarro));
    EXPECT_TRUE(v.enabled(C::QuarroCfgPath));
    EXPECT_EQ(v.text(C::QuarroCfgPath), cfg);
    EXPECT_TRUE(app.setup.use_quarro);
    EXPECT_FALSE(app.flags.inspection_passed);
    EXPECT_EQ(v.status(StatusLine::Writer), "Spitfire setup changed. Run Read-Only Inspection again.");
    EXPECT_TRUE(validate_setup(app, false));  // what the inspection will read
}

TEST(WizardSetup, StartClearsTheLastProposalAndAsksFromTheSession) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    v.set_status(StatusLine::Writer, "before");
    v.click(C::StartWizard);
    EXPECT_TRUE(app.ui.wizard_active);
    EXPECT_EQ(app.ui.wizard_step, 0);
    EXPECT_FALSE(app.flags.inspection_passed || app.flags.na_loaded);
    EXPECT_EQ(app.preview.area_count(), 0);
    EXPECT_EQ(v.text(C::WizardNodeCount), "3");
    EXPECT_EQ(v.text(C::WizardNode1), p.inst.nodes[0]);
    EXPECT_EQ(v.text(C::WizardMessageDir), p.inst.message_dir);
    EXPECT_EQ(v.text(C::WizardBackupRoot), p.inst.backup_root);
    EXPECT_TRUE(v.checked(C::WizardScanYes) && v.checked(C::WizardQuarroNo));
    EXPECT_FALSE(v.enabled(C::WizardQuarroCfgPath));
    EXPECT_EQ(v.status(StatusLine::Writer), "before");  // filling the page is no edit of the sysop's
    EXPECT_FALSE(v.enabled(C::WizardBack));
    EXPECT_TRUE(v.enabled(C::WizardNext));
}

TEST(WizardSetup, SettingsDefaultsComeOnTheFirstArrivalOnly) {
    PlannedSession p;
    HeadlessView& v = p.view();
    v.type(C::PurgeDays, "30");
    enter_wizard_at(p.app(), 8);
    v.click(C::WizardNext);
    ASSERT_EQ(p.app().ui.wizard_step, 9);
    EXPECT_EQ(v.text(C::PurgeDays), "120");
    EXPECT_NE(v.text(C::WizardTemplateSummary).find("Purge age: 120 days"), std::string::npos);
    v.type(C::PurgeDays, "60");
    v.click(C::WizardBack);
    v.click(C::WizardNext);
    EXPECT_EQ(v.text(C::PurgeDays), "60");
    EXPECT_NE(v.text(C::WizardTemplateSummary).find("Purge age: 60 days"), std::string::npos);
}

TEST(WizardSetup, ASummaryOfAPlanThatWentStaleIsNotShownAgain) {
    PlannedSession p;
    HeadlessView& v = p.view();
    v.type(C::WizardBackupRoot, p.inst.backup_root);
    enter_wizard_at(p.app(), 11);
    v.click(C::WizardGeneratePlan);
    ASSERT_TRUE(p.app().flags.plan_current);
    v.click(C::WizardBack);
    v.click(C::WizardBack);
    v.type(C::ConferenceSecurity, "20");
    v.click(C::WizardNext);
    v.click(C::WizardNamesReviewed);
    p.app().preview.areas[1].needs_review = false;
    p.app().preview.recount();
    refresh_wizard_buttons(p.app());
    v.click(C::WizardNext);
    ASSERT_EQ(p.app().ui.wizard_step, 11);
    EXPECT_EQ(v.text(C::WizardPlanSummary), "No current dry-run plan. Click Generate Dry Run.\r\n");
}

// The whole run to a passed safety check, on the wizard's own pages.
void reach_commit_page(PlannedSession& p) {
    HeadlessView& v = p.view();
    v.type(C::WizardBackupRoot, p.inst.backup_root);
    enter_wizard_at(p.app(), 11);
    v.click(C::WizardGeneratePlan);
    v.click(C::WizardNext);
    v.click(C::WizardRunSafetyCheck);
    ASSERT_TRUE(p.app().flags.preflight_passed) << p.app().writer->str();
    v.click(C::WizardNext);
    ASSERT_EQ(p.app().ui.wizard_step, 13);
    v.clear_boxes();
}

TEST(WizardCommit, TheButtonWantsTheClosedBoxAndExactYesAndALateClickIsStillRefused) {
    PlannedSession p;
    reach_commit_page(p);
    HeadlessView& v = p.view();
    EXPECT_EQ(v.text(C::WizardCommitStatement),
              "This transaction will append 2 conference record(s) to 3 node SFMCONF.DAT file(s).\r\nMandatory "
              "timestamped backups, staged verification, and rollback remain active.");
    EXPECT_FALSE(v.visible(C::WizardNext));
    v.type(C::WizardConfirmation, " YES ");
    EXPECT_FALSE(v.enabled(C::WizardCommit));
    late_click(p.app(), C::WizardCommit);
    EXPECT_EQ(last_box(v), "Confirm that every Spitfire node and external mailer/tosser is closed.");
    v.click(C::WizardClosedConfirm);
    EXPECT_TRUE(v.enabled(C::WizardCommit));
    v.type(C::WizardConfirmation, "YES.");
    EXPECT_FALSE(v.enabled(C::WizardCommit));
    late_click(p.app(), C::WizardCommit);
    EXPECT_EQ(last_box(v), "Type exact uppercase YES before committing.");
    EXPECT_EQ(v.boxes().size(), 2u);
    EXPECT_EQ(p.fb.read_file(path_in(p.inst.nodes[0], "SFMCONF.DAT")).size(), 6u * 128u);
}

TEST(WizardCommit, WhileTheTransactionRunsNothingCanLeaveThePage) {
    PlannedSession p;
    reach_commit_page(p);
    App& app = p.app();
    HeadlessView& v = p.view();
    v.click(C::WizardClosedConfirm);
    v.type(C::WizardConfirmation, "YES");
    int seen = 0;
    p.fp.before(test::Op::Rename, [&](const std::string&) {
        ++seen;
        EXPECT_TRUE(app.flags.commit_in_progress);
        for (ControlId id : {C::WizardBack, C::WizardNext, C::WizardCancel, C::WizardAdvanced, C::WizardCommit})
            EXPECT_FALSE(v.enabled(id)) << static_cast<int>(id);
        EXPECT_FALSE(v.click(C::WizardCancel));
        for (ControlId id : {C::WizardCancel, C::WizardBack, C::WizardNext, C::WizardAdvanced}) late_click(app, id);
        EXPECT_EQ(app.ui.screen, Screen::Wizard);
        EXPECT_EQ(app.ui.wizard_step, 13);
        EXPECT_TRUE(app.ui.wizard_active);
    });
    v.click(C::WizardCommit);
    p.fp.before(test::Op::Rename, nullptr);
    EXPECT_GE(seen, 3);
    ASSERT_EQ(v.boxes().size(), 1u);  // the transaction's own result; no Cancel question
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Information);
    EXPECT_EQ(app.ui.wizard_step, 14);
    EXPECT_EQ(v.text(C::WizardNext), "Done");
    EXPECT_TRUE(v.enabled(C::WizardNext) && v.enabled(C::WizardAdvanced));
    EXPECT_FALSE(v.visible(C::WizardBack) || v.visible(C::WizardCancel));
    EXPECT_FALSE(v.enabled(C::WizardCommit));

    v.click(C::WizardNext);
    EXPECT_EQ(app.ui.screen, Screen::Home);
    EXPECT_FALSE(app.ui.wizard_active || app.flags.na_loaded);
    EXPECT_TRUE(app.flags.write_completed);
}

TEST(WizardNavigation, AdvancedToolsOpensThePageThatFitsTheStepAndComesBack) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    const Tab expected[kWizardSteps] = {Tab::Setup,  Tab::Setup,        Tab::Setup,     Tab::Setup,      Tab::Setup,
                                        Tab::Setup,  Tab::Setup,        Tab::Setup,     Tab::NaPreview,  Tab::SettingsPlan,
                                        Tab::NaPreview, Tab::Report,    Tab::Writer,    Tab::Writer,     Tab::Conferences};
    for (int step = 0; step < kWizardSteps; ++step) {
        enter_wizard_at(app, step);
        v.click(C::WizardAdvanced);
        EXPECT_EQ(app.ui.screen, Screen::AdvancedTools) << step;
        EXPECT_EQ(app.ui.active_tab, expected[step]) << step;
        EXPECT_EQ(v.selection(C::Tabs), static_cast<int>(expected[step])) << step;
        EXPECT_EQ(v.text(C::HomeOrReturn), "Return to Wizard");
        v.click(C::HomeOrReturn);
        EXPECT_EQ(app.ui.screen, Screen::Wizard);
        EXPECT_EQ(app.ui.wizard_step, step);
    }
    enter_wizard_at(app, 11);
    v.click(C::WizardViewReport);
    EXPECT_EQ(app.ui.active_tab, Tab::Report);
    EXPECT_TRUE(app.ui.wizard_active);
}

TEST(WizardBackup, TheChoicesExcludeEachOtherAndOnlyADifferentRootCostsTheVerifiedBackup) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    enter_wizard_at(app, 7);
    v.type(C::WizardBackupRoot, p.inst.backup_root);

    v.click(C::WizardExistingBackupChoice);
    EXPECT_TRUE(app.flags.existing_backup_confirmed);
    EXPECT_TRUE(v.enabled(C::WizardNext));
    v.click(C::WizardCreateBackupChoice);
    EXPECT_FALSE(v.checked(C::WizardExistingBackupChoice) || app.flags.existing_backup_confirmed);
    EXPECT_FALSE(v.enabled(C::WizardNext));
    v.click(C::WizardExistingBackupChoice);
    EXPECT_FALSE(v.checked(C::WizardCreateBackupChoice));
    v.click(C::WizardExistingBackupChoice);
    EXPECT_FALSE(app.flags.existing_backup_confirmed);

    // A verified backup survives a detour that leaves the root as it was...
    app.flags.full_backup_verified = true;
    app.full_backup_location = p.inst.backup_root + "/X/FULL-MESSAGE";
    app.flags.preflight_passed = true;
    v.click(C::WizardAdvanced);
    v.type(C::BackupRoot, p.inst.backup_root);
    v.click(C::HomeOrReturn);
    EXPECT_TRUE(app.flags.full_backup_verified);
    EXPECT_TRUE(v.enabled(C::WizardNext));
    // ...but not a root typed on the Writer tab, which comes back with the sysop.
    v.click(C::WizardAdvanced);
    v.type(C::BackupRoot, p.dir / "other");
    v.click(C::HomeOrReturn);
    EXPECT_EQ(v.text(C::WizardBackupRoot), p.dir / "other");
    EXPECT_FALSE(app.flags.full_backup_verified || app.flags.preflight_passed);
    EXPECT_TRUE(app.full_backup_location.empty());
    EXPECT_EQ(v.status(StatusLine::Writer), "Backup root changed. Run the safety check again.");
    EXPECT_FALSE(v.enabled(C::WizardNext));

    // The browse button fills both fields.
    app.flags.full_backup_verified = true;
    v.queue_pick(p.dir / "chosen");
    v.click(C::WizardBrowseBackupRoot);
    EXPECT_EQ(v.folder_dialogs().back(), "Select the Marlinth backup root");
    EXPECT_EQ(v.text(C::WizardBackupRoot), p.dir / "chosen");
    EXPECT_EQ(v.text(C::BackupRoot), p.dir / "chosen");
    EXPECT_EQ(app.setup.backup_root, p.dir / "chosen");
    EXPECT_FALSE(app.flags.full_backup_verified);
}

}  // namespace
}  // namespace marlinth

namespace marlinth {
namespace {

// Each page puts the keyboard on the control a sysop works with first, once, when it appears:
// not on every refresh, which would pull the caret out of a field being typed in.
TEST(WizardNavigation, EachPageFocusesItsFirstControlWhenItAppears) {
    PlannedSession p;
    HeadlessView& v = p.view();
    v.click(C::StartWizard);
    EXPECT_EQ(v.focused(), C::WizardNodeCount);
    v.type(C::WizardNodeCount, "3");
    v.focus(C::WizardNext);
    v.click(C::WizardNext);
    EXPECT_EQ(v.focused(), C::WizardNode1);
    v.focus(C::WizardNode1);
    v.type(C::WizardNode1, p.inst.nodes[0]);  // refreshes the page; the focus stays in the field
    EXPECT_EQ(v.focused(), C::WizardNode1);
    enter_wizard_at(p.app(), 14);
    EXPECT_EQ(v.focused(), C::WizardFinalInspection);
}

}  // namespace
}  // namespace marlinth
