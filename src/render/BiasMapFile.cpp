#include "render/BiasMapFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "os/OutputFile.h"

namespace brevane {

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// `text` as XML character data: the five markup characters as entities, and the characters
// XML does not allow at all (most controls, U+FFFE, U+FFFF) as U+FFFD.
QString XmlText(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'&') {
            escaped += QStringLiteral("&amp;");
        } else if (u == u'<') {
            escaped += QStringLiteral("&lt;");
        } else if (u == u'>') {
            escaped += QStringLiteral("&gt;");
        } else if (u == u'"') {
            escaped += QStringLiteral("&quot;");
        } else if (u == u'\'') {
            escaped += QStringLiteral("&apos;");
        } else if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE ||
                   u == 0xFFFF) {
            escaped += QChar(0xFFFD);
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

std::optional<PictureFormat> PictureFormatOfPath(std::string_view path) {
    if (EndsWithNoCase(path, ".png")) return PictureFormat::Png;
    if (EndsWithNoCase(path, ".svg")) return PictureFormat::Svg;
    return std::nullopt;
}

QByteArray EncodeBiasMap(const BiasMap& map, PictureFormat format, QSize size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRect area(QPoint(0, 0), size);
    if (format == PictureFormat::Png) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            DrawBiasMap(painter, area, map);
        }
        if (!image.save(&buffer, "PNG"))
            throw std::runtime_error("the PNG picture could not be encoded");
        return bytes;
    }
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(area);
    // The generator copies the title and the description into the file as they are, where it
    // escapes the text it draws.
    svg.setTitle(XmlText(QStringLiteral("Bias map")));
    svg.setDescription(XmlText(QString::fromStdString(map.Title())));
    QPainter painter;
    if (!painter.begin(&svg)) throw std::runtime_error("the SVG picture could not be encoded");
    // The generator writes the painter's font into every group, also where no text is drawn;
    // the picture's own font, not the application's, keeps the file the same in the window and
    // on the command line.
    painter.setFont(BiasMapLayout(area).LabelFont());
    DrawBiasMap(painter, area, map);
    painter.end();
    return bytes;
}

void SaveBiasMapPicture(const BiasMap& map, PictureFormat format, const std::string& path) {
    const QByteArray bytes = EncodeBiasMap(map, format);
    ReplacingFile file(path);
    file.Out().Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    file.Commit();
}

namespace {

// Qt's own notes (a missing XDG_RUNTIME_DIR, font substitutions) are not the program's output;
// only critical and fatal messages reach standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

}  // namespace

OffscreenPainting::OffscreenPainting() {
    if (QCoreApplication::instance() != nullptr) return;
    previousHandler_ = qInstallMessageHandler(QuietMessages);
    // The platform named on the command line wins over QT_QPA_PLATFORM. The application takes
    // the options it reads out of argc and argv, so both are set afresh for every application:
    // a second one in the same process would otherwise start with no platform.
    static int argc;
    static char name[] = "brevane-cli";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[4];
    argc = 3;
    argv[0] = name;
    argv[1] = option;
    argv[2] = platform;
    argv[3] = nullptr;
    app_ = std::make_unique<QGuiApplication>(argc, argv);
}

OffscreenPainting::~OffscreenPainting() {
    if (!app_) return;
    app_.reset();
    qInstallMessageHandler(previousHandler_);
}

}  // namespace brevane
