// The full MESSAGE backup: a verified copy of the whole shared MESSAGE tree into a new
// timestamped directory under the backup root. It never changes the source, never follows a
// directory reparse point, never overwrites, checks free space first, and proves the copy by
// counting files and bytes on both sides.
#pragma once

#include <cstdint>
#include <string>

#include "app/app.h"

namespace marlinth {

struct TreeTotals {
    uint64_t bytes = 0;
    uint32_t files = 0;
    uint32_t directories = 0;
};

void run_full_message_backup(App& app);
// Files, directories and bytes under `directory`; a directory reparse point is refused.
bool scan_tree_totals(Platform& platform, const std::string& directory, TreeTotals& totals, TextBuffer* report);
// Copies every file of `source` into `destination`, which must not exist yet; the first failure
// ends the copy and what was copied stays. A progress line is shown now and then.
bool copy_tree_new(App& app, const std::string& source, const std::string& destination, TreeTotals& copied,
                   TextBuffer* report);
bool get_free_space(Platform& platform, const std::string& path, uint64_t& available, TextBuffer* report);
// "1023 bytes", "1 KB", "1.9 MB", "1.0 GB": whole units and one decimal digit, rounded down.
std::string format_byte_size(uint64_t bytes);
std::string format_u64_decimal(uint64_t value);

}  // namespace marlinth
