#include "app/plan_commands.h"

#include "app/prompts.h"
#include "app/settings_commands.h"
#include "app/setup_commands.h"
#include "core/strings.h"
#include "writer/plan.h"

namespace marlinth {

bool compute_plan_signature(App& app, Sha256Digest& digest, bool interactive) {
    if (!validate_setup(app, interactive) || !read_proposed_settings(app, interactive)) return false;
    if (!app.baseline.has_bytes() || !app.flags.na_loaded || app.preview.areas.empty()) {
        if (interactive) error_box(app, "Run inspection and load an .NA file before creating a writer plan.");
        return false;
    }
    collect_plan_entries(app.preview, app.plan);
    if (app.plan.planned_count == 0) {
        if (interactive) error_box(app, "There are no READY or sysop-approved areas to append.");
        return false;
    }
    app.scratch->reset();
    app.scratch->append(plan_signature_text(app.baseline, app.import.fingerprint, app.import.na_path, app.setup,
                                          app.settings, app.plan.entries));
    digest = sha256(app.scratch->view());
    return true;
}

void generate_dry_run_plan(App& app) {
    if (!validate_setup(app, true) || !read_proposed_settings(app, true)) return;
    if (app.preview.areas.empty()) {
        warning_box(app, "Load and review an .NA file before generating a dry-run plan.");
        return;
    }
    const std::string report_text = plan_report(app.baseline, app.preview, app.settings, app.import.na_path);
    Sha256Digest digest{};
    if (!compute_plan_signature(app, digest, true)) return;
    app.plan.signature = digest;
    app.plan_text->reset();
    app.plan_text->append(report_text);
    app.flags.plan_current = true;
    app.flags.preflight_passed = false;
    app.flags.commit_in_progress = false;
    reset_typed_confirmation(app);

    writer_advice(app, "Dry run is current. Shut down all Spitfire nodes and every external mailer/tosser, then run "
                       "Writer Preflight.");
    app.view.set_text(ControlId::PlanText, app.plan_text->str());
    app.view.set_status(StatusLine::Plan, "Dry-run plan generated and copied to the Report tab.");

    TextBuffer& report = *app.report;
    if (app.plan_report_offset != 0 && app.plan_report_offset <= report.length()) report.truncate(app.plan_report_offset);
    app.plan_report_offset = report.length();
    report.append("\r\n");
    report.append(app.plan_text->view());
    app.view.set_text(ControlId::ReportText, report.str());
    status_and_log(app, "Dry-run conference plan generated; writer still requires offline preflight and typed YES.");
}

void update_plan_summary(App& app) {
    std::string t;
    if (!app.flags.plan_current) {
        t = "No current dry-run plan. Click Generate Dry Run.\r\n";
    } else {
        uint32_t included = 0;
        for (const ImportedArea& a : app.preview.areas)
            if (a.ready()) ++included;
        const uint32_t existing = app.baseline.count();
        t += "READY TO REVIEW\r\n\r\n";
        t += "Conferences to append: " + dec(included) + "\r\n";
        t += "Proposed conference range: #" + dec(existing + 1) + " through #" + dec(existing + included) + "\r\n";
        t += "Existing conferences changed: 0\r\n";
        t += "Existing message files overwritten: 0\r\n";
        t += "Node SFMCONF.DAT files to update: " + sdec(app.setup.nodes.count) + "\r\n";
        t += "Mandatory SFMCONF.DAT backups: will be created automatically for all configured nodes at commit time.\r\n";
        t += "Transaction backup root: " + app.setup.backup_root + "\r\n";
        if (app.flags.full_backup_verified)
            t += "Full MESSAGE backup: completed at " + app.full_backup_location + "\r\n";
        else
            t += "Full MESSAGE backup: sysop confirmed a current backup already exists.\r\n";
        t += "\r\nThe proven v0.3f append, staging, verification, and rollback engine is unchanged.\r\n";
    }
    app.scratch->reset();
    app.scratch->append(t);
    app.view.set_text(ControlId::WizardPlanSummary, app.scratch->str());
}

void wizard_generate_plan(App& app) {
    const std::string root = bounded(trimmed(app.view.text(ControlId::WizardBackupRoot)), kMaxPath);
    app.view.set_text(ControlId::BackupRoot, root);
    app.setup.backup_root = root;
    generate_dry_run_plan(app);
    update_plan_summary(app);
    app.shell->refresh_wizard();
}

}  // namespace marlinth
