// src/app/: the program state and the commands. App owns everything that lives for the run;
// commands read the form through the View, call the domain, update the state and report.
// Includes core and the domain modules, never ui.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/view.h"
#include "core/platform.h"
#include "core/text_buffer.h"
#include "import/area_preview.h"
#include "import/profiles.h"
#include "settings/proposed_settings.h"
#include "spitfire/baseline.h"
#include "tosser/tosser_config.h"
#include "writer/plan_types.h"

namespace marlinth {

struct Locations {
    std::string program_dir;
    std::string config_path;    // Marlinth.cfg
    std::string log_path;       // Marlinth.log
    std::string profiles_path;  // Marlinth-profiles.ini
    std::string journal_path;   // Marlinth.journal, present only while a transaction is unsettled
};

struct ImportState {
    std::string na_path;
    SourceFingerprint fingerprint;
    int selected_area = -1;       // record index, or -1
    int filter = 0;               // 0 All, 1 Ready, 2 Review, 3 Errors
    std::vector<int> shown_rows;  // record index of each row of the area list
};

// What operations ask of the screens. The window layer implements it; operations never
// know which toolkit is behind it.
class Shell {
public:
    virtual ~Shell() = default;
    // Re-evaluates the wizard's buttons and texts for the current step.
    virtual void refresh_wizard() = 0;
    // Brings an Advanced Tools page to the front (only when Advanced Tools is showing).
    virtual void show_tab(Tab tab) = 0;
};

class NullShell final : public Shell {
public:
    void refresh_wizard() override {}
    void show_tab(Tab) override {}
};

struct App {
    App(Platform& platform_, View& view_) : platform(platform_), view(view_), shell(&null_shell) {}

    // Allocates the six text buffers; false when memory is short.
    bool allocate_buffers();
    // Derives the three file paths from the program's directory.
    void set_program_dir(const std::string& dir);

    Platform& platform;
    View& view;
    NullShell null_shell;
    Shell* shell;

    std::unique_ptr<TextBuffer> report;    // the Report tab
    std::unique_ptr<TextBuffer> log;       // every log line of the run
    std::unique_ptr<TextBuffer> scratch;   // short-lived text
    std::unique_ptr<TextBuffer> log_line;  // the log line being composed
    std::unique_ptr<TextBuffer> plan_text; // the dry-run plan
    std::unique_ptr<TextBuffer> writer;    // preflight results and the transaction record

    Locations files;
    SetupState setup;
    StageFlags flags;
    UiPosition ui;

    ConferenceBaseline baseline;
    ProfileTable profiles;
    AreaPreview preview;
    ImportState import;
    ProposedSettings settings;
    DryRunPlan plan;
    uint32_t plan_report_offset = 0;
    TosserConfig tosser;
    std::string full_backup_location;
    std::string full_backup_source;  // the MESSAGE directory that backup copied

    // While above zero, change notifications are not dispatched (filling controls at start-up).
    int notifications_held = 0;
};

}  // namespace marlinth
