// The read-only inspection: every node directory, Node 1's SFMCONF.DAT as the baseline, every
// other node's copy compared with it byte for byte, the conference list, the message bases of
// every conference and the template candidates. Nothing of the installation is written.
#pragma once

#include <string>
#include <vector>

#include "app/app.h"
#include "spitfire/inspection.h"

namespace marlinth {

// The whole inspection; its outcome is `inspection_passed`, the baseline, the Report buffer and
// the conference lists.
void run_inspection(App& app);
// The inspection again after a commit, with the wizard's final verdict text.
void run_final_inspection(App& app);

// The text of the wizard's inspection page for the current state.
std::string wizard_inspection_summary(App& app);
void show_wizard_inspection_summary(App& app);

// Shows the record view of the conference selected in the Hex Record list.
void show_selected_conference_record(App& app);

}  // namespace marlinth
