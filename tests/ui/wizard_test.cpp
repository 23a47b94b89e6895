// Wizard Mode through the headless window: the gates a late or repeated "Next >" must still
// enforce, the buttons while a transaction runs, the Advanced Tools detours, the backup root,
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
    const std::string conf2 = path_in(p.inst.nodes[1], "SFMCONF.DAT");
    const std::vector<uint8_t> good = p.fb.read_file(conf2);
    struct Case {
        int step;
        std::function<void()> close, open;
        const char* warning;
    };
    const Case cases[] = {
        {6,
         [&] {  // a corrupt node file fails the real inspection
             p.fb.patch_byte(conf2, 10, 'X');
             v.click(C::WizardRunInspection);
             EXPECT_EQ(v.text(C::WizardInspectionSummary),
                       "Inspection has not passed cleanly. Review Advanced Tools > Report for the exact blocker.");
         },
         [&] {
             p.fb.write_file(conf2, good);
             v.click(C::WizardRunInspection);
         },
         "Run a clean Read-Only Inspection before continuing."},
        {7, [&] { app.flags.full_backup_verified = app.flags.existing_backup_confirmed = false; },
         [&] { app.flags.existing_backup_confirmed = true; },
         "Create a full MESSAGE backup or confirm that a current full backup already exists."},
        {8,
         [&] {  // an inspection on a detour drops the list's stage, though the list is still shown
             app.flags.na_loaded = true;
             refresh_wizard_buttons(app);
             EXPECT_TRUE(v.enabled(C::WizardNext));
             v.click(C::WizardAdvanced);
             v.choose(C::Tabs, 0);
             v.click(C::RunInspection);
             v.click(C::HomeOrReturn);
             EXPECT_TRUE(app.flags.inspection_passed);
         },
         [&] { app.flags.na_loaded = true; }, "Load an .NA file before continuing."},
        {10, [&] { v.set_checked(C::WizardNamesReviewed, true); },
         [&] {
             app.preview.areas[1].needs_review = false;
             app.preview.recount();
         },
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
        enter_wizard_at(app, c.step);
        c.close();
        refresh_wizard_buttons(app);
        ASSERT_EQ(app.ui.screen, Screen::Wizard);
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

// The node table's last place is used, and a line beyond it is still counted.
TEST(WizardGates, TheNodeListMustHoldOneLinePerNodeEvenAtThirtyTwo) {
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
    v.type(C::WizardNodeList, list);
    v.click(C::WizardNext);
    EXPECT_EQ(app.ui.wizard_step, 4);
    EXPECT_EQ(app.setup.nodes.dir[32], "C:\\BBS\\SF32");
    EXPECT_EQ(v.text(C::NodeList).substr(0, 23), "C:\\BBS\\SF1\r\nC:\\BBS\\SF2\r");
}

// On the way through steps 8-11: the recommended defaults come on the first arrival only, and
// the summary of a plan made before a settings change is not shown again.
TEST(WizardSetup, DefaultsComeOnceAndAStalePlanSummaryIsNotShownAgain) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    v.type(C::PurgeDays, "30");
    v.type(C::WizardBackupRoot, p.inst.backup_root);
    app.preview.areas[1].needs_review = false;
    app.preview.recount();
    const auto review_and_next = [&] {
        v.set_checked(C::WizardNamesReviewed, true);
        refresh_wizard_buttons(app);
        v.click(C::WizardNext);
    };
    enter_wizard_at(app, 8);
    v.click(C::WizardNext);
    ASSERT_EQ(app.ui.wizard_step, 9);
    EXPECT_EQ(v.text(C::PurgeDays), "120");
    v.type(C::PurgeDays, "60");
    v.click(C::WizardBack);
    v.click(C::WizardNext);
    EXPECT_EQ(v.text(C::PurgeDays), "60");
    EXPECT_NE(v.text(C::WizardTemplateSummary).find("Purge age: 60 days"), std::string::npos);

    v.click(C::WizardNext);
    review_and_next();
    v.click(C::WizardGeneratePlan);
    ASSERT_TRUE(app.flags.plan_current);
    v.click(C::WizardBack);
    v.click(C::WizardBack);
    v.type(C::ConferenceSecurity, "20");
    v.click(C::WizardNext);
    review_and_next();
    ASSERT_EQ(app.ui.wizard_step, 11);
    EXPECT_EQ(v.text(C::WizardPlanSummary), "No current dry-run plan. Click Generate Dry Run.\r\n");
}

// The commit wants the closed box and exact YES, from a late click too; while the transaction
// runs nothing can leave the page, and afterwards nothing can commit again. (Done and the
// detours after a commit are on the wizard road.)
TEST(WizardCommit, LateClicksAreRefusedAndTheRunningTransactionHoldsThePage) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    v.type(C::WizardBackupRoot, p.inst.backup_root);
    enter_wizard_at(app, 11);
    v.click(C::WizardGeneratePlan);
    v.click(C::WizardNext);
    v.click(C::WizardRunSafetyCheck);
    ASSERT_TRUE(app.flags.preflight_passed) << app.writer->str();
    v.click(C::WizardNext);
    ASSERT_EQ(app.ui.wizard_step, 13);
    v.clear_boxes();

    v.type(C::WizardConfirmation, " YES ");
    late_click(app, C::WizardCommit);
    EXPECT_EQ(last_box(v), "Confirm that every Spitfire node and external mailer/tosser is closed.");
    v.click(C::WizardClosedConfirm);
    EXPECT_TRUE(v.enabled(C::WizardCommit));
    v.type(C::WizardConfirmation, "YES.");
    late_click(app, C::WizardCommit);
    EXPECT_EQ(last_box(v), "Type exact uppercase YES before committing.");
    EXPECT_EQ(p.fb.read_file(path_in(p.inst.nodes[0], "SFMCONF.DAT")).size(), 6u * 128u);

    v.type(C::WizardConfirmation, "YES");
    v.clear_boxes();
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
    EXPECT_GE(seen, 3);
    ASSERT_EQ(v.boxes().size(), 1u);  // the transaction's own result; no Cancel question
    EXPECT_EQ(v.boxes()[0].icon, BoxIcon::Information);
    EXPECT_EQ(app.ui.wizard_step, 14);
    EXPECT_EQ(v.text(C::WizardNext), "Done");
    EXPECT_TRUE(v.enabled(C::WizardNext) && v.enabled(C::WizardAdvanced));
    EXPECT_FALSE(v.visible(C::WizardBack) || v.visible(C::WizardCancel) || v.enabled(C::WizardCommit));
}

