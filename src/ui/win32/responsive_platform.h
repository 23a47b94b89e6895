// Keeps the window alive while a long command (an inspection, a full MESSAGE backup, a restore)
// runs on the window's own thread: Windows calls a window that has not looked at its message queue
// for five seconds "Not Responding", covers it with a frozen ghost that hides the progress line,
// and invites the sysop to end it. Every few hundred milliseconds of file work the queue is looked
// at: messages sent to the window are answered and paint messages served, while input waits in
// the queue until the command has finished, as it did before.
#pragma once

#include <windows.h>

#include <memory>

#include "core/forwarding_platform.h"

namespace marlinth {

class ResponsivePlatform final : public ForwardingPlatform {
public:
    static constexpr DWORD kIntervalMs = 200;

    using ForwardingPlatform::ForwardingPlatform;

protected:
    void before_call() override {
        const DWORD now = ::GetTickCount();
        if (now - last_look_ < kIntervalMs) return;
        last_look_ = now;
        MSG message;
        while (::PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) ::DispatchMessageA(&message);
    }

private:
    DWORD last_look_ = 0;
};

}  // namespace marlinth
