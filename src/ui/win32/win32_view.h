// src/ui/win32/: the real window, the only place besides core/platform_win32.cpp that
// includes <windows.h>. Never includes ui/headless/.
//
// The real window: the main window `MarlinthMain` with every control of the control table as a
// Win32 control, implementing the view port. Commands and change notifications go to
// dispatch(); setting a field's text raises the same change notification as typing.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/view.h"
#include "ui/controls.h"

namespace marlinth {

constexpr const char* kWindowClass = "MarlinthMain";
constexpr int kIconResource = 101;

class Win32View final : public View {
public:
    explicit Win32View(HINSTANCE instance);
    ~Win32View() override;
    Win32View(const Win32View&) = delete;
    Win32View& operator=(const Win32View&) = delete;

    // The app whose operations the window's commands run; set before the window is created.
    void attach(App& app) { app_ = &app; }

    // Registers the window class; false when that fails.
    bool register_class();
    // Creates the main window and every control (hidden); false when that fails.
    bool create_window();
    HWND window() const { return window_; }
    // Keyboard navigation (Tab between controls, Enter for the default button); true when the
    // message was handled.
    bool handle_dialog_keys(MSG& message);

    // View
    std::string text(ControlId id) override;
    void set_text(ControlId id, const std::string& text) override;
    bool checked(ControlId id) override;
    void set_checked(ControlId id, bool on) override;
    void set_items(ControlId id, const std::vector<std::string>& items) override;
    int item_count(ControlId id) override;
    int selection(ControlId id) override;
    void set_selection(ControlId id, int index) override;
    void set_rows(ControlId id, const std::vector<std::vector<std::string>>& rows) override;
    std::vector<int> selected_rows(ControlId id) override;
    void select_row(ControlId id, int row) override;
    void set_enabled(ControlId id, bool enabled) override;
    bool enabled(ControlId id) override;
    void set_visible(ControlId id, bool visible) override;
    bool visible(ControlId id) override;
    void focus(ControlId id) override;
    void show_line(ControlId id, size_t line) override;
    void set_status(StatusLine line, const std::string& text) override;
    std::string status(StatusLine line) override;
    BoxAnswer message_box(BoxIcon icon, BoxButtons buttons, const std::string& text) override;
    bool pick_folder(const std::string& title, std::string& path) override;
    bool pick_open_file(const FileDialogSpec& def, std::string& path) override;
    bool pick_save_file(const FileDialogSpec& def, std::string& path) override;
    void relayout() override;
    void repaint() override;
    void show_progress(const std::string& text) override;

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);

    bool create_controls();
    HWND create_control(const ControlSpec& def);
    HWND control(ControlId id) const;
    const ControlSpec* spec_of(int id) const;
    void notify(ControlId id, UiEvent event);
    void on_command(int id, int code, HWND from);
    LRESULT on_notify(const NMHDR& header);
    LRESULT on_color_static(HDC dc, HWND from);
    // The button Enter presses: the focused push button, else the page's default button.
    ControlId enter_button() const;
    // Puts the focus on a visible control when the one holding it was hidden.
    void keep_focus_visible();
    // Gives a control the keyboard as the dialog manager does: a one-line field's text selected,
    // so that what the sysop types replaces it.
    void give_focus(HWND hwnd);
    // Whether a control's caption carries an access key (its window text then holds '&').
    bool marked(const ControlSpec& def) const;
    // Gives the default-button look back to the page's default button after a page change.
    void restore_default_look();
    bool pick_file(const FileDialogSpec& def, std::string& path, bool save);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    App* app_ = nullptr;
    HFONT heading_font_ = nullptr;
    HICON large_icon_ = nullptr;   // the Home screen's 160 x 160 picture
    HICON small_icon_ = nullptr;   // the title bar's
    std::map<int, HWND> controls_;
    std::map<int, const ControlSpec*> specs_;
    int filling_ = 0;               // the program itself changes list view rows
    bool area_notice_pending_ = false;
    HWND saved_focus_ = nullptr;    // restored when the window is activated again
    bool closing_ = false;          // the close came from the title bar, system menu or Alt+F4
    int parsed_profile_ = -1;       // the profile choice the .NA list was last parsed with
};

}  // namespace marlinth
