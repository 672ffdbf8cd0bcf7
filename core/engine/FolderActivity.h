#pragma once

#include <optional>
#include <string>

#include "core/base/Date.h"

namespace brimly {

// When anything in a watched folder last changed, for the settings window; reads the disk, any thread.
namespace FolderActivity {

// The latest modification time among the folder's entries, hidden ones skipped: entries `depth` levels down
// (direct children are level 1) still count but are not entered, and the walk stops after `limit` entries.
// Nothing when no entry had a time (an empty, missing or unreadable folder).
std::optional<Date> newest(const std::string& folder, int depth, int limit);

}  // namespace FolderActivity
}  // namespace brimly
