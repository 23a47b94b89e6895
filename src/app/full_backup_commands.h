// The full MESSAGE backup command: a verified copy of the whole shared MESSAGE tree into a new
// timestamped directory under the backup root. This gates and asks; writer/full_backup checks the
// free space, copies and proves the copy by counting files and bytes on both sides.
#pragma once

#include "app/app.h"

namespace marlinth {

void run_full_message_backup(App& app);

}  // namespace marlinth
