// The full MESSAGE backup: the checks before it, counting the tree, the free space and every path
// it will form, the copy into a new transaction directory, its count compared and its record
// (FULL-MESSAGE-BACKUP.txt). It never changes the source, never follows a directory reparse point
// and never overwrites.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/config.h"
#include "core/platform.h"
#include "core/text_buffer.h"

namespace marlinth {

struct TreeTotals {
    uint64_t bytes = 0;
    uint32_t files = 0;
    uint32_t directories = 0;
    // The longest path of a folder and of a file below the top, counted from the separator after
    // it: what a copy adds to its destination's path.
    size_t longest_directory = 0;
    size_t longest_file = 0;
};

// Called now and then while a copy runs, with the totals so far.
using CopyProgress = std::function<void(const TreeTotals& copied)>;

// Files, directories and bytes under `directory`; a directory reparse point is refused.
bool scan_tree_totals(Platform& platform, const std::string& directory, TreeTotals& totals, TextBuffer* report);
// Copies every file of `source` into `destination`, which must not exist yet; the first failure
// ends the copy and what was copied stays. `progress` hears of it every 16 files or 16 MiB.
bool copy_tree_new(Platform& platform, const std::string& source, const std::string& destination, TreeTotals& copied,
                   TextBuffer* report, const CopyProgress& progress = {});
bool get_free_space(Platform& platform, const std::string& path, uint64_t& available, TextBuffer* report);
// True when a copy of a tree with these totals into `destination` forms no folder path that
// CreateDirectory refuses and no file path longer than the platform takes.
bool copy_fits(const std::string& destination, const TreeTotals& totals);
// "1023 bytes", "1 KB", "1.9 MB", "1.0 GB": whole units and one decimal digit, rounded down.
std::string format_byte_size(uint64_t bytes);

// No caller on any node and nothing running; "FULL BACKUP BLOCKED..." closes the report when a
// check fails.
bool full_backup_may_start(Platform& platform, const SetupState& setup, TextBuffer& report);

struct FullBackup {
    bool verified = false;
    TreeTotals source;
    std::string destination;  // the FULL-MESSAGE folder of the new transaction directory
};
// Everything after the checks: a failure leaves in the report the text the sysop is shown, and
// what was copied stays for the sysop to inspect.
FullBackup make_full_message_backup(Platform& platform, const std::string& message_dir, const std::string& backup_root,
                                    TextBuffer& report, const CopyProgress& progress = {});

}  // namespace marlinth
