#include "app/items/ItemOpener.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include "app/items/DragData.h"
#include "core/base/Log.h"
#include "core/platform/FileSystem.h"

#ifdef BRIMLY_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace brimly {

namespace {

const Log logger("items");

std::optional<std::string> existingOriginal(const ShelfItem& item) {
    if (item.sourcePath && FileSystem::exists(*item.sourcePath)) return item.sourcePath;
    return std::nullopt;
}

QUrl fileUrl(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

void openUrl(const QUrl& url) {
    if (!QDesktopServices::openUrl(url))
        logger.error("no program opens {}", Log::priv(url.toString().toStdString()));
}

void openFolderOf(const std::string& file) { openUrl(fileUrl(FileSystem::parentPath(file))); }

}  // namespace

std::optional<QUrl> ItemOpener::openTarget(const ShelfItem& item) {
    if (item.kind == ShelfItemKind::html) {
        if (auto original = existingOriginal(item)) return fileUrl(*original);
    }
    return DragData::itemUrl(item);
}

std::optional<std::string> ItemOpener::shownFile(const ShelfItem& item) {
    if (auto original = existingOriginal(item)) return original;
    return DragData::itemFile(item);
}

void ItemOpener::open(const ShelfItem& item) {
    if (auto url = openTarget(item)) openUrl(*url);
}

void ItemOpener::showInFiles(const ShelfItem& item) {
    auto file = shownFile(item);
    if (!file) return;
#ifdef BRIMLY_HAVE_QTDBUS
    // The file manager that owns this name selects the file in its folder; without one, the folder opens.
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{fileUrl(*file).toString(QUrl::FullyEncoded)} << QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 3000));
        std::string folderOf = *file;
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [folderOf](QDBusPendingCallWatcher* done) {
                             if (done->isError()) openFolderOf(folderOf);
                             done->deleteLater();
                         });
        return;
    }
#endif
    openFolderOf(*file);
}

void ItemOpener::copy(const ShelfItem& item) {
    if (!DragData::itemUrl(item)) return;
    QGuiApplication::clipboard()->setMimeData(DragData::clipboardData(item));
}

void ItemOpener::copyPath(const ShelfItem& item) {
    if (auto file = shownFile(item)) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(*file));
    } else if (item.remoteURL) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(item.remoteURL->string()));
    }
}

}  // namespace brimly
