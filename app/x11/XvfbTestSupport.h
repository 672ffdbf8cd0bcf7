#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/x11/X11Connection.h"
#include "core/base/Geometry.h"
#include "core/testsupport/TempDir.h"

namespace brimly::testing {

// Only guards against a wait that never ends; the awaited thing normally comes within milliseconds.
inline constexpr std::chrono::seconds waitGuard{20};

// For state nobody announces with an event: asks until `done` holds. Each question is a round trip.
inline bool askUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + waitGuard;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
    return true;
}

// Runs the event loop of `subject` (a piece of the glue) the way the app does, waiting for its descriptor
// before each drain, until `done` holds.
template <typename Subject>
bool dispatchUntil(Subject& subject, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + waitGuard;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        pollfd readable{subject.fileDescriptor(), POLLIN, 0};
        if (::poll(&readable, 1, 1000) == 1) subject.dispatch();
    }
    return done();
}

inline bool contains(const std::vector<std::uint32_t>& values, std::uint32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// A plain client of the test server that plays the other parties: applications, the window manager, a
// monitor's driver, a keyboard and a mouse. It follows the root window, so waiting on its events sees the
// window manager's changes; the glue's own connection type gives it atoms, property reads and messages.
class XClient {
public:
    explicit XClient(const std::string& display) : m_connection(X11Connection::open(display, nullptr)) {
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(xcb(), root(), XCB_CW_EVENT_MASK, &events);
        sync();
    }
    X11Connection* operator->() const { return m_connection.get(); }
    xcb_connection_t* xcb() const { return m_connection->xcb(); }
    xcb_window_t root() const { return m_connection->root(); }
    // A round trip: everything sent before has reached the server.
    void sync() { std::free(xcb_get_input_focus_reply(xcb(), xcb_get_input_focus(xcb()), nullptr)); }
    // What `dispatchUntil` needs to wait on this client's events.
    int fileDescriptor() const { return xcb_get_file_descriptor(xcb()); }
    void dispatch() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(xcb())) std::free(event);
    }

    // An unmapped top-level window whose property changes and structure this client follows.
    xcb_window_t window(Rect r = {0, 0, 10, 10}) {
        const xcb_window_t id = xcb_generate_id(xcb());
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_create_window(xcb(), XCB_COPY_FROM_PARENT, id, root(), std::int16_t(r.x), std::int16_t(r.y),
                          std::uint16_t(r.width), std::uint16_t(r.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        sync();
        return id;
    }
    void map(xcb_window_t window) {
        xcb_map_window(xcb(), window);
        sync();
    }
    void set(xcb_window_t window, const char* property, xcb_atom_t type, std::vector<std::uint32_t> values) {
        xcb_change_property(xcb(), XCB_PROP_MODE_REPLACE, window, m_connection->atom(property), type, 32,
                            static_cast<std::uint32_t>(values.size()), values.data());
        sync();
    }
    // The window's top-level ancestor: its frame once a window manager adopted it.
    xcb_window_t topLevel(xcb_window_t window) {
        for (;;) {
            auto* tree = xcb_query_tree_reply(xcb(), xcb_query_tree(xcb(), window), nullptr);
            const xcb_window_t parent = tree ? tree->parent : root();
            std::free(tree);
            if (parent == root()) return window;
            window = parent;
        }
    }
    xcb_query_pointer_reply_t pointer() {
        auto* reply = xcb_query_pointer_reply(xcb(), xcb_query_pointer(xcb(), root()), nullptr);
        const xcb_query_pointer_reply_t copy = reply ? *reply : xcb_query_pointer_reply_t{};
        std::free(reply);
        return copy;
    }
    // Input through XTEST, as a keyboard or a mouse gives it; `detail` is a key, a button, or 1 for a
    // relative motion.
    void fake(std::uint8_t type, int detail, std::int16_t x = 0, std::int16_t y = 0) {
        xcb_test_fake_input(xcb(), type, std::uint8_t(detail), XCB_CURRENT_TIME, root(), x, y, 0);
        sync();
    }
    xcb_keycode_t keycode(xcb_keysym_t keysym) {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(xcb());
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t first = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return first;
    }
    // Presses the keys in order and releases them in reverse, as fingers do.
    void type(std::vector<xcb_keysym_t> chord) {
        for (const auto keysym : chord) fake(XCB_KEY_PRESS, keycode(keysym));
        for (auto it = chord.rbegin(); it != chord.rend(); ++it) fake(XCB_KEY_RELEASE, keycode(*it));
    }

private:
    std::unique_ptr<X11Connection> m_connection;
};

// A private Xvfb server. Xvfb picks a free display itself and writes its number to a pipe once it accepts
// connections, so nothing guesses a display or sleeps while it starts. Clients launched on it stop with it.
class XvfbServer {
public:
    // `extraArgs` go to Xvfb as they are, e.g. {"-extension", "RANDR"} for a server without RandR.
    explicit XvfbServer(std::vector<std::string> extraArgs = {}) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        std::vector<std::string> args{"Xvfb",      "-displayfd", std::to_string(fds[1]),
                                      "-nolisten", "tcp",        "-noreset",
                                      "-screen",   "0",          "640x480x24"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        spawn(args, fds[1]);
        ::close(fds[1]);
        std::string number;
        char c = 0;
        pollfd ready{fds[0], POLLIN, 0};
        while (::poll(&ready, 1, 30000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (c == '\n' && !number.empty()) m_display = ":" + number;
    }
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Empty when the server is not running.
    const std::string& display() const { return m_display; }
    // Starts a client of this server; false when the program is not installed.
    bool launch(const std::vector<std::string>& argv) { return !m_display.empty() && spawn(argv); }
    // Starts openbox and waits until it manages the screen, lest a window mapped earlier be lost: its
    // start-up command marks the root once openbox runs it.
    bool startOpenbox() {
        XClient watcher(m_display);
        const std::string mark = "_BRIMLY_TEST_WM_READY";
        return launch({"openbox", "--sm-disable", "--startup",
                       "xprop -root -f " + mark + " 32c -set " + mark + " 1"}) &&
               dispatchUntil(watcher, [&] { return watcher->value32(watcher.root(), mark).has_value(); });
    }
    void stop() {
        for (auto pid = m_pids.rbegin(); pid != m_pids.rend(); ++pid) {
            ::kill(*pid, SIGTERM);
            ::waitpid(*pid, nullptr, 0);
        }
        m_pids.clear();
        m_display.clear();
    }
    static bool isInstalled(const std::string& program) {
        return std::system(("command -v " + program + " >/dev/null").c_str()) == 0;
    }

private:
    // Runs `args` in a child that dies with the test program, keeping `inherited` open across the exec.
    // Clients write their caches and settings in a folder of the server's rather than in the user's home.
    bool spawn(std::vector<std::string> args, int inherited = -1) {
        if (!isInstalled(args[0])) return false;
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (inherited >= 0) ::fcntl(inherited, F_SETFD, 0);
            for (const char* name : {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
                ::setenv(name, m_dir.path().c_str(), 1);
            ::setenv("DISPLAY", m_display.c_str(), 1);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        if (pid > 0) m_pids.push_back(pid);  // the server first
        return pid > 0;
    }

    TempDir m_dir;
    std::vector<pid_t> m_pids;
    std::string m_display;
};

// A test with a private server of its own, skipped where Xvfb is not installed.
class XvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XvfbServer::isInstalled("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_FALSE(m_server.display().empty()) << "Xvfb did not start";
    }
    static bool canRunOpenbox() {
        return XvfbServer::isInstalled("openbox") && XvfbServer::isInstalled("xprop");
    }

    XvfbServer m_server;
};

}  // namespace brimly::testing
