// src/ui/: control table, layout, dispatch (control id -> command), screens and wizard pages,
// toolkit-neutral. Includes app and below; ui/win32/ and ui/headless/ sit above it.
//
// Routes every user command and change notification to the operation it runs.
#pragma once

#include "app/app.h"

namespace marlinth {

void dispatch(App& app, ControlId id, UiEvent event);

}  // namespace marlinth
