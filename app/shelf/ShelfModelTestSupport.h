#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/shelf/HostedShelfEngine.h"
#include "app/shelf/ShelfModel.h"
#include "core/base/ManualQueue.h"
#include "core/config/BrimlyPaths.h"
#include "core/engine/EngineHost.h"
#include "core/engine/EngineProbe.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly::testing {

// A shelf model wired to a real engine over a temporary watched folder, everything on virtual time:
// `advance` moves the clock, the engine's queue and the main queue together.
class ShelfModelTest : public ::testing::Test {
protected:
    ShelfModelTest() : clock(SystemClock::shared().now()) {
        dir.makeDir("watched");
        ShelfModel::Callbacks callbacks{
            .onArrived = [this](const std::vector<ShelfItem>& items) { arrived.push_back(titlesOf(items)); },
        };
        model = std::make_unique<ShelfModel>(main, ShelfCommands{}, ShelfModel::Options{}, callbacks);
    }

    Engine::Config config() {
        Engine::Config result{.paths = BrimlyPaths{.claudeHome = Url::fromPath(dir / "claude"),
                                                   .scratchRoot = Url::fromPath(dir / "scratch"),
                                                   .supportDir = Url::fromPath(dir / "support"),
                                                   .chromeRoot = Url::fromPath(dir / "tmp")}};
        result.watchedFolders = {dir / "watched"};
        return result;
    }

    // Starts an engine, or stops the running one and starts a new one on the same folders, and lets it
    // publish its first snapshot.
    void start() {
        bool restarting = host != nullptr;
        if (restarting) {
            EXPECT_TRUE(host->stop());
            shelfEngine.reset();
            host.reset();
        }
        host = std::make_unique<EngineHost>(config(), clock, queue, main, model->engineHandlers());
        auto engine = std::make_unique<HostedShelfEngine>(*host);
        if (restarting) {
            model->restart(*engine);
        } else {
            model->attach(*engine);
        }
        shelfEngine = std::move(engine);
        host->start(false);
        advance(0.5);
    }

    // A new picture in the watched folder, reported as the watcher would and given time to settle.
    void add(const std::string& name, int width) {
        dir.write("watched/" + name, TestImages::png(width, 40));
        std::string root = BrimlyPaths::canonicalPath(dir / "watched");
        EngineProbe::receive(host->engine(), root, {root + "/" + name});
        advance(0.5);
    }
    // Pictures written while no engine watches, each of its own size, so of its own content.
    void put(const std::vector<std::string>& names) {
        for (const auto& name : names) dir.write("watched/" + name, TestImages::png(nextWidth++, 40));
    }

    void advance(double seconds) {
        while (seconds > 1e-9) {
            double step = std::min(seconds, 0.01);
            clock.advance(step);
            queue.advance(step);
            main.advance(step);
            seconds -= step;
        }
    }

    static std::vector<std::string> titlesOf(const std::vector<ShelfItem>& items) {
        std::vector<std::string> titles;
        for (const auto& item : items) titles.push_back(item.title);
        std::sort(titles.begin(), titles.end());
        return titles;
    }
    // What the drawer lists, in any order.
    std::vector<std::string> shown() const {
        std::vector<ShelfItem> items;
        for (const auto& group : model->groups()) {
            for (const auto& item : group.items()) items.push_back(item);
        }
        return titlesOf(items);
    }
    // What the engine last published.
    std::vector<std::string> published() const { return titlesOf(model->state().snapshot().items); }
    std::vector<std::string> publishedHidden() const { return titlesOf(model->state().snapshot().hidden); }
    const ShelfItem& item(const std::string& title) const {
        const auto& items = model->visibleSnapshot().items;
        auto found =
            std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.title == title; });
        if (found != items.end()) return *found;
        ADD_FAILURE() << "not on the shelf: " << title;
        static const ShelfItem none;
        return none;
    }

    TempDir dir;
    ManualClock clock;
    ManualQueue queue;
    ManualQueue main;
    std::vector<std::vector<std::string>> arrived;
    int nextWidth = 60;
    std::unique_ptr<ShelfModel> model;
    // Last, so that the engine stops before the model, the queues and the folder go.
    std::unique_ptr<EngineHost> host;
    std::unique_ptr<HostedShelfEngine> shelfEngine;
};

}  // namespace brimly::testing
