// The dry-run plan commands (writer/plan.h holds the plan's texts). The preflight recomputes the
// signature and refuses to go on unless it matches.
#pragma once

#include <string>

#include "app/app.h"
#include "core/sha256.h"
#include "writer/plan.h"

namespace marlinth {

// The Generate Dry-Run Plan command.
void generate_dry_run_plan(App& app);
// Computes the signature from the current state into `digest`; rebuilds the plan entries.
bool compute_plan_signature(App& app, Sha256Digest& digest, bool interactive);
// The wizard's review summary.
void update_plan_summary(App& app);
// The wizard's Generate Dry Run step.
void wizard_generate_plan(App& app);

}  // namespace marlinth
