#pragma once

#include <QProxyStyle>

class QObject;

namespace brevane {

// The application's style, except that a drop-down list opens below (or above) its box as a
// plain list of at most its visible-item count of rows. Styles such as Fusion would instead
// open a menu-like list over the box, as tall as the screen allows, ignoring that count.
class DropDownStyle : public QProxyStyle {
    Q_OBJECT

  public:
    // Builds on a new instance of the style the application uses now.
    explicit DropDownStyle(QObject* owner);

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace brevane
