// Restoring the nodes from a backup directory, the checks before it: the directory's backups
// read and compared, and what the restore would take away listed.
#pragma once

#include <string>
#include <vector>

#include "core/config.h"
#include "core/files.h"
#include "core/platform.h"
#include "core/text_buffer.h"

namespace marlinth {

// The directory must hold one valid, identical backup per configured node (`node_count`) and no
// more; `backups` gets them in node order.
bool read_backups(Platform& platform, int node_count, const std::string& dir, std::vector<ByteBuffer>& backups,
                  TextBuffer& report);
// The conferences of Node 1's current file that the backup does not have, and the message-base
// files that exist for them in `message_dir` (they stay where they are, and must be moved away
// before those numbers can be appended again). Returns the families found ("SFMSG07", ...).
std::vector<std::string> list_conferences_lost(Platform& platform, const std::string& message_dir,
                                               const ByteBuffer& current, const ByteBuffer& backup, TextBuffer& report);
// The newest MARLINTH_ directory under the backup root (their names sort by time), else the root.
std::string newest_transaction_dir(Platform& platform, const std::string& backup_root);

}  // namespace marlinth
