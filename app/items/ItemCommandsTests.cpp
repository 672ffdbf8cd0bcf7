#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <filesystem>
#include <tuple>

#include "app/items/CompareViewer.h"
#include "app/items/ItemCommands.h"
#include "app/items/PreviewWindow.h"
#include "core/base/ManualQueue.h"
#include "core/shelf/ShelfTestItems.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::TempDir;
namespace TestImages = testing::TestImages;
namespace fs = std::filesystem;

class ItemCommandsTest : public ::testing::Test {
protected:
    ItemCommandsTest() {
        commands = std::make_unique<ItemCommands>(
            model, ItemCommands::Options{
                       .supportDir = dir / "support",
                       .preferences = [this] { return prefs; },
                       .homeTrash = dir / "Trash",
                       .open = [this](const ShelfItem& item) { opened.push_back(item.id); },
                       .showInFiles = [this](const ShelfItem& item) { shown.push_back(item.id); },
                   });
    }

    // An image on the shelf: its copy in the store, its original in the work folder, and `versions` earlier
    // versions kept beside the copy.
    ShelfItem image(const std::string& id, int versions = 0, std::optional<std::string> original = {}) {
        ShelfItem item = testing::makeItem(id, "session", 100);
        item.fileURL = Url::fromPath(dir.write("support/items/" + id + ".png", TestImages::png(40, 30)));
        item.sourcePath = original ? *original : dir.write("work/" + id + ".png", TestImages::png(40, 30));
        for (int i = 0; i < versions; ++i) {
            std::string path = dir.write("support/items/" + id + "~" + std::to_string(i) + ".png",
                                         TestImages::png(30 + i, 30));
            item.versions.push_back(ItemVersion{.fileURL = Url::fromPath(path), .createdAt = 50.0 + i});
        }
        return item;
    }

    void show(std::vector<ShelfItem> items) {
        Snapshot snapshot;
        snapshot.items = std::move(items);
        snapshot.sessions = {testing::makeSession("session", 100)};
        snapshot.shelfSize = snapshot.items.size();
        model.receive(snapshot);
    }

    void choose(const ShelfItem& item, const std::string& title) {
        for (const auto& entry : commands->menu(item)) {
            if (entry.title == title) return entry.choose();
        }
        ADD_FAILURE() << "no menu item " << title;
    }

    static std::vector<std::string> titles(const std::vector<MenuItem>& menu) {
        std::vector<std::string> result;
        for (const auto& entry : menu)
            result.push_back(entry.kind == MenuItem::Kind::separator ? "-" : entry.title);
        return result;
    }

    TempDir dir;
    ManualQueue main;
    ShelfModel model{main, ShelfCommands{}, ShelfModel::Options{}, ShelfModel::Callbacks{}};
    Preferences prefs;
    std::vector<std::string> opened;
    std::vector<std::string> shown;
    std::unique_ptr<ItemCommands> commands;
};

TEST_F(ItemCommandsTest, TheMenuOffersCompareOnlyWithVersions) {
    using Titles = std::vector<std::string>;
    EXPECT_EQ(titles(commands->menu(image("plain"))),
              (Titles{"Open", "Show in Files", "Copy", "Copy Path", "-", "Hide", "Delete"}));
    EXPECT_EQ(titles(commands->menu(image("rewritten", 2))),
              (Titles{"Open", "Show in Files", "Copy", "Copy Path", "-", "Compare Versions", "-", "Hide",
                      "Delete"}));

    ShelfItem artifact = testing::ofKind(testing::makeItem("remote", "session", 1), ShelfItemKind::artifact);
    artifact.remoteURL = Url::parse("https://example.com/page");
    auto menu = commands->menu(artifact);
    EXPECT_TRUE(menu[0].enabled);
    EXPECT_FALSE(menu[1].enabled) << "an artifact has no file to show";
}

TEST_F(ItemCommandsTest, MenuActionsReachTheModelAndTheDesktop) {
    ShelfItem first = image("first", 2);
    ShelfItem second = image("second");
    show({first, second});

    choose(first, "Open");
    choose(second, "Show in Files");
    EXPECT_EQ(opened, std::vector<std::string>{"first"});
    EXPECT_EQ(shown, std::vector<std::string>{"second"});

    choose(first, "Compare Versions");
    ASSERT_TRUE(model.compared());
    EXPECT_EQ(model.compared()->id, "first");
    EXPECT_TRUE(commands->compareViewer().isVisible());
    EXPECT_EQ(commands->compareViewer().index(), 2);
    EXPECT_TRUE(model.isBusy());
    commands->compareViewer().close();
    EXPECT_FALSE(model.compared());
    EXPECT_FALSE(model.isBusy());

    choose(first, "Hide");
    EXPECT_EQ(model.pendingUndo(), (PendingUndo{PendingUndo::Hide{first}}));
    choose(second, "Delete");
    EXPECT_EQ(model.pendingUndo(), (PendingUndo{PendingUndo::Delete{{"second"}}}));
    EXPECT_EQ(model.originalPaths().at("second"), *second.sourcePath);
}

TEST_F(ItemCommandsTest, OriginalsGoToTheTrashOnlyOnceADeletionIsCommitted) {
    // clang-format off
    const std::vector<std::tuple<std::string, bool, bool, bool, bool>> cases = {
        // name            deleteOriginals  undone  original in the store  trashed
        {"committed",      true,            false,  false,                 true},
        {"undone",         true,            true,   false,                 false},
        {"setting off",    false,           false,  false,                 false},
        {"store's copy",   true,            false,  true,                  false},
    };
    // clang-format on
    int n = 0;
    for (const auto& [name, deleteOriginals, undone, inStore, trashed] : cases) {
        prefs.deleteOriginals = deleteOriginals;
        std::string id = "item" + std::to_string(n++);
        ShelfItem item =
            image(id, 0, inStore ? std::optional(dir / ("support/items/" + id + ".png")) : std::nullopt);
        show({item});
        choose(item, "Delete");
        EXPECT_TRUE(fs::exists(*item.sourcePath))
            << name << ": nothing moves while the deletion may be undone";
        if (undone) {
            model.undo();
        } else {
            model.commitPending();
        }
        EXPECT_EQ(fs::exists(dir / ("Trash/files/" + id + ".png")), trashed) << name;
        EXPECT_EQ(fs::exists(*item.sourcePath), !trashed) << name;
        EXPECT_TRUE(fs::exists(item.fileURL->filePath())) << name;
    }
}

TEST_F(ItemCommandsTest, ThePreviewCountsAsBusyUntilEscapeClosesIt) {
    ShelfItem item = image("shot");
    commands->open(item);
    EXPECT_TRUE(commands->preview().isVisible());
    EXPECT_EQ(commands->preview().content(), PreviewWindow::Content::image);
    EXPECT_TRUE(model.isBusy());

    QKeyEvent zoomIn(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, "+");
    QCoreApplication::sendEvent(&commands->preview(), &zoomIn);
    EXPECT_DOUBLE_EQ(commands->preview().zoom(), PreviewWindow::zoomStep);

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&commands->preview(), &escape);
    EXPECT_FALSE(commands->preview().isVisible());
    EXPECT_FALSE(model.isBusy());

    ShelfItem page = testing::ofKind(image("notes"), ShelfItemKind::document);
    commands->open(page);
    EXPECT_EQ(commands->preview().content(), PreviewWindow::Content::other);
}

}  // namespace
}  // namespace brimly
