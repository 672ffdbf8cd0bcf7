#include "core/engine/Ingest.h"

#include <algorithm>
#include <set>
#include <utility>
#include <variant>

#include "core/base/Ascii.h"
#include "core/base/Crypto.h"
#include "core/base/FileReader.h"
#include "core/base/Overloaded.h"
#include "core/base/Utf8.h"
#include "core/platform/FileSystem.h"
#include "core/store/ImageProbe.h"

namespace brimly {

namespace {

constexpr double secondsPerDay = 86400;

bool onlyFromFolders(const ShelfItem& item) { return item.sourceKinds == std::set<Source>{Source::folder}; }

bool isRaster(ShelfItemKind kind, std::string_view ext) {
    return kind == ShelfItemKind::image && Ascii::lowercased(ext) != "svg";
}

// Invalid bytes become U+FFFD, so a page in another encoding still yields whatever ASCII title it has.
std::string repairedUtf8(std::string_view bytes) {
    std::string result;
    result.reserve(bytes.size());
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::size_t length = Utf8::characterLength(bytes, offset);
        std::string_view character = bytes.substr(offset, length);
        if (Utf8::isValid(character)) {
            result += character;
        } else {
            result += "\xEF\xBF\xBD";
        }
        offset += length;
    }
    return result;
}

}  // namespace

// What one candidate is being ingested as: the decisions taken before its content is looked at.
struct Ingest::Context {
    const Candidate& candidate;
    Date now = 0;
    Date createdAt = 0;
    ItemFilter filter;
    std::string sessionID;
    // The watched-folder root holding a folder candidate's file.
    std::optional<std::string> folderRoot;
};

// The bytes to store, with the extension they are stored under and the file they came from. Only images are
// decoded, so only their bytes are read up front, and only up to the probe's cap; anything else (a recording
// may take gigabytes) stays an open `file` and is digested and copied from it a block at a time.
struct Ingest::FileContent {
    std::string data;
    std::string ext;
    std::optional<std::string> sourcePath;
    std::optional<FileReader> file;

    std::uint64_t byteCount() const { return file ? file->size() : data.size(); }

    static std::variant<FileContent, FileReader::Refusal> load(const std::string& path, std::string ext,
                                                               const ItemFilter& filter,
                                                               std::optional<std::string> sourcePath) {
        FileContent content{.ext = std::move(ext), .sourcePath = std::move(sourcePath)};
        bool image =
            ShelfItemKinds::forExtension(content.ext, filter.extraExtensions) == ShelfItemKind::image;
        auto opened = FileReader::open(
            path, image ? std::optional<std::uint64_t>(ImageProbe::maxSourceBytes) : std::nullopt);
        auto* file = std::get_if<FileReader>(&opened);
        if (!file) return std::get<FileReader::Refusal>(opened);
        if (!image) {
            content.file = std::move(*file);
            return content;
        }
        auto data = file->readAll();
        if (auto* refusal = std::get_if<FileReader::Refusal>(&data)) return *refusal;
        content.data = std::move(std::get<std::string>(data));
        return content;
    }
};

Ingest::Ingest(Store& store, ItemFilter filter, int retentionDays, const Clock& clock)
    : m_store(store), m_filter(std::move(filter)), m_retentionDays(retentionDays), m_clock(clock) {}

