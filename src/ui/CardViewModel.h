#pragma once

#include <QAbstractTableModel>
#include <cstddef>
#include <cstdint>

#include "analysis/SeatView.h"
#include "analysis/ShuffleList.h"

namespace brevane {

// The shuffle grid's model: one row per stored shuffle, column 0 the hand number and column c
// (1..52) the card at deck position c. Every cell's text and colour are computed on demand from
// the list; nothing is stored per cell.
//
// The row count is the model's own: it follows the list only through SyncRowCount and
// ResetRows, so the view never sees a row the list does not hold.
class CardViewModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int ColumnCount = 53;

    explicit CardViewModel(QObject* parent = nullptr);

    // The list shown; null shows no rows. The row count follows at once.
    void SetList(const ShuffleList* list);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text of one cell: the hand number in column 0, else the card's two-letter name.
    QString CardViewGetText(int row, int column) const;
    // The text colour of one cell; an invalid QVariant keeps the view's normal colour.
    QVariant CardViewPaintText(int row, int column) const;

    // Brings the row count up to the list's count after rows were appended to it.
    void SyncRowCount();
    // Announces a reset around `change`, after which the row count is the list's count.
    template <typename Change>
    void ResetRows(Change&& change) {
        beginResetModel();
        change();
        rows_ = ClampedCount();
        endResetModel();
    }

    // The seat view that colours the cells; every visible cell is redrawn.
    void SetSeatView(const SeatView& view);

  private:
    int ClampedCount() const;

    const ShuffleList* list_ = nullptr;
    int rows_ = 0;
    SeatView view_;
};

}  // namespace brevane
