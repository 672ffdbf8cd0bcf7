#include "app/x11/X11HotKey.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// xkb.h names a field `explicit`, which C++ reserves; a macro renames it for this one header.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit xkbExplicit
#include <xcb/xkb.h>
#undef explicit
#ifdef __clang__
#pragma clang diagnostic pop
#endif

#include <cstdlib>

#include "app/x11/X11Display.h"

namespace brimly {
namespace {

constexpr xcb_keysym_t numLockKeysym = 0xff7f;
constexpr std::uint8_t sentEventBit = 0x80;
constexpr std::uint16_t keyModifierBits = 0xff;

template <typename Reply>
struct FreeDeleter {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply>
using Owned = std::unique_ptr<Reply, FreeDeleter<Reply>>;

std::vector<xcb_keycode_t> keycodesFor(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    std::vector<xcb_keycode_t> keycodes;
    Owned<xcb_keycode_t> list(xcb_key_symbols_get_keycode(symbols, keysym));
    for (const xcb_keycode_t* code = list.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        keycodes.push_back(*code);
    }
    return keycodes;
}

}  // namespace

struct X11HotKey::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
    xcb_key_symbols_t* symbols = nullptr;
    // With it the server sends no release between auto-repeated presses, so a held key is one press.
    bool detectableAutoRepeat = false;

    explicit Connection(xcb_connection_t* connection) : xcb(connection) {}
    ~Connection() {
        if (symbols) xcb_key_symbols_free(symbols);
        xcb_disconnect(xcb);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
};

std::unique_ptr<X11HotKey> X11HotKey::open(const std::string& displayName, std::string* why) {
    int screenNumber = 0;
    auto connection = std::make_unique<Connection>(
        xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber));
    if (const int error = xcb_connection_has_error(connection->xcb)) {
        if (why) *why = X11Display::connectionProblem(error, displayName);
        return nullptr;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection->xcb));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) {
        if (why) *why = X11Display::connectionProblem(XCB_CONN_CLOSED_INVALID_SCREEN, displayName);
        return nullptr;
    }
    connection->root = screens.data->root;
    connection->symbols = xcb_key_symbols_alloc(connection->xcb);

    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(connection->xcb, &xcb_xkb_id);
    if (xkb && xkb->present) {
        Owned<xcb_xkb_use_extension_reply_t> used(xcb_xkb_use_extension_reply(
            connection->xcb,
            xcb_xkb_use_extension(connection->xcb, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
        if (used && used->supported) {
            constexpr std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
            Owned<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
                connection->xcb,
                xcb_xkb_per_client_flags(connection->xcb, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
                nullptr));
            connection->detectableAutoRepeat = flags && (flags->value & flag);
        }
    }
    return std::unique_ptr<X11HotKey>(new X11HotKey(std::move(connection)));
}

X11HotKey::X11HotKey(std::unique_ptr<Connection> connection) : m_connection(std::move(connection)) {}

X11HotKey::~X11HotKey() {
    // The grabs are given back and confirmed before the connection closes: the server notices a closed
    // connection only later, and a program that takes the same shortcut at once (the next instance) would be
    // refused until then.
    if (!isBroken()) release();
}

bool X11HotKey::isBroken() const { return xcb_connection_has_error(m_connection->xcb) != 0; }

// The modifier bit NumLock sits on differs between keyboard maps, so it is read from the server.
std::uint16_t X11HotKey::numLockMask() const {
    const std::vector<xcb_keycode_t> numLock = keycodesFor(m_connection->symbols, numLockKeysym);
    Owned<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
        m_connection->xcb, xcb_get_modifier_mapping(m_connection->xcb), nullptr));
    if (!mapping || numLock.empty()) return 0;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            for (const xcb_keycode_t candidate : numLock) {
                if (keycode != 0 && keycode == candidate) return static_cast<std::uint16_t>(1U << modifier);
            }
        }
    }
    return 0;
}

