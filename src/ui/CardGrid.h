#pragma once

#include <QTableView>

class QFocusEvent;

namespace brevane {

// The view of the shuffle grid. The keyboard focus entering it leaves the focused row as it
// is, none included (the table view would make the first cell current, so that the hand panel
// would show a row the user never chose). Tab and Shift+Tab move on to the window's next or
// previous control instead of walking from cell to cell.
class CardGrid : public QTableView {
    Q_OBJECT

  public:
    explicit CardGrid(QWidget* parent = nullptr);

  protected:
    void focusInEvent(QFocusEvent* event) override;
};

}  // namespace brevane
