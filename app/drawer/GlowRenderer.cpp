#include "app/drawer/GlowRenderer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "core/drawer/GlowGeometry.h"

namespace brimly {

namespace {

// One horizontal then vertical running-sum box blur of `radius` pixels over the premultiplied pixels.
void boxPass(QImage& image, int radius) {
    if (radius < 1) return;
    const int width = image.width();
    const int height = image.height();
    std::vector<QRgb> line;
    auto run = [&](int count, auto&& at) {
        line.resize(std::size_t(count));
        for (int i = 0; i < count; ++i) line[std::size_t(i)] = at(i);
        long sums[4] = {0, 0, 0, 0};
        auto add = [&](QRgb pixel, int sign) {
            sums[0] += sign * qAlpha(pixel);
            sums[1] += sign * qRed(pixel);
            sums[2] += sign * qGreen(pixel);
            sums[3] += sign * qBlue(pixel);
        };
        for (int i = -radius; i <= radius; ++i) {
            if (i >= 0 && i < count) add(line[std::size_t(i)], 1);
        }
        const long window = 2L * radius + 1;
        for (int i = 0; i < count; ++i) {
            at(i) = qRgba(int(sums[1] / window), int(sums[2] / window), int(sums[3] / window),
                          int(sums[0] / window));
            if (int out = i - radius; out >= 0) add(line[std::size_t(out)], -1);
            if (int in = i + radius + 1; in < count) add(line[std::size_t(in)], 1);
        }
    };
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        run(width, [row](int x) -> QRgb& { return row[x]; });
    }
    for (int x = 0; x < width; ++x) {
        run(height, [&image, x](int y) -> QRgb& { return reinterpret_cast<QRgb*>(image.scanLine(y))[x]; });
    }
}

}  // namespace

void GlowRenderer::blur(QImage& image, double sigma) {
    if (!(sigma > 0)) return;
    // Three box passes of width 2k + 1 have the variance of a Gaussian of `sigma` when (2k+1)² = 4σ² + 1.
    int radius = std::max(1, int(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
    for (int pass = 0; pass < 3; ++pass) boxPass(image, radius);
}

std::optional<GlowRenderer::Rendered> GlowRenderer::render(const Rect& core, const QPainterPath& lit,
                                                           double radius, double scale, const QColor& color) {
    QRectF bounds = lit.boundingRect();
    Rect litBounds{bounds.x(), bounds.y(), bounds.width(), bounds.height()};
    Key key{core.x,      core.y,          core.width, core.height, litBounds.x,
            litBounds.y, litBounds.width, radius,     scale,       color.rgba()};
    if (auto cached = m_cache.find(key); cached != m_cache.end()) return cached->second;

    auto canvas = GlowImage::canvas(core, litBounds, radius, scale);
    if (!canvas) return std::nullopt;
    double r = radius > 0 ? radius : 0;
    const Rect& frame = canvas->frame;
    QImage image(int(canvas->pixels.width), int(canvas->pixels.height), QImage::Format_ARGB32_Premultiplied);
    auto pass = [&](const std::function<void(QPainter&)>& draw, double alpha, double blurPoints) {
        QImage layer(image.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        // Global points, y up, onto pixels with the first row at the frame's top.
        painter.translate(0, layer.height());
        painter.scale(scale, -scale);
        painter.translate(-frame.x, -frame.y);
        QColor shade = color;
        shade.setAlphaF(float(alpha));
        painter.setPen(Qt::NoPen);
        painter.setBrush(shade);
        draw(painter);
        painter.end();
        blur(layer, blurPoints * scale / 2);
        QPainter onto(&image);
        onto.drawImage(0, 0, layer);
    };
    image.fill(Qt::transparent);
    pass([&](QPainter& painter) { painter.drawPath(lit); }, 1.0,
         GlowImage::shadowPerBlurRadius * GlowImage::coreShare * r);
    Rect oval = GlowGeometry::bloomOval(core, r);
    pass([&](QPainter& painter) { painter.drawEllipse(QRectF(oval.x, oval.y, oval.width, oval.height)); },
         GlowGeometry::bloomOpacity, GlowImage::shadowPerBlurRadius * r);

    if (int(m_cache.size()) >= GlowImage::cacheLimit) m_cache.clear();
    Rendered rendered{std::move(image), frame};
    m_cache.emplace(key, rendered);
    return rendered;
}

}  // namespace brimly
