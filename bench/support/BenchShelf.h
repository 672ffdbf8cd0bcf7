#pragma once

#include <functional>
#include <string>

#include "core/store/StoreIndex.h"

namespace brimly::bench {

struct ShelfShape {
    int items = 5000;
    int sessions = 300;
    int prompts = 3000;
    Date start = 780'000'000;
};

// Session n of a generated shelf, and the project folder its transcript lives in.
std::string sessionID(int n);
std::string projectFolder(int n);

// Writes a support folder like a busy month's: "index.json" (after `adjust`, when given), and an empty file
// for every copy it names. Sessions are spread over 20 project folders; the index's last run is 40 days
// after `shape.start`.
StoreIndex writeShelf(const std::string& supportDir, const ShelfShape& shape,
                      const std::function<void(StoreIndex&)>& adjust = {});

}  // namespace brimly::bench
