#include "ui/layout.h"

#include <algorithm>
#include <map>

#include "ui/controls.h"

namespace marlinth {

namespace {

using C = ControlId;

// Page contents of Advanced Tools start here, with this left margin.
constexpr int kPageTop = 48;
constexpr int kMargin = 20;
// Wizard pages: the step's controls start below the three heading texts and end above the
// navigation row.
constexpr int kWizardTop = 116;
constexpr int kWizardNavGap = 64;

// The label that the control table places right before `id` (its caption), or None.
ControlId label_before(ControlId id) {
    const std::vector<ControlSpec>& table = control_table();
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i].id == id) return table[i - 1].kind == ControlKind::Label ? table[i - 1].id : ControlId::None;
    return ControlId::None;
}

// The first label of a page: its banner line.
ControlId first_label(uint32_t pages) {
    for (const ControlSpec& entry : control_table())
        if (entry.kind == ControlKind::Label && (entry.pages & pages) != 0) return entry.id;
    return ControlId::None;
}

class Placer {
public:
    Placer(int width, int height) : w(width), h(height) {}

    void put(ControlId id, int x, int y, int width, int height) {
        if (id == ControlId::None) return;
        rects_[static_cast<int>(id)] = Rect{x, y, std::max(width, 0), std::max(height, 0)};
    }
    // A caption at the left of a field whose top is `field_y`.
    void caption(ControlId field, int x, int field_y, int width) { put(label_before(field), x, field_y + 3, width, 20); }

    Layout finish(uint32_t pages) const {
        Layout out;
        for (const ControlSpec& entry : control_table()) {
            if ((entry.pages & pages) == 0) continue;
            auto it = rects_.find(static_cast<int>(entry.id));
            if (it != rects_.end()) out.placements.push_back({entry.id, it->second});
        }
        return out;
    }

    const int w, h;

private:
    std::map<int, Rect> rects_;
};

void home(Placer& p) {
    const int mid = p.w / 2;
    p.put(C::HomeIcon, mid - 80, 55, 160, 160);
    p.put(C::HomeTitle, mid - 220, 230, 440, 30);
    p.put(C::HomeLine, mid - 300, 265, 600, 24);
    p.put(C::StartWizard, mid - 150, 320, 300, 46);
    p.put(C::AdvancedTools, mid - 150, 380, 300, 40);
    p.put(C::HomeFooter, mid - 320, p.h - 55, 640, 22);
}

void setup_page(Placer& p) {
    const int w = p.w;
    const int full = w - 2 * kMargin;
    p.put(first_label(page::tab(Tab::Setup)), kMargin, kPageTop, full, 20);
    p.caption(C::NodeCount, kMargin, 77, 125);
    p.put(C::NodeCount, 150, 77, 60, 24);
    p.put(label_before(C::NodeList), kMargin, 106, full, 20);
    p.put(C::NodeList, kMargin, 128, full, 150);
    p.put(C::SetNode1, kMargin, 286, 130, 28);
    p.put(C::AddNode, 160, 286, 130, 28);
    p.put(C::DiscoverNodes, 300, 286, 130, 28);
    p.put(label_before(C::MessageDir), kMargin, 322, full - 110, 20);
    p.put(C::MessageDir, kMargin, 342, full - 110, 24);
    p.put(C::BrowseMessageDir, w - kMargin - 100, 341, 100, 26);
    p.put(C::UseQuarro, kMargin, 378, full, 22);
    p.put(label_before(C::QuarroCfgPath), kMargin, 406, full - 220, 20);
    p.put(C::QuarroCfgPath, kMargin, 426, full - 220, 24);
    p.put(C::BrowseQuarroCfg, w - kMargin - 210, 425, 100, 26);
    p.put(C::ReadCfg, w - kMargin - 100, 425, 100, 26);
    p.put(C::SaveSettings, kMargin, 462, 140, 28);
    p.put(C::RunInspection, 170, 462, 220, 28);
    p.put(C::MainStatus, kMargin, 498, full, 20);
}

