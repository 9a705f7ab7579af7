#pragma once

#include <QPoint>
#include <optional>

class QWidget;

namespace brevane {

// Where the window system has the top-left corner of a shown top-level window's client area,
// in screen coordinates, read from the display server itself rather than from the toolkit's
// cached geometry. Some X window managers report a remapped window's position wrongly (icewm
// one title-bar height too low), and the toolkit believes the report. Empty where the platform
// cannot tell (no X server, or the window is not shown).
std::optional<QPoint> ClientAreaOnScreen(const QWidget& window);

}  // namespace brevane
