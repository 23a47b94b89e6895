#include "core/report_export.h"

#include "core/config.h"
#include "core/files.h"
#include "core/prompts.h"
#include "core/strings.h"

namespace marlinth {

void export_inspection_report(App& app) {
    if (app.report->empty()) {
        warning_box(app, "There is no inspection report to export yet.");
        return;
    }
    FileDialogSpec spec;
    spec.title = "Export inspection report";
    spec.filters = {{"Text reports (*.txt)", "*.txt"}, {"All files (*.*)", "*.*"}};
    spec.initial_name = "Marlinth-inspection.txt";
    spec.initial_directory = app.setup.report_dir;
    spec.default_extension = "txt";
    std::string path;
    if (!app.view.pick_save_file(spec, path)) return;
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