void fill_page(Placer& p, ControlId id) { p.put(id, kMargin, kPageTop, p.w - 2 * kMargin, p.h - 68); }

void na_preview_page(Placer& p) {
    const int w = p.w, h = p.h;
    const int full = w - 2 * kMargin;
    p.put(C::LoadNaFile, kMargin, kPageTop, 120, 26);
    const int profile_width = std::min(230 + (w - kLayoutMinWidth) / 3, 360);
    p.caption(C::ProfileChoice, 150, kPageTop, 45);
    p.put(C::ProfileChoice, 197, kPageTop, profile_width, 24);
    const int name_label_x = 197 + profile_width + 10;
    p.caption(C::NetworkName, name_label_x, kPageTop, 80);
    p.put(C::NetworkName, name_label_x + 82, kPageTop, w - kMargin - 90 - (name_label_x + 82), 24);
    p.put(C::Reparse, w - kMargin - 80, kPageTop, 80, 26);
    p.put(C::NaPathLabel, kMargin, 82, full - 200, 20);
    p.caption(C::ShowFilter, w - kMargin - 170, 80, 40);
    p.put(C::ShowFilter, w - kMargin - 125, 80, 125, 24);
    p.put(C::NaSummary, kMargin, 104, full, 20);
    p.put(C::AreaList, kMargin, 128, full, h - 172 - 128);
    p.caption(C::AreaName, kMargin, h - 164, 270);
    p.put(C::AreaName, 295, h - 164, w - kMargin - 110 - 295, 24);
    p.put(C::ApplyName, w - kMargin - 100, h - 165, 100, 26);
    p.put(C::AreaDetails, kMargin, h - 134, full, 114);
}

void hex_record_page(Placer& p) {
    p.put(C::ConferenceListBox, kMargin, kPageTop, 230, p.h - 68);
    p.put(C::RecordView, kMargin + 240, kPageTop, p.w - 2 * kMargin - 240, p.h - 68);
}

void report_page(Placer& p) {
    p.put(C::ExportReport, kMargin, kPageTop, 140, 28);
    p.put(C::ReportText, kMargin, 82, p.w - 2 * kMargin, p.h - 102);
}

// The template choice and the twelve shared settings: two columns of label and control in six
// rows 32 pixels apart (Settings Plan page and the wizard's settings step).
void settings_grid(Placer& p, int template_y, int grid_y) {
    p.caption(C::TemplateChoice, kMargin, template_y, 185);
    p.put(C::TemplateChoice, kMargin + 185, template_y, 300, 24);
    static const ControlId kSettings[12] = {C::ConferenceSecurity, C::MessageEntrySecurity, C::ConferenceAccess,
                                            C::PublicOnly,         C::NetMail,              C::AllowRouting,
                                            C::MaxMsgLength,       C::PurgeDays,            C::CallerDelete,
                                            C::PurgeUnreceived,    C::PurgeOldThread,       C::PrivilegedSecurities};
    for (int i = 0; i < 12; ++i) {
        const int x = i < 6 ? kMargin : p.w / 2 + 10;
        const int y = grid_y + (i % 6) * 32;
        p.caption(kSettings[i], x, y, 185);
        p.put(kSettings[i], x + 185, y, 145, 24);
    }
}

void settings_plan_page(Placer& p) {
    const int w = p.w;
    p.put(first_label(page::tab(Tab::SettingsPlan)), kMargin, kPageTop, w - 2 * kMargin, 20);
    settings_grid(p, 76, 112);
    p.put(C::ResetFromTemplate, kMargin + 185 + 310, 75, 160, 26);
    p.put(C::ApplySettings, kMargin, 308, 180, 28);
    p.put(C::GeneratePlan, 210, 308, 180, 28);
    p.put(C::SettingsStatus, 400, 306, w - kMargin - 400, 34);
    p.put(C::PlanText, kMargin, 344, w - 2 * kMargin, p.h - 20 - 344);
}

