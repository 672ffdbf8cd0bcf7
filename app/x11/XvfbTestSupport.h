#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/testsupport/TempDir.h"

namespace brimly::testing {

// A private Xvfb server for one test suite. Xvfb picks a free display itself and writes its number to a
// pipe once it accepts connections, so tests never guess a display or sleep while it starts.
class XvfbServer {
public:
    XvfbServer() {
        const std::string binary = findXvfb();
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

    void stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_display.clear();
    }

private:
    static std::string findXvfb() {
        const char* path = std::getenv("PATH");
        std::istringstream folders(path ? path : "/usr/bin");
        for (std::string folder; std::getline(folders, folder, ':');) {
            const std::string candidate = folder + "/Xvfb";
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        return {};
    }

    TempDir m_dir;
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_problem;
    bool m_missing = false;
};

}  // namespace brimly::testing
