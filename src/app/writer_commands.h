// The append-only transaction: the only operation that changes Spitfire files. After a passed
// preflight and a typed YES it repeats the preflight, backs up and verifies every node's
// SFMCONF.DAT into a new timestamped directory, builds and verifies the staged image, replaces
// each node's file atomically and reads it back; on the first failure every node is restored
// from the inspected bytes and verified.
#pragma once

#include <string>

#include "app/app.h"
#include "writer/node_swap.h"

namespace marlinth {

enum class TransactionOutcome { Refused, EarlyStop, Success, RollbackVerified, RollbackNotVerified };

// The COMMIT APPEND command.
TransactionOutcome commit_transaction(App& app);
// The wizard's commit step.
void wizard_commit(App& app);
// The typed-confirmation field's change handler.
void confirmation_changed(App& app);

}  // namespace marlinth