void writer_page(Placer& p) {
    const int w = p.w;
    const int full = w - 2 * kMargin;
    p.put(first_label(page::tab(Tab::Writer)), kMargin, kPageTop, full, 30);
    p.put(label_before(C::BackupRoot), kMargin, 82, full, 18);
    p.put(C::BackupRoot, kMargin, 102, full - 110, 24);
    p.put(C::BrowseBackupRoot, w - kMargin - 100, 101, 100, 26);
    p.put(C::RunPreflight, kMargin, 140, 180, 28);
    p.put(C::WriterStatus, 210, 140, w - kMargin - 210, 34);
    p.caption(C::Confirmation, kMargin, 180, 220);
    p.put(C::Confirmation, 245, 180, 100, 24);
    p.put(C::CommitAppend, 355, 178, 160, 28);
    p.put(C::RestoreFromBackup, 525, 178, 180, 28);
    p.put(C::WriterText, kMargin, 220, full, p.h - 20 - 220);
}

void advanced_tools(Placer& p, Tab tab) {
    p.put(C::Tabs, 8, 8, p.w - 16, p.h - 16);
    p.put(C::HomeOrReturn, p.w - 158, 10, 145, 26);
    switch (tab) {
    case Tab::Setup:
        setup_page(p);
        break;
    case Tab::Conferences:
        fill_page(p, C::ConferenceList);
        break;
    case Tab::NaPreview:
        na_preview_page(p);
        break;
    case Tab::HexRecord:
        hex_record_page(p);
        break;
    case Tab::Report:
        report_page(p);
        break;
    case Tab::Log:
        fill_page(p, C::LogText);
        break;
    case Tab::SettingsPlan:
        settings_plan_page(p);
        break;
    case Tab::Writer:
        writer_page(p);
        break;
    }
}

// A path field with its browse button at the right edge, the caption above.
void path_row(Placer& p, ControlId field, ControlId button, int button_width, int y) {
    const int full = p.w - 2 * kMargin;
    p.put(label_before(field), kMargin, y, full, 20);
    p.put(field, kMargin, y + 22, full - button_width - 10, 24);
    p.put(button, p.w - kMargin - button_width, y + 21, button_width, 26);
}

