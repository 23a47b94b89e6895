// Runs a script of user actions against the real program logic through the headless view:
// one action a line, message boxes printed as they appear, `print` lines on request.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "app/app.h"
#include "ui/headless/headless_view.h"

namespace marlinth {

class ScriptRunner {
public:
    ScriptRunner(App& app, HeadlessView& view, std::ostream& out);
    // False after the first malformed line (reported on the output as "SCRIPT ERROR").
    bool run(std::istream& in);
    // Starts the program before the first line that is not an `answer` or `pick` (or at the end
    // of the script), so that those lines answer the boxes and pickers of start-up.
    void start_with(std::function<bool()> start) { start_ = std::move(start); }

private:
    bool run_line(const std::string& line, std::istream& in);
    bool parse_id(const std::string& word, ControlId& id);
    void print_text(const std::string& text);
    bool fail(const std::string& message);
    void refused(const std::string& action, ControlId id);
    // Prints HIDDEN and is true when the current page does not show the control.
    bool hidden(const std::string& action, ControlId id);

    App& app_;
    HeadlessView& view_;
    std::ostream& out_;
    int line_number_ = 0;
    std::function<bool()> start_;
};

// Shows a text the way the runner prints it: CR LF and LF become real line breaks.
std::string printable(const std::string& text);
// A box's text on one line: a line break as \n and a backslash as \\, nothing else changed.
std::string box_escaped(const std::string& text);
// A message box as the runner prints it: "BOX warning: " and the text as box_escaped gives it.
std::string box_line(BoxIcon icon, const std::string& text);

}  // namespace marlinth
