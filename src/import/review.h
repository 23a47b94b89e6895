// The review of a loaded area list as data: the list filters and a name edit checked against
// the rules for conference names.
#pragma once

#include <string>

#include "core/text_buffer.h"
#include "import/area_preview.h"

namespace marlinth {

enum class AreaFilter { All = 0, Ready = 1, Review = 2, Errors = 3 };

const char* area_filter_name(int filter);
bool area_passes_filter(const ImportedArea& area, int filter);

// Stores a new proposed name for record `index`; false with one line in `errors` when refused.
bool set_area_name(AreaPreview& preview, int index, const std::string& text, TextBuffer* errors);

}  // namespace marlinth
