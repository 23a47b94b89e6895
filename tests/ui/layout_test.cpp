// Rules every screen's geometry must keep at every size, so that no control hides another,
// takes its clicks, or falls outside the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/strings.h"
#include "ui/controls.h"
#include "ui/layout.h"

namespace marlinth {
namespace {

using C = ControlId;

// The client area of the window at its initial size (1120 x 760 less frame and title bar).
constexpr int kDefaultWidth = 1104;
constexpr int kDefaultHeight = 721;

// Home, every tab of Advanced Tools, every wizard step.
std::vector<UiPosition> every_screen() {
    std::vector<UiPosition> out(1 + kTabCount + 15);
    for (int i = 1; i < static_cast<int>(out.size()); ++i) {
        out[i].screen = i <= kTabCount ? Screen::AdvancedTools : Screen::Wizard;
        out[i].active_tab = static_cast<Tab>(std::min(i, kTabCount) - 1);
        out[i].wizard_step = std::max(i - 1 - kTabCount, 0);
    }
    return out;
}

bool is_field(ControlKind k) {
    return k == ControlKind::Edit || k == ControlKind::NumberEdit || k == ControlKind::MultiLineEdit ||
           k == ControlKind::ChoiceList;
}

// ... and a wider window goes to the paths and long texts, not to empty margins.
TEST(Layout, EveryScreenPlacesItsControlsInsideTheWindowWithoutOverlapAndCaptionsByTheirFields) {
    const std::vector<ControlSpec>& table = control_table();
    const ControlId growing[] = {C::NodeList,   C::MessageDir, C::QuarroCfgPath, C::ConferenceList, C::AreaList,    C::AreaDetails,
                                 C::ReportText, C::LogText,    C::PlanText,      C::BackupRoot,     C::WriterText,  C::WizardNode1,
                                 C::WizardMessageDir, C::WizardQuarroCfgPath, C::WizardBackupRoot, C::WizardSafetyOutput};
    for (const UiPosition& ui : every_screen()) {
        SCOPED_TRACE(testing::Message() << "screen " << static_cast<int>(ui.screen) << " tab " << static_cast<int>(ui.active_tab)
                                        << " step " << ui.wizard_step);
        const Layout narrow = layout_controls(ui, kDefaultWidth, kDefaultHeight);
        const Layout wide = layout_controls(ui, kDefaultWidth + 200, kDefaultHeight);
        for (ControlId id : growing)
            EXPECT_TRUE(!narrow.find(id) || wide.find(id)->width == narrow.find(id)->width + 200) << static_cast<int>(id);
        for (const auto& [asked_w, asked_h] : {std::pair<int, int>{kLayoutMinWidth, kLayoutMinHeight}, {kDefaultWidth, kDefaultHeight},
                                               {1500, 900}, {600, 400}, {0, 0}, {719, 900}, {1000, 559}}) {
            SCOPED_TRACE(std::to_string(asked_w) + "x" + std::to_string(asked_h));
            const Layout layout = layout_controls(ui, asked_w, asked_h);
            // Below the smallest size the window clips instead of squeezing.
            const int w = std::max(asked_w, kLayoutMinWidth), h = std::max(asked_h, kLayoutMinHeight);
            const Layout clipped = layout_controls(ui, w, h);
            for (const Placement& p : layout.placements)
                EXPECT_TRUE(clipped.find(p.id) && *clipped.find(p.id) == p.rect) << static_cast<int>(p.id);
            // Exactly the controls of this screen have a place.
            size_t shown = 0;
            for (const ControlSpec& entry : table) {
                const Rect* r = layout.find(entry.id);
                const bool here = (entry.pages & pages_shown(ui)) != 0;
                shown += here;
                EXPECT_EQ(r != nullptr, here) << static_cast<int>(entry.id) << " \"" << entry.text << "\"";
                EXPECT_TRUE(!r || (r->width > 0 && r->height > 0)) << static_cast<int>(entry.id);
            }
            EXPECT_EQ(layout.placements.size(), shown);
            // Inside the client area, and a page's contents inside the tab control's body.
            const Rect* tabs = layout.find(C::Tabs);
            for (const Placement& p : layout.placements) {
                const Rect& r = p.rect;
                EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.right() <= w && r.bottom() <= h) << static_cast<int>(p.id);
                const bool in_page = tabs && r.y >= 48 && r.x > tabs->x && r.right() < tabs->right() && r.bottom() < tabs->bottom();
                EXPECT_TRUE(!tabs || p.id == C::Tabs || p.id == C::HomeOrReturn || in_page) << static_cast<int>(p.id);
            }
            // The tab control frames its page and is the only control that covers others.
            for (size_t i = 0; i < layout.placements.size(); ++i)
                for (size_t j = i + 1; j < layout.placements.size(); ++j) {
                    const Placement& a = layout.placements[i];
                    const Placement& b = layout.placements[j];
                    const bool overlap = a.rect.x < b.rect.right() && b.rect.x < a.rect.right() &&
                                         a.rect.y < b.rect.bottom() && b.rect.y < a.rect.bottom();
                    EXPECT_FALSE(overlap && a.id != C::Tabs && b.id != C::Tabs)
                        << static_cast<int>(a.id) << " overlaps " << static_cast<int>(b.id);
                }
            // A caption stands left of its field on the same row, or just above it.
            for (size_t i = 0; i + 1 < table.size(); ++i) {
                const Rect* label = layout.find(table[i].id);
                const Rect* field = layout.find(table[i + 1].id);
                if (table[i].kind != ControlKind::Label || !is_field(table[i + 1].kind) || !label || !field) continue;
                const bool left = label->right() <= field->x && label->y < field->bottom() && field->y < label->bottom();
                const bool above = label->bottom() <= field->y && field->y - label->bottom() <= 8 && label->x <= field->x;
                EXPECT_TRUE(left || above) << "\"" << table[i].text << "\"";
            }
        }
    }
}

// Alt and a letter: every button, check box, radio button and field label of every screen has
// one, and no two controls a screen shows share it (captions the program changes included).
TEST(AccessKeys, EveryScreenGivesEachCommandAndFieldItsOwnLetter) {
    for (const UiPosition& ui : every_screen()) {
        const uint32_t pages = pages_shown(ui);
        std::vector<std::pair<char, ControlId>> taken;
        for (const ControlSpec& entry : control_table()) {
            if (!(entry.pages & pages)) continue;
            const bool command = entry.kind == ControlKind::Button || entry.kind == ControlKind::DefaultButton ||
                                 entry.kind == ControlKind::CheckBox || entry.kind == ControlKind::Radio;
            std::vector<std::string> captions = {entry.text};
            if (entry.id == C::HomeOrReturn) captions.push_back("Return to Wizard");
            if (entry.id == C::WizardNext) captions.push_back("Done");
            for (const std::string& caption : captions) {
                const size_t at = access_key_position(caption, entry.access_keys);
                SCOPED_TRACE(caption);
                EXPECT_EQ(at != std::string::npos, command || is_field_label(entry)) << "screen " << pages;
                if (at == std::string::npos) continue;
                const char key = fold_upper(caption[at]);
                for (const auto& [other, owner] : taken) EXPECT_FALSE(other == key && owner != entry.id) << static_cast<int>(owner);
                taken.emplace_back(key, entry.id);
            }
        }
    }
}

// The letter goes where a sysop looks for it, the caption is otherwise as written.
TEST(AccessKeys, TheCaptionMarksTheFirstWordStartingWithTheLetterAndKeepsItsAmpersands) {
    EXPECT_EQ(caption_with_access_key("Run Read-Only Inspection", "I"), "Run Read-Only &Inspection");
    EXPECT_EQ(caption_with_access_key("Purge Unreceived Msg:", "U"), "Purge &Unreceived Msg:");  // not P&urge
    EXPECT_EQ(caption_with_access_key("Done", "N"), "Do&ne");
    EXPECT_EQ(caption_with_access_key("Return to Wizard", "HW"), "Return to &Wizard");
    EXPECT_EQ(caption_with_access_key("Save & Go", "G"), "Save && &Go");
    EXPECT_EQ(caption_with_access_key("Save & Go", "X"), "Save && Go");
}

}  // namespace
}  // namespace marlinth
