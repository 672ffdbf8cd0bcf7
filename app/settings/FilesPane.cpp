#include "app/settings/FilesPane.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace brimly {

namespace {

struct KindRow {
    ShelfItemKind kind;
    const char* label;
    const char* help;
};

constexpr KindRow kindRows[] = {
    {ShelfItemKind::image, "Images", "PNG, JPEG, GIF, WebP, HEIC and SVG"},
    {ShelfItemKind::html, "Pages", "HTML files, such as mockups and previews"},
    {ShelfItemKind::pdf, "PDF", ""},
    {ShelfItemKind::document, "Documents", "Word, Excel, PowerPoint, Pages, Numbers and Keynote"},
    {ShelfItemKind::video, "Video", "MP4, MOV and WebM"},
    {ShelfItemKind::audio, "Audio", "MP3, WAV and M4A"},
    {ShelfItemKind::artifact, "Artifacts", "Published artifacts\nThe pages Claude publishes on its web app."},
};

QString joined(const std::vector<std::string>& extensions) {
    QStringList parts;
    for (const auto& extension : extensions) parts << QString::fromStdString(extension);
    return parts.join(", ");
}

}  // namespace

FilesPane::FilesPane(SettingsContext& context, QWidget* parent) : FormPane(context, "Files", parent) {
    beginSection("Show these file types");
    for (const KindRow& row : kindRows) {
        QCheckBox* toggle = addCheckBox(
            "fileTypes:" + QString::fromUtf8(ShelfItemKinds::rawValue(row.kind).data()), row.label, row.help);
        ShelfItemKind kind = row.kind;
        connect(toggle, &QCheckBox::toggled, this, [this, kind](bool on) {
            edit([&](Preferences& next) {
                if (on) {
                    next.fileKinds.insert(kind);
                } else {
                    next.fileKinds.erase(kind);
                }
            });
        });
        onRefresh([toggle, kind](const Preferences& now) {
            QSignalBlocker blocker(toggle);
            toggle->setChecked(now.fileKinds.contains(kind));
        });
    }
    endSection();

    auto* extensions = new QLineEdit(this);
    extensions->setObjectName("extraExtensions");
    extensions->setPlaceholderText("md, csv");
    extensions->setMinimumWidth(200);
    addRow("Extra extensions", "Adds more file types to the shelf by extension, separated by commas.",
           extensions);
    connect(extensions, &QLineEdit::editingFinished, this, [this, extensions] {
        auto parsed = Preferences::parseExtensions(extensions->text().toStdString());
        edit([&](Preferences& next) { next.extraExtensions = parsed; });
        // What was kept, in its normal form, even when nothing changed.
        extensions->setText(joined(prefs().extraExtensions));
    });
    onRefresh([extensions](const Preferences& now) {
        if (!extensions->hasFocus()) extensions->setText(joined(now.extraExtensions));
    });

    addToggle("outsideProjectOnly", "Skip files from the project folder",
              "Images Claude reads and Artifacts it publishes from files already in your project.",
              &Preferences::outsideProjectOnly);
    addStretch();
}

}  // namespace brimly
