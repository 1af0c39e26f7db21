// The chart's PNG holds every pixel as drawn, on a new image or on one drawn on before, read back by
// the toolkit's own PNG reader.
#include "app/chart_painter.h"
#include "app/png_encoder.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace vantrel {

// Noise deflates to more room than the encoder sets aside; some sizes have fewer rows than bands.
// Black pixels in it match the zeros of a wrong row above, which the reader would then copy.
TEST(PngPixels, NoiseOfEverySizeReadsBackAsWritten) {
    std::mt19937 generator(11);
    for (const QSize size : {QSize(1, 1), QSize(7, 3), QSize(300, 1), QSize(1, 300), QSize(257, 161)}) {
        QImage image(size, QImage::Format_RGB32);
        for (int n = 0; n < size.width() * size.height(); ++n) {
            const unsigned noise = generator();
            image.setPixel(n % size.width(), n / size.width(), noise % 3 == 0 ? 0xFF000000U : noise | 0xFF000000U);
        }
        EXPECT_EQ(QImage::fromData(pngFileBytes(image), "PNG"), image) << size.width() << "x" << size.height();
    }
}

ChartContent sineWaves() {
    ChartContent content = chartSkeleton(1500);
    content.modelName = "Linear";
    for (std::size_t s = 0; s + 1 < content.strips.size(); ++s) { // the last strip stays empty
        for (int p = 0; p < 1500; ++p) {
            content.strips[s].values.push_back(std::sin(p * 0.01 * static_cast<double>(s + 1)));
        }
    }
    for (int p = 0; p < 1500; ++p) {
        content.strips[0].overlay.push_back(p * 0.001 - 0.75);
    }
    return content;
}

// The curves are drawn on two threads beside the texts, and the strips deflated while the ones below
// them are drawn: a chart of long titles alone has its frames drawn long before its texts. A notice
// goes over every strip.
TEST(PngPixels, ChartFileHoldsThePaintedChart) {
    ChartContent withNotice = sineWaves();
    withNotice.notice = "A notice over the strips";
    ChartContent longTitles = chartSkeleton(1500);
    for (ChartStrip& strip : longTitles.strips) {
        strip.title = std::string(4000, 'W');
    }
    for (const ChartContent& content : {longTitles, sineWaves(), withNotice}) {
        QImage painted(1200, 1600, QImage::Format_RGB32);
        QPainter painter(&painted);
        paintChart(painter, QRectF(0, 0, 1200, 1600), content);
        painter.end();
        QImage usedCanvas = chartCanvas(painted.size());
        usedCanvas.fill(Qt::red);
        for (QImage* canvas : {static_cast<QImage*>(nullptr), &usedCanvas}) {
            EXPECT_EQ(QImage::fromData(chartFileBytes(content, "c.png", painted.size(), nullptr, canvas)), painted)
                << content.notice << content.strips[0].values.size();
        }
        EXPECT_EQ(usedCanvas, painted); // painted on, not beside
    }
}

} // namespace vantrel
