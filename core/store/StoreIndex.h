#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Date.h"
#include "core/store/FileIdentity.h"
#include "core/store/HiddenRecord.h"
#include "core/store/Prompt.h"
#include "core/store/Session.h"
#include "core/store/ShelfItem.h"

namespace brimly {

// The content of "index.json". Decoding is lenient: an array element that does not decode is dropped and
// the rest kept, and an optional key of the wrong type counts as absent; only a text that is not a JSON
// object, or one without the "items", "sessions" and "prompts" arrays, is unreadable as a whole.
struct StoreIndex {
    static constexpr long currentVersion = 1;

    long version = currentVersion;
    std::optional<Date> lastRunAt;
    std::vector<ShelfItem> items;
    std::vector<Session> sessions;
    std::vector<Prompt> prompts;
    std::vector<std::string> hidden;
    std::vector<HiddenRecord> hiddenItems;
    std::map<std::string, Date> deleted;
    std::map<std::string, Date> deletedPaths;
    std::map<std::string, Date> titleChecks;

    static std::optional<StoreIndex> decode(std::string_view text);
    // The same, but each item goes to `onItem` as soon as it is read instead of into `items`: a reader that
    // keeps items elsewhere never holds the large list twice.
    static std::optional<StoreIndex> decode(std::string_view text,
                                            const std::function<void(ShelfItem&&)>& onItem);
    // The same for the file at `path`; nothing when it cannot be read.
    static std::optional<StoreIndex> decodeFile(const std::string& path,
                                                const std::function<void(ShelfItem&&)>& onItem);
    // Compact JSON with sorted keys.
    std::string encode() const;
    // The three large lists by reference, for a writer that keeps its records elsewhere.
    struct Lists {
        std::vector<const ShelfItem*> items;
        std::vector<const Session*> sessions;
        std::vector<const Prompt*> prompts;
    };
    // The same text handed to `put` a piece at a time, with `lists` in place of `items`, `sessions` and
    // `prompts`: such a writer never holds a copy of its records or the whole text.
    void encode(const Lists& lists, const std::function<void(std::string_view)>& put) const;

    bool operator==(const StoreIndex&) const = default;

    // Reads the fields besides the four lists from `index`, in which the lists may stand empty; false when
    // "items", "sessions" or "prompts" is missing or not an array.
    static bool readSmallFields(const Json& index, StoreIndex& result);
};

// The content of "offsets.json": transcript path -> {"offset", "device", "inode"}, the bytes read and the
// file they were read from. A bare unsigned integer is an offset of unknown file, as older files hold them.
// Entries without an unsigned offset are dropped; a text that is not a JSON object gives nothing.
namespace OffsetsFile {

struct Content {
    std::map<std::string, std::uint64_t> offsets;
    // Only for paths in `offsets` whose file is known.
    std::map<std::string, FileIdentity> identities;

    bool operator==(const Content&) const = default;
};

std::optional<Content> decode(std::string_view text);
std::string encode(const Content& content);

}  // namespace OffsetsFile
}  // namespace brimly
