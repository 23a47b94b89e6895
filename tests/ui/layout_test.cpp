#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/layout.h"

namespace marlinth {
namespace {

using C = ControlId;

// The client area of the window at its initial size (1120 x 760 less frame and title bar).
constexpr int kDefaultWidth = 1104;
constexpr int kDefaultHeight = 721;

struct Screenful {
    std::string name;
    UiPosition ui;
};

std::vector<Screenful> every_screen() {
    std::vector<Screenful> out;
    UiPosition ui;
    ui.screen = Screen::Home;
    out.push_back({"Home", ui});
    ui.screen = Screen::AdvancedTools;
    for (int t = 0; t < kTabCount; ++t) {
        ui.active_tab = static_cast<Tab>(t);
        out.push_back({std::string("tab ") + kTabTitles[t], ui});
    }
    ui.screen = Screen::Wizard;
    for (int s = 0; s < 15; ++s) {
        ui.wizard_step = s;
        out.push_back({"wizard step " + std::to_string(s), ui});
    }
    return out;
}

Rect at(const Layout& layout, ControlId id) {
    const Rect* r = layout.find(id);
    EXPECT_NE(r, nullptr) << "control " << static_cast<int>(id) << " has no place";
    return r ? *r : Rect{};
}

bool overlap(const Rect& a, const Rect& b) {
    return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

UiPosition tab(Tab t) {
    UiPosition ui;
    ui.screen = Screen::AdvancedTools;
    ui.active_tab = t;
    return ui;
}

UiPosition wizard_step(int step) {
    UiPosition ui;
    ui.screen = Screen::Wizard;
    ui.wizard_step = step;
    return ui;
}

// Every control the screen shows has a place, and nothing else is placed.
TEST(Layout, PlacesExactlyTheControlsOfTheCurrentScreen) {
    for (const Screenful& s : every_screen()) {
        const Layout layout = layout_controls(s.ui, kDefaultWidth, kDefaultHeight);
        const uint32_t pages = pages_shown(s.ui);
        size_t shown = 0;
        for (const ControlSpec& entry : control_table()) {
            if ((entry.pages & pages) == 0) {
                EXPECT_EQ(layout.find(entry.id), nullptr) << s.name << ": control " << static_cast<int>(entry.id);
                continue;
            }
            ++shown;
            const Rect* r = layout.find(entry.id);
            ASSERT_NE(r, nullptr) << s.name << ": control " << static_cast<int>(entry.id) << " \"" << entry.text << "\"";
            EXPECT_GT(r->width, 0) << s.name << ": control " << static_cast<int>(entry.id);
            EXPECT_GT(r->height, 0) << s.name << ": control " << static_cast<int>(entry.id);
        }
        EXPECT_EQ(layout.placements.size(), shown) << s.name;
    }
}

// No two controls of one screen cover each other (the tab control frames its page and is the
// only exception), at the smallest and at the initial size, so nothing hides a label or takes
// another control's clicks.
TEST(Layout, ControlsOfOneScreenNeverOverlap) {
    for (const Screenful& s : every_screen()) {
        for (const auto& size : {std::pair<int, int>{kLayoutMinWidth, kLayoutMinHeight}, {kDefaultWidth, kDefaultHeight}}) {
            const Layout layout = layout_controls(s.ui, size.first, size.second);
            for (size_t i = 0; i < layout.placements.size(); ++i) {
                for (size_t j = i + 1; j < layout.placements.size(); ++j) {
                    const Placement& a = layout.placements[i];
                    const Placement& b = layout.placements[j];
                    if (a.id == C::Tabs || b.id == C::Tabs) continue;
                    EXPECT_FALSE(overlap(a.rect, b.rect))
                        << s.name << " at " << size.first << "x" << size.second << ": " << static_cast<int>(a.id)
                        << " overlaps " << static_cast<int>(b.id);
                }
            }
        }
    }
}

// At the smallest laid-out size everything fits in the client area, and page contents sit
// inside the tab control's body, below its tab strip.
TEST(Layout, EverythingFitsAtTheSmallestSize) {
    for (const Screenful& s : every_screen()) {
        const Layout layout = layout_controls(s.ui, kLayoutMinWidth, kLayoutMinHeight);
        const Rect* tabs = layout.find(C::Tabs);
        for (const Placement& p : layout.placements) {
            EXPECT_GE(p.rect.x, 0) << s.name << ": " << static_cast<int>(p.id);
            EXPECT_GE(p.rect.y, 0) << s.name << ": " << static_cast<int>(p.id);
            EXPECT_LE(p.rect.right(), kLayoutMinWidth) << s.name << ": " << static_cast<int>(p.id);
            EXPECT_LE(p.rect.bottom(), kLayoutMinHeight) << s.name << ": " << static_cast<int>(p.id);
            if (tabs && p.id != C::Tabs && p.id != C::HomeOrReturn) {
                EXPECT_GE(p.rect.y, 48) << s.name << ": " << static_cast<int>(p.id);
                EXPECT_GT(p.rect.x, tabs->x) << s.name << ": " << static_cast<int>(p.id);
                EXPECT_LT(p.rect.right(), tabs->right()) << s.name << ": " << static_cast<int>(p.id);
                EXPECT_LT(p.rect.bottom(), tabs->bottom()) << s.name << ": " << static_cast<int>(p.id);
            }
        }
    }
}

// A caption stands left of its field on the same row, or above it.
TEST(Layout, CaptionsSitBesideOrAboveTheirFields) {
    const std::vector<ControlSpec>& table = control_table();
    for (const Screenful& s : every_screen()) {
        const Layout layout = layout_controls(s.ui, kDefaultWidth, kDefaultHeight);
        for (size_t i = 0; i + 1 < table.size(); ++i) {
            const ControlKind next = table[i + 1].kind;
            const bool is_field = next == ControlKind::Edit || next == ControlKind::NumberEdit ||
                               next == ControlKind::MultiLineEdit || next == ControlKind::ChoiceList;
            if (table[i].kind != ControlKind::Label || !is_field) continue;
            const Rect* label = layout.find(table[i].id);
            const Rect* field = layout.find(table[i + 1].id);
            if (!label || !field) continue;
            const bool left = label->right() <= field->x && label->y < field->bottom() && field->y < label->bottom();
            const bool above = label->bottom() <= field->y && field->y - label->bottom() <= 8 && label->x <= field->x;
            EXPECT_TRUE(left || above) << s.name << ": \"" << table[i].text << "\" and " << static_cast<int>(table[i + 1].id);
        }
    }
}

TEST(Layout, SmallerWindowsAreLaidOutAsTheSmallestSizeAndClip) {
    for (const Screenful& s : every_screen()) {
        for (const auto& size : {std::pair<int, int>{600, 400}, {0, 0}, {719, 900}, {1000, 559}}) {
            const Layout small = layout_controls(s.ui, size.first, size.second);
            const Layout expected = layout_controls(s.ui, std::max(size.first, kLayoutMinWidth),
                                                    std::max(size.second, kLayoutMinHeight));
            ASSERT_EQ(small.placements.size(), expected.placements.size()) << s.name;
            for (size_t i = 0; i < small.placements.size(); ++i) {
                EXPECT_EQ(small.placements[i].id, expected.placements[i].id);
                EXPECT_TRUE(small.placements[i].rect == expected.placements[i].rect)
                    << s.name << " at " << size.first << "x" << size.second << ": "
                    << static_cast<int>(small.placements[i].id);
            }
        }
    }
}

TEST(Layout, HomeIsCentred) {
    UiPosition ui;
    for (const auto& size : {std::pair<int, int>{kDefaultWidth, kDefaultHeight}, {1500, 900}}) {
        const int w = size.first, h = size.second;
        const Layout layout = layout_controls(ui, w, h);
        EXPECT_TRUE(at(layout, C::HomeIcon) == (Rect{w / 2 - 80, 55, 160, 160}));
        EXPECT_TRUE(at(layout, C::HomeTitle) == (Rect{w / 2 - 220, 230, 440, 30}));
        EXPECT_TRUE(at(layout, C::HomeLine) == (Rect{w / 2 - 300, 265, 600, 24}));
        EXPECT_TRUE(at(layout, C::StartWizard) == (Rect{w / 2 - 150, 320, 300, 46}));
        EXPECT_TRUE(at(layout, C::AdvancedTools) == (Rect{w / 2 - 150, 380, 300, 40}));
        EXPECT_TRUE(at(layout, C::HomeFooter) == (Rect{w / 2 - 320, h - 55, 640, 22}));
    }
}

TEST(Layout, AdvancedToolsFrameAndSetupRows) {
    const int w = kDefaultWidth, h = kDefaultHeight;
    const Layout layout = layout_controls(tab(Tab::Setup), w, h);
    EXPECT_TRUE(at(layout, C::Tabs) == (Rect{8, 8, w - 16, h - 16}));
    EXPECT_TRUE(at(layout, C::HomeOrReturn) == (Rect{w - 158, 10, 145, 26}));
    EXPECT_TRUE(at(layout, C::NodeList) == (Rect{20, 128, w - 40, 150}));
    for (ControlId id : {C::SetNode1, C::AddNode, C::DiscoverNodes}) EXPECT_EQ(at(layout, id).y, 286);
    EXPECT_EQ(at(layout, C::MessageDir).y, 342);
    EXPECT_EQ(at(layout, C::QuarroCfgPath).y, 426);
    EXPECT_EQ(at(layout, C::SaveSettings).y, 462);
    EXPECT_EQ(at(layout, C::RunInspection).y, 462);
    EXPECT_EQ(at(layout, C::MainStatus).y, 498);
    // Path fields stretch; their buttons keep to the right edge.
    EXPECT_EQ(at(layout, C::BrowseMessageDir).right(), w - 20);
    EXPECT_EQ(at(layout, C::ReadCfg).right(), w - 20);
    const Layout wider = layout_controls(tab(Tab::Setup), w + 200, h);
    EXPECT_EQ(at(wider, C::MessageDir).width, at(layout, C::MessageDir).width + 200);
    EXPECT_EQ(at(wider, C::QuarroCfgPath).width, at(layout, C::QuarroCfgPath).width + 200);
    EXPECT_EQ(at(wider, C::BrowseQuarroCfg).x, at(layout, C::BrowseQuarroCfg).x + 200);
}

TEST(Layout, ListAndTextPagesFillThePage) {
    const int w = 1300, h = 900;
    for (auto [t, id] : {std::pair<Tab, ControlId>{Tab::Conferences, C::ConferenceList}, {Tab::Log, C::LogText}}) {
        const Layout layout = layout_controls(tab(t), w, h);
        EXPECT_TRUE(at(layout, id) == (Rect{20, 48, w - 40, h - 68}));
    }
    const Layout hex = layout_controls(tab(Tab::HexRecord), w, h);
    EXPECT_EQ(at(hex, C::RecordView).height, h - 68);
    EXPECT_EQ(at(hex, C::RecordView).right(), w - 20);
    EXPECT_EQ(at(hex, C::ConferenceListBox).height, h - 68);

    const Layout report = layout_controls(tab(Tab::Report), w, h);
    EXPECT_EQ(at(report, C::ExportReport).x, 20);
    EXPECT_EQ(at(report, C::ExportReport).y, 48);
    EXPECT_TRUE(at(report, C::ReportText) == (Rect{20, 82, w - 40, h - 102}));
}

TEST(Layout, NaPreviewRows) {
    const int w = kDefaultWidth, h = kDefaultHeight;
    const Layout layout = layout_controls(tab(Tab::NaPreview), w, h);
    for (ControlId id : {C::LoadNaFile, C::ProfileChoice, C::NetworkName}) EXPECT_EQ(at(layout, id).y, 48);
    EXPECT_EQ(at(layout, C::Reparse).right(), w - 20);
    EXPECT_EQ(at(layout, C::NaPathLabel).y, 82);
    EXPECT_EQ(at(layout, C::NaSummary).y, 104);
    EXPECT_EQ(at(layout, C::AreaList).y, 128);
    EXPECT_EQ(at(layout, C::AreaList).bottom(), h - 172);
    EXPECT_EQ(at(layout, C::AreaName).y, h - 164);
    EXPECT_TRUE(at(layout, C::AreaDetails) == (Rect{20, h - 134, w - 40, 114}));
}

TEST(Layout, SettingsPlanGrid) {
    const int w = kDefaultWidth, h = kDefaultHeight;
    const Layout layout = layout_controls(tab(Tab::SettingsPlan), w, h);
    EXPECT_EQ(at(layout, C::TemplateChoice).y, 76);
    const ControlId left[6] = {C::ConferenceSecurity, C::MessageEntrySecurity, C::ConferenceAccess,
                               C::PublicOnly,         C::NetMail,              C::AllowRouting};
    const ControlId right[6] = {C::MaxMsgLength,    C::PurgeDays,      C::CallerDelete,
                                C::PurgeUnreceived, C::PurgeOldThread, C::PrivilegedSecurities};
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(at(layout, left[row]).y, 112 + 32 * row);
        EXPECT_EQ(at(layout, right[row]).y, 112 + 32 * row);
        EXPECT_EQ(at(layout, left[row]).width, 145);
        EXPECT_EQ(at(layout, left[row]).x, 20 + 185);
        EXPECT_EQ(at(layout, right[row]).x, w / 2 + 10 + 185);
    }
    EXPECT_EQ(at(layout, C::ApplySettings).y, 308);
    EXPECT_EQ(at(layout, C::GeneratePlan).y, 308);
    EXPECT_TRUE(at(layout, C::PlanText) == (Rect{20, 344, w - 40, h - 364}));
}

TEST(Layout, WriterRows) {
    const int w = kDefaultWidth, h = kDefaultHeight;
    const Layout layout = layout_controls(tab(Tab::Writer), w, h);
    EXPECT_EQ(at(layout, C::BackupRoot).y, 102);
    EXPECT_EQ(at(layout, C::BrowseBackupRoot).right(), w - 20);
    EXPECT_EQ(at(layout, C::RunPreflight).y, 140);
    EXPECT_EQ(at(layout, C::WriterStatus).y, 140);
    EXPECT_EQ(at(layout, C::Confirmation).y, 180);
    EXPECT_TRUE(at(layout, C::WriterText) == (Rect{20, 220, w - 40, h - 240}));
}

TEST(Layout, WizardHeadingsNavigationAndSteps) {
    const int w = kDefaultWidth, h = kDefaultHeight;
    for (int step = 0; step < 15; ++step) {
        const Layout layout = layout_controls(wizard_step(step), w, h);
        EXPECT_EQ(at(layout, C::WizardHeader).y, 14);
        EXPECT_EQ(at(layout, C::WizardQuestion).y, 45);
        EXPECT_EQ(at(layout, C::WizardHelp).y, 76);
        EXPECT_TRUE(at(layout, C::WizardAdvanced) == (Rect{20, h - 48, 130, 30}));
        EXPECT_EQ(at(layout, C::WizardCancel).x, 160);
        EXPECT_EQ(at(layout, C::WizardBack).x, w - 250);
        EXPECT_EQ(at(layout, C::WizardNext).x, w - 135);
        for (ControlId id : {C::WizardCancel, C::WizardBack, C::WizardNext}) EXPECT_EQ(at(layout, id).y, h - 48);
        // The step's own controls lie between the headings and the navigation row.
        const Rect help = at(layout, C::WizardHelp);
        for (const Placement& p : layout.placements) {
            const ControlSpec* entry = find_control(p.id);
            ASSERT_NE(entry, nullptr);
            if (entry->pages == page::kAllWizard) continue;
            EXPECT_GE(p.rect.y, help.bottom()) << "step " << step << ": " << static_cast<int>(p.id);
            EXPECT_LE(p.rect.bottom(), h - 48 - 8) << "step " << step << ": " << static_cast<int>(p.id);
        }
    }
    // The area list and the settings serve both the wizard and their tab, in different places.
    EXPECT_FALSE(at(layout_controls(wizard_step(10), w, h), C::AreaList) ==
                 at(layout_controls(tab(Tab::NaPreview), w, h), C::AreaList));
    EXPECT_FALSE(at(layout_controls(wizard_step(9), w, h), C::TemplateChoice) ==
                 at(layout_controls(tab(Tab::SettingsPlan), w, h), C::TemplateChoice));
}

}  // namespace
}  // namespace marlinth
