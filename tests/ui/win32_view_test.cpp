// The real window, driven through its messages as Windows drives it (64-bit build under Wine):
// what the Win32 backend adds to the headless one: window classes, styles and geometry, change
// notifications for programmatic edits, command and notification routing, the default button,
// list-view selection notices and teardown.
#ifdef _WIN32

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "core/platform.h"
#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/screens.h"
#include "ui/startup.h"
#include "ui/wizard.h"
#include "ui/win32/responsive_platform.h"
#include "ui/win32/win32_view.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

using C = ControlId;

class Win32ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine creates no child window without a display (tools/wine-run provides one).
        HWND probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        HWND child = probe ? ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, probe, nullptr, nullptr, nullptr)
                           : nullptr;
        if (probe) ::DestroyWindow(probe);
        if (!child) GTEST_SKIP() << "no window can be created here (Wine without a display)";
        // As at start-up; the window's destruction uninitialises COM again.
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        app = std::make_unique<App>(*platform, view);
        shell = std::make_unique<WindowShell>(*app);
        app->shell = shell.get();
        view.attach(*app);
        ASSERT_TRUE(prepare_startup(*app, home.path()));
        view.register_class();  // fails harmlessly when an earlier case registered it
        ASSERT_TRUE(view.create_window()) << "error " << ::GetLastError();
        finish_startup(*app);
        ::SetWindowPos(view.window(), nullptr, 0, 0, 1120, 760, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void TearDown() override {
        if (view.window()) ::DestroyWindow(view.window());
        MSG m;  // leave no quit message behind for the next case
        while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND control(ControlId id) { return ::GetDlgItem(view.window(), static_cast<int>(id)); }
    // Whether the control sits where the layout puts it in the client area as it is now.
    bool placed_by_layout(ControlId id) {
        RECT client, got;
        ::GetClientRect(view.window(), &client);
        const Layout layout = layout_controls(app->ui, client.right, client.bottom);
        const Rect* want = layout.find(id);
        ::GetWindowRect(control(id), &got);
        ::MapWindowPoints(nullptr, view.window(), reinterpret_cast<POINT*>(&got), 2);
        return want && got.left == want->x && got.top == want->y && got.right - got.left == want->width;
    }
    // Shown and in front, as a sysop has it when keys and paint count.
    void show() {
        ::ShowWindow(view.window(), SW_SHOW);
        ::SetForegroundWindow(view.window());
    }
    // The keyboard as the message loop delivers it, until the queue is empty.
    void pump() {
        MSG m;
        while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
            if (view.handle_dialog_keys(m)) continue;
            ::TranslateMessage(&m);
            ::DispatchMessageA(&m);
        }
    }
    ControlId default_id() {
        LRESULT r = ::SendMessageA(view.window(), DM_GETDEFID, 0, 0);
        return HIWORD(r) == DC_HASDEFID ? static_cast<ControlId>(LOWORD(r)) : C::None;
    }

    test::TempDir home;
    std::unique_ptr<Platform> platform = make_native_platform();
    Win32View view{::GetModuleHandleA(nullptr)};
    std::unique_ptr<App> app;
    std::unique_ptr<WindowShell> shell;
};

