#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

namespace brimly {

// Turns termination signals into a call on the main thread's event loop. The handler only writes the signal
// number into a pipe (safe in a signal handler, whatever thread receives it); the loop reads it. Signals are
// not blocked, so programs the app starts (the file opener) keep their normal signal handling.
class SignalNotifier final : public QObject {
public:
    using Handler = std::function<void(int signal)>;

    SignalNotifier(std::initializer_list<int> signals, Handler handler);
    ~SignalNotifier() override;

private:
    void readPending();

    Handler m_handler;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace brimly
