#include "ui/headless/script_runner.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "core/strings.h"
#include "ui/wizard.h"

namespace marlinth {

namespace {

std::string first_word(std::string_view& rest) {
    rest = skip_blanks(rest);
    size_t end = 0;
    while (end < rest.size() && !is_blank(rest[end])) ++end;
    std::string word(rest.substr(0, end));
    rest = rest.substr(end);
    if (!rest.empty()) rest = rest.substr(1);  // one separating blank; the rest stands as written
    return word;
}

const char* icon_name(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Error:
        return "error";
    case BoxIcon::Warning:
        return "warning";
    case BoxIcon::Information:
        return "information";
    case BoxIcon::Question:
        return "question";
    }
    return "information";
}

// Runs a command line through the shell and waits for it; its output goes nowhere, so that
// only the program's own lines appear in a transcript. The result is the exit code.
int run_outside_command(const std::string& command) {
#ifdef _WIN32
    return std::system((command + " >NUL 2>&1").c_str());
#else
    const int status = std::system(("( " + command + " ) >/dev/null 2>&1").c_str());
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return status;
#endif
}

}  // namespace

std::string printable(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i] == '\r' ? '\n' : text[i]);
    }
    return out;
}

std::string box_escaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\r' || text[i] == '\n')
            out += "\\n";
        else if (text[i] == '\\')
            out += "\\\\";  // so that a path's "\n" cannot be read as a line break
        else
            out.push_back(text[i]);
    }
    return out;
}

std::string box_line(BoxIcon icon, const std::string& text) {
    return std::string("BOX ") + icon_name(icon) + ": " + box_escaped(text);
}

ScriptRunner::ScriptRunner(App& app, HeadlessView& view, std::ostream& out) : app_(app), view_(view), out_(out) {
    view_.set_box_observer([this](const RecordedBox& box) { out_ << box_line(box.icon, box.text) << "\n"; });
}

bool ScriptRunner::fail(const std::string& message) {
    out_ << "SCRIPT ERROR line " << line_number_ << ": " << message << "\n";
    return false;
}

void ScriptRunner::refused(const std::string& action, ControlId id) {
    out_ << "DISABLED: " << action << " " << static_cast<int>(id) << "\n";
}

// A sysop cannot reach a control the current page does not show.
bool ScriptRunner::hidden(const std::string& action, ControlId id) {
    if (view_.visible(id)) return false;
    out_ << "HIDDEN: " << action << " " << static_cast<int>(id) << "\n";
    return true;
}

bool ScriptRunner::parse_id(const std::string& word, ControlId& id) {
    size_t digits = 0;
    uint64_t n = read_decimal(word, &digits);
    if (digits == 0 || digits != word.size() || n > 100000) return fail("expected a control id, found '" + word + "'");
    id = static_cast<ControlId>(static_cast<int>(n));
    if (!view_.has_control(id)) return fail("no control has the id " + word);
    return true;
}

void ScriptRunner::print_text(const std::string& text) {
    std::string shown = printable(text);
    out_ << shown;
    if (shown.empty() || shown.back() != '\n') out_ << "\n";
}

bool ScriptRunner::run(std::istream& in) {
    std::string line;
    auto start_program = [&] {
        if (!start_) return true;
        const bool started = start_();
        start_ = nullptr;
        if (!started) out_ << "START FAILED: out of memory at start-up\n";
        return started;
    };
    while (std::getline(in, line)) {
        ++line_number_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string_view rest(line);
        const std::string command = first_word(rest);
        if (command != "answer" && command != "pick" && !command.empty() && command[0] != '#' && !start_program())
            return false;
        if (!run_line(line, in)) return false;
    }
    return start_program();
}

