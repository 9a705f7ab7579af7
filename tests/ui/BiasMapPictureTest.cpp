// The bias map renderer: layout, PNG and SVG written and read back, and the command line's
// picture being the one drawn here.
#include <unistd.h>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>
#include <QXmlStreamReader>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "AnalysisReference.h"
#include "render/BiasMapFile.h"
#include "render/BiasMapPicture.h"
#include "stats/FairnessReport.h"
#include "support/CliRunner.h"
#include "support/ReferenceShuffle.h"
#include "support/UiTestMain.h"

using namespace brevane;

namespace {

// The rows `brevane-cli map --shuffles rows --key <counting key>` makes.
BiasMap MapOfShuffles(std::size_t rows, BiasView view) {
    return BiasMap(CountShuffleList(reference::ShuffledList(rows), SeatView{}), view);
}

bool CloseColours(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QRgb ToRgb(const Rgb& c) {
    return qRgb(c.r, c.g, c.b);
}

// Compares the centre pixel of every cell of `image` with the map's colours.
void ExpectCellColours(const QImage& image, const BiasMap& map, int tolerance) {
    const BiasMapLayout layout(image.rect());
    int wrong = 0;
    for (int i = 0; i < 52; ++i) {
        for (int j = 0; j < 52; ++j) {
            const QRgb pixel = image.pixel(layout.Cell(i, j).center());
            if (!CloseColours(pixel, ToRgb(map.Colour(i, j)), tolerance)) ++wrong;
        }
    }
    QCOMPARE(wrong, 0);
}

}  // namespace

class BiasMapPictureTest : public QObject {
    Q_OBJECT

  private slots:
    void labelStepsAreTheFirstThatFit() {
        QCOMPARE(BiasMapLayout::LabelStep(12, 11), 1);
        QCOMPARE(BiasMapLayout::LabelStep(12, 12), 1);
        QCOMPARE(BiasMapLayout::LabelStep(12, 15), 2);
        QCOMPARE(BiasMapLayout::LabelStep(3, 11), 4);
        QCOMPARE(BiasMapLayout::LabelStep(1, 11), 13);
        QCOMPARE(BiasMapLayout::LabelStep(0.3, 11), 26);
    }

    // Cells tile the grid exactly, and each point of a cell finds that cell.
    void cellsTileTheGridAndAreFoundAgain() {
        for (const QRect area : {QRect(QPoint(0, 0), BiasMapPictureSize), QRect(5, 7, 431, 389),
                                 QRect(0, 0, 1500, 900)}) {
            const BiasMapLayout layout(area);
            const QRect grid = layout.Grid();
            QVERIFY(area.contains(grid));
            QCOMPARE(grid.width(), grid.height());
            long long covered = 0;
            for (int i = 0; i < 52; ++i) {
                for (int j = 0; j < 52; ++j) {
                    const QRect cell = layout.Cell(i, j);
                    covered += static_cast<long long>(cell.width()) * cell.height();
                    if (j > 0) QCOMPARE(cell.left(), layout.Cell(i, j - 1).right() + 1);
                    if (i > 0) QCOMPARE(cell.top(), layout.Cell(i - 1, j).bottom() + 1);
                    for (const QPoint p : {cell.topLeft(), cell.bottomRight(), cell.center()}) {
                        QVERIFY((layout.CellAt(p) == BiasMapCell{i, j}));
                    }
                }
            }
            QCOMPARE(covered, static_cast<long long>(grid.width()) * grid.height());
            QVERIFY(!layout.CellAt(grid.topLeft() - QPoint(1, 0)));
            QVERIFY(!layout.CellAt(grid.bottomRight() + QPoint(0, 1)));
            QVERIFY(area.contains(layout.LegendBar()));
        }
    }

    // Labels are thinned so that neighbours keep clear of each other.
    void labelsAreThinnedWhereTheyWouldOverlap() {
        const BiasMapLayout full(QRect(QPoint(0, 0), BiasMapPictureSize));
        QCOMPARE(full.RowLabelStep(), 1);
        QCOMPARE(full.ColumnLabelStep(), 2);
        const BiasMapLayout small(QRect(0, 0, 360, 320));
        QVERIFY(small.RowLabelStep() > 1);
        QVERIFY(small.ColumnLabelStep() > 2);
        for (const BiasMapLayout* layout : {&full, &small}) {
            const QFontMetrics metrics(layout->LabelFont());
            const int rowGap = layout->Cell(layout->RowLabelStep(), 0).center().y() -
                               layout->Cell(0, 0).center().y();
            QVERIFY(rowGap >= metrics.height() - 1);
            const int columnGap = layout->Cell(0, layout->ColumnLabelStep()).center().x() -
                                  layout->Cell(0, 0).center().x();
            QVERIFY(columnGap > metrics.horizontalAdvance(QStringLiteral("52")));
        }
    }

