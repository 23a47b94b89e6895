#include "ui/screens.h"

#include "ui/controls.h"
#include "ui/wizard.h"

namespace marlinth {

namespace {

void apply_visibility(App& app) {
    const uint32_t pages = pages_shown(app.ui);
    for (const ControlSpec& entry : control_table()) app.view.set_visible(entry.id, (entry.pages & pages) != 0);
}

}  // namespace

void show_screen(App& app, Screen screen) {
    app.ui.screen = screen;
    if (screen == Screen::AdvancedTools) {
        app.view.set_text(ControlId::HomeOrReturn, app.ui.wizard_active ? "Return to Wizard" : "Home");
        app.view.set_selection(ControlId::Tabs, static_cast<int>(app.ui.active_tab));
    }
    apply_visibility(app);
    if (screen == Screen::Home) app.view.focus(ControlId::StartWizard);
    if (screen == Screen::Wizard) show_wizard_page(app);
    app.view.relayout();
}

void show_tab_page(App& app, Tab tab) {
    app.ui.active_tab = tab;
    if (app.ui.screen != Screen::AdvancedTools) return;
    apply_visibility(app);
    app.view.relayout();
}

void open_advanced_tab(App& app, Tab tab) {
    app.ui.active_tab = tab;
    show_screen(app, Screen::AdvancedTools);
}

void WindowShell::refresh_wizard() {
    // The step may have changed (a commit moves to the last page): show the current page whole.
    if (app_.ui.screen == Screen::Wizard)
        show_screen(app_, Screen::Wizard);
    else
        refresh_wizard_buttons(app_);
}

void WindowShell::show_tab(Tab tab) {
    if (app_.ui.screen != Screen::AdvancedTools) return;
    app_.view.set_selection(ControlId::Tabs, static_cast<int>(tab));
    show_tab_page(app_, tab);
}

}  // namespace marlinth
