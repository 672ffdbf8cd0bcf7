#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace brimly {

// Decoded card thumbnails, cropped to the card's size. Decoding runs on its own thread pool and the result
// comes back to the main thread as a queued call; the images kept are bounded by their decoded bytes, the
// least recently drawn going first. A file that cannot be decoded is remembered as such, so that its card
// shows its glyph without asking again. Main thread only, apart from the decoding itself.
class ThumbnailCache final : public QObject {
public:
    static constexpr std::size_t defaultByteLimit = std::size_t(64) << 20;

    struct Options {
        std::size_t byteLimit = defaultByteLimit;
        // Two decoders keep a fast scroll fed without taking every core from the engine.
        int threads = 2;
        // Corners are rounded as the image is decoded, so drawing it needs no clip.
        double cornerRadius = 0;
        // Runs on the decoding thread just before each decode.
        std::function<void()> onDecode;
    };

    explicit ThumbnailCache(Options options);
    ThumbnailCache() : ThumbnailCache(Options{}) {}
    ~ThumbnailCache() override;

    // The size thumbnails are cropped to; a change forgets every image.
    void setSize(QSize size);
    QSize size() const { return m_size; }
    // Forgets every image; decodes on their way are dropped when they arrive.
    void clear();
    // The image for `key` when it is decoded, marking it as recently used; null otherwise (still loading, not
    // asked for, or not decodable).
    const QImage* find(const std::string& key);
    // Starts decoding for `key` unless it is decoded, failed or on its way: the first of `paths` that
    // decodes gives the image.
    void request(const std::string& key, std::vector<std::string> paths);
    bool isKnown(const std::string& key) const { return m_entries.contains(key) || m_pending.contains(key); }
    // Called on the main thread for each key whose image has arrived.
    void setOnLoaded(std::function<void(const std::string& key)> onLoaded) {
        m_onLoaded = std::move(onLoaded);
    }

    std::size_t bytes() const { return m_bytes; }
    std::size_t byteLimit() const { return m_options.byteLimit; }
    std::size_t imageCount() const { return m_entries.size(); }
    std::size_t pendingCount() const { return m_pending.size(); }

    // Decodes `path` cropped to fill `size`, scaling in the decoder where the format allows it.
    static QImage decode(const std::string& path, QSize size, double cornerRadius = 0);

private:
    struct Entry {
        QImage image;
        std::list<std::string>::iterator recent;
    };
    void arrived(const std::string& key, std::uint64_t generation, QImage image);
    void evict();

    Options m_options;
    QSize m_size{160, 120};
    std::unordered_map<std::string, Entry> m_entries;
    // Most recently used first.
    std::list<std::string> m_recent;
    std::set<std::string> m_pending;
    std::size_t m_bytes = 0;
    // Results decoded for an earlier size are dropped.
    std::uint64_t m_generation = 0;
    std::function<void(const std::string&)> m_onLoaded;
    QThreadPool m_pool;
};

}  // namespace brimly
