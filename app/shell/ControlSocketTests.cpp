#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <future>
#include <thread>

#include "app/shell/ControlSocket.h"
#include "core/base/AtomicFile.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using Outcome = ControlClient::Reply::Outcome;

// Connects to `path`; or binds it and closes at once, leaving the socket file of a listener that crashed.
int rawSocket(const std::string& path, bool leaveStale = false) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const auto* raw = reinterpret_cast<const sockaddr*>(&address);
    EXPECT_EQ(leaveStale ? ::bind(fd, raw, sizeof address) : ::connect(fd, raw, sizeof address), 0) << path;
    if (leaveStale) ::close(fd);
    return fd;
}

// Drives a server the way the app's event loop does, on a thread of its own, until it goes away.
class Serving {
public:
    explicit Serving(ControlServer& server)
        : m_server(server), m_thread([this] {
              pollfd listening{m_server.fileDescriptor(), POLLIN, 0};
              while (!m_stopping && ::poll(&listening, 1, -1) == 1) m_server.acceptReady();
          }) {}
    // A last client wakes the loop to see that it is to stop.
    ~Serving() {
        m_stopping = true;
        ::close(rawSocket(m_server.path()));
        m_thread.join();
    }

private:
    ControlServer& m_server;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
};

TEST(ControlSocketTest, PathIsInAPrivateRuntimeFolderElseInAPrivateFolderOfTheUsersOwn) {
    testing::TempDir dir;
    const auto name = [&](const std::string& support) {
        return FileSystem::lastComponent(controlSocketPath({}, support, nullptr, dir.path()).value_or(""));
    };
    EXPECT_EQ(name("/a").size(), std::string("brimly-0123456789ab.sock").size()) << name("/a");
    EXPECT_NE(name("/a"), name("/b")) << "each shelf has its own socket";
    const std::string own = dir.makeDir("run"), shared = dir.makeDir("shared"),
                      deep = dir.makeDir(std::string(90, 'd'));
    for (const auto& [folder, mode] : {std::pair{own, 0700U}, {shared, 0770U}, {deep, 0700U}})
        ::chmod(folder.c_str(), mode);
    ASSERT_EQ(::symlink(own.c_str(), (dir / "linked").c_str()), 0);
    const std::string root = dir.makeDir("tmp"),
                      fallback = root + "/brimly-" + std::to_string(FileSystem::userID());
    // clang-format off
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {own,             own},
        {std::nullopt,    fallback},
        {"run",           fallback},  // relative
        {shared,          fallback},  // group-writable
        {deep,            fallback},  // the socket's path would not fit sun_path
        {dir / "linked",  fallback},
        {dir / "missing", fallback},
    };
    // clang-format on
    for (const auto& [runtime, folder] : cases) {
        Environment env;
        if (runtime) env["XDG_RUNTIME_DIR"] = *runtime;
        std::string why;
        EXPECT_EQ(controlSocketPath(env, "/a", &why, root).value_or(why), folder + "/" + name("/a"));
    }
    EXPECT_EQ(FileSystem::info(fallback)->mode, 0700u);
    std::string why;
    EXPECT_FALSE(controlSocketPath({}, "/a", &why, dir.makeDir(std::string(100, 'r'))));
    EXPECT_NE(why.find("too long"), std::string::npos) << why;

    // The fallback folder is refused unless it is a private folder of the user's.
    const std::string mine = "brimly-" + std::to_string(FileSystem::userID());
    // clang-format off
    const std::pair<std::function<void(const testing::TempDir&)>, std::string> refusals[] = {
        {[&](auto& at) { ::symlink(at.makeDir("x").c_str(), (at / mine).c_str()); }, "symbolic link"},
        {[&](auto& at) { at.write(mine, "x"); },                                       "not a folder"},
        {[&](auto& at) { ::chmod(at.makeDir(mine).c_str(), 0750); },                   "open to other users"},
        {[&](auto& at) { ::chmod(at.makeDir(mine).c_str(), 0703); },                   "open to other users"},
        {[&](auto& at) { ::chown(at.makeDir(mine).c_str(), 65534, 0); },               "another user"},  // as root
    };
    // clang-format on
    for (const auto& [make, refusal] : refusals) {
        if (refusal == "another user" && FileSystem::userID() != 0) continue;
        testing::TempDir at;
        make(at);
        EXPECT_FALSE(controlSocketPath({}, "/a", &why, at.path()));
        EXPECT_NE(why.find(refusal), std::string::npos) << why;
    }
}

