// What the inspection decides from the installation as read: the template candidates among
// the conferences, and whether a program is running.
#pragma once

#include <string>
#include <vector>

#include "core/platform.h"
#include "spitfire/baseline.h"

namespace marlinth {

// Template candidates: conferences that route and carry a Net ID, in file order (every
// conference when none does); `preselected` is the position of the most common echo-like
// conference among them, or -1.
void choose_template_candidates(const std::vector<ConferenceView>& views, std::vector<TemplateCandidate>& candidates,
                                int& preselected);

// True when a running process's executable name equals `name` (A-Z folded); false when the
// process list cannot be taken.
bool is_process_running(Platform& platform, const std::string& name);

}  // namespace marlinth
