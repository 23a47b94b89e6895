#include "app/report_export.h"

#include "app/prompts.h"
#include "app/setup_commands.h"
#include "core/files.h"
#include "core/strings.h"

namespace marlinth {

void export_inspection_report(App& app) {
    if (app.report->empty()) {
        warning_box(app, "There is no inspection report to export yet.");
        return;
    }
    FileDialogSpec dialog;
    dialog.title = "Export inspection report";
    dialog.filters = {{"Text reports (*.txt)", "*.txt"}, {"All files (*.*)", "*.*"}};
    dialog.initial_name = "Marlinth-inspection.txt";
    dialog.initial_directory = app.setup.report_dir;
    dialog.default_extension = "txt";
    std::string path;
    if (!app.view.pick_save_file(dialog, path)) return;
    path = bounded(path, kMaxPath);
    app.scratch->reset();
    if (!write_text_file(app.platform, path, app.report->view(), false, app.scratch.get())) {
        error_box(app, trimmed(app.scratch->view()));
        return;
    }
    app.setup.report_dir = parent_of(path);
    save_configuration(app);
    status_and_log(app, "Inspection report exported.");
}

}  // namespace marlinth
