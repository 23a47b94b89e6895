// Wizard Mode: fifteen pages, each gated on the stage flag of its step.
#pragma once

#include <string>

#include "core/app.h"

namespace marlinth {

constexpr int kWizardSteps = 15;

std::string wizard_header(int step);
const char* wizard_question(int step);
const char* wizard_help(int step);

// Shows the current step's page: its texts, its controls, its buttons.
void show_wizard_page(App& app);
// Re-evaluates Back, Next, Cancel and Advanced Tools for the current step.
void refresh_wizard_buttons(App& app);

}  // namespace marlinth
