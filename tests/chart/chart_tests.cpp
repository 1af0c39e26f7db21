// The chart as a person sees it: rendered on the offscreen platform and read back by its colours and
// texts, never compared with a stored picture (fonts differ from machine to machine).

#include "app/chart_painter.h"
#include "app/chart_window.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
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

// The strips' boxes as the frame colour outlines them: the left edges are the leftmost frame-coloured
// column, one vertical run per box.
std::vector<QRect> findBoxes(const QImage& image) {
    const QRgb frame = chart_colours::frame.rgb();
    int edge = -1;
    for (int x = 0; x < image.width() && edge < 0; ++x) {
        for (int y = 0; y < image.height() && edge < 0; ++y) {
            edge = image.pixel(x, y) == frame ? x : -1;
        }
    }
    std::vector<QRect> boxes;
    for (int y = 0; edge >= 0 && y < image.height(); ++y) {
        if (image.pixel(edge, y) != frame) {
            continue;
        }
        const int top = y;
        while (y < image.height() && image.pixel(edge, y) == frame) {
            ++y;
        }
        int right = edge;
        while (right + 1 < image.width() && image.pixel(right + 1, top) == frame) {
            ++right;
        }
        boxes.push_back(QRect(QPoint(edge, top), QPoint(right, y - 1)));
    }
    return boxes;
}

// The rows of a box's inside that hold ink of the colour, and the ink's height at a column.
struct Ink {
    int top = -1;
    int bottom = -1;
};

Ink inkRows(const QImage& image, const QRect& box, const QColor& colour, int onlyColumn = -1) {
    Ink ink;
    const int from = onlyColumn >= 0 ? onlyColumn : box.left() + 1;
    const int to = onlyColumn >= 0 ? onlyColumn : box.right() - 1;
    for (int y = box.top() + 1; y < box.bottom(); ++y) {
        for (int x = from; x <= to; ++x) {
            if (isInk(image.pixel(x, y), colour)) {
                ink.top = ink.top < 0 ? y : ink.top;
                ink.bottom = y;
                break;
            }
        }
    }
    return ink;
}

QStringList svgTexts(const QString& path, QString* error) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&file);
    QStringList texts;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("text")) {
            texts << reader.readElementText().trimmed();
        }
    }
    *error = reader.hasError() ? reader.errorString() : QString();
    return texts;
}

TEST(ChartPicture, ShowsThirteenStripsOfOneHeightOneUnderTheOther) {
    for (const ChartContent& content : {sampleContent(), chartSkeleton(0)}) {
        const std::vector<QRect> boxes = findBoxes(render(content));
        ASSERT_EQ(boxes.size(), 13u);
        for (size_t i = 1; i < boxes.size(); ++i) {
            EXPECT_GT(boxes[i].top(), boxes[i - 1].bottom() + 5);
            EXPECT_NEAR(boxes[i].height(), boxes[0].height(), 1);
            EXPECT_EQ(boxes[i].left(), boxes[0].left());
            EXPECT_EQ(boxes[i].right(), boxes[0].right());
        }
    }
}

TEST(ChartPicture, EveryCurveSpansItsBoxFromItsMinimumToItsMaximum) {
    const QImage image = render(sampleContent());
    const std::vector<QRect> boxes = findBoxes(image);
    ASSERT_EQ(boxes.size(), 13u);
    for (int s = 0; s < kChartStripCount; ++s) {
        const QRect& box = boxes[s];
        const Ink ink = inkRows(image, box, chart_colours::curve);
        ASSERT_GE(ink.top, 0) << "strip " << s;
        // Clear of the frame, and no more than an eighth of the box left empty above and below.
        EXPECT_GT(ink.top, box.top() + 1) << "strip " << s;
        EXPECT_LT(ink.bottom, box.bottom() - 1) << "strip " << s;
        EXPECT_LT(ink.top - box.top(), box.height() / 8) << "strip " << s;
        EXPECT_LT(box.bottom() - ink.bottom, box.height() / 8) << "strip " << s;
    }
}

TEST(ChartPicture, TheDataStripHoldsTheDataAndItsRisingTrendInTwoColours) {
    const QImage image = render(sampleContent());
    const std::vector<QRect> boxes = findBoxes(image);
    ASSERT_EQ(boxes.size(), 13u);
    const QRect& data = boxes[kDataStrip];
    EXPECT_GE(inkRows(image, data, chart_colours::curve).top, 0);
    const Ink left = inkRows(image, data, chart_colours::trend, data.left() + 10);
    const Ink right = inkRows(image, data, chart_colours::trend, data.right() - 10);
    ASSERT_GE(left.top, 0);
    ASSERT_GE(right.top, 0);
    EXPECT_GT(left.top, right.top + data.height() / 3);
    for (int s = kOscillationStrip; s < kChartStripCount; ++s) {
        EXPECT_LT(inkRows(image, boxes[s], chart_colours::trend).top, 0) << "strip " << s;
    }
}

