// src/ui/headless/: the in-memory toolkit and the script runner for tests and scripted runs.
// Never includes ui/win32/.
//
// A whole program run on the headless toolkit: the view, the app context, the shell and the
// dispatcher wired together and started as the real window starts.
#pragma once

#include <memory>
#include <string>

#include "app/app.h"
#include "ui/headless/headless_view.h"
#include "ui/screens.h"

namespace marlinth {

class HeadlessSession {
public:
    // Runs the start-up sequence with `program_dir` as the program's own directory; with
    // `start_now` false, start() runs it later (after the answers to start-up boxes are queued).
    HeadlessSession(Platform& platform, const std::string& program_dir, bool start_now = true);
    bool start();
    bool started() const { return started_; }

    App& app() { return *app_; }
    HeadlessView& view() { return view_; }

private:
    HeadlessView view_;
    std::unique_ptr<App> app_;
    std::unique_ptr<WindowShell> shell_;
    std::string program_dir_;
    bool started_ = false;
};

}  // namespace marlinth
