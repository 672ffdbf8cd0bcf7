#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/testsupport/TempDir.h"

namespace brimly::testing {

// A private Xvfb server for one test suite. Xvfb picks a free display itself and writes its number to a
// pipe once it accepts connections, so tests never guess a display or sleep while it starts. It can also run
// a window manager and other X clients, which stop with it.
class XvfbServer {
public:
    // `extraArgs` go to Xvfb as they are, e.g. {"-extension", "RANDR"} for a server without RandR.
    explicit XvfbServer(std::vector<std::string> extraArgs = {}) {
        const std::string binary = find("Xvfb");
        if (binary.empty()) {
            m_problem = "Xvfb is not installed";
            m_missing = true;
            return;
        }
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            m_problem = "no pipe for Xvfb";
            return;
        }
        const std::string log = m_dir / "xvfb.log";
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args{binary,     "-displayfd", fd,  "-nolisten", "tcp",
                                      "-noreset", "-screen",    "0", "640x480x24"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            // A test program that dies takes its server along.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::fcntl(fds[1], F_SETFD, 0);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        pollfd ready{fds[0], POLLIN, 0};
        // The timeout only guards against a server that never comes up.
        while (::poll(&ready, 1, 30000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (c != '\n' || number.empty()) {
            std::ostringstream text;
            text << std::ifstream(log).rdbuf();
            m_problem = "Xvfb did not start: " + text.str();
            stop();
            return;
        }
        m_display = ":" + number;
    }
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Empty when the server is not running; `problem()` then says why.
    const std::string& display() const { return m_display; }
    const std::string& problem() const { return m_problem; }
    bool isMissing() const { return m_missing; }

    // Starts `argv` (looked up in PATH) as a client of this server; false when it cannot be started.
    bool launch(const std::vector<std::string>& argv) {
        if (m_display.empty() || argv.empty() || find(argv[0]).empty()) return false;
        std::vector<std::string> args = argv;
        args[0] = find(argv[0]);
        std::vector<char*> pointers;
        for (auto& arg : args) pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        const std::string log = m_dir / (argv[0] + ".log");
        const std::string home = m_dir.path();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::setenv("DISPLAY", m_display.c_str(), 1);
            // Clients write their caches and settings here rather than in the user's home.
            ::setenv("HOME", home.c_str(), 1);
            ::setenv("XDG_CACHE_HOME", home.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::execv(pointers[0], pointers.data());
            ::_exit(127);
        }
        if (pid > 0) m_clients.push_back(pid);
        return pid > 0;
    }

    // Starts openbox and waits until it manages the screen, which it announces with the EWMH check
    // window on the root.
    bool startOpenbox() {
        if (!launch({"openbox", "--sm-disable"})) return false;
        xcb_connection_t* xcb = xcb_connect(m_display.c_str(), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(xcb, root, XCB_CW_EVENT_MASK, &mask);
        const char* name = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            xcb, xcb_intern_atom(xcb, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t check = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(atom);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool managed = false;
        while (!managed && xcb_connection_has_error(xcb) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            xcb_get_property_reply_t* reply = xcb_get_property_reply(
                xcb, xcb_get_property(xcb, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
            managed = reply && xcb_get_property_value_length(reply) == 4;
            std::free(reply);
            if (managed) break;
            pollfd readable{xcb_get_file_descriptor(xcb), POLLIN, 0};
            ::poll(&readable, 1, 30000);
            while (xcb_generic_event_t* event = xcb_poll_for_event(xcb)) std::free(event);
        }
        xcb_disconnect(xcb);
        return managed;
    }

    static bool isInstalled(const std::string& program) { return !find(program).empty(); }

    void stop() {
        for (const pid_t client : m_clients) {
            ::kill(client, SIGTERM);
            int status = 0;
            ::waitpid(client, &status, 0);
        }
        m_clients.clear();
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_display.clear();
    }

private:
    static std::string find(const std::string& program) {
        const char* path = std::getenv("PATH");
        std::istringstream folders(path ? path : "/usr/bin");
        for (std::string folder; std::getline(folders, folder, ':');) {
            const std::string candidate = folder + "/" + program;
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        return {};
    }

    TempDir m_dir;
    pid_t m_pid = -1;
    std::vector<pid_t> m_clients;
    std::string m_display;
    std::string m_problem;
    bool m_missing = false;
};

}  // namespace brimly::testing
