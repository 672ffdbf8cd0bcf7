#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/shelf/SessionGroup.h"
#include "core/store/Snapshot.h"

namespace brimly {

// Turns a snapshot into the drawer's two levels, sessions newest first and their turns, and fixes the order
// in which new items are announced. Pure functions, rebuilt on every change of the visible shelf.
namespace ShelfGroups {

std::vector<SessionGroup> build(const Snapshot& snapshot);
// Oldest first; equal times by capture sequence, then by id.
std::vector<ShelfItem> arrivalOrder(std::vector<ShelfItem> items);
// The number after the last "#" of a capture id; 0 when there is none.
std::int64_t captureSequence(std::string_view captureID);

}  // namespace ShelfGroups
}  // namespace brimly
