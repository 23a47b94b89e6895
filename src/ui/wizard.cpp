#include "ui/wizard.h"

#include "core/strings.h"

namespace marlinth {

namespace {

struct StepText {
    const char* question;
    const char* help;
};

const StepText kSteps[kWizardSteps] = {
    {"How many Spitfire nodes do you have?", "Enter a number from 1 through 32."},
    {"Where is Node 1 installed?", "Browse to the main Spitfire directory. Node 1 is the master SFMCONF.DAT."},
    {"Should Marlinth scan for the remaining nodes?",
     "A scan looks for common folders such as SF2, SF3, and SF4. You will confirm every result."},
    {"Are these node locations correct?", "There must be one nonblank path for every configured node."},
    {"Where is the shared MESSAGE directory?", "This directory contains the shared SFMSGxx message-base files."},
    {"Does this system use QUARRO32?", "QUARRO32 is optional. When enabled, Marlinth reads its CFG but never modifies it."},
    {"Check the Spitfire system", "Run the read-only inspection before continuing. No Spitfire data is changed."},
    {"Choose backup protection",
     "SFMCONF.DAT transaction backups are always mandatory. A full MESSAGE backup is optional but strongly recommended."},
    {"Choose an FTN .NA area list", "Load one network area list. Nothing is written during import."},
    {"Choose the default conference settings",
     "Recommended echo defaults are shown below. Every value is editable and will be applied to all areas in this run."},
    {"Review every proposed conference",
     "Approve shortened names. After completion, review restricted or Sysop-only conferences in Spitfire before opening "
     "them to callers."},
    {"Review the dry-run plan", "Generate a simple summary before any offline write check."},
    {"Shut down and verify safety",
     "Close all Spitfire node windows and every external mailer/tosser, then run the proven preflight checks."},
    {"Final confirmation and commit",
     "Check the shutdown statement and type exact uppercase YES. All checks repeat immediately before writing."},
    {"Conference append complete",
     "Start Node 1 with Test Files Upon Boot set to Yes, then verify the new empty message bases."},
};

int clamp_step(int step) { return step < 0 ? 0 : (step >= kWizardSteps ? kWizardSteps - 1 : step); }

}  // namespace

std::string wizard_header(int step) {
    return "Wizard Mode - Question " + dec(static_cast<uint64_t>(clamp_step(step) + 1)) +
           " of 15    |    Setup > Backup > Import > Settings > Review > Dry Run > Safety > Commit";
}

const char* wizard_question(int step) { return kSteps[clamp_step(step)].question; }
const char* wizard_help(int step) { return kSteps[clamp_step(step)].help; }

void show_wizard_page(App& app) {
    const int step = clamp_step(app.ui.wizard_step);
    app.view.set_text(ControlId::WizardHeader, wizard_header(step));
    app.view.set_text(ControlId::WizardQuestion, wizard_question(step));
    app.view.set_text(ControlId::WizardHelp, wizard_help(step));
    refresh_wizard_buttons(app);
}

void refresh_wizard_buttons(App& app) {
    if (app.ui.screen != Screen::Wizard) return;
    const int step = clamp_step(app.ui.wizard_step);
    const bool busy = app.flags.commit_in_progress;
    app.view.set_enabled(ControlId::WizardBack, !busy && step >= 1 && step <= 13);
    app.view.set_enabled(ControlId::WizardCancel, !busy);
    app.view.set_enabled(ControlId::WizardAdvanced, !busy);
    app.view.set_visible(ControlId::WizardBack, step != 14);
    app.view.set_visible(ControlId::WizardCancel, step != 14);
    app.view.set_visible(ControlId::WizardNext, step != 13);
    app.view.set_text(ControlId::WizardNext, step == 14 ? "Done" : "Next >");
}

}  // namespace marlinth
