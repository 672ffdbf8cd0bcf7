#include "core/engine/WatchHub.h"

#include <pthread.h>
#include <sys/inotify.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

#include "core/engine/WatchTree.h"

namespace brimly {

namespace {

std::string reason(int error) { return std::strerror(error); }

WatchFailure openFailure(int error) {
    if (error == EMFILE) {
        return {WatchFailure::Kind::instances,
                "Folders are not watched: the limit of inotify instances is used up; raise "
                "fs.inotify.max_user_instances (or the open-file limit)"};
    }
    return {WatchFailure::Kind::instances,
            "Folders are not watched: inotify is unavailable (" + reason(error) + ")"};
}

}  // namespace

std::shared_ptr<WatchHub> WatchHub::shared() {
    static std::mutex lock;
    static std::weak_ptr<WatchHub> current;
    std::lock_guard guard(lock);
    auto hub = current.lock();
    if (!hub || hub->failure()) {
        hub = std::make_shared<WatchHub>();
        current = hub;
    }
    return hub;
}

WatchFailure WatchHub::refusedWatch(int error) {
    if (error == ENOSPC) {
        return {WatchFailure::Kind::watches,
                "Some folders are not watched: the limit of inotify watches is reached; raise "
                "fs.inotify.max_user_watches"};
    }
    return {WatchFailure::Kind::watches, "Some folders are not watched (" + reason(error) + ")"};
}

WatchHub::WatchHub() {
    if (!m_prompt.inotify.isOpen()) {
        m_failure = openFailure(m_prompt.inotify.openError());
        return;
    }
    if (!m_wakeup.isOpen()) {
        m_failure = openFailure(EMFILE);
        return;
    }
    try {
        m_reader = std::thread([this] { run(); });
    } catch (const std::system_error& error) {
        m_failure = WatchFailure{
            WatchFailure::Kind::reader,
            "Folders are not watched: no thread to read file events (" + reason(error.code().value()) + ")"};
    }
}

WatchHub::~WatchHub() {
    m_wakeup.signal();
    if (m_reader.joinable()) m_reader.join();
}

std::optional<WatchFailure> WatchHub::failure() const {
    std::lock_guard guard(m_lock);
    return m_failure;
}

WatchHub::ClientID WatchHub::attach(const std::vector<WatchTree*>& trees, Client client,
                                    std::vector<WatchEvent>& initial) {
    ClientID id = 0;
    {
        std::lock_guard guard(m_lock);
        id = m_nextID++;
        m_clients.emplace(id, std::move(client));
        for (WatchTree* tree : trees) {
            m_owners[tree] = id;
            tree->start(initial);
        }
    }
    reportPending();
    return id;
}

void WatchHub::detach(ClientID id) {
    std::lock_guard guard(m_lock);
    for (auto it = m_owners.begin(); it != m_owners.end();) {
        if (it->second != id) {
            ++it;
            continue;
        }
        it->first->stop();
        it = m_owners.erase(it);
    }
    m_clients.erase(id);
    std::erase_if(m_pendingFailures, [id](const auto& pending) { return pending.first == id; });
}

WatchHub::Lane WatchHub::laneOf(const WatchTree& tree) const {
    // Without an instance of their own, busy roots are read as promptly as the rest.
    return tree.isBusy() && m_busy.inotify.isOpen() ? Lane::busy : Lane::prompt;
}

Inotify::AddResult WatchHub::addWatch(WatchTree& tree, const std::string& path, std::uint32_t mask) {
    Instance& lane = instance(laneOf(tree));
    // Another tree may hold this folder's watch: add to its mask rather than replace it.
    Inotify::AddResult added = lane.inotify.addWatch(path, mask | IN_MASK_ADD);
    if (!added.ok()) {
        if (added.error != ENOENT && added.error != ENOTDIR && added.error != EACCES) {
            if (auto owner = m_owners.find(&tree); owner != m_owners.end()) {
                m_pendingFailures.emplace_back(owner->second, refusedWatch(added.error));
            }
        }
        return added;
    }
    auto& holders = lane.holders[added.wd];
    if (std::find(holders.begin(), holders.end(), &tree) == holders.end()) holders.push_back(&tree);
    return added;
}

void WatchHub::removeWatch(WatchTree& tree, int wd) {
    Instance& lane = instance(laneOf(tree));
    auto found = lane.holders.find(wd);
    if (found == lane.holders.end()) return;
    std::erase(found->second, &tree);
    if (!found->second.empty()) return;
    lane.holders.erase(found);
    lane.inotify.removeWatch(wd);
}

void WatchHub::run() {
    using Clock = std::chrono::steady_clock;
    pthread_setname_np(pthread_self(), "brimly-watch");
    std::vector<std::byte> buffer(Inotify::bufferSize);
    std::vector<std::size_t> readable;
    // While set, the busy lane is left unread until `busyHold` after it: its last read brought nothing.
    std::optional<Clock::time_point> heldSince;
    const auto hold = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(busyHold));
    while (true) {
        std::vector<Inotify*> polled{&m_prompt.inotify};
        if (!heldSince && m_busy.inotify.isOpen()) polled.push_back(&m_busy.inotify);
        int timeoutMs = -1;
        if (heldSince) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(*heldSince + hold - Clock::now());
            timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        Inotify::Wait woke = Inotify::wait(polled, m_wakeup, readable, timeoutMs);
        if (woke == Inotify::Wait::woken) return;
        if (woke == Inotify::Wait::failed) {
            stopReading(
                {WatchFailure::Kind::reader,
                 "Folders are no longer watched: waiting for file events failed (" + reason(errno) + ")"});
            return;
        }
        m_wakes.fetch_add(1, std::memory_order_relaxed);
        auto now = Clock::now();
        bool readPrompt = std::find(readable.begin(), readable.end(), 0) != readable.end();
        bool readBusy = heldSince ? now >= *heldSince + hold
                                  : std::find(readable.begin(), readable.end(), 1) != readable.end();
        std::map<ClientID, Batch> batches;
        if (readPrompt && !readAll(Lane::prompt, buffer, 0, batches).ok) return;
        if (readBusy) {
            double heldFor = heldSince ? std::chrono::duration<double>(now - *heldSince).count() : 0;
            Read read = readAll(Lane::busy, buffer, heldFor, batches);
            if (!read.ok) return;
            // Records nobody reports start a hold; whatever else comes during it is read at its end.
            heldSince = read.records > 0 && read.events == 0 ? std::optional(now) : std::nullopt;
        }
        std::vector<std::pair<std::function<void(std::vector<WatchEvent>, double)>, Batch>> handOver;
        {
            std::lock_guard guard(m_lock);
            for (auto& [id, batch] : batches) {
                auto client = m_clients.find(id);
                if (client != m_clients.end() && client->second.deliver && !batch.events.empty())
                    handOver.emplace_back(client->second.deliver, std::move(batch));
            }
        }
        for (auto& [deliver, batch] : handOver) deliver(std::move(batch.events), batch.heldFor);
        reportPending();
    }
}

