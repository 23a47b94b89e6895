// Control geometry of the one window, toolkit-neutral: where every control of the current
// screen (Home, the Advanced Tools frame with its active page, or the current wizard step) sits
// for a given client size. Sizes below 720 x 560 are laid out as 720 x 560, so a small window
// clips instead of squeezing.
#pragma once

#include <vector>

#include "app/session.h"
#include "app/view.h"

namespace marlinth {

constexpr int kLayoutMinWidth = 720;
constexpr int kLayoutMinHeight = 560;

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

struct Placement {
    ControlId id;
    Rect rect;
};

struct Layout {
    std::vector<Placement> placements;  // in control-table order
    const Rect* find(ControlId id) const;
};

// Every control shown on the current screen (the controls of `ui`'s screen and page), placed
// for a client area of `width` x `height` pixels.
Layout layout_controls(const UiPosition& ui, int width, int height);

}  // namespace marlinth
