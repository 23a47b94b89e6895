// The dry-run plan: which READY areas become which new conference numbers, with which shared
// settings; and its signature, a SHA-256 over a canonical text of every input that decides what
// the writer would write. The preflight recomputes it and refuses to go on unless it matches.
#pragma once

#include <string>

#include "app/app.h"
#include "core/sha256.h"

namespace marlinth {

constexpr size_t kMaxPlanEntries = 1024;

// The Generate Dry-Run Plan command.
void generate_dry_run_plan(App& app);
// Computes the signature from the current state into `digest`; rebuilds the plan entries.
bool compute_plan_signature(App& app, Sha256Digest& digest, bool interactive);
// The canonical text the signature is taken over (the plan entries must be current).
std::string plan_signature_text(App& app);
// The wizard's review summary.
void update_plan_summary(App& app);
// The wizard's Generate Dry Run step.
void wizard_generate_plan(App& app);

}  // namespace marlinth
