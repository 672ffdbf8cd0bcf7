#include "app/views/ThumbnailCache.h"

#include <QImageReader>
#include <QPainter>
#include <QRunnable>
#include <cmath>

namespace brimly {

ThumbnailCache::ThumbnailCache(Options options) : m_options(std::move(options)) {
    m_pool.setMaxThreadCount(m_options.threads);
}

ThumbnailCache::~ThumbnailCache() {
    // Tasks post back to this object: none may still run once it is gone.
    m_pool.clear();
    m_pool.waitForDone();
}

void ThumbnailCache::setSize(QSize size) {
    if (size == m_size) return;
    m_size = size;
    clear();
}

void ThumbnailCache::clear() {
    ++m_generation;
    m_entries.clear();
    m_recent.clear();
    m_pending.clear();
    m_bytes = 0;
}

const QImage* ThumbnailCache::find(const std::string& key) {
    auto found = m_entries.find(key);
    if (found == m_entries.end() || found->second.image.isNull()) return nullptr;
    m_recent.splice(m_recent.begin(), m_recent, found->second.recent);
    return &found->second.image;
}

void ThumbnailCache::request(const std::string& key, std::vector<std::string> paths) {
    if (isKnown(key)) return;
    m_pending.insert(key);
    QSize size = m_size;
    std::uint64_t generation = m_generation;
    m_pool.start(QRunnable::create([this, key, paths = std::move(paths), size, generation] {
        if (m_options.onDecode) m_options.onDecode();
        QImage image;
        for (const std::string& path : paths) {
            image = decode(path, size, m_options.cornerRadius);
            if (!image.isNull()) break;
        }
        QMetaObject::invokeMethod(
            this,
            [this, key, generation, image = std::move(image)]() mutable {
                arrived(key, generation, std::move(image));
            },
            Qt::QueuedConnection);
    }));
}

void ThumbnailCache::arrived(const std::string& key, std::uint64_t generation, QImage image) {
    if (generation != m_generation) return;
    m_pending.erase(key);
    if (m_entries.contains(key)) return;
    std::size_t bytes = image.isNull() ? 0 : std::size_t(image.sizeInBytes());
    m_recent.push_front(key);
    m_entries.emplace(key, Entry{std::move(image), m_recent.begin()});
    m_bytes += bytes;
    evict();
    if (m_onLoaded && m_entries.contains(key)) m_onLoaded(key);
}

void ThumbnailCache::evict() {
    while (m_bytes > m_options.byteLimit && !m_recent.empty()) {
        auto found = m_entries.find(m_recent.back());
        m_bytes -= std::size_t(found->second.image.sizeInBytes());
        m_entries.erase(found);
        m_recent.pop_back();
    }
}

QImage ThumbnailCache::decode(const std::string& path, QSize size, double cornerRadius) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    QSize natural = reader.size();
    if (!natural.isValid() || natural.isEmpty() || size.isEmpty()) return {};
    // Fill the card: scale so the shorter side fits, then crop the middle.
    double scale = std::max(double(size.width()) / natural.width(), double(size.height()) / natural.height());
    QSize scaled(std::max(size.width(), int(std::ceil(natural.width() * scale))),
                 std::max(size.height(), int(std::ceil(natural.height() * scale))));
    reader.setScaledSize(scaled);
    reader.setScaledClipRect(
        QRect(QPoint((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2), size));
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.size() != size) image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (cornerRadius <= 0) return image;
    QImage rounded(size, QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    QPainter painter(&rounded);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(image));
    painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), cornerRadius, cornerRadius);
    painter.end();
    return rounded;
}

}  // namespace brimly
