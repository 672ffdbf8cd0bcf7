#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/update/UpdateFeed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view document(reinterpret_cast<const char*>(data), size);
    if (auto feed = brimly::UpdateFeed::parse(document, size % 2 == 0)) {
        feed->offer(1, {14, 0, 0}, std::nullopt, false);
        feed->notes(0);
    }
    brimly::UpdateFeed::releaseURL(document, true);
    brimly::UpdateFeed::publicKey(document);
    return 0;
}
