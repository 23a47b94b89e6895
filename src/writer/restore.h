// Restore from Backup: the checks before it (the directory's backups read and compared, every node
// read and probed, what the restore would take away listed, nothing running), then the restore
// itself, a node transaction like the append whose new bytes are the backup's, recorded in
// RESTORE.txt. The current files are backed up first, so a restore can be undone the same way.
#pragma once

#include <string>
#include <vector>

#include "core/config.h"
#include "core/files.h"
#include "core/platform.h"
#include "core/text_buffer.h"
#include "writer/transaction.h"

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
struct RestoreCheck {
    bool usable = false;   // one valid backup per node, and every node readable and replaceable
    bool offline = false;  // no caller, tosser, mailer or toss in progress
    std::vector<std::string> node_files;  // node 1 first
    std::vector<ByteBuffer> current;      // what each node holds now
    std::vector<ByteBuffer> backups;
    std::vector<std::string> left_in_place;  // message families of the conferences that go
    uint32_t conferences_lost = 0;
    bool ready() const { return usable && offline; }
};

// The report's heading and every check, ending in "RESTORE RESULT: REFUSED" when one fails.
RestoreCheck check_restore(Platform& platform, const SetupState& setup, const std::string& dir, TextBuffer& report);

struct RestoreResult {
    TransactionOutcome outcome = TransactionOutcome::EarlyStop;
    std::string nodes_not_original;   // empty unless DANGER
    std::string journal_not_removed;  // why a settled journal is still there
};

// The transaction, its result line and RESTORE.txt, after a check that was ready.
RestoreResult run_restore_transaction(Platform& platform, const SetupState& setup, const std::string& journal_path,
                                      const RestoreCheck& check, TextBuffer& report);

// The newest MARLINTH_ directory under the backup root (their names sort by time), else the root.
std::string newest_transaction_dir(Platform& platform, const std::string& backup_root);

}  // namespace marlinth