void wizard_step(Placer& p, int step) {
    const int w = p.w, h = p.h;
    const int full = w - 2 * kMargin;
    const int top = kWizardTop;
    const int bottom = h - kWizardNavGap;  // the lowest edge a step's control may reach
    switch (step) {
    case 0:
        p.put(label_before(C::WizardNodeCount), kMargin, top, full, 20);
        p.put(C::WizardNodeCount, kMargin, top + 22, 80, 24);
        break;
    case 1:
        path_row(p, C::WizardNode1, C::WizardBrowseNode1, 170, top);
        break;
    case 2:
        p.put(C::WizardScanYes, kMargin, top, full, 22);
        p.put(C::WizardScanNo, kMargin, top + 26, full, 22);
        break;
    case 3:
        p.put(label_before(C::WizardNodeList), kMargin, top, full, 20);
        p.put(C::WizardNodeList, kMargin, top + 22, full, bottom - (top + 22));
        break;
    case 4:
        path_row(p, C::WizardMessageDir, C::WizardBrowseMessageDir, 170, top);
        break;
    case 5:
        p.put(C::WizardQuarroYes, kMargin, top, full, 22);
        p.put(C::WizardQuarroNo, kMargin, top + 26, full, 22);
        path_row(p, C::WizardQuarroCfgPath, C::WizardBrowseQuarroCfg, 190, top + 62);
        break;
    case 6:
        p.put(C::WizardRunInspection, kMargin, top, 220, 28);
        p.put(C::WizardInspectionSummary, kMargin, top + 38, full, bottom - (top + 38));
        break;
    case 7:
        path_row(p, C::WizardBackupRoot, C::WizardBrowseBackupRoot, 100, top);
        p.put(C::WizardCreateBackupChoice, kMargin, top + 58, full, 22);
        p.put(C::WizardExistingBackupChoice, kMargin, top + 84, full, 22);
        p.put(C::WizardCreateBackupNow, kMargin, top + 116, 240, 28);
        p.put(C::WizardBackupText, kMargin, top + 154, full, bottom - (top + 154));
        break;
    case 8:
        p.put(C::WizardChooseNaFile, kMargin, top, 180, 28);
        p.put(C::WizardImportSummary, kMargin, top + 38, full, bottom - (top + 38));
        break;
    case 9:
        settings_grid(p, top, top + 36);
        p.put(C::WizardResetDefaults, kMargin, top + 236, 230, 28);
        p.put(C::WizardTemplateSummary, kMargin, top + 274, full, bottom - (top + 274));
        break;
    case 10:
        p.caption(C::ShowFilter, kMargin, top, 40);
        p.put(C::ShowFilter, kMargin + 45, top, 140, 24);
        p.put(C::AreaList, kMargin, top + 32, full, h - 136 - (top + 32));
        p.put(C::WizardApproveSelected, kMargin, h - 126, 200, 28);
        p.put(C::WizardApproveAll, kMargin + 210, h - 126, 220, 28);
        p.put(C::WizardNamesReviewed, kMargin, h - 92, full, 22);
        break;
    case 11:
        p.put(C::WizardGeneratePlan, kMargin, top, 180, 28);
        p.put(C::WizardViewReport, kMargin + 190, top, 200, 28);
        p.put(C::WizardPlanSummary, kMargin, top + 38, full, bottom - (top + 38));
        break;
    case 12:
        p.put(C::WizardRunSafetyCheck, kMargin, top, 180, 28);
        p.put(C::WizardSafetyOutput, kMargin, top + 38, full, bottom - (top + 38));
        break;
    case 13:
        p.put(C::WizardClosedConfirm, kMargin, top, full, 22);
        p.put(label_before(C::WizardConfirmation), kMargin, top + 34, full, 20);
        p.put(C::WizardConfirmation, kMargin, top + 58, 120, 24);
        p.put(C::WizardCommit, kMargin + 130, top + 56, 160, 28);
        p.put(C::WizardCommitStatement, kMargin, top + 98, full, 44);
        break;
    case 14:
        p.put(C::WizardCompletionText, kMargin, top, full, h - 108 - top);
        p.put(C::WizardFinalInspection, kMargin, h - 98, 200, 28);
        break;
    default:
        break;
    }
}

void wizard(Placer& p, int step) {
    const int w = p.w, h = p.h;
    p.put(C::WizardHeader, kMargin, 14, w - 2 * kMargin, 22);
    p.put(C::WizardQuestion, kMargin, 45, w - 2 * kMargin, 28);
    p.put(C::WizardHelp, kMargin, 76, w - 2 * kMargin, 36);
    p.put(C::WizardAdvanced, kMargin, h - 48, 130, 30);
    p.put(C::WizardCancel, 160, h - 48, 130, 30);
    // Two lines between the left and the right pair of buttons.
    p.put(C::WizardNextBlocker, 302, h - 48, w - 250 - 12 - 302, 30);
    p.put(C::WizardBack, w - 250, h - 48, 105, 30);
    p.put(C::WizardNext, w - 135, h - 48, 115, 30);
    wizard_step(p, step);
}

}  // namespace

const Rect* Layout::find(ControlId id) const {
    for (const Placement& p : placements)
        if (p.id == id) return &p.rect;
    return nullptr;
}

Layout layout_controls(const UiPosition& ui, int width, int height) {
    Placer p(std::max(width, kLayoutMinWidth), std::max(height, kLayoutMinHeight));
    switch (ui.screen) {
    case Screen::Home:
        home(p);
        break;
    case Screen::AdvancedTools:
        advanced_tools(p, ui.active_tab);
        break;
    case Screen::Wizard:
        wizard(p, ui.wizard_step);
        break;
    }
    return p.finish(pages_shown(ui));
}

}  // namespace marlinth
