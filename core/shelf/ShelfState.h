#pragma once

#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/shelf/EngineCommand.h"
#include "core/shelf/PendingUndo.h"
#include "core/store/Snapshot.h"

namespace brimly {

// The app side's view of the engine's snapshots: which items just arrived, what the shelf shows with
// removals the engine has not carried out yet taken off, and the one removal that may still be undone.
// A value owned by the shelf model on the main thread; the engine is reached only through the commands
// that `hold` and `commit` return.
class ShelfState {
public:
    const Snapshot& snapshot() const { return m_snapshot; }
    const std::optional<PendingUndo>& pending() const { return m_pending; }
    // Every id ever seen among the items, with its placement key when last seen.
    const std::unordered_map<std::string, std::optional<std::string>>& known() const { return m_known; }
    bool hasSnapshot() const { return m_hasSnapshot; }
    // Ids whose removal went to the engine but that a snapshot may still show.
    const std::set<std::string>& committed() const { return m_committed; }
    // The committed ids that were hidden rather than deleted; a subset of `committed`.
    const std::set<std::string>& committedHides() const { return m_committedHides; }

    // Takes a new snapshot and returns the items to announce, in arrival order.
    std::vector<ShelfItem> apply(Snapshot snapshot);
    Snapshot visible() const;
    // Commits the current removal, if any, and returns its command; `removal` becomes the pending one.
    std::optional<EngineCommand> hold(PendingUndo removal);
    std::optional<EngineCommand> commit();
    void undo() { m_pending.reset(); }
    void unhide(const std::vector<std::string>& ids);
    // The next snapshot announces nothing (a new engine's first snapshot is not news).
    void restart() { m_hasSnapshot = false; }

    // Watched-folder files are announced again when they turn up in another folder; other items never are.
    static std::optional<std::string> placementKey(const ShelfItem& item);

private:
    Snapshot m_snapshot;
    std::optional<PendingUndo> m_pending;
    std::unordered_map<std::string, std::optional<std::string>> m_known;
    bool m_hasSnapshot = false;
    std::set<std::string> m_committed;
    std::set<std::string> m_committedHides;
};

}  // namespace brimly
