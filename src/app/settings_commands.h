// Template and proposed settings: the template conference, the settings form (the Settings
// Plan tab, shared with the wizard's settings step), and the Settings Plan view.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/app.h"
#include "settings/settings.h"

namespace marlinth {

// Copies a template conference into the proposed settings and the form.
void load_template(App& app, int index);
// Reads the form into the proposed settings; silent unless interactive.
bool read_proposed_settings(App& app, bool interactive);
bool read_number_field(App& app, ControlId field, uint32_t maximum, uint32_t& value, const std::string& label,
                       bool interactive);
void apply_proposed_settings(App& app);
void select_template_from_list(App& app);
void load_recommended_defaults(App& app);
void show_template_summary(App& app);
void build_settings_plan_view(App& app);
// The conference index the template list's selection maps to, or -1.
int selected_template_index(App& app);
// Fills the template list from the baseline's candidates and loads the selected template,
// or clears the proposed settings when the baseline has no conference.
void refresh_template_candidates(App& app);

}  // namespace marlinth
