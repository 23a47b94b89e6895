#include "app/tosser_commands.h"

#include "app/prompts.h"
#include "core/config.h"
#include "core/strings.h"
#include "tosser/parser.h"

namespace marlinth {

namespace {

constexpr size_t kMaxStatusText = 255;

std::string path_field(App& app) { return trimmed(bounded(app.view.text(ControlId::QuarroCfgPath), kMaxPath)); }

void show_path_and_switch(App& app, const std::string& path) {
    app.view.set_text(ControlId::QuarroCfgPath, path);
    app.view.set_checked(ControlId::UseQuarro, true);
    app.view.set_enabled(ControlId::QuarroCfgPath, true);
}

// Node 1 becomes CONFDIR; Node 2 onward keep their lines and the node count is not touched.
std::string node_list_with_node1(App& app, const std::string& node1) {
    NodeTable table;
    const int lines = split_node_lines(bounded(app.view.text(ControlId::NodeList), kMaxNodeListText), table);
    table.dir[1] = node1;
    return join_node_lines(table, lines < 1 ? 1 : lines);
}

}  // namespace

FileDialogSpec tosser_config_dialog(const std::string& field, const std::string& node1) {
    FileDialogSpec dialog;
    dialog.title = "Select QUARRO32.CFG";
    dialog.filters = {{"QUARRO32 configuration (*.CFG)", "*.CFG"}, {"All files (*.*)", "*.*"}};
    const std::string named = trimmed(field);
    dialog.initial_directory = named.empty() ? trimmed(node1) : parent_of(named);
    return dialog;
}

void browse_tosser_config(App& app) {
    std::string path;
    NodeTable nodes;
    split_node_lines(bounded(app.view.text(ControlId::NodeList), kMaxNodeListText + 1), nodes);
    if (!app.view.pick_open_file(tosser_config_dialog(app.view.text(ControlId::QuarroCfgPath), nodes.dir[1]), path)) return;
    path = bounded(path, kMaxPath);
    if (path.empty()) return;
    import_tosser_config(app, path);
}

bool import_tosser_config(App& app, const std::string& path) {
    TextBuffer& scratch = *app.scratch;
    scratch.reset();
    const bool ok = parse_tosser_config(app.platform, path, app.tosser, &scratch, &scratch);

    // The Report buffer now holds this report alone; an earlier plan copy is gone with it.
    app.report->reset();
    app.report->append(scratch.view());
    app.plan_report_offset = 0;
    app.view.set_text(ControlId::ReportText, app.report->str());

    if (!ok) {
        show_path_and_switch(app, path);
        status_and_log(app, "QUARRO32.CFG parser found fatal errors. Review Advanced Tools > Report.");
        error_box(app,
                  "The QUARRO32.CFG parser found one or more fatal errors. The file was not changed and no paths "
                  "were imported. Review the Report tab for line-numbered details.");
        return false;
    }

    app.view.set_text(ControlId::NodeList, node_list_with_node1(app, app.tosser.confdir));
    app.view.set_text(ControlId::MessageDir, app.tosser.msgdir);
    show_path_and_switch(app, path);

    std::string status = "QUARRO32.CFG parsed as ";
    status += app.tosser.mode == 2 ? "Multi-link" : "Legacy single-link";
    status += " with " + dec(static_cast<uint64_t>(app.tosser.link_count()));
    status += " link(s). Passwords are shown only as set/none. Full read-only summary is in Advanced Tools > Report.";
    status = bounded(status, kMaxStatusText);
    status_and_log(app, status);
    info_box(app, status);
    return true;
}

void read_tosser_config_command(App& app) {
    const std::string path = path_field(app);
    if (path.empty())
        browse_tosser_config(app);
    else
        import_tosser_config(app, path);
}

void use_quarro_toggled(App& app) {
    const bool on = app.view.checked(ControlId::UseQuarro);
    clear_inspection(app, "QUARRO32 setup changed. Run Read-Only Inspection again.");
    app.view.set_enabled(ControlId::QuarroCfgPath, on);
    if (on && path_field(app).empty() && ask_yes_no(app, BoxIcon::Question, "Select QUARRO32.CFG now?"))
        browse_tosser_config(app);
}

}  // namespace marlinth