Ingest::Outcome Ingest::ingest(const Candidate& candidate) {
    m_store.assertOnQueue();
    Date now = m_clock.now();
    ItemFilter filter = m_filter;
    filter.oldest = now - static_cast<double>(m_retentionDays) * secondsPerDay;
    Date createdAt = candidate.source == Source::folder && candidate.arrivedAt ? *candidate.arrivedAt
                                                                               : candidate.createdAt;
    Context context{candidate, now, createdAt, std::move(filter), {}, {}};

    if (candidate.sessionID) {
        context.sessionID = *candidate.sessionID;
    } else {
        if (candidate.source == Source::folder) {
            std::optional<std::string> path;
            if (const auto* file = std::get_if<Payload::File>(&candidate.payload.value)) {
                path = file->url.path();
            } else {
                path = candidate.readPath;
            }
            if (path) context.folderRoot = folderRootOf(FileSystem::canonicalPath(*path));
        }
        if (context.folderRoot) {
            context.sessionID = Session::folderID(*context.folderRoot);
        } else if (auto active = m_activity.activeSession(now, activeWindow)) {
            context.sessionID = *active;
        } else if (auto recent = m_activity.mostRecent()) {
            context.sessionID = *recent;
        } else {
            context.sessionID = std::string(Session::unsortedID);
        }
    }

    // A readable file named by an inline capture beats the inline copy, which may be scaled or recompressed.
    auto fromReadPath = [&](const Context& ctx) -> std::optional<FileContent> {
        if (!candidate.readPath) return std::nullopt;
        std::string ext = FileSystem::extension(*candidate.readPath);
        if (!ShelfItemKinds::forExtension(ext, ctx.filter.extraExtensions)) return std::nullopt;
        auto loaded = FileContent::load(*candidate.readPath, ext, ctx.filter,
                                        FileSystem::canonicalPath(*candidate.readPath));
        if (auto* content = std::get_if<FileContent>(&loaded)) return std::move(*content);
        return std::nullopt;
    };

    return std::visit(
        Overloaded{
            [&](const Payload::File& file) -> Outcome {
                auto path = file.url.path();
                if (!path) return Outcome::rejected("unreadable");
                auto loaded = FileContent::load(*path, FileSystem::extension(*path), context.filter,
                                                FileSystem::canonicalPath(*path));
                if (auto* refusal = std::get_if<FileReader::Refusal>(&loaded)) {
                    return Outcome::rejected(std::string(FileReader::reason(*refusal)));
                }
                return ingestFile(context, std::get<FileContent>(loaded));
            },
            [&](const Payload::Bytes& bytes) -> Outcome {
                if (auto content = fromReadPath(context)) return ingestFile(context, *content);
                return ingestFile(context, {.data = bytes.data, .ext = bytes.fileExtension});
            },
            [&](const Payload::Base64& base64) -> Outcome {
                if (auto content = fromReadPath(context)) return ingestFile(context, *content);
                auto data = Crypto::base64Decode(base64.text);
                if (!data) return Outcome::rejected("undecodable image");
                return ingestFile(context, {.data = std::move(*data), .ext = base64.fileExtension});
            },
            [&](const Payload::Artifact& artifact) -> Outcome {
                return ingestArtifact(context, artifact.info);
            },
        },
        candidate.payload.value);
}

Ingest::Outcome Ingest::ingestFile(const Context& context, const FileContent& content) {
    const Candidate& candidate = context.candidate;
    auto kind = ShelfItemKinds::forExtension(content.ext, context.filter.extraExtensions);
    std::optional<PixelSize> pixels;
    if (kind == ShelfItemKind::image && Ascii::lowercased(content.ext) != "svg") {
        pixels = ImageProbe::pixelSize(ImageSource::fromBytes(content.data));
    }

    FilterInput input;
    input.kind = kind;
    input.fileExtension = content.ext;
    input.byteCount = static_cast<long>(content.byteCount());
    if (pixels) {
        input.pixelWidth = pixels->width;
        input.pixelHeight = pixels->height;
    }
    input.sourcePath = content.sourcePath;
    input.source = candidate.source;
    input.projectFolder = projectFolder(context.sessionID);
    input.createdAt = context.createdAt;
    if (Verdict verdict = context.filter.accepts(input); !verdict.isAccepted()) {
        return Outcome::rejected(verdict.reason());
    }

    if (kind == ShelfItemKind::html && content.sourcePath) {
        if (auto artifact = m_store.artifactForPath(*content.sourcePath))
            return Outcome::merged(artifact->id);
    }

    std::string key;
    if (content.file) {
        auto digest = Crypto::sha256HexOf(*content.file);
        if (!digest) return Outcome::rejected("unreadable");
        key = std::move(*digest);
    } else {
        key = Crypto::sha256Hex(content.data);
    }
    ShelfItem item;
    item.kind = kind.value_or(ShelfItemKind::file);
    if (pixels) {
        item.width = static_cast<int>(pixels->width);
        item.height = static_cast<int>(pixels->height);
    }
    if (!kind) return Outcome::rejected("no kind");

    if (candidate.source == Source::folder && content.sourcePath) {
        item.id = key;
        return ingestFolderFile(context, content, std::move(item));
    }

    std::vector<ShelfItem> stored = m_store.itemsWithContent(key);
    if (candidate.source != Source::folder) {
        std::erase_if(stored, onlyFromFolders);
    }
    std::optional<std::string> id;
    if (!content.sourcePath && candidate.captureID) {
        for (const ShelfItem& other : stored) {
            if (!other.captureID && other.sourceKinds.count(candidate.source) == 0 &&
                std::abs(other.createdAt - context.createdAt) < sameCaptureWindow) {
                id = other.id;
                break;
            }
        }
        if (!id) id = key + "~" + Crypto::sha256Hex(*candidate.captureID).substr(0, 16);
    } else {
        for (const ShelfItem& other : stored) {
            if (other.sourceKinds.count(candidate.source) == 0) {
                id = other.id;
                break;
            }
        }
        if (!id && !stored.empty()) id = stored.front().id;
        if (!id) {
            auto same = m_store.items().find(key);
            bool folderOwned = same != m_store.items().end() && onlyFromFolders(same->second);
            id = folderOwned ? key + "~claude" : key;
        }
    }
    item.id = std::move(*id);

    if (m_store.isHidden(item.id) ||
        (content.sourcePath && m_store.isHiddenSourcePath(*content.sourcePath))) {
        return Outcome::rejected("hidden from the shelf");
    }
    if (m_store.isDeleted(item.id, content.sourcePath, context.createdAt))
        return Outcome::rejected("deleted");

    if (auto existing = m_store.items().find(item.id); existing != m_store.items().end()) {
        return merge(context, existing->second, content.sourcePath);
    }
    return create(context, content, std::move(item));
}

