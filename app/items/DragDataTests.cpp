#include <gtest/gtest.h>

#include <QMimeData>
#include <memory>
#include <tuple>

#include "app/items/DragData.h"
#include "core/shelf/ShelfTestItems.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::TempDir;

TEST(DragDataTest, CarriesTheFileItsPathAndForImagesThePicture) {
    TempDir dir;
    std::string picture = dir.write("items/my shot.png", testing::TestImages::png(20, 10));
    std::string pdf = dir.write("items/r\xc3\xa9sum\xc3\xa9.pdf", "%PDF-1.4");
    auto item = [](ShelfItemKind kind, const std::string& path) {
        ShelfItem result = testing::ofKind(testing::makeItem("id", "session", 1), kind);
        result.fileURL = Url::fromPath(path);
        return result;
    };
    ShelfItem artifact = testing::ofKind(testing::makeItem("remote", "session", 1), ShelfItemKind::artifact);
    artifact.remoteURL = Url::parse("https://example.com/a");

    // clang-format off
    const std::vector<std::tuple<ShelfItem, QUrl, bool, QString>> cases = {
        // item                                   url                                               image  text
        {item(ShelfItemKind::image, picture),     QUrl::fromLocalFile(QString::fromStdString(picture)), true,  QString::fromStdString(picture)},
        {item(ShelfItemKind::pdf, pdf),           QUrl::fromLocalFile(QString::fromStdString(pdf)),     false, QString::fromStdString(pdf)},
        {artifact,                                QUrl("https://example.com/a"),                        false, "https://example.com/a"},
    };
    // clang-format on
    for (const auto& [shelfItem, url, hasImage, text] : cases) {
        std::unique_ptr<QMimeData> drag(DragData::dragData(shelfItem));
        EXPECT_EQ(drag->urls(), QList<QUrl>{url}) << shelfItem.title;
        EXPECT_TRUE(drag->hasFormat("text/uri-list"));
        EXPECT_EQ(drag->hasImage(), hasImage);
        EXPECT_EQ(drag->hasFormat("application/x-qt-image"), hasImage);
        EXPECT_EQ(QString::fromUtf8(drag->data("text/plain")), text);

        std::unique_ptr<QMimeData> copied(DragData::clipboardData(shelfItem));
        EXPECT_EQ(copied->urls(), QList<QUrl>{url});
        EXPECT_EQ(copied->hasImage(), hasImage);
        EXPECT_FALSE(copied->hasFormat("text/plain")) << "a pasted picture must not turn into its path";
    }

    ShelfItem nothing = testing::makeItem("empty", "session", 1);
    EXPECT_FALSE(DragData::itemUrl(nothing));
}

}  // namespace
}  // namespace brimly
