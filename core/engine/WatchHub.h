#pragma once

#include <atomic>
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

// The two inotify instances and the one reader thread that all directory watchers of the process share, so
// that neither the per-user instance limit nor the thread count grows with the watched folders; busy roots
// are on the second, left unread for `busyHold` after a read that brought nothing any tree reports, so that
// other programs' files cost one wake per hold instead of one per file. Trees that watch one folder on one
// instance share the kernel's watch (its mask the union of theirs), which goes with its last holder. Trees
// are only touched under the hub's lock, by the reader thread or by `attach` and `detach`.
class WatchHub {
public:
    using ClientID = std::uint64_t;
    // Where one watcher's trees report to; called outside the lock, from the reader thread or the caller of
    // `attach`. `heldFor` is how long the events may have waited unread in a busy root's hold.
    struct Client {
        std::function<void(std::vector<WatchEvent>, double heldFor)> deliver;
        std::function<void(const WatchFailure&)> fail;
    };
    enum class Lane { prompt, busy };
    // Seconds; watchers of busy roots coalesce over at least this long, so that a hold never delays them. A
    // wake after a long sleep costs a few hundred microseconds on a virtual machine, so it is not shorter.
    static constexpr double busyHold = 1.0;
    // What the reader has done since the hub was made.
    struct Counters {
        std::uint64_t wakes = 0;
        std::uint64_t records = 0;
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

    // Hands records read from `lane` to the trees holding their watches (an overflow to every tree of the
    // lane); the events per client.
    std::map<ClientID, std::vector<WatchEvent>> dispatch(const std::vector<InotifyRecord>& records,
                                                         Lane lane = Lane::prompt);
    // Readable from any thread.
    Counters counters() const {
        return {m_wakes.load(std::memory_order_relaxed), m_records.load(std::memory_order_relaxed)};
    }

    // For trees, with the lock held.
    Inotify::AddResult addWatch(WatchTree& tree, const std::string& path, std::uint32_t mask);
    void removeWatch(WatchTree& tree, int wd);

    static WatchFailure refusedWatch(int error);

private:
    // One kernel instance and the trees holding each of its watches.
    struct Instance {
        Inotify inotify;
        std::unordered_map<int, std::vector<WatchTree*>> holders;
    };
    struct Batch {
        std::vector<WatchEvent> events;
        double heldFor = 0;
    };
    struct Read {
        bool ok = true;
        std::size_t records = 0;
        std::size_t events = 0;
    };

    Lane laneOf(const WatchTree& tree) const;
    Instance& instance(Lane lane) { return lane == Lane::busy ? m_busy : m_prompt; }
    void run();
    // Not ok when reading failed (the hub has stopped).
    Read readAll(Lane lane, std::vector<std::byte>& buffer, double heldFor, std::map<ClientID, Batch>& into);
    void reportPending();
    void stopReading(const WatchFailure& failure);

    Instance m_prompt;
    Instance m_busy;
    Wakeup m_wakeup;
    mutable std::mutex m_lock;
    std::unordered_map<WatchTree*, ClientID> m_owners;
    std::map<ClientID, Client> m_clients;
    std::vector<std::pair<ClientID, WatchFailure>> m_pendingFailures;
    ClientID m_nextID = 1;
    std::optional<WatchFailure> m_failure;
    std::atomic<std::uint64_t> m_wakes{0};
    std::atomic<std::uint64_t> m_records{0};
    std::thread m_reader;
};

}  // namespace brimly
