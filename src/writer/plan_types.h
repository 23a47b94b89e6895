// src/writer/: the write side as data and file work: the plan and its signature text, safety
// checks, staged image, journal, node swap, recovery and restore, full-backup copying.
// Includes core and the other domain folders; no App, no View.
//
// The reviewed append list and its signature.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/sha256.h"

namespace marlinth {

struct PlanEntry {
    std::string tag;   // at most 15
    std::string name;  // at most 40
};

struct DryRunPlan {
    std::vector<PlanEntry> entries;  // at most 1024; rebuilt at every signature computation
    int32_t planned_count = 0;
    Sha256Digest signature{};        // of the reviewed plan; never shown, logged or written
};

}  // namespace marlinth
