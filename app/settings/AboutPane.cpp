#include "app/settings/AboutPane.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "app/settings/AppIcon.h"

namespace brimly {

namespace {

QString link(const std::string& address, const QString& title) {
    return "<a href=\"" + QString::fromStdString(address).toHtmlEscaped() + "\">" + title.toHtmlEscaped() +
           "</a>";
}

}  // namespace

AboutPane::AboutPane(SettingsContext& context, QWidget* parent) : FormPane(context, "About", parent) {
    const AboutInfo& about = context.about;
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon::icon().pixmap(64, 64));
    addWide(icon);
    auto* name = new QLabel("Brimly", this);
    QFont font = name->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    name->setFont(font);
    addWide(name);
    addHelp("Version " + QString::fromStdString(about.version))->setObjectName("aboutVersion");
    if (!about.notice.empty()) addHelp(QString::fromStdString(about.notice))->setObjectName("aboutNotice");

    QStringList links;
    if (!about.websiteUrl.empty()) links << link(about.websiteUrl, "Website");
    if (!about.changelogUrl.empty()) links << link(about.changelogUrl, "Change Log");
    if (!about.feedbackAddress.empty()) links << link("mailto:" + about.feedbackAddress, "Send Feedback…");
    if (!links.isEmpty()) {
        beginSection("Links");
        for (const QString& text : links) {
            auto* label = new QLabel(text, this);
            label->setOpenExternalLinks(true);
            label->setTextInteractionFlags(Qt::TextBrowserInteraction);
            addWide(label);
        }
    }

    beginSection("Updates");
    if (context.checkForUpdates) {
        auto* check = new QPushButton("Check for Updates…", this);
        check->setObjectName("checkForUpdates");
        connect(check, &QPushButton::clicked, this, [this] { this->context().checkForUpdates(); });
        addWide(check);
    }
    addToggle("autoCheckUpdates", "Automatically check for updates", {}, &Preferences::autoCheckUpdates);
    endSection();

    QString explanation =
        "Counts a few milestones, such as the first item on the shelf, and how many items arrive each day. "
        "Never prompts, file names or images.";
    addToggle("shareUsage", "Share anonymous usage", explanation, &Preferences::shareUsage);
    if (!about.privacyUrl.empty()) {
        auto* privacy = new QLabel(link(about.privacyUrl, "What is sent, in full"), this);
        privacy->setOpenExternalLinks(true);
        addWide(privacy);
    }
    addStretch();
}

}  // namespace brimly
