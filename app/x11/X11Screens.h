#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Geometry.h"
#include "core/base/PixelSize.h"
#include "core/drawer/DisplayID.h"

namespace brimly {

class X11Connection;

// One active monitor as RandR shows it. `frame` is in root coordinates (origin top-left, y down).
struct ScreenInfo {
    DisplayID id = 0;
    std::string name;
    Rect frame;
    std::optional<PixelSize> native;
    bool primary = false;
    bool operator==(const ScreenInfo&) const = default;
};

// What a dock or panel reserves along the root window's edges, as `_NET_WM_STRUT_PARTIAL` states it: the
// thickness from each root edge, then for each edge the first and last (inclusive) coordinate it covers.
struct Strut {
    std::uint32_t left = 0, right = 0, top = 0, bottom = 0;
    std::uint32_t leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    std::uint32_t topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;
    bool operator==(const Strut&) const = default;

    // From the 12 values of `_NET_WM_STRUT_PARTIAL`, or the 4 of the older `_NET_WM_STRUT`, which covers
    // whole edges; absent for any other count.
    static std::optional<Strut> fromValues(const std::vector<std::uint32_t>& values);
};

// The monitors and what the window manager's panels leave of them, read on a connection of its own. Used on
// the main thread when the screens or the window list change.
class X11Screens {
public:
    // Absent when no server answers; `why` (when given) then says why.
    static std::unique_ptr<X11Screens> open(const std::string& displayName, std::string* why);
    ~X11Screens();
    X11Screens(const X11Screens&) = delete;
    X11Screens& operator=(const X11Screens&) = delete;

    // One entry per output that drives a CRTC. A server without RandR shows one screen the size of the root
    // window; a server that went away shows none.
    std::vector<ScreenInfo> list();
    // The root window's rectangle, empty when the server went away.
    Rect rootFrame();
    // The struts of the windows in `_NET_CLIENT_LIST`.
    std::vector<Strut> readStruts();

    // FNV-1a over the EDID's vendor, product and serial bytes (8..15), which stay the same whichever
    // connector the monitor uses; over the connector name without a usable EDID, or when the EDID's id is
    // already `taken` (two monitors of one model without serial numbers).
    static DisplayID displayIDFor(const std::vector<std::uint8_t>& edid, const std::string& name,
                                  const std::vector<DisplayID>& taken = {});
    // The largest of the first `preferredCount` modes, or of all modes when none is preferred.
    static std::optional<std::size_t> nativeModeIndex(const std::vector<PixelSize>& modes,
                                                      int preferredCount);
    // `screen` less what the struts reserve on it. A strut cuts a screen when the reserved band overlaps
    // it and ends inside it; one that would swallow the whole screen belongs to a neighbour and is ignored.
    static Rect visibleFrame(const Rect& screen, const Rect& root, const std::vector<Strut>& struts);

private:
    explicit X11Screens(std::unique_ptr<X11Connection> connection);
    std::vector<ScreenInfo> listOutputs();

    std::unique_ptr<X11Connection> m_connection;
};

}  // namespace brimly