std::optional<X11HotKey::Refusal> X11HotKey::grab(std::uint32_t keysym, std::uint16_t xModifiers) {
    release();
    if (isBroken()) return Refusal::failed;
    const std::vector<xcb_keycode_t> keycodes = keycodesFor(m_connection->symbols, keysym);
    if (keycodes.empty()) return Refusal::noKey;
    const std::uint16_t numLock = numLockMask();
    std::vector<std::uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (numLock != 0) {
        variants.push_back(numLock);
        variants.push_back(static_cast<std::uint16_t>(numLock | XCB_MOD_MASK_LOCK));
    }

    std::vector<Grab> attempts;
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t keycode : keycodes) {
        for (const std::uint16_t variant : variants) {
            const auto modifiers = static_cast<std::uint16_t>(xModifiers | variant);
            attempts.push_back({keycode, modifiers});
            cookies.push_back(xcb_grab_key_checked(m_connection->xcb, 1, m_connection->root, modifiers,
                                                   keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    std::optional<Refusal> refusal;
    for (const xcb_void_cookie_t cookie : cookies) {
        Owned<xcb_generic_error_t> error(xcb_request_check(m_connection->xcb, cookie));
        if (error && !refusal) refusal = error->error_code == XCB_ACCESS ? Refusal::taken : Refusal::failed;
    }
    // A broken connection answers every check with no error.
    if (isBroken()) return Refusal::failed;
    if (refusal) {
        ungrab(attempts);
        return refusal;
    }
    m_grabs = std::move(attempts);
    m_modifiers = xModifiers;
    m_ignoredModifiers = static_cast<std::uint16_t>(numLock | XCB_MOD_MASK_LOCK);
    return std::nullopt;
}

void X11HotKey::ungrab(const std::vector<Grab>& grabs) {
    for (const Grab& grab : grabs) {
        xcb_ungrab_key(m_connection->xcb, grab.keycode, m_connection->root, grab.modifiers);
    }
    // Waited for, so that once this returns another program (or the next instance) can take the keys: the
    // server serves each connection in its own order.
    if (!grabs.empty()) {
        std::free(
            xcb_get_input_focus_reply(m_connection->xcb, xcb_get_input_focus(m_connection->xcb), nullptr));
    }
}

void X11HotKey::release() {
    ungrab(m_grabs);
    m_grabs.clear();
    m_held = false;
    m_lastRelease.reset();
}

int X11HotKey::fileDescriptor() const { return xcb_get_file_descriptor(m_connection->xcb); }

void X11HotKey::setOnPressed(std::function<void()> onPressed) { m_onPressed = std::move(onPressed); }

void X11HotKey::dispatch() {
    while (Owned<xcb_generic_event_t> event{xcb_poll_for_event(m_connection->xcb)}) {
        const auto type = static_cast<std::uint8_t>(event->response_type & ~sentEventBit);
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event.get());
            handle(type, key->detail, key->state, key->time);
        } else if (type == XCB_MAPPING_NOTIFY) {
            xcb_refresh_keyboard_mapping(m_connection->symbols,
                                         reinterpret_cast<xcb_mapping_notify_event_t*>(event.get()));
        }
    }
}

void X11HotKey::handle(std::uint8_t type, std::uint8_t keycode, std::uint16_t state, std::uint32_t time) {
    bool ours = false;
    for (const Grab& grab : m_grabs) ours = ours || grab.keycode == keycode;
    if (!ours) return;
    if (type == XCB_KEY_RELEASE) {
        m_held = false;
        m_lastRelease = time;
        return;
    }
    if ((state & keyModifierBits & ~m_ignoredModifiers) != m_modifiers) return;
    // Without detectable auto-repeat a held key repeats as release and press with one timestamp.
    const bool repeat = m_held || (!m_connection->detectableAutoRepeat && m_lastRelease == time);
    m_held = true;
    if (!repeat && m_onPressed) m_onPressed();
}

}  // namespace brimly
