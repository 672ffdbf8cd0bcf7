// Kills a child process that writes a store at random moments and checks, after each kill, that the store
// loads and that every record's copies exist. BRIMLY_CRASH_CYCLES sets the number of kills (24 by default;
// bench/storeCrash.sh runs many more).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "core/base/AtomicFile.h"
#include "core/base/Clock.h"
#include "core/base/Env.h"
#include "core/base/ManualQueue.h"
#include "core/platform/FileSystem.h"
#include "core/store/Store.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

std::string hexID(std::mt19937_64& random) {
    static const char digits[] = "0123456789abcdef";
    std::string id;
    for (int index = 0; index < 64; ++index) id.push_back(digits[random() % 16]);
    return id;
}

template <typename Map>
std::string anyKey(const Map& map, std::mt19937_64& random) {
    auto it = map.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(random() % map.size()));
    return it->first;
}

// What Ingest and the engine do to a store, in random order, with debounced writes running on a manual
// queue; one byte goes to the parent after every operation.
[[noreturn]] void runChild(const std::string& root, int pipe, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    ManualClock clock(dateFromUnix(1'700'000'000) + static_cast<double>(seed % 100000));
    ManualQueue queue;
    Store store(
        root, [&] { return clock.now(); }, &queue);
    char byte = 'R';
    if (::write(pipe, &byte, 1) != 1) std::_Exit(2);
    std::vector<std::string> paths = {"/src/a.png", "/src/b.png", "/src/c.png", "/src/d.png"};
    std::uint64_t operations = 0;
    while (true) {
        auto roll = random() % 100;
        const auto& items = store.items();
        if (roll < 40 || items.empty()) {
            std::string id = hexID(random);
            std::string data(256 + random() % 16384, static_cast<char>('a' + random() % 26));
            auto copy = store.copyIn(data, id, "png");
            if (!copy.url) std::_Exit(3);
            ShelfItem item{.id = id,
                           .kind = ShelfItemKind::image,
                           .fileURL = copy.url,
                           .sourcePath = paths[random() % paths.size()],
                           .title = "shot.png",
                           .sessionID = "s",
                           .sourceKinds = {Source::transcript}};
            item.createdAt = clock.now();
            // A rewrite of a file: the earlier state's versions move to the new item, which replaces it.
            auto earlier = store.itemsAtSourcePath(*item.sourcePath);
            std::vector<ItemVersion> cut;
            for (const ShelfItem& old : earlier) {
                for (ItemVersion& version : old.allVersions()) item.versions.push_back(std::move(version));
            }
            while (item.versions.size() > 3) {
                cut.push_back(item.versions.front());
                item.versions.erase(item.versions.begin());
            }
            store.upsert(item);
            for (const ShelfItem& old : earlier) store.remove(old.id);
            store.dropFiles(cut);
            if (auto thumb = store.thumbURL(id)) static_cast<void>(AtomicFile::write(*thumb->path(), "jpeg"));
        } else if (roll < 50) {
            store.remove(anyKey(items, random));
        } else if (roll < 58) {
            store.deleteItems({anyKey(items, random)});
        } else if (roll < 66) {
            store.hide(anyKey(items, random));
        } else if (roll < 74 && !store.hiddenItems().empty()) {
            store.unhide(anyKey(store.hiddenItems(), random));
        } else if (roll < 78) {
            store.trimVersions(random() % 3);
        } else if (roll < 81) {
            store.purge(clock.now() - 30);
        } else if (roll < 88) {
            store.markSeen({anyKey(items, random)}, clock.now());
        } else if (roll < 94) {
            store.setOffset(operations, "/t/" + std::to_string(random() % 5) + ".jsonl");
        } else if (roll < 97) {
            ASSERT_TRUE(store.flush());
        } else if (store.items().size() > 150) {
            store.deleteAll({});
        }
        double step = static_cast<double>(random() % 1500) / 1000.0;
        clock.advance(step);
        queue.advance(step);
        ++operations;
        if (::write(pipe, &byte, 1) != 1) std::_Exit(4);
    }
}

// The test process is single-threaded here, so a forked child may go on using the store code; it never
// returns into the test framework.
pid_t startChild(const std::string& root, int readEnd, int writeEnd, std::uint64_t seed) {
    pid_t child = ::fork();
    if (child == 0) {
        ::close(readEnd);
        runChild(root, writeEnd, seed);
    }
    return child;
}

bool readByte(int fd) {
    char byte;
    while (true) {
        auto count = ::read(fd, &byte, 1);
        if (count == 1) return true;
        if (count < 0 && errno == EINTR) continue;
        return false;
    }
}

int cycles() {
    return static_cast<int>(Env::intValue("BRIMLY_CRASH_CYCLES", 24, 1, 1'000'000, Env::process()));
}

TEST(StoreCrashTest, AKillAtAnyMomentLeavesALoadableIndexAndEveryCopy) {
    // In memory when the machine allows: a killed process loses nothing from the page cache, so the kills
    // test the same thing there while the copies' fsyncs cost nothing.
    testing::TempDir dir(FileSystem::isDirectory("/dev/shm") ? "/dev/shm" : "");
    std::random_device device;
    std::uint64_t seed = (static_cast<std::uint64_t>(device()) << 32) | device();
    std::mt19937_64 random(seed);
    std::size_t itemsSeen = 0;
    int count = cycles();
    for (int cycle = 0; cycle < count; ++cycle) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", cycle " + std::to_string(cycle));
        int ends[2];
        ASSERT_EQ(::pipe2(ends, 0), 0);
        pid_t child = startChild(dir.path(), ends[0], ends[1], random());
        ::close(ends[1]);
        ASSERT_GT(child, 0);
        ASSERT_TRUE(readByte(ends[0])) << "the child did not start";
        // The kill moment is the point here: after a random number of operations, or a random short time.
        if (random() % 2 == 0) {
            auto operations = 1 + random() % 80;
            for (std::uint64_t done = 0; done < operations && readByte(ends[0]); ++done) {
            }
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(ends[0]);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child stopped by itself";

        Store store(dir.path(), [] { return dateFromUnix(1'700'000'000); });
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            ASSERT_EQ(entry.path().filename().string().rfind("index.unreadable-", 0), std::string::npos)
                << "the index was unreadable after a kill";
        }
        ASSERT_TRUE(!FileSystem::exists(dir / "index.json") || !store.isFirstRun());
        auto check = [&](const ShelfItem& item) {
            for (const ItemVersion& version : item.allVersions()) {
                EXPECT_TRUE(FileSystem::exists(version.fileURL.path().value())) << item.id;
            }
        };
        for (const auto& [id, item] : store.items()) check(item);
        for (const auto& [id, record] : store.hiddenItems()) check(record.item);
        itemsSeen += store.items().size() + store.hiddenItems().size();
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GT(itemsSeen, 0u) << "no kill came after a write";
}

}  // namespace
}  // namespace brimly
