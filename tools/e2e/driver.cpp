// e2e-driver SETTINGS.ini: walks the real Marlinth.exe through Wizard Mode the way a sysop does,
// from the Home screen to the final inspection, and takes a picture of the window on every page.
//
// It starts Marlinth.exe in its own directory (beside a Marlinth.cfg for a generated installation),
// finds the main window and its controls by identifier and works them from outside: it types into
// fields (WM_SETTEXT, or a replaced selection in a multi-line field, so the program gets the same
// change notification as from the keyboard), clicks buttons, ticks boxes and chooses radio buttons
// (BM_CLICK), and selects list rows (LVM_SETITEMSTATE with the item in the program's memory).
// Every click is sent without waiting for it (SendMessageCallback), so a command that opens a
// message box or the open-file dialog does not block the driver: it finds the dialog, logs the
// text, checks it against what the step expects and presses the expected button, or types the
// file's path into the open-file dialog and presses Open. Then the command returns and the
// callback says so.
//
// Between the commit and the final inspection it runs SETTINGS' FIRSTBOOT command line, which
// does what Spitfire's first boot does: it creates the empty message bases of the new conferences.
//
// Pictures: SHOTS\<name>.bmp, the window as it is on the screen (24-bit BMP, converted to PNG by
// the caller). Output: one line per action and per box on stdout; exit status 0 when every page
// behaved as expected, 1 otherwise (with SHOTS\failure.bmp of the whole screen).
//
// SETTINGS holds KEY=VALUE lines: EXE, NODES, NODE1 .. NODEn, MESSAGE, QUARRO, BACKUP, NA, SHOWCASE
// (a list with blocked areas, loaded first), SHOTS,
// FIRSTBOOT, NEW (conferences the .NA adds), EXISTING (conferences before), REVIEW (areas that
// need approval), REVIEW_ROW and REVIEW_TAG (the row and echo tag of one of them, approved on its
// own) and LAST_TAG (the echo tag of the last area, which also waits for approval).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/view.h"
#include "core/version.h"

namespace {

// Control identifiers of the main window: the program's own table.
using Id = marlinth::ControlId;

const char* const kTitle = marlinth::kProgramTitle;
const char* const kOpenTitle = "Select an echo-area .NA file";

const char* const kQuestions[15] = {
    "How many Spitfire nodes do you have?",
    "Where is Node 1 installed?",
    "Should Marlinth scan for the remaining nodes?",
    "Are these node locations correct?",
    "Where is the shared MESSAGE directory?",
    "Does this system use QUARRO32?",
    "Check the Spitfire system",
    "Choose backup protection",
    "Choose an FTN .NA area list",
    "Choose the default conference settings",
    "Review every proposed conference",
    "Review the dry-run plan",
    "Shut down and verify safety",
    "Final confirmation and commit",
    "Conference append complete",
};

constexpr DWORD kCommandTimeout = 180000;  // an inspection, a backup or a commit on a slow machine
constexpr DWORD kMessageTimeout = 30000;

PROCESS_INFORMATION g_child = {};
HWND g_main = nullptr;
std::string g_shots;

void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

bool starts_with(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// --- pictures -----------------------------------------------------------------------------------

bool capture(const RECT& area, const std::string& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = dib != nullptr;
    if (ok) {
        HGDIOBJ old = ::SelectObject(memory, dib);
        ok = ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT) != 0;
        ::GdiFlush();
        ::SelectObject(memory, old);
    }
    if (ok) {
        const DWORD row = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD pixels = row * static_cast<DWORD>(height);
        BITMAPFILEHEADER file;
        ZeroMemory(&file, sizeof file);
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + pixels;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
        out.write(static_cast<const char*>(bits), pixels);
        ok = static_cast<bool>(out);
    }
    if (dib) ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

void picture_of_screen(const std::string& name) {
    RECT desktop;
    if (!g_shots.empty() && ::GetWindowRect(::GetDesktopWindow(), &desktop)) capture(desktop, g_shots + "\\" + name + ".bmp");
}

// Stops the run: a picture of the whole screen (unless one was taken already), the program ended.
[[noreturn]] void fail(const std::string& why, bool picture = true) {
    say("FAIL: %s", why.c_str());
    if (picture) picture_of_screen("failure");
    if (g_child.hProcess) {
        ::TerminateProcess(g_child.hProcess, 99);
        ::WaitForSingleObject(g_child.hProcess, 10000);
    }
    std::exit(1);
}

void check(bool condition, const std::string& what) {
    if (!condition) fail(what);
}

bool program_alive() { return g_child.hProcess && ::WaitForSingleObject(g_child.hProcess, 0) == WAIT_TIMEOUT; }

// Lets the program's thread empty its queue (posted notices included) and paint.
void settle(DWORD ms = 250) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(g_main, WM_NULL, 0, 0, SMTO_NORMAL, kMessageTimeout, &result);
    ::Sleep(ms);
    ::SendMessageTimeoutA(g_main, WM_NULL, 0, 0, SMTO_NORMAL, kMessageTimeout, &result);
}

// The control that has the keyboard focus in the program, by its caption or identifier.
std::string focused_control() {
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(g_child.dwThreadId, &info) || !info.hwndFocus) return "nothing";
    char caption[128] = {0};
    ::GetWindowTextA(info.hwndFocus, caption, sizeof caption);
    return std::to_string(::GetDlgCtrlID(info.hwndFocus)) + (caption[0] ? std::string(" \"") + caption + "\"" : "");
}

