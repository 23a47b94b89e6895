#include "app/settings_commands.h"

#include "app/prompts.h"
#include "core/strings.h"
#include "core/version.h"

namespace marlinth {

namespace {

const char* yes_no(bool on) { return on ? "Yes" : "No"; }
const char* access_text(bool exact) { return exact ? "Exactly Equal" : "Equal or Greater"; }

uint8_t read_choice(App& app, ControlId id) { return app.view.selection(id) == 1 ? 1 : 0; }
void write_choice(App& app, ControlId id, bool on) { app.view.set_selection(id, on ? 1 : 0); }

const ConferenceView* template_view(App& app) {
    const int index = app.settings.template_index;
    if (!app.settings.valid || index < 0 || index >= static_cast<int>(app.baseline.conferences.size())) return nullptr;
    return &app.baseline.conferences[static_cast<size_t>(index)];
}

void write_form(App& app, const ProposedSettings& s) {
    View& v = app.view;
    v.set_text(ControlId::ConferenceSecurity, sdec(s.conference_security));
    v.set_text(ControlId::MessageEntrySecurity, sdec(s.message_entry_security));
    write_choice(app, ControlId::ConferenceAccess, s.access_exact != 0);
    write_choice(app, ControlId::PublicOnly, s.public_only != 0);
    write_choice(app, ControlId::NetMail, s.netmail != 0);
    write_choice(app, ControlId::AllowRouting, s.routing != 0);
    v.set_text(ControlId::MaxMsgLength, dec(s.max_msg_length));
    v.set_text(ControlId::PurgeDays, dec(s.purge_days));
    write_choice(app, ControlId::CallerDelete, s.caller_delete != 0);
    write_choice(app, ControlId::PurgeUnreceived, s.purge_unreceived != 0);
    write_choice(app, ControlId::PurgeOldThread, s.purge_old_thread != 0);
    v.set_text(ControlId::PrivilegedSecurities, format_privileged(s.privileged));
}

void row(std::string& out, const char* label, const std::string& template_value, const std::string& proposed) {
    out += label;
    out += ":\r\n    Template: " + template_value + "\r\n    Proposed: " + proposed + "\r\n";
}

}  // namespace

int selected_template_index(App& app) {
    const int pos = app.view.selection(ControlId::TemplateChoice);
    const auto& candidates = app.baseline.template_candidates;
    if (pos < 0 || pos >= static_cast<int>(candidates.size())) return -1;
    const int index = candidates[static_cast<size_t>(pos)].index;
    return (index >= 0 && index < static_cast<int>(app.baseline.conferences.size())) ? index : -1;
}

void load_template(App& app, int index) {
    if (index < 0 || index >= static_cast<int>(app.baseline.conferences.size())) return;
    const ConferenceView& t = app.baseline.conferences[static_cast<size_t>(index)];
    ProposedSettings s;
    s.valid = true;
    s.template_index = index;
    s.conference_security = t.conference_security;
    s.message_entry_security = t.message_entry_security;
    s.max_msg_length = t.max_msg_length;
    s.purge_days = t.purge_days;
    s.caller_delete = t.caller_delete != 0;
    s.purge_unreceived = t.purge_unreceived != 0;
    s.privileged = t.privileged;
    s.access_exact = 0;
    s.public_only = 1;
    s.netmail = 0;
    s.routing = 1;
    s.purge_old_thread = 0;
    app.settings = s;
    write_form(app, s);
    build_settings_plan_view(app);
    invalidate_plan(app, "Template or proposed settings changed. Generate a new dry-run plan.");
}

namespace {

// The message, then the keyboard on the field to correct.
void refuse_field(App& app, ControlId field, const std::string& message) {
    error_box(app, message);
    app.view.focus(field);
}

}  // namespace

bool read_number_field(App& app, ControlId field, uint32_t maximum, uint32_t& value, const std::string& label,
                       bool interactive) {
    const std::string text = trimmed(bounded(app.view.text(field), 31));
    if (text.empty()) {
        if (interactive) refuse_field(app, field, label + " is required.");
        return false;
    }
    const std::string_view digits_text = skip_blanks(text);
    size_t digits = 0;
    const uint64_t n = read_decimal(digits_text, &digits);
    if (digits == 0) {
        value = 0;
        return true;
    }
    if (n > maximum) {
        if (interactive) refuse_field(app, field, label + " must be from 0 through " + dec(maximum) + ".");
        return false;
    }
    value = static_cast<uint32_t>(n);
    return true;
}

bool read_proposed_settings(App& app, bool interactive) {
    const int index = selected_template_index(app);
    if (index < 0) {
        if (interactive) refuse_field(app, ControlId::TemplateChoice, "Select a template conference first.");
        return false;
    }
    ProposedSettings& s = app.settings;
    uint32_t value = 0;
    if (!read_number_field(app, ControlId::ConferenceSecurity, 32767, value, "Conference Security", interactive)) return false;
    s.conference_security = static_cast<int16_t>(value);
    if (!read_number_field(app, ControlId::MessageEntrySecurity, 32767, value, "Message Entry Security", interactive))
        return false;
    s.message_entry_security = static_cast<int16_t>(value);
    s.access_exact = read_choice(app, ControlId::ConferenceAccess);
    s.public_only = read_choice(app, ControlId::PublicOnly);
    s.netmail = read_choice(app, ControlId::NetMail);
    s.routing = read_choice(app, ControlId::AllowRouting);
    if (!read_number_field(app, ControlId::MaxMsgLength, 65535, value, "Maximum Msg Length", interactive)) return false;
    s.max_msg_length = static_cast<uint16_t>(value);
    if (!read_number_field(app, ControlId::PurgeDays, 65535, value, "Purge age", interactive)) return false;
    s.purge_days = static_cast<uint16_t>(value);
    s.caller_delete = read_choice(app, ControlId::CallerDelete);
    s.purge_unreceived = read_choice(app, ControlId::PurgeUnreceived);
    s.purge_old_thread = read_choice(app, ControlId::PurgeOldThread);
    std::array<int16_t, 5> privileged{};
    if (!parse_privileged(trimmed(bounded(app.view.text(ControlId::PrivilegedSecurities), 127)), privileged)) {
        if (interactive)
            refuse_field(app, ControlId::PrivilegedSecurities,
                         "Privileged Securities must contain five values separated by semicolons, for example 0;0;0;0;0.");
        return false;
    }
    s.privileged = privileged;
    s.template_index = index;
    s.valid = true;
    return true;
}

void apply_proposed_settings(App& app) {
    if (!read_proposed_settings(app, true)) return;
    invalidate_plan(app, "Proposed settings changed. Generate a new dry-run plan.");
    build_settings_plan_view(app);
    app.view.set_status(StatusLine::Settings, "Proposed settings updated in memory only.");
    status_and_log(app, "Template/proposed settings updated in memory only.");
    if (app.ui.wizard_active) show_template_summary(app);
}

void select_template_from_list(App& app) {
    const int index = selected_template_index(app);
    if (index >= 0) load_template(app, index);
    if (app.ui.screen == Screen::Wizard) show_template_summary(app);
}

void load_recommended_defaults(App& app) {
    if (app.view.selection(ControlId::TemplateChoice) < 0 && app.view.item_count(ControlId::TemplateChoice) > 0)
        app.view.set_selection(ControlId::TemplateChoice, 0);
    const int index = selected_template_index(app);
    if (index < 0) {
        warning_box(app, "Run a clean inspection before choosing conference defaults.");
        return;
    }
    load_template(app, index);
    ProposedSettings defaults = app.settings;
    defaults.conference_security = 10;
    defaults.message_entry_security = 10;
    defaults.access_exact = 0;
    defaults.public_only = 1;
    defaults.netmail = 0;
    defaults.routing = 1;
    defaults.max_msg_length = 99;
    defaults.purge_days = 120;
    defaults.caller_delete = 0;
    defaults.purge_unreceived = 0;
    defaults.purge_old_thread = 0;
    defaults.privileged = {0, 0, 0, 0, 0};
    write_form(app, defaults);
    read_proposed_settings(app, false);
    app.flags.wizard_defaults_loaded = true;
    invalidate_plan(app, "Recommended Wizard defaults loaded. Generate a new dry-run plan after review.");
    app.view.set_status(StatusLine::Settings, "Recommended echo defaults loaded in memory only.");
}

void show_template_summary(App& app) {
    read_proposed_settings(app, false);
    const int index = selected_template_index(app);
    std::string text;
    if (index < 0) {
        text = "No template conference is available.";
    } else {
        const ConferenceView& t = app.baseline.conferences[static_cast<size_t>(index)];
        const ProposedSettings& s = app.settings;
        text = "Template #" + dec(t.number) + " - " + t.name + "\r\n";
        text += "Access security: " + sdec(s.conference_security) + "    Message entry: " + sdec(s.message_entry_security) +
                "    Public only: " + yes_no(s.public_only) + "\r\n";
        text += std::string("Routing: ") + yes_no(s.routing) + "    Caller delete: " + yes_no(s.caller_delete) +
                "    Purge age: " + dec(s.purge_days) + " days\r\n";
        text += "Privileged securities: " + format_privileged(s.privileged) + "\r\n";
    }
    app.view.set_text(ControlId::WizardTemplateSummary, text);
}

void build_settings_plan_view(App& app) {
    const ConferenceView* t = template_view(app);
    if (!t) {
        app.view.set_text(ControlId::PlanText, "Run an inspection to load a template conference.");
        return;
    }
    const ProposedSettings& s = app.settings;
    std::string out = MARLINTH_NAMED_VERSION " - TEMPLATE -> PROPOSED SETTINGS\r\n" + std::string(60, '=') + "\r\n";
    out += "Template Conference #" + dec(t->number) + " - " + t->name + "\r\n";
    out += "Template Net ID: " + t->net_id + "\r\n";
    out += "Writer remains disabled until a reviewed dry run and full offline preflight pass.\r\n\r\n";
    row(out, "Conference Description", "Template description", "<Network>: <Imported description> (per area, max 40)");
    row(out, "Net ID Name", t->net_id, "Exact imported echo tag (per area, max 15)");
    row(out, "Conference Security", sdec(t->conference_security), sdec(s.conference_security));
    row(out, "Conference Access", access_text(t->access_exact), access_text(s.access_exact));
    row(out, "Public Messages Only", yes_no(t->public_only), yes_no(s.public_only));
    row(out, "Message Entry Security", sdec(t->message_entry_security), sdec(s.message_entry_security));
    row(out, "Net-Mail Conference", yes_no(t->netmail), yes_no(s.netmail));
    row(out, "Maximum Msg Length", dec(t->max_msg_length), dec(s.max_msg_length));
    row(out, "Purge Msgs Older Than", dec(t->purge_days), dec(s.purge_days));
    row(out, "Caller Message Deletion", yes_no(t->caller_delete), yes_no(s.caller_delete));
    row(out, "Purge Unreceived Msg", yes_no(t->purge_unreceived), yes_no(s.purge_unreceived));
    row(out, "Purge Old Thread Msg", yes_no(t->purge_old_thread), yes_no(s.purge_old_thread));
    row(out, "Allow Message Routing", yes_no(t->allow_routing), yes_no(s.routing));
    row(out, "Privileged Securities", format_privileged(t->privileged), format_privileged(s.privileged));
    out += "Preserved exactly from template: ReadOnly, MarkAsSent, Extra[46], and all other reserved bytes.\r\n";
    const int selected = app.import.selected_area;
    if (selected >= 0 && selected < app.preview.area_count()) {
        const ImportedArea& a = app.preview.areas[static_cast<size_t>(selected)];
        out += "\r\nCURRENT .NA SELECTION\r\n" + std::string(21, '-') + "\r\n";
        out += "Echo tag: " + a.echo_tag + "\r\n";
        out += "Caller-facing name: " + a.proposed_name + "\r\n";
        out += "Status: " + a.status_text + "\r\n";
    } else {
        out += "\r\nLoad an .NA file and select an area to see its proposed identity fields here.\r\n";
    }
    app.view.set_text(ControlId::PlanText, out);
}

void refresh_template_candidates(App& app) {
    std::vector<std::string> items;
    for (const TemplateCandidate& c : app.baseline.template_candidates) items.push_back(c.text);
    app.view.set_items(ControlId::TemplateChoice, items);
    if (app.baseline.conferences.empty() || items.empty()) {
        app.settings = ProposedSettings();
        app.view.set_text(ControlId::PlanText, "Run an inspection to load possible template conferences.");
        return;
    }
    const int pre = app.baseline.preselected_candidate;
    app.view.set_selection(ControlId::TemplateChoice, pre >= 0 && pre < static_cast<int>(items.size()) ? pre : 0);
    load_template(app, selected_template_index(app));
}

}  // namespace marlinth
