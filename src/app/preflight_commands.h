// The writer preflight: an offline safety check that changes no Spitfire file. It proves, as far
// as files and the process list can, that a write would be safe right now.
#pragma once

#include "app/app.h"
#include "writer/preflight.h"

namespace marlinth {

bool run_writer_preflight(App& app, bool interactive);
// Takes the backup root from its field into the setup, then checks it (writer/preflight.h).
bool check_backup_root_field(App& app, TextBuffer& report);
// The Run Writer Preflight command.
void run_preflight_command(App& app);
// The backup root's Browse button on the Writer tab.
void browse_backup_root(App& app);
// The wizard's Run Safety Check step.
void wizard_safety_check(App& app);
// Sets the commit buttons' enabled state from the stage flags and the typed confirmations.
void update_commit_buttons(App& app);
// Puts a report's text in a field scrolled to its first ERROR line (at the top when none),
// so that a blocked check opens where the sysop must look.
void show_report_at_first_error(App& app, ControlId field, const std::string& report);

}  // namespace marlinth
