#include "ui/wizard.h"

#include "app/import_commands.h"
#include "app/inspection_commands.h"
#include "app/plan_commands.h"
#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/settings_commands.h"
#include "app/setup_commands.h"
#include "app/tosser_commands.h"
#include "app/writer_commands.h"
#include "core/config.h"
#include "core/files.h"
#include "core/line_reader.h"
#include "core/strings.h"
#include "ui/screens.h"
#include "ui/startup.h"

namespace marlinth {

namespace {

struct StepText {
    const char* question;
    const char* help;
};

const StepText kSteps[kWizardSteps] = {
    {"How many Spitfire nodes do you have?", "Enter a number from 1 through 32."},
    {"Where is Node 1 installed?", "Browse to the main Spitfire directory. Node 1 is the master SFMCONF.DAT."},
    {"Should Marlinth scan for the remaining nodes?",
     "A scan looks for common folders such as SF2, SF3, and SF4. You will confirm every result."},
    {"Are these node locations correct?", "There must be one nonblank path for every configured node."},
    {"Where is the shared MESSAGE directory?", "This directory contains the shared SFMSGxx message-base files."},
    {"Does this system use QUARRO32?", "QUARRO32 is optional. When enabled, Marlinth reads its CFG but never modifies it."},
    {"Check the Spitfire system", "Run the read-only inspection before continuing. No Spitfire data is changed."},
    {"Choose backup protection",
     "SFMCONF.DAT transaction backups are always mandatory. A full MESSAGE backup is optional but strongly recommended."},
    {"Choose an FTN .NA area list", "Load one network area list. Nothing is written during import."},
    {"Choose the default conference settings",
     "Recommended echo defaults are shown below. Every value is editable and will be applied to all areas in this run."},
    {"Review every proposed conference",
     "Approve shortened names. After completion, review restricted or Sysop-only conferences in Spitfire before opening "
     "them to callers."},
    {"Review the dry-run plan", "Generate a simple summary before any offline write check."},
    {"Shut down and verify safety",
     "Close all Spitfire node windows and every external mailer/tosser, then run the proven preflight checks."},
    {"Final confirmation and commit",
     "Check the shutdown statement and type exact uppercase YES. All checks repeat immediately before writing."},
    {"Conference append complete",
     "Start Node 1 with Test Files Upon Boot set to Yes, then verify the new empty message bases."},
};

int clamp_step(int step) { return step < 0 ? 0 : (step > kWizardLastStep ? kWizardLastStep : step); }

const char* const kSetupChanged = "Spitfire setup changed. Run Read-Only Inspection again.";
constexpr int kStay = -1;

int current_step(const App& app) { return clamp_step(app.ui.wizard_step); }

bool field_filled(App& app, ControlId id) { return !trim_view(app.view.text(id)).empty(); }

// A path typed into a wizard field, trimmed; one too long for the platform is refused, never cut.
bool path_field(App& app, ControlId id, std::string& path) {
    path = trimmed(app.view.text(id));
    return !path.empty() && path.size() <= kMaxPath;
}

// The warning, then the keyboard on the answer to correct rather than on "Next >".
int refuse(App& app, const char* message, ControlId fault) {
    warning_box(app, message);
    app.view.focus(fault);
    return kStay;
}

// The setup answers as the session holds them, written into the Setup tab (whose fields every
// stage reads), so a detour through Advanced Tools cannot leave other answers there.
void store_setup_answers(App& app) {
    View& v = app.view;
    const SetupState& s = app.setup;
    v.set_text(ControlId::NodeCount, sdec(s.nodes.count));
    v.set_text(ControlId::NodeList, join_node_lines(s.nodes, s.nodes.count));
    v.set_text(ControlId::MessageDir, s.message_dir);
    v.set_checked(ControlId::UseQuarro, s.use_quarro);
    v.set_enabled(ControlId::QuarroCfgPath, s.use_quarro);
    v.set_text(ControlId::QuarroCfgPath, s.quarro_cfg_path);
}

// What the sysop certifies with the names-reviewed box: every area's tag, name and verdict.
std::string reviewed_names(const AreaPreview& preview) {
    std::string out;
    for (const ImportedArea& a : preview.areas) {
        out += a.echo_tag + '\n' + a.proposed_name + '\n';
        out += a.blocked ? 'B' : a.needs_review ? 'R' : 'Y';
    }
    return out;
}

// The safety page shows what the Writer holds now; a passing verdict that a later change made
// stale (a new plan, a failed repeated check) must not stand beside a disabled "Next >".
void show_safety_output(App& app) {
    const std::string out = app.writer->str();
    const bool stale_pass = !app.flags.preflight_passed && app.flags.writer_shows_pass;
    if (out.empty() || stale_pass)
        app.view.set_text(ControlId::WizardSafetyOutput, kNoSafetyCheckYetText);
    else
        show_report_at_first_error(app, ControlId::WizardSafetyOutput, out);
}

// A verified full backup stops counting; its report must not stay on the backup page.
void drop_full_backup(App& app) {
    if (app.flags.full_backup_verified) app.view.set_text(ControlId::WizardBackupText, kBackupChoiceText);
    app.flags.full_backup_verified = false;
    app.full_backup_location.clear();
    app.full_backup_source.clear();
}

// What a page shows the moment the sysop arrives on it.
void arrive(App& app) {
    switch (current_step(app)) {
    case 8:
        update_import_summary(app);
        break;
    case 9:
        show_template_summary(app);
        break;
    case 11:
        // A summary of a plan that has since gone stale would invite a review of the wrong plan.
        if (!app.flags.plan_current && app.view.text(ControlId::WizardPlanSummary) != kNoPlanYetText)
            update_plan_summary(app);
        break;
    case 12:
        show_safety_output(app);
        break;
    default:
        break;
    }
}

void go_to(App& app, int step) {
    app.ui.wizard_step = clamp_step(step);
    arrive(app);
    show_screen(app, Screen::Wizard);
}

void leave_wizard(App& app) {
    app.ui.wizard_active = false;
    app.ui.focused_step = -1;
    reset_proposal(app);
    // The discarded run's preflight verdict must not stay on the Writer tab; after a completed
    // write its own status stands.
    if (!app.flags.write_completed)
        app.view.set_status(StatusLine::Writer, "Generate a current dry-run plan before running writer preflight.");
    show_screen(app, Screen::Home);
}

// The checks of "Next >", one per step: the step to go to, or kStay after a warning.
int next_from_node_count(App& app) {
    const std::string text = trimmed(app.view.text(ControlId::WizardNodeCount));
    size_t digits = 0;
    const uint64_t count = read_decimal(skip_blanks(text), &digits);
    if (digits == 0 || count < 1 || count > kMaxNodes)
        return refuse(app, "Enter a node count from 1 through 32.", ControlId::WizardNodeCount);
    app.setup.nodes.count = static_cast<int32_t>(count);
    app.view.set_text(ControlId::NodeCount, dec(count));
    return 1;
}

int next_from_node1(App& app) {
    std::string node1;
    if (!path_field(app, ControlId::WizardNode1, node1) || !is_directory(app.platform, node1))
        return refuse(app, "Select an accessible Node 1 Spitfire directory.", ControlId::WizardNode1);
    NodeTable& nodes = app.setup.nodes;
    nodes.dir[1] = node1;
    app.view.set_text(ControlId::WizardNodeList, node1);
    app.view.set_text(ControlId::NodeList, node1);
    app.view.set_text(ControlId::NodeCount, sdec(nodes.count));
    offer_default_backup_root(app, node1);
    return nodes.count == 1 ? 4 : 2;
}

int next_from_scan_question(App& app) {
    const std::string& node1 = app.setup.nodes.dir[1];
    if (app.view.checked(ControlId::WizardScanYes)) {
        wizard_scan_nodes(app, app.setup.nodes.count, node1);
    } else if (app.view.checked(ControlId::WizardScanNo)) {
        app.view.set_text(ControlId::WizardNodeList, node1);
        app.view.set_text(ControlId::NodeList, node1);
    } else {
        return kStay;
    }
    return 3;
}

int next_from_node_list(App& app) {
    const std::string text = app.view.text(ControlId::WizardNodeList);
    NodeTable& nodes = app.setup.nodes;
    NodeTable table;
    split_node_lines(text, table);
    bool overlong = false;
    const int lines = count_node_lines(text, overlong);
    if (overlong)
        return refuse(app, "A node-directory line is longer than 259 characters.", ControlId::WizardNodeList);
    if (lines != nodes.count)
        return refuse(app, "Enter exactly one nonblank directory line for every configured node.",
                      ControlId::WizardNodeList);
    for (int i = 1; i <= nodes.count; ++i) nodes.dir[i] = table.dir[i];
    app.view.set_text(ControlId::NodeList, join_node_lines(nodes, nodes.count));
    return 4;
}

int next_from_message_dir(App& app) {
    std::string dir;
    if (!path_field(app, ControlId::WizardMessageDir, dir) || !is_directory(app.platform, dir))
        return refuse(app, "Select an accessible shared MESSAGE directory.", ControlId::WizardMessageDir);
    app.setup.message_dir = dir;
    app.view.set_text(ControlId::MessageDir, dir);
    return 5;
}

int next_from_quarro_question(App& app) {
    const bool yes = app.view.checked(ControlId::WizardQuarroYes);
    const bool no = app.view.checked(ControlId::WizardQuarroNo);
    if (!yes && !no) return refuse(app, "Choose Yes or No.", ControlId::WizardQuarroYes);
    std::string cfg;
    if (yes && (!path_field(app, ControlId::WizardQuarroCfgPath, cfg) || !is_file(app.platform, cfg)))
        return refuse(app, "Select an accessible QUARRO32.CFG file, or choose No.", ControlId::WizardQuarroCfgPath);
    app.setup.use_quarro = yes;
    app.setup.quarro_cfg_path = yes ? cfg : std::string();
    store_setup_answers(app);
    clear_inspection(app, kSetupChanged);
    // The inspection page must not go on showing the verdict on the old setup.
    if (app.view.text(ControlId::WizardInspectionSummary) != kNoInspectionYetText)
        app.view.set_text(ControlId::WizardInspectionSummary, kSetupChanged);
    return 6;
}

int next_from_names_review(App& app) {
    const AreaPreview& p = app.preview;
    if (p.area_count() == 0) return refuse(app, "Load an .NA file before continuing.", ControlId::AreaList);
    if (p.blocked_count > 0 || p.review_count > 0)
        return refuse(app, "Resolve every import error and approve every shortened name before continuing.",
                      ControlId::AreaList);
    if (!app.view.checked(ControlId::WizardNamesReviewed))
        return refuse(app, "Confirm that you reviewed the name and shared default settings for every proposed conference.",
                      ControlId::WizardNamesReviewed);
    return 11;
}

int next_step(App& app, int step) {
    const StageFlags& f = app.flags;
    switch (step) {
    case 0:
        return next_from_node_count(app);
    case 1:
        return next_from_node1(app);
    case 2:
        return next_from_scan_question(app);
    case 3:
        return next_from_node_list(app);
    case 4:
        return next_from_message_dir(app);
    case 5:
        return next_from_quarro_question(app);
    case 6:
        return f.inspection_passed
                   ? 7
                   : refuse(app, "Run a clean Read-Only Inspection before continuing.", ControlId::WizardRunInspection);
    case 7:
        return f.full_backup_verified || f.existing_backup_confirmed
                   ? 8
                   : refuse(app, "Create a full MESSAGE backup or confirm that a current full backup already exists.",
                            ControlId::WizardCreateBackupChoice);
    case 8:
        // An inspection since the load dropped the .NA stage: the list must be loaded again.
        if (!f.na_loaded || app.preview.area_count() == 0)
            return refuse(app, "Load an .NA file before continuing.", ControlId::WizardChooseNaFile);
        if (!f.wizard_defaults_loaded) load_recommended_defaults(app);
        return 9;
    case 9:
        if (!read_proposed_settings(app, true)) return kStay;
        apply_proposed_settings(app);
        return 10;
    case 10:
        return next_from_names_review(app);
    case 11:
        return f.plan_current ? 12
                              : refuse(app, "Generate and review the dry-run summary first.", ControlId::WizardGeneratePlan);
    case 12:
        return f.preflight_passed
                   ? 13
                   : refuse(app, "Run the safety check and correct every blocker first.", ControlId::WizardRunSafetyCheck);
    default:
        return kStay;  // the commit step moves on only through a completed write
    }
}

}  // namespace

std::string wizard_header(int step) {
    return "Wizard Mode - Question " + dec(static_cast<uint64_t>(clamp_step(step) + 1)) +
           " of 15    |    Setup > Backup > Import > Settings > Review > Dry Run > Safety > Commit";
}

const char* wizard_question(int step) { return kSteps[clamp_step(step)].question; }
const char* wizard_help(int step) { return kSteps[clamp_step(step)].help; }

Tab wizard_advanced_tab(int step) {
    switch (clamp_step(step)) {
    case 8:
    case 10:
        return Tab::NaPreview;
    case 9:
        return Tab::SettingsPlan;
    case 11:
        return Tab::Report;
    case 12:
    case 13:
        return Tab::Writer;
    case 14:
        return Tab::Conferences;
    default:
        return Tab::Setup;
    }
}

ControlId wizard_result_control(int step) {
    switch (clamp_step(step)) {
    case 6:
        return ControlId::WizardInspectionSummary;
    case 7:
        return ControlId::WizardBackupText;
    case 8:
        return ControlId::WizardImportSummary;
    case 9:
        return ControlId::WizardTemplateSummary;
    case 11:
        return ControlId::WizardPlanSummary;
    case 12:
        return ControlId::WizardSafetyOutput;
    case 13:
        return ControlId::WizardCommitStatement;
    case 14:
        return ControlId::WizardCompletionText;
    default:
        return ControlId::None;
    }
}

std::string wizard_commit_statement(App& app) {
    return "This transaction will append " + sdec(app.plan.planned_count) + " conference record(s) to " +
           sdec(app.setup.nodes.count) +
           " node SFMCONF.DAT file(s).\r\nMandatory timestamped backups, staged verification, and rollback remain "
           "active.";
}

void wizard_commit_clicked(App& app) {
    if (wizard_commit(app) != TransactionOutcome::Success) return;
    app.ui.wizard_step = kWizardLastStep;
    app.view.set_text(ControlId::WizardCompletionText,
                      "SUCCESS - " + sdec(app.plan.planned_count) +
                          " conference(s) were appended and every configured node file verified.\r\n\r\nNext steps:\r\n"
                          "1. Keep the other nodes and mailers offline.\r\n"
                          "2. Start Node 1 with Test Files Upon Boot set to Yes.\r\n"
                          "3. Wait for Spitfire to build the new SFMSGxx files.\r\n"
                          "4. Shut Node 1 down and click Run Final Inspection.\r\n"
                          "5. Resume normal service only after every new conference reports OK.");
    app.shell->refresh_wizard();
}

bool wizard_next_allowed(App& app) {
    const StageFlags& f = app.flags;
    const AreaPreview& p = app.preview;
    View& v = app.view;
    switch (current_step(app)) {
    case 0:
        return field_filled(app, ControlId::WizardNodeCount);
    case 1:
        return field_filled(app, ControlId::WizardNode1);
    case 2:
        return v.checked(ControlId::WizardScanYes) || v.checked(ControlId::WizardScanNo);
    case 3:
        return field_filled(app, ControlId::WizardNodeList);
    case 4:
        return field_filled(app, ControlId::WizardMessageDir);
    case 5:
        return v.checked(ControlId::WizardQuarroYes) || v.checked(ControlId::WizardQuarroNo);
    case 6:
        return f.inspection_passed;
    case 7:
        return f.existing_backup_confirmed || f.full_backup_verified;
    case 8:
        return f.na_loaded && p.area_count() > 0;
    case 9:
        return app.baseline.count() > 0;
    case 10:
        return p.area_count() > 0 && p.blocked_count == 0 && p.review_count == 0 &&
               v.checked(ControlId::WizardNamesReviewed);
    case 11:
        return f.plan_current;
    case 12:
        return f.preflight_passed;
    case 13:
        return false;
    default:
        return true;
    }
}

namespace {

std::string count_of(uint32_t n, const char* one, const char* many) {
    return dec(n) + " " + (n == 1 ? one : many);
}

// What keeps the commit button grey on the commit page, whose "Next >" is hidden.
std::string commit_blocker(App& app) {
    View& v = app.view;
    if (!app.flags.preflight_passed) return "The safety check must pass again: go back to the previous page.";
    if (!v.checked(ControlId::WizardClosedConfirm)) return "Tick the statement above, then type YES.";
    if (!v.enabled(ControlId::WizardCommit)) return "Type YES in capitals to enable COMMIT APPEND.";
    return std::string();
}

}  // namespace

std::string wizard_next_blocker(App& app) {
    const StageFlags& f = app.flags;
    const AreaPreview& p = app.preview;
    const int step = current_step(app);
    if (f.commit_in_progress || step == kWizardLastStep) return std::string();
    if (step == 13) return f.write_completed ? std::string() : commit_blocker(app);
    if (wizard_next_allowed(app)) return std::string();
    switch (step) {
    case 0:
        return "Type the number of nodes.";
    case 1:
        return "Type or browse to the Node 1 directory.";
    case 2:
    case 5:
        return "Choose Yes or No.";
    case 3:
        return "Type one directory line for every node.";
    case 4:
        return "Type or browse to the shared MESSAGE directory.";
    case 6:
        return "Run the Read-Only Inspection: Next waits until it passes.";
    case 7:
        return "Create and verify a full MESSAGE backup, or tick that a current one already exists.";
    case 8:
        return "Choose an .NA file: Next waits until its areas are loaded.";
    case 9:
        return "No template conference is known: run the Read-Only Inspection again.";
    case 10:
        if (p.area_count() == 0) return "No .NA file is loaded: go back and choose one.";
        if (p.blocked_count > 0)
            return count_of(p.blocked_count, "area is", "areas are") + " blocked: correct the .NA file and load it again.";
        if (p.review_count > 0)
            return count_of(p.review_count, "shortened name waits", "shortened names wait") + " for approval: select and approve.";
        return "Tick the box above once you have reviewed every name.";
    case 11:
        return "Generate the dry run: Next waits for a current plan.";
    case 12:
        return "Run the safety check: Next waits until it passes without an ERROR.";
    default:
        return std::string();
    }
}

// The control a sysop works with first on each page, so that typing and Enter act on the page
// itself rather than on the button that brought the page up.
ControlId first_control(App& app, int step) {
    switch (step) {
    case 0: return ControlId::WizardNodeCount;
    case 1: return ControlId::WizardNode1;
    case 2: return app.view.checked(ControlId::WizardScanNo) ? ControlId::WizardScanNo : ControlId::WizardScanYes;
    case 3: return ControlId::WizardNodeList;
    case 4: return ControlId::WizardMessageDir;
    case 5: return app.view.checked(ControlId::WizardQuarroYes) ? ControlId::WizardQuarroYes : ControlId::WizardQuarroNo;
    case 6: return ControlId::WizardRunInspection;
    case 7: return ControlId::WizardBackupRoot;
    case 8: return ControlId::WizardChooseNaFile;
    case 9: return ControlId::TemplateChoice;
    case 10: return ControlId::AreaList;
    case 11: return ControlId::WizardGeneratePlan;
    case 12: return ControlId::WizardRunSafetyCheck;
    case 13: return ControlId::WizardClosedConfirm;
    default: return ControlId::WizardFinalInspection;
    }
}

void show_wizard_page(App& app) {
    const int step = current_step(app);
    View& v = app.view;
    if (app.ui.focused_step != step) {
        app.ui.focused_step = step;
        v.focus(first_control(app, step));
    }
    v.set_text(ControlId::WizardHeader, wizard_header(step));
    v.set_text(ControlId::WizardQuestion, wizard_question(step));
    v.set_text(ControlId::WizardHelp, wizard_help(step));
    if (step == 13) v.set_text(ControlId::WizardCommitStatement, wizard_commit_statement(app));
    refresh_wizard_buttons(app);
}

void refresh_wizard_buttons(App& app) {
    if (app.ui.screen != Screen::Wizard) return;
    View& v = app.view;
    const int step = current_step(app);
    const bool busy = app.flags.commit_in_progress;
    v.set_enabled(ControlId::WizardBack, !busy && step >= 1 && step <= 13);
    v.set_enabled(ControlId::WizardCancel, !busy && step != kWizardLastStep);
    v.set_enabled(ControlId::WizardAdvanced, !busy);
    v.set_enabled(ControlId::WizardNext, !busy && wizard_next_allowed(app));
    v.set_visible(ControlId::WizardBack, step != kWizardLastStep);
    v.set_visible(ControlId::WizardCancel, step != kWizardLastStep);
    v.set_visible(ControlId::WizardNext, step != 13);
    v.set_text(ControlId::WizardNext, step == kWizardLastStep ? "Done" : "Next >");
    // The configuration path belongs to the Yes answer only.
    const bool quarro = v.checked(ControlId::WizardQuarroYes);
    v.set_enabled(ControlId::WizardQuarroCfgPath, quarro);
    v.set_enabled(ControlId::WizardBrowseQuarroCfg, quarro);
    update_commit_buttons(app);
    // Last, so that it reads the buttons as they now stand.
    const std::string blocker = wizard_next_blocker(app);
    if (v.text(ControlId::WizardNextBlocker) != blocker) v.set_text(ControlId::WizardNextBlocker, blocker);
}

void start_wizard(App& app) {
    if (app.flags.write_completed) {
        warning_box(app, "A write already completed in this session. Restart Marlinth before beginning another wizard "
                         "transaction.");
        return;
    }
    app.ui.wizard_active = true;
    app.ui.wizard_step = 0;
    app.ui.focused_step = -1;
    reset_proposal(app);
    // The answers come from the session that was just reset: nothing is stale yet.
    ++app.notifications_held;
    fill_wizard_setup_page(app);
    --app.notifications_held;
    go_to(app, 0);
}

void wizard_back(App& app) {
    const int step = current_step(app);
    if (app.flags.commit_in_progress || step < 1 || step > 13) return;
    go_to(app, step == 4 && app.setup.nodes.count == 1 ? 1 : step - 1);
}

void wizard_next(App& app) {
    if (app.flags.commit_in_progress) return;
    const int step = current_step(app);
    if (step == kWizardLastStep) {
        leave_wizard(app);
        return;
    }
    const int target = next_step(app, step);
    if (target == kStay) {
        refresh_wizard_buttons(app);
        return;
    }
    go_to(app, target);
}

void cancel_wizard(App& app) {
    if (app.flags.commit_in_progress) return;
    if (!ask_yes_no(app, BoxIcon::Question,
                    "Cancel Wizard Mode and discard the proposed plan?\r\n\r\nExisting Spitfire files will not be changed."))
        return;
    leave_wizard(app);
}

void open_wizard_advanced_tools(App& app) {
    if (app.flags.commit_in_progress) return;
    open_advanced_tab(app, wizard_advanced_tab(app.ui.wizard_step));
}

void return_to_wizard(App& app) {
    // Only a different root is a change: the same text must not cost a verified full backup.
    // Blanks around either text are no change either (the Writer tab's field holds it trimmed).
    const std::string root = bounded(app.view.text(ControlId::BackupRoot), kMaxPath);
    if (trimmed(app.view.text(ControlId::WizardBackupRoot)) != trimmed(root))
        app.view.set_text(ControlId::WizardBackupRoot, root);
    go_to(app, app.ui.wizard_step);
}

void message_dir_edited(App& app) {
    // The backup covers the directory it copied; another one is not backed up.
    if (app.flags.full_backup_verified && trimmed(app.view.text(ControlId::MessageDir)) != app.full_backup_source)
        drop_full_backup(app);
}

void wizard_setup_field_edited(App& app) {
    app.flags.inspection_passed = false;
    refresh_wizard_buttons(app);
}

void wizard_browse_node1(App& app) {
    std::string path = trimmed(app.view.text(ControlId::WizardNode1));
    if (app.view.pick_folder("Select the Node 1 Spitfire directory", path))
        app.view.set_text(ControlId::WizardNode1, bounded(path, kMaxPath));
    refresh_wizard_buttons(app);
}

void wizard_browse_message_dir(App& app) {
    std::string path = trimmed(app.view.text(ControlId::WizardMessageDir));
    if (app.view.pick_folder("Select the shared Spitfire MESSAGE directory", path))
        app.view.set_text(ControlId::WizardMessageDir, bounded(path, kMaxPath));
    refresh_wizard_buttons(app);
}

void wizard_browse_quarro_cfg(App& app) {
    std::string path;
    const std::string node1 = trimmed(app.view.text(ControlId::WizardNode1));
    if (app.view.pick_open_file(tosser_config_dialog(app.view.text(ControlId::WizardQuarroCfgPath), node1), path))
        app.view.set_text(ControlId::WizardQuarroCfgPath, bounded(path, kMaxPath));
    refresh_wizard_buttons(app);
}

void wizard_run_inspection(App& app) {
    run_inspection(app);
    show_wizard_inspection_summary(app);
    app.shell->refresh_wizard();
}

void wizard_choose_area_list(App& app) {
    const std::string before = reviewed_names(app.preview);
    choose_area_list_file(app);
    if (reviewed_names(app.preview) != before) app.view.set_checked(ControlId::WizardNamesReviewed, false);
}

void wizard_backup_root_edited(App& app) {
    drop_full_backup(app);
    invalidate_preflight(app, "Backup root changed. Run the safety check again.");
    refresh_wizard_buttons(app);
}

void wizard_browse_backup_root(App& app) {
    std::string path = trimmed(app.view.text(ControlId::WizardBackupRoot));
    if (!app.view.pick_folder("Select the Marlinth backup root", path)) return;
    path = bounded(path, kMaxPath);
    app.setup.backup_root = path;
    // The wizard's field last, so that its message is the one left in the writer status line.
    app.view.set_text(ControlId::BackupRoot, path);
    app.view.set_text(ControlId::WizardBackupRoot, path);
    drop_full_backup(app);
    refresh_wizard_buttons(app);
}

void wizard_create_backup_choice_clicked(App& app) {
    if (app.view.checked(ControlId::WizardCreateBackupChoice)) {
        app.view.set_checked(ControlId::WizardExistingBackupChoice, false);
        app.flags.existing_backup_confirmed = false;
    }
    refresh_wizard_buttons(app);
}

void wizard_existing_backup_choice_clicked(App& app) {
    const bool on = app.view.checked(ControlId::WizardExistingBackupChoice);
    app.flags.existing_backup_confirmed = on;
    if (on) app.view.set_checked(ControlId::WizardCreateBackupChoice, false);
    refresh_wizard_buttons(app);
}

void wizard_reset_defaults(App& app) {
    load_recommended_defaults(app);
    show_template_summary(app);
    app.shell->refresh_wizard();
}

}  // namespace marlinth
