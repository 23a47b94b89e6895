// The COMMIT APPEND command and the wizard's commit step: the typed YES and the repeated
// preflight, then the transaction itself (writer/append_transaction), and what the screens say of it.
#pragma once

#include <string>

#include "app/app.h"
#include "writer/append_transaction.h"

namespace marlinth {

// The COMMIT APPEND command.
TransactionOutcome commit_transaction(App& app);
// The wizard's COMMIT APPEND: its own statement box and YES, then the command. The page it leads
// to is the wizard's to show.
TransactionOutcome wizard_commit(App& app);
// The typed-confirmation field's change handler.
void confirmation_changed(App& app);

}  // namespace marlinth
