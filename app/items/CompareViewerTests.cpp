#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <cmath>
#include <tuple>

#include "app/items/CompareViewer.h"
#include "core/shelf/ShelfTestItems.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::TempDir;

class CompareViewerTest : public ::testing::Test {
protected:
    // An image with `count` versions, the newest current; each of its own size, so the overlay must scale.
    ShelfItem item(int count, const std::string& prefix = "v") {
        ShelfItem result = testing::makeItem("shot", "session", 100);
        for (int i = 0; i < count; ++i) {
            std::string path =
                dir.write(prefix + std::to_string(i) + ".png", testing::TestImages::png(40 + 10 * i, 30));
            ItemVersion version{.fileURL = Url::fromPath(path), .createdAt = 10.0 * i};
            if (i + 1 < count) {
                result.versions.push_back(version);
            } else {
                result.fileURL = version.fileURL;
                result.createdAt = version.createdAt;
            }
        }
        return result;
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&viewer, &event);
    }

    TempDir dir;
    int closed = 0;
    CompareViewer viewer{CompareViewer::Callbacks{.closed = [this] { ++closed; }}};
};

TEST_F(CompareViewerTest, KeysStepAndCycleAsTheNavigationRulesSay) {
    viewer.showItem(item(3));
    EXPECT_EQ(viewer.index(), 2);
    EXPECT_EQ(viewer.mode(), CompareMode::step);

    // clang-format off
    const std::vector<std::tuple<int, Qt::KeyboardModifiers, int, CompareMode, CompareMode>> presses = {
        // key            modifiers           index  mode                     shown
        {Qt::Key_Right,   Qt::NoModifier,     2,     CompareMode::step,       CompareMode::step},
        {Qt::Key_Left,    Qt::NoModifier,     1,     CompareMode::step,       CompareMode::step},
        {Qt::Key_Tab,     Qt::NoModifier,     1,     CompareMode::wipe,       CompareMode::wipe},
        {Qt::Key_Tab,     Qt::NoModifier,     1,     CompareMode::difference, CompareMode::difference},
        {Qt::Key_Tab,     Qt::NoModifier,     1,     CompareMode::step,       CompareMode::step},
        {Qt::Key_Backtab, Qt::ShiftModifier,  1,     CompareMode::difference, CompareMode::difference},
        {Qt::Key_Home,    Qt::NoModifier,     0,     CompareMode::difference, CompareMode::step},
        {Qt::Key_Left,    Qt::NoModifier,     0,     CompareMode::difference, CompareMode::step},
        {Qt::Key_2,       Qt::NoModifier,     0,     CompareMode::wipe,       CompareMode::step},
        {Qt::Key_End,     Qt::NoModifier,     2,     CompareMode::wipe,       CompareMode::wipe},
        {Qt::Key_1,       Qt::NoModifier,     2,     CompareMode::step,       CompareMode::step},
    };
    // clang-format on
    for (const auto& [key, modifiers, index, mode, shown] : presses) {
        press(key, modifiers);
        EXPECT_EQ(viewer.index(), index) << key;
        EXPECT_EQ(viewer.mode(), mode) << key;
        EXPECT_EQ(viewer.shownMode(), shown) << key;
        EXPECT_EQ(viewer.isNothingEarlier(), mode != shown) << key;
    }
    press(Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(closed, 1);
}

TEST_F(CompareViewerTest, ThePointerPicksVersionsAndMovesTheDivider) {
    viewer.showItem(item(4));
    viewer.pickVersion(0, 400);
    EXPECT_EQ(viewer.index(), 0);
    viewer.pickVersion(250, 400);
    EXPECT_EQ(viewer.index(), 2);
    viewer.pickVersion(400, 400);
    EXPECT_EQ(viewer.index(), 3);

    viewer.setMode(CompareMode::wipe);
    viewer.dragWipe(100, 400);
    EXPECT_DOUBLE_EQ(viewer.wipe(), 0.25);
    EXPECT_EQ(viewer.accessibleText(), "Swipe between version 3 and 4, 25 percent");
    viewer.dragWipe(INFINITY, 400);
    EXPECT_DOUBLE_EQ(viewer.wipe(), 0.5);
    viewer.setMode(CompareMode::difference);
    EXPECT_EQ(viewer.accessibleText(), "Difference between version 3 and 4");
}

TEST_F(CompareViewerTest, NewVersionsKeepTheNewestOnScreenOrTheSameFile) {
    ShelfItem three = item(3);
    ShelfItem four = item(4);
    viewer.showItem(three);
    viewer.updateItem(four);
    EXPECT_EQ(viewer.index(), 3) << "the newest was shown, so the new newest is";

    viewer.step(-2);
    ShelfItem trimmed = four;
    trimmed.versions.erase(trimmed.versions.begin());
    viewer.updateItem(trimmed);
    EXPECT_EQ(viewer.index(), 0) << "the same file, now first";
    EXPECT_EQ(viewer.versionCount(), 3);
}

}  // namespace
}  // namespace brimly
