#include "app/import_commands.h"

#include "app/list_rows.h"

#include "app/prompts.h"
#include "app/settings_commands.h"
#include "core/files.h"
#include "core/sha256.h"
#include "core/strings.h"
#include "import/area_list.h"
#include "import/area_list_doubts.h"
#include "import/review.h"
#include "spitfire/conference.h"

namespace marlinth {

namespace {

constexpr const char* kNoSelectionHint =
    "Select an echo record to view its complete source line, full echo tag, and exact compatibility result.";

// The record index of a list row, or -1 when the row shows no record.
int record_of_row(const App& app, int row) {
    const std::vector<int>& rows = app.import.shown_rows;
    if (row < 0 || static_cast<size_t>(row) >= rows.size()) return -1;
    const int record = rows[static_cast<size_t>(row)];
    return record >= 0 && record < app.preview.area_count() ? record : -1;
}

int first_selected_record(App& app) {
    const std::vector<int> selected = app.view.selected_rows(ControlId::AreaList);
    return selected.empty() ? -1 : record_of_row(app, selected.front());
}

// Programmatic changes of the network name are not the sysop's edits.
void set_network_name_field(App& app, const std::string& text) {
    ++app.notifications_held;
    app.view.set_text(ControlId::NetworkName, text);
    --app.notifications_held;
}

void set_filter(App& app, int filter) {
    app.import.filter = filter;
    app.view.set_selection(ControlId::ShowFilter, filter);
}

std::string detail_text(const App& app, const ImportedArea& a) {
    std::string t;
    auto line = [&t](const std::string& text) { t += text + "\r\n"; };
    line("Source line " + dec(a.line_number) + "  |  Parse: " + a.parse_mode);
    line("Full echo tag: " + a.echo_tag + "  (length " + dec(a.echo_tag.size()) + ")");
    line("Raw source: " + a.raw_line);
    line("Imported description: " + a.imported_description);
    if (!equals_nocase(a.cleaned_description, a.imported_description))
        line("Profile-cleaned description: " + a.cleaned_description);
    line("Proposed Spitfire value (max 40): " + a.proposed_name);
    line("Status: " + a.status_text);
    line("Compatibility result:");
    if (a.unparsed) line("BLOCKED: The source line does not match the selected network profile.");
    if (a.tag_exists) {
        std::string text = "BLOCKED: Echo tag already exists in Spitfire";
        for (const ConferenceView& c : app.baseline.conferences) {
            if (!c.net_id.empty() && equals_nocase(c.net_id, a.echo_tag)) {
                text += " Conference #" + dec(c.number) + " (\"" + c.name + "\")";
                break;
            }
        }
        line(text + ".");
    }
    if (a.duplicate_tag) line("BLOCKED: The same echo tag appears more than once in this source file.");
    if (a.tag_too_long)
        line("BLOCKED: Echo tag is " + dec(a.echo_tag.size()) +
             " characters; Spitfire's Net ID field allows 15. The tag was not changed.");
    if (!a.blocked) {
        if (a.no_description)
            line("REVIEW: The source record has no description; review the proposed caller-facing name.");
        if (a.name_shortened && !a.sysop_edited)
            line("REVIEW: The caller-facing name was shortened to Spitfire's 40-character limit.");
        if (a.sysop_edited) line("READY: The caller-facing name was edited and approved in this preview.");
        if (!a.needs_review && !a.sysop_edited) line("READY: This area is compatible with the current preview settings.");
    }
    return t;
}

// The list view keeps no records the preview no longer holds.
void clear_area_view(App& app) {
    app.import.shown_rows.clear();
    app.view.set_rows(ControlId::AreaList, {});
    app.view.set_text(ControlId::NaSummary, "");
    show_area_details(app);
}

void append_default_template_line(App& app) {
    const int index = most_common_echo_like(app.baseline.conferences);
    if (index < 0) return;
    const ConferenceView& t = app.baseline.conferences[static_cast<size_t>(index)];
    TextBuffer& r = *app.report;
    r.append("  Proposed default Spitfire record template: clone Conference #");
    r.append_uint(t.number);
    r.append(" (Access=");
    r.append_int(t.conference_security);
    r.append(", Entry/Post=");
    r.append_int(t.message_entry_security);
    r.append(", PublicOnly=");
    r.append_uint(t.public_only);
    r.append(", AllowDelete=");
    r.append_uint(t.caller_delete);
    r.append(", DaysOld=");
    r.append_uint(t.purge_days);
    r.append(", Route=");
    r.append_uint(t.allow_routing);
    r.append_line("). Security values are defaults only and must be reviewed by the sysop.");
}

}  // namespace

void choose_area_list_file(App& app) {
    if (app.baseline.conferences.empty()) {
        warning_box(app, "Run an inspection before loading an .NA file.");
        return;
    }
    FileDialogSpec dialog;
    dialog.title = "Select an echo-area .NA file";
    dialog.filters = {{"Network area lists (*.NA)", "*.NA"}, {"Text files (*.txt)", "*.txt"}, {"All files (*.*)", "*.*"}};
    dialog.initial_directory = parent_of(app.import.na_path);
    std::string path;
    if (!app.view.pick_open_file(dialog, path)) return;
    // The platform's dialog cannot hand back a longer name; one that would not fit is no choice.
    if (path.empty() || path.size() > kMaxPath) return;

    app.import.na_path = path;
    app.view.set_text(ControlId::NaPathLabel, path);
    app.view.set_selection(ControlId::ProfileChoice, 0);
    set_network_name_field(app, "");
    set_filter(app, 0);
    if (!load_area_list(app, true)) return;
    app.shell->show_tab(Tab::NaPreview);
    app.shell->refresh_wizard();
}

void profile_selection_changed(App& app) {
    const int slot = app.view.selection(ControlId::ProfileChoice) - 1;
    const bool known = slot >= 0 && static_cast<size_t>(slot) < app.profiles.count();
    set_network_name_field(app, known ? app.profiles.profiles[static_cast<size_t>(slot)].display_name : std::string());
    if (!app.import.na_path.empty()) load_area_list(app, false);
}

void fill_area_list(App& app, int selection) {
    ImportState& im = app.import;
    im.shown_rows.clear();

    std::string template_number = "--", template_access = "--", template_post = "--";
    const int t = most_common_echo_like(app.baseline.conferences);
    if (t >= 0) {
        const ConferenceView& c = app.baseline.conferences[static_cast<size_t>(t)];
        template_number = dec(c.number);
        template_access = sdec(c.conference_security);
        template_post = sdec(c.message_entry_security);
    }

    const AreaPreview& p = app.preview;
    std::vector<AreaRow> rows;
    for (size_t i = 0; i < p.areas.size(); ++i) {
        const ImportedArea& a = p.areas[i];
        if (!area_passes_filter(a, im.filter)) continue;
        rows.push_back({dec(a.line_number), a.echo_tag, a.imported_description, a.proposed_name,
                        a.conference_number == 0 ? std::string("--") : dec(a.conference_number), a.status_text,
                        p.profile_display_name, template_number, template_access, template_post});
        im.shown_rows.push_back(static_cast<int>(i));
    }
    app.view.set_rows(ControlId::AreaList, cells_of(rows, kAreaColumns));

    app.view.set_text(ControlId::NaSummary,
                      "Profile: " + p.profile_display_name + " / " + p.parser_name + "    Network: " + p.network_name +
                          "    Entries: " + sdec(p.area_count()) + "  Ready: " + dec(p.ready_count) +
                          "  Review: " + dec(p.review_count) + "  Errors: " + dec(p.blocked_count) + "    Showing " +
                          dec(im.shown_rows.size()) + " (" + area_filter_name(im.filter) + ")    " + p.detection);

    im.selected_area = -1;
    int row = -1;
    for (size_t r = 0; r < im.shown_rows.size(); ++r) {
        if (im.shown_rows[r] == selection) {
            row = static_cast<int>(r);
            break;
        }
    }
    if (row < 0 && !im.shown_rows.empty()) row = 0;
    if (row >= 0) app.view.select_row(ControlId::AreaList, row);
    show_area_details(app);
}

void show_area_details(App& app) {
    const int record = first_selected_record(app);
    if (record < 0) {
        app.import.selected_area = -1;
        app.view.set_text(ControlId::AreaName, "");
        app.view.set_text(ControlId::AreaDetails, kNoSelectionHint);
        build_settings_plan_view(app);
        return;
    }
    app.import.selected_area = record;
    const ImportedArea& a = app.preview.areas[static_cast<size_t>(record)];
    app.view.set_text(ControlId::AreaName, a.proposed_name);
    app.view.set_text(ControlId::AreaDetails, detail_text(app, a));
    build_settings_plan_view(app);
}

void apply_name_edit(App& app) {
    const int target = first_selected_record(app);
    app.plan_report_offset = 0;
    invalidate_plan(app, "Area name changed. Generate a new dry-run plan.");
    const std::string typed = bounded(app.view.text(ControlId::AreaName), 63);
    app.scratch->reset();
    if (!set_area_name(app.preview, target, typed, app.scratch.get())) {
        error_box(app, message_text(*app.scratch));
        return;
    }
    fill_area_list(app, target);
    const ImportedArea& a = app.preview.areas[static_cast<size_t>(target)];
    TextBuffer& r = *app.report;
    r.append("\r\nSYSOP PREVIEW EDIT: Line ");
    r.append_uint(a.line_number);
    r.append(" / ");
    r.append(a.echo_tag);
    r.append(" -> \"");
    r.append(a.proposed_name);
    r.append("\"\r\n");
    show_preview_report(app);
    status_and_log(app, "Selected proposed conference name updated in memory only.");
    build_settings_plan_view(app);
}

void approve_names(App& app, bool all_displayed) {
    const int remembered = app.import.selected_area;
    app.scratch->reset();
    app.plan_report_offset = 0;
    invalidate_plan(app, "Area-name approvals changed. Generate a new dry-run plan.");

    std::vector<int> candidates;
    if (all_displayed) {
        candidates = app.import.shown_rows;
    } else {
        for (int row : app.view.selected_rows(ControlId::AreaList)) {
            const int record = record_of_row(app, row);
            if (record >= 0) candidates.push_back(record);
        }
    }
    uint32_t approved = 0;
    for (int record : candidates) {
        if (record < 0 || record >= app.preview.area_count()) continue;
        ImportedArea& a = app.preview.areas[static_cast<size_t>(record)];
        if (a.blocked || !a.needs_review) continue;
        const std::string shown = a.proposed_name;
        if (set_area_name(app.preview, record, shown, app.scratch.get())) ++approved;
    }

    if (approved == 0) {
        info_box(app, all_displayed ? "No displayed names require approval."
                                    : "Select one or more shortened names that require approval.");
        return;
    }
    fill_area_list(app, remembered);
    status_and_log(app, "Approved " + dec(approved) + " proposed conference name(s) exactly as displayed.");
    build_settings_plan_view(app);
    app.shell->refresh_wizard();
}

void update_import_summary(App& app) {
    TextBuffer& s = *app.scratch;
    s.reset();
    const AreaPreview& p = app.preview;
    // An inspection since the load dropped the list's stage: the page must not call it loaded.
    if (app.flags.na_loaded && p.area_count() >= 1) {
        s.append("Loaded: ");
        s.append_line(app.import.na_path);
        s.append("Network: ");
        s.append_line(p.network_name);
        s.append("Entries: ");
        s.append_uint(static_cast<uint32_t>(p.area_count()));
        s.append("    Ready: ");
        s.append_uint(p.ready_count);
        s.append("    Review: ");
        s.append_uint(p.review_count);
        s.append("    Errors: ");
        s.append_uint(p.blocked_count);
        s.append_line("\r\nNames and shared defaults will be reviewed before the dry run.");
    } else {
        s.append(kNoAreaListYetText);
    }
    app.view.set_text(ControlId::WizardImportSummary, s.str());
}

void reparse_area_list(App& app) {
    if (load_area_list(app, true)) app.shell->show_tab(Tab::NaPreview);
    app.shell->refresh_wizard();
}

void area_filter_changed(App& app) {
    const int position = app.view.selection(ControlId::ShowFilter);
    app.import.filter = position >= 0 && position <= 3 ? position : 0;
    fill_area_list(app, app.import.selected_area);
}

void network_name_edited(App& app) {
    invalidate_plan(app, "Network name changed. Reparse the .NA file and generate a new dry-run plan.");
}

void show_preview_report(App& app) { app.view.set_text(ControlId::ReportText, app.report->str()); }

bool load_area_list(App& app, bool interactive) {
    app.plan_report_offset = 0;
    invalidate_plan(app, ".NA preview changed. Generate a new dry-run plan.");
    if (app.import.na_path.empty()) {
        if (interactive) warning_box(app, "Load an .NA file first.");
        return false;
    }

    const uint32_t inspection_length = app.baseline.report_length;
    if (inspection_length != 0 && inspection_length <= app.report->length()) app.report->truncate(inspection_length);

    const int choice = app.view.selection(ControlId::ProfileChoice);
    const int selected_profile = choice > 0 ? choice - 1 : -1;
    const std::string typed = trimmed(bounded(app.view.text(ControlId::NetworkName), kMaxNetworkName));

    app.scratch->reset();
    if (!parse_area_list(app.platform, app.import.na_path, app.baseline.conferences, app.profiles, selected_profile, typed,
                         app.preview, *app.report, app.scratch.get())) {
        clear_area_view(app);
        error_box(app, message_text(*app.scratch));
        status_and_log(app, ".NA load failed: " + app.import.na_path);
        return false;
    }

    app.scratch->reset();
    app.flags.na_loaded = false;
    AreaListDoubts doubts;
    {
        ByteBuffer bytes;
        if (!read_file_capped(app.platform, app.import.na_path, bytes, kMaxFingerprintBytes, app.scratch.get())) {
            error_box(app,
                      "The .NA file parsed, but its source fingerprint could not be captured. Writer mode remains blocked.");
            status_and_log(app, ".NA load failed: " + app.import.na_path);
            return false;
        }
        app.import.fingerprint.size = bytes.size();
        app.import.fingerprint.digest = sha256(bytes.data(), bytes.size());
        app.flags.na_loaded = true;
        doubts = judge_area_list(bytes.view(), app.preview);
    }

    // The fields now show what was used; setting them is not the sysop's edit.
    ++app.notifications_held;
    app.view.set_selection(ControlId::ProfileChoice, app.preview.profile_index + 1);
    app.view.set_text(ControlId::NetworkName, app.preview.network_name);
    --app.notifications_held;

    const AreaPreview& p = app.preview;
    if (interactive && p.blocked_count != 0) {
        app.import.filter = 0;
        app.view.set_selection(ControlId::ShowFilter, 0);
    }
    int first_blocked = -1;
    if (p.blocked_count != 0) {
        for (size_t i = 0; i < p.areas.size(); ++i) {
            if (p.areas[i].blocked) {
                first_blocked = static_cast<int>(i);
                break;
            }
        }
    }
    fill_area_list(app, first_blocked);

    append_default_template_line(app);
    show_preview_report(app);

    if (interactive && (p.review_count != 0 || p.blocked_count != 0)) {
        std::string text = "Import completed. " + sdec(p.area_count()) + " areas loaded: " + dec(p.ready_count) +
                           " ready, " + dec(p.review_count) + " descriptions need review, and " + dec(p.blocked_count) +
                           " areas are blocked by compatibility errors.\r\n\r\n";
        if (p.blocked_count != 0)
            text += "The first blocked area has been selected. Use the Show filter to view Ready, Review, or Errors only.";
        else
            text += "Use the Show filter to view descriptions that need review.";
        text += "\r\nNo Spitfire files were changed.";
        if (p.blocked_count != 0)
            warning_box(app, text);
        else
            info_box(app, text);
    }
    // The parse takes any file; a file that is not an area list must not look like one.
    if (interactive && doubts.any()) {
        log_message(app, ".NA file does not look like an area list: " + app.import.na_path);
        warning_box(app, area_list_doubt_text(doubts));
    }
    status_and_log(app, "Profile-driven .NA preview loaded; no Spitfire files changed.");
    return true;
}

}  // namespace marlinth