Ingest::Outcome Ingest::ingestFolderFile(const Context& context, const FileContent& content, ShelfItem item) {
    const std::string& path = *content.sourcePath;
    std::vector<ShelfItem> stored = m_store.itemsWithContent(item.id);
    for (const ShelfItem& other : stored) {
        if (other.sourcePath == path && other.sourceKinds.count(Source::folder) != 0) {
            return Outcome::merged(other.id);
        }
    }

    // A folder-only item with these bytes whose file is gone is this file under its old name; of several,
    // the newest is the likelier last move. When the old file is still there this one is a copy: taking the
    // item over would move it back and forth between the two paths at every look, so the copy stays part of
    // the item it duplicates.
    const ShelfItem* moved = nullptr;
    const ShelfItem* copied = nullptr;
    for (const ShelfItem& other : stored) {
        if (!onlyFromFolders(other)) continue;
        if (other.sourcePath && FileSystem::exists(*other.sourcePath)) {
            if (!copied) copied = &other;
        } else if (!moved || other.createdAt >= moved->createdAt) {
            moved = &other;
        }
    }
    if (!moved && copied) return Outcome::merged(copied->id);
    if (moved) {
        ShelfItem updated = *moved;
        updated.sourcePath = path;
        updated.title = FileSystem::lastComponent(path);
        updated.sessionID = context.sessionID;
        updated.seenAt =
            predatesRun(context.createdAt) ? std::optional<Date>(context.createdAt) : std::nullopt;
        ensureSession(context);
        m_store.upsert(updated);
        return Outcome::updated(updated.id);
    }

    if (m_store.isHidden(item.id) || m_store.isHiddenSourcePath(path)) {
        return Outcome::rejected("hidden from the shelf");
    }
    if (m_store.isDeleted(item.id, path, context.createdAt)) return Outcome::rejected("deleted");
    // The same bytes already stand for something the agent made; one item then tells both stories.
    if (auto existing = m_store.items().find(item.id); existing != m_store.items().end()) {
        return merge(context, existing->second, content.sourcePath);
    }
    return create(context, content, std::move(item));
}

Ingest::Outcome Ingest::merge(const Context& context, ShelfItem item,
                              const std::optional<std::string>& sourcePath) {
    const Candidate& candidate = context.candidate;
    item.sourceKinds.insert(candidate.source);
    item.createdAt = std::min(item.createdAt, context.createdAt);
    if (!item.sourcePath) item.sourcePath = sourcePath;
    if (!item.captureID) item.captureID = candidate.captureID;
    if (candidate.sessionID && candidate.promptID && !item.promptID) {
        item.sessionID = *candidate.sessionID;
        item.promptID = candidate.promptID;
    } else if (item.sessionID == Session::unsortedID || Session::isFolderID(item.sessionID)) {
        item.sessionID = context.sessionID;
    }
    m_store.upsert(item);
    return Outcome::merged(item.id);
}

void Ingest::stampNew(ShelfItem& item, const Context& context) const {
    const Candidate& candidate = context.candidate;
    item.sessionID = context.sessionID;
    item.promptID = candidate.promptID;
    item.sourceKinds = {candidate.source};
    item.createdAt = context.createdAt;
    item.captureID = candidate.captureID;
    if (predatesRun(context.createdAt)) item.seenAt = context.createdAt;
}

