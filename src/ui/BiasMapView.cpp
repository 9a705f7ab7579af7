#include "ui/BiasMapView.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "render/BiasMapPicture.h"

namespace brevane {

BiasMapView::BiasMapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PictureView"));
    setMinimumSize(360, 320);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void BiasMapView::ShowMap(const BiasMap* map) {
    map_ = map;
    message_.clear();
    update();
}

void BiasMapView::ShowMessage(const QString& message) {
    map_ = nullptr;
    message_ = message;
    update();
}

QString BiasMapView::ToolTipAt(QPoint point) const {
    if (!map_) return {};
    const auto cell = BiasMapLayout(rect()).CellAt(point);
    if (!cell) return {};
    return QString::fromStdString(map_->CellText(cell->row, cell->column));
}

bool BiasMapView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void BiasMapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (map_) {
        DrawBiasMap(painter, rect(), *map_);
        return;
    }
    painter.fillRect(rect(), Qt::white);
    painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                     message_);
}

}  // namespace brevane
