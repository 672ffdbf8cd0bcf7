#include "app/shell/ControlSocket.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "core/base/Crypto.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t maxSocketPath = sizeof(sockaddr_un::sun_path) - 1;
// Enough for any status report; a peer that sends more is not a Brimly.
constexpr std::size_t maxReply = 16 * 1024 * 1024;
// The rest wait in the backlog; the listening socket stays readable, so the event loop comes back for them.
constexpr std::size_t maxClientsPerCall = 32;

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd;
};

std::string errorText(int error) { return std::strerror(error); }

std::optional<sockaddr_un> socketAddress(const std::string& path) {
    if (path.empty() || path.size() > maxSocketPath) return std::nullopt;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

int connectTo(int fd, const sockaddr_un& address) {
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, INT_MAX));
}

// Waits for `events` on a non-blocking fd; 0 when ready, else ETIMEDOUT or the error.
int waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        int wait = remainingMs(deadline);
        if (wait == 0) return ETIMEDOUT;
        pollfd entry{fd, events, 0};
        int ready = ::poll(&entry, 1, wait);
        if (ready > 0) return 0;
        if (ready == 0) return ETIMEDOUT;
        if (errno != EINTR) return errno;
    }
}

// Sends all of `bytes` on a non-blocking socket before `deadline`; 0 or the error.
int sendAll(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno != EAGAIN) return errno;
        if (int error = waitFor(fd, POLLOUT, deadline)) return error;
    }
    return 0;
}

bool isSameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == FileSystem::userID();
}

std::optional<std::string> privateFolder(const std::string& root, std::string* why) {
    std::string folder = FileSystem::join(root, "brimly-" + std::to_string(FileSystem::userID()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        if (why) *why = "cannot create " + folder + ": " + errorText(errno);
        return std::nullopt;
    }
    // Another user may have made the folder first to catch our socket; only one of our own, closed to
    // everybody else, will do.
    const char* refusal = nullptr;
    auto info = FileSystem::info(folder);
    if (!info) {
        refusal = "cannot be read";
    } else if (info->isSymlink()) {
        refusal = "is a symbolic link";
    } else if (!info->isDirectory()) {
        refusal = "is not a folder";
    } else if (info->owner != FileSystem::userID()) {
        refusal = "belongs to another user";
    } else if ((info->mode & 077) != 0) {
        refusal = "is open to other users";
    }
    if (refusal) {
        if (why) *why = folder + " " + refusal + "; the control socket is not put there";
        return std::nullopt;
    }
    return folder;
}

}  // namespace

std::optional<std::string> controlSocketPath(const Environment& env, const std::string& supportFolder,
                                             std::string* why, const std::string& fallbackRoot) {
    std::string name = "brimly-" + Crypto::sha256Hex(supportFolder).substr(0, 12) + ".sock";
    if (auto runtime = Env::string("XDG_RUNTIME_DIR", env);
        runtime && !runtime->empty() && runtime->front() == '/' && FileSystem::isTrustedDirectory(*runtime)) {
        std::string path = FileSystem::join(*runtime, name);
        if (path.size() <= maxSocketPath) return path;
    }
    auto folder = privateFolder(fallbackRoot, why);
    if (!folder) return std::nullopt;
    std::string path = FileSystem::join(*folder, name);
    if (path.size() > maxSocketPath) {
        if (why) *why = "the control socket's path is too long: " + path;
        return std::nullopt;
    }
    return path;
}

ControlServer::ControlServer(int fd, std::string path, std::uint64_t device, std::uint64_t inode)
    : m_fd(fd), m_path(std::move(path)), m_device(device), m_inode(inode) {}

std::unique_ptr<ControlServer> ControlServer::listen(const std::string& path, std::string* why) {
    auto fail = [why](std::string reason) {
        if (why) *why = std::move(reason);
        return std::unique_ptr<ControlServer>();
    };
    auto address = socketAddress(path);
    if (!address) return fail("the control socket's path is too long: " + path);

    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) return fail(path + " is not a socket; it is left alone");
        UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!probe) return fail("cannot make a socket: " + errorText(errno));
        // A full backlog (EAGAIN) means somebody listens too.
        if (connectTo(probe.get(), *address) == 0 || errno == EAGAIN) {
            return fail("another Brimly is already listening on " + path);
        }
        if (errno != ECONNREFUSED) return fail("cannot check " + path + ": " + errorText(errno));
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            return fail("cannot remove the stale socket " + path + ": " + errorText(errno));
        }
    } else if (errno != ENOENT) {
        return fail("cannot check " + path + ": " + errorText(errno));
    }

    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return fail("cannot make a socket: " + errorText(errno));
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
        return fail("cannot bind " + path + ": " + errorText(errno));
    }
    // Nobody can connect before listen(), so the umask's mode is never visible to a client.
    struct stat bound {};
    if (::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &bound) != 0 ||
        ::listen(fd.get(), 16) != 0) {
        int error = errno;
        ::unlink(path.c_str());
        return fail("cannot listen on " + path + ": " + errorText(error));
    }
    return std::unique_ptr<ControlServer>(new ControlServer(fd.release(), path, bound.st_dev, bound.st_ino));
}

