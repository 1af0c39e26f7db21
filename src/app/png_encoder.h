#pragma once

#include <QByteArray>

#include <memory>

class QImage;

namespace vantrel {

// The image as the bytes of a PNG file of 8-bit RGB (alpha is dropped), with the image's
// resolution. Returns no bytes when there is not enough memory.
QByteArray pngFileBytes(const QImage& image);

// Deflates an RGB32 image while it is still being painted: the rows the painter says are final are
// deflated at once, on threads of their own, so that most of the file is ready when the painting
// ends. The image must outlive the encoding and keep its size and format.
class PngEncoding {
public:
    explicit PngEncoding(const QImage& image);
    PngEncoding(const PngEncoding&) = delete;
    PngEncoding& operator=(const PngEncoding&) = delete;
    ~PngEncoding();

    // The rows above `row` will not change any more.
    void rowsFinal(int row);
    // Every row is final: the bytes of the PNG file, or none when there is not enough memory.
    QByteArray finish();

private:
    struct Bands;
    std::unique_ptr<Bands> bands_;
};

} // namespace vantrel
