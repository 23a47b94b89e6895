#include "ui/headless/headless_view.h"

#include <algorithm>
#include <stdexcept>

namespace marlinth {

namespace {

bool is_edit(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::NumberEdit || kind == ControlKind::MultiLineEdit ||
           kind == ControlKind::ReadOnlyText;
}

}  // namespace

HeadlessView::HeadlessView() {
    for (const ControlSpec& def : control_table()) {
        Control c;
        c.kind = def.kind;
        c.text = def.text;
        c.items = def.items;
        c.group_start = def.group_start;
        c.enabled = !def.starts_disabled;
        if (def.kind == ControlKind::ChoiceList && !c.items.empty()) c.selection = 0;
        controls_[static_cast<int>(def.id)] = c;
        order_.push_back(static_cast<int>(def.id));
    }
}

HeadlessView::Control& HeadlessView::at(ControlId id) {
    auto it = controls_.find(static_cast<int>(id));
    // A control the table does not know is a programming error; make it loud in tests.
    if (it == controls_.end()) throw std::logic_error("unknown control " + std::to_string(static_cast<int>(id)));
    return it->second;
}

ControlKind HeadlessView::kind(ControlId id) { return at(id).kind; }

void HeadlessView::notify(ControlId id, UiEvent event) {
    if (sink_) sink_(id, event);
}

std::string HeadlessView::text(ControlId id) {
    Control& c = at(id);
    if (c.kind == ControlKind::ChoiceList || c.kind == ControlKind::ListBox)
        return (c.selection >= 0 && c.selection < static_cast<int>(c.items.size())) ? c.items[c.selection] : std::string();
    return c.text;
}

void HeadlessView::set_text(ControlId id, const std::string& text) {
    Control& c = at(id);
    c.text = text;
    c.first_line = 0;
    if (is_edit(c.kind)) notify(id, UiEvent::Edited);
}

std::string HeadlessView::first_line_shown(ControlId id) {
    const Control& c = at(id);
    size_t start = 0;
    for (size_t line = 0; line < c.first_line && start != std::string::npos; ++line) {
        start = c.text.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return std::string();
    const size_t end = c.text.find_first_of("\r\n", start);
    return c.text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool HeadlessView::checked(ControlId id) { return at(id).checked; }
void HeadlessView::set_checked(ControlId id, bool on) { at(id).checked = on; }

void HeadlessView::set_items(ControlId id, const std::vector<std::string>& items) {
    Control& c = at(id);
    c.items = items;
    c.selection = -1;
}

int HeadlessView::item_count(ControlId id) { return static_cast<int>(at(id).items.size()); }
int HeadlessView::selection(ControlId id) { return at(id).selection; }

void HeadlessView::set_selection(ControlId id, int index) {
    Control& c = at(id);
    c.selection = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
}

void HeadlessView::set_rows(ControlId id, const std::vector<std::vector<std::string>>& rows) {
    Control& c = at(id);
    c.rows = rows;
    c.selected.clear();
}

std::vector<int> HeadlessView::selected_rows(ControlId id) { return at(id).selected; }

void HeadlessView::select_row(ControlId id, int row) {
    Control& c = at(id);
    c.selected.clear();
    if (row >= 0 && row < static_cast<int>(c.rows.size())) c.selected.push_back(row);
}

void HeadlessView::set_enabled(ControlId id, bool enabled) { at(id).enabled = enabled; }
bool HeadlessView::enabled(ControlId id) { return at(id).enabled; }
void HeadlessView::set_visible(ControlId id, bool visible) { at(id).visible = visible; }
bool HeadlessView::visible(ControlId id) { return at(id).visible; }

void HeadlessView::set_status(StatusLine line, const std::string& text) {
    status_[line] = text;
    at(status_control(line)).text = text;
}

std::string HeadlessView::status(StatusLine line) {
    auto it = status_.find(line);
    if (it != status_.end()) return it->second;
    const ControlSpec* def = find_control(status_control(line));
    return line == StatusLine::Plan || !def ? std::string() : def->text;
}

BoxAnswer HeadlessView::message_box(BoxIcon icon, BoxButtons buttons, const std::string& text) {
    BoxAnswer answer = buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    if (!answers_.empty()) {
        BoxAnswer queued = answers_.front();
        answers_.pop_front();
        if (buttons == BoxButtons::YesNo ? queued != BoxAnswer::Ok : queued == BoxAnswer::Ok) answer = queued;
    }
    RecordedBox box{icon, buttons, text, answer};
    boxes_.push_back(box);
    if (box_observer_) box_observer_(box);
    return answer;
}

bool HeadlessView::next_pick(std::string& path) {
    if (picks_.empty()) return false;
    Pick pick = picks_.front();
    picks_.pop_front();
    if (!pick.chosen) return false;
    path = pick.path;
    return true;
}

bool HeadlessView::pick_folder(const std::string& title, std::string& path) {
    folder_dialogs_.emplace_back(title, path);
    return next_pick(path);
}

bool HeadlessView::pick_open_file(const FileDialogSpec& def, std::string& path) {
    file_dialogs_.push_back(def);
    return next_pick(path);
}

bool HeadlessView::pick_save_file(const FileDialogSpec& def, std::string& path) {
    file_dialogs_.push_back(def);
    return next_pick(path);
}

bool HeadlessView::type(ControlId id, const std::string& text) {
    if (!at(id).enabled) return false;
    set_text(id, text);
    return true;
}

bool HeadlessView::click(ControlId id) {
    Control& c = at(id);
    if (!c.enabled) return false;
    if (c.kind == ControlKind::CheckBox) {
        c.checked = !c.checked;
    } else if (c.kind == ControlKind::Radio) {
        // An automatic radio button unchecks the other members of its group.
        auto pos = std::find(order_.begin(), order_.end(), static_cast<int>(id));
        auto first = pos;
        while (first != order_.begin() && !controls_[*first].group_start) --first;
        for (auto it = first; it != order_.end(); ++it) {
            Control& member = controls_[*it];
            if (member.kind != ControlKind::Radio || (it != first && member.group_start)) break;
            member.checked = false;
        }
        c.checked = true;
    }
    notify(id, UiEvent::Clicked);
    return true;
}

bool HeadlessView::choose(ControlId id, int index) {
    if (!at(id).enabled) return false;
    set_selection(id, index);
    notify(id, UiEvent::Chosen);
    return true;
}

bool HeadlessView::select(ControlId id, const std::vector<int>& rows) {
    Control& c = at(id);
    if (!c.enabled) return false;
    c.selected.clear();
    for (int r : rows)
        if (r >= 0 && r < static_cast<int>(c.rows.size()) && std::find(c.selected.begin(), c.selected.end(), r) == c.selected.end())
            c.selected.push_back(r);
    std::sort(c.selected.begin(), c.selected.end());
    notify(id, UiEvent::ItemChanged);
    return true;
}

const std::vector<std::vector<std::string>>& HeadlessView::rows(ControlId id) { return at(id).rows; }

std::string HeadlessView::describe(ControlId id) {
    Control& c = at(id);
    std::string out;
    switch (c.kind) {
    case ControlKind::ListView:
        for (size_t r = 0; r < c.rows.size(); ++r) {
            if (r) out += "\n";
            for (size_t col = 0; col < c.rows[r].size(); ++col) {
                if (col) out += " | ";
                out += c.rows[r][col];
            }
        }
        return out;
    case ControlKind::ChoiceList:
    case ControlKind::ListBox:
    case ControlKind::TabControl:
        for (size_t i = 0; i < c.items.size(); ++i) {
            if (i) out += "\n";
            out += (static_cast<int>(i) == c.selection ? "* " : "  ") + c.items[i];
        }
        return out;
    case ControlKind::CheckBox:
    case ControlKind::Radio:
        return c.checked ? "on" : "off";
    default:
        return c.text;
    }
}

}  // namespace marlinth
