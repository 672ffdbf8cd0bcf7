#include "core/store/ThumbnailMaker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "core/store/ImageProbe.h"

namespace brimly {

ThumbnailMaker::ThumbnailMaker(unsigned workers) {
    for (unsigned i = 0; i < std::max(workers, 1U); ++i) m_workers.emplace_back([this] { work(); });
}

ThumbnailMaker::~ThumbnailMaker() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

unsigned ThumbnailMaker::defaultWorkers() { return std::clamp(std::thread::hardware_concurrency(), 1U, 4U); }

void ThumbnailMaker::add(std::string copyPath, std::string thumbPath) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(copyPath), std::move(thumbPath)});
    }
    m_wake.notify_one();
}

void ThumbnailMaker::drain() {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_jobs.empty() && m_running.empty(); });
}

std::size_t ThumbnailMaker::finished() const {
    std::lock_guard lock(m_mutex);
    return m_finished;
}

void ThumbnailMaker::work() {
    // On Linux a thread's nice value is its own. Captures go first when they compete for the cores: an item
    // shows with a placeholder until its thumbnail follows, but a capture that waits is not on the shelf.
    static_cast<void>(::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10));
    std::unique_lock lock(m_mutex);
    for (;;) {
        // The first job whose thumbnail no other worker is drawing now.
        auto next = m_jobs.end();
        m_wake.wait(lock, [&] {
            next = std::find_if(m_jobs.begin(), m_jobs.end(),
                                [&](const Job& job) { return !m_running.contains(job.thumbPath); });
            return m_stopping || next != m_jobs.end();
        });
        if (m_stopping) return;
        Job job = std::move(*next);
        m_jobs.erase(next);
        m_running.insert(job.thumbPath);
        lock.unlock();
        if (auto source = ImageSource::open(job.copyPath)) {
            static_cast<void>(ImageProbe::writeThumbnail(*source, job.thumbPath));
        }
        lock.lock();
        m_running.erase(job.thumbPath);
        ++m_finished;
        // A job held back behind this one may go now.
        m_wake.notify_all();
        m_done.notify_all();
    }
}

}  // namespace brimly
