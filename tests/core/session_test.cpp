// The stage flags and the stale rules: a change to an input of a stage clears that stage and
// every later one, with the message that says what to run again.
#include <gtest/gtest.h>

#include "core/session.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

class Session : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::TempDir dir;
    HeadlessSession s{*native, dir.path()};
    App& app = s.app();
    HeadlessView& v = s.view();

    void all_stages_passed() {
        app.flags.inspection_passed = app.flags.na_loaded = app.flags.plan_current = app.flags.preflight_passed = true;
    }
};

TEST_F(Session, CommitNeedsAPassedPreflightAndExactlyYes) {
    EXPECT_FALSE(commit_allowed(app, "YES"));
    app.flags.preflight_passed = true;
    EXPECT_TRUE(commit_allowed(app, "YES"));
    EXPECT_TRUE(commit_allowed(app, "  YES\t"));
    EXPECT_FALSE(commit_allowed(app, "yes"));
    EXPECT_FALSE(commit_allowed(app, "YESS"));
    EXPECT_FALSE(commit_allowed(app, "YES!"));
    EXPECT_FALSE(commit_allowed(app, "     YES"));  // only 7 characters are read
    app.flags.commit_in_progress = true;
    EXPECT_FALSE(commit_allowed(app, "YES"));
    app.flags.commit_in_progress = false;
    app.flags.write_completed = true;
    EXPECT_FALSE(commit_allowed(app, "YES"));
}

TEST_F(Session, InvalidatingThePlanResetsTheTypedConfirmation) {
    all_stages_passed();
    v.set_text(ControlId::Confirmation, "YES");
    v.set_enabled(ControlId::CommitAppend, true);
    invalidate_plan(app, "Area name changed. Generate a new dry-run plan.");
    EXPECT_TRUE(app.flags.inspection_passed);
    EXPECT_FALSE(app.flags.plan_current);
    EXPECT_FALSE(app.flags.preflight_passed);
    EXPECT_EQ(v.text(ControlId::Confirmation), "");
    EXPECT_FALSE(v.enabled(ControlId::CommitAppend));
    EXPECT_EQ(v.status(StatusLine::Writer), "Area name changed. Generate a new dry-run plan.");
}

TEST_F(Session, InvalidatingThePreflightKeepsThePlanCurrent) {
    all_stages_passed();
    invalidate_preflight(app, "Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.");
    EXPECT_TRUE(app.flags.plan_current);
    EXPECT_FALSE(app.flags.preflight_passed);
    EXPECT_EQ(v.status(StatusLine::Writer),
              "Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.");
}

TEST_F(Session, EditingAnySetupFieldMakesTheInspectionStale) {
    for (ControlId field : {ControlId::NodeCount, ControlId::NodeList, ControlId::MessageDir, ControlId::QuarroCfgPath}) {
        all_stages_passed();
        v.set_status(StatusLine::Writer, "");
        v.set_enabled(field, true);  // the path field is only enabled with the tosser box ticked
        ASSERT_TRUE(v.type(field, "C:\\X"));
        EXPECT_FALSE(app.flags.inspection_passed) << static_cast<int>(field);
        EXPECT_FALSE(app.flags.plan_current);
        EXPECT_FALSE(app.flags.preflight_passed);
        EXPECT_TRUE(app.flags.na_loaded);  // the inspection itself clears it when it runs again
        EXPECT_EQ(v.status(StatusLine::Writer), "Spitfire setup changed. Run Read-Only Inspection again.");
    }
}

TEST_F(Session, EditingAProposedSettingClearsThePlanAndThePreflight) {
    for (ControlId field : {ControlId::ConferenceSecurity, ControlId::MessageEntrySecurity, ControlId::MaxMsgLength,
                            ControlId::PurgeDays, ControlId::PrivilegedSecurities}) {
        all_stages_passed();
        v.type(field, "5");
        EXPECT_TRUE(app.flags.inspection_passed);
        EXPECT_FALSE(app.flags.plan_current);
        EXPECT_FALSE(app.flags.preflight_passed);
        EXPECT_EQ(v.status(StatusLine::Writer), "Proposed settings changed. Generate a new dry-run plan.");
    }
    for (ControlId choice : {ControlId::ConferenceAccess, ControlId::PublicOnly, ControlId::NetMail, ControlId::AllowRouting,
                             ControlId::CallerDelete, ControlId::PurgeUnreceived, ControlId::PurgeOldThread}) {
        all_stages_passed();
        v.choose(choice, 1);
        EXPECT_FALSE(app.flags.plan_current) << static_cast<int>(choice);
    }
}

TEST_F(Session, StartUpFillsTheFieldsWithoutFiringTheStaleRules) {
    EXPECT_EQ(v.status(StatusLine::Writer), "Generate a current dry-run plan before running writer preflight.");
    EXPECT_EQ(v.status(StatusLine::Main), "Ready. 32-bit Windows XP SP2 or Windows 7; no administrator rights required.");
}

TEST_F(Session, ResetProposalClearsTheRunButKeepsSetupAndSettings) {
    all_stages_passed();
    app.flags.full_backup_verified = app.flags.existing_backup_confirmed = app.flags.wizard_defaults_loaded = true;
    app.flags.write_completed = true;
    app.preview.areas.resize(3);
    app.import.na_path = "C:\\NA\\X.NA";
    app.import.selected_area = 1;
    app.plan_report_offset = 99;
    app.setup.message_dir = "C:\\MESSAGE";
    app.settings.valid = true;
    v.set_checked(ControlId::WizardCreateBackupChoice, true);
    v.set_checked(ControlId::WizardClosedConfirm, true);
    v.set_checked(ControlId::WizardNamesReviewed, true);
    v.set_text(ControlId::WizardConfirmation, "YES");
    reset_proposal(app);
    EXPECT_TRUE(app.preview.areas.empty());
    EXPECT_EQ(app.import.na_path, "");
    EXPECT_EQ(app.import.selected_area, -1);
    EXPECT_EQ(app.plan_report_offset, 0u);
    EXPECT_FALSE(app.flags.inspection_passed || app.flags.na_loaded || app.flags.plan_current ||
                 app.flags.preflight_passed || app.flags.full_backup_verified || app.flags.existing_backup_confirmed ||
                 app.flags.wizard_defaults_loaded);
    EXPECT_TRUE(app.flags.write_completed);  // never cleared while the program runs
    EXPECT_EQ(app.setup.message_dir, "C:\\MESSAGE");
    EXPECT_TRUE(app.settings.valid);
    EXPECT_FALSE(v.checked(ControlId::WizardCreateBackupChoice));
    EXPECT_FALSE(v.checked(ControlId::WizardClosedConfirm));
    EXPECT_FALSE(v.checked(ControlId::WizardNamesReviewed));
    EXPECT_EQ(v.text(ControlId::WizardConfirmation), "");
    EXPECT_EQ(v.text(ControlId::NaPathLabel), "No .NA file loaded.");
    EXPECT_EQ(v.text(ControlId::NaSummary), "Load an .NA file in Wizard Mode.");
    EXPECT_EQ(v.text(ControlId::WizardPlanSummary), "No dry-run plan has been generated.");
    EXPECT_EQ(v.text(ControlId::WizardSafetyOutput), "No safety check has run.");
    EXPECT_EQ(v.text(ControlId::WizardInspectionSummary), "No inspection has run yet.");
    EXPECT_EQ(v.text(ControlId::WizardImportSummary), "No .NA file has been loaded.");
}

}  // namespace
}  // namespace marlinth
