// Whether a loaded .NA file looks like an area list at all. The parser reads any file by its
// profile's rules, so a tosser configuration or a binary file loads as "areas" too; this only
// says what the sysop should look at before approving anything. It changes no verdict.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/area_preview.h"

namespace marlinth {

struct AreaListDoubts {
    uint32_t bytes = 0;           // the file's bytes
    uint32_t non_text_bytes = 0;  // control bytes other than tab, line breaks, form feed and end-of-file
    uint32_t record_lines = 0;    // lines that became records (neither comment nor blank)
    uint32_t not_area_lines = 0;  // records that do not read as an echo tag and its description
    std::vector<std::string> examples;  // the first words of the first few such lines (printable ones only)

    // More than 1 byte in 100 is not text.
    bool not_text() const { return non_text_bytes > 0 && uint64_t{non_text_bytes} * 100 > bytes; }
    // More than half of the records are not area lines.
    bool mostly_not_areas() const { return uint64_t{not_area_lines} * 2 > record_lines; }
    bool any() const { return not_text() || mostly_not_areas(); }
};

// Judges the file's bytes and the preview parsed from them.
AreaListDoubts judge_area_list(std::string_view bytes, const AreaPreview& preview);

// Whether one record line reads as an area: a tag of tag characters, then (when anything follows)
// no setting's value (a path, an address, a number, "= value").
bool reads_as_area_line(std::string_view raw_line);

// The warning the sysop sees after loading, naming what was seen; empty when nothing is in doubt.
std::string area_list_doubt_text(const AreaListDoubts& doubts);

}  // namespace marlinth
