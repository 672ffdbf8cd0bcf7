#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "core/base/AtomicFile.h"
#include "core/base/Clock.h"
#include "core/base/Crypto.h"
#include "core/engine/Ingest.h"
#include "core/engine/TranscriptBatch.h"
#include "core/engine/TranscriptTailer.h"
#include "core/platform/FileSystem.h"
#include "core/store/ImageProbe.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::TempDir;
namespace TestImages = testing::TestImages;
using Kind = Ingest::Outcome::Kind;

constexpr Date start = 800'000'000;

// A store in a temporary folder with ingest over it; the clock is moved past the store's launch so that new
// candidates do not predate the run.
struct Fixture {
    TempDir support;
    TempDir files;
    ManualClock clock{start};
    std::unique_ptr<Store> store = std::make_unique<Store>(support.path(), [this] { return clock.now(); });
    Ingest ingest{*store, ItemFilter{}, 30, clock};

    Fixture() { clock.advance(100); }

    Candidate make(Source source, Payload payload, std::optional<std::string> session) {
        Candidate candidate{source, std::move(payload)};
        candidate.sessionID = std::move(session);
        candidate.createdAt = clock.now();
        return candidate;
    }
    Candidate bytes(Source source, std::string data, std::optional<std::string> session = std::nullopt,
                    std::optional<Date> createdAt = std::nullopt) {
        Candidate candidate = make(source, {Payload::Bytes{std::move(data), "png"}}, std::move(session));
        candidate.createdAt = createdAt.value_or(candidate.createdAt);
        return candidate;
    }
    Candidate encoded(std::string base64) {
        return make(Source::transcript, {Payload::Base64{std::move(base64), "png"}}, "s1");
    }
    Candidate file(Source source, const std::string& path,
                   std::optional<std::string> session = std::nullopt) {
        return make(source, {Payload::File{Url::fromPath(path)}}, std::move(session));
    }
    Candidate artifact(ArtifactInfo info) {
        return make(Source::transcript, {Payload::Artifact{std::move(info)}}, "s1");
    }
    // A watched folder "watched" that ingest knows as a root.
    std::string watch() {
        std::string root = files.makeDir("watched");
        ingest.setFolderRoots({root});
        return root;
    }

    const ShelfItem& item(const std::string& id) const { return store->items().at(id); }
};

std::string png(int side) { return TestImages::png(side, side); }

std::string fifo(Fixture& f, const std::string& name) {
    std::string path = f.files / name;
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
}

std::string linkToZero(Fixture& f, const std::string& name) {
    std::string path = f.files / name;
    EXPECT_EQ(::symlink("/dev/zero", path.c_str()), 0);
    return path;
}

// Takes no disk space, however large it claims to be.
std::string sparse(Fixture& f, const std::string& name, off_t size) {
    std::string path = f.files.write(name, "");
    EXPECT_EQ(::truncate(path.c_str(), size), 0);
    return path;
}
std::string key(const std::string& data) { return Crypto::sha256Hex(data); }

TEST(IngestTests, NoSessionAndNoActivityLandsInUnsortedAsScreenshotWithASmallJpegThumbnail) {
    Fixture f;
    std::string picture = TestImages::png(400, 200);
    auto outcome = f.ingest.ingest(f.bytes(Source::chrome, picture));
    ASSERT_EQ(outcome, Ingest::Outcome::added(key(picture)));
    const ShelfItem& item = f.item(outcome.text);
    EXPECT_EQ(item.sessionID, Session::unsortedID);
    EXPECT_EQ(item.title, "Screenshot.png");
    EXPECT_EQ(item.width, 400);
    EXPECT_TRUE(item.isUnread());
    ASSERT_TRUE(item.fileURL);
    EXPECT_EQ(AtomicFile::read(*item.fileURL->path()), picture);
    EXPECT_TRUE(f.store->sessions().count(std::string(Session::unsortedID)));
    auto thumb = ImageSource::open(*f.store->thumbURL(item.id)->path());
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->bytes().substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(ImageProbe::pixelSize(*thumb), (PixelSize{360, 180}));

    // With sessions at work, a sessionless candidate goes to the busiest.
    f.ingest.noteSession({"old", "proj", std::nullopt, std::nullopt, f.clock.now() - 500, std::nullopt});
    f.ingest.noteSession({"busy", "proj", std::nullopt, std::nullopt, f.clock.now() - 10, std::nullopt});
    EXPECT_EQ(f.item(f.ingest.ingest(f.bytes(Source::scratchpad, png(40))).text).sessionID, "busy");
}

