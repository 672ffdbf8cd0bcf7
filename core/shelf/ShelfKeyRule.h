#pragma once

#include "core/drawer/HoverMachine.h"

namespace brimly {

// When the drawer's panel may take keyboard focus: only while it is open, and then only with the pointer
// inside, the preview showing, or after the hot key opened it, so arrow keys never leave a user's window
// just because the pointer brushed the notch.
struct ShelfKeyRule {
    static bool panelMayBeKey(const HoverMachine::Phase& phase, bool pointerInside, bool previewShowing) {
        const auto* open = std::get_if<HoverMachine::Phase::Open>(&phase.value);
        if (!open) return false;
        return pointerInside || previewShowing || open->reason == HoverMachine::Reason::hotkey;
    }
};

}  // namespace brimly
