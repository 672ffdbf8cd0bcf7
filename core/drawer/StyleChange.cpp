#include "core/drawer/StyleChange.h"

namespace brimly {

StyleChange::Action StyleChange::request(const Request& request) {
    const DisplayStyleChoice& choice = request.choice;
    target = choice;
    if (!request.animate) {
        if (choice == applied && !isLeaving) return Action::none();
        applied = choice;
        isLeaving = false;
        return Action::apply(choice, false, ++generation);
    }
    if (isLeaving) {
        // Back to the style that is leaving: it simply arrives again. Any other target waits for the
        // pending leave, which ends in the newest target.
        if (choice != applied) return Action::none();
        isLeaving = false;
        return Action::apply(choice, true, ++generation);
    }
    if (choice == applied) return Action::none();
    if (request.showsAtRest) {
        isLeaving = true;
        return Action::leave(++generation);
    }
    applied = choice;
    return Action::apply(choice, true, ++generation);
}

StyleChange::Action StyleChange::leaveEnded(std::int64_t leaveGeneration) {
    if (!isLeaving || leaveGeneration != generation) return Action::none();
    applied = target;
    isLeaving = false;
    return Action::apply(target, true, ++generation);
}

StyleChange::Action StyleChange::settle() {
    if (!isLeaving) return Action::none();
    applied = target;
    isLeaving = false;
    return Action::apply(target, false, ++generation);
}

}  // namespace brimly
