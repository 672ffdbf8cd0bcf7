#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/base/Date.h"
#include "core/base/Env.h"
#include "core/base/TimeZone.h"

namespace brimly {

// Moves files into the desktop's Trash the freedesktop way: the home Trash for files on the home volume,
// `$topdir/.Trash-$uid` on any other, an info file claimed first so that two programs never pick the same
// name, and a rename that never replaces anything. A failure leaves the file where it was and no info file
// behind. Nothing is ever copied or unlinked, so a file is either in place or in the Trash.
class Trash {
public:
    enum class Outcome { moved, missing, noTrash, failed };
    struct Result {
        Outcome outcome = Outcome::failed;
        // The file's path inside the Trash's "files" folder, once moved.
        std::string trashedPath;
        std::error_code error;
        bool isMoved() const { return outcome == Outcome::moved; }
    };
    // Stands in for renameat2 with RENAME_NOREPLACE, for faults a test cannot cause for real.
    using Rename = std::function<std::error_code(const std::string& from, const std::string& to)>;
    struct Options {
        std::string homeTrash;
        uid_t uid = 0;
        TimeZone zone = TimeZone::local();
        Rename rename;
    };

    explicit Trash(Options options);

    // $XDG_DATA_HOME/Trash, with ~/.local/share when XDG_DATA_HOME is unset or relative.
    static std::string homeTrashPath(const Environment& env);
    // The name tried on the `attempt`-th try (from 1): "shot.png", "shot.2.png", "shot.3.png"…, shortened
    // where needed so that the info file's name still fits the file system's limit.
    static std::string candidateName(std::string_view name, int attempt);
    // The info file's text; `path` is absolute, or relative to the top folder of the volume's Trash.
    static std::string infoText(std::string_view path, Date deletedAt, TimeZone zone);

    Result moveToTrash(const std::string& path, Date now) const;

private:
    Result moveInto(const std::string& trash, const std::string& path, const std::string& recordedPath,
                    Date now) const;

    Options m_options;
};

}  // namespace brimly