bool ScriptRunner::run_line(const std::string& line, std::istream& in) {
    std::string_view rest(line);
    if (trim_view(rest).empty() || trim_view(rest)[0] == '#') return true;
    const std::string command = first_word(rest);
    ControlId id = ControlId::None;

    if (command == "set") {
        if (!parse_id(first_word(rest), id)) return false;
        if (!hidden("set", id) && !view_.type(id, std::string(rest))) refused("set", id);
        return true;
    }
    if (command == "setlines") {
        if (!parse_id(first_word(rest), id)) return false;
        std::string text, next;
        bool first = true;
        for (;;) {
            if (!std::getline(in, next)) return fail("setlines without a closing '.' line");
            ++line_number_;
            if (!next.empty() && next.back() == '\r') next.pop_back();
            if (next == ".") break;
            if (!first) text += "\r\n";
            text += next;
            first = false;
        }
        if (!hidden("setlines", id) && !view_.type(id, text)) refused("setlines", id);
        return true;
    }
    if (command == "check") {
        if (!parse_id(first_word(rest), id)) return false;
        std::string state = first_word(rest);
        if (state != "on" && state != "off") return fail("check needs on or off");
        const bool want = state == "on";
        if (!hidden("check", id) && view_.checked(id) != want && !view_.click(id)) refused("check", id);
        return true;
    }
    if (command == "choose") {
        if (!parse_id(first_word(rest), id)) return false;
        size_t digits = 0;
        std::string pos = first_word(rest);
        uint64_t n = read_decimal(pos, &digits);
        if (digits == 0 || digits != pos.size()) return fail("choose needs a position");
        if (!hidden("choose", id) && !view_.choose(id, static_cast<int>(n))) refused("choose", id);
        return true;
    }
    if (command == "select") {
        if (!parse_id(first_word(rest), id)) return false;
        std::vector<int> rows;
        std::string list = first_word(rest);
        std::stringstream parts(list);
        std::string part;
        while (std::getline(parts, part, ',')) {
            size_t digits = 0;
            uint64_t n = read_decimal(part, &digits);
            if (digits == 0 || digits != part.size()) return fail("select needs rows such as 0,2,5");
            rows.push_back(static_cast<int>(n));
        }
        if (!hidden("select", id) && !view_.select(id, rows)) refused("select", id);
        return true;
    }
    if (command == "click") {
        if (!parse_id(first_word(rest), id)) return false;
        if (!hidden("click", id) && !view_.click(id)) refused("click", id);
        return true;
    }
    if (command == "answer") {
        std::string a = first_word(rest);
        if (a == "yes")
            view_.queue_answer(BoxAnswer::Yes);
        else if (a == "no")
            view_.queue_answer(BoxAnswer::No);
        else if (a == "ok")
            view_.queue_answer(BoxAnswer::Ok);
        else
            return fail("answer needs yes, no or ok");
        return true;
    }
    if (command == "pick") {
        std::string path(rest);
        if (path == "cancel")
            view_.queue_pick_cancel();
        else
            view_.queue_pick(path);
        return true;
    }
    if (command == "exec") {
        const std::string command_line = trimmed(rest);
        if (command_line.empty()) return fail("exec needs a command line");
        const int code = run_outside_command(command_line);
        if (code != 0) out_ << "EXEC FAILED " << code << ": " << command_line << "\n";
        return true;
    }
    if (command == "print") {
        std::string what = first_word(rest);
        if (what == "page") {
            if (!app_.ui.wizard_active) {
                out_ << "Wizard Mode is not active.\n";
                return true;
            }
            const int step = app_.ui.wizard_step;
            out_ << step + 1 << "\n" << wizard_question(step) << "\n";
            const ControlId result = wizard_result_control(step);
            if (result != ControlId::None) print_text(view_.text(result));
            const std::string blocker = view_.text(ControlId::WizardNextBlocker);
            if (view_.visible(ControlId::WizardNextBlocker) && !blocker.empty()) out_ << "NEXT WAITS: " << blocker << "\n";
            return true;
        }
        if (what == "shown") {
            // The first line a multi-line text shows: where the program scrolled it.
            if (!parse_id(first_word(rest), id)) return false;
            out_ << "SHOWN FIRST: " << view_.first_line_shown(id) << "\n";
            return true;
        }
        if (what == "status") {
            out_ << "main: " << view_.status(StatusLine::Main) << "\n";
            out_ << "writer: " << view_.status(StatusLine::Writer) << "\n";
            out_ << "settings: " << view_.status(StatusLine::Settings) << "\n";
            out_ << "plan: " << view_.status(StatusLine::Plan) << "\n";
            return true;
        }
        if (what == "buffer") {
            std::string which = first_word(rest);
            TextBuffer* buffer = which == "report"   ? app_.report.get()
                                 : which == "writer" ? app_.writer.get()
                                 : which == "plan"   ? app_.plan_text.get()
                                 : which == "log"    ? app_.log.get()
                                                     : nullptr;
            if (!buffer) return fail("print buffer needs report, writer, plan or log");
            print_text(buffer->str());
            return true;
        }
        if (!parse_id(what, id)) return false;
        print_text(view_.describe(id));
        return true;
    }
    return fail("unknown command '" + command + "'");
}

}  // namespace marlinth
