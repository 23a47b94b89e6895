#include "app/plan_commands.h"

#include "app/prompts.h"
#include "app/settings_commands.h"
#include "app/setup_commands.h"
#include "core/strings.h"

namespace marlinth {

namespace {

const char* yes_no(uint8_t on) { return on ? "Yes" : "No"; }

// Plain text lines ending CR LF, built apart from the Plan buffer so that a refused plan leaves
// the previous one in place.
class Lines {
public:
    void append_line(const std::string& text = std::string()) { text_ += text + "\r\n"; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

std::string plan_report(App& app) {
    Lines p;
    const ProposedSettings& s = app.settings;
    const ConferenceView& t = app.baseline.conferences[static_cast<size_t>(s.template_index)];
    p.append_line("Marlinth v0.4b DRY-RUN CONFERENCE PLAN");
    p.append_line(std::string(39, '='));
    p.append_line("MODE: DRY RUN - this plan does not modify Spitfire data.");
    p.append_line("Source .NA: " + app.import.na_path);
    p.append_line("Network: " + app.preview.network_name);
    p.append_line("Template: Conference #" + dec(static_cast<uint64_t>(s.template_index) + 1) + " - " + t.name);
    p.append_line("Template Net ID: " + t.net_id);
    p.append_line();
    p.append_line("PROPOSED COMMON SETTINGS");
    p.append_line(std::string(24, '-'));
    p.append_line("Conference Security: " + sdec(s.conference_security));
    p.append_line("Message Entry Security: " + sdec(s.message_entry_security));
    p.append_line(std::string("Conference Access: ") + (s.access_exact ? "Exactly Equal" : "Equal or Greater"));
    p.append_line(std::string("Public Messages Only: ") + yes_no(s.public_only));
    p.append_line(std::string("Net-Mail Conference: ") + yes_no(s.netmail));
    p.append_line(std::string("Allow Message Routing: ") + yes_no(s.routing));
    p.append_line("Maximum Msg Length: " + dec(s.max_msg_length));
    p.append_line("Purge Msgs Older Than: " + dec(s.purge_days) + " days");
    p.append_line(std::string("Caller Message Deletion: ") + yes_no(s.caller_delete));
    p.append_line(std::string("Purge Unreceived Msg: ") + yes_no(s.purge_unreceived));
    p.append_line(std::string("Purge Old Thread Msg: ") + yes_no(s.purge_old_thread));
    p.append_line("Privileged Securities: " + format_privileged(s.privileged));
    p.append_line("Preserve from template: ReadOnly, MarkAsSent, Extra[46], and all reserved bytes.");
    p.append_line();
    p.append_line("AREAS INCLUDED IN APPEND PLAN");
    p.append_line(std::string(29, '-'));
    uint32_t number = app.baseline.count();
    uint32_t included = 0, awaiting = 0, blocked = 0;
    for (const ImportedArea& a : app.preview.areas) {
        if (a.blocked) {
            ++blocked;
        } else if (a.needs_review) {
            ++awaiting;
        } else {
            ++included;
            p.append_line("Conference #" + dec(++number) + "  Tag=" + a.echo_tag + "  Name=\"" + a.proposed_name + "\"");
        }
    }
    p.append_line();
    p.append_line("EXCLUSIONS");
    p.append_line(std::string(10, '-'));
    p.append_line("Included: " + dec(included));
    p.append_line("Needs sysop name approval (excluded; numbering is provisional): " + dec(awaiting));
    p.append_line("Blocked compatibility errors: " + dec(blocked));
    p.append_line("No files were changed. v0.4b requires a separate offline preflight, mandatory backups, staged "
                  "verification, typed YES, and rollback before committing.");
    return p.text();
}

}  // namespace

std::string plan_signature_text(App& app) {
    const ProposedSettings& s = app.settings;
    std::string t;
    auto line = [&t](const std::string& text) { t += text + "\r\n"; };
    line("MCONF=" + sha256_hex(app.baseline.bytes.data(), app.baseline.size()));
    line("NAHASH=" + sha256_hex(app.import.fingerprint.digest));
    line("NASIZE=" + dec(app.import.fingerprint.size));
    line("NODES=" + sdec(app.setup.nodes.count));
    for (int i = 1; i <= app.setup.nodes.count && i <= kMaxNodes; ++i)
        line("NODE" + dec(static_cast<uint64_t>(i)) + "=" + app.setup.nodes.dir[i]);
    line("MSGDIR=" + app.setup.message_dir);
    line("NAFILE=" + app.import.na_path);
    line("TEMPLATE=" + sdec(s.template_index));
    line("SET=" + sdec(s.conference_security) + "," + sdec(s.message_entry_security) + "," + dec(s.access_exact) + "," +
         dec(s.public_only) + "," + dec(s.netmail) + "," + dec(s.routing) + "," + dec(s.max_msg_length) + "," +
         dec(s.purge_days) + "," + dec(s.caller_delete) + "," + dec(s.purge_unreceived) + "," + dec(s.purge_old_thread) +
         "," + sdec(s.privileged[0]) + "," + sdec(s.privileged[1]) + "," + sdec(s.privileged[2]) + "," +
         sdec(s.privileged[3]) + "," + sdec(s.privileged[4]));
    for (const PlanEntry& e : app.plan.entries) line("AREA=" + e.tag + "|" + e.name);
    return t;
}

bool compute_plan_signature(App& app, Sha256Digest& digest, bool interactive) {
    if (!validate_setup(app, interactive) || !read_proposed_settings(app, interactive)) return false;
    if (!app.baseline.has_bytes() || !app.flags.na_loaded || app.preview.areas.empty()) {
        if (interactive) error_box(app, "Run inspection and load an .NA file before creating a writer plan.");
        return false;
    }
    app.plan.entries.clear();
    for (const ImportedArea& a : app.preview.areas) {
        if (app.plan.entries.size() >= kMaxPlanEntries) break;
        if (a.ready()) app.plan.entries.push_back({bounded(a.echo_tag, 15), bounded(a.proposed_name, 40)});
    }
    app.plan.planned_count = static_cast<int32_t>(app.plan.entries.size());
    if (app.plan.planned_count == 0) {
        if (interactive) error_box(app, "There are no READY or sysop-approved areas to append.");
        return false;
    }
    app.scratch->reset();
    app.scratch->append(plan_signature_text(app));
    digest = sha256(app.scratch->view());
    return true;
}

void generate_dry_run_plan(App& app) {
    if (!validate_setup(app, true) || !read_proposed_settings(app, true)) return;
    if (app.preview.areas.empty()) {
        warning_box(app, "Load and review an .NA file before generating a dry-run plan.");
        return;
    }
    const std::string report_text = plan_report(app);
    Sha256Digest digest{};
    if (!compute_plan_signature(app, digest, true)) return;
    app.plan.signature = digest;
    app.plan_text->reset();
    app.plan_text->append(report_text);
    app.flags.plan_current = true;
    app.flags.preflight_passed = false;
    app.flags.commit_in_progress = false;
    reset_typed_confirmation(app);

    app.view.set_status(StatusLine::Writer, "Dry run is current. Shut down all Spitfire nodes and every external "
                                            "mailer/tosser, then run Writer Preflight.");
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
