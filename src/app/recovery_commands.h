// At start-up, a transaction that a crash or a power cut interrupted is found from its journal:
// the domain gives the verdict and does the file work; this asks the sysop and reports.
#pragma once

#include "app/app.h"

namespace marlinth {

// The preflight's check: false with an ERROR line while a journal exists.
bool check_no_unsettled_journal(App& app, TextBuffer& report);
// At start-up, after the configuration is loaded and before the sysop can act.
void recover_interrupted_transaction(App& app);

}  // namespace marlinth
