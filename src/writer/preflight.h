// The safety checks the writer and the full backup run on the installation before they touch
// it: no caller on any node, no tosser, mailer or toss in progress, and a backup root apart
// from everything it protects that takes a create/write/verify/delete probe. Each writes
// PASS, INFO, NOTICE and ERROR lines to the report and returns false on an ERROR.
#pragma once

#include <string>

#include "core/config.h"
#include "core/platform.h"
#include "core/text_buffer.h"

namespace marlinth {

// SFWHOSON.DAT (under the tosser's WORKDIR when the tosser is used, else Node 1's WORK): no
// occupied node record. The tosser parser's diagnostics go to `scratch` (may be null).
bool check_node_occupancy(Platform& platform, const SetupState& setup, TextBuffer& report, TextBuffer* scratch);
// No tosser or known mailer process, and no QUARRO.BSY in the MESSAGE directory.
bool check_processes_and_busy_flag(Platform& platform, const std::string& message_dir, TextBuffer& report);
// The setup's backup root: set, apart from every node, MESSAGE and `program_dir`, and writable.
bool check_backup_root(Platform& platform, const SetupState& setup, const std::string& program_dir, TextBuffer& report);

}  // namespace marlinth
