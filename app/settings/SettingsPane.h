#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brimly {

// The settings window's panes in sidebar order; the raw value is what the window remembers.
enum class SettingsPane { general, displays, shelf, files, folders, about };

namespace SettingsPanes {

inline constexpr std::array<SettingsPane, 6> allCases = {SettingsPane::general, SettingsPane::displays,
                                                         SettingsPane::shelf,   SettingsPane::files,
                                                         SettingsPane::folders, SettingsPane::about};
inline constexpr std::array<std::string_view, 6> rawValues = {"general", "displays", "shelf",
                                                              "files",   "folders",  "about"};

inline std::string_view rawValue(SettingsPane pane) { return rawValues[static_cast<std::size_t>(pane)]; }

inline std::optional<SettingsPane> fromRawValue(std::string_view raw) {
    for (std::size_t n = 0; n < rawValues.size(); ++n) {
        if (rawValues[n] == raw) return allCases[n];
    }
    return std::nullopt;
}

}  // namespace SettingsPanes
}  // namespace brimly
