#include "core/engine/WatchHub.h"

#include <pthread.h>
#include <sys/inotify.h>

#include <algorithm>
#include <cerrno>
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
    if (!m_inotify.isOpen()) {
        m_failure = openFailure(m_inotify.openError());
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

Inotify::AddResult WatchHub::addWatch(WatchTree& tree, const std::string& path, std::uint32_t mask) {
    // Another tree may hold this folder's watch: add to its mask rather than replace it.
    Inotify::AddResult added = m_inotify.addWatch(path, mask | IN_MASK_ADD);
    if (!added.ok()) {
        if (added.error != ENOENT && added.error != ENOTDIR && added.error != EACCES) {
            if (auto owner = m_owners.find(&tree); owner != m_owners.end()) {
                m_pendingFailures.emplace_back(owner->second, refusedWatch(added.error));
            }
        }
        return added;
    }
    auto& holders = m_holders[added.wd];
    if (std::find(holders.begin(), holders.end(), &tree) == holders.end()) holders.push_back(&tree);
    return added;
}

void WatchHub::removeWatch(WatchTree& tree, int wd) {
    auto found = m_holders.find(wd);
    if (found == m_holders.end()) return;
    std::erase(found->second, &tree);
    if (!found->second.empty()) return;
    m_holders.erase(found);
    m_inotify.removeWatch(wd);
}

void WatchHub::run() {
    pthread_setname_np(pthread_self(), "brimly-watch");
    std::vector<std::byte> buffer(Inotify::bufferSize);
    Inotify* const instances[] = {&m_inotify};
    std::vector<std::size_t> readable;
    while (true) {
        Inotify::Wait woke = Inotify::wait(instances, m_wakeup, readable);
        if (woke == Inotify::Wait::woken) return;
        if (woke == Inotify::Wait::failed) {
            stopReading(
                {WatchFailure::Kind::reader,
                 "Folders are no longer watched: waiting for file events failed (" + reason(errno) + ")"});
            return;
        }
        std::map<ClientID, std::vector<WatchEvent>> events;
        // Bounded, so that a flood of events cannot keep what was read from being handed on.
        for (int round = 0; round < 16; ++round) {
            ssize_t count = m_inotify.read(buffer);
            if (count < 0) {
                stopReading(
                    {WatchFailure::Kind::reader,
                     "Folders are no longer watched: reading file events failed (" + reason(errno) + ")"});
                return;
            }
            if (count == 0) break;
            auto routed = dispatch(InotifyDecoder::split(
                std::span<const std::byte>(buffer.data(), static_cast<std::size_t>(count))));
            for (auto& [id, list] : routed) {
                auto& into = events[id];
                into.insert(into.end(), std::make_move_iterator(list.begin()),
                            std::make_move_iterator(list.end()));
            }
        }
        std::vector<std::pair<std::function<void(std::vector<WatchEvent>)>, std::vector<WatchEvent>>>
            handOver;
        {
            std::lock_guard guard(m_lock);
            for (auto& [id, list] : events) {
                auto client = m_clients.find(id);
                if (client != m_clients.end() && client->second.deliver && !list.empty())
                    handOver.emplace_back(client->second.deliver, std::move(list));
            }
        }
        for (auto& [deliver, list] : handOver) deliver(std::move(list));
        reportPending();
    }
}

std::map<WatchHub::ClientID, std::vector<WatchEvent>> WatchHub::dispatch(
    const std::vector<InotifyRecord>& records) {
    std::map<ClientID, std::vector<WatchEvent>> out;
    std::lock_guard guard(m_lock);
    for (const InotifyRecord& record : records) {
        std::vector<WatchTree*> trees;
        if ((record.mask & IN_Q_OVERFLOW) != 0) {
            for (const auto& [tree, id] : m_owners) trees.push_back(tree);
        } else if (auto found = m_holders.find(record.wd); found != m_holders.end()) {
            trees = found->second;
        }
        for (WatchTree* tree : trees) {
            auto owner = m_owners.find(tree);
            if (owner != m_owners.end()) tree->handle(record, out[owner->second]);
        }
        // The kernel has dropped the watch; a tree that followed it elsewhere holds a new one.
        if ((record.mask & IN_IGNORED) != 0) m_holders.erase(record.wd);
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
