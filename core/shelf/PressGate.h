#pragma once

namespace brimly {

// Tells a tap from the end of a drag: every press opens the gate, any drag movement closes it until the next
// press, and tap handlers act only while it is open. Main thread only.
class PressGate {
public:
    bool allowsTap() const { return m_allowsTap; }
    void pressBegan() { m_allowsTap = true; }
    void dragged() { m_allowsTap = false; }

    bool operator==(const PressGate&) const = default;

private:
    bool m_allowsTap = true;
};

}  // namespace brimly