// A merge keeps one item with every source kind and the first prompt, takes the source path, moves an
// unsorted item into the transcript's session and keeps the earliest date.
TEST(IngestTests, EqualContentFromTwoSourcesMakesOneItem) {
    Fixture f;
    auto screenshot = f.ingest.ingest(f.bytes(Source::chrome, png(40)));
    ASSERT_EQ(f.item(screenshot.text).sessionID, Session::unsortedID);
    std::string path = f.files.write("shot.png", png(40));
    Candidate read = f.file(Source::transcript, path, "s1");
    read.createdAt -= 50;
    EXPECT_EQ(f.ingest.ingest(read), Ingest::Outcome::merged(screenshot.text));
    const ShelfItem& item = f.item(screenshot.text);
    EXPECT_EQ(item.sourcePath, path);
    EXPECT_EQ(item.sessionID, "s1");
    EXPECT_EQ(item.createdAt, read.createdAt);

    Candidate fromTranscript = f.bytes(Source::transcript, png(41), "s1");
    fromTranscript.promptID = "p1";
    auto first = f.ingest.ingest(fromTranscript);
    ASSERT_EQ(first.kind, Kind::added);
    EXPECT_EQ(f.ingest.ingest(f.bytes(Source::scratchpad, png(41))), Ingest::Outcome::merged(first.text));
    EXPECT_EQ(f.store->items().size(), 2u);
    EXPECT_EQ(f.item(first.text).sourceKinds, (std::set<Source>{Source::transcript, Source::scratchpad}));
    EXPECT_EQ(f.item(first.text).promptID, "p1");
}

TEST(IngestTests, TranscriptBytesEqualToAFolderItemGetTheClaudeSuffix) {
    Fixture f;
    std::string root = f.watch();
    std::string path = f.files.write("watched/a.png", png(40));
    auto folder = f.ingest.ingest(f.file(Source::folder, path));
    ASSERT_EQ(folder, Ingest::Outcome::added(key(png(40))));
    EXPECT_EQ(f.item(folder.text).sessionID, Session::folderID(root));
    EXPECT_EQ(f.store->sessions().at(Session::folderID(root)).cwd, root);

    auto claude = f.ingest.ingest(f.bytes(Source::transcript, png(40), "s1"));
    EXPECT_EQ(claude, Ingest::Outcome::added(key(png(40)) + "~claude"));
    EXPECT_EQ(f.store->items().size(), 2u);
}

TEST(IngestTests, RewrittenImageKeepsTheNewestEarlierStatesAsVersions) {
    Fixture f;
    std::string path = f.files / "shot.png";
    std::vector<std::string> ids;
    for (int side = 40; side < 45; ++side) {
        f.files.write("shot.png", png(side));
        f.clock.advance(5);
        auto outcome = f.ingest.ingest(f.file(Source::scratchpad, path, "s1"));
        ASSERT_EQ(outcome.kind, Kind::added) << outcome.text;
        ids.push_back(outcome.text);
    }
    ASSERT_EQ(f.store->items().size(), 1u);
    const ShelfItem& item = f.item(ids.back());
    ASSERT_EQ(item.versions.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(AtomicFile::read(*item.versions[i].fileURL.path()), png(41 + static_cast<int>(i)));
    }
    EXPECT_EQ(AtomicFile::read(*item.fileURL->path()), png(44));

    // The same path rewritten in another session starts an item of its own.
    f.files.write("shot.png", png(50));
    auto other = f.ingest.ingest(f.file(Source::scratchpad, path, "s2"));
    ASSERT_EQ(other.kind, Kind::added);
    EXPECT_TRUE(f.item(other.text).versions.empty());
    EXPECT_EQ(f.store->items().size(), 2u);
}