WatchHub::Read WatchHub::readAll(Lane lane, std::vector<std::byte>& buffer, double heldFor,
                                 std::map<ClientID, Batch>& into) {
    Read read;
    Inotify& inotify = instance(lane).inotify;
    // Bounded, so that a flood of events cannot keep what was read from being handed on.
    for (int round = 0; round < 16; ++round) {
        ssize_t count = inotify.read(buffer);
        if (count < 0) {
            stopReading(
                {WatchFailure::Kind::reader,
                 "Folders are no longer watched: reading file events failed (" + reason(errno) + ")"});
            read.ok = false;
            return read;
        }
        if (count == 0) break;
        // The kernel hands over whole records while they fit, so a read with room left for the longest
        // record emptied the queue: asking again would only be told so.
        bool drained = static_cast<std::size_t>(count) + Inotify::longestRecord <= buffer.size();
        auto records =
            InotifyDecoder::split(std::span<const std::byte>(buffer.data(), static_cast<std::size_t>(count)));
        read.records += records.size();
        m_records.fetch_add(records.size(), std::memory_order_relaxed);
        for (auto& [id, list] : dispatch(records, lane)) {
            read.events += list.size();
            Batch& batch = into[id];
            batch.heldFor = std::max(batch.heldFor, heldFor);
            batch.events.insert(batch.events.end(), std::make_move_iterator(list.begin()),
                                std::make_move_iterator(list.end()));
        }
        if (drained) break;
    }
    return read;
}

std::map<WatchHub::ClientID, std::vector<WatchEvent>> WatchHub::dispatch(
    const std::vector<InotifyRecord>& records, Lane lane) {
    std::map<ClientID, std::vector<WatchEvent>> out;
    std::lock_guard guard(m_lock);
    auto& holders = instance(lane).holders;
    for (const InotifyRecord& record : records) {
        std::vector<WatchTree*> trees;
        if ((record.mask & IN_Q_OVERFLOW) != 0) {
            for (const auto& [tree, id] : m_owners) {
                if (laneOf(*tree) == lane) trees.push_back(tree);
            }
        } else if (auto found = holders.find(record.wd); found != holders.end()) {
            trees = found->second;
        }
        for (WatchTree* tree : trees) {
            auto owner = m_owners.find(tree);
            if (owner != m_owners.end()) tree->handle(record, out[owner->second]);
        }
        // The kernel has dropped the watch; a tree that followed it elsewhere holds a new one.
        if ((record.mask & IN_IGNORED) != 0) holders.erase(record.wd);
    }
    return out;
}

void WatchHub::reportPending() {
    std::vector<std::pair<std::function<void(const WatchFailure&)>, WatchFailure>> reports;
    {
        std::lock_guard guard(m_lock);
        for (auto& [id, failure] : m_pendingFailures) {
            auto client = m_clients.find(id);
            if (client != m_clients.end() && client->second.fail) {
                reports.emplace_back(client->second.fail, std::move(failure));
            }
        }
        m_pendingFailures.clear();
    }
    for (auto& [fail, failure] : reports) fail(failure);
}

void WatchHub::stopReading(const WatchFailure& failure) {
    std::vector<std::function<void(const WatchFailure&)>> reports;
    {
        std::lock_guard guard(m_lock);
        m_failure = failure;
        for (const auto& [id, client] : m_clients) {
            if (client.fail) reports.push_back(client.fail);
        }
    }
    for (const auto& fail : reports) fail(failure);
}

}  // namespace brimly
