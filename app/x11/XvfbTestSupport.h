#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/testsupport/TempDir.h"

namespace brimly::testing {

// A plain client of the test server that plays the other parties: applications, the window manager, a
// monitor's driver. It waits for what it expects on its own events, with a generous guard against a wait
// that never ends.
class XClient {
public:
    explicit XClient(const std::string& display) : m_xcb(xcb_connect(display.c_str(), nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_xcb)).data->root;
    }
    ~XClient() { xcb_disconnect(m_xcb); }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    xcb_connection_t* xcb() const { return m_xcb; }
    xcb_window_t root() const { return m_root; }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_xcb, xcb_intern_atom(m_xcb, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }
    // An unmapped top-level window whose property changes and structure this client follows.
    xcb_window_t window(std::int16_t x, std::int16_t y, std::uint16_t width, std::uint16_t height) {
        const xcb_window_t id = xcb_generate_id(m_xcb);
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_create_window(m_xcb, XCB_COPY_FROM_PARENT, id, m_root, x, y, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        sync();
        return id;
    }
    void set(xcb_window_t window, const char* property, xcb_atom_t type, std::vector<std::uint32_t> values) {
        xcb_change_property(m_xcb, XCB_PROP_MODE_REPLACE, window, atom(property), type, 32,
                            static_cast<std::uint32_t>(values.size()), values.data());
        sync();
    }
    std::vector<std::uint32_t> get(xcb_window_t window, const char* property) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_xcb, xcb_get_property(m_xcb, 0, window, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr);
        std::vector<std::uint32_t> values;
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return values;
    }
    void map(xcb_window_t window) {
        xcb_map_window(m_xcb, window);
        sync();
    }
    void followRoot() {
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_xcb, m_root, XCB_CW_EVENT_MASK, &events);
        sync();
    }
    // Checks `done` after each batch of this client's events until it holds; false when the guard ran out.
    bool waitUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || xcb_connection_has_error(m_xcb)) return false;
            pollfd readable{xcb_get_file_descriptor(m_xcb), POLLIN, 0};
            ::poll(&readable, 1, static_cast<int>(left.count()));
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_xcb)) std::free(event);
        }
        return true;
    }
    // A 32-bit client message to the root, as EWMH has clients ask the window manager.
    void sendToRoot(xcb_window_t window, const char* type, std::vector<std::uint32_t> data) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom(type);
        std::copy(data.begin(), data.end(), message.data.data32);
        xcb_send_event(m_xcb, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        sync();
    }
    bool rootLists(const char* property, xcb_window_t window) {
        const std::vector<std::uint32_t> windows = get(m_root, property);
        return std::find(windows.begin(), windows.end(), window) != windows.end();
    }
    // The window's top-level ancestor: its frame once a window manager adopted it.
    xcb_window_t topLevel(xcb_window_t window) {
        for (;;) {
            xcb_query_tree_reply_t* tree =
                xcb_query_tree_reply(m_xcb, xcb_query_tree(m_xcb, window), nullptr);
            const xcb_window_t parent = tree ? tree->parent : m_root;
            std::free(tree);
            if (parent == m_root) return window;
            window = parent;
        }
    }
    // Where the window's top-level ancestor lies among the root's children, bottom first.
    long stackPosition(xcb_window_t window) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_xcb, xcb_query_tree(m_xcb, m_root), nullptr);
        const xcb_window_t* children = xcb_query_tree_children(tree);
        const xcb_window_t* end = children + xcb_query_tree_children_length(tree);
        const long position = std::find(children, end, topLevel(window)) - children;
        std::free(tree);
        return position;
    }
    // A round trip: everything sent before has reached the server.
    void sync() { std::free(xcb_get_input_focus_reply(m_xcb, xcb_get_input_focus(m_xcb), nullptr)); }

private:
    xcb_connection_t* m_xcb;
    xcb_window_t m_root = 0;
};

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

    // Starts openbox and waits until it has finished starting: a window mapped earlier may be lost. Its
    // start-up command marks the root with a property once it runs, after openbox manages the screen.
    bool startOpenbox() {
        XClient watcher(m_display);
        watcher.followRoot();
        const char* mark = "_BRIMLY_TEST_WM_READY";
        const std::string command = std::string("xprop -root -f ") + mark + " 32c -set " + mark + " 1";
        if (!launch({"openbox", "--sm-disable", "--startup", command})) return false;
        return watcher.waitUntil([&] { return !watcher.get(watcher.root(), mark).empty(); });
    }

    static bool isInstalled(const std::string& program) { return !find(program).empty(); }
    static bool canRunOpenbox() { return isInstalled("openbox") && isInstalled("xprop"); }

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

// A test with a private server of its own, skipped where Xvfb is not installed.
class XvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (m_server.isMissing()) GTEST_SKIP() << m_server.problem();
        ASSERT_FALSE(m_server.display().empty()) << m_server.problem();
    }

    XvfbServer m_server;
};

}  // namespace brimly::testing
