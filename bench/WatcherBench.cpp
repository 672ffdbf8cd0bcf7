// What the directory watcher costs: inotify watches and heap for the engine's default roots over a large
// projects folder and for a large watched folder, and the CPU it uses while nothing changes (the baseline
// is `sleep` over the same time, measured in the same run). BRIMLY_IDLE_SECONDS shortens the idle run.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/base/Env.h"
#include "core/base/ThreadQueue.h"
#include "core/engine/DirectoryWatcher.h"

extern char** environ;

namespace brimly {
namespace {

namespace fs = std::filesystem;

struct Scratch {
    Scratch() {
        std::string pattern = fs::temp_directory_path().string() + "/brimly-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) std::abort();
        path = name.data();
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string path;
};

void touch(const std::string& path) { std::ofstream(path) << "x"; }

// 200 project folders with 10 session folders each (and their transcripts), a scratchpad root with a few
// scratchpads, and a temporary folder with browser-screenshot folders among unrelated ones.
void makeDefaultRoots(const std::string& base) {
    for (int p = 0; p < 200; ++p) {
        std::string project = base + "/claude/projects/-home-u-project" + std::to_string(p);
        for (int s = 0; s < 10; ++s) {
            std::string session = project + "/session-" + std::to_string(s);
            fs::create_directories(session + "/subagents");
            touch(session + ".jsonl");
        }
    }
    for (int s = 0; s < 20; ++s)
        fs::create_directories(base + "/scratch/p/s" + std::to_string(s) + "/scratchpad");
    for (int t = 0; t < 5; ++t)
        fs::create_directories(base + "/tmp/claude-chrome-screenshots-" + std::to_string(t));
    for (int t = 0; t < 500; ++t)
        fs::create_directories(base + "/tmp/unrelated-" + std::to_string(t) + "/inner");
}

void makeWatchedFolder(const std::string& base) {
    for (int a = 0; a < 40; ++a) {
        for (int b = 0; b < 50; ++b) {
            std::string folder = base + "/watched/d" + std::to_string(a) + "/e" + std::to_string(b);
            fs::create_directories(folder);
            for (int f = 0; f < 10; ++f) touch(folder + "/f" + std::to_string(f) + ".png");
        }
    }
}

std::size_t heapInUse() { return mallinfo2().uordblks; }

// The kernel's inotify mark and watch records come to about 1 KiB per watch on 64-bit kernels.
constexpr double kernelBytesPerWatch = 1024;

struct Watchers {
    ThreadQueue queue{"bench.watch"};
    std::vector<std::unique_ptr<DirectoryWatcher>> all;
    ~Watchers() {
        for (auto& watcher : all) watcher->stop();
        queue.drain();
    }
    void add(const std::string& path, double latency, bool noDefer, DirectoryWatcher::Limits limits) {
        all.push_back(std::make_unique<DirectoryWatcher>(
            std::vector<std::string>{path}, latency, noDefer, queue,
            [](const std::vector<std::string>&, const std::vector<std::uint32_t>&) {}, std::move(limits)));
        all.back()->start();
    }
    std::size_t watches() const {
        std::size_t total = 0;
        for (const auto& watcher : all) total += watcher->watchCount();
        return total;
    }
};

void addDefaultRoots(Watchers& watchers, const std::string& base) {
    watchers.add(base + "/scratch", 0.25, true, {.depth = 4});
    watchers.add(base + "/claude/projects", 0.25, true, {.depth = 4});
    watchers.add(base + "/tmp", 1.0, false,
                 {.depth = 2, .firstLevelPrefix = "claude-chrome-screenshots-", .busyRoot = true});
}

void reportStart(benchmark::State& state, const std::function<void(Watchers&)>& setUp, double folders) {
    for (auto _ : state) {
        std::size_t heapBefore = heapInUse();
        auto started = std::chrono::steady_clock::now();
        Watchers watchers;
        setUp(watchers);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        double watches = static_cast<double>(watchers.watches());
        state.counters["watches"] = watches;
        state.counters["watches_per_folder_needed"] = watches / folders;
        state.counters["heap_KiB"] = static_cast<double>(heapInUse() - heapBefore) / 1024;
        state.counters["kernel_KiB_est"] = watches * kernelBytesPerWatch / 1024;
        state.counters["start_ms"] = seconds * 1000;
    }
}

void BM_DefaultRoots(benchmark::State& state) {
    Scratch scratch;
    makeDefaultRoots(scratch.path);
    // Folders the roots need watched: projects root, 200 projects, 2000 sessions, 2000 subagent folders;
    // scratch root, 1 project, 20 sessions, 20 scratchpads; the temporary folder and 5 screenshot folders.
    double needed = 1 + 200 + 2000 + 2000 + 1 + 1 + 20 + 20 + 1 + 5;
    reportStart(
        state, [&](Watchers& watchers) { addDefaultRoots(watchers, scratch.path); }, needed);
}
BENCHMARK(BM_DefaultRoots)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_WatchedFolder20000Files(benchmark::State& state) {
    Scratch scratch;
    makeWatchedFolder(scratch.path);
    double needed = 1 + 40 + 2000;
    reportStart(
        state, [&](Watchers& watchers) { watchers.add(scratch.path + "/watched", 0.25, true, {}); }, needed);
}
BENCHMARK(BM_WatchedFolder20000Files)->Iterations(1)->Unit(benchmark::kMillisecond);

struct Usage {
    double cpuMs;
    long wakeups;
};

Usage usage(int who) {
    struct rusage usage {};
    ::getrusage(who, &usage);
    auto ms = [](const timeval& value) {
        return static_cast<double>(value.tv_sec) * 1000 + static_cast<double>(value.tv_usec) / 1000.0;
    };
    return {ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_nvcsw + usage.ru_nivcsw};
}

void BM_IdleCpu(benchmark::State& state) {
    Scratch scratch;
    makeDefaultRoots(scratch.path);
    makeWatchedFolder(scratch.path);
    long seconds = Env::intValue("BRIMLY_IDLE_SECONDS", 60, 1, 3600, Env::process());
    for (auto _ : state) {
        Watchers watchers;
        addDefaultRoots(watchers, scratch.path);
        watchers.add(scratch.path + "/watched", 0.25, true, {});
        Usage before = usage(RUSAGE_SELF);
        {
            // One wait on the measuring thread; every other wake-up would be the watchers'.
            std::mutex mutex;
            std::condition_variable never;
            std::unique_lock lock(mutex);
            never.wait_for(lock, std::chrono::seconds(seconds), [] { return false; });
        }
        Usage after = usage(RUSAGE_SELF);

        std::string duration = std::to_string(seconds);
        char* argv[] = {const_cast<char*>("sleep"), duration.data(), nullptr};
        pid_t child = 0;
        Usage childBefore = usage(RUSAGE_CHILDREN);
        double sleepMs = -1;
        if (::posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ) == 0) {
            int status = 0;
            ::waitpid(child, &status, 0);
            sleepMs = usage(RUSAGE_CHILDREN).cpuMs - childBefore.cpuMs;
        }
        double idleMs = after.cpuMs - before.cpuMs;
        state.counters["seconds"] = static_cast<double>(seconds);
        state.counters["watches"] = static_cast<double>(watchers.watches());
        state.counters["idle_cpu_ms"] = idleMs;
        state.counters["sleep_cpu_ms"] = sleepMs;
        state.counters["idle_over_sleep"] = sleepMs > 0 ? idleMs / sleepMs : 0;
        state.counters["context_switches"] = static_cast<double>(after.wakeups - before.wakeups);
    }
}
BENCHMARK(BM_IdleCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brimly