TEST(IngestTests, RewritesKeepNoVersionsOfAPdfOrWhenAtMostOneIsShown) {
    struct Case {
        std::string name;
        std::optional<int> shown;
    };
    for (const Case& c : {Case{"report.pdf", std::nullopt}, Case{"shot.png", 0}, Case{"shot.png", 1}}) {
        Fixture f;
        if (c.shown) f.ingest.setVersionsShown(*c.shown);
        std::string last;
        for (int side = 40; side < 43; ++side) {
            f.files.write(c.name,
                          c.shown ? png(side) : "%PDF-1.4\n" + std::string(600, static_cast<char>(side)));
            f.clock.advance(5);
            last = f.ingest.ingest(f.file(Source::scratchpad, f.files / c.name, "s1")).text;
        }
        ASSERT_EQ(f.store->items().size(), 1u) << c.name;
        EXPECT_TRUE(f.item(last).versions.empty()) << c.name;
        EXPECT_EQ(f.item(last).title, c.name);
    }
}

TEST(IngestTests, ARecordingIsCopiedWholeUnderItsContentKey) {
    Fixture f;
    std::string content;
    for (int n = 0; content.size() < 3'000'000; ++n) content += "frame " + std::to_string(n) + "\n";
    std::string path = f.files.write("demo.mp4", content);
    auto outcome = f.ingest.ingest(f.file(Source::scratchpad, path, "s1"));
    ASSERT_EQ(outcome.kind, Kind::added) << outcome.text;
    EXPECT_EQ(outcome.text, key(content));
    EXPECT_EQ(f.item(outcome.text).kind, ShelfItemKind::video);
    EXPECT_EQ(AtomicFile::read(f.item(outcome.text).fileURL->path().value()), content);
    // The same bytes again are the same item.
    EXPECT_EQ(f.ingest.ingest(f.file(Source::scratchpad, path, "s1")).kind, Kind::merged);
}

TEST(IngestTests, RejectionsCopyNothing) {
    struct Case {
        const char* name;
        std::function<Candidate(Fixture&)> make;
        std::string reason;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"beyond retention",    [](Fixture& f) { return f.bytes(Source::transcript, png(40), "s1", f.clock.now() - 31 * 86400); }, "older than retention"},
        {"missing file",        [](Fixture& f) { return f.file(Source::scratchpad, f.files / "gone.png"); }, "unreadable"},
        {"bad base64",          [](Fixture& f) { return f.encoded("!!not base64!!"); },                   "undecodable image"},
        {"missing recording",   [](Fixture& f) { return f.file(Source::scratchpad, f.files / "gone.mp4"); }, "unreadable"},
        {"folder as recording", [](Fixture& f) { return f.file(Source::scratchpad, f.files.makeDir("clip.mp4")); }, "not a regular file"},
        {"pipe as picture",     [](Fixture& f) { return f.file(Source::folder, fifo(f, "shot.png")); },    "not a regular file"},
        {"pipe as recording",   [](Fixture& f) { return f.file(Source::folder, fifo(f, "a.mp4")); },       "not a regular file"},
        {"link to /dev/zero",   [](Fixture& f) { return f.file(Source::folder, linkToZero(f, "shot.png")); }, "not a regular file"},
        {"beyond probe's cap",  [](Fixture& f) { return f.file(Source::folder, sparse(f, "big.png", 1L << 30)); }, "too large"},
        {"tiny image",          [](Fixture& f) { return f.bytes(Source::chrome, png(20)); },               "smaller than 32 px"},
        {"few bytes",           [](Fixture& f) { return f.bytes(Source::chrome, "x"); },                   "under 512 bytes"},
    };
    // clang-format on
    for (const Case& test : cases) {
        Fixture f;
        EXPECT_EQ(f.ingest.ingest(test.make(f)), Ingest::Outcome::rejected(test.reason)) << test.name;
        EXPECT_TRUE(f.store->items().empty()) << test.name;
        EXPECT_TRUE(FileSystem::list(f.support / "items").value_or(std::vector<DirectoryEntry>{}).empty())
            << test.name;
    }
}

