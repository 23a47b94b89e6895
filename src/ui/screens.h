// The three screens of the one window (Home, Wizard, Advanced Tools) and the tab pages.
#pragma once

#include "app/app.h"

namespace marlinth {

void show_screen(App& app, Screen screen);
void show_tab_page(App& app, Tab tab);
// Remembers the page, selects it in the tab control and shows Advanced Tools.
void open_advanced_tab(App& app, Tab tab);

// The Shell the operations talk to.
class WindowShell final : public Shell {
public:
    explicit WindowShell(App& app) : app_(app) {}
    void refresh_wizard() override;
    void show_tab(Tab tab) override;

private:
    App& app_;
};

}  // namespace marlinth
