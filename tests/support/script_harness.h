// Runs acceptance scripts (the marlinth-script language) in-process against a fresh headless
// session, so tests can fix the clock and the process list through a fault platform.
// ${NAME} in a script is replaced from the variables given (paths of a generated installation).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "core/platform.h"

namespace marlinth::test {

using ScriptVars = std::map<std::string, std::string>;

// ${NAME} filled in from `vars`; in a box's line (below) with the value escaped as the box's text is.
std::string substitute(const std::string& text, const ScriptVars& vars);
// A line the runner printed for a message box ("BOX ..."): its text is escaped (box_escaped).
bool is_box_line(std::string_view line);
// Every `value` in `text` replaced by `mask`, looked for in a box's line as the box escapes it:
// paths are masked while the escapes still stand, so none of their backslashes is read as one.
std::string masked(const std::string& text, const std::string& value, const std::string& mask);
// The text of tests/scripts/<name>.
std::string load_script(const std::string& name);

struct ScriptResult {
    bool ok = false;
    std::string output;
};

// Puts a started session where a script needs it before the first line runs.
using SessionSetup = std::function<void(App&)>;

// Starts a session with `home` as the program's directory and runs the script text.
ScriptResult run_script(Platform& platform, const std::string& home, const std::string& script, const ScriptVars& vars = {},
                        const SessionSetup& prepare = {});

// The golden transcript tests/scripts/<name> with the variables filled in. With the environment
// variable MARLINTH_UPDATE_GOLDEN=1 the file is first rewritten from `actual` (each variable's
// value put back as ${NAME}), so a deliberate change of texts is one run and a diff to review.
std::string golden(const std::string& name, const std::string& actual, const ScriptVars& vars);

// What happens outside the program while it waits between two parts of a script (the BBS runs,
// a file changes). Called with the number of the part just finished, from 1.
using Interlude = std::function<void(App&, int)>;

// A script's text cut into parts at lines starting with "#pause" (comments to the runner).
std::vector<std::string> script_parts(const std::string& text);

// As run_script, in one session, but the script is cut into parts and `between` runs after every
// part but the last.
ScriptResult run_script_parts(Platform& platform, const std::string& home, const std::string& script,
                              const ScriptVars& vars, const SessionSetup& prepare, const Interlude& between);

}  // namespace marlinth::test
