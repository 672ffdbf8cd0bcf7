#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brimly {

// The global hot key as a passive key grab on the root window, on a connection of its own so that it works
// whatever toolkit owns the main connection. It lives on the main thread: the event loop watches
// `fileDescriptor()` and calls `dispatch()` when it is readable.
class X11HotKey {
public:
    enum class Refusal { taken, noKey, failed };

    // Absent when no server answers; `why` (when given) then says why.
    static std::unique_ptr<X11HotKey> open(const std::string& displayName, std::string* why);
    ~X11HotKey();
    X11HotKey(const X11HotKey&) = delete;
    X11HotKey& operator=(const X11HotKey&) = delete;

    // Replaces an earlier grab. The combination is grabbed with and without NumLock and CapsLock, so a lit
    // lock does not disable it; a refusal keeps nothing grabbed. `taken`: another client holds it.
    std::optional<Refusal> grab(std::uint32_t keysym, std::uint16_t xModifiers);
    void release();
    int fileDescriptor() const;
    // Drains what the server sent and calls the handler once per press of the grabbed combination, never for
    // auto-repeat. What arrived while `grab` waited for the server stays queued without making the
    // descriptor readable, so the owner also calls this after each `grab`.
    void dispatch();
    void setOnPressed(std::function<void()> onPressed);

private:
    struct Connection;
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };

    explicit X11HotKey(std::unique_ptr<Connection> connection);
    bool isBroken() const;
    std::uint16_t numLockMask() const;
    void ungrab(const std::vector<Grab>& grabs);
    void handle(std::uint8_t type, std::uint8_t keycode, std::uint16_t state, std::uint32_t time);

    std::unique_ptr<Connection> m_connection;
    std::function<void()> m_onPressed;
    std::vector<Grab> m_grabs;
    std::uint16_t m_modifiers = 0;
    std::uint16_t m_ignoredModifiers = 0;
    bool m_held = false;
    std::optional<std::uint32_t> m_lastRelease;
};

}  // namespace brimly