// A new wizard drops the last proposal and asks from the session's setup. Each page puts the
// keyboard on the control a sysop works with first, once, when it appears: not on every
// refresh, which would pull the caret out of a field being typed in.
TEST(WizardNavigation, StartAsksAfreshAndEachPageFocusesItsFirstControlWhenItAppears) {
    PlannedSession p;
    HeadlessView& v = p.view();
    v.click(C::StartWizard);
    EXPECT_FALSE(p.app().flags.inspection_passed || p.app().flags.na_loaded || p.app().preview.area_count() > 0);
    EXPECT_EQ(v.focused(), C::WizardNodeCount);
    v.focus(C::WizardNext);
    v.click(C::WizardNext);
    EXPECT_EQ(v.focused(), C::WizardNode1);
    EXPECT_EQ(v.text(C::WizardNode1), p.inst.nodes[0]);
    v.click(C::WizardNext);
    EXPECT_EQ(v.focused(), C::WizardScanYes);
    v.focus(C::WizardNext);
    v.click(C::WizardScanNo);  // redraws the whole page, which must leave the keyboard be
    EXPECT_EQ(v.focused(), C::WizardNext);
    enter_wizard_at(p.app(), 14);
    EXPECT_EQ(v.focused(), C::WizardFinalInspection);
}

// Detours through Advanced Tools: the wizard's answers win over what was typed on the Setup tab
// meanwhile; a verified full backup belongs to its root, so a detour that keeps the root keeps
// it, and a new root from the Writer tab or the browse button drops it and the safety check.
TEST(WizardDetours, TheWizardsAnswersWinAndOnlyANewBackupRootCostsTheVerifiedBackup) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    enter_wizard_at(app, 5);
    // A detour through the Setup tab leaves other answers there.
    v.click(C::WizardAdvanced);
    v.type(C::MessageDir, p.dir / "elsewhere");
    v.type(C::NodeCount, "1");
    v.click(C::HomeOrReturn);
    const std::string cfg = p.dir / "QUARRO32.CFG";
    p.fb.write_text(cfg, "CONFDIR C:\\SF\r\n");
    v.click(C::WizardQuarroYes);
    v.type(C::WizardQuarroCfgPath, "  " + cfg + " ");
    v.click(C::WizardNext);
    EXPECT_EQ(app.ui.wizard_step, 6);
    EXPECT_EQ(v.text(C::MessageDir), p.inst.message_dir);
    EXPECT_EQ(v.text(C::NodeCount), "3");
    EXPECT_TRUE(v.checked(C::UseQuarro) && v.enabled(C::QuarroCfgPath) && app.setup.use_quarro);
    EXPECT_EQ(v.text(C::QuarroCfgPath), cfg);
    EXPECT_TRUE(validate_setup(app, false));  // what the inspection will read

    enter_wizard_at(app, 7);
    v.type(C::WizardBackupRoot, p.inst.backup_root);
    const auto verify = [&] {
        app.flags.full_backup_verified = app.flags.preflight_passed = true;
        app.full_backup_location = p.inst.backup_root + "/X/FULL-MESSAGE";
    };
    verify();
    v.click(C::WizardAdvanced);
    v.type(C::BackupRoot, p.inst.backup_root);
    v.click(C::HomeOrReturn);
    EXPECT_TRUE(app.flags.full_backup_verified && v.enabled(C::WizardNext));

    v.click(C::WizardAdvanced);
    v.type(C::BackupRoot, p.dir / "other");
    v.click(C::HomeOrReturn);
    EXPECT_EQ(v.text(C::WizardBackupRoot), p.dir / "other");
    EXPECT_FALSE(app.flags.full_backup_verified || app.flags.preflight_passed || v.enabled(C::WizardNext));
    EXPECT_TRUE(app.full_backup_location.empty());
    EXPECT_EQ(v.status(StatusLine::Writer), "Backup root changed. Run the safety check again.");

    verify();
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