// A deleted item's later content is new; a hidden item's path stays refused.
TEST(IngestTests, DeletedOrHiddenItemIsNotReadded) {
    for (bool hide : {false, true}) {
        Fixture f;
        std::string path = f.files.write("read.png", png(40));
        auto first = f.ingest.ingest(f.file(Source::transcript, path, "s1"));
        ASSERT_EQ(first.kind, Kind::added);
        f.clock.advance(10);
        if (hide)
            f.store->hide(first.text);
        else
            ASSERT_EQ(f.store->deleteItems({first.text}), 1);
        auto refused = Ingest::Outcome::rejected(hide ? "hidden from the shelf" : "deleted");
        EXPECT_EQ(f.ingest.ingest(f.file(Source::transcript, path, "s1")), refused);
        EXPECT_TRUE(f.store->items().empty());
        f.clock.advance(10);
        f.files.write("read.png", png(41));
        EXPECT_EQ(f.ingest.ingest(f.file(Source::transcript, path, "s1")),
                  hide ? refused : Ingest::Outcome::added(key(png(41))));
    }
}

// A rename is the same file under a new name; a copy, or the same file again, changes nothing.
TEST(IngestTests, WatchedFolderRenameUpdatesTheOneItemAndACopyLeavesIt) {
    Fixture f;
    f.watch();
    std::string oldPath = f.files.write("watched/before.png", png(40));
    Candidate arrived = f.file(Source::folder, oldPath);
    arrived.arrivedAt = f.clock.now() - 5;
    auto added = f.ingest.ingest(arrived);
    ASSERT_EQ(added.kind, Kind::added);
    EXPECT_EQ(f.item(added.text).createdAt, f.clock.now() - 5);

    std::string newPath = f.files / "watched/after.png";
    ASSERT_EQ(std::rename(oldPath.c_str(), newPath.c_str()), 0);
    EXPECT_EQ(f.ingest.ingest(f.file(Source::folder, newPath)), Ingest::Outcome::updated(added.text));
    ASSERT_EQ(f.store->items().size(), 1u);
    EXPECT_EQ(f.item(added.text).sourcePath, newPath);
    EXPECT_EQ(f.item(added.text).title, "after.png");

    std::string copy = f.files.write("watched/sub/a copy.png", png(40));
    std::int64_t revision = f.store->revision();
    for (const std::string& path : {newPath, copy, newPath, copy}) {
        EXPECT_EQ(f.ingest.ingest(f.file(Source::folder, path)), Ingest::Outcome::merged(added.text)) << path;
    }
    EXPECT_EQ(f.item(added.text).sourcePath, newPath);
    EXPECT_EQ(f.store->revision(), revision);
}

TEST(IngestTests, FolderSessionFollowsTheFilesRealPath) {
    Fixture f;
    std::string root = f.watch();
    std::string target = f.files.write("watched/real.png", png(40));
    std::string link = f.files / "link.png";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    auto outcome = f.ingest.ingest(f.file(Source::folder, link));
    ASSERT_EQ(outcome.kind, Kind::added);
    EXPECT_EQ(f.item(outcome.text).sessionID, Session::folderID(root));
    EXPECT_EQ(f.item(outcome.text).sourcePath, target);
}

