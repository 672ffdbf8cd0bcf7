#include "core/store/Source.h"

namespace brimly::Sources {

std::string_view rawValue(Source source) {
    switch (source) {
        case Source::scratchpad:
            return "scratchpad";
        case Source::transcript:
            return "transcript";
        case Source::chrome:
            return "chrome";
        case Source::folder:
            return "folder";
    }
    return "folder";
}

std::optional<Source> fromRawValue(std::string_view raw) {
    for (Source source : allCases) {
        if (rawValue(source) == raw) return source;
    }
    return std::nullopt;
}

}  // namespace brimly::Sources
