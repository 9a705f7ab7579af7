#include "render/BiasMapPicture.h"

#include <QColor>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <map>

#include "cards/Cards.h"

namespace brevane {

namespace {

constexpr int Padding = 10;
constexpr int TitleGap = 8;
constexpr int LabelGap = 4;
constexpr int LegendGap = 16;
constexpr int LegendBarWidth = 14;
constexpr int TitlePixels = 14;
constexpr int LabelPixels = 11;
const QColor FrameColour(150, 150, 150);
const QColor TextColour(0, 0, 0);

// One family for every device: Liberation Sans is installed with the program's fonts, and
// fontconfig picks its nearest sans-serif where it is missing.
QFont PixelFont(int pixels, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The tick labels of the legend, top to bottom, at z = +4, +2, 0, -2, -4.
const QString LegendTicks[] = {QStringLiteral("\u2265 +4"), QStringLiteral("+2"),
                               QStringLiteral("0"), QStringLiteral("\u22122"),
                               QStringLiteral("\u2264 \u22124")};

QColor ToQColor(const Rgb& rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

}  // namespace

int BiasMapLayout::LabelStep(double cell, double needed) {
    for (const int step : {1, 2, 4, 13}) {
        if (step * cell >= needed) return step;
    }
    return 26;
}

BiasMapLayout::BiasMapLayout(const QRect& area)
    : titleFont_(PixelFont(TitlePixels, true)), labelFont_(PixelFont(LabelPixels, false)) {
    const QFontMetrics titleMetrics(titleFont_);
    const QFontMetrics labelMetrics(labelFont_);
    const int line = labelMetrics.height();
    int rowLabelWidth = labelMetrics.horizontalAdvance(QStringLiteral("52"));
    for (int code = 1; code <= DeckSize; ++code) {
        rowLabelWidth = std::max(
            rowLabelWidth, labelMetrics.horizontalAdvance(QString::fromStdString(CardName(code))));
    }
    int tickWidth = 0;
    for (const QString& tick : LegendTicks)
        tickWidth = std::max(tickWidth, labelMetrics.horizontalAdvance(tick));

    title_ = QRect(area.left() + Padding, area.top() + Padding, area.width() - 2 * Padding,
                   titleMetrics.height());
    const int gridTop = title_.bottom() + 1 + TitleGap + 2 * line + LabelGap;
    const int leftPart = line + LabelGap + rowLabelWidth + LabelGap;
    const int rightPart = LegendGap + LegendBarWidth + LabelGap + tickWidth;
    const int side = std::max(DeckSize, std::min(area.width() - 2 * Padding - leftPart - rightPart,
                                                 area.bottom() + 1 - Padding - gridTop));
    // The block of labels, cells and legend stands in the middle of the area's width.
    const int blockLeft =
        area.left() + std::max(Padding, (area.width() - leftPart - side - rightPart) / 2);
    grid_ = QRect(blockLeft + leftPart, gridTop, side, side);

    const double cell = side / 52.0;
    rowStep_ = LabelStep(cell, line);
    columnStep_ = LabelStep(cell, labelMetrics.horizontalAdvance(QStringLiteral("52")) + LabelGap);
    rowLabelRight_ = grid_.left() - LabelGap;
    rowCaptionCentre_ = blockLeft + line / 2;
    columnLabels_ = QRect(grid_.left(), gridTop - LabelGap - line, side, line);
    columnCaption_ = QRect(grid_.left(), columnLabels_.top() - line, side, line);
    legendBar_ = QRect(grid_.right() + 1 + LegendGap, grid_.top(), LegendBarWidth, side);
    legendLabelLeft_ = legendBar_.right() + 1 + LabelGap;
}

QRect BiasMapLayout::Cell(int row, int column) const {
    return QRect(QPoint(Edge(column), EdgeY(row)),
                 QPoint(Edge(column + 1) - 1, EdgeY(row + 1) - 1));
}

std::optional<BiasMapCell> BiasMapLayout::CellAt(QPoint point) const {
    if (!grid_.contains(point)) return std::nullopt;
    int row = 0;
    int column = 0;
    while (EdgeY(row + 1) <= point.y()) ++row;
    while (Edge(column + 1) <= point.x()) ++column;
    return BiasMapCell{row, column};
}

namespace {

void DrawTitle(QPainter& painter, const BiasMapLayout& layout, const BiasMap& map) {
    painter.setFont(layout.TitleFont());
    const QFontMetrics metrics(layout.TitleFont());
    painter.drawText(
        layout.TitleRect(), Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(Text(map.Title()), Qt::ElideRight, layout.TitleRect().width()));
}

// The cells go out a colour at a time, which keeps an SVG file to one group per colour.
void DrawCells(QPainter& painter, const BiasMapLayout& layout, const BiasMap& map) {
    std::map<QRgb, QList<QRect>> cellsByColour;
    for (int i = 0; i < DeckSize; ++i) {
        for (int j = 0; j < DeckSize; ++j)
            cellsByColour[ToQColor(map.Colour(i, j)).rgb()].append(layout.Cell(i, j));
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    for (const auto& [colour, cells] : cellsByColour) {
        painter.setBrush(QColor(colour));
        painter.drawRects(cells);
    }
    painter.restore();
}

void DrawAxes(QPainter& painter, const BiasMapLayout& layout, const BiasMap& map) {
    painter.setFont(layout.LabelFont());
    const int line = QFontMetrics(layout.LabelFont()).height();
    const QRect grid = layout.Grid();
    for (int i = 0; i < DeckSize; i += layout.RowLabelStep()) {
        const int y = layout.Cell(i, 0).center().y();
        const QRect label(grid.left() - 200, y - line / 2,
                          layout.RowLabelRight() - grid.left() + 200, line);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, Text(map.RowLabel(i)));
    }
    for (int j = 0; j < DeckSize; j += layout.ColumnLabelStep()) {
        const QRect label(layout.Cell(0, j).center().x() - 20, layout.ColumnLabelBand().top(), 41,
                          line);
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignBottom, Text(BiasMap::ColumnLabel(j)));
    }
    painter.drawText(layout.ColumnCaptionBand(), Qt::AlignHCenter | Qt::AlignBottom,
                     Text(map.ColumnAxisCaption()));
    painter.save();
    painter.translate(layout.RowCaptionCentre(), grid.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-grid.height() / 2, -line / 2, grid.height(), line), Qt::AlignCenter,
                     Text(map.RowAxisCaption()));
    painter.restore();
}

// The colour bar with its z scale. The cells' colours interpolate linearly in RGB between white
// and the two end colours, which is what a linear gradient through the three does.
void DrawLegend(QPainter& painter, const BiasMapLayout& layout) {
    const QRect bar = layout.LegendBar();
    QLinearGradient gradient(0, bar.top(), 0, bar.bottom() + 1);
    gradient.setColorAt(0.0, ToQColor(BiasHighColour));
    gradient.setColorAt(0.5, ToQColor(BiasZeroColour));
    gradient.setColorAt(1.0, ToQColor(BiasLowColour));
    painter.fillRect(bar, gradient);
    painter.setFont(layout.LabelFont());
    const int line = QFontMetrics(layout.LabelFont()).height();
    for (int k = 0; k < 5; ++k) {
        const int y = bar.top() + (k * (bar.height() - 1) + 2) / 4;
        painter.drawLine(bar.right() + 1, y, bar.right() + 3, y);
        painter.drawText(QRect(layout.LegendLabelLeft(), y - line / 2, 200, line),
                         Qt::AlignLeft | Qt::AlignVCenter, LegendTicks[k]);
    }
    painter.drawText(QRect(bar.left() - 20, layout.ColumnLabelBand().top(), bar.width() + 40, line),
                     Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("z"));
}

}  // namespace

void DrawBiasMap(QPainter& painter, const QRect& area, const BiasMap& map) {
    const BiasMapLayout layout(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, Qt::white);
    painter.setPen(TextColour);
    painter.setBrush(Qt::NoBrush);
    DrawTitle(painter, layout, map);
    DrawCells(painter, layout, map);
    DrawAxes(painter, layout, map);
    DrawLegend(painter, layout);
    painter.setPen(FrameColour);
    painter.drawRect(layout.Grid().adjusted(-1, -1, 0, 0));
    painter.drawRect(layout.LegendBar().adjusted(-1, -1, 0, 0));
    painter.restore();
}

}  // namespace brevane