TEST(IngestTests, InlineCaptureReadsTheFileItNames) {
    Fixture f;
    std::string path = f.files.write("full.png", png(60));
    Candidate inline_ = f.bytes(Source::transcript, png(40), "s1");
    inline_.readPath = path;
    auto outcome = f.ingest.ingest(inline_);
    ASSERT_EQ(outcome, Ingest::Outcome::added(key(png(60))));
    EXPECT_EQ(f.item(outcome.text).title, "full.png");
    EXPECT_EQ(f.item(outcome.text).sourcePath, path);

    // A name the file system cannot serve as a picture leaves the inline copy, and never holds the engine.
    for (const std::string& readPath : {f.files / "missing.png", fifo(f, "pipe.png"),
                                        linkToZero(f, "zero.png"), sparse(f, "big.png", 1L << 30)}) {
        inline_.readPath = readPath;
        EXPECT_EQ(f.ingest.ingest(inline_).text, key(png(40))) << readPath;
    }
}

TEST(IngestTests, CaptureSeenByTwoSourcesWithinTwoMinutesIsOneItem) {
    struct Case {
        double apart;
        bool same;
    };
    for (Case test : {Case{30, true}, Case{-100, true}, Case{200, false}}) {
        Fixture f;
        auto chrome = f.ingest.ingest(f.bytes(Source::chrome, png(40)));
        Candidate transcript = f.encoded(Crypto::base64Encode(png(40)));
        transcript.captureID = "toolu_1";
        transcript.createdAt += test.apart;
        auto outcome = f.ingest.ingest(transcript);
        if (test.same) {
            EXPECT_EQ(outcome, Ingest::Outcome::merged(chrome.text)) << test.apart;
            EXPECT_EQ(f.item(chrome.text).captureID, "toolu_1");
        } else {
            EXPECT_EQ(outcome,
                      Ingest::Outcome::added(key(png(40)) + "~" + Crypto::sha256Hex("toolu_1").substr(0, 16)))
                << test.apart;
        }
    }
}

TEST(IngestTests, CatchingUpOnOldTranscriptsMarksItemsSeen) {
    Fixture f;
    EXPECT_EQ(f.item(f.ingest.ingest(f.bytes(Source::transcript, png(40), "s1", start - 3600)).text).seenAt,
              start - 3600);
    EXPECT_TRUE(f.item(f.ingest.ingest(f.bytes(Source::transcript, png(41), "s1")).text).isUnread());
}

std::string page(const std::string& head) {
    return "<html><head>" + head + "</head><body>" + std::string(600, 'x') + "</body></html>";
}

TEST(IngestTests, ArtifactTitleIsTheGivenOneElseThePagesElseTheFileName) {
    struct Case {
        std::optional<std::string> title;
        std::optional<std::string> html;
        std::string expected;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {std::nullopt, page("<title>Plan</title>"),    "Plan"},
        {std::nullopt, page(""),                       "plan.html"},
        {"Given",      page("<title>Ignored</title>"), "Given"},
        {std::nullopt, std::nullopt,                   "Artifact"},
    };
    // clang-format on
    for (const Case& test : cases) {
        Fixture f;
        ArtifactInfo info{"a1", *Url::parse("https://claude.ai/public/artifacts/a1"), test.title,
                          std::nullopt};
        if (test.html) info.path = f.files.write("plan.html", *test.html);
        ASSERT_EQ(f.ingest.ingest(f.artifact(info)), Ingest::Outcome::added("artifact:a1"));
        const ShelfItem& item = f.item("artifact:a1");
        EXPECT_EQ(item.title, test.expected);
        EXPECT_EQ(item.kind, ShelfItemKind::artifact);
        EXPECT_FALSE(item.fileURL);
    }
}

