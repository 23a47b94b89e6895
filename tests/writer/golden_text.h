// Texts as the writer's golden files show them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "core/strings.h"
#include "support/script_harness.h"
#include "ui/headless/script_runner.h"

namespace marlinth::test {

// A report with plain line ends; every line of it must end in CR LF.
inline std::string plain_lines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || text[i + 1] != '\n') out += text[i];
    EXPECT_EQ(out.size() + static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), text.size()) << "a line without CR LF";
    return out;
}

// The session's temporary directory shown as [tmp], and the paths under it with "/".
inline std::string tmp_paths(std::string text, const std::string& tmp) {
    for (size_t at = text.find(tmp); at != std::string::npos; at = text.find(tmp, at)) {
        text.replace(at, tmp.size(), "[tmp]");
        for (size_t i = at; i < text.size() && text[i] != '\n' && text[i] != ' '; ++i) text[i] = text[i] == kPathSeparator ? '/' : text[i];
    }
    return text;
}

// The parts of tests/scripts/<name>, cut at its "#pause" lines.
inline std::vector<std::string> script_parts(const std::string& name) {
    std::vector<std::string> parts(1);
    std::istringstream lines(load_script(name));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("#pause", 0) == 0) parts.emplace_back();
        parts.back() += line + "\n";
    }
    return parts;
}

// A session a test has arranged, driven on by script lines. Every box is written down as it
// appears, also those of commands the test calls itself.
struct Screen {
    Screen(App& app, HeadlessView& v) : view(v), runner(app, v, out) {}
    ~Screen() { view.set_box_observer({}); }
    Screen& play(const std::string& lines, const ScriptVars& vars = {}) {
        std::istringstream in(substitute(lines, vars));
        EXPECT_TRUE(runner.run(in)) << out.str();
        return *this;
    }
    // What was written, each value of `vars` shown as [NAME] (in the order of the names, so a
    // path inside another needs the later name) and the session's temporary directory as [tmp].
    std::string shown(const std::string& tmp, const ScriptVars& vars = {}) const {
        std::string text = out.str();  // a box's line breaks end a path on every platform
        for (size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at)) text.replace(at, 2, "\n    ");
        for (const auto& [name, value] : vars)
            for (size_t at = value.empty() ? std::string::npos : text.find(value); at != std::string::npos; at = text.find(value, at))
                text.replace(at, value.size(), "[" + name + "]");
        return tmp_paths(text, tmp);
    }
    HeadlessView& view;
    std::ostringstream out;
    ScriptRunner runner;
};

}  // namespace marlinth::test
