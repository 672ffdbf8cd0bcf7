#include "core/drawer/ActiveDisplay.h"

#include "core/base/Overloaded.h"

namespace brimly {

namespace {
// Smaller windows are palettes, badges and helpers, not where the user works.
constexpr double smallestWindow = 80;

double area(const Rect& r) { return r.isEmpty() ? 0 : r.width * r.height; }
}  // namespace

ActiveDisplay::Hit ActiveDisplay::hit(Point point, const std::vector<Window>& windows,
                                      const Displays& displays) {
    for (const auto& window : windows) {
        if (window.alpha > 0 && window.bounds.contains(point)) {
            return window.layer == 0 ? Hit::window() : Hit::other();
        }
    }
    for (const auto& [display, frame] : displays) {
        if (frame.contains(point)) return Hit::desktop(display);
    }
    return Hit::other();
}

std::optional<DisplayID> ActiveDisplay::pick(const std::vector<Window>& windows,
                                             std::optional<std::int32_t> frontPID, const Displays& displays,
                                             std::optional<DisplayID> previous) {
    std::optional<DisplayID> result = previous && displays.contains(*previous) ? previous : std::nullopt;
    if (!frontPID) return result;
    for (const auto& window : windows) {
        if (window.pid != *frontPID || window.layer != 0 || !(window.alpha > 0) ||
            window.bounds.width < smallestWindow || window.bounds.height < smallestWindow) {
            continue;
        }
        std::optional<DisplayID> best;
        double bestArea = 0;
        for (const auto& [display, frame] : displays) {
            double shared = area(window.bounds.intersection(frame));
            if (shared > bestArea) {
                best = display;
                bestArea = shared;
            }
        }
        if (best) return best;
    }
    return result;
}

std::optional<DisplayID> ActiveDisplay::shown(std::optional<DisplayID> active,
                                              std::optional<DisplayID> current, bool busy,
                                              const std::set<DisplayID>& displays,
                                              std::optional<DisplayID> fallback) {
    auto present = [&](std::optional<DisplayID> display) { return display && displays.contains(*display); };
    if (busy && present(current)) return current;
    if (present(active)) return active;
    if (present(current)) return current;
    if (present(fallback)) return fallback;
    if (displays.empty()) return std::nullopt;
    return *displays.begin();
}

void ActiveDisplay::Tracker::click(const Hit& hit, std::optional<std::int32_t> frontPID,
                                   std::optional<std::int32_t> finderPID) {
    std::visit(Overloaded{
                   [&](const Hit::Desktop& desktop) {
                       Pin next{desktop.display, {}};
                       if (frontPID) next.pids.insert(*frontPID);
                       if (finderPID) next.pids.insert(*finderPID);
                       pin = next;
                   },
                   [&](const Hit::OnWindow&) { pin.reset(); },
                   [](const Hit::Other&) {},
               },
               hit.value);
}

bool ActiveDisplay::Tracker::update(const std::vector<Window>& windows, std::optional<std::int32_t> frontPID,
                                    std::optional<std::int32_t> finderPID, const Displays& displays) {
    auto old = active;
    if (pin && frontPID && pin->pids.contains(*frontPID) && displays.contains(pin->display)) {
        // Once the file manager itself is in front, only it keeps the pin: another application coming
        // forward later hands the decision back to the window rule.
        if (frontPID == finderPID) pin->pids = {*frontPID};
        active = pin->display;
    } else {
        pin.reset();
        active = pick(windows, frontPID, displays, old);
    }
    return active != old;
}

}  // namespace brimly
