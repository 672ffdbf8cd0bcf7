#include "app/items/DragData.h"

#include <QDrag>
#include <QImageReader>
#include <QMimeData>
#include <QPixmap>
#include <QWidget>

#include "app/shelf/ShelfModel.h"

namespace brimly {

namespace {

constexpr int dragSide = 96;

QImage imageOf(const ShelfItem& item) {
    auto file = DragData::itemFile(item);
    if (item.kind != ShelfItemKind::image || !file) return {};
    QImageReader reader(QString::fromStdString(*file));
    reader.setAutoTransform(true);
    return reader.read();
}

// The drag's busy mark must go however the drag ends.
class DraggingMark {
public:
    explicit DraggingMark(ShelfModel& model) : m_model(model) { m_model.setDragging(true); }
    ~DraggingMark() { m_model.setDragging(false); }
    DraggingMark(const DraggingMark&) = delete;
    DraggingMark& operator=(const DraggingMark&) = delete;

private:
    ShelfModel& m_model;
};

}  // namespace

std::optional<QUrl> DragData::itemUrl(const ShelfItem& item) {
    if (auto file = itemFile(item)) return QUrl::fromLocalFile(QString::fromStdString(*file));
    if (item.remoteURL) return QUrl(QString::fromStdString(item.remoteURL->string()));
    return std::nullopt;
}

std::optional<std::string> DragData::itemFile(const ShelfItem& item) {
    if (!item.fileURL || !item.fileURL->isFile()) return std::nullopt;
    return item.fileURL->path();
}

QMimeData* DragData::dragData(const ShelfItem& item) {
    QMimeData* data = clipboardData(item);
    if (auto file = itemFile(item)) data->setText(QString::fromStdString(*file));
    return data;
}

QMimeData* DragData::clipboardData(const ShelfItem& item) {
    auto* data = new QMimeData;
    if (auto url = itemUrl(item)) data->setUrls({*url});
    if (QImage image = imageOf(item); !image.isNull()) data->setImageData(image);
    return data;
}

void DragData::startDrag(ShelfModel& model, const ShelfItem& item, QWidget* source) {
    // Qt deletes the drag after it ends through its parent.
    if (source == nullptr || !itemUrl(item)) return;
    auto* drag = new QDrag(source);
    drag->setMimeData(dragData(item));
    if (QImage image = imageOf(item); !image.isNull()) {
        drag->setPixmap(QPixmap::fromImage(
            image.scaled(dragSide, dragSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    DraggingMark mark(model);
    drag->exec(Qt::CopyAction);
}

}  // namespace brimly
