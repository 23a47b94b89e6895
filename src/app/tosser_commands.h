// Taking the tosser's paths into setup: the file dialog, the import with its status messages, and
// the Setup tab's commands around it (the QUARRO32 switch and "Read CFG").
#pragma once

#include <string>

#include "app/app.h"

namespace marlinth {

// The open-file dialog for QUARRO32.CFG: its title and filters (the wizard's browse step uses it too).
// Opens at the folder of the path the field names, else at Node 1.
FileDialogSpec tosser_config_dialog(const std::string& field, const std::string& node1);
// Shows the open-file dialog; a chosen file is imported, a cancelled dialog changes nothing.
void browse_tosser_config(App& app);
// Parses the file into app.tosser and publishes the report on the Report tab. On success Node 1
// becomes CONFDIR and the MESSAGE directory MSGDIR; in every case the path field takes the path
// and the switch is ticked. Nothing is written to disk. True when the parse had no ERROR.
bool import_tosser_config(App& app, const std::string& path);
// "Read CFG": imports the file named in the path field, or opens the dialog when it is empty.
void read_tosser_config_command(App& app);
// The "This system uses QUARRO32" box was toggled by the user.
void use_quarro_toggled(App& app);

}  // namespace marlinth
