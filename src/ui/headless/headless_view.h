// An in-memory toolkit: every control of the table as plain state. Setting a field's text raises
// the same change notification as the real window does; message boxes and pickers are recorded
// and answered from queues that a test or script fills. It also offers the user's actions
// (type, click, choose, select), which raise notifications as a user's would.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/view.h"
#include "ui/controls.h"

namespace marlinth {

struct RecordedBox {
    BoxIcon icon;
    BoxButtons buttons;
    std::string text;
    BoxAnswer answer;
};

class HeadlessView final : public View {
public:
    using EventSink = std::function<void(ControlId, UiEvent)>;
    using BoxObserver = std::function<void(const RecordedBox&)>;

    HeadlessView();

    void set_event_sink(EventSink sink) { sink_ = std::move(sink); }
    void set_box_observer(BoxObserver observer) { box_observer_ = std::move(observer); }

    // Answers for the next boxes and pickers, in order. Without an answer a Yes/No box gets
    // its default (No), an OK box OK, and a picker is cancelled.
    void queue_answer(BoxAnswer answer) { answers_.push_back(answer); }
    void queue_pick(const std::string& path) { picks_.push_back({true, path}); }
    void queue_pick_cancel() { picks_.push_back({false, std::string()}); }
    const std::vector<RecordedBox>& boxes() const { return boxes_; }
    void clear_boxes() { boxes_.clear(); }
    const std::vector<FileDialogSpec>& file_dialogs() const { return file_dialogs_; }
    // Each folder picker's title and the folder it opened at.
    const std::vector<std::pair<std::string, std::string>>& folder_dialogs() const { return folder_dialogs_; }

    // The user's actions. They return false (and do nothing) on a disabled control.
    bool type(ControlId id, const std::string& text);
    bool click(ControlId id);
    bool choose(ControlId id, int index);
    bool select(ControlId id, const std::vector<int>& rows);

    // The list view's rows, and a control's content as `print` shows it.
    const std::vector<std::vector<std::string>>& rows(ControlId id);
    std::string describe(ControlId id);
    bool has_control(ControlId id) const { return controls_.count(static_cast<int>(id)) != 0; }
    ControlKind kind(ControlId id);

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
    void focus(ControlId id) override { focused_ = id; }
    void show_line(ControlId id, size_t line) override { at(id).first_line = line; }
    void set_status(StatusLine line, const std::string& text) override;
    std::string status(StatusLine line) override;
    BoxAnswer message_box(BoxIcon icon, BoxButtons buttons, const std::string& text) override;
    bool pick_folder(const std::string& title, std::string& path) override;
    bool pick_open_file(const FileDialogSpec& def, std::string& path) override;
    bool pick_save_file(const FileDialogSpec& def, std::string& path) override;
    void repaint() override {}
    void show_progress(const std::string& text) override { progress_.push_back(text); }
    void relayout() override {}

    ControlId focused() const { return focused_; }
    // The line a multi-line text shows first (set_text scrolls back to the top).
    std::string first_line_shown(ControlId id);
    const std::vector<std::string>& progress() const { return progress_; }

private:
    struct Control {
        ControlKind kind = ControlKind::Label;
        std::string text;
        bool checked = false;
        std::vector<std::string> items;
        int selection = -1;
        std::vector<std::vector<std::string>> rows;
        std::vector<int> selected;
        bool enabled = true;
        bool visible = false;
        bool group_start = false;
        size_t first_line = 0;
    };
    struct Pick {
        bool chosen;
        std::string path;
    };

    Control& at(ControlId id);
    void notify(ControlId id, UiEvent event);
    bool next_pick(std::string& path);

    std::map<int, Control> controls_;
    std::vector<int> order_;  // creation order, for radio groups
    std::map<StatusLine, std::string> status_;
    EventSink sink_;
    BoxObserver box_observer_;
    std::deque<BoxAnswer> answers_;
    std::deque<Pick> picks_;
    std::vector<RecordedBox> boxes_;
    std::vector<FileDialogSpec> file_dialogs_;
    std::vector<std::pair<std::string, std::string>> folder_dialogs_;
    std::vector<std::string> progress_;
    ControlId focused_ = ControlId::None;
};

}  // namespace marlinth
