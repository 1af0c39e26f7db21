// The chart as a person sees it: rendered on the offscreen platform and read back by its colours and
// texts, never compared with a stored picture (fonts differ from machine to machine).

#include "../app/window_fixture.h"
#include "app/chart_painter.h"
#include "app/chart_window.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

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

// The first and last rows inside the region that hold ink of the colour (most of a pixel covered by
// its line), or -1.
std::pair<int, int> inkRows(const QImage& image, const QRect& region, const QColor& colour) {
    std::pair<int, int> rows{-1, -1};
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (std::abs(qRed(pixel) - colour.red()) + std::abs(qGreen(pixel) - colour.green()) +
                    std::abs(qBlue(pixel) - colour.blue()) <
                120) {
                rows = {rows.first < 0 ? y : rows.first, y};
                break;
            }
        }
    }
    return rows;
}

// Each strip's box is framed where the layout puts it, and its curve fills it from its minimum to its
// maximum, clear of the frame; the trend is drawn over the Data alone.
TEST(ChartPicture, DrawsEachCurveFillingItsFramedBox) {
    const ChartContent content = sampleContent();
    QImage image(900, 900, QImage::Format_RGB32);
    QPainter painter(&image);
    paintChart(painter, QRectF(0, 0, 900, 900), content);
    const ChartLayout layout = chartLayoutFor(QRectF(0, 0, 900, 900), content, &image);
    ASSERT_EQ(layout.strips.size(), 13u);
    for (int s = 0; s < kChartStripCount; ++s) {
        const ChartRect& placed = layout.strips[s].box;
        const QRect box(std::lround(placed.left), std::lround(placed.top), std::lround(placed.width),
                        std::lround(placed.height));
        EXPECT_EQ(image.pixel(box.topLeft()), chart_colours::frame.rgb()) << "strip " << s;
        EXPECT_EQ(image.pixel(box.bottomRight() + QPoint(1, 1)), chart_colours::frame.rgb()) << "strip " << s;
        const auto [top, bottom] = inkRows(image, box.adjusted(1, 2, -1, -2), chart_colours::curve);
        EXPECT_TRUE(top > box.top() && top - box.top() < box.height() / 8) << "strip " << s;
        EXPECT_TRUE(bottom < box.bottom() && box.bottom() - bottom < box.height() / 8) << "strip " << s;
        EXPECT_EQ(inkRows(image, box, chart_colours::trend).first < 0, s != kDataStrip) << "strip " << s;
    }
    // The trend over the Data rises from left to right as its values do.
    const auto trendTopAt = [&](double x) {
        return inkRows(image, QRect(std::lround(x), 0, 1, 900), chart_colours::trend).first;
    };
    EXPECT_GT(trendTopAt(layout.plot.left + 10), trendTopAt(layout.plot.right() - 10) + 15);
    // A cursor on the last point stands at the plot's right edge; one past the last is not drawn.
    for (const auto& [point, drawn] : {std::pair{kPoints, true}, {kPoints + 1, false}}) {
        QImage withCursor(900, 900, QImage::Format_RGB32);
        QPainter cursorPainter(&withCursor);
        paintChart(cursorPainter, QRectF(0, 0, 900, 900), content, point);
        const QRect edge(std::lround(layout.plot.right()) - 1, std::lround(layout.plot.top), 3, 50);
        EXPECT_EQ(inkRows(withCursor, edge, chart_colours::cursor).first >= 0, drawn) << point;
    }
}

// The Save dialog leaves the window (and a run feeding it) going; the file holds the chart as it was
// when Save was chosen, at the size shown, and is written away from the window: a close waits for a
// file nobody reads yet to be whole, and a failure leaves no file and says why. The strips' titles,
// the trend's legend, the x axis's caption and the notice are texts of the drawing.
TEST(ChartWindowSave, WritesAwayFromTheWindowWhatWasShownAndReportsFailures) {
    QTemporaryDir dir;
    std::vector<testing::ShownMessage> messages;
    std::string notice = "Shown when Save was chosen";
    auto window = std::make_unique<ChartWindow>(std::make_unique<testing::RecordingSink>(messages));
    window->setContentSource([&notice] {
        ChartContent content = sampleContent();
        content.notice = notice;
        return content;
    });
    window->contentChanged();
    window->resize(400, 500);
    window->show();
    QSignalSpy finished(window.get(), &ChartWindow::saveFinished);
    window->save();
    auto* dialog = window->findChild<QFileDialog*>();
    ASSERT_TRUE(dialog != nullptr && dialog->isVisible());
    notice = "Shown later";
    window->contentChanged();
    dialog->selectFile(dir.filePath("chart.SVG"));
    static_cast<QDialog*>(dialog)->accept();
    window->saveTo(dir.filePath("shown.png"));
    window->saveTo(dir.filePath("missing/chart.png"));
    window->saveTo(dir.filePath("chart.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 4; }, 30000));
    QFile svg(dir.filePath("chart.SVG"));
    svg.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&svg); // a well-formed file: its texts are read to the end
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text")) {
            texts << xml.readElementText().trimmed();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    for (const char* text : {"Data", "Oscillation", "Wave 1", "Wave 10", "Remainder", "Linear trend", "Point",
                             "Shown when Save was chosen"}) {
        EXPECT_EQ(texts.count(QString::fromLatin1(text)), 1) << text;
    }
    EXPECT_EQ(QImage(dir.filePath("shown.png")).size(), window->findChild<ChartCanvas*>()->size());
    std::ranges::sort(messages); // the writers may finish in any order
    const std::string unknown = dir.filePath("chart.txt").toStdString();
    const std::string missing = dir.filePath("missing/chart.png").toStdString();
    EXPECT_EQ(messages, (std::vector<testing::ShownMessage>{
                            {"Cannot tell the format of " + unknown + ": the chart is saved as .png or .svg.",
                             MessageIcon::Exclamation},
                            {"Could not write the chart to " + missing + ": No such file or directory",
                             MessageIcon::Exclamation}}));
    EXPECT_EQ(finished.count(QVariantList{dir.filePath("missing/chart.png"), false}), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);

    const QString pipe = dir.filePath("pipe.png");
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    window->saveTo(pipe);
    QByteArray piped;
    std::atomic<bool> readerOpening = false;
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        readerOpening = true;
        QFile file(pipe);
        file.open(QIODevice::ReadOnly);
        piped = file.readAll();
    });
    window.reset();
    EXPECT_TRUE(readerOpening); // the writer could not finish before the reader opened the pipe
    reader.join();
    EXPECT_TRUE(piped.endsWith("IEND\xAE\x42\x60\x82"));
}

} // namespace
} // namespace vantrel
