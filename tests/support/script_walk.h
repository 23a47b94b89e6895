// A script played a part at a time in a session a test already holds, the test acting from
// outside between the parts (changing the disk, checking what no screen shows).
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/script_harness.h"
#include "ui/headless/headless_view.h"
#include "ui/headless/script_runner.h"

namespace marlinth::test {

// tests/scripts/<name>.script, cut at its "#pause" lines. When the walk goes, every part must
// have been played and the transcript must match tests/scripts/<name>.expected.
class ScriptWalk {
public:
    ScriptWalk(App& app, HeadlessView& view, const std::string& name, ScriptVars vars)
        : view_(view), name_(name), vars_(std::move(vars)), runner_(app, view, out_),
          parts_(script_parts(substitute(load_script(name + ".script"), vars_))) {}
    ~ScriptWalk() {
        view_.set_box_observer(nullptr);  // the runner goes; the session stays
        EXPECT_EQ(played_, parts_.size());
        EXPECT_EQ(out_.str(), golden(name_ + ".expected", out_.str(), vars_));
    }
    void next() {
        std::istringstream in(parts_.at(played_++));
        EXPECT_TRUE(runner_.run(in)) << out_.str();
    }

private:
    HeadlessView& view_;
    std::string name_;
    ScriptVars vars_;
    std::ostringstream out_;
    ScriptRunner runner_;
    std::vector<std::string> parts_;
    size_t played_ = 0;
};

}  // namespace marlinth::test
