#include "ui/dispatch.h"

#include "app/full_backup_commands.h"
#include "app/import_commands.h"
#include "app/inspection_commands.h"
#include "app/plan_commands.h"
#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/report_export.h"
#include "app/restore_commands.h"
#include "app/settings_commands.h"
#include "app/setup_commands.h"
#include "app/tosser_commands.h"
#include "app/writer_commands.h"
#include "core/strings.h"
#include "ui/screens.h"
#include "ui/wizard.h"

namespace marlinth {

namespace {

void setup_changed(App& app) {
    clear_inspection(app, "Spitfire setup changed. Run Read-Only Inspection again.");
    if (app.ui.screen == Screen::Wizard) refresh_wizard_buttons(app);
}

void browse_message_dir(App& app) {
    std::string path = trimmed(app.view.text(ControlId::MessageDir));
    if (app.view.pick_folder("Select the shared Spitfire MESSAGE directory", path))
        app.view.set_text(ControlId::MessageDir, bounded(path, kMaxPath));
}

// Home and the Advanced Tools frame.
bool dispatch_screens(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::StartWizard:
        if (event == UiEvent::Clicked) start_wizard(app);
        return true;
    case ControlId::AdvancedTools:
        if (event == UiEvent::Clicked) {
            app.ui.wizard_active = false;
            open_advanced_tab(app, Tab::Setup);
        }
        return true;
    case ControlId::HomeOrReturn:
        if (event != UiEvent::Clicked) return true;
        if (app.ui.wizard_active)
            return_to_wizard(app);
        else
            show_screen(app, Screen::Home);
        return true;
    case ControlId::Tabs:
        if (event == UiEvent::Chosen) {
            int index = app.view.selection(ControlId::Tabs);
            if (index >= 0 && index < kTabCount) show_tab_page(app, static_cast<Tab>(index));
        }
        return true;
    default:
        return false;
    }
}

// Setup tab.
bool dispatch_setup(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::MessageDir:
        if (event == UiEvent::Edited) {
            message_dir_edited(app);
            setup_changed(app);
        }
        return true;
    case ControlId::NodeCount:
    case ControlId::NodeList:
    case ControlId::QuarroCfgPath:
        if (event == UiEvent::Edited) setup_changed(app);
        return true;
    case ControlId::SetNode1:
        if (event == UiEvent::Clicked) choose_node1(app);
        return true;
    case ControlId::AddNode:
        if (event == UiEvent::Clicked) add_node(app);
        return true;
    case ControlId::DiscoverNodes:
        if (event == UiEvent::Clicked) discover_nodes(app);
        return true;
    case ControlId::BrowseMessageDir:
        if (event == UiEvent::Clicked) browse_message_dir(app);
        return true;
    case ControlId::SaveSettings:
        if (event == UiEvent::Clicked) save_configuration(app);
        return true;
    default:
        return false;
    }
}

// Report tab.
bool dispatch_report(App& app, ControlId id, UiEvent event) {
    if (id != ControlId::ExportReport) return false;
    if (event == UiEvent::Clicked) export_inspection_report(app);
    return true;
}

// Settings Plan tab (its template list and settings also serve the wizard's settings step).
bool dispatch_settings(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::TemplateChoice:
        if (event == UiEvent::Chosen) select_template_from_list(app);
        return true;
    case ControlId::ResetFromTemplate:
        if (event == UiEvent::Clicked) select_template_from_list(app);
        return true;
    case ControlId::ConferenceSecurity:
    case ControlId::MessageEntrySecurity:
    case ControlId::MaxMsgLength:
    case ControlId::PurgeDays:
    case ControlId::PrivilegedSecurities:
        if (event == UiEvent::Edited) invalidate_plan(app, "Proposed settings changed. Generate a new dry-run plan.");
        return true;
    case ControlId::ConferenceAccess:
    case ControlId::PublicOnly:
    case ControlId::NetMail:
    case ControlId::AllowRouting:
    case ControlId::CallerDelete:
    case ControlId::PurgeUnreceived:
    case ControlId::PurgeOldThread:
        if (event == UiEvent::Chosen) invalidate_plan(app, "Proposed settings changed. Generate a new dry-run plan.");
        return true;
    case ControlId::ApplySettings:
        if (event == UiEvent::Clicked) apply_proposed_settings(app);
        return true;
    default:
        return false;
    }
}

