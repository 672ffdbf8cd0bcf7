#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

namespace brimly::XSettings {

// The whole-number settings in the property an XSETTINGS manager (the desktop's settings daemon) publishes,
// by name ("Gtk/EnableAnimations"…). Absent when the bytes are not a complete, well-formed property: a
// half-written or hostile property must not be half read.
std::optional<std::map<std::string, std::int32_t>> integers(std::span<const std::uint8_t> property);

}  // namespace brimly::XSettings
