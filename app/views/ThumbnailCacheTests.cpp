#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "app/views/ThumbnailCache.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

void runUntil(const std::function<bool()>& done) {
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(10000);
    while (!done() && guard.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    ASSERT_TRUE(done()) << "the decoders did not finish";
}

class ThumbnailCacheTest : public ::testing::Test {
protected:
    std::string picture(const std::string& name, int width) {
        return dir.write(name, testing::TestImages::png(width, 90));
    }
    testing::TempDir dir;
};

TEST_F(ThumbnailCacheTest, DecodesOffTheMainThreadAndDeliversOnIt) {
    std::atomic<int> onMain = 0;
    std::atomic<int> decodes = 0;
    QThread* main = QThread::currentThread();
    ThumbnailCache cache({.onDecode = [&] {
        ++decodes;
        if (QThread::currentThread() == main) ++onMain;
    }});
    cache.setSize({40, 30});
    std::vector<std::string> loaded;
    cache.setOnLoaded([&](const std::string& key) {
        EXPECT_EQ(QThread::currentThread(), main);
        loaded.push_back(key);
    });
    cache.request("a", {picture("a.png", 120)});
    EXPECT_EQ(cache.find("a"), nullptr) << "a request never decodes in the caller";
    runUntil([&] { return cache.pendingCount() == 0; });
    EXPECT_EQ(decodes, 1);
    EXPECT_EQ(onMain, 0);
    EXPECT_EQ(loaded, std::vector<std::string>{"a"});
    ASSERT_NE(cache.find("a"), nullptr);
    EXPECT_EQ(cache.find("a")->size(), QSize(40, 30)) << "cropped to the card";
    cache.request("a", {picture("a.png", 120)});
    EXPECT_EQ(cache.pendingCount(), 0u) << "a decoded key is not decoded again";
}

TEST_F(ThumbnailCacheTest, StaysWithinItsByteBoundDroppingTheLeastRecentlyDrawn) {
    QSize size(50, 40);
    std::size_t each = std::size_t(size.width() * size.height() * 4);
    ThumbnailCache cache({.byteLimit = 3 * each});
    cache.setSize(size);
    for (int i = 0; i < 4; ++i) {
        std::string key = "k" + std::to_string(i);
        cache.request(key, {picture(key + ".png", 100 + i)});
        runUntil([&] { return cache.pendingCount() == 0; });
        EXPECT_LE(cache.bytes(), cache.byteLimit());
        // Drawing k0 each time keeps it recent, so k1 is the one to go.
        cache.find("k0");
    }
    EXPECT_EQ(cache.imageCount(), 3u);
    EXPECT_NE(cache.find("k0"), nullptr);
    EXPECT_EQ(cache.find("k1"), nullptr);
    EXPECT_NE(cache.find("k3"), nullptr);
}

TEST_F(ThumbnailCacheTest, FallsBackToTheNextSourceAndRemembersWhatCannotBeDecoded) {
    ThumbnailCache cache;
    cache.setSize({40, 30});
    std::string broken = dir.write("broken.jpg", "not a picture");
    cache.request("fallback", {dir / "missing.jpg", broken, picture("ok.png", 80)});
    cache.request("none", {broken});
    runUntil([&] { return cache.pendingCount() == 0; });
    EXPECT_NE(cache.find("fallback"), nullptr);
    EXPECT_EQ(cache.find("none"), nullptr);
    EXPECT_TRUE(cache.isKnown("none")) << "a failed decode is not asked for again";
    EXPECT_EQ(cache.bytes(), std::size_t(40 * 30 * 4));
}

TEST_F(ThumbnailCacheTest, ImagesDecodedForAnEarlierSizeAreDropped) {
    // One decoder answers in order, so "a" has answered once "b" has.
    ThumbnailCache cache({.threads = 1});
    cache.setSize({40, 30});
    cache.request("a", {picture("a.png", 120)});
    cache.setSize({60, 45});
    cache.request("b", {picture("b.png", 120)});
    runUntil([&] { return cache.find("b") != nullptr; });
    EXPECT_EQ(cache.find("a"), nullptr);
    EXPECT_EQ(cache.find("b")->size(), QSize(60, 45));
    EXPECT_EQ(cache.bytes(), std::size_t(60 * 45 * 4));
}

}  // namespace
}  // namespace brimly
