#pragma once

#include <string>
#include <variant>

#include "core/base/Url.h"
#include "core/engine/ArtifactInfo.h"

namespace brimly {

// What a candidate carries. Large inline content (a screenshot's Base64 text, decoded bytes) is moved in
// and out, never copied on the way to ingest.
struct Payload {
    // A file on disk; ingest reads and copies its bytes.
    struct File {
        Url url;
        bool operator==(const File&) const = default;
    };
    // Content already in memory, stored under `fileExtension`.
    struct Bytes {
        std::string data;
        std::string fileExtension;
        bool operator==(const Bytes&) const = default;
    };
    // The Base64 text of an image embedded in a transcript, decoded only by ingest.
    struct Base64 {
        std::string text;
        std::string fileExtension;
        bool operator==(const Base64&) const = default;
    };
    // A published page: an address and possibly a local source file.
    struct Artifact {
        ArtifactInfo info;
        bool operator==(const Artifact&) const = default;
    };

    std::variant<File, Bytes, Base64, Artifact> value;

    bool operator==(const Payload&) const = default;
};

}  // namespace brimly
