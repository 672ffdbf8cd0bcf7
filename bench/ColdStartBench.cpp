// Cold start over a month's shelf (5000 items, 300 sessions, 3000 prompts) and a Claude home of 500
// transcripts, 50 of them written to since the last run: the time from making the engine to the first
// snapshot on the main thread, and the peak resident memory of the headless `brimly watch` through its first
// summary and first index write. The baseline is reading and parsing index.json alone.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench/support/BenchEngine.h"
#include "bench/support/BenchFiles.h"
#include "bench/support/BenchShelf.h"
#include "core/base/AtomicFile.h"
#include "core/base/Json.h"
#include "core/engine/Engine.h"

extern char** environ;

namespace brimly {
namespace {

constexpr int transcriptCount = 500;
constexpr int recentCount = 50;
constexpr int linesBefore = 400;
constexpr int linesSince = 50;

// The support folder and Claude home as a restart finds them. Each run puts back the index and the
// offsets, which the previous run advanced.
class Home {
public:
    Home() {
        Date now = SystemClock::shared().now();
        bench::ShelfShape shape{.start = now - 30 * 86400};
        std::map<std::string, std::uint64_t> offsets;
        std::map<std::string, Date> checks;
        for (int n = 0; n < transcriptCount; ++n) {
            std::string path = transcript(n);
            bool recent = n < recentCount;
            Date written = recent ? now - 60 : shape.start + n * 5000.0;
            std::string text;
            for (int line = 0; line < linesBefore; ++line) {
                text += bench::textLine(bench::sessionID(n),
                                        "Make the legend readable, step " + std::to_string(line),
                                        written - 3600 + line);
            }
            offsets[path] = text.size();
            checks[path] = recent ? written - 3600 : written;
            if (recent) {
                for (int line = 0; line < linesSince; ++line) {
                    text += bench::textLine(bench::sessionID(n),
                                            "And now the axis labels " + std::to_string(line),
                                            written - 60 + line);
                }
            }
            bench::writeFile(path, text);
            bench::setModified(path, written);
        }
        bench::writeShelf(support(), shape, [&](StoreIndex& index) { index.titleChecks = checks; });
        m_index = *AtomicFile::read(support() + "/index.json");
        m_offsets = OffsetsFile::encode({.offsets = offsets});
        std::filesystem::create_directories(m_folder / "scratch");
        std::filesystem::permissions(m_folder / "scratch", std::filesystem::perms::owner_all);
    }

    std::string claude() const { return m_folder / "claude"; }
    std::string support() const { return m_folder / "support"; }
    std::string scratch() const { return m_folder / "scratch"; }
    std::string transcript(int n) const {
        return claude() + "/projects/" + bench::projectFolder(n) + "/" + bench::sessionID(n) + ".jsonl";
    }

    void reset() const {
        if (AtomicFile::write(support() + "/index.json", m_index) ||
            AtomicFile::write(support() + "/offsets.json", m_offsets)) {
            std::abort();
        }
    }

    Engine::Config config() const {
        Engine::Config config = bench::BenchEngine::config(m_folder.path());
        config.retentionDays = 365;
        return config;
    }

    static const Home& shared() {
        static Home home;
        return home;
    }

private:
    bench::BenchFolder m_folder;
    std::string m_index;
    std::string m_offsets;
};

void BM_ReadAndParseIndex(benchmark::State& state) {
    const std::string path = Home::shared().support() + "/index.json";
    Home::shared().reset();
    for (auto _ : state) {
        auto text = AtomicFile::read(path);
        benchmark::DoNotOptimize(JsonIO::parse(*text));
    }
}
BENCHMARK(BM_ReadAndParseIndex)->Unit(benchmark::kMillisecond);

void BM_EngineToFirstSnapshot(benchmark::State& state) {
    const Home& home = Home::shared();
    std::size_t shown = 0;
    for (auto _ : state) {
        home.reset();
        auto start = std::chrono::steady_clock::now();
        bench::BenchEngine engine(home.config());
        engine.waitFor([&shown](const Snapshot& first) {
            shown = first.items.size();
            return true;
        });
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (shown != 500) state.SkipWithError("the first snapshot did not show the newest 500 items");
}
BENCHMARK(BM_EngineToFirstSnapshot)->UseManualTime()->Unit(benchmark::kMillisecond);

ino_t inode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// `brimly watch` as a person starts it: the time until it prints the shelf's summary, and its peak RSS up to
// its first index write. With argument 0 no read offsets are stored, as on a first start beside an existing
// shelf: every recent transcript is caught up, and the summary must not wait for that.
void BM_HeadlessWatchToSummary(benchmark::State& state) {
    const Home& home = Home::shared();
    long peakKiB = 0;
    for (auto _ : state) {
        home.reset();
        if (state.range(0) == 0) std::filesystem::remove(home.support() + "/offsets.json");
        ino_t before = inode(home.support() + "/index.json");
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return state.SkipWithError("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        std::vector<std::string> variables = {
            "BRIMLY_CLAUDE_HOME=" + home.claude(), "BRIMLY_SCRATCH_ROOT=" + home.scratch(),
            "BRIMLY_SUPPORT_DIR=" + home.support(), "BRIMLY_RETENTION_DAYS=365",
            "XDG_CONFIG_HOME=" + home.support() + "/config"};
        for (char** variable = environ; *variable != nullptr; ++variable) {
            if (std::string_view(*variable).starts_with("BRIMLY_")) continue;
            variables.emplace_back(*variable);
        }
        std::vector<char*> envp;
        for (std::string& variable : variables) envp.push_back(variable.data());
        envp.push_back(nullptr);
        std::string command = BRIMLY_COMMAND;
        std::string watch = "watch";
        char* argv[] = {command.data(), watch.data(), nullptr};
        auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        int spawned = posix_spawn(&pid, command.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        if (spawned != 0) return state.SkipWithError("cannot start brimly");
        // The summary's first line ends the first snapshot's output.
        std::string output;
        char buffer[4096];
        while (output.find(" on the shelf\n") == std::string::npos) {
            ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
            if (got <= 0) break;
            output.append(buffer, static_cast<std::size_t>(got));
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // The first debounced index write follows two seconds later; the peak must include it.
        for (int wait = 0; wait < 500 && inode(home.support() + "/index.json") == before; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("VmHWM:")) peakKiB = std::max(peakKiB, std::stol(line.substr(6)));
        }
        ::kill(pid, SIGTERM);
        int exitStatus = 0;
        ::waitpid(pid, &exitStatus, 0);
        ::close(pipeFds[0]);
        if (output.find("5000 items on the shelf\nthe newest 500:") == std::string::npos) {
            return state.SkipWithError("brimly watch did not show the shelf");
        }
    }
    state.counters["peak_rss_MB"] = static_cast<double>(peakKiB) * 1024.0 / 1e6;
}
BENCHMARK(BM_HeadlessWatchToSummary)
    ->ArgName("offsets")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brimly
