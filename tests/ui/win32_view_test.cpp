// The real window, driven through its messages as Windows drives it (64-bit build under Wine):
// the controls from the control table, change notifications for programmatic edits, command
// and notification routing, the default button and the geometry.
#ifdef _WIN32

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "core/platform.h"
#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/screens.h"
#include "ui/startup.h"
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
        INITCOMMONCONTROLSEX controls;
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES;
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
        // Leave no quit message behind for the next case.
        MSG m;
        while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND control(ControlId id) { return ::GetDlgItem(view.window(), static_cast<int>(id)); }
    RECT client_rect_of(ControlId id) {
        RECT r;
        ::GetWindowRect(control(id), &r);
        ::MapWindowPoints(nullptr, view.window(), reinterpret_cast<POINT*>(&r), 2);
        return r;
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

TEST_F(Win32ViewTest, EveryControlOfTheTableExistsWithItsTextAndStartsOnHome) {
    for (const ControlSpec& entry : control_table()) {
        HWND hwnd = control(entry.id);
        ASSERT_NE(hwnd, nullptr) << static_cast<int>(entry.id);
        const bool on_home = (entry.pages & page::kHome) != 0;
        EXPECT_EQ(view.visible(entry.id), on_home) << static_cast<int>(entry.id);
        if (entry.kind == ControlKind::Label || entry.kind == ControlKind::Button || entry.kind == ControlKind::CheckBox) {
            EXPECT_EQ(view.text(entry.id), entry.text);
        }
    }
    EXPECT_EQ(view.item_count(C::Tabs), kTabCount);
    EXPECT_EQ(view.item_count(C::ShowFilter), 4);
    EXPECT_EQ(view.text(C::ShowFilter), "All");
    EXPECT_EQ(view.text(C::ProfileChoice), "Auto-detect from known profiles");
    EXPECT_EQ(::SendMessageA(control(C::ConferenceList), LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_TRUE(::GetWindowLongA(control(C::NodeCount), GWL_STYLE) & ES_NUMBER);
    EXPECT_TRUE(::GetWindowLongA(control(C::NodeList), GWL_STYLE) & ES_WANTRETURN);
    EXPECT_TRUE(::GetWindowLongA(control(C::ReportText), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(::GetWindowLongA(control(C::AreaList), GWL_STYLE) & LVS_SINGLESEL);
    EXPECT_TRUE(::GetWindowLongA(control(C::ConferenceList), GWL_STYLE) & LVS_SINGLESEL);
}

TEST_F(Win32ViewTest, ProgrammaticEditsRaiseTheSameChangeAsTyping) {
    // One-line field: the control's own EN_CHANGE.
    app->flags.inspection_passed = true;
    view.set_text(C::MessageDir, "C:\\SF\\MESSAGE");
    EXPECT_FALSE(app->flags.inspection_passed);
    EXPECT_EQ(view.status(StatusLine::Writer), "Spitfire setup changed. Run Read-Only Inspection again.");
    // Multi-line field: Windows sends no EN_CHANGE for WM_SETTEXT here; the view must.
    app->flags.inspection_passed = true;
    view.set_text(C::NodeList, "C:\\SF\r\nC:\\SF2");
    EXPECT_FALSE(app->flags.inspection_passed);
    EXPECT_EQ(view.text(C::NodeList), "C:\\SF\r\nC:\\SF2");
    // Held notifications (filling fields at start) change nothing.
    app->flags.inspection_passed = true;
    ++app->notifications_held;
    view.set_text(C::NodeCount, "2");
    --app->notifications_held;
    EXPECT_TRUE(app->flags.inspection_passed);
    // Status lines are plain texts: no notification.
    view.set_status(StatusLine::Main, "Working...");
    EXPECT_TRUE(app->flags.inspection_passed);
    EXPECT_EQ(view.text(C::MainStatus), "Working...");
}

TEST_F(Win32ViewTest, ButtonClicksAndTabChangesReachTheDispatcher) {
    ::SendMessageA(control(C::AdvancedTools), BM_CLICK, 0, 0);
    EXPECT_EQ(app->ui.screen, Screen::AdvancedTools);
    EXPECT_TRUE(view.visible(C::Tabs));
    EXPECT_TRUE(view.visible(C::NodeCount));
    EXPECT_FALSE(view.visible(C::StartWizard));
    EXPECT_EQ(view.text(C::HomeOrReturn), "Home");

    // The user picks the Writer tab.
    ::SendMessageA(control(C::Tabs), TCM_SETCURSEL, static_cast<WPARAM>(Tab::Writer), 0);
    NMHDR header{control(C::Tabs), static_cast<UINT_PTR>(C::Tabs), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageA(view.window(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(app->ui.active_tab, Tab::Writer);
    EXPECT_TRUE(view.visible(C::BackupRoot));
    EXPECT_FALSE(view.visible(C::NodeCount));

    ::SendMessageA(control(C::HomeOrReturn), BM_CLICK, 0, 0);
    EXPECT_EQ(app->ui.screen, Screen::Home);
    EXPECT_TRUE(view.visible(C::StartWizard));
    EXPECT_FALSE(view.visible(C::BackupRoot));
}

TEST_F(Win32ViewTest, EnterPressesTheDefaultButtonOfTheVisiblePage) {
    EXPECT_EQ(default_id(), C::StartWizard);
    for (auto [tab, id] : {std::pair<Tab, ControlId>{Tab::Setup, C::RunInspection}, {Tab::Conferences, C::None},
                           {Tab::SettingsPlan, C::GeneratePlan}, {Tab::Writer, C::RunPreflight}}) {
        open_advanced_tab(*app, tab);
        EXPECT_EQ(default_id(), id) << static_cast<int>(tab);
    }
    // A disabled default button is not pressed.
    view.set_enabled(C::RunPreflight, false);
    EXPECT_EQ(default_id(), C::None);
}

TEST_F(Win32ViewTest, ChoiceListsListBoxesAndListViews) {
    for (ControlId id : {C::ConferenceListBox, C::TemplateChoice}) {  // a list box and a drop-down list
        view.set_items(id, {"#1 General", "#2 Sysops", "#3 Retro"});
        EXPECT_EQ(view.item_count(id), 3);
        EXPECT_EQ(view.selection(id), -1);
        view.set_selection(id, 1);
        EXPECT_EQ(view.text(id), "#2 Sysops");
    }

    view.set_rows(C::AreaList, {{"3", "DEMO_GENERAL", "General chat"}, {"4", "DEMO_SYSOPS", "Sysops"}, {"5", "X", "Y"}});
    EXPECT_EQ(view.item_count(C::AreaList), 3);
    EXPECT_TRUE(view.selected_rows(C::AreaList).empty());
    view.select_row(C::AreaList, 2);
    EXPECT_EQ(view.selected_rows(C::AreaList), std::vector<int>{2});
    view.select_row(C::AreaList, -1);
    EXPECT_TRUE(view.selected_rows(C::AreaList).empty());
    char cell[64] = {0};
    LVITEMA item{};
    item.iSubItem = 1;
    item.pszText = cell;
    item.cchTextMax = sizeof cell;
    ::SendMessageA(control(C::AreaList), LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(cell, "DEMO_SYSOPS");
    view.set_rows(C::AreaList, {});
    EXPECT_EQ(view.item_count(C::AreaList), 0);

    view.set_checked(C::UseQuarro, true);
    EXPECT_TRUE(view.checked(C::UseQuarro));
    view.set_enabled(C::QuarroCfgPath, false);
    EXPECT_FALSE(view.enabled(C::QuarroCfgPath));
}

// The .NA list reports a user's selection once per burst of row changes, and never the rows
// the program itself fills or selects.
TEST_F(Win32ViewTest, AreaListSelectionNoticesComeFromTheUserOnly) {
    const UINT notice = WM_APP + 1;  // the view's coalesced selection notice
    auto pending_notices = [&] {
        int n = 0;
        MSG m;
        while (::PeekMessageA(&m, view.window(), notice, notice, PM_REMOVE)) ++n;
        return n;
    };
    view.set_rows(C::AreaList, {{"1", "A"}, {"2", "B"}, {"3", "C"}, {"4", "D"}});
    view.select_row(C::AreaList, 1);
    view.select_row(C::AreaList, 3);
    EXPECT_EQ(pending_notices(), 0);

    // The user selects three rows at once (as a shift-click does).
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    for (int row : {0, 1, 2}) ::SendMessageA(control(C::AreaList), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(pending_notices(), 1);
    EXPECT_EQ(view.selected_rows(C::AreaList), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(Win32ViewTest, CtrlTabPagesThroughTheTabs) {
    open_advanced_tab(*app, Tab::Log);
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    MSG m{};
    m.hwnd = control(C::NodeCount);
    m.message = WM_KEYDOWN;
    m.wParam = VK_TAB;
    EXPECT_TRUE(view.handle_dialog_keys(m));
    EXPECT_EQ(app->ui.active_tab, Tab::SettingsPlan);
    m.wParam = VK_NEXT;
    EXPECT_TRUE(view.handle_dialog_keys(m));
    m.wParam = VK_NEXT;
    EXPECT_TRUE(view.handle_dialog_keys(m));
    EXPECT_EQ(app->ui.active_tab, Tab::Setup);  // round from Writer to Setup
    EXPECT_EQ(view.selection(C::Tabs), 0);
    m.wParam = VK_PRIOR;
    EXPECT_TRUE(view.handle_dialog_keys(m));
    EXPECT_EQ(app->ui.active_tab, Tab::Writer);
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
}

TEST_F(Win32ViewTest, ControlsSitWhereTheLayoutPutsThemAndTheWindowKeepsItsMinimum) {
    RECT client;
    ::GetClientRect(view.window(), &client);
    for (ControlId id : {C::StartWizard, C::AdvancedTools, C::HomeIcon, C::HomeFooter, C::BrowseMessageDir}) {
        if (id == C::BrowseMessageDir) open_advanced_tab(*app, Tab::Setup);
        const Layout layout = layout_controls(app->ui, client.right, client.bottom);
        ASSERT_NE(layout.find(id), nullptr);
        const Rect want = *layout.find(id);
        const RECT got = client_rect_of(id);
        EXPECT_TRUE(got.left == want.x && got.top == want.y && got.right - got.left == want.width) << static_cast<int>(id);
    }

    MINMAXINFO info{};
    ::SendMessageA(view.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 860);
    EXPECT_EQ(info.ptMinTrackSize.y, 650);

    char title[128];
    ::GetWindowTextA(view.window(), title, sizeof title);
    EXPECT_STREQ(title, "Marlinth v0.4b Beta 1 - Quarro32 Multi-Link Parser");
}

TEST_F(Win32ViewTest, DestroyingTheWindowReleasesTheBaselineAndEndsTheLoop) {
    ASSERT_TRUE(app->baseline.bytes.allocate(*platform, 128));
    ::DestroyWindow(view.window());
    EXPECT_TRUE(app->baseline.bytes.empty());
    MSG m;
    bool quit = false;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        if (m.message == WM_QUIT) quit = true;
    EXPECT_TRUE(quit);
    EXPECT_EQ(view.window(), nullptr);
}

}  // namespace
}  // namespace marlinth

#endif  // _WIN32
