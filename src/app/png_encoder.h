#pragma once

#include <QByteArray>

class QImage;

namespace vantrel {

// The image as the bytes of a PNG file of 8-bit RGB (alpha is dropped), with the image's
// resolution. Returns no bytes when there is not enough memory.
QByteArray pngFileBytes(const QImage& image);

} // namespace vantrel
