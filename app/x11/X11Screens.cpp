#include "app/x11/X11Screens.h"

#include <xcb/randr.h>

#include <algorithm>

#include "app/x11/X11Connection.h"

namespace brimly {
namespace {

constexpr std::size_t edidIdentityStart = 8;
constexpr std::size_t edidIdentityEnd = 16;

std::uint32_t fnv1a(const std::uint8_t* data, std::size_t size) {
    std::uint32_t hash = 2166136261U;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619U;
    }
    return hash;
}

// The band a strut reserves along one edge, the coordinate where it ends inside the root, and whether
// that end moves the screen's low side (left, top) or its high side.
struct Band {
    Rect reserved;
    double edge;
    bool vertical;
    bool low;
};

std::vector<Band> bandsOf(const Strut& strut, const Rect& root) {
    const auto span = [](std::uint32_t start, std::uint32_t end) {
        return end < start ? 0.0 : double(end) - double(start) + 1;
    };
    std::vector<Band> bands;
    if (strut.left > 0) {
        bands.push_back({{root.minX(), double(strut.leftStartY), double(strut.left),
                          span(strut.leftStartY, strut.leftEndY)},
                         root.minX() + strut.left,
                         true,
                         true});
    }
    if (strut.right > 0) {
        bands.push_back({{root.maxX() - strut.right, double(strut.rightStartY), double(strut.right),
                          span(strut.rightStartY, strut.rightEndY)},
                         root.maxX() - strut.right,
                         true,
                         false});
    }
    if (strut.top > 0) {
        bands.push_back(
            {{double(strut.topStartX), root.minY(), span(strut.topStartX, strut.topEndX), double(strut.top)},
             root.minY() + strut.top,
             false,
             true});
    }
    if (strut.bottom > 0) {
        bands.push_back({{double(strut.bottomStartX), root.maxY() - strut.bottom,
                          span(strut.bottomStartX, strut.bottomEndX), double(strut.bottom)},
                         root.maxY() - strut.bottom,
                         false,
                         false});
    }
    return bands;
}

}  // namespace

std::optional<Strut> Strut::fromValues(const std::vector<std::uint32_t>& v) {
    if (v.size() == 12)
        return Strut{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11]};
    if (v.size() != 4) return std::nullopt;
    constexpr std::uint32_t whole = 0xFFFFFFFF;
    return Strut{v[0], v[1], v[2], v[3], 0, whole, 0, whole, 0, whole, 0, whole};
}

std::unique_ptr<X11Screens> X11Screens::open(const std::string& displayName, std::string* why) {
    auto connection = X11Connection::open(displayName, why);
    if (!connection) return nullptr;
    return std::unique_ptr<X11Screens>(new X11Screens(std::move(connection)));
}

X11Screens::X11Screens(std::unique_ptr<X11Connection> connection) : m_connection(std::move(connection)) {
    m_connection->intern({"EDID", "_NET_CLIENT_LIST", "_NET_WM_STRUT", "_NET_WM_STRUT_PARTIAL"});
}

X11Screens::~X11Screens() = default;

Rect X11Screens::rootFrame() {
    m_connection->dropQueued();
    xcb_connection_t* xcb = m_connection->xcb();
    XcbOwned<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(xcb, xcb_get_geometry(xcb, m_connection->root()), nullptr));
    if (!geometry) return {};
    return {0, 0, double(geometry->width), double(geometry->height)};
}

std::vector<ScreenInfo> X11Screens::list() {
    m_connection->dropQueued();
    if (m_connection->isBroken()) return {};
    if (m_connection->hasExtension(&xcb_randr_id)) {
        std::vector<ScreenInfo> screens = listOutputs();
        if (!screens.empty()) return screens;
    }
    // No RandR, or a server whose RandR lights no output (some virtual ones): the root is the screen.
    const Rect root = rootFrame();
    if (root.isEmpty()) return {};
    return {
        {displayIDFor({}, "default"), "default", root, PixelSize{long(root.width), long(root.height)}, true}};
}

