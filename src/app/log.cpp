// The run's log: "[HH:MM:SS] message" lines kept in the Log buffer, shown in the log view and
// appended to Marlinth.log beside the program (never truncated).
#include "app/prompts.h"
#include "core/files.h"
#include "core/strings.h"

namespace marlinth {

void log_message(App& app, const std::string& text) {
    LocalTime t = app.platform.local_time();
    TextBuffer& line = *app.log_line;
    line.reset();
    line.append("[");
    line.append(dec2(static_cast<uint32_t>(t.hour)));
    line.append(":");
    line.append(dec2(static_cast<uint32_t>(t.minute)));
    line.append(":");
    line.append(dec2(static_cast<uint32_t>(t.second)));
    line.append("] ");
    line.append(text);
    line.append("\r\n");
    app.log->append(line.view());
    app.view.set_text(ControlId::LogText, app.log->str());
    write_text_file(app.platform, app.files.log_path, line.view(), true, nullptr);
}

void status_and_log(App& app, const std::string& text) {
    app.view.set_status(StatusLine::Main, text);
    log_message(app, text);
}

}  // namespace marlinth
