#include "core/drawer/HoverMachine.h"

#include "core/base/Overloaded.h"

namespace brimly {

HoverMachine::Action HoverMachine::fromClosed(const Sample& sample) {
    if (!sample.hot) return Action::none();
    Phase::Dwelling dwelling{*sample.hot, sample.now, sample.dwell};
    m_phase.value = dwelling;
    // NaN fails this test too, so it opens at once like a zero dwell instead of never.
    if (sample.dwell > 0) return Action::none();
    return fromDwelling(dwelling, sample);
}

HoverMachine::Action HoverMachine::fromDwelling(Phase::Dwelling dwelling, const Sample& sample) {
    if (!sample.hot) {
        m_phase.value = Phase::Closed{};
        return Action::none();
    }
    if (*sample.hot != dwelling.target) {
        m_phase.value = Phase::Dwelling{*sample.hot, sample.now, sample.dwell};
        return Action::none();
    }
    // The dwell stored when it started counts, not the one passed now.
    if (sample.now < dwelling.since + dwelling.dwell - tolerance) return Action::none();
    m_phase.value = Phase::Open{dwelling.target, Reason::hover, true, std::nullopt};
    return Action::open(dwelling.target);
}

HoverMachine::Action HoverMachine::pointer(const Sample& sample) {
    // Visit a copy: the branches replace the phase they are reading.
    Phase current = m_phase;
    return std::visit(
        Overloaded{
            [&](const Phase::Closed&) { return fromClosed(sample); },
            [&](const Phase::Dwelling& dwelling) { return fromDwelling(dwelling, sample); },
            [&](const Phase::Open& open) {
                if (sample.insideOpen || (sample.hot && *sample.hot == open.target)) {
                    m_phase.value = Phase::Open{open.target, open.reason, true, std::nullopt};
                    return Action::none();
                }
                // Opened by the hot key or a click: stays open until the pointer has been inside once.
                if (open.reason != Reason::hover && !open.entered) return Action::none();
                if (!open.outsideSince) {
                    Phase::Open next = open;
                    next.outsideSince = sample.now;
                    m_phase.value = next;
                    return Action::none();
                }
                if (!reached(sample.now, *open.outsideSince + m_grace)) return Action::none();
                if (sample.closeDuration > 0) {
                    m_phase.value = Phase::Closing{open.target, sample.now + sample.closeDuration};
                } else {
                    m_phase.value = Phase::Closed{};
                }
                return Action::close();
            },
            [&](const Phase::Closing& closing) {
                bool running = !reached(sample.now, closing.until);
                if (running && (sample.insideOpen || (sample.hot && *sample.hot == closing.target))) {
                    m_phase.value = Phase::Open{closing.target, Reason::hover, true, std::nullopt};
                    return Action::open(closing.target);
                }
                if (running && !sample.hot) return Action::none();
                // The animation ended, or the pointer rests on another display's hot zone: start over there.
                m_phase.value = Phase::Closed{};
                return fromClosed(sample);
            },
        },
        current.value);
}

HoverMachine::Action HoverMachine::hotkey(DisplayID target) {
    if (std::holds_alternative<Phase::Open>(m_phase.value)) {
        m_phase.value = Phase::Closed{};
        return Action::close();
    }
    m_phase.value = Phase::Open{target, Reason::hotkey, false, std::nullopt};
    return Action::open(target);
}

HoverMachine::Action HoverMachine::click(DisplayID target) {
    if (const auto* open = std::get_if<Phase::Open>(&m_phase.value); open && open->target == target) {
        return Action::none();
    }
    m_phase.value = Phase::Open{target, Reason::click, false, std::nullopt};
    return Action::open(target);
}

HoverMachine::Action HoverMachine::clickOutside() {
    if (!std::holds_alternative<Phase::Open>(m_phase.value)) return Action::none();
    m_phase.value = Phase::Closed{};
    return Action::close();
}

std::optional<DisplayID> HoverMachine::openTarget() const {
    if (const auto* open = std::get_if<Phase::Open>(&m_phase.value)) return open->target;
    return std::nullopt;
}

std::optional<double> HoverMachine::deadline() const {
    return std::visit(Overloaded{
                          [](const Phase::Closed&) -> std::optional<double> { return std::nullopt; },
                          [](const Phase::Dwelling& d) -> std::optional<double> { return d.since + d.dwell; },
                          [this](const Phase::Open& o) -> std::optional<double> {
                              if (!o.outsideSince) return std::nullopt;
                              return *o.outsideSince + m_grace;
                          },
                          [](const Phase::Closing&) -> std::optional<double> { return std::nullopt; },
                      },
                      m_phase.value);
}

std::optional<HoverMachine::Closing> HoverMachine::closing(double now) const {
    const auto* closing = std::get_if<Phase::Closing>(&m_phase.value);
    if (!closing || reached(now, closing->until)) return std::nullopt;
    return Closing{closing->target, closing->until - now};
}

}  // namespace brimly
