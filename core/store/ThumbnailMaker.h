#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace brimly {

// Draws the shelf's thumbnails on worker threads, so a capture never waits for its thumbnail and a burst
// of screenshots uses every core. A job names the stored copy and the thumbnail file; jobs for one
// thumbnail run one at a time in the order given, so a rewritten image never ends with its older picture.
// Destruction drops the jobs not started (a missing thumbnail is drawn from the copy by whoever shows it)
// and waits for the running ones. Idle workers sleep on a condition variable.
class ThumbnailMaker {
public:
    explicit ThumbnailMaker(unsigned workers);
    ~ThumbnailMaker();
    ThumbnailMaker(const ThumbnailMaker&) = delete;
    ThumbnailMaker& operator=(const ThumbnailMaker&) = delete;

    void add(std::string copyPath, std::string thumbPath);
    // Waits until every job added before is done.
    void drain();
    // Jobs done, failed ones included.
    std::size_t finished() const;

    // Both cores of a small machine, never more than four.
    static unsigned defaultWorkers();

private:
    struct Job {
        std::string copyPath;
        std::string thumbPath;
    };
    void work();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Job> m_jobs;
    std::set<std::string> m_running;
    std::size_t m_finished = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

}  // namespace brimly
