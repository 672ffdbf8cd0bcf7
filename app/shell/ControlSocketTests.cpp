#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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

std::string echo(std::string_view request) { return "got:" + std::string(request); }

mode_t modeOf(const std::string& path) {
    auto info = FileSystem::info(path);
    return info ? info->mode : 07777;
}

int connectedSocket(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    return fd;
}

// A socket file whose listener died without removing it, as after a crash.
void leaveStaleSocket(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

std::string readToEnd(int fd) {
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    return text;
}

// Drives a server the way the app's event loop does, on a thread of its own, until it goes away.
class Serving {
public:
    explicit Serving(ControlServer& server) : m_server(server) {
        EXPECT_EQ(::pipe(m_stop), 0);
        m_thread = std::thread([this] {
            for (;;) {
                pollfd fds[] = {{m_server.fileDescriptor(), POLLIN, 0}, {m_stop[0], POLLIN, 0}};
                if (::poll(fds, 2, -1) < 0 || fds[1].revents != 0) return;
                m_server.acceptReady();
            }
        });
    }
    ~Serving() {
        EXPECT_EQ(::write(m_stop[1], "x", 1), 1);
        m_thread.join();
        ::close(m_stop[0]);
        ::close(m_stop[1]);
    }

private:
    ControlServer& m_server;
    int m_stop[2] = {-1, -1};
    std::thread m_thread;
};

TEST(ControlSocketTest, PathPrefersAPrivateRuntimeFolderAndFallsBackToAFolderOfTheUsersOwn) {
    testing::TempDir dir;
    const std::string support = "/home/u/.local/share/brimly";
    const std::string name = FileSystem::lastComponent(*controlSocketPath({}, support, nullptr, dir.path()));
    EXPECT_EQ(name.size(), std::string("brimly-0123456789ab.sock").size()) << name;
    EXPECT_EQ(FileSystem::lastComponent(*controlSocketPath({}, support + "2", nullptr, dir.path())).size(),
              name.size());
    EXPECT_NE(FileSystem::lastComponent(*controlSocketPath({}, support + "2", nullptr, dir.path())), name)
        << "each shelf has its own socket";

    std::string privateRuntime = dir.makeDir("run");
    ::chmod(privateRuntime.c_str(), 0700);
    std::string sharedRuntime = dir.makeDir("shared");
    ::chmod(sharedRuntime.c_str(), 0770);
    std::string deepRuntime = dir.makeDir(std::string(100, 'd'));
    ::chmod(deepRuntime.c_str(), 0700);
    std::string linkedRuntime = dir / "linked";
    ASSERT_EQ(::symlink(privateRuntime.c_str(), linkedRuntime.c_str()), 0);
    std::string fallbackRoot = dir.makeDir("tmp");
    std::string fallback = fallbackRoot + "/brimly-" + std::to_string(FileSystem::userID());
    struct Case {
        std::optional<std::string> runtime;
        std::string folder;
    };
    // clang-format off
    const Case cases[] = {
        {privateRuntime,  privateRuntime},
        {std::nullopt,    fallback},
        {"run",           fallback},    // relative
        {sharedRuntime,   fallback},    // group-writable
        {deepRuntime,     fallback},    // the socket's path would not fit sun_path
        {linkedRuntime,   fallback},
        {dir / "missing", fallback},
    };
    // clang-format on
    for (const auto& c : cases) {
        Environment env;
        if (c.runtime) env["XDG_RUNTIME_DIR"] = *c.runtime;
        std::string why;
        auto path = controlSocketPath(env, support, &why, fallbackRoot);
        ASSERT_TRUE(path) << c.runtime.value_or("unset") << ": " << why;
        EXPECT_EQ(*path, c.folder + "/" + name) << c.runtime.value_or("unset");
    }
    EXPECT_EQ(modeOf(fallback), 0700u);

    std::string why;
    EXPECT_FALSE(controlSocketPath({}, support, &why, dir.makeDir(std::string(100, 'r'))));
    EXPECT_NE(why.find("too long"), std::string::npos) << why;
}

TEST(ControlSocketTest, FallbackFolderIsRefusedUnlessItIsAPrivateFolderOfTheUser) {
    const std::string own = "brimly-" + std::to_string(FileSystem::userID());
    enum class Make { link, file, openMode, groupReadable, foreign, privateFolder };
    struct Case {
        Make make;
        const char* why;
    };
    // clang-format off
    const Case cases[] = {
        {Make::link,          "symbolic link"},
        {Make::file,          "not a folder"},
        {Make::openMode,      "open to other users"},
        {Make::groupReadable, "open to other users"},
        {Make::foreign,       "another user"},
        {Make::privateFolder, nullptr},
    };
    // clang-format on
    for (const auto& c : cases) {
        testing::TempDir root;
        std::string folder = root / own;
        switch (c.make) {
            case Make::link:
                ::chmod(root.makeDir("elsewhere").c_str(), 0700);
                ASSERT_EQ(::symlink((root / "elsewhere").c_str(), folder.c_str()), 0);
                break;
            case Make::file:
                root.write(own, "x");
                break;
            case Make::openMode:
                ::chmod(root.makeDir(own).c_str(), 0777);
                break;
            case Make::groupReadable:
                ::chmod(root.makeDir(own).c_str(), 0750);
                break;
            case Make::foreign:
                if (FileSystem::userID() != 0) continue;  // only root can give a folder away
                ::chmod(root.makeDir(own).c_str(), 0700);
                ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
                break;
            case Make::privateFolder:
                ::chmod(root.makeDir(own).c_str(), 0700);
                break;
        }
        std::string why;
        auto path = controlSocketPath({}, "/s", &why, root.path());
        if (c.why == nullptr) {
            EXPECT_TRUE(path) << why;
        } else {
            EXPECT_FALSE(path) << *path;
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
        }
    }
}

TEST(ControlSocketTest, RequestsAreAnsweredEndToEndAndOversizedOnesAreDropped) {
    testing::TempDir dir;
    std::string why;
    auto server = ControlServer::listen(dir / "c.sock", &why);
    ASSERT_TRUE(server) << why;
    EXPECT_EQ(modeOf(dir / "c.sock"), 0600u);
    server->setHandler(echo);
    Serving serving(*server);
    struct Case {
        std::string request;
        Outcome outcome;
        std::string text;
    };
    // clang-format off
    const Case cases[] = {
        {"status --json",                                    Outcome::answered, "got:status --json"},
        {"",                                                 Outcome::answered, "got:"},
        {std::string(ControlServer::maxRequest - 1, 'x'),    Outcome::answered, "got:" + std::string(4095, 'x')},
        {std::string(ControlServer::maxRequest, 'x'),        Outcome::failed,   ""},
        {std::string(1 << 20, 'x'),                          Outcome::failed,   ""},
        {"two\nlines",                                       Outcome::failed,   ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        auto reply = ControlClient::send(server->path(), c.request, 5);
        EXPECT_EQ(reply.outcome, c.outcome) << c.request.size() << ": " << reply.text;
        if (c.outcome == Outcome::answered) {
            EXPECT_EQ(reply.text, c.text);
        } else {
            EXPECT_FALSE(reply.text.empty()) << "a failure says why";
        }
    }
}

TEST(ControlSocketTest, NotRunningWhenNothingListens) {
    testing::TempDir dir;
    leaveStaleSocket(dir / "stale.sock");
    dir.write("file.sock", "x");
    for (const std::string& path :
         {dir / "missing.sock", dir / "no/folder.sock", dir / "stale.sock", dir / "file.sock"}) {
        auto reply = ControlClient::send(path, "status", 5);
        EXPECT_EQ(reply.outcome, Outcome::notRunning) << path << ": " << reply.text;
    }
}

TEST(ControlSocketTest, StaleSocketIsReplacedButALiveOneOrAnyOtherFileIsLeftAlone) {
    testing::TempDir dir;
    std::string path = dir / "c.sock";
    leaveStaleSocket(path);
    std::string why;
    auto first = ControlServer::listen(path, &why);
    ASSERT_TRUE(first) << why;
    first->setHandler([](std::string_view) { return std::string("first"); });
    auto inode = FileSystem::info(path)->inode;

    EXPECT_FALSE(ControlServer::listen(path, &why));
    EXPECT_NE(why.find("already"), std::string::npos) << why;
    EXPECT_EQ(FileSystem::info(path)->inode, inode);
    {
        Serving serving(*first);
        EXPECT_EQ(ControlClient::send(path, "status", 5).text, "first");
    }

    std::string file = dir.write("plain", "keep me");
    EXPECT_FALSE(ControlServer::listen(file, &why));
    EXPECT_NE(why.find("not a socket"), std::string::npos) << why;
    EXPECT_EQ(AtomicFile::read(file), "keep me");

    EXPECT_FALSE(ControlServer::listen(dir / std::string(120, 'p'), &why));
    EXPECT_NE(why.find("too long"), std::string::npos) << why;
}

TEST(ControlSocketTest, ServerRemovesOnlyTheSocketItBound) {
    testing::TempDir dir;
    std::string path = dir / "c.sock";
    auto first = ControlServer::listen(path);
    ASSERT_TRUE(first);
    first.reset();
    EXPECT_FALSE(FileSystem::exists(path));
    EXPECT_EQ(ControlClient::send(path, "status", 5).outcome, Outcome::notRunning);

    // A second instance that took the first for dead owns the path now; the first's exit must not break it.
    auto old = ControlServer::listen(path);
    ASSERT_TRUE(old);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    auto current = ControlServer::listen(path);
    ASSERT_TRUE(current);
    current->setHandler(echo);
    old.reset();
    Serving serving(*current);
    EXPECT_EQ(ControlClient::send(path, "ping", 5).text, "got:ping");
}

TEST(ControlSocketTest, ClientThatNeverWritesDoesNotHoldTheLoopOrOthers) {
    testing::TempDir dir;
    auto server = ControlServer::listen(dir / "c.sock");
    ASSERT_TRUE(server);
    server->setHandler(echo);
    // Both wait in the backlog, the silent one first, as the event loop would find them.
    int silent = connectedSocket(server->path());
    int prompt = connectedSocket(server->path());
    ASSERT_EQ(::write(prompt, "status\n", 7), 7);

    auto started = std::chrono::steady_clock::now();
    auto served = std::async(std::launch::async, [&] { server->acceptReady(); });
    bool returned = served.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    auto elapsed = std::chrono::steady_clock::now() - started;
    if (!returned)
        ::shutdown(silent, SHUT_RDWR);  // lets a stuck server go, so the test fails instead of hanging
    served.wait();
    ASSERT_TRUE(returned) << "acceptReady waited on the silent client";
    EXPECT_LT(elapsed, std::chrono::milliseconds(ControlServer::deadlineMs * 4));
    EXPECT_EQ(readToEnd(prompt), "got:status");
    EXPECT_EQ(readToEnd(silent), "") << "closed without an answer";
    ::close(silent);
    ::close(prompt);
}

TEST(ControlSocketTest, AnotherUsersRequestIsRefused) {
    if (FileSystem::userID() != 0) GTEST_SKIP() << "needs root to connect as another user";
    testing::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    auto server = ControlServer::listen(dir / "c.sock");
    ASSERT_TRUE(server);
    ::chmod(server->path().c_str(), 0666);  // only the peer check stands in the way now
    int handled = 0;
    server->setHandler([&](std::string_view request) {
        ++handled;
        return echo(request);
    });
    // No thread is running yet, so the child may do anything after fork.
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        auto reply = ControlClient::send(dir / "c.sock", "quit", 5);
        ::_exit(reply.outcome == Outcome::failed ? 0 : 1);
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
