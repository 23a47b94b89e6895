#pragma once

#include "app/app.h"

namespace marlinth {

// Saves the Report buffer to a file the user chooses.
void export_inspection_report(App& app);

}  // namespace marlinth
