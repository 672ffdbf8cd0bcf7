#include "core/config/DisplayStyleChoice.h"

#include <algorithm>

#include "core/base/Overloaded.h"

namespace brimly {

namespace {
constexpr std::string_view pillPrefix = "pill-";
}

std::optional<PillSide> DisplayStyleChoice::pillSide() const {
    if (const auto* chosen = std::get_if<Pill>(&value)) return chosen->side;
    return std::nullopt;
}

std::string DisplayStyleChoice::rawValue() const {
    return std::visit(Overloaded{
                          [](const Notch&) { return std::string("notch"); },
                          [](const Pill& chosen) {
                              return std::string(pillPrefix) + std::string(brimly::rawValue(chosen.side));
                          },
                      },
                      value);
}

std::optional<DisplayStyleChoice> DisplayStyleChoice::parse(std::string_view raw) {
    if (raw == "notch") return notch();
    if (raw.substr(0, pillPrefix.size()) != pillPrefix) return std::nullopt;
    if (auto side = parsePillSide(raw.substr(pillPrefix.size()))) return pill(*side);
    return std::nullopt;
}

DisplayStyle DisplayStyleChoice::style(bool hasNotch) const {
    return std::visit(Overloaded{
                          [hasNotch](const Notch&) {
                              return hasNotch ? DisplayStyle::notch() : DisplayStyle::hoverNotch();
                          },
                          [](const Pill& chosen) { return DisplayStyle::pill(chosen.side); },
                      },
                      value);
}

DisplayStyleChoice DisplayStyleChoice::migrate(std::vector<std::string> perDisplay) {
    std::sort(perDisplay.begin(), perDisplay.end());
    for (const auto& entry : perDisplay) {
        if (entry == "dock" || entry == "pill-top") return pill(PillSide::bottom);
        if (entry == "notch") continue;
        if (auto parsed = parse(entry); parsed && parsed->isPill()) return *parsed;
    }
    return notch();
}

}  // namespace brimly