// Inspection: the Setup tab's inspection command, the Conferences and Hex Record tabs.
bool dispatch_inspection(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::RunInspection:
        if (event == UiEvent::Clicked) run_inspection(app);
        return true;
    case ControlId::ConferenceListBox:
        if (event == UiEvent::Chosen) show_selected_conference_record(app);
        return true;
    default:
        return false;
    }
}

// .NA Preview tab, and the wizard's import and review steps that share its operations.
bool dispatch_area_list(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::LoadNaFile:
        if (event != UiEvent::Clicked) return true;
        choose_area_list_file(app);
        if (app.ui.screen == Screen::Wizard) {
            update_import_summary(app);
            app.shell->refresh_wizard();
        }
        return true;
    case ControlId::ProfileChoice:
        if (event == UiEvent::Chosen) profile_selection_changed(app);
        return true;
    case ControlId::NetworkName:
        if (event == UiEvent::Edited) network_name_edited(app);
        return true;
    case ControlId::Reparse:
        if (event == UiEvent::Clicked) reparse_area_list(app);
        return true;
    case ControlId::ApplyName:
        if (event == UiEvent::Clicked) apply_name_edit(app);
        return true;
    case ControlId::ShowFilter:
        if (event == UiEvent::Chosen) area_filter_changed(app);
        return true;
    case ControlId::AreaList:
        if (event == UiEvent::ItemChanged || event == UiEvent::Clicked) show_area_details(app);
        return true;
    case ControlId::WizardChooseNaFile:
        if (event != UiEvent::Clicked) return true;
        wizard_choose_area_list(app);
        update_import_summary(app);
        app.shell->refresh_wizard();
        return true;
    case ControlId::WizardApproveSelected:
        if (event == UiEvent::Clicked) approve_names(app, false);
        return true;
    case ControlId::WizardApproveAll:
        if (event == UiEvent::Clicked) approve_names(app, true);
        return true;
    default:
        return false;
    }
}

// Tosser configuration on the Setup tab.
bool dispatch_tosser(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::UseQuarro:
        if (event == UiEvent::Clicked) use_quarro_toggled(app);
        return true;
    case ControlId::BrowseQuarroCfg:
        if (event == UiEvent::Clicked) browse_tosser_config(app);
        return true;
    case ControlId::ReadCfg:
        if (event == UiEvent::Clicked) read_tosser_config_command(app);
        return true;
    default:
        return false;
    }
}

// Dry-run plan.
bool dispatch_plan(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::GeneratePlan:
        if (event == UiEvent::Clicked) generate_dry_run_plan(app);
        return true;
    case ControlId::WizardGeneratePlan:
        if (event == UiEvent::Clicked) wizard_generate_plan(app);
        return true;
    default:
        return false;
    }
}

// Writer tab.
bool dispatch_writer(App& app, ControlId id, UiEvent event) {
    switch (id) {
    case ControlId::BackupRoot:
        if (event == UiEvent::Edited)
            invalidate_preflight(app, "Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.");
        return true;
    case ControlId::BrowseBackupRoot:
        if (event == UiEvent::Clicked) browse_backup_root(app);
        return true;
    case ControlId::RunPreflight:
        if (event == UiEvent::Clicked) run_preflight_command(app);
        return true;
    case ControlId::Confirmation:
        if (event == UiEvent::Edited) confirmation_changed(app);
        return true;
    case ControlId::CommitAppend:
        if (event == UiEvent::Clicked) commit_transaction(app);
        return true;
    case ControlId::RestoreFromBackup:
        if (event == UiEvent::Clicked) restore_from_backup(app);
        return true;
    default:
        return false;
    }
}

