// Settling transactions on the nodes: the journal removed once an outcome is safe; at start-up,
// a transaction that a crash or a power cut interrupted is found from its journal and finished or
// undone.
#pragma once

#include "app/app.h"

namespace marlinth {

// Removes the journal and makes the removal durable; a failure is logged (the next start then
// finds every node settled and removes it).
void settle_journal(App& app);
// The preflight's check: false with an ERROR line while a journal exists.
bool check_no_unsettled_journal(App& app, TextBuffer& report);
// At start-up, after the configuration is loaded and before the sysop can act.
void recover_interrupted_transaction(App& app);

}  // namespace marlinth
