// The domain of the proposed settings: their types (proposed_settings.h) and the text form of the
// privileged-users list. Knows core only.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "settings/proposed_settings.h"

namespace marlinth {

// Parses "a;b;c;d;e" (";" or ","; blanks around values; each 0 to 32767).
bool parse_privileged(const std::string& text, std::array<int16_t, 5>& out);
std::string format_privileged(const std::array<int16_t, 5>& values);

}  // namespace marlinth
