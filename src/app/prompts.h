// Message boxes and status lines as the operations use them. Every box carries the program's
// title; the error icon marks blockers, the warning icon a step that must come first, the
// information icon results; Yes/No questions default to No.
#pragma once

#include <string>

#include "app/app.h"

namespace marlinth {

inline void error_box(App& app, const std::string& text) { app.view.message_box(BoxIcon::Error, BoxButtons::Ok, text); }
inline void warning_box(App& app, const std::string& text) { app.view.message_box(BoxIcon::Warning, BoxButtons::Ok, text); }
inline void info_box(App& app, const std::string& text) { app.view.message_box(BoxIcon::Information, BoxButtons::Ok, text); }
inline bool ask_yes_no(App& app, BoxIcon icon, const std::string& text) {
    return app.view.message_box(icon, BoxButtons::YesNo, text) == BoxAnswer::Yes;
}

void log_message(App& app, const std::string& text);
// The main status line, also written to the log.
void status_and_log(App& app, const std::string& text);

}  // namespace marlinth
