#include "app/chart_painter.h"

#include "app/png_encoder.h"
#include "export/file_writer.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <QSvgGenerator>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vantrel {

namespace {

constexpr double kTickLength = 4;
constexpr double kLabelGap = 6;

// The font grows with the picture up to a size that still leaves the boxes most of each strip.
QFont chartFont(const QRectF& rect, double scale) {
    QFont font;
    const double fitting = std::min(rect.height() / 76, rect.width() / 64);
    font.setPixelSize(static_cast<int>(std::clamp(fitting, 9.0 * scale, 13.0 * scale)));
    return font;
}

QRectF toQRect(const ChartRect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

TextMetrics textMetrics(const QFontMetricsF& metrics) {
    return {metrics.height(),
            [&metrics](const std::string& text) { return metrics.horizontalAdvance(QString::fromStdString(text)); }};
}

// A box of whole pixels, so that its outline is drawn crisp in the frame colour.
QRect pixelBox(const ChartRect& box) {
    return QRect(static_cast<int>(std::lround(box.left)), static_cast<int>(std::lround(box.top)),
                 static_cast<int>(std::lround(box.width)), static_cast<int>(std::lround(box.height)));
}

// A non-finite value breaks the curve: each run of finite values is drawn as its own line.
void drawSeries(QPainter& painter, const ChartLayout& layout, const StripLayout& strip,
                const std::vector<double>& series, const QColor& colour) {
    QPen pen(colour, 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    QPolygonF run;
    run.reserve(static_cast<qsizetype>(series.size()));
    const auto flush = [&painter, &run] {
        if (run.size() > 1) {
            painter.drawPolyline(run);
        }
        run.clear();
    };
    const int count = std::min(layout.pointCount, static_cast<int>(series.size()));
    for (int point = 1; point <= count; ++point) {
        const double value = series[point - 1];
        if (!std::isfinite(value)) {
            flush();
            continue;
        }
        run.append({pointToPixelX(layout, point), valueToPixelY(strip, value)});
    }
    flush();
}

// The zero line and the ticks: the curves are drawn over them.
void drawYAxisMarks(QPainter& painter, const StripLayout& strip, const ChartStyle& style) {
    const double left = strip.box.left;
    if (strip.range.low < 0 && strip.range.high > 0) {
        painter.setPen(QPen(style.zeroLine, 1, Qt::DashLine));
        const double zero = valueToPixelY(strip, 0);
        painter.drawLine(QPointF(left, zero), QPointF(strip.box.right(), zero));
    }
    painter.setPen(style.text);
    for (const double tick : strip.ticks) {
        const double y = valueToPixelY(strip, tick);
        painter.drawLine(QPointF(left - kTickLength, y), QPointF(left, y));
    }
}

// Left of the ticks, clear of them, in the painter's pen.
void drawTickLabels(QPainter& painter, const StripLayout& strip, double lineHeight) {
    const double left = strip.box.left;
    for (size_t i = 0; i < strip.ticks.size(); ++i) {
        const double y = valueToPixelY(strip, strip.ticks[i]);
        const QRectF labelBox(left - kLabelGap - 1000, y - lineHeight / 2, 1000, lineHeight);
        painter.drawText(labelBox, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(strip.tickLabels[i]));
    }
}

// The Data strip's legend names its two curves, the second after the fitted model.
void drawLegend(QPainter& painter, const StripLayout& strip, double x, const std::string& modelName,
                const ChartStyle& style) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double sample = metrics.height() * 1.5;
    const double y = strip.titleRow.top + strip.titleRow.height / 2;
    const QString trendName = modelName.empty() ? QString("trend") : QString::fromStdString(modelName) + " trend";
    const std::pair<QColor, QString> items[] = {{style.curve, "data"}, {style.trend, trendName}};
    for (const auto& [colour, name] : items) {
        painter.setPen(QPen(colour, 2));
        painter.drawLine(QPointF(x, y), QPointF(x + sample, y));
        x += sample + metrics.height() * 0.4;
        painter.setPen(style.text);
        painter.drawText(QRectF(x, strip.titleRow.top, metrics.horizontalAdvance(name) + 1, strip.titleRow.height),
                         Qt::AlignLeft | Qt::AlignVCenter, name);
        x += metrics.horizontalAdvance(name) + metrics.height();
    }
}

// A strip's curves stay inside its box, clear of every text and tick: the padded range keeps them
// off the top and bottom of the box.
void drawCurves(QPainter& painter, const ChartLayout& layout, const StripLayout& placed, const ChartStrip& strip,
                const ChartStyle& style) {
    drawSeries(painter, layout, placed, strip.values, style.curve);
    if (!strip.overlay.empty()) {
        drawSeries(painter, layout, placed, strip.overlay, style.trend);
    }
}

// Drawn after the curves, which reach its left and right sides.
void drawFrame(QPainter& painter, const StripLayout& placed, const ChartStyle& style) {
    painter.setPen(QPen(style.frame, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(pixelBox(placed.box));
}

// A strip's title, tick labels and legend: texts, apart from everything else the strip draws.
void drawStripTexts(QPainter& painter, const StripLayout& placed, const ChartStrip& strip, const ChartContent& content,
                    double lineHeight, const ChartStyle& style) {
    const QString title = QString::fromStdString(strip.title);
    painter.setPen(style.text);
    painter.drawText(toQRect(placed.titleRow), Qt::AlignLeft | Qt::AlignVCenter, title);
    if (placed.hasValues) {
        drawTickLabels(painter, placed, lineHeight);
        if (!strip.overlay.empty()) {
            const double titleEnd =
                placed.titleRow.left + QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(title);
            painter.setRenderHint(QPainter::Antialiasing, true);
            drawLegend(painter, placed, titleEnd + 2 * lineHeight, content.modelName, style);
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
    }
}

void drawStrip(QPainter& painter, const ChartLayout& layout, const StripLayout& placed, const ChartStrip& strip,
               const ChartContent& content, double lineHeight, const ChartStyle& style) {
    drawStripTexts(painter, placed, strip, content, lineHeight, style);
    if (placed.hasValues) {
        drawYAxisMarks(painter, placed, style);
        painter.setRenderHint(QPainter::Antialiasing, true);
        drawCurves(painter, layout, placed, strip, style);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    drawFrame(painter, placed, style);
}

void drawXAxis(QPainter& painter, const ChartLayout& layout, const ChartStyle& style) {
    const ChartRect& row = layout.xAxisRow;
    const double labelWidth = row.width;
    painter.setPen(style.text);
    for (size_t i = 0; i < layout.xTicks.size(); ++i) {
        const double x = pointToPixelX(layout, layout.xTicks[i]);
        painter.drawLine(QPointF(x, row.top), QPointF(x, row.top + kTickLength));
        const QRectF labelBox(x - labelWidth / 2, row.top + kTickLength, labelWidth, row.height - kTickLength);
        painter.drawText(labelBox, Qt::AlignHCenter | Qt::AlignVCenter, QString::fromStdString(layout.xTickLabels[i]));
    }
    // At the far left, clear of the first tick's label.
    const QRectF captionBox(layout.area.left, row.top + kTickLength, row.left - layout.area.left,
                            row.height - kTickLength);
    painter.drawText(captionBox, Qt::AlignLeft | Qt::AlignVCenter, kXAxisCaption);
}

void drawNotice(QPainter& painter, const ChartLayout& layout, const std::string& notice, const ChartStyle& style) {
    const QString text = QString::fromStdString(notice);
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QRectF plot = toQRect(layout.plot);
    const QSizeF size(metrics.horizontalAdvance(text) + 3 * metrics.height(), 2.5 * metrics.height());
    const QRectF box(plot.center() - QPointF(size.width() / 2, size.height() / 2), size);
    painter.setPen(QPen(style.text, 1));
    painter.setBrush(style.background);
    painter.drawRect(box);
    painter.setBrush(Qt::NoBrush);
    painter.drawText(box, Qt::AlignCenter, text);
}

// A text in a filled box centred on x, kept within the plot.
void drawPointLabel(QPainter& painter, const ChartLayout& layout, double x, const QString& text,
                    const ChartStyle& style) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double width = metrics.horizontalAdvance(text) + metrics.height();
    const double left =
        std::clamp(x - width / 2, layout.plot.left, std::max(layout.plot.left, layout.plot.right() - width));
    const QRectF box(left, layout.xAxisRow.top + kTickLength, width, layout.xAxisRow.height - kTickLength);
    painter.fillRect(box, style.cursor);
    painter.setPen(style.background);
    painter.drawText(box, Qt::AlignCenter, text);
}

void drawCursor(QPainter& painter, const ChartLayout& layout, const ChartContent& content, int point,
                const ChartStyle& style) {
    const double x = pointToPixelX(layout, point);
    painter.setPen(QPen(style.cursor, 1));
    painter.drawLine(QPointF(x, layout.plot.top), QPointF(x, layout.plot.bottom()));
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (size_t i = 0; i < layout.strips.size(); ++i) {
        const StripLayout& placed = layout.strips[i];
        const ChartStrip& strip = content.strips[i];
        const std::string value = cursorValueText(strip, point, content.format);
        if (value.empty()) {
            continue;
        }
        painter.setPen(style.cursor);
        painter.drawText(toQRect(placed.titleRow), Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(value));
        painter.setBrush(style.cursor);
        painter.drawEllipse(QPointF(x, valueToPixelY(placed, strip.values[point - 1])), 2.5, 2.5);
        painter.setBrush(Qt::NoBrush);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawPointLabel(painter, layout, x, QString("Point %1").arg(point), style);
}

// The highest row a strip paints is its title's, with a pixel or two of a glyph reaching out of its
// line: the label of a tick at the top of the box reaches half a line up, into the title's row.
int firstRowOf(const StripLayout& strip) {
    constexpr int kSpareRows = 2;
    return static_cast<int>(std::floor(strip.titleRow.top)) - kSpareRows;
}

// Fills the picture, lays the chart out, has `paintStrips` draw the strips, and draws over them the x
// axis, the notice and, for a point, the cursor.
using StripsPainter = std::function<void(QPainter& painter, const ChartLayout& layout, double lineHeight)>;
void paintChartWith(QPainter& painter, const QRectF& rect, const ChartContent& content, std::optional<int> cursorPoint,
                    const ChartStyle& style, const StripsPainter& paintStrips) {
    painter.save();
    painter.setFont(chartFont(rect, style.fontScale));
    painter.fillRect(rect, style.background);
    const ChartLayout layout = chartLayoutFor(rect, content, painter.device(), style.fontScale);
    paintStrips(painter, layout, QFontMetricsF(painter.font(), painter.device()).height());
    if (!layout.strips.empty()) {
        drawXAxis(painter, layout, style);
    }
    if (!content.notice.empty()) {
        drawNotice(painter, layout, content.notice, style);
    }
    if (cursorPoint && *cursorPoint >= 1 && *cursorPoint <= layout.pointCount) {
        drawCursor(painter, layout, content, *cursorPoint, style);
    }
    painter.restore();
}

// Hands out the strips whose curves and frames are yet to be drawn, one at a time, to the threads
// that draw them, and tells the encoder which rows are final: those above the first strip whose
// curves or texts are not drawn yet.
class StripCurves {
public:
    StripCurves(const ChartLayout& layout, const ChartContent& content, const ChartStyle& style,
                std::function<void(int row)> rowsFinal)
        : layout_(layout), content_(content), style_(style), rowsFinal_(std::move(rowsFinal)),
          curvesDrawn_(layout.strips.size(), false) {}

    void drawWith(QPainter& painter) {
        for (std::size_t i = next_++; i < layout_.strips.size(); i = next_++) {
            const StripLayout& placed = layout_.strips[i];
            if (placed.hasValues) {
                painter.setRenderHint(QPainter::Antialiasing, true);
                drawCurves(painter, layout_, placed, content_.strips[i], style_);
                painter.setRenderHint(QPainter::Antialiasing, false);
            }
            drawFrame(painter, placed, style_);
            const std::lock_guard lock(mutex_);
            curvesDrawn_[i] = true;
            tellRowsFinal();
        }
    }

    // The texts are drawn strip after strip, from the top.
    void textsDrawn(std::size_t strips) {
        const std::lock_guard lock(mutex_);
        textsDrawn_ = strips;
        tellRowsFinal();
    }

private:
    void tellRowsFinal() {
        while (firstUndrawn_ < curvesDrawn_.size() && curvesDrawn_[firstUndrawn_]) {
            ++firstUndrawn_;
        }
        const std::size_t first = std::min(firstUndrawn_, textsDrawn_);
        if (rowsFinal_ && first < curvesDrawn_.size()) {
            rowsFinal_(firstRowOf(layout_.strips[first]));
        }
    }

    const ChartLayout& layout_;
    const ChartContent& content_;
    const ChartStyle& style_;
    std::function<void(int row)> rowsFinal_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::vector<bool> curvesDrawn_;
    std::size_t firstUndrawn_ = 0;
    std::size_t textsDrawn_ = 0;
};

// The curves of the strips on this painter's thread and one more, which paints on the same pixels;
// this thread does `meanwhile` first.
void drawCurvesOnTwoThreads(QPainter& painter, QImage& image, StripCurves& curves,
                            const std::function<void()>& meanwhile) {
    QImage samePixels(image.bits(), image.width(), image.height(), image.bytesPerLine(), image.format());
    std::exception_ptr failure;
    {
        std::jthread other;
        try {
            other = std::jthread([&samePixels, &curves, &failure] {
                try {
                    QPainter otherPainter(&samePixels);
                    curves.drawWith(otherPainter);
                } catch (...) {
                    failure = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: this one draws them all.
        }
        meanwhile();
        curves.drawWith(painter);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// The strips of a PNG file's chart, with the pixels drawStrip gives, in less time. The zero lines and
// ticks come first; then the texts on this thread while another draws the curves, each strip's
// followed by its frame, and this one joins it when the texts are done. A strip's curves stay inside
// its box, away from every text, so the order of the two does not change a pixel. The encoder
// deflates the strips above the first one not drawn meanwhile; a notice goes over every strip.
void drawPngStrips(QPainter& painter, QImage& image, const ChartLayout& layout, double lineHeight,
                   const ChartContent& content, PngEncoding& encoding) {
    const ChartStyle style;
    for (const StripLayout& placed : layout.strips) {
        if (placed.hasValues) {
            drawYAxisMarks(painter, placed, style);
        }
    }
    StripCurves curves(layout, content, style, [&encoding, &content](int row) {
        if (content.notice.empty()) {
            encoding.rowsFinal(row);
        }
    });
    drawCurvesOnTwoThreads(painter, image, curves, [&] {
        for (std::size_t i = 0; i < layout.strips.size(); ++i) {
            drawStripTexts(painter, layout.strips[i], content.strips[i], content, lineHeight, style);
            curves.textsDrawn(i + 1);
        }
    });
}

void paintPngChart(QImage& image, const ChartContent& content, PngEncoding& encoding) {
    QPainter painter(&image);
    paintChartWith(painter, QRectF(QPointF(0, 0), image.size()), content, std::nullopt, {},
                   [&image, &content, &encoding](QPainter& onImage, const ChartLayout& layout, double lineHeight) {
                       drawPngStrips(onImage, image, layout, lineHeight, content, encoding);
                   });
}

bool failWith(QString* error, const QString& text) {
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

struct Mapping {
    void* start;
    std::size_t length;
};

void unmap(void* mapping) {
    const auto* pages = static_cast<Mapping*>(mapping);
    munmap(pages->start, pages->length);
    delete pages;
}

// The chart fills the whole picture first, so a canvas painted before gives the same pixels as a new
// one. The strips above the one being painted are deflated meanwhile.
QByteArray pngBytes(const ChartContent& content, QSize size, QString* error, QImage* canvas) {
    QImage fresh;
    const bool canvasFits = canvas != nullptr && canvas->size() == size && canvas->format() == QImage::Format_RGB32;
    QImage& image = canvasFits ? *canvas : (fresh = QImage(size, QImage::Format_RGB32));
    if (image.isNull()) {
        failWith(
            error,
            QString("There is not enough memory for a chart of %1 x %2 pixels.").arg(size.width()).arg(size.height()));
        return {};
    }
    PngEncoding encoding(image);
    paintPngChart(image, content, encoding);
    const QByteArray bytes = encoding.finish();
    if (bytes.isEmpty()) {
        failWith(error, QString("Could not encode the chart as PNG: there is not enough memory."));
    }
    return bytes;
}

QByteArray svgBytes(const ChartContent& content, QSize size, QString* error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle("The Vantrel - Chart");
    QPainter painter;
    if (!painter.begin(&generator)) {
        failWith(error, QString("Could not draw the chart as SVG."));
        return {};
    }
    paintChart(painter, QRectF(QPointF(0, 0), size), content);
    if (!painter.end()) {
        failWith(error, QString("Could not draw the chart as SVG."));
        return {};
    }
    return bytes;
}

} // namespace

ChartStyle chartStyleFor(const QPalette& palette, const QFont& desktopFont) {
    // Qt's own default, 9 pt, is the size the chart's texts were made for.
    constexpr double kBasePoints = 9;
    ChartStyle style;
    style.fontScale = std::max(1.0, desktopFont.pointSizeF() / kBasePoints);
    const QColor base = palette.color(QPalette::Base);
    if (base.lightness() >= 128) {
        return style;
    }
    style.background = base;
    style.text = palette.color(QPalette::Text);
    style.frame = QColor(120, 128, 146);
    style.zeroLine = QColor(96, 96, 96);
    style.curve = QColor(110, 170, 240);
    style.trend = QColor(250, 150, 70);
    style.cursor = QColor(240, 100, 190);
    return style;
}

ChartLayout chartLayoutFor(const QRectF& rect, const ChartContent& content, const QPaintDevice* device,
                           double fontScale) {
    const QFontMetricsF metrics(chartFont(rect, fontScale), device);
    return layoutChart(content, {rect.left(), rect.top(), rect.width(), rect.height()}, textMetrics(metrics));
}

void paintChart(QPainter& painter, const QRectF& rect, const ChartContent& content, std::optional<int> cursorPoint,
                const ChartStyle& style) {
    paintChartWith(painter, rect, content, cursorPoint, style,
                   [&](QPainter& painter, const ChartLayout& layout, double lineHeight) {
                       for (size_t i = 0; i < layout.strips.size(); ++i) {
                           drawStrip(painter, layout, layout.strips[i], content.strips[i], content, lineHeight, style);
                       }
                   });
}

QImage chartCanvas(QSize size) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    const std::size_t lineBytes = 4 * static_cast<std::size_t>(std::max(size.width(), 0));
    const std::size_t used = lineBytes * static_cast<std::size_t>(std::max(size.height(), 0));
    const std::size_t length = (used + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
    void* start =
        used == 0 ? MAP_FAILED : mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) {
        return QImage(size, QImage::Format_RGB32);
    }
    const auto address = (reinterpret_cast<std::uintptr_t>(start) + kHugePage - 1) / kHugePage * kHugePage;
    auto* aligned = reinterpret_cast<uchar*>(address);
    madvise(aligned, length - kHugePage, MADV_HUGEPAGE);
    return QImage(aligned, size.width(), size.height(), static_cast<qsizetype>(lineBytes), QImage::Format_RGB32, unmap,
                  new Mapping{start, length});
}

QByteArray chartFileBytes(const ChartContent& content, const QString& path, QSize size, QString* error,
                          QImage* canvas) {
    if (size.width() < kMinChartSide || size.height() < kMinChartSide || size.width() > kMaxChartSide ||
        size.height() > kMaxChartSide) {
        failWith(error, QString("A chart must be %1 to %2 pixels wide and high, not %3 x %4.")
                            .arg(kMinChartSide)
                            .arg(kMaxChartSide)
                            .arg(size.width())
                            .arg(size.height()));
        return {};
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "png") {
        return pngBytes(content, size, error, canvas);
    }
    if (suffix == "svg") {
        return svgBytes(content, size, error);
    }
    failWith(error, QString("Cannot tell the format of %1: the chart is saved as .png or .svg.").arg(path));
    return {};
}

QString writeChartFile(const QString& path, const QByteArray& bytes) {
    return QString::fromStdString(writeFileAtomically(
        path.toStdString(), std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

bool saveChart(const ChartContent& content, const QString& path, QSize size, QString* error, QImage* canvas) {
    const QByteArray bytes = chartFileBytes(content, path, size, error, canvas);
    if (bytes.isEmpty()) {
        return false;
    }
    const QString reason = writeChartFile(path, bytes);
    return reason.isEmpty() || failWith(error, reason);
}

} // namespace vantrel
