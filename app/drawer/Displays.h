#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/drawer/GlobalSpace.h"
#include "app/shell/AppSettings.h"
#include "app/x11/X11Screens.h"
#include "core/config/DisplayStyleChoice.h"
#include "core/drawer/DisplayLayout.h"

namespace brimly {

// The displays as the drawer sees them: each screen's layout in global space, from the screens and the struts
// the window system reports, plus what the settings window lists about them.
struct Displays {
    GlobalSpace space;
    std::map<DisplayID, DisplayLayout> layouts;
    std::vector<DisplayInfo> info;
    // The primary screen's display, where a drawer goes when no other rule picks one.
    std::optional<DisplayID> primary;

    // Screens have no camera notch on this platform, so the notch choice always resolves to the virtual
    // notch. `root` is the root window's frame; struts shrink each screen's visible frame.
    static Displays make(const std::vector<ScreenInfo>& screens, const Rect& root,
                         const std::vector<Strut>& struts, const DisplayStyleChoice& choice);
    // The display whose screen holds `global` (a point in global space).
    std::optional<DisplayID> displayAt(Point global) const;
};

}  // namespace brimly
