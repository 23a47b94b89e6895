// The control table: every control of the main window and the wizard, with its identifier,
// kind, initial text and the screens and pages it belongs to. Both toolkits create their
// controls from this one table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/view.h"

namespace marlinth {

enum class ControlKind {
    Label,          // static text
    StatusText,     // static text the program rewrites (status lines, summaries)
    Edit,           // one-line field
    NumberEdit,     // one-line field that takes digits only
    MultiLineEdit,  // multi-line field that accepts Return
    ReadOnlyText,   // read-only multi-line text with both scroll bars
    Button,
    DefaultButton,  // the page's default button (Enter)
    CheckBox,
    Radio,          // first of a group starts the group
    ChoiceList,     // drop-down list
    ListBox,
    ListView,       // report-style list: full-row select, grid lines
    TabControl,
    Icon,           // the program icon, 160 x 160
    Heading,        // static text in a large font
};

struct ColumnSpec {
    const char* title;
    int width;
};

// Page membership: tab pages, Home, and each wizard step.
namespace page {
constexpr uint32_t tab(Tab t) { return 1u << static_cast<int>(t); }
constexpr uint32_t kHome = 1u << 8;
constexpr uint32_t wizard(int step) { return 1u << (9 + step); }
constexpr uint32_t kAllWizard = 0x7FFFu << 9;
constexpr uint32_t kAdvancedFrame = 1u << 24;  // the tab control and its Home button
}  // namespace page

struct ControlSpec {
    ControlId id;
    ControlKind kind;
    std::string text;
    uint32_t pages;
    std::vector<ColumnSpec> columns;   // list views
    std::vector<std::string> items;    // choice lists filled at creation
    bool multi_select = false;         // list views
    bool group_start = false;          // radio groups
    // A command whose enabled state follows a rule that does not hold at start (the commit
    // buttons): created disabled, so that not even the first paint offers it.
    bool starts_disabled = false;
    // The letter Alt presses the control with (a field's label: moves to its field). The first
    // of these letters that the caption holds counts (a caption the program changes may lack
    // the first), matched case-blind, preferring the start of a word. The caption itself stays
    // as written: the toolkit marks the letter.
    const char* access_keys = "";
};

// Where the access key falls in the text (the letter a sysop sees underlined), or npos.
size_t access_key_position(const std::string& text, const char* keys);
// The caption as a Win32 control takes it: '&' before the access key's letter, any '&' of the
// text doubled.
std::string caption_with_access_key(const std::string& text, const char* keys);
// A label that names the input control created right after it (Alt+its letter moves there).
bool is_field_label(const ControlSpec& entry);

// Labels carry identifiers from this base upwards; they are never read by the logic.
constexpr int kFirstLabelId = 1000;

const std::vector<ControlSpec>& control_table();
const ControlSpec* find_control(ControlId id);
// The control that shows a status line in the window.
ControlId status_control(StatusLine line);
// The page bits whose controls the current screen shows.
uint32_t pages_shown(const UiPosition& ui);

constexpr const char* kTabTitles[kTabCount] = {"Setup", "Conferences", ".NA Preview", "Hex Record",
                                               "Report", "Log", "Settings Plan", "Writer"};

}  // namespace marlinth
