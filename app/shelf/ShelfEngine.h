#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace brimly {

// The engine as the shelf model reaches it: removals, unhiding, seen marks and the final stop. Each call
// returns at once; the engine answers with a new snapshot. Narrow so that the model does not care whether
// the engine runs in this process's queue, on virtual time in a test, or somewhere else.
class ShelfEngine {
public:
    using Done = std::function<void(bool saved)>;

    virtual ~ShelfEngine() = default;

    virtual void hide(std::vector<std::string> ids) = 0;
    virtual void unhide(std::vector<std::string> ids) = 0;
    virtual void remove(std::vector<std::string> ids) = 0;
    // Removes every item and hidden item except those in `sparing`.
    virtual void deleteAll(std::set<std::string> sparing) = 0;
    virtual void markSeen(std::vector<std::string> ids) = 0;
    // Blocks until the store is on disk; true when it was saved.
    [[nodiscard]] virtual bool stop() = 0;
    // Returns at once; `done` runs on the main queue once the store is on disk or could not be written.
    virtual void stopAsync(Done done) = 0;
};

}  // namespace brimly
