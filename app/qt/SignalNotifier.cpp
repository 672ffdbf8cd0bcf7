#include "app/qt/SignalNotifier.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <csignal>
#include <cstdint>

namespace brimly {

namespace {
// One pipe for the process: a signal handler cannot find an object.
std::array<int, 2> signalPipe = {-1, -1};

void onSignal(int number) {
    int saved = errno;
    auto byte = static_cast<std::uint8_t>(number);
    // A full pipe already holds a pending signal; losing a repeat of it changes nothing.
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}
}  // namespace

SignalNotifier::SignalNotifier(std::initializer_list<int> signals, Handler handler)
    : m_handler(std::move(handler)) {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { readPending(); });
    for (int number : signals) {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(number, &action, nullptr);
    }
}

SignalNotifier::~SignalNotifier() = default;

void SignalNotifier::readPending() {
    std::uint8_t byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) {
        if (m_handler) m_handler(byte);
    }
}

}  // namespace brimly
