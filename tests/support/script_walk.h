// Scripts played in a session a test already holds, the test acting from outside between their
// parts (changing the disk, checking what no screen shows).
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/strings.h"
#include "support/script_harness.h"
#include "ui/headless/headless_view.h"
#include "ui/headless/script_runner.h"

namespace marlinth::test {

// The session's temporary directory shown as [tmp], and the paths under it with "/".
inline std::string tmp_paths(std::string text, const std::string& tmp) {
    for (size_t at = text.find(tmp); at != std::string::npos; at = text.find(tmp, at)) {
        text.replace(at, tmp.size(), "[tmp]");
        for (size_t i = at; i < text.size() && text[i] != '\n' && text[i] != ' '; ++i) text[i] = text[i] == kPathSeparator ? '/' : text[i];
    }
    return text;
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

// tests/scripts/<name>.script, cut at its "#pause" lines and played a part at a time. When the
// walk goes, every part must have been played and the transcript must match
// tests/scripts/<name>.expected.
class ScriptWalk {
public:
    ScriptWalk(App& app, HeadlessView& view, const std::string& name, ScriptVars vars)
        : screen_(app, view), name_(name), vars_(std::move(vars)), parts_(script_parts(load_script(name + ".script"))) {}
    ~ScriptWalk() {
        EXPECT_EQ(played_, parts_.size());
        EXPECT_EQ(screen_.out.str(), golden(name_ + ".expected", screen_.out.str(), vars_));
    }
    void next() { screen_.play(parts_.at(played_++), vars_); }

private:
    Screen screen_;
    std::string name_;
    ScriptVars vars_;
    std::vector<std::string> parts_;
    size_t played_ = 0;
};

}  // namespace marlinth::test
