#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Env.h"

namespace brimly {

// Where the running app's control socket lives for `supportFolder`: in $XDG_RUNTIME_DIR when that is an
// absolute folder the user owns and nobody else may write, else in `fallbackRoot`/brimly-<uid> (made 0700 and
// refused when it is a link, foreign or open to others). One socket per support folder, so several shelves
// can run side by side. Nothing when no safe folder exists, with the reason in `why`.
std::optional<std::string> controlSocketPath(const Environment& env, const std::string& supportFolder,
                                             std::string* why = nullptr,
                                             const std::string& fallbackRoot = "/tmp");

// The running app's end of the control socket: a second launch, or `brimly toggle|settings|quit|status`,
// sends one request line and reads the reply until the socket closes. The main thread's event loop watches
// `fileDescriptor()` and calls `acceptReady()` when it is readable; a client that is slow to write holds the
// loop for at most `deadlineMs`.
class ControlServer {
public:
    using Handler = std::function<std::string(std::string_view request)>;
    static constexpr std::size_t maxRequest = 4096;
    static constexpr int deadlineMs = 200;

    // Binds and listens at `path` (mode 0600). A socket left by a crashed instance is replaced; a live one,
    // or anything that is not a socket, is left alone and nothing is returned, with the reason in `why`.
    static std::unique_ptr<ControlServer> listen(const std::string& path, std::string* why = nullptr);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    int fileDescriptor() const { return m_fd; }
    const std::string& path() const { return m_path; }
    // The request is the line without its "\n"; the returned text is sent back whole.
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // Serves every client waiting to be accepted; clients of another user are closed unanswered.
    void acceptReady();

private:
    ControlServer(int fd, std::string path, std::uint64_t device, std::uint64_t inode);

    int m_fd;
    std::string m_path;
    std::uint64_t m_device;
    std::uint64_t m_inode;
    Handler m_handler;
};

// The sending side: one request, one reply, then the connection is closed.
class ControlClient {
public:
    struct Reply {
        enum class Outcome { answered, notRunning, failed };
        Outcome outcome = Outcome::failed;
        // The reply when answered, else why it failed.
        std::string text;
        bool operator==(const Reply&) const = default;
    };

    // `request` must be a single line; "\n" is added. notRunning when no socket is there or nobody listens.
    static Reply send(const std::string& path, std::string_view request, double timeoutSeconds);
};

}  // namespace brimly
