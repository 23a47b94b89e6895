// Texts as the writer's golden files show them: a clean report pinned once, each case by the
// lines it changes (support/golden_diff.h), paths under the session's folder as [tmp].
#pragma once

#include "support/golden_diff.h"
#include "support/script_walk.h"
