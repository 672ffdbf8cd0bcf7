#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <thread>

#include "app/shell/ControlSocket.h"
#include "core/base/AtomicFile.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using Outcome = ControlClient::Reply::Outcome;

std::string echo(std::string_view request) { return "got:" + std::string(request); }

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

std::string readToEnd(int fd) {
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return text;
}

// Drives a server the way the app's event loop does, on a thread of its own, until it goes away.
class Serving {
public:
    explicit Serving(ControlServer& server) {
        EXPECT_EQ(::pipe(m_stop), 0);
        m_thread = std::thread([this, &server] {
            pollfd fds[] = {{server.fileDescriptor(), POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            while (::poll(fds, 2, -1) > 0 && fds[1].revents == 0) server.acceptReady();
        });
    }
    ~Serving() {
        EXPECT_EQ(::write(m_stop[1], "x", 1), 1);
        m_thread.join();
        ::close(m_stop[0]);
        ::close(m_stop[1]);
    }

private:
    int m_stop[2] = {-1, -1};
    std::thread m_thread;
};

TEST(ControlSocketTest, PathPrefersAPrivateRuntimeFolderAndFallsBackToAFolderOfTheUsersOwn) {
    testing::TempDir dir;
    auto name = [&](const std::string& support) {
        return FileSystem::lastComponent(controlSocketPath({}, support, nullptr, dir.path()).value_or(""));
    };
    EXPECT_EQ(name("/a").size(), std::string("brimly-0123456789ab.sock").size()) << name("/a");
    EXPECT_NE(name("/a"), name("/b")) << "each shelf has its own socket";

    std::string own = dir.makeDir("run"), shared = dir.makeDir("shared"),
                deep = dir.makeDir(std::string(90, 'd'));
    ::chmod(own.c_str(), 0700);
    ::chmod(shared.c_str(), 0770);
    ::chmod(deep.c_str(), 0700);
    ASSERT_EQ(::symlink(own.c_str(), (dir / "linked").c_str()), 0);
    std::string root = dir.makeDir("tmp");
    std::string fallback = root + "/brimly-" + std::to_string(FileSystem::userID());
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
}

TEST(ControlSocketTest, FallbackFolderIsRefusedUnlessItIsAPrivateFolderOfTheUser) {
    const std::string own = "brimly-" + std::to_string(FileSystem::userID());
    using Make = std::function<void(const testing::TempDir&)>;
    // clang-format off
    const std::pair<Make, std::string> cases[] = {
        {[&](auto& root) { ::symlink(root.makeDir("x").c_str(), (root / own).c_str()); }, "symbolic link"},
        {[&](auto& root) { root.write(own, "x"); },                                         "not a folder"},
        {[&](auto& root) { ::chmod(root.makeDir(own).c_str(), 0750); },                     "open to other users"},
        {[&](auto& root) { ::chmod(root.makeDir(own).c_str(), 0703); },                     "open to other users"},
        {[&](auto& root) { ::chown(root.makeDir(own).c_str(), 65534, 0); },                 "another user"},
    };
    // clang-format on
    for (const auto& [make, refusal] : cases) {
        if (refusal == "another user" && FileSystem::userID() != 0) continue;  // only root can give it away
        testing::TempDir root;
        make(root);
        std::string why;
        EXPECT_FALSE(controlSocketPath({}, "/a", &why, root.path()));
        EXPECT_NE(why.find(refusal), std::string::npos) << why;
    }
}

TEST(ControlSocketTest, RequestsAreAnsweredEndToEndAndOversizedOnesAreDropped) {
    testing::TempDir dir;
    std::string why;
    auto server = ControlServer::listen(dir / "c.sock", &why);
    ASSERT_TRUE(server) << why;
    EXPECT_EQ(FileSystem::info(dir / "c.sock")->mode, 0600u);
    server->setHandler(echo);
    Serving serving(*server);
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
    for (const auto& [request, expected] : cases) {
        auto reply = ControlClient::send(server->path(), request, 5);
        EXPECT_EQ(reply.outcome, expected.outcome) << request.size() << ": " << reply.text;
        if (expected.outcome == Outcome::answered) {
            EXPECT_EQ(reply.text, expected.text);
        } else {
            EXPECT_NE(reply.text, "") << "a failure says why";
        }
    }
}

TEST(ControlSocketTest, NotRunningWhenNothingListens) {
    testing::TempDir dir;
    rawSocket(dir / "stale.sock", true);
    dir.write("file.sock", "x");
    for (const std::string& path :
         {dir / "none.sock", dir / "no/folder.sock", dir / "stale.sock", dir / "file.sock"}) {
        EXPECT_EQ(ControlClient::send(path, "status", 5).outcome, Outcome::notRunning) << path;
    }
}

TEST(ControlSocketTest, StaleSocketIsReplacedButALiveOneOrAnyOtherFileIsLeftAlone) {
    testing::TempDir dir;
    std::string path = dir / "c.sock", why;
    rawSocket(path, true);
    auto first = ControlServer::listen(path, &why);
    ASSERT_TRUE(first) << why;
    first->setHandler(echo);
    auto inode = FileSystem::info(path)->inode;
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

    std::string file = dir.write("plain", "keep me");
    EXPECT_FALSE(ControlServer::listen(file, &why));
    EXPECT_NE(why.find("not a socket"), std::string::npos) << why;
    EXPECT_EQ(AtomicFile::read(file), "keep me");
}

TEST(ControlSocketTest, ClientThatNeverWritesDoesNotHoldTheLoopOrOthers) {
    testing::TempDir dir;
    auto server = ControlServer::listen(dir / "c.sock");
    ASSERT_TRUE(server);
    server->setHandler(echo);
    // Both wait in the backlog, the silent one first, as the event loop would find them.
    int silent = rawSocket(server->path());
    int prompt = rawSocket(server->path());
    ASSERT_EQ(::write(prompt, "status\n", 7), 7);
    auto started = std::chrono::steady_clock::now();
    auto served = std::async(std::launch::async, [&] { server->acceptReady(); });
    bool returned = served.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    auto elapsed = std::chrono::steady_clock::now() - started;
    if (!returned) ::shutdown(silent, SHUT_RDWR);  // frees a stuck server: the test fails instead of hanging
    served.wait();
    ASSERT_TRUE(returned) << "acceptReady waited on the silent client";
    EXPECT_LT(elapsed, std::chrono::milliseconds(ControlServer::deadlineMs * 4));
    EXPECT_EQ(readToEnd(prompt), "got:status");
    EXPECT_EQ(readToEnd(silent), "") << "closed without an answer";
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
    pid_t child = ::fork();
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
