// The append-only transaction: the shared node transaction with the staged image as the new bytes
// (built from the inspected file, written into the transaction directory and read back), its
// result lines, and TRANSACTION.txt in the directory this transaction created.
#pragma once

#include <string>
#include <vector>

#include "core/config.h"
#include "core/platform.h"
#include "core/text_buffer.h"
#include "settings/proposed_settings.h"
#include "spitfire/baseline.h"
#include "writer/plan_types.h"
#include "writer/transaction.h"

namespace marlinth {

struct AppendInputs {
    const SetupState& setup;              // node directories and the backup root
    const ConferenceBaseline& baseline;   // Node 1's inspected bytes, identical on every node
    const ProposedSettings& settings;     // a snapshot: the form may not change it underneath
    const DryRunPlan& plan;
    std::string journal_path;
};

struct AppendResult {
    TransactionOutcome outcome = TransactionOutcome::EarlyStop;
    std::string nodes_not_original;  // "Node 2 (new bytes)"; empty unless DANGER
    std::string journal_not_removed;  // why a settled journal is still there; empty when it is gone
};

// Appends the transaction's record to `report` (which already holds its heading) and returns
// what came of it. The journal stays only when some node may not hold its original bytes.
AppendResult run_append_transaction(Platform& platform, const AppendInputs& in, TextBuffer& report);

}  // namespace marlinth
