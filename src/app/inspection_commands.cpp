#include "app/inspection_commands.h"

#include "app/list_rows.h"

#include "app/prompts.h"
#include "app/settings_commands.h"
#include "app/setup_commands.h"
#include "core/files.h"
#include "core/sha256.h"
#include "core/strings.h"
#include "core/version.h"
#include "spitfire/inspection.h"

namespace marlinth {

namespace {

void section(TextBuffer& report, const std::string& name) {
    report.append_line();
    report.append_line(name);
    report.append_line(std::string(name.size(), '-'));
}

std::string run_stamp(const LocalTime& t) {
    return sdec(t.year) + "-" + dec2(static_cast<uint32_t>(t.month)) + "-" +
           dec2(static_cast<uint32_t>(t.day)) + " " + dec2(static_cast<uint32_t>(t.hour)) + ":" +
           dec2(static_cast<uint32_t>(t.minute));
}

bool advanced_tools_showing(App& app) { return app.ui.screen == Screen::AdvancedTools; }

void show_report(App& app) { app.view.set_text(ControlId::ReportText, app.report->str()); }

void show_tab_if_advanced(App& app, Tab tab) {
    if (advanced_tools_showing(app)) app.shell->show_tab(tab);
}

// The Conferences list, the Hex Record list with its first conference shown, from the baseline.
void fill_conference_views(App& app) {
    const ConferenceBaseline& base = app.baseline;
    std::vector<ConferenceRow> rows;
    std::vector<std::string> items;
    rows.reserve(base.conferences.size());
    items.reserve(base.conferences.size());
    for (size_t i = 0; i < base.conferences.size(); ++i) {
        const ConferenceView& v = base.conferences[i];
        const MessageBaseResult empty;
        const MessageBaseResult& r = i < base.message_bases.size() ? base.message_bases[i] : empty;
        rows.push_back({dec(v.number), v.name, v.net_id, sdec(v.conference_security), sdec(v.message_entry_security),
                        files_column(r), dec(r.active), dec(r.deleted), dec(r.danger), dec(r.warn), r.status});
        items.push_back("#" + dec(v.number) + "  " + v.name);
    }
    app.view.set_rows(ControlId::ConferenceList, cells_of(rows, kConferenceColumns));
    app.view.set_items(ControlId::ConferenceListBox, items);
    if (items.empty()) {
        app.view.set_text(ControlId::RecordView, "");
        return;
    }
    app.view.set_selection(ControlId::ConferenceListBox, 0);
    show_selected_conference_record(app);
}

// The baseline is gone: nothing may be planned from it, and nothing shown from it.
void release_baseline(App& app) {
    app.baseline.bytes.reset();
    app.baseline.conferences.clear();
    app.baseline.message_bases.clear();
    app.baseline.template_candidates.clear();
    app.baseline.preselected_candidate = -1;
    app.baseline.report_length = 0;
}

void stop_after_path_failure(App& app) {
    show_report(app);
    error_box(app, "One or more required Spitfire files or paths are missing. Review the report.");
    status_and_log(app, "Inspection stopped: invalid installation path(s).");
    show_tab_if_advanced(app, Tab::Report);
    app.shell->refresh_wizard();
}

void stop_after_baseline_failure(App& app) {
    app.report->append(app.scratch->view());
    release_baseline(app);
    fill_conference_views(app);
    refresh_template_candidates(app);
    show_report(app);
    error_box(app, "Primary SFMCONF.DAT is invalid.");
    status_and_log(app, "Primary SFMCONF.DAT is invalid.");
    show_tab_if_advanced(app, Tab::Report);
    app.shell->refresh_wizard();
}

// Puts the summary on the wizard's inspection page on every way out of an inspection that was
// started from the wizard.
class WizardSummaryOnExit {
public:
    explicit WizardSummaryOnExit(App& app) : app_(app), from_wizard_(app.ui.screen == Screen::Wizard) {}
    ~WizardSummaryOnExit() {
        if (from_wizard_) show_wizard_inspection_summary(app_);
    }
    WizardSummaryOnExit(const WizardSummaryOnExit&) = delete;
    WizardSummaryOnExit& operator=(const WizardSummaryOnExit&) = delete;

private:
    App& app_;
    bool from_wizard_;
};

}  // namespace

void show_selected_conference_record(App& app) {
    const int index = app.view.selection(ControlId::ConferenceListBox);
    if (index < 0 || index >= static_cast<int>(app.baseline.conferences.size())) return;
    format_conference_record(app.baseline.conferences[static_cast<size_t>(index)], *app.scratch);
    app.view.set_text(ControlId::RecordView, app.scratch->str());
}

void run_inspection(App& app) {
    WizardSummaryOnExit summary(app);
    StageFlags& flags = app.flags;
    flags.inspection_passed = false;
    flags.na_loaded = false;
    invalidate_plan(app, "Inspection changed the baseline. Load an .NA file and generate a new dry-run plan.");

    if (!validate_setup(app, true)) {
        app.shell->refresh_wizard();
        return;
    }
    save_configuration(app);
    app.view.repaint();

    TextBuffer& report = *app.report;
    report.reset();
    // The recorded length pointed into the report just replaced.
    app.baseline.report_length = 0;
    report.append_line(MARLINTH_NAMED_VERSION " INSPECTION REPORT");
    report.append_line(std::string(48, '='));
    report.append_line("Run: " + run_stamp(app.platform.local_time()));
    report.append_line("Mode: INSPECTION - no Spitfire data is changed by this operation.");
    report.append_line();
    if (is_process_running(app.platform, "NTVDM.EXE"))
        report.append_line("NOTICE: NTVDM.EXE is running. Read-only inspection is allowed; writer preflight uses "
                           "SFWHOSON.DAT to determine actual Spitfire node occupancy.");
    if (is_process_running(app.platform, "QUARRO32.EXE"))
        report.append_line("WARNING: QUARRO32.EXE is currently running. Read-only inspection is allowed; future writes "
                           "will be blocked.");
    report.append_line("Configured nodes: " + sdec(app.setup.nodes.count));
    report.append_line("Shared MESSAGE directory: " + app.setup.message_dir);

    section(report, "NODE VALIDATION");
    if (!validate_paths(app.platform, app.setup, report)) {
        stop_after_path_failure(app);
        return;
    }

    // Only one SFMCONF.DAT is held at a time: the old baseline goes before the new one is read.
    release_baseline(app);
    app.scratch->reset();
    ByteBuffer primary;
    std::vector<ConferenceView> views;
    if (!read_node_file(app.platform, app.setup.nodes.dir[1], primary, app.scratch.get()) ||
        !decode_conference_file(primary.data(), primary.size(), views, app.scratch.get())) {
        stop_after_baseline_failure(app);
        return;
    }
    ConferenceBaseline& base = app.baseline;
    base.bytes = std::move(primary);
    base.conferences = std::move(views);
    const std::string digest = sha256_hex(base.bytes.data(), base.bytes.size());

    section(report, "PRIMARY SFMCONF.DAT");
    report.append_line("Size: " + dec(base.size()) + " bytes (128 x " + dec(base.count()) + " records)");
    report.append_line("  SHA-256: " + digest);

    section(report, "NODE SFMCONF COMPARISON");
    const bool nodes_match = compare_nodes(app.platform, app.setup, app.baseline.bytes, digest, report);

    section(report, "CONFERENCE RECORDS");
    append_conference_records(report, base.conferences);

    section(report, "MESSAGE-BASE VALIDATION");
    bool missing = false;
    validate_message_base(app.platform, app.setup.message_dir, base.conferences, base.message_bases, &report, missing);
    base.report_length = report.length();

    fill_conference_views(app);
    choose_template_candidates(base.conferences, base.template_candidates, base.preselected_candidate);
    refresh_template_candidates(app);

    show_report(app);
    if (missing && !ask_yes_no(app, BoxIcon::Warning,
                               "One or more conferences are missing required SFMSGxx files. Continue viewing the "
                               "completed inspection results?")) {
        status_and_log(app, "Inspection stopped by user after missing-file errors.");
        show_tab_if_advanced(app, Tab::Report);
        app.shell->refresh_wizard();
        return;
    }

    flags.inspection_passed = nodes_match && !missing;
    status_and_log(app, flags.inspection_passed ? "Read-only inspection completed."
                                                : "Inspection completed with blockers; Wizard Mode remains blocked.");
    show_tab_if_advanced(app, Tab::Conferences);
    app.shell->refresh_wizard();
}

void run_final_inspection(App& app) {
    run_inspection(app);
    app.view.set_text(ControlId::WizardCompletionText,
                      app.flags.inspection_passed
                          ? "FINAL INSPECTION PASSED.\r\n\r\nThe configured node conference files match and all "
                            "required message-base files were found. Normal service may resume."
                          : "Final inspection did not pass cleanly. Review Advanced Tools > Report before resuming "
                            "normal service.");
    app.shell->refresh_wizard();
}

std::string wizard_inspection_summary(App& app) {
    if (!app.flags.inspection_passed)
        return "Inspection has not passed cleanly. Review Advanced Tools > Report for the exact blocker.";
    return "INSPECTION PASSED\r\nNodes checked: " + sdec(app.setup.nodes.count) +
           "\r\nExisting conferences: " + dec(app.baseline.count()) +
           "\r\nShared MESSAGE directory: " + app.setup.message_dir +
           "\r\nAll configured SFMCONF.DAT files match and every current conference passed validation.";
}

void show_wizard_inspection_summary(App& app) {
    app.view.set_text(ControlId::WizardInspectionSummary, wizard_inspection_summary(app));
}

}  // namespace marlinth
