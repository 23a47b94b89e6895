// The full MESSAGE backup's file work: counting a tree, copying it into a directory that does
// not exist yet, and the free space. It never changes the source, never follows a directory
// reparse point and never overwrites.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

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

}  // namespace marlinth