    void pngLoadsAtItsSizeWithTheCellColours() {
        const BiasMap map = MapOfShuffles(300, BiasView::Cards);
        const QByteArray bytes = EncodeBiasMap(map, PictureFormat::Png);
        const QImage image = QImage::fromData(bytes, "PNG");
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), BiasMapPictureSize);
        ExpectCellColours(image, map, 0);
        // The legend runs from the high colour at its top to the low colour at its bottom.
        const QRect bar = BiasMapLayout(image.rect()).LegendBar();
        QVERIFY(CloseColours(image.pixel(bar.center().x(), bar.top()), ToRgb(BiasHighColour), 3));
        QVERIFY(CloseColours(image.pixel(bar.center().x(), bar.bottom()), ToRgb(BiasLowColour), 3));
        QVERIFY(CloseColours(image.pixel(bar.center()), qRgb(255, 255, 255), 3));
        QVERIFY(CloseColours(image.pixel(bar.center().x(), bar.top() + bar.height() / 4),
                             ToRgb(BiasColour(2.0)), 3));
        // The title is drawn: dark pixels in its band.
        const QRect title = BiasMapLayout(image.rect()).TitleRect();
        int dark = 0;
        for (int x = title.left(); x <= title.right(); ++x)
            for (int y = title.top(); y <= title.bottom(); ++y)
                dark += qGray(image.pixel(x, y)) < 100;
        QVERIFY(dark > 200);
    }

    void svgParsesAndDrawsTheSameCells() {
        const BiasMap map = MapOfShuffles(300, BiasView::Moves);
        const QByteArray bytes = EncodeBiasMap(map, PictureFormat::Svg);
        QXmlStreamReader xml(bytes);
        int rects = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rect") ++rects;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(rects >= 52 * 52);

        QSvgRenderer renderer(bytes);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), BiasMapPictureSize));
        QImage image(BiasMapPictureSize, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(image.rect()));
        painter.end();
        ExpectCellColours(image, map, 1);
        QVERIFY(bytes.contains(QByteArray::fromStdString(map.Title())));
    }

    // Rows that never change give p = 0 in both views, and a title with "<" in it: the file
    // must still be XML, its description the title as it reads.
    void svgOfTheMostExtremeMapsIsXml() {
        const ShuffleRecord row = reference::ShuffledList(1).Record(0);
        ShuffleList same;
        for (int k = 0; k < 300; ++k) same.Append(row);
        for (const BiasView view : {BiasView::Cards, BiasView::Moves}) {
            const BiasMap map(CountShuffleList(same, SeatView{}), view);
            const QString title = QString::fromStdString(map.Title());
            QVERIFY2(title.contains(QStringLiteral("p < 4.9e-324")), qPrintable(title));
            QXmlStreamReader xml(EncodeBiasMap(map, PictureFormat::Svg));
            QStringList texts;
            QString description;
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement) continue;
                if (xml.name() == u"desc") description = xml.readElementText();
                if (xml.name() == u"text") texts.append(xml.readElementText());
            }
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QCOMPARE(description, title);
            QCOMPARE(texts.value(0), title);
        }
    }

    void saveWritesTheFileOrLeavesNone() {
        const BiasMap map = MapOfShuffles(100, BiasView::Cards);
        const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                             ("brevane-picture-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "map.svg").string();
        SaveBiasMapPicture(map, PictureFormat::Svg, path);
        QCOMPARE(QByteArray::fromStdString(test::ReadFileBytes(path)),
                 EncodeBiasMap(map, PictureFormat::Svg));
        bool threw = false;
        try {
            SaveBiasMapPicture(map, PictureFormat::Png, (folder / "missing" / "map.png").string());
        } catch (const std::system_error& error) {
            threw = true;
            QVERIFY(std::string(error.what()).find("map.png") != std::string::npos);
        }
        QVERIFY(threw);
        QCOMPARE(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
        std::filesystem::remove_all(folder);
    }

    void formatsByExtension() {
        QVERIFY(PictureFormatOfPath("a.png") == PictureFormat::Png);
        QVERIFY(PictureFormatOfPath("/x/B.PNG") == PictureFormat::Png);
        QVERIFY(PictureFormatOfPath("c.Svg") == PictureFormat::Svg);
        QVERIFY(!PictureFormatOfPath("png"));
        QVERIFY(!PictureFormatOfPath("d.svg.txt"));
    }

    // One renderer for both programs: the command line, run without a display, writes the
    // very picture drawn here.
    void commandLinePictureIsTheOneDrawnHere() {
        const QByteArray display = qgetenv("DISPLAY");
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        unsetenv("DISPLAY");
        unsetenv("QT_QPA_PLATFORM");
        const test::TempDir dir;
        const test::CliResult r =
            test::RunCli({"map", "--view", "moves", "--shuffles", "300", "--key",
                          test::CountingKeyHex, "--output", dir.File("m.png")});
        if (!display.isEmpty()) qputenv("DISPLAY", display);
        if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform);
        QCOMPARE(r.status, 0);
        QCOMPARE(QString::fromStdString(r.err), QString());
        const QImage fromCli(QString::fromStdString(dir.File("m.png")));
        const QImage here = QImage::fromData(
            EncodeBiasMap(MapOfShuffles(300, BiasView::Moves), PictureFormat::Png));
        QCOMPARE(fromCli.size(), BiasMapPictureSize);
        QVERIFY(fromCli.convertToFormat(QImage::Format_RGB32) ==
                here.convertToFormat(QImage::Format_RGB32));
    }
};

BREVANE_UI_TEST_MAIN(BiasMapPictureTest)
#include "BiasMapPictureTest.moc"
