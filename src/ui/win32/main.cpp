// WinMain: the start-up sequence of the real program, then the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <new>

#include "core/platform.h"
#include "core/version.h"
#include "ui/screens.h"
#include "ui/startup.h"
#include "ui/win32/responsive_platform.h"
#include "ui/win32/win32_view.h"

using namespace marlinth;

namespace {

// Two copies would share the journal, the configuration and the log, and could write the same
// nodes: a second start says so and ends before it reads or writes any of them. The mutex
// lives as long as the process; Windows releases it when the process ends, however it ends.
constexpr const char* kInstanceMutex = "Local\\Marlinth.OneAtATime";
constexpr const char* kAlreadyRunning =
    "Marlinth is already running. Use its window, or close it before starting Marlinth again.";

bool another_copy_runs() {
    ::CreateMutexA(nullptr, FALSE, kInstanceMutex);
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    HWND other = ::FindWindowA(kWindowClass, nullptr);
    ::MessageBoxA(nullptr, kAlreadyRunning, kProgramTitle, MB_OK | MB_ICONINFORMATION);
    if (other) {
        if (::IsIconic(other)) ::ShowWindow(other, SW_RESTORE);
        ::SetForegroundWindow(other);
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (another_copy_runs()) return kExitAlreadyRunning;
    std::unique_ptr<Platform> platform = std::make_unique<ResponsivePlatform>(make_native_platform());
    Win32View view(instance);
    std::unique_ptr<App> app(new (std::nothrow) App(*platform, view));
    if (!app) return kExitBuffers;
    WindowShell shell(*app);
    app->shell = &shell;
    view.attach(*app);

    // Text buffers (exit 1 when memory is short), the files beside the program, the profiles.
    if (!prepare_startup(*app, program_dir_of(platform->executable_path()))) return kExitBuffers;

    // The folder picker needs COM on this thread.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES;
    ::InitCommonControlsEx(&controls);

    if (!view.register_class()) {
        ::CoUninitialize();
        return kExitRegisterClass;
    }
    if (!view.create_window()) {
        ::CoUninitialize();
        return kExitCreateWindow;
    }

    // Configuration, setup fields, the first log lines and the Home screen.
    finish_startup(*app);
    ::ShowWindow(view.window(), show);
    ::UpdateWindow(view.window());
    recover_at_startup(*app);

    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (view.handle_dialog_keys(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 0;
}
