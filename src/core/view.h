// The view port moved to app/view.h; this name stays for the end-to-end driver, which takes
// the control identifiers from it.
#pragma once

#include "app/view.h"
