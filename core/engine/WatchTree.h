#pragma once

#include <atomic>
#include <climits>
#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/engine/InotifyDecoder.h"
#include "core/engine/WatchEvent.h"

namespace brimly {

class WatchHub;

// The inotify watches of one watched root: the root's folders down to a depth, a new folder watched as it
// appears (and what it already holds reported), and a missing root followed through its chain of ancestors
// with one non-recursive watch until it exists. It never watches more than the limits allow. Its watches
// live on the hub's shared instance; it is used only under the hub's lock.
class WatchTree {
public:
    struct Limits {
        // Entries up to this many levels below the root are reported; folders above that level are watched.
        int depth = INT_MAX;
        // When set, only first-level entries whose names start with it are reported and watched.
        std::string firstLevelPrefix;
        // A folder other programs keep busy (the temporary-files folder) where only first-level folders
        // matter: the root's watch asks for no changes of files, first-level files are not reported, and the
        // tree is read on the hub's busy lane.
        bool busyRoot = false;
        // Beyond this many watches a folder is reported as must-scan instead of watched.
        std::size_t maxWatches = 16384;
    };

    WatchTree(WatchHub& hub, std::string root, Limits limits);
    WatchTree(const WatchTree&) = delete;
    WatchTree& operator=(const WatchTree&) = delete;

    // Adds the watches from the current moment on; existing contents are not reported. Watches that could
    // not be added are reported as must-scan into `out`.
    void start(std::vector<WatchEvent>& out);
    // Gives up every watch.
    void stop() { forgetAll(); }
    // Applies one record of a watch this tree holds (or of an overflow).
    void handle(const InotifyRecord& record, std::vector<WatchEvent>& out);

    // Readable from any thread.
    std::size_t watchCount() const { return m_count.load(std::memory_order_relaxed); }
    const std::string& root() const { return m_root; }
    bool isBusy() const { return m_limits.busyRoot; }

private:
    struct Watch {
        std::string path;
        // 0 for the root, -1 for an ancestor followed while the root is missing.
        int level = 0;
    };

    void handleChange(const InotifyChange& change, std::vector<WatchEvent>& out);
    void followChain(bool reportAppearance, std::vector<WatchEvent>& out);
    void addTree(const std::string& folder, int level, bool reportContents, std::vector<WatchEvent>& out);
    bool addOne(const std::string& folder, int level, std::vector<WatchEvent>& out);
    void forgetSubtree(const std::string& folder);
    void forgetAll();
    void forget(int wd);
    bool admits(const std::string& name, int level, bool isDirectory) const;
    bool isFirstLevel(int wd) const;
    void updateCount() { m_count.store(m_watches.size(), std::memory_order_relaxed); }

    WatchHub& m_hub;
    std::string m_root;
    Limits m_limits;
    std::unordered_map<int, Watch> m_watches;
    // Folder watches by path, so that a removed or moved-away subtree is found by its prefix.
    std::map<std::string, int> m_byPath;
    int m_rootWd = -1;
    int m_ancestorWd = -1;
    std::atomic<std::size_t> m_count{0};
};

}  // namespace brimly
