#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/store/StoreIndex.h"

// Whatever decodes must encode to a text that decodes to the same index.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto index = brimly::StoreIndex::decode(text)) {
        auto again = brimly::StoreIndex::decode(index->encode());
        if (!again || again->items != index->items || again->hiddenItems != index->hiddenItems) std::abort();
    }
    if (auto offsets = brimly::OffsetsFile::decode(text)) {
        if (brimly::OffsetsFile::decode(brimly::OffsetsFile::encode(*offsets)) != offsets) std::abort();
    }
    return 0;
}