Ingest::Outcome Ingest::create(const Context& context, const FileContent& content, ShelfItem item) {
    Store::CopyResult copy =
        content.file ? m_store.copyInFile(*content.file, Store::contentKey(item.id), item.id, content.ext)
                     : m_store.copyIn(content.data, item.id, content.ext);
    if (!copy.url) {
        // Only an id or extension that may not become a file name fails every time.
        if (copy.error == std::errc::invalid_argument) return Outcome::rejected("copy failed");
        return Outcome::rejectedForNow("copy failed");
    }
    ensureSession(context);

    item.fileURL = copy.url;
    item.sourcePath = content.sourcePath;
    item.title =
        content.sourcePath ? FileSystem::lastComponent(*content.sourcePath) : "Screenshot." + content.ext;
    stampNew(item, context);

    std::vector<ShelfItem> earlier;
    if (content.sourcePath) {
        for (ShelfItem& other : m_store.itemsAtSourcePath(*content.sourcePath)) {
            if (other.id != item.id && other.sessionID == item.sessionID &&
                other.kind != ShelfItemKind::artifact) {
                earlier.push_back(std::move(other));
            }
        }
    }
    std::vector<ItemVersion> cut;
    if (isRaster(item.kind, content.ext)) {
        std::vector<ItemVersion> versions;
        for (const ShelfItem& other : earlier) {
            for (ItemVersion& version : other.allVersions()) {
                if (version.fileURL == *item.fileURL) continue;
                bool duplicate = std::any_of(versions.begin(), versions.end(), [&](const ItemVersion& kept) {
                    return kept.fileURL == version.fileURL;
                });
                if (!duplicate) versions.push_back(std::move(version));
            }
        }
        std::stable_sort(versions.begin(), versions.end(), [](const ItemVersion& a, const ItemVersion& b) {
            return a.createdAt < b.createdAt;
        });
        auto keep = static_cast<std::size_t>(std::max(m_versionsShown - 1, 0));
        if (versions.size() > keep) {
            auto firstKept = versions.end() - static_cast<std::ptrdiff_t>(keep);
            cut.assign(versions.begin(), firstKept);
            versions.erase(versions.begin(), firstKept);
        }
        item.versions = std::move(versions);
    }

    m_store.upsert(item);
    for (const ShelfItem& other : earlier) m_store.remove(other.id);
    if (!cut.empty()) m_store.dropFiles(cut);
    if (item.kind == ShelfItemKind::image) {
        if (auto thumb = m_store.thumbURL(item.id); thumb && thumb->path()) {
            // A missing thumbnail is drawn from the copy later; it never costs the item.
            if (m_thumbnails) {
                m_thumbnails->add(*item.fileURL->path(), *thumb->path());
            } else {
                static_cast<void>(
                    ImageProbe::writeThumbnail(ImageSource::fromBytes(content.data), *thumb->path()));
            }
        }
    }
    return Outcome::added(item.id);
}

Ingest::Outcome Ingest::ingestArtifact(const Context& context, const ArtifactInfo& info) {
    const Candidate& candidate = context.candidate;
    FilterInput input;
    input.kind = ShelfItemKind::artifact;
    input.sourcePath = info.path;
    input.source = candidate.source;
    input.createdAt = context.createdAt;
    if (Verdict verdict = context.filter.accepts(input); !verdict.isAccepted()) {
        return Outcome::rejected(verdict.reason());
    }

    std::string id = "artifact:" + info.id;
    if (m_store.isHidden(id)) return Outcome::rejected("hidden from the shelf");
    if (m_store.isDeleted(id, info.path, context.createdAt)) return Outcome::rejected("deleted");

    if (info.path) {
        for (const ShelfItem& page : m_store.itemsAtSourcePath(*info.path)) {
            if (page.kind == ShelfItemKind::html) m_store.remove(page.id);
        }
    }

    std::optional<std::string> title = info.title;
    if (title) {
        std::string trimmed(Utf8::trimWhitespaceAndNewlines(*title));
        title = trimmed.empty() ? std::nullopt : std::optional<std::string>(trimmed);
    }
    if (!title && info.path) title = pageTitle(*info.path);

    if (auto existing = m_store.items().find(id); existing != m_store.items().end()) {
        ShelfItem item = existing->second;
        item.remoteURL = info.url;
        if (title) item.title = *title;
        m_store.upsert(item);
        return Outcome::updated(id);
    }

    ShelfItem item;
    item.id = id;
    item.kind = ShelfItemKind::artifact;
    item.remoteURL = info.url;
    item.sourcePath = info.path;
    item.title = title ? *title : info.path ? FileSystem::lastComponent(*info.path) : "Artifact";
    stampNew(item, context);
    ensureSession(context);
    m_store.upsert(item);
    return Outcome::added(id);
}

