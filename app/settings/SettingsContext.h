#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "app/shell/AppSettings.h"
#include "core/base/Env.h"

class QWidget;

namespace brimly {

// The build's values the About pane shows; an empty one leaves its row out.
struct AboutInfo {
    std::string version;
    std::string notice;
    std::string websiteUrl;
    std::string changelogUrl;
    std::string feedbackAddress;
    std::string privacyUrl;

    static AboutInfo fromBuild();
};

// What every pane and the welcome window work with: the settings they edit, the environment whose
// overrides they name, and the few things the program around them does for them.
struct SettingsContext {
    // Asks for a folder: nothing when the user cancelled. Tests answer it without a dialog.
    using FolderChooser = std::function<std::optional<std::string>(QWidget* parent, const QString& title,
                                                                   const QString& acceptLabel)>;

    AppSettings& settings;
    Environment env;
    AboutInfo about = AboutInfo::fromBuild();
    FolderChooser chooseFolder = dialogChooser();
    std::function<void()> quit;
    // Empty when the build has no update feed.
    std::function<void()> checkForUpdates;

    // A folder dialog whose accept button reads `acceptLabel`.
    static FolderChooser dialogChooser();
};

}  // namespace brimly