// Wizard: navigation and the pages' own controls (the import, review and plan steps share the
// operations routed above).
bool dispatch_wizard(App& app, ControlId id, UiEvent event) {
    const bool clicked = event == UiEvent::Clicked;
    const bool edited = event == UiEvent::Edited;
    switch (id) {
    case ControlId::WizardBack:
        if (clicked) wizard_back(app);
        return true;
    case ControlId::WizardNext:
        if (clicked) wizard_next(app);
        return true;
    case ControlId::WizardCancel:
        if (clicked) cancel_wizard(app);
        return true;
    case ControlId::WizardAdvanced:
        if (clicked) open_wizard_advanced_tools(app);
        return true;
    case ControlId::WizardNodeCount:
    case ControlId::WizardNode1:
    case ControlId::WizardNodeList:
    case ControlId::WizardMessageDir:
    case ControlId::WizardQuarroCfgPath:
        if (edited) wizard_setup_field_edited(app);
        return true;
    case ControlId::WizardBrowseNode1:
        if (clicked) wizard_browse_node1(app);
        return true;
    case ControlId::WizardScanYes:
    case ControlId::WizardScanNo:
        if (clicked) app.shell->refresh_wizard();
        return true;
    case ControlId::WizardBrowseMessageDir:
        if (clicked) wizard_browse_message_dir(app);
        return true;
    case ControlId::WizardQuarroYes:
    case ControlId::WizardQuarroNo:
    case ControlId::WizardNamesReviewed:
        if (clicked) refresh_wizard_buttons(app);
        return true;
    case ControlId::WizardBrowseQuarroCfg:
        if (clicked) wizard_browse_quarro_cfg(app);
        return true;
    case ControlId::WizardRunInspection:
        if (clicked) wizard_run_inspection(app);
        return true;
    case ControlId::WizardBackupRoot:
        if (edited) wizard_backup_root_edited(app);
        return true;
    case ControlId::WizardBrowseBackupRoot:
        if (clicked) wizard_browse_backup_root(app);
        return true;
    case ControlId::WizardCreateBackupChoice:
        if (clicked) wizard_create_backup_choice_clicked(app);
        return true;
    case ControlId::WizardExistingBackupChoice:
        if (clicked) wizard_existing_backup_choice_clicked(app);
        return true;
    case ControlId::WizardCreateBackupNow:
        if (clicked) run_full_message_backup(app);
        return true;
    case ControlId::WizardResetDefaults:
        if (clicked) wizard_reset_defaults(app);
        return true;
    case ControlId::WizardViewReport:
        if (clicked) open_advanced_tab(app, Tab::Report);
        return true;
    case ControlId::WizardRunSafetyCheck:
        if (clicked) wizard_safety_check(app);
        return true;
    case ControlId::WizardClosedConfirm:
        if (clicked) refresh_wizard_buttons(app);
        return true;
    case ControlId::WizardConfirmation:
        if (edited) refresh_wizard_buttons(app);
        return true;
    case ControlId::WizardCommit:
        if (clicked) wizard_commit_clicked(app);
        return true;
    case ControlId::WizardFinalInspection:
        if (clicked) run_final_inspection(app);
        return true;
    default:
        return false;
    }
}

}  // namespace

void dispatch(App& app, ControlId id, UiEvent event) {
    if (app.notifications_held > 0) return;
    if (dispatch_screens(app, id, event)) return;
    if (dispatch_setup(app, id, event)) return;
    if (dispatch_inspection(app, id, event)) return;
    if (dispatch_report(app, id, event)) return;
    if (dispatch_settings(app, id, event)) return;
    if (dispatch_tosser(app, id, event)) return;
    if (dispatch_area_list(app, id, event)) return;
    if (dispatch_plan(app, id, event)) return;
    if (dispatch_writer(app, id, event)) return;
    if (dispatch_wizard(app, id, event)) return;
}

}  // namespace marlinth
