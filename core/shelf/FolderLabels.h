#pragma once

#include <string_view>
#include <vector>

#include "core/store/Session.h"

namespace brimly {

// Display labels that tell apart watched folders sharing a name: each such folder is labelled with as many
// trailing path components as it takes to make the labels distinct (site › docs, app › docs).
namespace FolderLabels {

inline constexpr std::string_view separator = " \u203a ";

// The sessions in their order; a watched folder whose label differs from its folder name carries the
// label as its agent name, so that its name and project name show it.
std::vector<Session> applied(const std::vector<Session>& sessions);

}  // namespace FolderLabels
}  // namespace brimly
