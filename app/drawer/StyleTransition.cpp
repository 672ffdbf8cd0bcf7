#include "app/drawer/StyleTransition.h"

#include <variant>

namespace brimly {

StyleTransition::StyleTransition(SerialQueue& queue, const DisplayStyleChoice& initial, double leaveSeconds,
                                 Hooks hooks)
    : m_queue(queue),
      m_change(StyleChange::make(initial)),
      m_leaveSeconds(leaveSeconds),
      m_hooks(std::move(hooks)) {}

void StyleTransition::request(const DisplayStyleChoice& choice, bool showsAtRest, bool animate) {
    run(m_change.request({.choice = choice, .showsAtRest = showsAtRest, .animate = animate}));
}

void StyleTransition::settle() { run(m_change.settle()); }

void StyleTransition::run(const StyleChange::Action& action) {
    if (const auto* leave = std::get_if<StyleChange::Action::Leave>(&action.value)) {
        m_leaveEnd.cancel();
        m_leaveEnd = m_queue.postAfter(
            m_leaveSeconds, [this, generation = leave->generation] { run(m_change.leaveEnded(generation)); });
        if (m_hooks.leave) m_hooks.leave();
    } else if (const auto* apply = std::get_if<StyleChange::Action::Apply>(&action.value)) {
        m_leaveEnd.cancel();
        if (m_hooks.apply) m_hooks.apply(apply->arrive);
    }
}

}  // namespace brimly
