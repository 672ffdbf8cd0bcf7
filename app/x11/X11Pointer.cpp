#include "app/x11/X11Pointer.h"

#include <xcb/xinput.h>

#include <vector>

#include "app/x11/X11Connection.h"

namespace brimly {
namespace {

constexpr std::uint8_t sentEventBit = 0x80;

}  // namespace

std::unique_ptr<X11Pointer> X11Pointer::open(const std::string& displayName, std::string* why) {
    auto connection = X11Connection::open(displayName, why);
    auto reader = connection ? X11Connection::open(displayName, why) : nullptr;
    if (!reader) return nullptr;
    xcb_connection_t* xcb = connection->xcb();
    const auto refuse = [&](const char* problem) {
        if (why) *why = problem;
        return nullptr;
    };
    if (!connection->hasExtension(&xcb_input_id)) return refuse("the X server has no XInput extension");
    XcbOwned<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(xcb, xcb_input_xi_query_version(xcb, 2, 2), nullptr));
    if (!version || version->major_version < 2) return refuse("the X server's XInput is older than 2.0");

    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           XCB_INPUT_XI_EVENT_MASK_RAW_MOTION | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
    XcbOwned<xcb_generic_error_t> error(
        xcb_request_check(xcb, xcb_input_xi_select_events_checked(xcb, connection->root(), 1, &mask.head)));
    if (error || connection->isBroken()) return refuse("the X server refused raw pointer events");
    const std::uint8_t opcode = xcb_get_extension_data(xcb, &xcb_input_id)->major_opcode;
    return std::unique_ptr<X11Pointer>(new X11Pointer(std::move(connection), std::move(reader), opcode));
}

X11Pointer::X11Pointer(std::unique_ptr<X11Connection> events, std::unique_ptr<X11Connection> reader,
                       std::uint8_t opcode)
    : m_events(std::move(events)), m_reader(std::move(reader)), m_opcode(opcode) {}

X11Pointer::~X11Pointer() = default;

int X11Pointer::fileDescriptor() const { return xcb_get_file_descriptor(m_events->xcb()); }

void X11Pointer::setOnMotion(std::function<void(Point)> onMotion) { m_onMotion = std::move(onMotion); }

void X11Pointer::setOnButton(std::function<void(int, Point)> onButton) { m_onButton = std::move(onButton); }

std::optional<Point> X11Pointer::position() {
    xcb_connection_t* xcb = m_reader->xcb();
    XcbOwned<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(xcb, xcb_query_pointer(xcb, m_reader->root()), nullptr));
    if (!reply) return std::nullopt;
    return Point{double(reply->root_x), double(reply->root_y)};
}

void X11Pointer::dispatch() {
    bool moved = false;
    std::vector<int> presses;
    while (XcbOwned<xcb_generic_event_t> event{xcb_poll_for_event(m_events->xcb())}) {
        if ((event->response_type & ~sentEventBit) != XCB_GE_GENERIC) continue;
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event.get());
        if (generic->extension != m_opcode) continue;
        if (generic->event_type == XCB_INPUT_RAW_MOTION) {
            moved = true;
        } else if (generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
            presses.push_back(static_cast<int>(
                reinterpret_cast<const xcb_input_raw_button_press_event_t*>(generic)->detail));
        }
    }
    if (!moved && presses.empty()) return;
    // Raw events carry device units, not screen positions, so the position is asked once for the batch.
    const std::optional<Point> at = position();
    if (!at) return;
    if (moved && m_onMotion) m_onMotion(*at);
    for (const int button : presses) {
        if (m_onButton) m_onButton(button, *at);
    }
}

}  // namespace brimly
