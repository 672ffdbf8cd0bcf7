#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/base/Geometry.h"

namespace brimly {

class X11Connection;

// The pointer as the hover detector sees it: XInput 2 raw motion and button presses from every device,
// wherever the pointer is and whoever grabbed it, on a connection of its own. Nothing polls: the event loop
// watches `fileDescriptor()` and calls `dispatch()` when it is readable. Positions are root coordinates
// (origin top-left, y down). Positions are asked on a second connection: events that arrive while a reply
// is awaited would wait in xcb's queue without waking the descriptor. Main thread.
class X11Pointer {
public:
    // Absent when no server answers or it lacks XInput 2.0; `why` (when given) then says why.
    static std::unique_ptr<X11Pointer> open(const std::string& displayName, std::string* why);
    ~X11Pointer();
    X11Pointer(const X11Pointer&) = delete;
    X11Pointer& operator=(const X11Pointer&) = delete;

    int fileDescriptor() const;
    // Drains what arrived: however many motions, one position question and one `onMotion`; then one
    // `onButton` per press, at the same position.
    void dispatch();
    // Absent when the server went away.
    std::optional<Point> position();
    void setOnMotion(std::function<void(Point)> onMotion);
    void setOnButton(std::function<void(int button, Point)> onButton);

private:
    X11Pointer(std::unique_ptr<X11Connection> events, std::unique_ptr<X11Connection> reader,
               std::uint8_t opcode);

    std::unique_ptr<X11Connection> m_events;
    std::unique_ptr<X11Connection> m_reader;
    std::uint8_t m_opcode;
    std::function<void(Point)> m_onMotion;
    std::function<void(int, Point)> m_onButton;
};

}  // namespace brimly
