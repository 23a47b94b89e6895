// src/import/: the .NA area list, network profiles, preview and review rules as data.
// Includes core and spitfire; no App, no View.
//
// The .NA area-list parser: picks a network profile, splits every record line into echo tag and
// description, builds the caller-facing conference name, numbers the areas provisionally after
// the existing conferences and gives each one its verdict (READY, REVIEW or BLOCKED) with the
// reasons. Nothing is written anywhere but the preview and the Report text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"
#include "core/text_buffer.h"
#include "import/area_preview.h"
#include "import/profiles.h"
#include "spitfire/conference.h"

namespace marlinth {

constexpr size_t kMaxAreaLineChars = 1023;
constexpr size_t kMaxDetectionSamples = 64;
constexpr size_t kMaxEchoTagChars = 127;
constexpr size_t kMaxNetIdChars = 15;
constexpr size_t kMaxProposedName = 40;
constexpr size_t kMaxNetworkName = 47;

// Parses the file at `path` into `preview` (zeroed first) with the profile in slot
// `selected_profile`, or an automatically detected one when that is not a valid slot. The typed
// network name may be empty. The preview section goes to `report`; failure lines to `errors`.
bool parse_area_list(Platform& platform, const std::string& path, const std::vector<ConferenceView>& baseline,
                     const ProfileTable& profiles, int selected_profile, std::string_view network_name,
                     AreaPreview& preview, TextBuffer& report, TextBuffer* errors);

// Chooses a profile for a file by its name, then by its tags and layout; sets `detection` to how.
// Returns a slot index (0 when the table offers nothing better, even when it is empty).
int detect_profile(std::string_view path, std::string_view data, const ProfileTable& profiles, std::string& detection);

// The short verdict text of a record, from its flags.
void set_status_text(ImportedArea& area);

// A buffer of failure lines as a message box shows them (without the last line break).
std::string message_text(const TextBuffer& buffer);

}  // namespace marlinth
