// Restore from Backup: puts the backups of a chosen MARLINTH_ transaction directory back on every
// node. The sysop sees first what will change; the restore is then a transaction like the append
// (its own directory with verified backups of the current files, the journal, atomic replace and
// read-back, rollback), so it can be undone the same way.
#pragma once

#include "app/app.h"

namespace marlinth {

// The Restore from Backup... command.
void restore_from_backup(App& app);

}  // namespace marlinth
