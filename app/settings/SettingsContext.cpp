#include "app/settings/SettingsContext.h"

#include <QFileDialog>

#include "app/shell/BuildInfo.h"

namespace brimly {

AboutInfo AboutInfo::fromBuild() {
    return AboutInfo{
        .version = BuildInfo::version,
        .notice = BuildInfo::notice,
        .websiteUrl = BuildInfo::websiteUrl,
        .changelogUrl = BuildInfo::changelogUrl,
        .feedbackAddress = BuildInfo::feedbackAddress,
        .privacyUrl = BuildInfo::privacyUrl,
    };
}

SettingsContext::FolderChooser SettingsContext::dialogChooser() {
    return
        [](QWidget* parent, const QString& title, const QString& acceptLabel) -> std::optional<std::string> {
            // Qt's own dialog: a desktop's native one may ignore the accept label.
            QFileDialog dialog(parent, title);
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
            dialog.setLabelText(QFileDialog::Accept, acceptLabel);
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
            return dialog.selectedFiles().front().toStdString();
        };
}

}  // namespace brimly