ControlServer::~ControlServer() {
    // A later instance may have replaced the file after taking us for dead; its socket is not ours to remove.
    struct stat current {};
    if (::lstat(m_path.c_str(), &current) == 0 && S_ISSOCK(current.st_mode) && current.st_dev == m_device &&
        current.st_ino == m_inode) {
        ::unlink(m_path.c_str());
    }
    ::close(m_fd);
}

void ControlServer::acceptReady() {
    struct Client {
        UniqueFd fd;
        std::string request;
    };
    std::vector<Client> clients;
    while (clients.size() < maxClientsPerCall) {
        UniqueFd fd(::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!fd) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            break;
        }
        if (isSameUser(fd.get())) clients.push_back({std::move(fd), {}});
    }

    enum class Read { pending, complete, dropped };
    auto readFrom = [](Client& client) {
        char buffer[1024];
        for (;;) {
            std::size_t room = maxRequest - client.request.size();
            ssize_t got = ::read(client.fd.get(), buffer, std::min(room, sizeof buffer));
            if (got > 0) {
                client.request.append(buffer, static_cast<std::size_t>(got));
                if (auto newline = client.request.find('\n'); newline != std::string::npos) {
                    client.request.resize(newline);
                    return Read::complete;
                }
                if (client.request.size() >= maxRequest) return Read::dropped;
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            return got < 0 && errno == EAGAIN ? Read::pending : Read::dropped;
        }
    };

    // One deadline for the whole batch: clients are served as their lines arrive, and one that never writes
    // costs the loop no more than a single wait.
    auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    std::vector<pollfd> waiting;
    while (!clients.empty()) {
        waiting.clear();
        for (const auto& client : clients) waiting.push_back({client.fd.get(), POLLIN, 0});
        int wait = remainingMs(deadline);
        if (wait == 0) break;
        int ready = ::poll(waiting.data(), waiting.size(), wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        for (std::size_t index = clients.size(); index-- > 0;) {
            if (waiting[index].revents == 0) continue;
            Read state = readFrom(clients[index]);
            if (state == Read::pending) continue;
            if (state == Read::complete) {
                std::string reply = m_handler ? m_handler(clients[index].request) : std::string();
                (void)sendAll(clients[index].fd.get(), reply,
                              Clock::now() + std::chrono::milliseconds(deadlineMs));
            }
            clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
        }
    }
}

ControlClient::Reply ControlClient::send(const std::string& path, std::string_view request,
                                         double timeoutSeconds) {
    auto failed = [](std::string reason) { return Reply{Reply::Outcome::failed, std::move(reason)}; };
    if (request.find('\n') != std::string_view::npos) return failed("a request is a single line");
    auto address = socketAddress(path);
    if (!address) return failed("the control socket's path is too long: " + path);

    double seconds = std::isfinite(timeoutSeconds) ? std::clamp(timeoutSeconds, 0.001, 86400.0) : 86400.0;
    auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::string waited = fmt::format("no answer from the running Brimly within {:g} s", seconds);

    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) return failed("cannot make a socket: " + errorText(errno));
    // A blocking connect bounded by the send timeout: a full backlog makes a non-blocking one fail at once.
    auto whole = static_cast<long>(seconds);
    timeval limit{whole, static_cast<suseconds_t>((seconds - static_cast<double>(whole)) * 1e6)};
    if (limit.tv_sec == 0 && limit.tv_usec == 0) limit.tv_usec = 1000;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connectTo(fd.get(), *address) != 0) {
        if (errno == ENOENT || errno == ECONNREFUSED) return {Reply::Outcome::notRunning, {}};
        if (errno == EAGAIN || errno == EINPROGRESS) return failed(waited);
        return failed("cannot connect to " + path + ": " + errorText(errno));
    }
    if (::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK) != 0) {
        return failed("cannot use the socket: " + errorText(errno));
    }

    std::string line(request);
    line += '\n';
    if (int error = sendAll(fd.get(), line, deadline)) {
        return failed(error == ETIMEDOUT ? waited
                                         : "the running Brimly refused the request: " + errorText(error));
    }
    std::string reply;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got > 0) {
            reply.append(buffer, static_cast<std::size_t>(got));
            if (reply.size() > maxReply) return failed("the reply is too long");
            continue;
        }
        if (got == 0) return {Reply::Outcome::answered, std::move(reply)};
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return failed("the running Brimly refused the request: " + errorText(errno));
        if (int error = waitFor(fd.get(), POLLIN, deadline)) {
            return failed(error == ETIMEDOUT ? waited : "cannot read the reply: " + errorText(error));
        }
    }
}

}  // namespace brimly
