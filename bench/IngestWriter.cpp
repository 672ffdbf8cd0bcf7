// Keeps captures arriving the way Claude Code makes them until SIGTERM: transcript lines carrying small
// Base64 images, and small PNGs dropped into a scratchpad. Every image has bytes of its own, so none merges
// with another, and each is logged ("transcript <tool_use_id>" or "scratch <path>") once it is fully written.
// Usage: IngestWriter <claude home> <scratch root> <log file> [min ms] [max ms]
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "bench/support/BenchFiles.h"
#include "core/base/Clock.h"

namespace {

volatile std::sig_atomic_t stopping = 0;

void requestStop(int) { stopping = 1; }

// A transcript or a scratchpad gets a fresh session after this many images, so no transcript outgrows the
// tail a first read starts from and no scratchpad listing grows without end.
constexpr unsigned imagesPerSession = 150;
constexpr const char* slug = "-tmp-brimly-kill-loop";

std::string sessionName(unsigned number) {
    char text[64];
    std::snprintf(text, sizeof text, "6b696c6c-0000-4000-8000-%012u", number);
    return text;
}

bool append(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // One write, so that a reader never sees half a line for long.
    bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && written;
}

struct Slot {
    unsigned session = 0;
    unsigned images = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <claude home> <scratch root> <log file> [min ms] [max ms]\n",
                     argv[0]);
        return 2;
    }
    const std::string projects = std::string(argv[1]) + "/projects/" + slug;
    const std::string scratch = std::string(argv[2]) + "/" + slug;
    const int minMs = argc > 4 ? std::atoi(argv[4]) : 20;
    const int maxMs = argc > 5 ? std::atoi(argv[5]) : 50;
    std::FILE* log = std::fopen(argv[3], "a");
    if (log == nullptr || minMs < 0 || maxMs < minMs) {
        std::fprintf(stderr, "IngestWriter: bad log file or interval\n");
        return 2;
    }
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pause(minMs, maxMs);
    const brimly::Clock& clock = brimly::SystemClock::shared();
    unsigned nextSession = 0;
    Slot transcripts[2] = {{nextSession++, 0}, {nextSession++, 0}};
    Slot scratchpad{nextSession++, 0};
    const auto stamp = static_cast<unsigned>(clock.now());

    for (unsigned capture = 0; stopping == 0; ++capture) {
        std::string tag = "kill-loop " + std::to_string(stamp) + " " + std::to_string(capture);
        std::string image = brimly::bench::withTag(brimly::bench::png(64, 48, capture), tag);
        bool toTranscript = random() % 2 == 0;
        Slot& slot = toTranscript ? transcripts[random() % 2] : scratchpad;
        if (slot.images == imagesPerSession) slot = {nextSession++, 0};
        ++slot.images;
        std::string session = sessionName(slot.session);
        if (toTranscript) {
            std::string path = projects + "/" + session + ".jsonl";
            std::string toolUseID = "toolu_kill_" + std::to_string(stamp) + "_" + std::to_string(capture);
            std::string lines;
            if (slot.images % 10 == 1)
                lines += brimly::bench::textLine(session, "Next step " + tag, clock.now());
            lines += brimly::bench::imageLine(image, session, toolUseID, clock.now());
            if (!append(path, lines)) {
                std::perror(path.c_str());
                return 1;
            }
            std::fprintf(log, "transcript %s\n", toolUseID.c_str());
        } else {
            std::string path =
                scratch + "/" + session + "/scratchpad/shot-" + std::to_string(capture) + ".png";
            brimly::bench::writeFile(path, image);
            std::fprintf(log, "scratch %s\n", path.c_str());
        }
        std::fflush(log);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    }
    return std::fclose(log) == 0 ? 0 : 1;
}
