#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <optional>

#include "cards/Cards.h"
#include "stats/BiasMap.h"

class QPainter;

namespace brevane {

// The size of a saved picture, in pixels: the window saves at this size too, so that its
// pictures are those of the command line.
inline constexpr QSize BiasMapPictureSize{760, 720};

struct BiasMapCell {
    int row;
    int column;
    bool operator==(const BiasMapCell&) const = default;
};

// Where the parts of the picture lie in an area. The fonts have pixel sizes, so the layout is
// the same on every paint device. The 52 x 52 cells fill the largest square the labels and the
// legend leave, their edges on whole pixels, so that neighbouring cells neither overlap nor
// leave a seam.
class BiasMapLayout {
  public:
    explicit BiasMapLayout(const QRect& area);

    const QFont& TitleFont() const { return titleFont_; }
    const QFont& LabelFont() const { return labelFont_; }
    QRect TitleRect() const { return title_; }
    QRect Grid() const { return grid_; }
    QRect Cell(int row, int column) const;
    // The cell under a point, or nullopt outside the cells.
    std::optional<BiasMapCell> CellAt(QPoint point) const;
    // Every RowLabelStep()-th row and ColumnLabelStep()-th column is labelled, starting with
    // the first: the smallest of 1, 2, 4, 13 and 26 whose labels do not overlap.
    int RowLabelStep() const { return rowStep_; }
    int ColumnLabelStep() const { return columnStep_; }
    int RowLabelRight() const { return rowLabelRight_; }
    int RowCaptionCentre() const { return rowCaptionCentre_; }
    QRect ColumnLabelBand() const { return columnLabels_; }
    QRect ColumnCaptionBand() const { return columnCaption_; }
    // The colour bar of the legend: z = +4 at its top, -4 at its bottom.
    QRect LegendBar() const { return legendBar_; }
    int LegendLabelLeft() const { return legendLabelLeft_; }

    // The smallest of 1, 2, 4, 13 and 26 cells that spans at least `needed` pixels when the
    // cells are `cell` pixels each (26 when none is enough).
    static int LabelStep(double cell, double needed);

  private:
    int Edge(int index) const { return grid_.left() + (index * grid_.width() + 26) / DeckSize; }
    int EdgeY(int index) const { return grid_.top() + (index * grid_.height() + 26) / DeckSize; }

    QFont titleFont_;
    QFont labelFont_;
    QRect title_;
    QRect grid_;
    int rowStep_ = 1;
    int columnStep_ = 1;
    int rowLabelRight_ = 0;
    int rowCaptionCentre_ = 0;
    QRect columnLabels_;
    QRect columnCaption_;
    QRect legendBar_;
    int legendLabelLeft_ = 0;
};

// Draws the whole picture of `map` into `area`: white background, the title line, the axis
// captions and labels, the cells and the colour legend with its z scale.
void DrawBiasMap(QPainter& painter, const QRect& area, const BiasMap& map);

}  // namespace brevane
