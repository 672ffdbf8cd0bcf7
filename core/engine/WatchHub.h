#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/engine/InotifyDecoder.h"
#include "core/engine/WatchEvent.h"
#include "core/engine/WatchFailure.h"
#include "core/platform/Inotify.h"

namespace brimly {

class WatchTree;

// The one inotify instance and reader thread that all directory watchers of the process share, so that
// neither the per-user instance limit nor the thread count grows with the watched folders. Trees that watch
// one folder share the kernel's watch (its mask the union of theirs), which goes with its last holder; each
// record is handed to every tree holding its watch. Trees are only touched under the hub's lock, by the
// reader thread or by `attach` and `detach` on the caller's thread.
class WatchHub {
public:
    using ClientID = std::uint64_t;
    // Where one watcher's trees report to; called outside the lock, from the reader thread or the caller of
    // `attach`.
    struct Client {
        std::function<void(std::vector<WatchEvent>)> deliver;
        std::function<void(const WatchFailure&)> fail;
    };

    // The process's hub, made when none is running (or the last one failed) and closed with its last user.
    static std::shared_ptr<WatchHub> shared();

    WatchHub();
    ~WatchHub();
    WatchHub(const WatchHub&) = delete;
    WatchHub& operator=(const WatchHub&) = delete;

    // Nothing when the hub can watch; otherwise why it cannot.
    std::optional<WatchFailure> failure() const;

    // Starts `trees` (their first events go to `initial`) and routes their records to `client` from now on.
    // Refused watches are reported through `client.fail` before it returns.
    ClientID attach(const std::vector<WatchTree*>& trees, Client client, std::vector<WatchEvent>& initial);
    // Removes the client's watches; its trees are never touched again once this returns.
    void detach(ClientID id);

    // Hands records to the trees holding their watches (an overflow to every tree); the events per client.
    std::map<ClientID, std::vector<WatchEvent>> dispatch(const std::vector<InotifyRecord>& records);

    // For trees, with the lock held.
    Inotify::AddResult addWatch(WatchTree& tree, const std::string& path, std::uint32_t mask);
    void removeWatch(WatchTree& tree, int wd);

    static WatchFailure refusedWatch(int error);

private:
    void run();
    void reportPending();
    void stopReading(const WatchFailure& failure);

    Inotify m_inotify;
    Wakeup m_wakeup;
    mutable std::mutex m_lock;
    std::unordered_map<int, std::vector<WatchTree*>> m_holders;
    std::unordered_map<WatchTree*, ClientID> m_owners;
    std::map<ClientID, Client> m_clients;
    std::vector<std::pair<ClientID, WatchFailure>> m_pendingFailures;
    ClientID m_nextID = 1;
    std::optional<WatchFailure> m_failure;
    std::thread m_reader;
};

}  // namespace brimly
