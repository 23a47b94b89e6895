// Wizard Mode: fifteen pages, each gated on the stage flag of its step. The pages only call the
// operations of the other modules; what is theirs here is the order, the gates and the texts.
#pragma once

#include <string>

#include "app/app.h"

namespace marlinth {

constexpr int kWizardSteps = 15;
constexpr int kWizardLastStep = kWizardSteps - 1;

std::string wizard_header(int step);
const char* wizard_question(int step);
const char* wizard_help(int step);

// The Advanced Tools page that fits a step.
Tab wizard_advanced_tab(int step);
// The control that shows a step's summary or result, or None for the setup questions.
ControlId wizard_result_control(int step);
// The statement of the commit step for the current plan and node count.
std::string wizard_commit_statement(App& app);
// COMMIT APPEND on the commit page: a successful commit moves to the completion page.
void wizard_commit_clicked(App& app);
// Whether "Next >" may be pressed on the current step (its gate, without side effects).
bool wizard_next_allowed(App& app);
// What the sysop must do before "Next >" (on the commit page: COMMIT APPEND) can be pressed;
// empty when nothing waits.
std::string wizard_next_blocker(App& app);

// Shows the current step's page: its texts, its controls, its buttons.
void show_wizard_page(App& app);
// Re-evaluates Back, Next, Cancel and Advanced Tools (and the step's own enabled states).
void refresh_wizard_buttons(App& app);

// Start Wizard Mode (Home).
void start_wizard(App& app);
// "< Back", "Next >" / "Done", "Cancel Wizard".
void wizard_back(App& app);
void wizard_next(App& app);
void cancel_wizard(App& app);
// The wizard's "Advanced Tools" button: the page that fits the step; the wizard stays active.
void open_wizard_advanced_tools(App& app);
// "Return to Wizard" from Advanced Tools: takes the Writer page's backup root along.
void return_to_wizard(App& app);

// The Setup tab's MESSAGE directory changed: a full backup of another directory stops counting.
void message_dir_edited(App& app);

// Page actions.
void wizard_setup_field_edited(App& app);
void wizard_browse_node1(App& app);
void wizard_browse_message_dir(App& app);
void wizard_browse_quarro_cfg(App& app);
void wizard_run_inspection(App& app);
// "Choose .NA File...": a list that loads is a new list, not yet reviewed.
void wizard_choose_area_list(App& app);
void wizard_backup_root_edited(App& app);
void wizard_browse_backup_root(App& app);
void wizard_create_backup_choice_clicked(App& app);
void wizard_existing_backup_choice_clicked(App& app);
void wizard_reset_defaults(App& app);

}  // namespace marlinth