std::optional<std::string> Ingest::pageTitle(const std::string& path) {
    auto opened = FileReader::open(path);
    auto* file = std::get_if<FileReader>(&opened);
    if (!file) return std::nullopt;
    std::string text = repairedUtf8(file->readPrefix(pageTitleBytes));

    // The first match of "<title[^>]*>[^<]*</title>" ignoring case, by hand: std::regex recurses per
    // character and a long title could exhaust the stack. Removing "<[^>]+>" from such a match leaves exactly
    // the text between the opening tag and "</title>", since that text holds no "<".
    std::string lower = Ascii::lowercased(text);
    for (std::size_t open = lower.find("<title"); open != std::string::npos;
         open = lower.find("<title", open + 1)) {
        std::size_t textStart = lower.find('>', open + 6);
        if (textStart == std::string::npos) return std::nullopt;
        ++textStart;
        std::size_t textEnd = lower.find('<', textStart);
        if (textEnd == std::string::npos) return std::nullopt;
        if (lower.compare(textEnd, 8, "</title>") != 0) continue;
        std::string trimmed(
            Utf8::trimWhitespaceAndNewlines(std::string_view(text).substr(textStart, textEnd - textStart)));
        if (trimmed.empty()) return std::nullopt;
        return trimmed;
    }
    return std::nullopt;
}

std::optional<std::string> Ingest::folderRootOf(const std::string& path) const {
    for (const std::string& root : m_folderRoots) {
        if (FileSystem::isPathInside(path, root) ||
            FileSystem::isPathInside(path, FileSystem::canonicalPath(root))) {
            return root;
        }
    }
    return std::nullopt;
}

void Ingest::ensureSession(const Context& context) {
    if (context.folderRoot) {
        ensureFolderSession(*context.folderRoot, context.createdAt);
        return;
    }
    const auto& sessions = m_store.sessions();
    if (auto found = sessions.find(context.sessionID); found != sessions.end()) {
        Session session = found->second;
        session.lastActive = std::max(session.lastActive, context.createdAt);
        m_store.upsert(session);
    } else {
        Session session;
        session.id = context.sessionID;
        session.slug = context.candidate.slug;
        session.startedAt = context.createdAt;
        session.lastActive = context.createdAt;
        m_store.upsert(session);
    }
    m_activity.touch(context.sessionID, context.createdAt);
}

void Ingest::ensureFolderSession(const std::string& root, Date at) {
    std::string id = Session::folderID(root);
    const auto& sessions = m_store.sessions();
    Session session;
    if (auto found = sessions.find(id); found != sessions.end()) {
        session = found->second;
        session.startedAt = std::min(session.startedAt, at);
        session.lastActive = std::max(session.lastActive, at);
    } else {
        session.id = id;
        session.cwd = root;
        session.startedAt = at;
        session.lastActive = at;
    }
    m_store.upsert(session);
}

bool Ingest::predatesRun(Date date) const {
    if (m_store.isFirstRun()) return date < m_store.launchedAt();
    if (auto previous = m_store.previousRunAt()) return date < *previous;
    return false;
}

std::optional<std::string> Ingest::projectFolder(const std::string& sessionID) const {
    auto found = m_store.sessions().find(sessionID);
    if (found == m_store.sessions().end() || !found->second.cwd) return std::nullopt;
    return FileSystem::canonicalPath(*found->second.cwd);
}

void Ingest::regroupFolderItems() {
    m_store.assertOnQueue();
    std::vector<ShelfItem> moved;
    for (const auto& [id, item] : m_store.items()) {
        if (!onlyFromFolders(item) || Session::isFolderID(item.sessionID) || !item.sourcePath) continue;
        if (auto root = folderRootOf(*item.sourcePath)) {
            ShelfItem regrouped = item;
            regrouped.sessionID = Session::folderID(*root);
            regrouped.promptID.reset();
            ensureFolderSession(*root, item.createdAt);
            moved.push_back(std::move(regrouped));
        }
    }
    for (const ShelfItem& item : moved) m_store.upsert(item);
}

}  // namespace brimly
