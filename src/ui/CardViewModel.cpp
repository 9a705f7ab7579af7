#include "ui/CardViewModel.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <limits>

#include "analysis/Seats.h"
#include "cards/Cards.h"

namespace brevane {

CardViewModel::CardViewModel(QObject* parent) : QAbstractTableModel(parent) {}

void CardViewModel::SetList(const ShuffleList* list) {
    ResetRows([&] { list_ = list; });
}

int CardViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int CardViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString CardViewModel::CardViewGetText(int row, int column) const {
    if (column == 0) return QString::number(row + 1);
    const std::uint8_t code = list_->Row(static_cast<std::size_t>(row))[column - 1];
    const char16_t name[2] = {static_cast<char16_t>(RankLetter[code]),
                              static_cast<char16_t>(SuitLetter[code])};
    return QString(reinterpret_cast<const QChar*>(name), 2);
}

QVariant CardViewModel::CardViewPaintText(int row, int column) const {
    if (column == 0) return {};
    switch (PositionRole(view_, row, column)) {
        case CardRole::SeatHoleCard:
            return QBrush(QColor(255, 0, 0));
        case CardRole::DealtCommunityCard:
            return QBrush(QColor(0, 0, 255));
        case CardRole::UndealtCard:
            return QBrush(QColor(128, 128, 128));
        case CardRole::OtherHoleCard:
            break;
    }
    return {};
}

QVariant CardViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    if (role == Qt::DisplayRole) return CardViewGetText(index.row(), index.column());
    if (role == Qt::ForegroundRole) return CardViewPaintText(index.row(), index.column());
    return {};
}

QVariant CardViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("Hand / Card");
    return QString::number(section);
}

Qt::ItemFlags CardViewModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int CardViewModel::ClampedCount() const {
    // Qt's views count rows in int; rows beyond that stay in the list but cannot be shown.
    if (list_ == nullptr) return 0;
    return static_cast<int>(std::min<std::size_t>(list_->Count(), std::numeric_limits<int>::max()));
}

void CardViewModel::SyncRowCount() {
    const int target = ClampedCount();
    if (target <= rows_) return;
    beginInsertRows(QModelIndex(), rows_, target - 1);
    rows_ = target;
    endInsertRows();
}

void CardViewModel::SetSeatView(const SeatView& view) {
    view_ = view;
    if (rows_ > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, ColumnCount - 1), {Qt::ForegroundRole});
    }
}

}  // namespace brevane
