#include "app/items/OriginalsTrash.h"

#include "app/shelf/ShelfModel.h"
#include "core/base/Log.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

const Log logger("items");

}  // namespace

OriginalsTrash::OriginalsTrash(const ShelfModel& model, Trash trash, std::string itemsFolder, Now now)
    : m_model(model),
      m_trash(std::move(trash)),
      m_itemsFolder(std::move(itemsFolder)),
      m_now(std::move(now)) {}

void OriginalsTrash::expect(const ShelfItem& item) {
    if (item.sourcePath) m_waiting[item.id] = *item.sourcePath;
}

void OriginalsTrash::pendingChanged() {
    const auto& state = m_model.state();
    const auto& pending = state.pending();
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        const auto& [id, path] = *it;
        bool deleted = state.committed().contains(id) && !state.committedHides().contains(id);
        if (!deleted && pending && pending->excluded().contains(id)) {
            ++it;
            continue;
        }
        if (deleted) moveOriginal(path);
        it = m_waiting.erase(it);
    }
}

void OriginalsTrash::moveOriginal(const std::string& path) const {
    if (!FileSystem::exists(path)) return;
    std::string real = FileSystem::canonicalPath(path);
    if (FileSystem::isPathInside(real, FileSystem::canonicalPath(m_itemsFolder))) return;
    auto result = m_trash.moveToTrash(path, m_now());
    if (!result.isMoved()) {
        logger.error("could not move {} to the Trash: {}", Log::priv(path), result.error.message());
    }
}

}  // namespace brimly
