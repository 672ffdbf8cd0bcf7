#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <map>
#include <optional>
#include <tuple>

#include "core/base/Geometry.h"

namespace brimly {

// Renders the arrival glow: the lit outline's soft edge plus a wider bloom oval, blurred into a bitmap that
// the panel places behind the collapsed drawer. Rectangles are in global points (y up); the image's first
// row is the frame's top. Images are cached by their inputs, since a pulse draws the same glow many times.
class GlowRenderer {
public:
    struct Rendered {
        QImage image;
        Rect frame;
    };

    // `lit` is in the same space as `core`. Absent when nothing can be drawn.
    std::optional<Rendered> render(const Rect& core, const QPainterPath& lit, double radius, double scale,
                                   const QColor& color);

    // A blur of `sigma` pixels over the image's alpha, in place (three box passes approach a Gaussian).
    static void blur(QImage& image, double sigma);

private:
    using Key = std::tuple<double, double, double, double, double, double, double, double, double, QRgb>;
    std::map<Key, Rendered> m_cache;
};

}  // namespace brimly
