#include "ui/headless/headless_session.h"

#include "ui/dispatch.h"
#include "ui/startup.h"

namespace marlinth {

HeadlessSession::HeadlessSession(Platform& platform, const std::string& program_dir, bool start_now)
    : program_dir_(program_dir) {
    app_ = std::make_unique<App>(platform, view_);
    shell_ = std::make_unique<WindowShell>(*app_);
    app_->shell = shell_.get();
    view_.set_event_sink([this](ControlId id, UiEvent event) { dispatch(*app_, id, event); });
    if (start_now) start();
}

bool HeadlessSession::start() {
    if (started_ || !prepare_startup(*app_, program_dir_)) return started_;
    finish_startup(*app_);
    started_ = true;
    recover_at_startup(*app_);
    return true;
}

}  // namespace marlinth
