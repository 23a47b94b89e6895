// Scripts played in a session a test already holds, the test acting from outside between their
// parts (changing the disk, checking what no screen shows).
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/strings.h"
#include "support/script_harness.h"
#include "ui/headless/headless_view.h"
#include "ui/headless/script_runner.h"

namespace marlinth::test {

// The session's temporary directory shown as [tmp], and the paths under it with "/". In a box's
// line the directory is looked for as the box escapes it, and an escaped line break ends a path.
inline std::string tmp_paths(const std::string& text, const std::string& tmp) {
    std::string out = masked(text, tmp, "[tmp]");
    for (size_t at = out.find("[tmp]"); at != std::string::npos; at = out.find("[tmp]", at)) {
        const size_t newline = out.rfind('\n', at);
        const bool box = is_box_line(std::string_view(out).substr(newline == std::string::npos ? 0 : newline + 1));
        for (at += 5; at < out.size() && out[at] != '\n' && out[at] != ' '; ++at) {
            if (!box || out[at] != '\\') {
                if (out[at] == kPathSeparator) out[at] = '/';
                continue;
            }
            if (at + 1 >= out.size() || out[at + 1] != '\\') break;  // an escaped line break
            if (kPathSeparator == '\\') {
                out.replace(at, 2, "/");
            } else {
                ++at;  // an escaped backslash, not a separator here
            }
        }
    }
    return out;
}

// A box's escapes read, once every path is masked: each line break of its text on a line of its
// own (indented), so that a path before one reads the same on every platform.
inline std::string open_boxes(const std::string& text) {
    std::string out;
    bool box = true;  // at the start of a line: is it a box's?
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 0 || text[i - 1] == '\n') box = is_box_line(std::string_view(text).substr(i));
        if (box && text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            out += text[++i] == 'n' ? "\n    " : "\\";
            continue;
        }
        out += text[i];
    }
    return out;
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
        std::string text = out.str();
        for (const auto& [name, value] : vars) text = masked(text, value, "[" + name + "]");
        return open_boxes(tmp_paths(text, tmp));
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
