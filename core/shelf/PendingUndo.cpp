#include "core/shelf/PendingUndo.h"

#include "core/base/Overloaded.h"

namespace brimly {

namespace {

std::string deletedMessage(const std::set<std::string>& ids) {
    if (ids.size() == 1) return "Deleted 1 item";
    return "Deleted " + std::to_string(ids.size()) + " items";
}

}  // namespace

std::set<std::string> PendingUndo::excluded() const {
    return std::visit(Overloaded{[](const Hide& hide) { return std::set<std::string>{hide.item.id}; },
                                 [](const Delete& remove) { return remove.ids; },
                                 [](const DeleteAll& all) { return all.ids; }},
                      removal);
}

std::string PendingUndo::message() const {
    return std::visit(
        Overloaded{[](const Hide& hide) { return "Hidden \u201c" + hide.item.title + "\u201d"; },
                   [](const Delete& remove) { return deletedMessage(remove.ids); },
                   [](const DeleteAll& all) { return deletedMessage(all.ids); }},
        removal);
}

}  // namespace brimly