// Every control exists; Home shows its own, where the layout puts them; the styles the keyboard
// depends on (digits only, Enter kept in a multi-line field, one row or several) are set.
TEST_F(Win32ViewTest, EveryControlIsCreatedWithItsStyleAndHomeIsLaidOut) {
    for (const ControlSpec& entry : control_table()) {
        SCOPED_TRACE(static_cast<int>(entry.id));
        ASSERT_NE(control(entry.id), nullptr);
        EXPECT_EQ(view.visible(entry.id), (entry.pages & page::kHome) != 0);
        EXPECT_TRUE(!(entry.pages & page::kHome) || placed_by_layout(entry.id));
    }
    const std::tuple<ControlId, LONG, bool> styles[] = {{C::NodeCount, ES_NUMBER, true},     {C::NodeList, ES_WANTRETURN, true},
                                                        {C::ReportText, ES_READONLY, true},  {C::AreaList, LVS_SINGLESEL, false},
                                                        {C::ConferenceList, LVS_SINGLESEL, true}};
    for (const auto& [id, bit, on] : styles)
        EXPECT_EQ((::GetWindowLongA(control(id), GWL_STYLE) & bit) != 0, on) << static_cast<int>(id);
    MINMAXINFO info{};
    ::SendMessageA(view.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_TRUE(info.ptMinTrackSize.x == 860 && info.ptMinTrackSize.y == 650);
}

// Windows sends no EN_CHANGE for WM_SETTEXT on a multi-line field; the view must. Held
// notifications (filling fields at start) change nothing.
TEST_F(Win32ViewTest, ProgrammaticEditsRaiseTheSameChangeAsTypingUnlessHeld) {
    for (const auto& [id, text, held] : {std::tuple<ControlId, const char*, bool>{C::MessageDir, "C:\\SF\\MESSAGE", false},
                                         {C::NodeList, "C:\\SF\r\nC:\\SF2", false}, {C::NodeCount, "2", true}}) {
        app->flags.inspection_passed = true;
        app->notifications_held += held;
        view.set_text(id, text);
        app->notifications_held -= held;
        EXPECT_EQ(app->flags.inspection_passed, held) << static_cast<int>(id);
    }
}

// Clicks and tab changes reach the dispatcher, and Enter presses the visible page's default
// button while it is enabled. (tools/e2e/run clicks its way back from Advanced Tools.)
TEST_F(Win32ViewTest, ClicksAndTabChangesReachTheDispatcherAndMoveTheDefaultButton) {
    EXPECT_EQ(default_id(), C::StartWizard);
    ::SendMessageA(control(C::AdvancedTools), BM_CLICK, 0, 0);
    EXPECT_TRUE(app->ui.screen == Screen::AdvancedTools && view.visible(C::NodeCount) && !view.visible(C::StartWizard));
    ::SetFocus(control(C::NodeCount));  // a focused push button would take Enter itself
    EXPECT_EQ(default_id(), C::RunInspection);
    // The user picks the Writer tab.
    ::SendMessageA(control(C::Tabs), TCM_SETCURSEL, static_cast<WPARAM>(Tab::Writer), 0);
    NMHDR header{control(C::Tabs), static_cast<UINT_PTR>(C::Tabs), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageA(view.window(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(app->ui.active_tab, Tab::Writer);
    EXPECT_TRUE(view.visible(C::BackupRoot) && !view.visible(C::NodeCount) && placed_by_layout(C::BrowseBackupRoot));
    ::SetFocus(control(C::BackupRoot));
    EXPECT_EQ(default_id(), C::RunPreflight);
    view.set_enabled(C::RunPreflight, false);
    EXPECT_EQ(default_id(), C::None);
}

// What the program sets in a list is what it reads back, and the .NA list reports a user's
// selection once per burst of row changes, never the rows the program itself fills or selects.
TEST_F(Win32ViewTest, ListsHoldWhatIsSetAndTheAreaListReportsOnlyTheUsersSelection) {
    for (ControlId id : {C::ConferenceListBox, C::TemplateChoice}) {  // a list box and a drop-down list
        view.set_items(id, {"#1 General", "#2 Sysops", "#3 Retro"});
        EXPECT_TRUE(view.item_count(id) == 3 && view.selection(id) == -1);
        view.set_selection(id, 1);
        EXPECT_EQ(view.text(id), "#2 Sysops");
    }
    const UINT notice = WM_APP + 1;  // the view's coalesced selection notice
    MSG m;
    view.set_rows(C::AreaList, {{"1", "A"}, {"2", "B"}, {"3", "C"}, {"4", "D"}});
    char cell[64] = {0};
    ListView_GetItemText(control(C::AreaList), 1, 1, cell, sizeof cell);
    EXPECT_STREQ(cell, "B");
    view.select_row(C::AreaList, 1);
    view.select_row(C::AreaList, -1);
    EXPECT_TRUE(view.selected_rows(C::AreaList).empty());
    view.select_row(C::AreaList, 3);
    EXPECT_FALSE(::PeekMessageA(&m, view.window(), notice, notice, PM_REMOVE));
    // The user selects three rows at once (as a shift-click does).
    for (int row : {0, 1, 2}) ListView_SetItemState(control(C::AreaList), row, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(::PeekMessageA(&m, view.window(), notice, notice, PM_REMOVE));
    EXPECT_FALSE(::PeekMessageA(&m, view.window(), notice, notice, PM_REMOVE));  // one for the burst
    EXPECT_EQ(view.selected_rows(C::AreaList), (std::vector<int>{0, 1, 2, 3}));
}

// The commit buttons are disabled from the first paint. Escape leaves the program open (the
// multi-line node list sends the window WM_CLOSE, the dialog manager IDCANCEL: tools/e2e/run
// presses it there); only the sysop's own close ends it, releasing the baseline and ending the
// message loop.
TEST_F(Win32ViewTest, CommitStartsDisabledAndOnlyTheSysopsCloseEndsTheProgram) {
    EXPECT_FALSE(::IsWindowEnabled(control(C::CommitAppend)) || ::IsWindowEnabled(control(C::WizardCommit)));
    ASSERT_TRUE(app->baseline.bytes.allocate(*platform, 128));
    ::SendMessageA(view.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(view.window() == nullptr && app->baseline.bytes.empty());
    MSG m;
    EXPECT_TRUE(::PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Tab goes from the commit page's own controls to its buttons as they stand, left to right:
// Advanced Tools, Cancel Wizard, Back (hidden Next left out). (tools/e2e/run tabs both ways round the node-list page.) A button
// that took the default look while focused gives it back when the page changes.
TEST_F(Win32ViewTest, TabReachesThePageBeforeItsButtonsAndTheDefaultLookReturnsToNext) {
    show();
    app->ui.wizard_active = true;
    app->ui.wizard_step = 13;
    show_screen(*app, Screen::Wizard);
    ::SetFocus(control(C::WizardConfirmation));
    for (ControlId id : {C::WizardAdvanced, C::WizardCancel, C::WizardBack}) {
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        pump();
        EXPECT_EQ(::GetFocus(), control(id)) << static_cast<int>(id);
    }
    view.set_text(C::WizardNodeList, "C:\\SF");  // so that Next is enabled on step 3
    app->ui.wizard_step = 3;
    show_screen(*app, Screen::Wizard);
    ::SetFocus(control(C::WizardNodeList));
    view.relayout();
    for (ControlId id : {C::WizardCancel, C::WizardBack, C::WizardAdvanced, C::WizardNext})
        EXPECT_EQ(::GetWindowLongA(control(id), GWL_STYLE) & BS_TYPEMASK, id == C::WizardNext ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)
            << static_cast<int>(id);
}

// The window's pixels as the screen shows them.
std::vector<uint32_t> screen_pixels(HWND window) {
    RECT r;
    ::GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    std::vector<uint32_t> out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + w * h);
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return out;
}

// Back from Advanced Tools after a resize, with a long area list on the names page: what the
// screen shows is what painting the whole window afresh shows (no control left half drawn),
// and filling a list the screen does not show leaves it hidden.
TEST_F(Win32ViewTest, BackFromAdvancedToolsAfterAResizeTheScreenIsFreshlyPainted) {
    show();
    std::vector<std::vector<std::string>> rows(400, std::vector<std::string>(10, "AREA"));
    app->ui.wizard_active = true;
    app->ui.wizard_step = 10;
    show_screen(*app, Screen::Wizard);
    view.set_items(C::TemplateChoice, {"#1 General"});
    view.set_items(C::ProfileChoice, {"Auto", "fsxNet"});
    view.set_rows(C::AreaList, rows);
    EXPECT_FALSE(view.visible(C::TemplateChoice) || view.visible(C::ProfileChoice));
    pump();
    open_advanced_tab(*app, Tab::NaPreview);
    pump();
    ::SetWindowPos(view.window(), nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOMOVE);
    pump();
    ::SendMessageA(control(C::HomeOrReturn), BM_CLICK, 0, 0);
    pump();
    ::Sleep(300);
    pump();
    const std::vector<uint32_t> shown = screen_pixels(view.window());
    ::RedrawWindow(view.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump();
    ::Sleep(300);
    pump();
    const std::vector<uint32_t> fresh = screen_pixels(view.window());
    ASSERT_EQ(shown.size(), fresh.size());
    size_t differ = 0;
    for (size_t i = 0; i < shown.size(); ++i) differ += shown[i] != fresh[i];
    EXPECT_EQ(differ, 0u);
}

// Answers every message box the program opens from another thread by pressing Enter in it, as
// a sysop who accepts the default answer does, and keeps what the boxes said.
class EnterInEveryBox {
public:
    explicit EnterInEveryBox(DWORD ui_thread) : thread_([this, ui_thread] {
        while (!done_) {
            ::EnumThreadWindows(ui_thread, &EnterInEveryBox::answer, reinterpret_cast<LPARAM>(this));
            ::Sleep(20);
        }
    }) {}
    ~EnterInEveryBox() { stop(); }
    // What the boxes said, once no further box can come.
    const std::vector<std::string>& stop() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
        return texts_;
    }

private:
    static BOOL CALLBACK answer(HWND window, LPARAM self_ptr) {
        auto* self = reinterpret_cast<EnterInEveryBox*>(self_ptr);
        char cls[16] = {0};
        ::GetClassNameA(window, cls, sizeof cls);
        if (std::string(cls) != "#32770" || !::IsWindowVisible(window) || window == self->last_) return TRUE;
        char text[512] = {0};
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's message
        self->texts_.push_back(text);
        self->last_ = window;
        ::PostMessageA(window, WM_KEYDOWN, VK_RETURN, 1);
        ::PostMessageA(window, WM_KEYUP, VK_RETURN, 0xC0000001);
        return FALSE;
    }
    std::vector<std::string> texts_;
    std::atomic<bool> done_{false};
    HWND last_ = nullptr;
    std::thread thread_;
};

// The wizard from the keyboard, as in any Windows dialog: a page's field arrives selected, so
// what is typed replaces it (also after a refusal, where the keyboard goes back to the field);
// Tab runs the buttons as they stand, left to right; Alt and a letter presses a button or moves
// to a label's field; Escape is Cancel Wizard, whose question defaults to No.
TEST_F(Win32ViewTest, TheWizardAnswersTheKeyboardAsADialogDoes) {
    show();
    start_wizard(*app);
    pump();
    const auto typed = [&](const char* text) {
        for (const char* c = text; *c; ++c) ::PostMessageA(::GetFocus(), WM_CHAR, static_cast<WPARAM>(*c), 1);
        pump();
    };
    const auto press = [&](WPARAM key, bool alt = false) {
        // Alt+letter arrives as WM_SYSCHAR with the context bit set; other keys as WM_KEYDOWN.
        ::PostMessageA(::GetFocus(), alt ? WM_SYSCHAR : WM_KEYDOWN, key, alt ? (1 | (1 << 29)) : 1);
        pump();
    };
    ASSERT_EQ(::GetFocus(), control(C::WizardNodeCount));
    typed("3");
    EXPECT_EQ(view.text(C::WizardNodeCount), "3");
    for (ControlId id : {C::WizardAdvanced, C::WizardCancel, C::WizardNext}) {  // Back is grey on page 1
        press(VK_TAB);
        EXPECT_EQ(::GetFocus(), control(id)) << static_cast<int>(id);
    }
    view.set_text(C::WizardNodeCount, "33");
    std::vector<std::string> boxes;
    {
        EnterInEveryBox boxes_answered(::GetCurrentThreadId());
        press('n', true);  // refused: the count is too high
        EXPECT_EQ(app->ui.wizard_step, 0);
        EXPECT_EQ(::GetFocus(), control(C::WizardNodeCount));
        typed("2");
        press('n', true);
        EXPECT_EQ(app->ui.wizard_step, 1);
        press('b', true);
        EXPECT_EQ(app->ui.wizard_step, 0);
        press(VK_ESCAPE);  // asks; Enter answers No
        EXPECT_TRUE(app->ui.wizard_active && app->ui.screen == Screen::Wizard);
        boxes = boxes_answered.stop();
    }
    EXPECT_EQ(view.text(C::WizardNodeCount), "2");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Enter a node count from 1 through 32.");
    EXPECT_EQ(boxes[1].rfind("Cancel Wizard Mode and discard the proposed plan?", 0), 0u);
    // A field's label: Alt and its letter moves to the field, selected.
    ::SendMessageA(control(C::WizardAdvanced), BM_CLICK, 0, 0);
    view.set_text(C::MessageDir, "C:\\SF\\MESSAGE");
    ::SetFocus(control(C::NodeCount));
    press('m', true);
    EXPECT_EQ(::GetFocus(), control(C::MessageDir));
    DWORD from = 0, to = 0;
    ::SendMessageA(control(C::MessageDir), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_TRUE(from == 0 && to == 13) << from << " " << to;
    char caption[64] = {0};
    ::GetWindowTextA(control(C::HomeOrReturn), caption, sizeof caption);
    EXPECT_STREQ(caption, "Return to &Wizard");
    EXPECT_EQ(view.text(C::HomeOrReturn), "Return to Wizard");
}

// A blocked report is shown from its first ERROR line, with the caret there.
TEST_F(Win32ViewTest, AReportCanBeShownFromAGivenLine) {
    std::string report;
    for (int i = 0; i < 80; ++i) report += (i == 60 ? "ERROR: here\r\n" : "PASS: line\r\n");
    view.set_text(C::WriterText, report);
    view.show_line(C::WriterText, 60);
    EXPECT_EQ(::SendMessageA(control(C::WriterText), EM_GETFIRSTVISIBLELINE, 0, 0), 60);
    view.set_text(C::WriterText, report);
    EXPECT_EQ(::SendMessageA(control(C::WriterText), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

// Stepping through the closed profile list with the arrow keys parses nothing; the choice counts
// when the list closes on it or the focus leaves it, and only when it differs from the one the
// list was last parsed with.
TEST_F(Win32ViewTest, TheProfileListParsesOnlyAChoiceMade) {
    show();
    ::SendMessageA(control(C::AdvancedTools), BM_CLICK, 0, 0);
    view.set_selection(C::Tabs, static_cast<int>(Tab::NaPreview));
    show_tab_page(*app, Tab::NaPreview);
    // The keys in the closed list, what the list shows then, and the network name once the focus
    // has left it. Down and back up again is the same profile: nothing parsed.
    const struct { WPARAM first, second; int selected; std::string before, after; } steps[] = {
        {VK_DOWN, VK_DOWN, 2, "", app->profiles.profiles[1].display_name},
        {VK_DOWN, VK_UP, 2, "typed by the sysop", "typed by the sysop"},
    };
    for (const auto& k : steps) {
        view.set_text(C::NetworkName, k.before);
        ::SetFocus(control(C::ProfileChoice));
        for (WPARAM key : {k.first, k.second}) {
            ::SendMessageA(control(C::ProfileChoice), WM_KEYDOWN, key, 0);
            pump();
        }
        EXPECT_EQ(view.selection(C::ProfileChoice), k.selected);
        EXPECT_EQ(view.text(C::NetworkName), k.before);
        ::SetFocus(control(C::NetworkName));
        pump();
        EXPECT_EQ(view.text(C::NetworkName), k.after);
    }
}

// Seven seconds of file work on the window's thread (a long inspection or full backup): through
// the program's platform the window still answers what is sent to it, so Windows never marks it
// "Not Responding". Wine's IsHungAppWindow asks the window with a five-second timeout.
TEST(Win32Responsive, LongFileWorkLeavesTheWindowAnswering) {
    HWND window = ::CreateWindowExA(0, "STATIC", "busy", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ResponsivePlatform platform(make_native_platform());
    std::atomic<bool> done(false), hung(false);
    std::thread watcher([&] {
        while (!done)
            if (::IsHungAppWindow(window)) hung = true;
    });
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 7000) platform.attributes("C:\\");
    done = true;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // answers a question still waiting
    watcher.join();
    EXPECT_FALSE(hung);
    ::DestroyWindow(window);
}

}  // namespace
}  // namespace marlinth

#endif  // _WIN32
