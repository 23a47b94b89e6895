// Restore from Backup: puts the backups of a chosen MARLINTH_ transaction directory back on every
// node. This asks for YES and the directory, shows what will change and asks again; writer/restore
// does the checks and the transaction (like the append's, so it can be undone the same way).
#pragma once

#include "app/app.h"

namespace marlinth {

// The Restore from Backup... command.
void restore_from_backup(App& app);

}  // namespace marlinth