void shot(const std::string& name) {
    settle(400);
    RECT area;
    check(::GetWindowRect(g_main, &area) != 0, "the main window has no rectangle");
    check(capture(area, g_shots + "\\" + name + ".bmp"), "cannot save the picture " + name);
    say("picture %s (focus on %s)", name.c_str(), focused_control().c_str());
}

// --- the program's windows ----------------------------------------------------------------------

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, kMessageTimeout, &result))
        fail("the program did not answer message " + std::to_string(message));
    return static_cast<LRESULT>(result);
}

// WM_GETTEXT is copied across processes by the system.
std::string text_of(HWND window) {
    const LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = send(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::string class_of(HWND window) {
    char name[64] = {0};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

HWND control(Id id) {
    HWND window = ::GetDlgItem(g_main, static_cast<int>(id));
    if (!window) fail("control " + std::to_string(static_cast<int>(id)) + " does not exist");
    return window;
}

bool shown(Id id) { return ::IsWindowVisible(control(id)) != 0; }
bool usable(Id id) { return shown(id) && ::IsWindowEnabled(control(id)); }
std::string text(Id id) { return text_of(control(id)); }
bool ticked(Id id) { return send(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

struct FindMain {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_main(HWND window, LPARAM data) {
    FindMain* find = reinterpret_cast<FindMain*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == find->pid && class_of(window) == "MarlinthMain" && ::IsWindowVisible(window)) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

struct FindDialog {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_dialog(HWND window, LPARAM data) {
    FindDialog* find = reinterpret_cast<FindDialog*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == find->pid && class_of(window) == "#32770" && ::IsWindowVisible(window)) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of the program: a message box or the open-file dialog.
HWND program_dialog() {
    FindDialog find = {g_child.dwProcessId, nullptr};
    ::EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

struct Children {
    std::vector<HWND> windows;
};

BOOL CALLBACK collect_child(HWND window, LPARAM data) {
    reinterpret_cast<Children*>(data)->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> descendants(HWND parent) {
    Children children;
    ::EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&children));
    return children.windows;
}

HWND descendant_with_id(HWND parent, int id) {
    for (HWND child : descendants(parent))
        if (::GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

// The message of a message box: the texts of its static controls (the icon has none).
std::string box_text(HWND box) {
    std::string text;
    for (HWND child : descendants(box)) {
        if (class_of(child) != "Static") continue;
        const std::string part = text_of(child);
        if (part.empty()) continue;
        if (!text.empty()) text += " ";
        text += part;
    }
    return text;
}

std::string caption_of(HWND window) {
    char caption[256] = {0};
    ::GetWindowTextA(window, caption, sizeof caption);
    return caption;
}

// --- what a step expects ------------------------------------------------------------------------

struct Expect {
    bool open_file = false;
    bool folder = false;         // the folder picker: accepted as it opens
    bool whole_window = false;   // the picture shows the main window with the box over it
    std::string text;  // a box's message starts with this
    int button = IDOK;
    std::string path;     // open-file dialog: the file to open
    std::string picture;  // a picture of the box, when named
};

Expect box(const std::string& text, int button = IDOK, const std::string& picture = std::string()) {
    Expect e;
    e.text = text;
    e.button = button;
    e.picture = picture;
    return e;
}

Expect folder_as_offered() {
    Expect e;
    e.folder = true;
    return e;
}

// A box whose picture shows it over the main window.
Expect box_over_window(const std::string& text, int button, const std::string& picture) {
    Expect e = box(text, button, picture);
    e.whole_window = true;
    return e;
}

Expect open_file(const std::string& path) {
    Expect e;
    e.open_file = true;
    e.path = path;
    return e;
}

const char* button_name(int id) {
    switch (id) {
    case IDOK:
        return "OK";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    case IDCANCEL:
        return "Cancel";
    default:
        return "?";
    }
}

void press_dialog_button(HWND dialog, int id) {
    HWND button = descendant_with_id(dialog, id);
    check(button != nullptr, std::string("the dialog has no ") + button_name(id) + " button");
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    for (int i = 0; i < 200 && ::IsWindow(dialog) && ::IsWindowVisible(dialog); ++i) ::Sleep(50);
    check(!::IsWindow(dialog) || !::IsWindowVisible(dialog), std::string("the dialog stayed open after ") + button_name(id));
}

void answer_dialog(HWND dialog, const std::vector<Expect>& expects, size_t& next) {
    ::Sleep(300);  // let it finish building itself
    const std::string caption = caption_of(dialog);
    if (caption == kOpenTitle) {
        say("dialog \"%s\"", caption.c_str());
        if (next >= expects.size() || !expects[next].open_file) fail("the open-file dialog was not expected here");
        // The file-name field: a combo box (cmb13) or an edit field (edt1), by dialog style.
        HWND name = descendant_with_id(dialog, 0x47C);
        if (!name) name = descendant_with_id(dialog, 0x480);
        check(name != nullptr, "the open-file dialog has no file-name field");
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(expects[next].path.c_str()), SMTO_NORMAL,
                              kMessageTimeout, &result);
        say("  typed %s, pressed Open", expects[next].path.c_str());
        ++next;
        press_dialog_button(dialog, IDOK);
        return;
    }
    if (next < expects.size() && expects[next].folder && caption != kTitle) {
        say("folder dialog \"%s\": accepted as offered", caption.c_str());
        ++next;
        press_dialog_button(dialog, IDOK);
        return;
    }
    const std::string message = box_text(dialog);
    say("BOX: %s", one_line(message).c_str());
    check(caption == kTitle, "a box with the title \"" + caption + "\"");
    if (next >= expects.size() || expects[next].open_file || !starts_with(message, expects[next].text)) {
        // The screen with the box, then the box closed the safe way (No where there is a No).
        picture_of_screen("failure");
        press_dialog_button(dialog, descendant_with_id(dialog, IDNO) ? IDNO : IDOK);
        fail(next < expects.size() && !expects[next].open_file ? "expected the box \"" + expects[next].text + "\""
                                                                 : "a box that was not expected",
             false);
    }
    if (!expects[next].picture.empty()) {
        RECT area;
        ::GetWindowRect(expects[next].whole_window ? g_main : dialog, &area);
        capture(area, g_shots + "\\" + expects[next].picture + ".bmp");
        say("picture %s", expects[next].picture.c_str());
    }
    say("  pressed %s", button_name(expects[next].button));
    press_dialog_button(dialog, expects[next].button);
    ++next;
}

void CALLBACK command_returned(HWND, UINT, ULONG_PTR data, LRESULT) { *reinterpret_cast<bool*>(data) = true; }

// Sends a message that may run a whole command, answering its dialogs until it returns.
void run_command(HWND target, UINT message, const std::vector<Expect>& expects) {
    bool returned = false;
    check(::SendMessageCallbackA(target, message, 0, 0, command_returned, reinterpret_cast<ULONG_PTR>(&returned)) != 0,
          "cannot send to the program");
    size_t next = 0;
    const DWORD start = ::GetTickCount();
    while (!returned) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        if (returned) break;
        if (HWND dialog = program_dialog()) {
            answer_dialog(dialog, expects, next);
            continue;
        }
        if (!program_alive()) fail("the program ended during the command");
        if (::GetTickCount() - start > kCommandTimeout) fail("the command did not finish in time");
        ::MsgWaitForMultipleObjects(1, &g_child.hProcess, FALSE, 50, QS_ALLINPUT);
    }
    if (next < expects.size())
        fail(expects[next].open_file ? std::string("the open-file dialog did not appear")
                                     : "the box \"" + expects[next].text + "\" did not appear");
    settle(100);
}

// --- a sysop's hands ----------------------------------------------------------------------------

void press(Id id, const std::vector<Expect>& expects = {}) {
    check(shown(id), "button " + std::to_string(static_cast<int>(id)) + " is not shown");
    check(usable(id), "button " + std::to_string(static_cast<int>(id)) + " (" + text(id) + ") is disabled");
    say("press \"%s\"", text(id).c_str());
    run_command(control(id), BM_CLICK, expects);
}

// Ticks a box; a box the sysop must tick himself has to start unticked.
void tick(Id id, bool must_start_unticked = true) {
    if (ticked(id)) {
        check(!must_start_unticked, "box " + std::to_string(static_cast<int>(id)) + " (" + text(id) + ") is ticked before the sysop ticks it");
        say("\"%s\" is ticked already", text(id).c_str());
        return;
    }
    press(id);
    check(ticked(id), "box " + std::to_string(static_cast<int>(id)) + " did not take the tick");
}

void type(Id id, const std::string& value) {
    HWND field = control(id);
    check(usable(id), "field " + std::to_string(static_cast<int>(id)) + " cannot be typed into");
    say("type \"%s\" into %d", one_line(value).c_str(), static_cast<int>(id));
    if (::GetWindowLongA(field, GWL_STYLE) & ES_MULTILINE) {
        // A multi-line field reports a change for typed text only, as for a replaced selection.
        send(field, EM_SETSEL, 0, -1);
        send(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(value.c_str()));
    } else {
        send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    }
    settle(100);
    check(text(id) == value, "field " + std::to_string(static_cast<int>(id)) + " holds \"" + text(id) + "\"");
}

// Selects one row of a list view as a click would: the item state lives in the program, so the
// LVITEM is written into the program's memory.
void select_row(Id id, int row) {
    HWND list = control(id);
    void* remote = ::VirtualAllocEx(g_child.hProcess, nullptr, sizeof(LVITEMA), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    check(remote != nullptr, "cannot reserve memory in the program");
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SIZE_T written = 0;
    bool ok = ::WriteProcessMemory(g_child.hProcess, remote, &item, sizeof item, &written) != 0;
    ok = ok && send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(remote)) != 0;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ok = ok && ::WriteProcessMemory(g_child.hProcess, remote, &item, sizeof item, &written) != 0;
    ok = ok && send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote)) != 0;
    ::VirtualFreeEx(g_child.hProcess, remote, 0, MEM_RELEASE);
    check(ok, "cannot select row " + std::to_string(row));
    say("select row %d of %d", row, static_cast<int>(id));
    settle(200);
}

void wait_for_text(Id id, const std::string& part) {
    for (int i = 0; i < 100; ++i) {
        if (contains(text(id), part)) return;
        ::Sleep(100);
    }
    fail("control " + std::to_string(static_cast<int>(id)) + " never showed \"" + part + "\"; it shows \"" + one_line(text(id)) + "\"");
}

void on_page(int step) {
    const std::string header = text(Id::WizardHeader);
    const std::string expected = "Wizard Mode - Question " + std::to_string(step + 1) + " of 15";
    check(starts_with(header, expected), "expected \"" + expected + "\", the header reads \"" + header + "\"");
    check(text(Id::WizardQuestion) == kQuestions[step], "page " + std::to_string(step + 1) + " asks \"" + text(Id::WizardQuestion) + "\"");
    say("--- page %d of 15: %s", step + 1, kQuestions[step]);
}

void next(const std::vector<Expect>& expects = {}) { press(Id::WizardNext, expects); }

// --- the keyboard -------------------------------------------------------------------------------

// One key as the keyboard gives it to the foreground window (with Shift, Ctrl or Alt held).
void key(WORD vk, bool shift = false, bool ctrl = false, bool alt = false) {
    std::vector<INPUT> input;
    const auto add = [&](WORD k, bool up) {
        INPUT i;
        ZeroMemory(&i, sizeof i);
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        input.push_back(i);
    };
    if (alt) add(VK_MENU, false);
    if (ctrl) add(VK_CONTROL, false);
    if (shift) add(VK_SHIFT, false);
    add(vk, false);
    add(vk, true);
    if (shift) add(VK_SHIFT, true);
    if (ctrl) add(VK_CONTROL, true);
    if (alt) add(VK_MENU, true);
    check(::SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT)) == input.size(), "the keyboard input was refused");
    settle(150);
}

// Alt and a letter: the access key the caption underlines.
void alt(char letter) { key(static_cast<WORD>(letter), false, false, true); }

// Digits and capitals typed one key at a time, into whatever has the keyboard.
void type_keys(const std::string& keys) {
    for (char c : keys) key(static_cast<WORD>(c));
}

// The message box the program has open, waited for; its text is checked against the start.
HWND question_box(const std::string& start) {
    HWND box = nullptr;
    for (int i = 0; i < 100 && !(box = program_dialog()); ++i) ::Sleep(100);
    check(box != nullptr, "no box asked \"" + start + "\"");
    check(starts_with(box_text(box), start), "the box says \"" + one_line(box_text(box)) + "\", not \"" + start + "\"");
    say("BOX: %s", one_line(box_text(box)).c_str());
    return box;
}

void box_closed(HWND box) {
    for (int i = 0; i < 100 && ::IsWindow(box); ++i) ::Sleep(100);
    check(!::IsWindow(box), "the box stayed open");
    settle();
}

void focus_on(Id id, const std::string& when) {
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    for (int i = 0; i < 20; ++i) {
        if (::GetGUIThreadInfo(g_child.dwThreadId, &info) && info.hwndFocus == control(id)) return;
        ::Sleep(100);
    }
    fail(when + ": the keyboard is on " + focused_control() + ", not on " + std::to_string(static_cast<int>(id)));
}

void wait_for_page(int step) {
    for (int i = 0; i < 100 && !starts_with(text(Id::WizardHeader), "Wizard Mode - Question " + std::to_string(step + 1) + " "); ++i)
        ::Sleep(100);
    on_page(step);
}

// The sysop without a mouse: from Home through the setup questions and the inspection with the
// access keys (Alt and the underlined letter), Tab, Shift+Tab, Space, Enter, the arrow keys and
// Escape only (the answers come from Marlinth.cfg): typing over a selected field, the keyboard
// back on the field a warning was about, Escape in the node list (which must leave the window
// open) and Escape on a page, which is Cancel Wizard and asks with No as the default.
void keyboard_pass() {
    say("--- the keyboard alone");
    ::SetForegroundWindow(g_main);
    settle();
    focus_on(Id::StartWizard, "the Home screen");
    alt('S');
    wait_for_page(0);
    focus_on(Id::WizardNodeCount, "page 1");
    shot("keyboard-01-access-keys");
    // The count arrives selected: 3 3 replaces it, and the warning puts the keyboard back on
    // the field, selected again, so 3 alone is what it then holds.
    type_keys("33");
    check(text(Id::WizardNodeCount) == "33", "typing over the node count left \"" + text(Id::WizardNodeCount) + "\"");
    key(VK_RETURN);
    HWND refusal = question_box("Enter a node count from 1 through 32.");
    key(VK_RETURN);
    box_closed(refusal);
    on_page(0);
    focus_on(Id::WizardNodeCount, "the warning about the node count");
    type_keys("3");
    check(text(Id::WizardNodeCount) == "3", "after the warning the node count holds \"" + text(Id::WizardNodeCount) + "\"");
    say("typed over the selected node count, also after its warning");
    key(VK_TAB);  // Back is disabled on the first page
    focus_on(Id::WizardAdvanced, "Tab from the node count");
    key(VK_TAB);
    focus_on(Id::WizardCancel, "Tab from Advanced Tools");
    key(VK_TAB);
    focus_on(Id::WizardNext, "Tab from Cancel Wizard");
    key(VK_SPACE);
    wait_for_page(1);
    focus_on(Id::WizardNode1, "page 2");
    alt('B');
    wait_for_page(0);
    alt('N');
    wait_for_page(1);
    key(VK_RETURN);  // the default button: Next
    wait_for_page(2);
    key(VK_DOWN);
    check(ticked(Id::WizardScanNo), "the arrow key did not choose the other scan answer");
    key(VK_UP);
    check(ticked(Id::WizardScanYes), "the arrow key did not choose the scan");
    key(VK_TAB);
    focus_on(Id::WizardAdvanced, "Tab from the scan answers");
    alt('N');
    wait_for_page(3);
    focus_on(Id::WizardNodeList, "page 4");
    key(VK_ESCAPE);
    check(program_alive() && ::IsWindow(g_main) && !program_dialog(), "Escape in the node list closed or asked something");
    on_page(3);
    say("Escape in the node list left the window open");
    key(VK_TAB, true);
    focus_on(Id::WizardNext, "Shift+Tab from the node list");
    key(VK_TAB);
    focus_on(Id::WizardNodeList, "Tab from Next");
    key(VK_TAB);
    focus_on(Id::WizardAdvanced, "Tab from the node list");
    key(VK_TAB);
    key(VK_TAB);
    focus_on(Id::WizardBack, "Tab from Cancel Wizard");
    key(VK_TAB);
    focus_on(Id::WizardNext, "Tab from Back");
    key(VK_RETURN);  // on the focused Next
    wait_for_page(4);
    key(VK_RETURN);
    wait_for_page(5);
    key(VK_RETURN);
    wait_for_page(6);
    focus_on(Id::WizardRunInspection, "page 7");
    check(contains(text(Id::WizardNextBlocker), "Run the Read-Only Inspection"),
          "page 7 does not say what keeps Next grey: \"" + text(Id::WizardNextBlocker) + "\"");
    alt('I');
    wait_for_text(Id::WizardInspectionSummary, "INSPECTION PASSED");
    check(text(Id::WizardNextBlocker).empty(), "the line beside Next still reads \"" + text(Id::WizardNextBlocker) + "\"");
    key(VK_TAB);
    focus_on(Id::WizardInspectionSummary, "Tab from Run Read-Only Inspection");
    alt('N');
    wait_for_page(7);
    focus_on(Id::WizardBackupRoot, "page 8");
    // Escape is Cancel Wizard: Enter keeps the default, No, and the page stays.
    key(VK_ESCAPE);
    HWND question = question_box("Cancel Wizard Mode and discard the proposed plan?");
    key(VK_RETURN);
    box_closed(question);
    on_page(7);
    say("Escape asked to cancel; No, the default, kept the page");
    key(VK_ESCAPE);
    question = question_box("Cancel Wizard Mode and discard the proposed plan?");
    key(VK_TAB);  // from No, the default, to Yes
    key(VK_RETURN);
    for (int i = 0; i < 100 && !shown(Id::StartWizard); ++i) ::Sleep(100);
    check(shown(Id::StartWizard), "Cancel Wizard answered Yes did not return to Home");
    say("--- the keyboard reached every setup question, the inspection and Cancel Wizard");
}

std::string page_name(int step, const char* what) {
    char name[64];
    std::snprintf(name, sizeof name, "wizard-%02d-%s", step + 1, what);
    return name;
}

// --- the settings file --------------------------------------------------------------------------

std::map<std::string, std::string> g_settings;

bool read_settings(const char* path) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        g_settings[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return true;
}

std::string setting(const std::string& key) {
    auto it = g_settings.find(key);
    if (it == g_settings.end() || it->second.empty()) fail("the settings file lacks " + key);
    return it->second;
}

std::string directory_of(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

// --- the road -----------------------------------------------------------------------------------

void start_program() {
    std::string exe = setting("EXE");
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    const std::string dir = directory_of(exe);
    check(::CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup, &g_child) != 0,
          "cannot start " + exe);
    say("started %s", exe.c_str());
    ::WaitForInputIdle(g_child.hProcess, 30000);
    for (int i = 0; i < 600 && !g_main; ++i) {
        FindMain find = {g_child.dwProcessId, nullptr};
        ::EnumWindows(find_main, reinterpret_cast<LPARAM>(&find));
        g_main = find.found;
        if (!g_main) {
            check(program_alive(), "the program ended before its window appeared");
            ::Sleep(100);
        }
    }
    check(g_main != nullptr, "no window of class MarlinthMain appeared");
    check(caption_of(g_main) == kTitle, "the window's title is \"" + caption_of(g_main) + "\"");
    for (int i = 0; i < 100 && !shown(Id::StartWizard); ++i) ::Sleep(100);
    check(shown(Id::StartWizard), "the Home screen does not show Start Wizard Mode");
}

// A second copy started while the first runs says so and ends (code 4) without touching the log,
// the journal or the configuration.
DWORD64 size_of_file(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return ~DWORD64(0);
    return (static_cast<DWORD64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void second_copy() {
    const std::string exe = setting("EXE"), dir = directory_of(exe);
    const std::string log = dir + "\\Marlinth.log", cfg = dir + "\\Marlinth.cfg";
    const DWORD64 log_before = size_of_file(log), cfg_before = size_of_file(cfg);
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION second = {};
    check(::CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup, &second) != 0,
          "cannot start a second copy");
    HWND box = nullptr;
    for (int i = 0; i < 300 && !box; ++i) {
        FindDialog find = {second.dwProcessId, nullptr};
        ::EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&find));
        box = find.found;
        if (!box) ::Sleep(100);
    }
    check(box != nullptr, "the second copy showed no box");
    const std::string text = box_text(box);
    say("second copy: BOX %s", one_line(text).c_str());
    check(starts_with(text, "Marlinth is already running."), "the second copy's box says: " + text);
    press_dialog_button(box, IDOK);
    check(::WaitForSingleObject(second.hProcess, 30000) == WAIT_OBJECT_0, "the second copy did not end");
    DWORD code = 0;
    ::GetExitCodeProcess(second.hProcess, &code);
    ::CloseHandle(second.hThread);
    ::CloseHandle(second.hProcess);
    check(code == 4, "the second copy ended with code " + std::to_string(code));
    check(size_of_file(log) == log_before && size_of_file(cfg) == cfg_before, "the second copy changed the log or the configuration");
    say("the second copy ended with code 4; the log and the configuration are as they were");
}

// Answers the boxes the program shows by itself (at start-up), in order.
void answer_boxes(const std::vector<Expect>& expects) {
    size_t next = 0;
    const DWORD start = ::GetTickCount();
    while (next < expects.size()) {
        if (HWND dialog = program_dialog()) {
            answer_dialog(dialog, expects, next);
            continue;
        }
        if (!program_alive()) fail("the program ended while a box was expected");
        if (::GetTickCount() - start > kCommandTimeout) fail("the box \"" + expects[next].text + "\" did not appear");
        ::Sleep(100);
    }
    settle(100);
}

void close_program() {
    ::PostMessageA(g_main, WM_SYSCOMMAND, SC_CLOSE, 0);
    check(::WaitForSingleObject(g_child.hProcess, 30000) == WAIT_OBJECT_0, "the program did not end when closed");
    DWORD code = 1;
    ::GetExitCodeProcess(g_child.hProcess, &code);
    check(code == 0, "the program ended with code " + std::to_string(code));
    say("the program ended with code 0");
}

// After the walk: the appended conferences taken back out with Restore from Backup, which
// offers the newest transaction directory.
void restore_walk() {
    const std::string added = setting("NEW");
    press(Id::AdvancedTools);
    ::SetForegroundWindow(g_main);
    for (int i = 0; i < 8 && !shown(Id::WriterText); ++i) key(VK_PRIOR, false, true);
    check(shown(Id::RestoreFromBackup), "Ctrl+PgUp did not reach the Writer tab");
    check(!usable(Id::RestoreFromBackup), "Restore from Backup is enabled before YES");
    type(Id::Confirmation, "YES");
    check(usable(Id::RestoreFromBackup), "Restore from Backup stays disabled after YES");
    press(Id::RestoreFromBackup,
          {folder_as_offered(),
           box_over_window("Restore SFMCONF.DAT on all " + setting("NODES") + " configured node(s) from", IDYES, "restore-plan"),
           box("Every configured node holds the SFMCONF.DAT from", IDOK)});
    wait_for_text(Id::WriterText, "RESTORE RESULT: SUCCESS");
    check(contains(text(Id::WriterText), "CONFERENCES THAT WILL NO LONGER EXIST"), "the restore showed no plan");
    close_program();
}

// A commit that was ended with some nodes written: the next start finds the journal and, asked,
// restores every node.
void recovery_walk() {
    answer_boxes({box_over_window("An interrupted append transaction was found.", IDYES, "recovery-question"),
                  box("Recovery completed: every node holds its SFMCONF.DAT from before the transaction", IDOK)});
    close_program();
}

void first_boot() {
    std::string command = setting("FIRSTBOOT");
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION boot = {};
    say("first boot of Node 1: %s", command.c_str());
    check(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &boot) != 0,
          "cannot run the first-boot command");
    ::WaitForSingleObject(boot.hProcess, 120000);
    DWORD code = 1;
    ::GetExitCodeProcess(boot.hProcess, &code);
    ::CloseHandle(boot.hThread);
    ::CloseHandle(boot.hProcess);
    check(code == 0, "the first-boot command failed");
}

void walk() {
    const int nodes = std::stoi(setting("NODES"));
    const int added = std::stoi(setting("NEW"));
    const int existing = std::stoi(setting("EXISTING"));
    const int review = std::stoi(setting("REVIEW"));
    const std::string n = std::to_string(added);

    shot("home");
    second_copy();
    keyboard_pass();
    press(Id::StartWizard);

    on_page(0);
    type(Id::WizardNodeCount, std::to_string(nodes));
    shot(page_name(0, "node-count"));
    next();

    on_page(1);
    type(Id::WizardNode1, setting("NODE1"));
    shot(page_name(1, "node1"));
    next();

    on_page(2);
    press(Id::WizardScanYes);
    check(ticked(Id::WizardScanYes), "the scan answer did not take");
    shot(page_name(2, "scan"));
    next();  // every node is found beside Node 1: no box

    on_page(3);
    std::string list;
    for (int i = 1; i <= nodes; ++i) list += (i > 1 ? "\r\n" : "") + setting("NODE" + std::to_string(i));
    check(text(Id::WizardNodeList) == list, "the scan listed \"" + one_line(text(Id::WizardNodeList)) + "\"");
    shot(page_name(3, "node-list"));
    next();

    on_page(4);
    type(Id::WizardMessageDir, setting("MESSAGE"));
    shot(page_name(4, "message"));
    next();

    on_page(5);
    press(Id::WizardQuarroYes);
    check(ticked(Id::WizardQuarroYes), "the tosser answer did not take");
    type(Id::WizardQuarroCfgPath, setting("QUARRO"));
    shot(page_name(5, "tosser"));
    next();

    on_page(6);
    check(!usable(Id::WizardNext), "Next is enabled before the inspection");
    press(Id::WizardRunInspection);
    wait_for_text(Id::WizardInspectionSummary, "INSPECTION PASSED");
    wait_for_text(Id::WizardInspectionSummary, "Nodes checked: " + std::to_string(nodes));
    wait_for_text(Id::WizardInspectionSummary, "Existing conferences: " + std::to_string(existing));
    check(usable(Id::WizardNext), "Next stays disabled after a clean inspection");
    shot(page_name(6, "inspection"));
    next();

    on_page(7);
    check(!usable(Id::WizardNext), "Next is enabled before a backup choice");
    type(Id::WizardBackupRoot, setting("BACKUP"));
    tick(Id::WizardCreateBackupChoice, false);
    check(!ticked(Id::WizardExistingBackupChoice), "both backup choices are ticked");
    press(Id::WizardCreateBackupNow, {box("A consistent full MESSAGE backup must be created", IDYES),
                                  box("The full MESSAGE backup completed and verified.")});
    wait_for_text(Id::WizardBackupText, "Full MESSAGE backup completed and verified.");
    check(usable(Id::WizardNext), "Next stays disabled after a verified full backup");
    shot(page_name(7, "backup"));
    next();

    on_page(8);
    const std::string ready = std::to_string(added - review);
    // The demo's second list first: its blocked areas keep Next grey on the review page, and
    // the page says why. Then back here for the list this walk appends.
    press(Id::WizardChooseNaFile, {open_file(setting("SHOWCASE")), box("Import completed. 8 areas loaded: 3 ready, "
                                                                       "2 descriptions need review, and 3 areas are blocked")});
    next();
    on_page(9);
    next();
    on_page(10);
    check(!usable(Id::WizardNext), "Next is enabled with blocked areas");
    check(text(Id::WizardNextBlocker) == "3 areas are blocked: correct the .NA file and load it again.",
          "the review page says \"" + text(Id::WizardNextBlocker) + "\" beside its grey Next");
    shot(page_name(10, "blocked"));
    press(Id::WizardBack);
    on_page(9);
    press(Id::WizardBack);
    on_page(8);
    press(Id::WizardChooseNaFile,
          {open_file(setting("NA")),
           box("Import completed. " + n + " areas loaded: " + ready + " ready, " + std::to_string(review) +
                   " descriptions need review, and 0 areas are blocked",
               IDOK, "box-import")});
    wait_for_text(Id::WizardImportSummary, "Entries: " + n);
    shot(page_name(8, "na-file"));
    next();

    on_page(9);
    wait_for_text(Id::WizardTemplateSummary, "Template #");
    shot(page_name(9, "defaults"));
    next();

    on_page(10);
    check(!usable(Id::WizardNext), "Next is enabled before the names are approved");
    check(send(control(Id::AreaList), LVM_GETITEMCOUNT, 0, 0) == added, "the area list does not show every area");
    shot(page_name(10, "review-names"));
    // One shortened name approved on its own, then every other name the list shows. The list
    // itself cannot be read from outside; the details pane under it says what a row holds.
    const int row = std::stoi(setting("REVIEW_ROW"));
    select_row(Id::AreaList, row);
    wait_for_text(Id::AreaDetails, "Full echo tag: " + setting("REVIEW_TAG") + " ");
    wait_for_text(Id::AreaDetails, "Status: SHORTENED - review name");
    press(Id::WizardApproveSelected);
    wait_for_text(Id::AreaDetails, "Full echo tag: " + setting("REVIEW_TAG") + " ");
    wait_for_text(Id::AreaDetails, "Status: EDITED - sysop approved");
    check(!usable(Id::WizardNext), "Next is enabled while a name still waits for approval");
    press(Id::WizardApproveAll);
    select_row(Id::AreaList, added - 1);
    wait_for_text(Id::AreaDetails, "Full echo tag: " + setting("LAST_TAG") + " ");
    wait_for_text(Id::AreaDetails, "Status: EDITED - sysop approved");
    check(!usable(Id::WizardNext), "Next is enabled before the reviewed box is ticked");
    tick(Id::WizardNamesReviewed);
    check(usable(Id::WizardNext), "Next stays disabled after every approval and the reviewed box");
    shot(page_name(10, "review"));
    next();

    on_page(11);
    check(!usable(Id::WizardNext), "Next is enabled before the dry run");
    press(Id::WizardGeneratePlan);
    wait_for_text(Id::WizardPlanSummary, "Conferences to append: " + n);
    wait_for_text(Id::WizardPlanSummary, "Proposed conference range: #" + std::to_string(existing + 1) + " through #" +
                                         std::to_string(existing + added));
    check(usable(Id::WizardNext), "Next stays disabled after the dry run");
    shot(page_name(11, "dry-run"));
    // The whole plan on the Report tab of Advanced Tools, and back: the plan stays current.
    press(Id::WizardViewReport);
    check(shown(Id::ReportText) && !shown(Id::WizardNext), "View Technical Report... did not open the Report tab");
    wait_for_text(Id::ReportText, "DRY-RUN CONFERENCE PLAN");
    check(text(Id::HomeOrReturn) == "Return to &Wizard", "the Advanced Tools button reads \"" + text(Id::HomeOrReturn) + "\"");
    shot("advanced-report");
    // Ctrl+PgDn twice: past the Log to the Settings Plan tab with the plan just made.
    ::SetForegroundWindow(g_main);
    key(VK_NEXT, false, true);
    key(VK_NEXT, false, true);
    check(shown(Id::PlanText) && shown(Id::GeneratePlan), "Ctrl+PgDn did not reach the Settings Plan tab");
    shot("advanced-settings-plan");
    press(Id::HomeOrReturn);
    on_page(11);
    check(usable(Id::WizardNext), "the dry run went stale on the way to the Report tab and back");
    next();

    on_page(12);
    check(!usable(Id::WizardNext), "Next is enabled before the safety check");
    // The tosser looks busy: the check blocks, and its report opens at the ERROR, not at the top.
    const std::string busy = setting("MESSAGE") + "\\QUARRO.BSY";
    check(std::ofstream(busy).good(), "cannot create " + busy);
    press(Id::WizardRunSafetyCheck, {box("Writer preflight was BLOCKED.")});
    wait_for_text(Id::WizardSafetyOutput, "PREFLIGHT RESULT: BLOCKED");
    {
        const std::string report = text(Id::WizardSafetyOutput);
        const size_t error = report.find("\r\nERROR:");
        check(error != std::string::npos, "the blocked report has no ERROR line");
        const LRESULT line = std::count(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(error), '\n') + 1;
        const LRESULT first = send(control(Id::WizardSafetyOutput), EM_GETFIRSTVISIBLELINE, 0, 0);
        check(first == line, "the blocked report shows line " + std::to_string(first) + " first, its ERROR is line " +
                                 std::to_string(line));
    }
    check(contains(text(Id::WizardNextBlocker), "safety check"), "page 13 does not say what keeps Next grey");
    shot(page_name(12, "blocked"));
    check(::DeleteFileA(busy.c_str()) != 0, "cannot remove " + busy);
    press(Id::WizardRunSafetyCheck, {box("Writer preflight passed its automated checks.")});
    wait_for_text(Id::WizardSafetyOutput, "PREFLIGHT RESULT: PASS");
    check(usable(Id::WizardNext), "Next stays disabled after a passed safety check");
    shot(page_name(12, "safety"));
    next();

    on_page(13);
    check(!shown(Id::WizardNext), "Next is shown on the commit page");
    check(!usable(Id::WizardCommit), "COMMIT APPEND is enabled before the box and YES");
    wait_for_text(Id::WizardCommitStatement, "This transaction will append " + n + " conference record(s) to " +
                                             std::to_string(nodes) + " node SFMCONF.DAT file(s).");
    tick(Id::WizardClosedConfirm);
    type(Id::WizardConfirmation, "yes");
    check(!usable(Id::WizardCommit), "COMMIT APPEND is enabled for a lower-case yes");
    type(Id::WizardConfirmation, "YES");
    check(usable(Id::WizardCommit), "COMMIT APPEND stays disabled after the box and YES");
    shot(page_name(13, "commit"));
    press(Id::WizardCommit, {box("The append-only transaction succeeded and every node verified.", IDOK, "box-commit")});

    on_page(14);
    wait_for_text(Id::WizardCompletionText, "SUCCESS - " + n + " conference(s) were appended and every configured node file verified.");
    check(!shown(Id::WizardBack) && !shown(Id::WizardCancel), "Back or Cancel Wizard is shown on the last page");
    check(text(Id::WizardNext) == "Do&ne", "the last page's Next reads \"" + text(Id::WizardNext) + "\"");
    shot(page_name(14, "complete"));

    first_boot();
    press(Id::WizardFinalInspection);
    wait_for_text(Id::WizardCompletionText, "FINAL INSPECTION PASSED.");
    shot(page_name(14, "final-inspection"));
    // The Conferences tab that fits the last page lists the old and the new conferences.
    press(Id::WizardAdvanced);
    check(shown(Id::ConferenceList) && !shown(Id::WizardNext), "Advanced Tools did not open the Conferences tab");
    const LRESULT rows = send(control(Id::ConferenceList), LVM_GETITEMCOUNT, 0, 0);
    check(rows == existing + added, "the Conferences tab lists " + std::to_string(rows) + " conferences");
    shot("advanced-conferences");
    // Ctrl+PgUp twice: past Setup round to the Writer tab with the transaction's report.
    ::SetForegroundWindow(g_main);
    key(VK_PRIOR, false, true);
    key(VK_PRIOR, false, true);
    check(shown(Id::WriterText) && !usable(Id::CommitAppend), "Ctrl+PgUp did not reach the Writer tab, or COMMIT APPEND is enabled");
    wait_for_text(Id::WriterText, "TRANSACTION RESULT: SUCCESS");
    shot("advanced-writer");
    press(Id::HomeOrReturn);
    on_page(14);
    next();
    check(shown(Id::StartWizard), "Done did not return to the Home screen");
    say("--- back on the Home screen");

    // Closing the window ends the program.
    close_program();
}

}  // namespace

int main(int argc, char** argv) {
    const char* const usage = "usage: e2e-driver SETTINGS.ini [restore|recovery]\n"
                              "(tools/e2e/run writes the settings and starts it)\n";
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::printf("%s", usage);
        return 0;
    }
    const std::string mode = argc == 3 ? argv[2] : "walk";
    if (argc < 2 || argc > 3 || !read_settings(argv[1]) || (mode != "walk" && mode != "restore" && mode != "recovery")) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    g_shots = setting("SHOTS");
    ::CreateDirectoryA(g_shots.c_str(), nullptr);
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // a message queue for the callbacks
    const DWORD start = ::GetTickCount();
    start_program();
    if (mode == "restore") {
        restore_walk();
        say("PASS: restored from the backup in %lu s", static_cast<unsigned long>((::GetTickCount() - start) / 1000));
        return 0;
    }
    if (mode == "recovery") {
        recovery_walk();
        say("PASS: recovered at start-up in %lu s", static_cast<unsigned long>((::GetTickCount() - start) / 1000));
        return 0;
    }
    walk();
    say("PASS: the wizard's fifteen pages walked in %lu s", static_cast<unsigned long>((::GetTickCount() - start) / 1000));
    return 0;
}