TEST(ControlSocketTest, RequestsAreAnsweredAndOnlyAStaleSocketIsReplaced) {
    testing::TempDir dir;
    const std::string path = dir / "c.sock";
    std::string why;
    for (const std::string& nobody : {path, dir / "no/folder.sock", dir.write("file.sock", "x")})
        EXPECT_EQ(ControlClient::send(nobody, "status", 5).outcome, Outcome::notRunning) << nobody;
    rawSocket(path, true);
    EXPECT_EQ(ControlClient::send(path, "status", 5).outcome, Outcome::notRunning) << "a stale socket";
    auto first = ControlServer::listen(path, &why);
    ASSERT_TRUE(first) << why;
    EXPECT_EQ(FileSystem::info(path)->mode, 0600u);
    first->setHandler([](std::string_view request) { return "got:" + std::string(request); });
    const std::string longest(ControlServer::maxRequest - 1, 'x');
    // clang-format off
    const std::pair<std::string, ControlClient::Reply> cases[] = {
        {"status --json",           {Outcome::answered, "got:status --json"}},
        {"",                        {Outcome::answered, "got:"}},
        {longest,                   {Outcome::answered, "got:" + longest}},
        {longest + "x",             {Outcome::failed,   ""}},
        {std::string(1 << 20, 'x'), {Outcome::failed,   ""}},
        {"two\nlines",              {Outcome::failed,   ""}},
    };
    // clang-format on
    {
        Serving serving(*first);
        for (const auto& [request, expected] : cases) {
            const auto reply = ControlClient::send(path, request, 5);
            EXPECT_EQ(reply.outcome, expected.outcome) << request.size() << ": " << reply.text;
            // A failure says why.
            EXPECT_TRUE(expected.outcome == Outcome::answered ? reply.text == expected.text
                                                              : !reply.text.empty());
        }
    }
    const auto inode = FileSystem::info(path)->inode;
    EXPECT_FALSE(ControlServer::listen(path, &why));
    EXPECT_NE(why.find("already"), std::string::npos) << why;
    EXPECT_EQ(FileSystem::info(path)->inode, inode);

    // A later instance that took the first for dead owns the path now; the first's exit must leave it.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    auto second = ControlServer::listen(path);
    ASSERT_TRUE(second);
    second->setHandler([](std::string_view) { return std::string("second"); });
    first.reset();
    {
        Serving serving(*second);
        EXPECT_EQ(ControlClient::send(path, "status", 5).text, "second");
    }
    second.reset();
    EXPECT_FALSE(FileSystem::exists(path));

    const std::string file = dir.write("plain", "keep me");
    EXPECT_FALSE(ControlServer::listen(file, &why));
    EXPECT_NE(why.find("not a socket"), std::string::npos) << why;
    EXPECT_EQ(AtomicFile::read(file), "keep me");
}

TEST(ControlSocketTest, ClientThatNeverWritesDoesNotHoldTheLoopOrOthers) {
    testing::TempDir dir;
    auto server = ControlServer::listen(dir / "c.sock");
    ASSERT_TRUE(server);
    server->setHandler([](std::string_view request) { return "got:" + std::string(request); });
    // Both wait in the backlog, the silent one first, as the event loop would find them.
    const int silent = rawSocket(server->path()), prompt = rawSocket(server->path());
    ASSERT_EQ(::write(prompt, "status\n", 7), 7);
    const auto started = std::chrono::steady_clock::now();
    auto served = std::async(std::launch::async, [&] { server->acceptReady(); });
    const bool returned = served.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    const auto elapsed = std::chrono::steady_clock::now() - started;
    if (!returned) ::shutdown(silent, SHUT_RDWR);  // frees a stuck server: the test fails instead of hanging
    served.wait();
    ASSERT_TRUE(returned) << "acceptReady waited on the silent client";
    EXPECT_LT(elapsed, std::chrono::milliseconds(ControlServer::deadlineMs * 4));
    for (const auto& [fd, answer] : {std::pair{prompt, "got:status"}, {silent, ""}}) {
        std::string text;
        char buffer[256];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(got));
        ::close(fd);
        EXPECT_EQ(text, answer) << "the silent one is closed without an answer";
    }
}

TEST(ControlSocketTest, AnotherUsersRequestIsRefused) {
    if (FileSystem::userID() != 0) GTEST_SKIP() << "needs root to connect as another user";
    testing::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    auto server = ControlServer::listen(dir / "c.sock");
    ASSERT_TRUE(server);
    ::chmod(server->path().c_str(), 0666);  // only the peer check stands in the way now
    int handled = 0;
    server->setHandler([&](std::string_view) { return std::to_string(++handled); });
    // No thread runs yet, so the child may do anything after fork.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(ControlClient::send(dir / "c.sock", "quit", 5).outcome == Outcome::failed ? 0 : 1);
    }
    pollfd listening{server->fileDescriptor(), POLLIN, 0};
    ASSERT_EQ(::poll(&listening, 1, 5000), 1);
    server->acceptReady();
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(handled, 0);
}

}  // namespace
}  // namespace brimly
