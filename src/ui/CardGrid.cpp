#include "ui/CardGrid.h"

#include <QFocusEvent>

namespace brevane {

CardGrid::CardGrid(QWidget* parent) : QTableView(parent) {
    setTabKeyNavigation(false);
}

void CardGrid::focusInEvent(QFocusEvent* event) {
    // What the item view does on focus, less choosing a current cell. The cells take no text
    // input, so input methods stay off.
    QAbstractScrollArea::focusInEvent(event);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->update();
}

}  // namespace brevane
