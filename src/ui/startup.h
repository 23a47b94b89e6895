// The start-up sequence, shared by the real window and the scripted runner. The toolkit part
// (window class, window, message loop) happens between the two halves.
#pragma once

#include <string>
#include <vector>

#include "app/app.h"

namespace marlinth {

constexpr int kExitBuffers = 1;
constexpr int kExitRegisterClass = 2;
constexpr int kExitCreateWindow = 3;
constexpr int kExitAlreadyRunning = 4;  // another copy of the program runs

// The program's directory: its executable's path cut at the last separator, or ".".
std::string program_dir_of(const std::string& executable_path);
// Text buffers, file locations and profiles; false when the buffers cannot be allocated.
bool prepare_startup(App& app, const std::string& program_dir);
// The "Profile:" choice list: automatic first, then one entry per profile.
std::vector<std::string> profile_choice_items(const ProfileTable& table);
// After the window and its controls exist: the profile list, the configuration, the setup
// fields, the start lines of the log, and the Home screen.
void finish_startup(App& app);
// Once the window shows: a transaction that a crash interrupted is finished or undone before
// the sysop can act.
void recover_at_startup(App& app);
// Fills the Setup tab and the wizard's setup page from the session.
void fill_setup_controls(App& app);
// Fills the wizard's setup answers and its backup root from the session.
void fill_wizard_setup_page(App& app);

}  // namespace marlinth
