// SessionState: the one model of the run. The setup (core/config.h), the stage flags that gate
// the writer and the position of the interface. A flag is set only by its own stage's successful
// operation and cleared by any change to an input of that stage (the stale rules below).
#pragma once

#include <cstdint>
#include <string>

#include "core/config.h"

namespace marlinth {

struct StageFlags {
    bool inspection_passed = false;
    bool na_loaded = false;
    bool plan_current = false;
    bool preflight_passed = false;
    bool commit_in_progress = false;
    bool write_completed = false;
    bool full_backup_verified = false;
    bool existing_backup_confirmed = false;
    bool wizard_defaults_loaded = false;
    // The Writer output holds a preflight that passed (it may have gone stale since).
    bool writer_shows_pass = false;
};

enum class Screen { Home = 0, Wizard = 1, AdvancedTools = 2 };

enum class Tab { Setup = 0, Conferences, NaPreview, HexRecord, Report, Log, SettingsPlan, Writer };
constexpr int kTabCount = 8;

struct UiPosition {
    Screen screen = Screen::Home;
    Tab active_tab = Tab::Setup;
    bool wizard_active = false;
    int wizard_step = 0;  // 0 to 14
    int focused_step = -1;  // the wizard step whose page last received the keyboard focus
};

struct App;

// The wizard's backup page before a choice is made (and after a verified backup stops counting).
constexpr const char* kBackupChoiceText =
    "Choose either a full MESSAGE backup or confirm that a current full backup already exists. Mandatory SFMCONF.DAT "
    "backups for every configured node will be created automatically at commit time.";

// What the result fields say before their stage has run: the window starts with them and a new
// proposal puts them back.
constexpr const char* kNoNaFileLoadedText = "No .NA file loaded.";
constexpr const char* kNoInspectionYetText = "No inspection has run yet.";
constexpr const char* kNoAreaListYetText = "No .NA file has been loaded.";
constexpr const char* kNoPlanYetText = "No dry-run plan has been generated.";
constexpr const char* kNoSafetyCheckYetText = "No safety check has run.";

// Stale-rule operations.
bool commit_allowed(App& app, const std::string& typed);
void reset_typed_confirmation(App& app);
// Sets the Writer status to advice, unless a write has completed (its result then stands).
void writer_advice(App& app, const std::string& message);
void invalidate_plan(App& app, const std::string& message);
void invalidate_preflight(App& app, const std::string& message);
void clear_inspection(App& app, const std::string& message);  // inspection_passed cleared; invalidate_plan
void reset_proposal(App& app);

}  // namespace marlinth
