#include "bench/support/BenchShelf.h"

#include <filesystem>
#include <random>

#include "core/base/AtomicFile.h"

namespace brimly::bench {

namespace {
std::string hex(std::mt19937_64& random) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int index = 0; index < 64; ++index) text.push_back(digits[random() % 16]);
    return text;
}

void touch(const std::string& path) {
    if (AtomicFile::write(path, "")) throw std::runtime_error("cannot write " + path);
}
}  // namespace

std::string sessionID(int n) { return "session-" + std::to_string(n); }
std::string projectFolder(int n) { return "-home-user-projects-project-" + std::to_string(n % 20); }

StoreIndex writeShelf(const std::string& supportDir, const ShelfShape& shape,
                      const std::function<void(StoreIndex&)>& adjust) {
    std::filesystem::create_directories(supportDir + "/items");
    std::filesystem::create_directories(supportDir + "/thumbs");
    std::mt19937_64 random(42);
    StoreIndex index;
    index.lastRunAt = shape.start + 40 * 86400;
    for (int number = 0; number < shape.sessions; ++number) {
        Session session;
        session.id = sessionID(number);
        session.slug = projectFolder(number);
        session.cwd = "/home/user/projects/project-" + std::to_string(number % 20);
        session.branch = "main";
        session.startedAt = shape.start + number * 8000.0;
        session.lastActive = session.startedAt + 3600;
        session.aiTitle = "Fix the flaky upload test " + std::to_string(number);
        index.sessions.push_back(std::move(session));
    }
    for (int number = 0; number < shape.prompts; ++number) {
        int session = number % shape.sessions;
        index.prompts.push_back({"prompt-" + std::to_string(number), sessionID(session),
                                 shape.start + session * 8000.0 + (number / shape.sessions) * 300.0,
                                 "Make the chart's legend readable on dark backgrounds and check it"});
    }
    for (int number = 0; number < shape.items; ++number) {
        ShelfItem item;
        item.id = hex(random);
        item.kind = ShelfItemKind::image;
        std::string copy = supportDir + "/items/" + item.id + ".png";
        touch(copy);
        item.fileURL = Url::fromPath(copy);
        int session = number % shape.sessions;
        item.sourcePath = "/tmp/claude-1000/project/scratchpad/shot-" + std::to_string(number) + ".png";
        item.title = "shot-" + std::to_string(number) + ".png";
        item.sessionID = sessionID(session);
        if (number % 2 == 0) item.promptID = "prompt-" + std::to_string(number % shape.prompts);
        item.sourceKinds = {Source::scratchpad, Source::transcript};
        item.createdAt = shape.start + session * 8000.0 + (number / shape.sessions) * 200.0;
        if (number % 3 == 0) item.seenAt = item.createdAt + 60;
        item.width = 1920;
        item.height = 1080;
        item.captureID = "toolu_" + std::to_string(number);
        if (number % 10 == 0) {
            std::string earlier = supportDir + "/items/" + hex(random) + ".png";
            touch(earlier);
            item.versions.push_back({Url::fromPath(earlier), item.createdAt - 100, std::nullopt, 1920, 1080});
        }
        index.items.push_back(std::move(item));
    }
    if (adjust) adjust(index);
    if (AtomicFile::write(supportDir + "/index.json", index.encode()))
        throw std::runtime_error("index not written");
    return index;
}

}  // namespace brimly::bench
