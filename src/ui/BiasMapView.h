#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include "stats/BiasMap.h"

namespace brevane {

// The picture of one bias map, drawn by the shared renderer at the widget's size, with a
// tooltip on every cell. Without a map it shows a message instead.
class BiasMapView : public QWidget {
    Q_OBJECT
  public:
    explicit BiasMapView(QWidget* parent = nullptr);

    // `map` must outlive its showing; null shows `message`.
    void ShowMap(const BiasMap* map);
    void ShowMessage(const QString& message);

    const BiasMap* Map() const { return map_; }
    const QString& Message() const { return message_; }
    // The tooltip of the cell under `point`: empty outside the cells or without a map.
    QString ToolTipAt(QPoint point) const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    const BiasMap* map_ = nullptr;
    QString message_;
};

}  // namespace brevane
