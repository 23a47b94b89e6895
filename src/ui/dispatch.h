// Routes every user command and change notification to the operation it runs.
#pragma once

#include "app/app.h"

namespace marlinth {

void dispatch(App& app, ControlId id, UiEvent event);

}  // namespace marlinth