TEST(IngestTests, PageTitleIsTheFirstPlainTitleInTheFirstSixteenKilobytes) {
    TempDir dir;
    const std::string longTitle(15000, 'w');
    struct Case {
        std::string html;
        std::optional<std::string> title;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {page("<title>\n  Quarterly Plan \n</title>"),               "Quarterly Plan"},
        {page("<TITLE lang=\"en\">Loud</TITLE><title>Second</title>"), "Loud"},
        {page("<title><b>Bold</b></title>"),                         std::nullopt},
        {page("<title>   </title>"),                                 std::nullopt},
        {"\xff\xfe<title>Caf\xe9 ok</title>",                         "Caf\xEF\xBF\xBD ok"},
        {std::string(16384, ' ') + "<title>Late</title>",            std::nullopt},
        {std::string(16000, ' ') + "<title>Early</title>",           "Early"},
        {"<title>" + longTitle + "</title>",                         longTitle},
        {"<title id=t>a > b</title>",                                "a > b"},
        {"<title>never closed",                                      std::nullopt},
        {"<title><i>x</i></title><title>Next</title>",               "Next"},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(Ingest::pageTitle(dir.write("page.html", c.html)), c.title) << c.html.substr(0, 80);
    }
    EXPECT_EQ(Ingest::pageTitle(dir / "missing.html"), std::nullopt);
}

TEST(IngestTests, PublishedPageReplacesItsHtmlItem) {
    Fixture f;
    std::string path = f.files.write("page.html", page("<title>Page</title>"));
    auto html = f.ingest.ingest(f.file(Source::transcript, path, "s1"));
    ASSERT_EQ(html.kind, Kind::added);

    ArtifactInfo info{"a1", *Url::parse("https://claude.ai/public/artifacts/a1"), std::nullopt, path};
    EXPECT_EQ(f.ingest.ingest(f.artifact(info)), Ingest::Outcome::added("artifact:a1"));
    EXPECT_EQ(f.store->items().count(html.text), 0u);
    EXPECT_EQ(f.item("artifact:a1").title, "Page");

    EXPECT_EQ(f.ingest.ingest(f.file(Source::transcript, path, "s1")),
              Ingest::Outcome::merged("artifact:a1"));
    EXPECT_EQ(f.store->items().size(), 1u);

    info.url = *Url::parse("https://claude.ai/public/artifacts/a1-v2");
    info.title = "Renamed";
    EXPECT_EQ(f.ingest.ingest(f.artifact(info)), Ingest::Outcome::updated("artifact:a1"));
    EXPECT_EQ(f.item("artifact:a1").title, "Renamed");
    EXPECT_EQ(f.item("artifact:a1").remoteURL, info.url);
}

TEST(IngestTests, SightingsWriteOnlyWhatMatters) {
    Fixture f;
    f.ingest.noteSession({"s1", "proj", "/p", "main", start + 100, start + 50});
    Session session = f.store->sessions().at("s1");
    EXPECT_EQ(session.startedAt, start + 50);
    EXPECT_EQ(session.lastActive, start + 100);

    std::int64_t revision = f.store->revision();
    f.ingest.noteSession({"s1", std::nullopt, std::nullopt, std::nullopt, start + 159, std::nullopt});
    EXPECT_EQ(f.store->revision(), revision);
    EXPECT_EQ(f.ingest.activity().lastActive().at("s1"), start + 159);

    f.ingest.noteSession({"s1", "other", std::nullopt, "fix", start + 120, std::nullopt});
    session = f.store->sessions().at("s1");
    EXPECT_EQ(session.slug, "proj");
    EXPECT_EQ(session.cwd, "/p");
    EXPECT_EQ(session.branch, "fix");
    EXPECT_EQ(session.lastActive, start + 120);

    f.ingest.noteSession({"s1", std::nullopt, std::nullopt, std::nullopt, start + 180, start + 10});
    EXPECT_EQ(f.store->sessions().at("s1").lastActive, start + 180);
    EXPECT_EQ(f.store->sessions().at("s1").startedAt, start + 10);
}

