#pragma once

#include <QByteArray>
#include <QSize>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "render/BiasMapPicture.h"
#include "stats/BiasMap.h"

class QGuiApplication;

namespace brevane {

enum class PictureFormat { Png, Svg };

// The format a file name asks for by its extension, ".png" or ".svg" in any case; nullopt for
// any other name.
std::optional<PictureFormat> PictureFormatOfPath(std::string_view path);

// The picture of `map` drawn once at `size`, as the bytes of a PNG file (through QImage) or of
// an SVG file (through QSvgGenerator). Needs a QGuiApplication for its fonts.
QByteArray EncodeBiasMap(const BiasMap& map, PictureFormat format, QSize size = BiasMapPictureSize);

// Writes the picture to `path` at BiasMapPictureSize under a temporary name, renamed over the
// target only when complete (ReplacingFile). Failures throw std::system_error naming the path,
// or std::runtime_error when the picture cannot be encoded.
void SaveBiasMapPicture(const BiasMap& map, PictureFormat format, const std::string& path);

// A QGuiApplication on the offscreen platform for the lifetime of this object, so that a
// program without windows can draw text with no display; nothing when the process already has
// an application object. Meanwhile Qt's warnings stay off standard error.
class OffscreenPainting {
  public:
    OffscreenPainting();
    ~OffscreenPainting();
    OffscreenPainting(const OffscreenPainting&) = delete;
    OffscreenPainting& operator=(const OffscreenPainting&) = delete;

  private:
    std::unique_ptr<QGuiApplication> app_;
    QtMessageHandler previousHandler_ = nullptr;
};

}  // namespace brevane
