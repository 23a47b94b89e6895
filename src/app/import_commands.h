// The sysop's review of a loaded area list: the filtered area list, the details of one area,
// name edits and approvals (in memory only; each makes the dry-run plan stale), and the commands
// that start a load: choosing the file, reparsing and changing the profile.
#pragma once

#include <string>

#include "app/app.h"
#include "import/area_list.h"
#include "import/review.h"

namespace marlinth {

// Loads (or reparses) the .NA file named in the session, with the profile choice and the network
// name of the .NA Preview page; interactive loads may show message boxes.
bool load_area_list(App& app, bool interactive);

// Shows the Report buffer in the Report tab's text.
void show_preview_report(App& app);
// "Load .NA File..." and the wizard's "Choose .NA File...".
void choose_area_list_file(App& app);
// The profile choice changed: the network name follows it and a loaded file is parsed again.
void profile_selection_changed(App& app);
// Rebuilds the area list for the current filter and selects `selection` (a record index) when
// it is shown, otherwise the first row.
void fill_area_list(App& app, int selection);
// Shows the first selected row's record in the detail pane and the name field.
void show_area_details(App& app);
void apply_name_edit(App& app);
// Approves the displayed names of REVIEW areas: every shown row, or the selected rows.
void approve_names(App& app, bool all_displayed);
// The wizard's import summary.
void update_import_summary(App& app);
// The "Reparse" command.
void reparse_area_list(App& app);
// The "Show:" choice changed.
void area_filter_changed(App& app);
// The sysop edited the network name.
void network_name_edited(App& app);

}  // namespace marlinth
