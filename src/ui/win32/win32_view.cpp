#include "ui/win32/win32_view.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include "core/strings.h"
#include "core/version.h"
#include "ui/dispatch.h"
#include "ui/layout.h"

namespace marlinth {

namespace {

// Posted once for a burst of selection changes in the .NA list, so that a range selection
// shows the details once instead of once per row.
constexpr UINT kAreaSelectionNotice = WM_APP + 1;
// Posted when the profile list may hold a new choice (it closed, or lost the focus), so that
// the choice is read after the list has finished its own notifications.
constexpr UINT kProfileChoiceNotice = WM_APP + 2;
// A drop-down list's window height includes its opened list.
constexpr int kDropDownHeight = 240;
constexpr int kMinTrackWidth = 860;
constexpr int kMinTrackHeight = 650;
constexpr int kInitialWidth = 1120;
constexpr int kInitialHeight = 760;

bool is_edit_kind(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::NumberEdit || kind == ControlKind::MultiLineEdit ||
           kind == ControlKind::ReadOnlyText;
}

bool is_button_kind(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::DefaultButton || kind == ControlKind::CheckBox ||
           kind == ControlKind::Radio;
}

bool is_centred(ControlId id) {
    return id == ControlId::HomeTitle || id == ControlId::HomeLine || id == ControlId::HomeFooter;
}

std::string window_text(HWND hwnd) {
    if (!hwnd) return std::string();
    int length = ::GetWindowTextLengthA(hwnd);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = ::GetWindowTextA(hwnd, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// "description\0pattern\0...\0\0", as the file dialogs take their filters.
std::string filter_string(const std::vector<FileFilter>& filters) {
    std::string out;
    for (const FileFilter& f : filters) {
        out += f.description;
        out.push_back('\0');
        out += f.pattern;
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}

// The folder picker opens at the folder its field already names.
int CALLBACK open_folder_at(HWND dialog, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED) ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

}  // namespace

Win32View::Win32View(HINSTANCE instance) : instance_(instance) {}

Win32View::~Win32View() {
    if (heading_font_) ::DeleteObject(heading_font_);
    if (large_icon_) ::DestroyIcon(large_icon_);
    if (small_icon_) ::DestroyIcon(small_icon_);
}

bool Win32View::register_class() {
    small_icon_ = static_cast<HICON>(
        ::LoadImageA(instance_, MAKEINTRESOURCEA(kIconResource), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                     ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &Win32View::window_proc;
    wc.hInstance = instance_;
    wc.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(kIconResource));
    if (!wc.hIcon) wc.hIcon = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hIconSm = small_icon_;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassExA(&wc) != 0;
}

bool Win32View::create_window() {
    HWND hwnd = ::CreateWindowExA(WS_EX_CONTROLPARENT, kWindowClass, kProgramTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, kInitialWidth, kInitialHeight, nullptr, nullptr,
                                  instance_, this);
    return hwnd != nullptr;
}

LRESULT CALLBACK Win32View::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Win32View* self;
    if (message == WM_NCCREATE) {
        self = static_cast<Win32View*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Win32View*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcA(window, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

LRESULT Win32View::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return create_controls() ? 0 : -1;
    case WM_DESTROY:
        // Node 1's conference file bytes are the only block kept between operations.
        if (app_) app_->baseline.bytes.reset();
        ::CoUninitialize();
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        // The controls are gone with the window.
        LRESULT result = ::DefWindowProcA(window_, message, wparam, lparam);
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        controls_.clear();
        specs_.clear();
        return result;
    }
    case WM_SIZE:
        if (wparam != SIZE_MINIMIZED) relayout();
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lparam);
        info->ptMinTrackSize.x = kMinTrackWidth;
        info->ptMinTrackSize.y = kMinTrackHeight;
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) {
            // The title bar's close button, the system menu or Alt+F4: the sysop's own request.
            closing_ = true;
            LRESULT result = ::DefWindowProcA(window_, message, wparam, lparam);
            closing_ = false;
            return result;
        }
        break;
    case WM_CLOSE:
        // A multi-line field sends WM_CLOSE to its parent when Escape is pressed in it; that must
        // not end the program and lose the inspection, the reviewed names and the plan.
        if (!closing_) return 0;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE) {
            HWND focused = ::GetFocus();
            if (focused && ::IsChild(window_, focused)) saved_focus_ = focused;
        }
        break;
    case WM_SETFOCUS:
        if (saved_focus_ && ::IsWindowVisible(saved_focus_) && ::IsWindowEnabled(saved_focus_))
            give_focus(saved_focus_);
        else
            keep_focus_visible();
        return 0;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item->CtlID != static_cast<UINT>(ControlId::HomeIcon)) break;
        ::FillRect(item->hDC, &item->rcItem, ::GetSysColorBrush(COLOR_WINDOW));
        if (large_icon_) {
            const int size = 160;
            const int x = item->rcItem.left + (item->rcItem.right - item->rcItem.left - size) / 2;
            const int y = item->rcItem.top + (item->rcItem.bottom - item->rcItem.top - size) / 2;
            ::DrawIconEx(item->hDC, x, y, large_icon_, size, size, 0, nullptr, DI_NORMAL);
        }
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        return on_color_static(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
        return 0;
    case WM_NOTIFY:
        return on_notify(*reinterpret_cast<const NMHDR*>(lparam));
    case kProfileChoiceNotice: {
        const int chosen = selection(ControlId::ProfileChoice);
        if (chosen != parsed_profile_) {
            parsed_profile_ = chosen;
            notify(ControlId::ProfileChoice, UiEvent::Chosen);
        }
        return 0;
    }
    case kAreaSelectionNotice:
        area_notice_pending_ = false;
        if (filling_ == 0) notify(ControlId::AreaList, UiEvent::ItemChanged);
        return 0;
    case WM_NEXTDLGCTL: {
        // The dialog manager moves the keyboard with this message (a label's access key sends
        // the label, then "the next one"); a plain window must carry it out itself.
        HWND target = lparam ? reinterpret_cast<HWND>(wparam)
                             : ::GetNextDlgTabItem(window_, ::GetFocus(), wparam != 0 ? TRUE : FALSE);
        if (target && ::IsChild(window_, target)) give_focus(target);
        return 0;
    }
    case DM_GETDEFID: {
        ControlId id = enter_button();
        if (id == ControlId::None) return 0;
        return MAKELRESULT(static_cast<int>(id), DC_HASDEFID);
    }
    default:
        break;
    }
    return ::DefWindowProcA(window_, message, wparam, lparam);
}

HWND Win32View::create_control(const ControlSpec& def) {
    const char* cls = WC_STATICA;
    DWORD style = WS_CHILD;
    DWORD ex_style = 0;
    std::string text = marked(def) ? caption_with_access_key(def.text, def.access_keys) : def.text;
    // Every control starts a keyboard group except the later buttons of a radio group.
    if (def.kind != ControlKind::Radio || def.group_start) style |= WS_GROUP;
    if (def.starts_disabled) style |= WS_DISABLED;
    switch (def.kind) {
    case ControlKind::Label:
    case ControlKind::StatusText:
    case ControlKind::Heading:
        // A field's label shows its access key; every other text shows an '&' as it stands.
        style |= (marked(def) ? 0 : SS_NOPREFIX) | (is_centred(def.id) ? SS_CENTER : SS_LEFT);
        break;
    case ControlKind::Icon:
        // Drawn by the window (WM_DRAWITEM): an icon static would refuse to exist without its
        // resource, and this way the picture is drawn at exactly its size.
        style |= SS_OWNERDRAW;
        text.clear();
        break;
    case ControlKind::Edit:
    case ControlKind::NumberEdit:
        cls = WC_EDITA;
        style |= WS_TABSTOP | ES_AUTOHSCROLL | (def.kind == ControlKind::NumberEdit ? ES_NUMBER : 0);
        ex_style = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::MultiLineEdit:
        cls = WC_EDITA;
        style |= WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ReadOnlyText:
        cls = WC_EDITA;
        style |= WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Button:
        cls = WC_BUTTONA;
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case ControlKind::DefaultButton:
        cls = WC_BUTTONA;
        style |= WS_TABSTOP | BS_DEFPUSHBUTTON;
        break;
    case ControlKind::CheckBox:
        cls = WC_BUTTONA;
        style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
    case ControlKind::Radio:
        cls = WC_BUTTONA;
        style |= BS_AUTORADIOBUTTON | (def.group_start ? WS_TABSTOP : 0);
        break;
    case ControlKind::ChoiceList:
        cls = WC_COMBOBOXA;
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        text.clear();
        break;
    case ControlKind::ListBox:
        cls = WC_LISTBOXA;
        style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        ex_style = WS_EX_CLIENTEDGE;
        text.clear();
        break;
    case ControlKind::ListView:
        cls = WC_LISTVIEWA;
        style |= WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | (def.multi_select ? 0 : LVS_SINGLESEL);
        ex_style = WS_EX_CLIENTEDGE;
        text.clear();
        break;
    case ControlKind::TabControl:
        cls = WC_TABCONTROLA;
        style |= WS_TABSTOP | WS_CLIPSIBLINGS;
        text.clear();
        break;
    }
    HWND hwnd = ::CreateWindowExA(ex_style, cls, text.c_str(), style, 0, 0, 10, 10, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.id)), instance_, nullptr);
    if (!hwnd) return nullptr;

    HFONT font = def.kind == ControlKind::Heading ? heading_font_ : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    switch (def.kind) {
    case ControlKind::MultiLineEdit:
    case ControlKind::ReadOnlyText:
        // Reports run to a megabyte; lift the edit control's default limit.
        ::SendMessageA(hwnd, EM_SETLIMITTEXT, 0, 0);
        break;
    case ControlKind::ChoiceList:
        for (const std::string& item : def.items)
            ::SendMessageA(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (!def.items.empty()) ::SendMessageA(hwnd, CB_SETCURSEL, 0, 0);
        break;
    case ControlKind::ListView: {
        ::SendMessageA(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                       LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        int index = 0;
        for (const ColumnSpec& column : def.columns) {
            LVCOLUMNA col;
            ZeroMemory(&col, sizeof col);
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            col.pszText = const_cast<char*>(column.title);
            col.cx = column.width;
            col.iSubItem = index;
            ::SendMessageA(hwnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
            ++index;
        }
        break;
    }
    case ControlKind::TabControl: {
        int index = 0;
        for (const std::string& title : def.items) {
            TCITEMA item;
            ZeroMemory(&item, sizeof item);
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(title.c_str());
            ::SendMessageA(hwnd, TCM_INSERTITEMA, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
        }
        break;
    }
    default:
        break;
    }
    return hwnd;
}

bool Win32View::create_controls() {
    LOGFONTA lf;
    if (::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == sizeof lf) {
        lf.lfHeight = -19;
        lf.lfWidth = 0;
        lf.lfWeight = FW_BOLD;
        heading_font_ = ::CreateFontIndirectA(&lf);
    }
    if (!heading_font_) heading_font_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    large_icon_ = static_cast<HICON>(
        ::LoadImageA(instance_, MAKEINTRESOURCEA(kIconResource), IMAGE_ICON, 160, 160, LR_DEFAULTCOLOR));
    if (!large_icon_)
        large_icon_ = ::CopyIcon(::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));

    for (const ControlSpec& def : control_table()) {
        HWND hwnd = create_control(def);
        if (!hwnd) return false;
        controls_[static_cast<int>(def.id)] = hwnd;
        specs_[static_cast<int>(def.id)] = &def;
    }
    // The tab control lies under its pages' controls, which are its siblings: it must neither
    // paint over them nor take their clicks.
    ::SetWindowPos(control(ControlId::Tabs), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

HWND Win32View::control(ControlId id) const {
    auto it = controls_.find(static_cast<int>(id));
    return it == controls_.end() ? nullptr : it->second;
}

const ControlSpec* Win32View::spec_of(int id) const {
    auto it = specs_.find(id);
    return it == specs_.end() ? nullptr : it->second;
}

bool Win32View::marked(const ControlSpec& def) const {
    return def.access_keys && *def.access_keys && (is_button_kind(def.kind) || def.kind == ControlKind::Label);
}

void Win32View::give_focus(HWND hwnd) {
    ::SetFocus(hwnd);
    const ControlSpec* def = spec_of(::GetDlgCtrlID(hwnd));
    if (def && (def->kind == ControlKind::Edit || def->kind == ControlKind::NumberEdit) && ::GetFocus() == hwnd)
        ::SendMessageA(hwnd, EM_SETSEL, 0, -1);
}

void Win32View::notify(ControlId id, UiEvent event) {
    if (app_) dispatch(*app_, id, event);
}

void Win32View::on_command(int id, int code, HWND from) {
    // Escape, as the dialog manager reports it: on a wizard page it is Cancel Wizard, which asks
    // first. (A multi-line field keeps Escape to itself and never gets here.)
    if (id == IDCANCEL && !from) {
        HWND cancel = control(ControlId::WizardCancel);
        if (app_ && app_->ui.screen == Screen::Wizard && cancel && ::IsWindowVisible(cancel) && ::IsWindowEnabled(cancel))
            notify(ControlId::WizardCancel, UiEvent::Clicked);
        return;
    }
    const ControlSpec* def = spec_of(id);
    if (!def || !from) return;  // menus, accelerators and the dialog manager's IDOK
    UiEvent event;
    if (is_button_kind(def->kind) && code == BN_CLICKED) {
        event = UiEvent::Clicked;
    } else if (is_edit_kind(def->kind) && code == EN_CHANGE) {
        event = UiEvent::Edited;
    } else if (def->id == ControlId::ProfileChoice) {
        // A new profile parses the list again and drops its edits and approvals: only a choice
        // made counts, not every arrow-key step through the closed list.
        if (code == CBN_CLOSEUP || code == CBN_KILLFOCUS) ::PostMessageA(window_, kProfileChoiceNotice, 0, 0);
        return;
    } else if (def->kind == ControlKind::ChoiceList && code == CBN_SELCHANGE) {
        event = UiEvent::Chosen;
    } else if (def->kind == ControlKind::ListBox && code == LBN_SELCHANGE) {
        event = UiEvent::Chosen;
    } else {
        return;
    }
    if (event == UiEvent::Clicked) {
        // Commands run to completion on this thread; show that the window is busy meanwhile.
        HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
        notify(def->id, event);
        ::SetCursor(previous);
        return;
    }
    notify(def->id, event);
}

LRESULT Win32View::on_notify(const NMHDR& header) {
    const int id = static_cast<int>(header.idFrom);
    if (id == static_cast<int>(ControlId::Tabs) && header.code == TCN_SELCHANGE) {
        notify(ControlId::Tabs, UiEvent::Chosen);
        return 0;
    }
    if (id == static_cast<int>(ControlId::AreaList) && filling_ == 0) {
        bool changed = header.code == static_cast<UINT>(NM_CLICK);
        if (header.code == static_cast<UINT>(LVN_ITEMCHANGED)) {
            const NMLISTVIEW& item = reinterpret_cast<const NMLISTVIEW&>(header);
            changed = (item.uChanged & LVIF_STATE) != 0 && ((item.uOldState ^ item.uNewState) & LVIS_SELECTED) != 0;
        }
        if (changed && !area_notice_pending_) {
            area_notice_pending_ = true;
            ::PostMessageA(window_, kAreaSelectionNotice, 0, 0);
        }
    }
    return 0;
}

LRESULT Win32View::on_color_static(HDC dc, HWND from) {
    const ControlSpec* def = spec_of(::GetDlgCtrlID(from));
    // Read-only fields keep the system's look.
    if (!def || is_edit_kind(def->kind)) return ::DefWindowProcA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                                  reinterpret_cast<LPARAM>(from));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

ControlId Win32View::enter_button() const {
    HWND focused = ::GetFocus();
    if (focused && ::IsChild(window_, focused)) {
        const ControlSpec* def = spec_of(::GetDlgCtrlID(focused));
        if (def && (def->kind == ControlKind::Button || def->kind == ControlKind::DefaultButton)) return def->id;
    }
    for (const ControlSpec& def : control_table()) {
        if (def.kind != ControlKind::DefaultButton) continue;
        HWND hwnd = control(def.id);
        if (hwnd && (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) && ::IsWindowEnabled(hwnd)) return def.id;
    }
    return ControlId::None;
}

void Win32View::keep_focus_visible() {
    if (!window_ || ::GetActiveWindow() != window_) return;
    HWND focused = ::GetFocus();
    if (focused && focused != window_ && ::IsChild(window_, focused) && ::IsWindowVisible(focused) &&
        ::IsWindowEnabled(focused))
        return;
    // Advanced Tools: the tab strip; elsewhere the default button; else the first control
    // that takes the focus.
    ControlId target = ControlId::None;
    if (app_ && app_->ui.screen == Screen::AdvancedTools) target = ControlId::Tabs;
    if (target == ControlId::None) target = enter_button();
    HWND hwnd = target == ControlId::None ? nullptr : control(target);
    if (!hwnd || !::IsWindowVisible(hwnd) || !::IsWindowEnabled(hwnd))
        hwnd = ::GetNextDlgTabItem(window_, nullptr, FALSE);
    if (hwnd) give_focus(hwnd);
}

bool Win32View::handle_dialog_keys(MSG& message) {
    if (!window_) return false;
    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp page through the tabs, as in any
    // tabbed dialog.
    if (message.message == WM_KEYDOWN && app_ && app_->ui.screen == Screen::AdvancedTools &&
        (message.hwnd == window_ || ::IsChild(window_, message.hwnd)) && (::GetKeyState(VK_CONTROL) & 0x8000)) {
        int step = 0;
        if (message.wParam == VK_TAB) step = (::GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1;
        if (message.wParam == VK_NEXT) step = 1;
        if (message.wParam == VK_PRIOR) step = -1;
        if (step != 0) {
            const int current = selection(ControlId::Tabs);
            set_selection(ControlId::Tabs, ((current < 0 ? 0 : current) + step + kTabCount) % kTabCount);
            notify(ControlId::Tabs, UiEvent::Chosen);
            return true;
        }
    }
    // Tab and Shift+Tab leave a multi-line field too (the field itself would keep them), so that
    // the keyboard reaches every control of every page.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && !(::GetKeyState(VK_CONTROL) & 0x8000) &&
        ::IsChild(window_, message.hwnd)) {
        const ControlSpec* def = spec_of(::GetDlgCtrlID(message.hwnd));
        if (def && (def->kind == ControlKind::MultiLineEdit || def->kind == ControlKind::ReadOnlyText)) {
            HWND next = ::GetNextDlgTabItem(window_, message.hwnd, (::GetKeyState(VK_SHIFT) & 0x8000) != 0);
            if (next && next != message.hwnd) give_focus(next);
            return true;
        }
    }
    return ::IsDialogMessageA(window_, &message) != 0;
}

std::string Win32View::text(ControlId id) {
    HWND hwnd = control(id);
    const ControlSpec* def = spec_of(static_cast<int>(id));
    if (!hwnd || !def) return std::string();
    if (def->kind == ControlKind::ChoiceList || def->kind == ControlKind::ListBox) {
        const bool combo = def->kind == ControlKind::ChoiceList;
        LRESULT index = ::SendMessageA(hwnd, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
        if (index < 0) return std::string();
        LRESULT length = ::SendMessageA(hwnd, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length <= 0) return std::string();
        std::string item(static_cast<size_t>(length) + 1, '\0');
        ::SendMessageA(hwnd, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item[0]));
        item.resize(static_cast<size_t>(length));
        return item;
    }
    if (!marked(*def)) return window_text(hwnd);
    // The caption as written: without the access key's '&', with a doubled '&' single again.
    const std::string caption = window_text(hwnd);
    std::string plain;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && ++i == caption.size()) break;
        plain.push_back(caption[i]);
    }
    return plain;
}

void Win32View::set_text(ControlId id, const std::string& text) {
    HWND hwnd = control(id);
    const ControlSpec* def = spec_of(static_cast<int>(id));
    if (!hwnd || !def) return;
    ::SetWindowTextA(hwnd, marked(*def) ? caption_with_access_key(text, def->access_keys).c_str() : text.c_str());
    // A one-line field reports EN_CHANGE for a programmatic change by itself; a multi-line one
    // does not, so raise the same notification here.
    if (def->kind == ControlKind::MultiLineEdit || def->kind == ControlKind::ReadOnlyText)
        notify(id, UiEvent::Edited);
}

bool Win32View::checked(ControlId id) {
    HWND hwnd = control(id);
    return hwnd && ::SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32View::set_checked(ControlId id, bool on) {
    if (HWND hwnd = control(id)) ::SendMessageA(hwnd, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32View::set_items(ControlId id, const std::vector<std::string>& items) {
    HWND hwnd = control(id);
    const ControlSpec* def = spec_of(static_cast<int>(id));
    if (!hwnd || !def) return;
    const bool combo = def->kind == ControlKind::ChoiceList;
    if (!combo && def->kind != ControlKind::ListBox) return;
    ::SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(hwnd, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        ::SendMessageA(hwnd, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    ::SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd, nullptr, TRUE);
}

int Win32View::item_count(ControlId id) {
    HWND hwnd = control(id);
    const ControlSpec* def = spec_of(static_cast<int>(id));
    if (!hwnd || !def) return 0;
    switch (def->kind) {
    case ControlKind::ChoiceList:
        return static_cast<int>(::SendMessageA(hwnd, CB_GETCOUNT, 0, 0));
    case ControlKind::ListBox:
        return static_cast<int>(::SendMessageA(hwnd, LB_GETCOUNT, 0, 0));
    case ControlKind::TabControl:
        return static_cast<int>(::SendMessageA(hwnd, TCM_GETITEMCOUNT, 0, 0));
    case ControlKind::ListView:
        return static_cast<int>(::SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0));
    default:
        return 0;
    }
}

int Win32View::selection(ControlId id) {
    HWND hwnd = control(id);
    const ControlSpec* def = spec_of(static_cast<int>(id));
    if (!hwnd || !def) return -1;
    LRESULT index = -1;
    switch (def->kind) {
    case ControlKind::ChoiceList:
        index = ::SendMessageA(hwnd, CB_GETCURSEL, 0, 0);
        break;
    case ControlKind::ListBox:
        index = ::SendMessageA(hwnd, LB_GETCURSEL, 0, 0);
        break;
    case ControlKind::TabControl:
        index = ::SendMessageA(hwnd, TCM_GETCURSEL, 0, 0);
        break;
    default:
        break;
    }
    return index < 0 ? -1 : static_cast<int>(index);
}

void Win32View::set_selection(ControlId id, int index) {
    HWND hwnd = control(id);
    const ControlSpec* def = spec_of(static_cast<int>(id));
    if (!hwnd || !def) return;
    switch (def->kind) {
    case ControlKind::ChoiceList:
        ::SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        if (id == ControlId::ProfileChoice) parsed_profile_ = selection(id);
        break;
    case ControlKind::ListBox:
        ::SendMessageA(hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        break;
    case ControlKind::TabControl:
        if (index >= 0) ::SendMessageA(hwnd, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        break;
    default:
        break;
    }
}

void Win32View::set_rows(ControlId id, const std::vector<std::vector<std::string>>& rows) {
    HWND hwnd = control(id);
    if (!hwnd) return;
    ++filling_;
    ::SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(hwnd, LVM_DELETEALLITEMS, 0, 0);
    ::SendMessageA(hwnd, LVM_SETITEMCOUNT, rows.size(), 0);
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::vector<std::string>& row = rows[r];
        LVITEMA item;
        ZeroMemory(&item, sizeof item);
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(r);
        item.pszText = const_cast<char*>(row.empty() ? "" : row[0].c_str());
        int at = static_cast<int>(::SendMessageA(hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        for (size_t c = 1; c < row.size(); ++c) {
            LVITEMA sub;
            ZeroMemory(&sub, sizeof sub);
            sub.iSubItem = static_cast<int>(c);
            sub.pszText = const_cast<char*>(row[c].c_str());
            ::SendMessageA(hwnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
        }
    }
    ::SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd, nullptr, TRUE);
    --filling_;
}

std::vector<int> Win32View::selected_rows(ControlId id) {
    std::vector<int> rows;
    HWND hwnd = control(id);
    if (!hwnd) return rows;
    int index = -1;
    while ((index = static_cast<int>(::SendMessageA(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(index),
                                                    MAKELPARAM(LVNI_SELECTED, 0)))) >= 0)
        rows.push_back(index);
    return rows;
}

void Win32View::select_row(ControlId id, int row) {
    HWND hwnd = control(id);
    if (!hwnd) return;
    ++filling_;
    LVITEMA state;
    ZeroMemory(&state, sizeof state);
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    ::SendMessageA(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    const int count = static_cast<int>(::SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0));
    if (row >= 0 && row < count) {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        ::SendMessageA(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    --filling_;
}

void Win32View::set_enabled(ControlId id, bool on) {
    if (HWND hwnd = control(id)) ::EnableWindow(hwnd, on ? TRUE : FALSE);
}

bool Win32View::enabled(ControlId id) {
    HWND hwnd = control(id);
    return hwnd && ::IsWindowEnabled(hwnd);
}

void Win32View::set_visible(ControlId id, bool on) {
    HWND hwnd = control(id);
    if (!hwnd || visible(id) == on) return;
    ::ShowWindow(hwnd, on ? SW_SHOWNA : SW_HIDE);
}

bool Win32View::visible(ControlId id) {
    HWND hwnd = control(id);
    // The control's own flag: the main window itself is still hidden during start-up.
    return hwnd && (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32View::focus(ControlId id) {
    HWND hwnd = control(id);
    if (!hwnd) return;
    saved_focus_ = hwnd;
    if (::GetActiveWindow() == window_) give_focus(hwnd);
}

void Win32View::show_line(ControlId id, size_t line) {
    HWND hwnd = control(id);
    if (!hwnd) return;
    const LRESULT start = ::SendMessageA(hwnd, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
    if (start < 0) return;
    ::SendMessageA(hwnd, EM_SETSEL, static_cast<WPARAM>(start), start);
    const LRESULT first = ::SendMessageA(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0);
    ::SendMessageA(hwnd, EM_LINESCROLL, 0, static_cast<LPARAM>(static_cast<LRESULT>(line) - first));
}

void Win32View::set_status(StatusLine line, const std::string& text) { set_text(status_control(line), text); }

std::string Win32View::status(StatusLine line) { return text(status_control(line)); }

BoxAnswer Win32View::message_box(BoxIcon icon, BoxButtons buttons, const std::string& text) {
    UINT flags = MB_APPLMODAL | MB_SETFOREGROUND;
    switch (icon) {
    case BoxIcon::Error:
        flags |= MB_ICONERROR;
        break;
    case BoxIcon::Warning:
        flags |= MB_ICONWARNING;
        break;
    case BoxIcon::Information:
        flags |= MB_ICONINFORMATION;
        break;
    case BoxIcon::Question:
        flags |= MB_ICONQUESTION;
        break;
    }
    // Questions default to No.
    flags |= buttons == BoxButtons::YesNo ? (MB_YESNO | MB_DEFBUTTON2) : MB_OK;
    const int answer = ::MessageBoxA(window_, text.c_str(), kProgramTitle, flags);
    if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
    return answer == IDYES ? BoxAnswer::Yes : BoxAnswer::No;
}

bool Win32View::pick_folder(const std::string& title, std::string& path) {
    char display[MAX_PATH] = {0};
    const std::string start = bounded(path, MAX_PATH - 1);
    BROWSEINFOA info;
    ZeroMemory(&info, sizeof info);
    info.hwndOwner = window_;
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    if (!start.empty()) {
        info.lpfn = &open_folder_at;
        info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    }
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    if (!chosen) return false;
    char buffer[MAX_PATH] = {0};
    const bool ok = ::SHGetPathFromIDListA(chosen, buffer) != 0 && buffer[0] != '\0';
    ::CoTaskMemFree(chosen);
    if (!ok) return false;
    path = buffer;
    return true;
}

bool Win32View::pick_file(const FileDialogSpec& def, std::string& path, bool save) {
    char buffer[MAX_PATH] = {0};
    const std::string initial = bounded(def.initial_name, MAX_PATH - 1);
    initial.copy(buffer, initial.size());
    const std::string filters = filter_string(def.filters);
    // The dialog wants the extension without its dot.
    std::string extension = def.default_extension;
    if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = def.filters.empty() ? nullptr : filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = def.initial_directory.empty() ? nullptr : def.initial_directory.c_str();
    ofn.lpstrTitle = def.title.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    ofn.Flags |= save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    const BOOL chosen = save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
    if (!chosen || buffer[0] == '\0') return false;
    path = buffer;
    return true;
}

bool Win32View::pick_open_file(const FileDialogSpec& def, std::string& path) { return pick_file(def, path, false); }

bool Win32View::pick_save_file(const FileDialogSpec& def, std::string& path) { return pick_file(def, path, true); }

void Win32View::relayout() {
    if (!window_ || !app_) return;
    RECT client;
    ::GetClientRect(window_, &client);
    const Layout layout = layout_controls(app_->ui, client.right - client.left, client.bottom - client.top);
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(layout.placements.size()));
    for (const Placement& p : layout.placements) {
        HWND hwnd = control(p.id);
        const ControlSpec* def = spec_of(static_cast<int>(p.id));
        if (!hwnd || !def) continue;
        const int height = def->kind == ControlKind::ChoiceList ? p.rect.height + kDropDownHeight : p.rect.height;
        if (batch)
            batch = ::DeferWindowPos(batch, hwnd, nullptr, p.rect.x, p.rect.y, p.rect.width, height,
                                     SWP_NOZORDER | SWP_NOACTIVATE);
        else
            ::SetWindowPos(hwnd, nullptr, p.rect.x, p.rect.y, p.rect.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) ::EndDeferWindowPos(batch);
    // Every control, not only the window: a control shown again at the place it had on another
    // screen is not repainted by its move alone (Back from Advanced Tools after a resize left
    // half-drawn buttons and a combo box's remains over the list header).
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    keep_focus_visible();
    restore_default_look();
}

void Win32View::restore_default_look() {
    // The dialog manager gives a push button the default look while it has the focus and does
    // not take it back when the button is hidden with its page: only the page's default button,
    // or the focused push button, may look like the one Enter presses.
    HWND focused = ::GetFocus();
    const ControlSpec* focused_def = focused ? spec_of(::GetDlgCtrlID(focused)) : nullptr;
    const bool button_focused = focused_def && (focused_def->kind == ControlKind::Button ||
                                                focused_def->kind == ControlKind::DefaultButton);
    for (const auto& [id, hwnd] : controls_) {
        const ControlSpec* def = spec_of(id);
        if (!def || (def->kind != ControlKind::Button && def->kind != ControlKind::DefaultButton)) continue;
        const bool looks_default = button_focused ? hwnd == focused : def->kind == ControlKind::DefaultButton;
        const LONG want = looks_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((::GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK) != want) ::SendMessageA(hwnd, BM_SETSTYLE, want, TRUE);
    }
}

void Win32View::repaint() {
    if (window_) ::RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32View::show_progress(const std::string& text) {
    set_status(StatusLine::Main, text);
    if (HWND hwnd = control(status_control(StatusLine::Main))) ::UpdateWindow(hwnd);
    if (window_) ::UpdateWindow(window_);
}

}  // namespace marlinth