TEST(IngestTests, BatchAppliesTitlesPromptsThenCandidates) {
    Fixture f;
    TranscriptBatch batch;
    batch.fileCreated = start + 1;
    batch.titles = {{"s1", SessionTitle::Kind::custom, "  Shelf work \n", "proj"},
                    {"s1", SessionTitle::Kind::ai, " \n ", std::nullopt}};
    batch.prompts = {{"p2", "s1", start + 30, "second"}, {"p1", "s1", start + 20, "first"}};
    batch.candidates = {f.bytes(Source::transcript, png(40), "s1"), f.bytes(Source::transcript, "x", "s1")};
    auto outcomes = f.ingest.apply(batch);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].kind, Kind::added);
    EXPECT_EQ(outcomes[1], Ingest::Outcome::rejected("under 512 bytes"));
    const Session& session = f.store->sessions().at("s1");
    EXPECT_EQ(session.customTitle, "Shelf work");
    EXPECT_EQ(session.aiTitle, std::nullopt);
    EXPECT_EQ(session.slug, "proj");
    EXPECT_EQ(session.startedAt, start + 1);
    EXPECT_EQ(session.firstPrompt, "first");
    EXPECT_EQ(session.firstPromptAt, start + 20);
    EXPECT_EQ(f.store->prompts().size(), 2u);
}

TEST(IngestTests, BackfillTakesEachSessionsEarliestPrompt) {
    Fixture f;
    f.store->upsert(Prompt{"p1", "s1", start + 20, "later"});
    f.store->upsert(Prompt{"p0", "s1", start + 10, "earliest"});
    f.store->upsert(Prompt{"q", "ghost", start, "no session"});
    f.ingest.noteSession({"s1", std::nullopt, std::nullopt, std::nullopt, start, std::nullopt});
    f.ingest.backfillFirstPrompts();
    EXPECT_EQ(f.store->sessions().at("s1").firstPrompt, "earliest");
    EXPECT_EQ(f.store->sessions().count("ghost"), 0u);
    std::int64_t revision = f.store->revision();
    f.ingest.backfillFirstPrompts();
    EXPECT_EQ(f.store->revision(), revision);
}

TEST(IngestTests, RegroupMovesFolderOnlyItemsIntoTheirRoot) {
    Fixture f;
    std::string root = f.files.makeDir("watched");
    std::string path = f.files.write("watched/a.png", png(40));
    auto outcome = f.ingest.ingest(f.file(Source::folder, path, "s1"));
    ASSERT_EQ(f.item(outcome.text).sessionID, "s1");
    f.ingest.setFolderRoots({root});
    f.ingest.regroupFolderItems();
    EXPECT_EQ(f.item(outcome.text).sessionID, Session::folderID(root));
    EXPECT_FALSE(f.item(outcome.text).promptID);
    EXPECT_TRUE(f.store->sessions().count(Session::folderID(root)));
}

// A real subagent transcript whose twelve reads name files of another machine: the session arrives with its
// folder and branch, every read is refused as unreadable and nothing is copied.
TEST(IngestTests, RealTranscriptReadsOfAbsentFilesAreUnreadable) {
    std::string folder = testing::sharedTestData("transcripts");
    if (folder.empty()) GTEST_SKIP() << "shared test data is absent";
    Fixture f;
    f.ingest.setRetentionDays(100000);
    std::string path =
        f.files.write("proj/s/subagents/agent-a.jsonl",
                      *AtomicFile::read(folder + "/ccl-fork__real__v2.1.17__subagents__agent-a2271d1.jsonl"));
    TranscriptTailer tailer(Url::fromPath(path), std::nullopt, TranscriptTailer::defaultWindow, 4096);
    std::vector<Ingest::Outcome> outcomes;
    tailer.read([&](TranscriptBatch batch) {
        for (Ingest::Outcome& outcome : f.ingest.apply(batch)) outcomes.push_back(std::move(outcome));
    });
    EXPECT_EQ(outcomes, std::vector<Ingest::Outcome>(12, Ingest::Outcome::rejected("unreadable")));
    EXPECT_EQ(tailer.offset(), FileSystem::info(path)->size);
    EXPECT_TRUE(f.store->items().empty());
    ASSERT_EQ(f.store->sessions().size(), 1u);
    const Session& session = f.store->sessions().begin()->second;
    EXPECT_EQ(session.slug, "proj");
    EXPECT_TRUE(session.cwd.has_value());
    EXPECT_LE(session.startedAt, session.lastActive);
}

}  // namespace
}  // namespace brimly