std::vector<ScreenInfo> X11Screens::listOutputs() {
    xcb_connection_t* xcb = m_connection->xcb();
    const xcb_window_t root = m_connection->root();
    // Without the version handshake a server answers RandR 1.0 requests only.
    XcbOwned<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(xcb, xcb_randr_query_version(xcb, 1, 3), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 2)) return {};
    XcbOwned<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(xcb, xcb_randr_get_screen_resources_current(xcb, root),
                                                     nullptr));
    XcbOwned<xcb_randr_get_output_primary_reply_t> primary(
        xcb_randr_get_output_primary_reply(xcb, xcb_randr_get_output_primary(xcb, root), nullptr));
    if (!resources) return {};

    const xcb_randr_mode_info_t* modeInfos = xcb_randr_get_screen_resources_current_modes(resources.get());
    const int modeCount = xcb_randr_get_screen_resources_current_modes_length(resources.get());
    const auto sizeOfMode = [&](xcb_randr_mode_t mode) -> std::optional<PixelSize> {
        for (int i = 0; i < modeCount; ++i) {
            if (modeInfos[i].id == mode) return PixelSize{modeInfos[i].width, modeInfos[i].height};
        }
        return std::nullopt;
    };

    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int outputCount = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    std::vector<xcb_randr_get_output_info_cookie_t> infoCookies;
    std::vector<xcb_randr_get_output_property_cookie_t> edidCookies;
    const xcb_atom_t edidAtom = m_connection->atom("EDID");
    for (int i = 0; i < outputCount; ++i) {
        infoCookies.push_back(xcb_randr_get_output_info(xcb, outputs[i], resources->config_timestamp));
        edidCookies.push_back(
            xcb_randr_get_output_property(xcb, outputs[i], edidAtom, XCB_ATOM_ANY, 0, 128, 0, 0));
    }

    std::vector<ScreenInfo> screens;
    std::vector<DisplayID> taken;
    for (std::size_t i = 0; i < infoCookies.size(); ++i) {
        XcbOwned<xcb_randr_get_output_info_reply_t> info(
            xcb_randr_get_output_info_reply(xcb, infoCookies[i], nullptr));
        XcbOwned<xcb_randr_get_output_property_reply_t> edidReply(
            xcb_randr_get_output_property_reply(xcb, edidCookies[i], nullptr));
        if (!info || info->crtc == XCB_NONE) continue;
        XcbOwned<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
            xcb, xcb_randr_get_crtc_info(xcb, info->crtc, resources->config_timestamp), nullptr));
        if (!crtc || crtc->mode == XCB_NONE || crtc->width == 0 || crtc->height == 0) continue;

        const auto* nameBytes = reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get()));
        std::string name(nameBytes, nameBytes + xcb_randr_get_output_info_name_length(info.get()));
        std::vector<std::uint8_t> edid;
        if (edidReply && edidReply->format == 8) {
            const std::uint8_t* data = xcb_randr_get_output_property_data(edidReply.get());
            edid.assign(data, data + xcb_randr_get_output_property_data_length(edidReply.get()));
        }

        const xcb_randr_mode_t* modes = xcb_randr_get_output_info_modes(info.get());
        std::vector<PixelSize> sizes;
        for (int m = 0; m < xcb_randr_get_output_info_modes_length(info.get()); ++m) {
            sizes.push_back(sizeOfMode(modes[m]).value_or(PixelSize{}));
        }
        std::optional<PixelSize> native;
        if (auto index = nativeModeIndex(sizes, info->num_preferred)) native = sizes[*index];

        ScreenInfo screen;
        screen.id = displayIDFor(edid, name, taken);
        screen.name = std::move(name);
        screen.frame = {double(crtc->x), double(crtc->y), double(crtc->width), double(crtc->height)};
        screen.native = native;
        screen.primary = primary && primary->output == outputs[i];
        taken.push_back(screen.id);
        screens.push_back(std::move(screen));
    }
    // Someone has to be the main screen: without a primary output it is the first one lit.
    if (!screens.empty() && std::none_of(screens.begin(), screens.end(), [](auto& s) { return s.primary; })) {
        screens.front().primary = true;
    }
    return screens;
}

std::vector<Strut> X11Screens::readStruts() {
    m_connection->dropQueued();
    const xcb_atom_t partial = m_connection->atom("_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t plain = m_connection->atom("_NET_WM_STRUT");
    std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
    for (const std::uint32_t window : m_connection->values32(m_connection->root(), "_NET_CLIENT_LIST")) {
        cookies.emplace_back(m_connection->askProperty(window, partial),
                             m_connection->askProperty(window, plain));
    }
    std::vector<Strut> struts;
    for (const auto& [partialCookie, plainCookie] : cookies) {
        std::optional<Strut> strut = Strut::fromValues(m_connection->values32(partialCookie));
        const std::vector<std::uint32_t> older = m_connection->values32(plainCookie);
        if (!strut) strut = Strut::fromValues(older);
        if (strut) struts.push_back(*strut);
    }
    return struts;
}

DisplayID X11Screens::displayIDFor(const std::vector<std::uint8_t>& edid, const std::string& name,
                                   const std::vector<DisplayID>& taken) {
    if (edid.size() >= edidIdentityEnd) {
        const DisplayID id = fnv1a(edid.data() + edidIdentityStart, edidIdentityEnd - edidIdentityStart);
        if (std::find(taken.begin(), taken.end(), id) == taken.end()) return id;
    }
    return fnv1a(reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
}

std::optional<std::size_t> X11Screens::nativeModeIndex(const std::vector<PixelSize>& modes,
                                                       int preferredCount) {
    const auto largestOfFirst = [&modes](std::size_t count) {
        std::optional<std::size_t> best;
        for (std::size_t i = 0; i < std::min(count, modes.size()); ++i) {
            const long area = modes[i].width * modes[i].height;
            if (area > 0 && (!best || area > modes[*best].width * modes[*best].height)) best = i;
        }
        return best;
    };
    if (preferredCount > 0) {
        if (auto preferred = largestOfFirst(std::size_t(preferredCount))) return preferred;
    }
    return largestOfFirst(modes.size());
}

Rect X11Screens::visibleFrame(const Rect& screen, const Rect& root, const std::vector<Strut>& struts) {
    double left = screen.minX(), right = screen.maxX(), top = screen.minY(), bottom = screen.maxY();
    for (const Strut& strut : struts) {
        for (const Band& band : bandsOf(strut, root)) {
            const double low = band.vertical ? screen.minX() : screen.minY();
            const double high = band.vertical ? screen.maxX() : screen.maxY();
            if (!band.reserved.intersects(screen) || band.edge <= low || band.edge >= high) continue;
            double& side = band.vertical ? (band.low ? left : right) : (band.low ? top : bottom);
            side = band.low ? std::max(side, band.edge) : std::min(side, band.edge);
        }
    }
    return {left, top, std::max(0.0, right - left), std::max(0.0, bottom - top)};
}

}  // namespace brimly
