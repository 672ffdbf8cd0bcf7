#include "core/base/Clock.h"

#include <chrono>

namespace brimly {

Date SystemClock::now() const {
    using namespace std::chrono;
    auto since = duration<double>(system_clock::now().time_since_epoch()).count();
    return dateFromUnix(since);
}

double SystemClock::uptime() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

const SystemClock& SystemClock::shared() {
    static const SystemClock clock;
    return clock;
}

}  // namespace brimly
