// The release's name as the program shows and writes it. The version and its stage are set once,
// in CMakeLists.txt, and reach the sources through the generated marlinth_version.h; the texts
// here are string literals so that a report heading can be spelt out whole beside them.
#pragma once

#include "marlinth_version.h"

// "Marlinth v" and the version: the head of every report, record and journal that names the release.
#define MARLINTH_NAMED_VERSION "Marlinth v" MARLINTH_VERSION

namespace marlinth {

// The main window's title, also the caption of every message box.
constexpr const char* kProgramTitle =
    MARLINTH_NAMED_VERSION " " MARLINTH_VERSION_STAGE " - Quarro32 Multi-Link Parser";

}  // namespace marlinth
