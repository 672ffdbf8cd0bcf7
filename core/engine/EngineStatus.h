#pragma once

#include <string>

namespace brimly {

// A problem the engine met that the user should hear of, or the news that it has passed. Posted to the main
// queue once when the problem starts and once when it ends, so a window or a terminal can show it without
// repeating it for every failed write.
struct EngineStatus {
    enum class Kind {
        supportNotWritable,
        indexNotSaved,
        offsetsNotSaved,
        indexMovedAside,
        watcherFailed,
        captureFailed,
    };
    Kind kind = Kind::indexNotSaved;
    // One sentence for a person: what happened and, where there is one, what to do.
    std::string text;
    bool resolved = false;
    bool operator==(const EngineStatus&) const = default;
};

}  // namespace brimly