TEST(ChartPicture, BeforeAPasteShowsEmptyStripsAndSaysWhy) {
    ChartContent content = chartSkeleton(0);
    content.notice = chartNoticeText(ChartNotice::NoSeriesYet, false);
    const QImage image = render(content);
    for (const QRect& box : findBoxes(image)) {
        EXPECT_LT(inkRows(image, box, chart_colours::curve).top, 0);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.svg");
    ASSERT_TRUE(saveChart(content, path, QSize(900, 900), nullptr));
    QString error;
    const QStringList texts = svgTexts(path, &error);
    EXPECT_TRUE(texts.contains(QString::fromStdString(content.notice))) << texts.join('|').toStdString();
}

TEST(ChartFile, IsAPngOfTheAskedSizeOrAWellFormedSvgWithThirteenStrips) {
    QTemporaryDir dir;
    const ChartContent content = sampleContent();
    const QString png = dir.filePath("chart.png");
    ASSERT_TRUE(saveChart(content, png, QSize(1200, 1600), nullptr));
    EXPECT_EQ(QImage(png).size(), QSize(1200, 1600));
    EXPECT_EQ(findBoxes(QImage(png)).size(), 13u);

    const QString svg = dir.filePath("chart.SVG");
    ASSERT_TRUE(saveChart(content, svg, QSize(1200, 1600), nullptr));
    QString error;
    const QStringList texts = svgTexts(svg, &error);
    EXPECT_EQ(error, QString());
    QStringList titles;
    for (const ChartStrip& strip : content.strips) {
        titles << QString::fromStdString(strip.title);
    }
    EXPECT_EQ(titles.size(), 13);
    for (const QString& title : titles) {
        EXPECT_EQ(texts.count(title), 1) << title.toStdString();
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
        {dir.filePath("chart"), QSize(900, 900), ".png or .svg"},
        {dir.filePath("chart.png"), QSize(0, 900), "100 to 10000 pixels"},
        {dir.filePath("chart.svg"), QSize(900, 20000), "100 to 10000 pixels"},
        {dir.filePath("missing/chart.png"), QSize(900, 900), "missing/chart.png"},
        {dir.filePath("missing/chart.svg"), QSize(900, 900), "missing/chart.svg"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(saveChart(sampleContent(), c.path, c.size, &error)) << c.path.toStdString();
        EXPECT_TRUE(error.contains(c.said)) << error.toStdString();
        EXPECT_FALSE(QFile::exists(c.path)) << c.path.toStdString();
    }
}

class RecordingSink final : public MessageSink {
public:
    explicit RecordingSink(std::vector<std::string>& log) : m_log(log) {}
    void showFailure(const std::string& text, MessageIcon) override { m_log.push_back(text); }

private:
    std::vector<std::string>& m_log;
};

void moveMouse(QWidget* widget, QPointF position) {
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

TEST(ChartWindow, FollowsTheMouseWithTheCursorAndReportsAFailedSave) {
    std::vector<std::string> messages;
    ChartWindow window(std::make_unique<RecordingSink>(messages));
    EXPECT_EQ(window.windowTitle(), "The Vantrel - Chart");
    EXPECT_EQ(window.size(), QSize(900, 900));
    EXPECT_FALSE(window.isModal());
    EXPECT_FALSE(window.canvas()->accessibleName().isEmpty());
    window.show();
    window.setContent(sampleContent());

    ChartCanvas* canvas = window.canvas();
    const QPointF middle(canvas->width() / 2.0, canvas->height() / 2.0);
    moveMouse(canvas, middle);
    ASSERT_TRUE(canvas->cursorPoint().has_value());
    EXPECT_NEAR(*canvas->cursorPoint(), kPoints / 2, kPoints / 20);
    moveMouse(canvas, QPointF(canvas->width() - 1, middle.y()));
    EXPECT_FALSE(canvas->cursorPoint().has_value());

    moveMouse(canvas, middle);
    window.setContent(chartSkeleton(0));
    EXPECT_FALSE(canvas->cursorPoint().has_value());

    QTemporaryDir dir;
    EXPECT_TRUE(window.saveTo(dir.filePath("shown.png")));
    EXPECT_EQ(QImage(dir.filePath("shown.png")).size(), canvas->size());
    EXPECT_FALSE(window.saveTo(dir.filePath("shown.jpg")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(".png or .svg"), std::string::npos);
}

} // namespace
} // namespace vantrel

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
