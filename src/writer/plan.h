// The dry-run plan as data: which READY areas become which new conference numbers, with which
// shared settings, as the plan's report text; and the canonical text its signature (SHA-256) is
// taken over, every input that decides what the writer would write.
#pragma once

#include <string>
#include <vector>

#include "core/config.h"
#include "import/area_preview.h"
#include "settings/proposed_settings.h"
#include "spitfire/baseline.h"
#include "writer/plan_types.h"

namespace marlinth {

constexpr size_t kMaxPlanEntries = 1024;

// The READY and approved areas of the preview, in order, as the plan's entries (at most 1,024).
void collect_plan_entries(const AreaPreview& preview, DryRunPlan& plan);
// The dry-run plan text: template, shared settings, the areas with their new numbers, exclusions.
std::string plan_report(const ConferenceBaseline& baseline, const AreaPreview& preview, const ProposedSettings& settings,
                        const std::string& na_path);
// The canonical text the signature is taken over.
std::string plan_signature_text(const ConferenceBaseline& baseline, const SourceFingerprint& source, const std::string& na_path,
                                const SetupState& setup, const ProposedSettings& settings,
                                const std::vector<PlanEntry>& entries);

}  // namespace marlinth
