// The chart as a person sees it: rendered on the offscreen platform and read back by its colours and
// texts, never compared with a stored picture (fonts differ from machine to machine).

#include "app/chart_painter.h"
#include "app/chart_window.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace vantrel {
namespace {

constexpr int kPoints = 300;

// A rising trend with a swing, the swing as the oscillation, and a sine of its own in every other
// strip.
ChartContent sampleContent() {
    ChartContent content = chartSkeleton(kPoints);
    content.modelName = "Linear";
    for (int p = 1; p <= kPoints; ++p) {
        const double trend = 100 + 0.5 * p;
        const double swing = 20 * std::sin(p * 0.05);
        content.strips[kDataStrip].values.push_back(trend + swing);
        content.strips[kDataStrip].overlay.push_back(trend);
        content.strips[kOscillationStrip].values.push_back(swing);
        for (int s = kFirstWaveStrip; s <= kRemainderStrip; ++s) {
            content.strips[s].values.push_back(std::pow(10.0, s - 6) * std::sin(p * 0.02 * s));
        }
    }
    return content;
}

QImage render(const ChartContent& content, QSize size = QSize(900, 900)) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    paintChart(painter, QRectF(QPointF(0, 0), size), content);
    return image;
}

// A pixel is of a curve's colour where the line covers most of it.
bool isInk(QRgb pixel, const QColor& colour) {
    const int distance = std::abs(qRed(pixel) - colour.red()) + std::abs(qGreen(pixel) - colour.green()) +
                         std::abs(qBlue(pixel) - colour.blue());
    return distance < 120;
}

// The strips' boxes as the frame colour outlines them: one run down the leftmost frame-coloured column
// per box, reaching right along its top edge.
std::vector<QRect> findBoxes(const QImage& image) {
    const QRgb frame = chart_colours::frame.rgb();
    const auto isFrame = [&](int x, int y) {
        return x < image.width() && y < image.height() && image.pixel(x, y) == frame;
    };
    int edge = 0;
    for (bool found = false; !found && edge < image.width(); edge += found ? 0 : 1) {
        for (int y = 0; y < image.height() && !found; ++y) {
            found = isFrame(edge, y);
        }
    }
    std::vector<QRect> boxes;
    for (int y = 0; y < image.height(); ++y) {
        const int top = y;
        for (; isFrame(edge, y); ++y) {
        }
        int right = edge;
        for (; y > top && isFrame(right + 1, top); ++right) {
        }
        if (y > top) {
            boxes.push_back(QRect(QPoint(edge, top), QPoint(right, y - 1)));
        }
    }
    return boxes;
}

// The first and last rows inside the region that hold ink of the colour, or -1.
std::pair<int, int> inkRows(const QImage& image, const QRect& region, const QColor& colour) {
    std::pair<int, int> rows{-1, -1};
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            if (isInk(image.pixel(x, y), colour)) {
                rows = {rows.first < 0 ? y : rows.first, y};
                break;
            }
        }
    }
    return rows;
}

// The texts of a well-formed SVG file.
QStringList svgTexts(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&file);
    QStringList texts;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("text")) {
            texts << reader.readElementText().trimmed();
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return texts;
}

TEST(ChartPicture, ShowsThirteenStripsEachCurveFillingItsBoxFromItsMinimumToItsMaximum) {
    const QImage image = render(sampleContent());
    const std::vector<QRect> boxes = findBoxes(image);
    ASSERT_EQ(boxes.size(), 13u);
    for (int s = 0; s < kChartStripCount; ++s) {
        const QRect& box = boxes[s];
        EXPECT_GT(box.top(), s == 0 ? 0 : boxes[s - 1].bottom() + 5) << "strip " << s;
        // Clear of the frame, and no more than an eighth of the box left empty above and below.
        const auto [top, bottom] = inkRows(image, box.adjusted(1, 2, -1, -2), chart_colours::curve);
        ASSERT_GE(top, 0) << "strip " << s;
        EXPECT_LT(top - box.top(), box.height() / 8) << "strip " << s;
        EXPECT_LT(box.bottom() - bottom, box.height() / 8) << "strip " << s;
        EXPECT_EQ(inkRows(image, box, chart_colours::trend).first < 0, s != kDataStrip) << "strip " << s;
    }
    // The trend over the Data rises from left to right as its values do.
    const QRect& data = boxes[kDataStrip];
    const int trendAtLeft =
        inkRows(image, QRect(data.left() + 10, data.top(), 1, data.height()), chart_colours::trend).first;
    const int trendAtRight =
        inkRows(image, QRect(data.right() - 10, data.top(), 1, data.height()), chart_colours::trend).first;
    EXPECT_GT(trendAtLeft, trendAtRight + data.height() / 3);
}

TEST(ChartPicture, BeforeAPasteShowsThirteenEmptyStripsAndSaysWhy) {
    ChartContent content = chartSkeleton(0);
    content.notice = chartNoticeText(ChartNotice::NoSeriesYet, false);
    const QImage image = render(content);
    const std::vector<QRect> boxes = findBoxes(image);
    EXPECT_EQ(boxes.size(), 13u);
    for (const QRect& box : boxes) {
        EXPECT_LT(inkRows(image, box, chart_colours::curve).first, 0);
    }
    QTemporaryDir dir;
    ASSERT_TRUE(saveChart(content, dir.filePath("empty.svg"), QSize(900, 900), nullptr));
    EXPECT_TRUE(svgTexts(dir.filePath("empty.svg")).contains(QString::fromStdString(content.notice)));
}

TEST(ChartFile, IsAPngOfTheAskedSizeOrAWellFormedSvgWithThirteenStrips) {
    QTemporaryDir dir;
    const ChartContent content = sampleContent();
    ASSERT_TRUE(saveChart(content, dir.filePath("chart.png"), QSize(1200, 1600), nullptr));
    const QImage png(dir.filePath("chart.png"));
    EXPECT_EQ(png.size(), QSize(1200, 1600));
    EXPECT_EQ(findBoxes(png).size(), 13u);

    ASSERT_TRUE(saveChart(content, dir.filePath("chart.SVG"), QSize(1200, 1600), nullptr));
    const QStringList texts = svgTexts(dir.filePath("chart.SVG"));
    for (const ChartStrip& strip : content.strips) {
        EXPECT_EQ(texts.count(QString::fromStdString(strip.title)), 1) << strip.title;
    }
}

TEST(ChartFile, RefusesWhatItCannotWriteAndSaysWhy) {
    QTemporaryDir dir;
    struct Case {
        QString path;
        QSize size;
        const char* said;
    } cases[] = {
        {dir.filePath("chart.txt"), QSize(900, 900), ".png or .svg"},
        {dir.filePath("chart.png"), QSize(0, 900), "100 to 10000 pixels"},
        {dir.filePath("missing/chart.svg"), QSize(900, 900), "missing/chart.svg"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(saveChart(sampleContent(), c.path, c.size, &error)) << c.path.toStdString();
        EXPECT_TRUE(error.contains(c.said)) << error.toStdString();
        EXPECT_FALSE(QFile::exists(c.path)) << c.path.toStdString();
    }
}

// The window saves the chart at the size it shows it.
TEST(ChartWindow, SavesTheChartAtTheSizeItShowsIt) {
    ChartWindow window;
    window.show();
    window.setContent(sampleContent());
    QTemporaryDir dir;
    EXPECT_TRUE(window.saveTo(dir.filePath("shown.png")));
    EXPECT_EQ(QImage(dir.filePath("shown.png")).size(), window.canvas()->size());
}

} // namespace
} // namespace vantrel
