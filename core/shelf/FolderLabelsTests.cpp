#include <gtest/gtest.h>

#include "core/shelf/FolderLabels.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly {
namespace {

using testing::makeSession;

Session folder(const std::string& path) { return makeSession("folder:" + path, 1, path); }

std::vector<std::optional<std::string>> agentNames(const std::vector<Session>& sessions) {
    std::vector<std::optional<std::string>> names;
    for (const auto& session : sessions) names.push_back(session.agentName);
    return names;
}

TEST(FolderLabelsTest, GrowsLabelsUntilFoldersWithOneNameDiffer) {
    const std::string sep = "\u203a";
    using Names = std::vector<std::optional<std::string>>;
    // clang-format off
    const std::tuple<const char*, std::vector<Session>, Names> cases[] = {
        {"one watched folder", {folder("/a/docs"), makeSession("s", 1, "/b/docs")}, {std::nullopt, std::nullopt}},
        {"different names", {folder("/a/docs"), folder("/b/site")}, {std::nullopt, std::nullopt}},
        {"two levels", {folder("/a/site/docs"), folder("/b/app/docs")}, {"site " + sep + " docs", "app " + sep + " docs"}},
        {"three levels", {folder("/x/a/docs"), folder("/y/a/docs"), folder("/notes")}, {"x " + sep + " a " + sep + " docs", "y " + sep + " a " + sep + " docs", std::nullopt}},
        {"shorter path keeps what it has", {folder("/docs"), folder("/w/docs")}, {std::nullopt, "w " + sep + " docs"}},
        {"identical paths grow to the depth limit", {folder("/a/docs"), folder("/a/docs")}, {"a " + sep + " docs", "a " + sep + " docs"}},
    };
    // clang-format on
    for (const auto& [name, sessions, expected] : cases) {
        auto labelled = FolderLabels::applied(sessions);
        EXPECT_EQ(agentNames(labelled), expected) << name;
        ASSERT_EQ(labelled.size(), sessions.size());
        for (std::size_t i = 0; i < labelled.size(); ++i) EXPECT_EQ(labelled[i].id, sessions[i].id) << name;
    }
}

TEST(FolderLabelsTest, NonFolderSessionsAreUntouched) {
    Session claude = makeSession("s", 1, "/a/docs");
    claude.agentName = "helper";
    auto labelled = FolderLabels::applied({claude, folder("/a/docs"), folder("/b/docs")});
    EXPECT_EQ(labelled[0], claude);
    EXPECT_EQ(labelled[1].name(), "a \u203a docs");
}

}  // namespace
}  // namespace brimly
