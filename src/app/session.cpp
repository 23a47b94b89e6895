#include "app/session.h"

#include "app/app.h"
#include "core/strings.h"

namespace marlinth {

bool commit_allowed(App& app, const std::string& typed) {
    const StageFlags& f = app.flags;
    if (!f.preflight_passed || f.commit_in_progress || f.write_completed) return false;
    return trimmed(bounded(typed, 7)) == "YES";
}

// Both confirmations go together: a YES or a ticked "closed" box given for an earlier plan or
// preflight must never carry over to the next commit.
void reset_typed_confirmation(App& app) {
    View& v = app.view;
    v.set_text(ControlId::Confirmation, "");
    v.set_text(ControlId::WizardConfirmation, "");
    v.set_checked(ControlId::WizardClosedConfirm, false);
    v.set_enabled(ControlId::CommitAppend, commit_allowed(app, v.text(ControlId::Confirmation)));
    v.set_enabled(ControlId::WizardCommit, false);
}

// After a completed write no advice to plan or check again can be followed in this run.
void writer_advice(App& app, const std::string& message) {
    if (!message.empty() && !app.flags.write_completed) app.view.set_status(StatusLine::Writer, message);
}

void invalidate_plan(App& app, const std::string& message) {
    app.flags.plan_current = false;
    app.flags.preflight_passed = false;
    app.flags.commit_in_progress = false;
    reset_typed_confirmation(app);
    writer_advice(app, message);
}

void invalidate_preflight(App& app, const std::string& message) {
    app.flags.preflight_passed = false;
    app.flags.commit_in_progress = false;
    reset_typed_confirmation(app);
    writer_advice(app, message);
}

void clear_inspection(App& app, const std::string& message) {
    app.flags.inspection_passed = false;
    invalidate_plan(app, message);
}

void reset_proposal(App& app) {
    app.preview.clear();
    app.import.na_path.clear();
    app.import.selected_area = -1;
    app.import.shown_rows.clear();
    app.view.set_rows(ControlId::AreaList, {});
    app.plan_report_offset = 0;

    StageFlags& f = app.flags;
    f.na_loaded = f.plan_current = f.preflight_passed = f.commit_in_progress = false;
    f.inspection_passed = f.full_backup_verified = f.existing_backup_confirmed = f.wizard_defaults_loaded = false;

    View& v = app.view;
    v.set_checked(ControlId::WizardCreateBackupChoice, false);
    v.set_checked(ControlId::WizardExistingBackupChoice, false);
    v.set_checked(ControlId::WizardNamesReviewed, false);
    reset_typed_confirmation(app);

    v.set_text(ControlId::NaPathLabel, kNoNaFileLoadedText);
    v.set_text(ControlId::NaSummary, "Load an .NA file in Wizard Mode.");
    v.set_text(ControlId::WizardBackupText, kBackupChoiceText);
    v.set_text(ControlId::WizardPlanSummary, kNoPlanYetText);
    v.set_text(ControlId::WizardSafetyOutput, kNoSafetyCheckYetText);
    v.set_text(ControlId::WizardInspectionSummary, kNoInspectionYetText);
    v.set_text(ControlId::WizardImportSummary, kNoAreaListYetText);
}

}  // namespace marlinth
