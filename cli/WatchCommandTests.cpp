#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "cli/WatchCommand.h"
#include "core/base/AtomicFile.h"
#include "core/base/Json.h"
#include "core/store/StoreIndex.h"
#include "core/testsupport/FullDisk.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly::cli {
namespace {

using testing::TempDir;

// A Claude home, scratch root and support folder under one temporary folder, and the environment naming them.
struct Home {
    TempDir dir;
    Environment env{{"HOME", dir.path()},
                    {"XDG_CONFIG_HOME", dir / "config"},
                    {"BRIMLY_CLAUDE_HOME", dir / "claude"},
                    {"BRIMLY_SCRATCH_ROOT", dir / "scratch"},
                    {"BRIMLY_SUPPORT_DIR", dir / "support"}};

    Home() {
        dir.makeDir("claude/projects");
        std::filesystem::create_directories(dir / "scratch");
        std::filesystem::permissions(dir / "scratch", std::filesystem::perms::owner_all);
    }
};

// What a command printed to a temporary file.
struct Captured {
    int status;
    std::string text;
};

template <typename Command>
Captured capture(Command command) {
    std::FILE* out = std::tmpfile();
    int status = command(out);
    std::rewind(out);
    std::string text;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, out)) text.append(buffer, got);
    std::fclose(out);
    return {status, text};
}

ShelfItem item(const std::string& id, const std::string& session, Date createdAt, const std::string& title) {
    ShelfItem value{.id = id, .kind = ShelfItemKind::image, .title = title, .sessionID = session};
    value.sourceKinds = {Source::scratchpad};
    value.createdAt = createdAt;
    return value;
}

// Titles and folders come from transcripts and file names: escape sequences in them are printed escaped.
TEST(ListCommandTest, PrintsTheSavedShelfGroupedNewestFirstWithEscapesEscaped) {
    Home home;
    StoreIndex index;
    index.items = {item("a", "s1", 100, "first.png"), item("b", "s2", 300, "second.png"),
                   item("c", "s1", 200, "third.png"), item("d", "s3", 50, "\x1b]0;pwned\x07.png")};
    index.sessions = {Session{.id = "s1", .cwd = "/home/me/chart"},
                      Session{.id = "s2", .cwd = "/home/me/logo"},
                      Session{.id = "s3", .cwd = "/home/me/\x1b[2Jevil"}};
    home.dir.write("support/index.json", index.encode());

    auto all = capture([&](std::FILE* out) { return runList({}, home.env, out); });
    EXPECT_EQ(all.status, 0);
    auto at = [&](const std::string& needle) { return all.text.find(needle); };
    // Headers are the session titles (folder and start) with their counts.
    ASSERT_EQ(all.text.rfind("logo · ", 0), 0u) << all.text;
    EXPECT_LT(at(" (1)\n"), at("second.png"));
    EXPECT_LT(at("second.png"), at("\nchart · "));
    EXPECT_LT(at("\nchart · "), at(" (2)\n"));
    EXPECT_LT(at(" (2)\n"), at("third.png"));
    EXPECT_LT(at("third.png"), at("first.png"));
    EXPECT_NE(at("\\x1b]0;pwned\\x07.png"), std::string::npos) << all.text;
    EXPECT_NE(at("\\x1b[2Jevil"), std::string::npos) << all.text;
    EXPECT_EQ(all.text.find_first_of("\x1b\x07"), std::string::npos) << all.text;

    auto limited = capture([&](std::FILE* out) {
        return runList({"--json", "--limit", "2"}, home.env, out);
    });
    EXPECT_EQ(limited.status, 0);
    std::vector<std::string> ids;
    std::istringstream lines(limited.text);
    for (std::string line; std::getline(lines, line);) {
        auto object = JsonIO::parse(line);
        ASSERT_TRUE(object) << line;
        ids.push_back((*object)["item"]["id"].get<std::string>());
        EXPECT_EQ((*object)["session"]["id"], (*object)["item"]["sessionID"]);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"b", "c"}));
}

TEST(ListCommandTest, ReportsWhatItCannotDo) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* index;  // nullptr: no index file
        int status;
        const char* printed;
    };
    const Case cases[] = {
        {"no index", {}, nullptr, 0, "The shelf is empty (no index at "},
        {"empty index", {}, R"({"items":[],"sessions":[],"prompts":[]})", 0, "The shelf is empty."},
        {"damaged index", {}, R"({"items":[)", 1, ""},
        {"zero limit", {"--limit", "0"}, nullptr, 2, ""},
        {"limit not a number", {"--limit", "5x"}, nullptr, 2, ""},
        {"limit without value", {"--limit"}, nullptr, 2, ""},
        {"unknown option", {"--all"}, nullptr, 2, ""},
    };
    for (const Case& test : cases) {
        Home home;
        if (test.index != nullptr) home.dir.write("support/index.json", test.index);
        auto result = capture([&](std::FILE* out) { return runList(test.arguments, home.env, out); });
        EXPECT_EQ(result.status, test.status) << test.name;
        EXPECT_NE(result.text.find(test.printed), std::string::npos) << test.name << ": " << result.text;
        // A damaged index is only read, never moved aside or rewritten.
        if (test.index != nullptr) {
            EXPECT_EQ(AtomicFile::read(home.dir / "support/index.json"), test.index) << test.name;
        }
    }
}

// Reads what `watch` prints through a pipe, waiting for lines with a deadline that only a failure reaches.
class PipeReader {
public:
    PipeReader() {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        m_read = fds[0];
        m_write = ::fdopen(fds[1], "w");
    }
    ~PipeReader() {
        if (m_write != nullptr) std::fclose(m_write);
        ::close(m_read);
    }
    std::FILE* writer() const { return m_write; }

