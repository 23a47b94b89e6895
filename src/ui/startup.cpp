#include "ui/startup.h"

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/recovery_commands.h"
#include "app/setup_commands.h"
#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "import/profiles.h"
#include "ui/screens.h"

namespace marlinth {

std::string program_dir_of(const std::string& executable_path) {
    std::string dir = parent_of(executable_path);
    return dir.empty() ? "." : dir;
}

bool prepare_startup(App& app, const std::string& program_dir) {
    if (!app.allocate_buffers()) return false;
    app.set_program_dir(program_dir);
    load_network_profiles(app.platform, app.files.profiles_path, app.profiles, kProfileCapacity);
    return true;
}

std::vector<std::string> profile_choice_items(const ProfileTable& table) {
    std::vector<std::string> items{"Auto-detect from known profiles"};
    for (const NetworkProfile& p : table.profiles) items.push_back(bounded(p.display_name + "  [" + p.key + "]", 111));
    return items;
}

void fill_setup_controls(App& app) {
    View& v = app.view;
    const SetupState& s = app.setup;
    const std::string nodes = join_node_lines(s.nodes, s.nodes.count);
    v.set_text(ControlId::NodeCount, sdec(s.nodes.count));
    v.set_text(ControlId::NodeList, nodes);
    v.set_text(ControlId::MessageDir, s.message_dir);
    v.set_checked(ControlId::UseQuarro, s.use_quarro);
    v.set_text(ControlId::QuarroCfgPath, s.quarro_cfg_path);
    v.set_enabled(ControlId::QuarroCfgPath, s.use_quarro);
    v.set_text(ControlId::BackupRoot, s.backup_root);
    fill_wizard_setup_page(app);
}

void fill_wizard_setup_page(App& app) {
    View& v = app.view;
    const SetupState& s = app.setup;
    v.set_text(ControlId::WizardBackupRoot, s.backup_root);
    v.set_text(ControlId::WizardNodeCount, sdec(s.nodes.count));
    v.set_text(ControlId::WizardNodeList, join_node_lines(s.nodes, s.nodes.count));
    v.set_text(ControlId::WizardNode1, s.nodes.dir[1]);
    v.set_text(ControlId::WizardMessageDir, s.message_dir);
    v.set_text(ControlId::WizardQuarroCfgPath, s.quarro_cfg_path);
    v.set_checked(ControlId::WizardQuarroYes, s.use_quarro);
    v.set_checked(ControlId::WizardQuarroNo, !s.use_quarro);
    v.set_checked(ControlId::WizardScanYes, true);
    v.set_checked(ControlId::WizardScanNo, false);
}

void finish_startup(App& app) {
    ++app.notifications_held;
    app.view.set_items(ControlId::ProfileChoice, profile_choice_items(app.profiles));
    app.view.set_selection(ControlId::ProfileChoice, 0);
    if (is_file(app.platform, app.files.config_path)) load_configuration(app);
    apply_default_backup_root(app.setup);
    fill_setup_controls(app);
    --app.notifications_held;
    log_message(app, MARLINTH_NAMED_VERSION " append-only conference builder started.");
    log_message(app, "Loaded .NA profiles: " + dec(app.profiles.count()));
    show_screen(app, Screen::Home);
}

void recover_at_startup(App& app) {
    recover_interrupted_transaction(app);
    update_commit_buttons(app);
    app.shell->refresh_wizard();
}

}  // namespace marlinth