    // Everything read until a line containing `needle` has arrived, or nothing after 20 s.
    std::optional<std::string> until(const std::string& needle) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (true) {
            auto at = m_text.find(needle);
            if (auto end = m_text.find('\n', at); at != std::string::npos && end != std::string::npos) {
                std::string seen = m_text.substr(0, end + 1);
                m_text.erase(0, end + 1);
                return seen;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd ready{m_read, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[4096];
            ssize_t got = ::read(m_read, buffer, sizeof buffer);
            if (got <= 0) return std::nullopt;
            m_text.append(buffer, static_cast<std::size_t>(got));
        }
    }

private:
    int m_read = -1;
    std::FILE* m_write = nullptr;
    std::string m_text;
};

// `watch` on a thread of its own, stopped with SIGTERM sent to that thread, as Ctrl-C would stop it.
class WatchRun {
public:
    explicit WatchRun(const Environment& env)
        : m_thread([this, env] {
              // Blocked before the thread counts as ready, or an early SIGTERM would end the whole test
              // program.
              sigset_t signals;
              sigemptyset(&signals);
              sigaddset(&signals, SIGINT);
              sigaddset(&signals, SIGTERM);
              pthread_sigmask(SIG_BLOCK, &signals, nullptr);
              m_id = ::pthread_self();
              m_ready = true;
              m_status = runWatch({}, env, m_output.writer(), m_errors.writer());
              m_done = true;
          }) {}
    ~WatchRun() {
        if (m_thread.joinable()) stop();
    }
    PipeReader& output() { return m_output; }
    PipeReader& errors() { return m_errors; }
    int stop() {
        while (!m_ready) std::this_thread::yield();
        if (!m_done) ::pthread_kill(m_id, SIGTERM);
        m_thread.join();
        return m_status;
    }
    // The exit status when the command ended on its own within a few seconds; a run that never ends is
    // stopped, so a regression fails the test instead of hanging it.
    std::optional<int> exited() {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!m_done && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        if (!m_done) {
            stop();
            return std::nullopt;
        }
        m_thread.join();
        return m_status;
    }

private:
    PipeReader m_output;
    PipeReader m_errors;
    pthread_t m_id{};
    std::atomic<bool> m_ready = false;
    std::atomic<bool> m_done = false;
    int m_status = -1;
    std::thread m_thread;
};

TEST(WatchCommandTest, ShowsArrivalsRefusesASecondInstanceAndSavesOnTerm) {
    Home home;
    {
        WatchRun run(home.env);
        ASSERT_TRUE(
            run.output().until("Following Claude Code's transcripts in " + home.dir / "claude/projects"));
        auto first = run.output().until("Nothing yet.");
        ASSERT_TRUE(first);
        EXPECT_NE(first->find("Images, pages and documents Claude makes will appear here."),
                  std::string::npos)
            << *first;

        WatchRun second(home.env);
        EXPECT_EQ(second.exited(), 1) << "a second instance on the same support folder was not refused";

        std::string scratchpad = home.dir.makeDir("scratch/-home-me-app/session-1/scratchpad");
        home.dir.write("stage/shot.png", testing::TestImages::png(64, 48));
        std::filesystem::rename(home.dir / "stage/shot.png", scratchpad + "/shot.png");
        auto arrival = run.output().until("shot.png");
        ASSERT_TRUE(arrival);
        EXPECT_NE(arrival->find("  image  "), std::string::npos) << *arrival;
        EXPECT_NE(arrival->find("[scratchpad]  " + home.dir / "support/items/"), std::string::npos)
            << *arrival;
        EXPECT_EQ(run.stop(), 0);
    }
    // Stopping saved the shelf at once, without waiting for the debounced write.
    auto saved = capture([&](std::FILE* out) { return runList({"--json"}, home.env, out); });
    EXPECT_NE(saved.text.find("\"title\":\"shot.png\""), std::string::npos) << saved.text;

    // Started again, it sums up the saved shelf per session and prints nothing as new.
    WatchRun again(home.env);
    auto summary = again.output().until("app · ");
    ASSERT_TRUE(summary);
    EXPECT_NE(summary->find("1 item on the shelf\n  app · "), std::string::npos) << *summary;
    EXPECT_NE(summary->find(": 1\n"), std::string::npos) << *summary;
    EXPECT_EQ(again.stop(), 0);
}

// A disk that is full from the start: the user hears it while watching, and the exit status says the shelf
// was not saved.
TEST(WatchCommandTest, AShelfThatCannotBeSavedIsReportedAndFailsTheExit) {
    Home home;
    home.dir.write("watched/a.png", testing::TestImages::png(64, 48));
    home.dir.write("config/brimly/preferences.json",
                   R"({"watchedFolders":[")" + home.dir / "watched" + R"("]})");
    std::optional<testing::FullDisk> full(std::in_place, "/index.json");
    WatchRun run(home.env);
    ASSERT_TRUE(run.output().until("a.png")) << "the watched file did not arrive";
    EXPECT_EQ(run.stop(), 1);
    full.reset();
    auto said = run.errors().until("could not be saved in " + home.dir / "support;");
    ASSERT_TRUE(said);
    EXPECT_NE(said->find("No space left on device"), std::string::npos) << *said;
}

TEST(WatchCommandTest, RejectsUnknownOptionsBeforeStarting) {
    Home home;
    auto result = capture([&](std::FILE* out) { return runWatch({"--jsn"}, home.env, out); });
    EXPECT_EQ(result.status, 2);
    EXPECT_FALSE(std::filesystem::exists(home.dir / "support"));
}

}  // namespace
}  // namespace brimly::cli
