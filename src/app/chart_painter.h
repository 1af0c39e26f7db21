#pragma once

#include "views/chart_geometry.h"

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>

class QFont;
class QImage;
class QPaintDevice;
class QPalette;
class QPainter;

namespace vantrel {

// The chart's colours; tests find the strips and curves in a rendered image by them.
namespace chart_colours {
inline const QColor background{255, 255, 255};
inline const QColor text{40, 40, 40};
// A blue-grey that the anti-aliased grey text never produces.
inline const QColor frame{140, 146, 160};
inline const QColor zeroLine{190, 190, 190};
inline const QColor curve{31, 94, 168};
inline const QColor trend{222, 104, 20};
inline const QColor cursor{170, 20, 110};
} // namespace chart_colours

// How the chart is drawn: its colours and how much larger than the smallest its texts are. Saved
// files are drawn in the light colours at scale 1; the window follows the desktop's palette and font.
struct ChartStyle {
    QColor background = chart_colours::background;
    QColor text = chart_colours::text;
    QColor frame = chart_colours::frame;
    QColor zeroLine = chart_colours::zeroLine;
    QColor curve = chart_colours::curve;
    QColor trend = chart_colours::trend;
    QColor cursor = chart_colours::cursor;
    double fontScale = 1;
};

// The light colours in a light palette; in a dark one the palette's own base and text with curves
// bright enough to show on it. The texts grow with the desktop font beyond 9 pt.
ChartStyle chartStyleFor(const QPalette& palette, const QFont& desktopFont);

// Draws the whole chart into the rectangle: the strips, their titles and ticks, the notice and, for a
// point, the cursor line with the value of every strip there. The window and the SVG come from here,
// and a PNG file has the same pixels. Painting text needs a QGuiApplication.
void paintChart(QPainter& painter, const QRectF& rect, const ChartContent& content,
                std::optional<int> cursorPoint = std::nullopt, const ChartStyle& style = {});

// The layout paintChart uses for this rectangle with the painter's device, for finding the point under
// the mouse.
ChartLayout chartLayoutFor(const QRectF& rect, const ChartContent& content, const QPaintDevice* device,
                           double fontScale = 1);

// An RGB32 image for a chart, on memory in huge pages where the system gives them: a few page faults
// where 4 KB pages take one for each, most of what making a large canvas costs.
QImage chartCanvas(QSize size);

// The chart as the bytes of a PNG or an SVG file, chosen by the extension of path. Returns no bytes
// and says why in error when it cannot be drawn or encoded. A PNG is painted on the canvas when it is
// an RGB32 image of the chart's size, made ahead so that its memory is ready; else on a new image.
QByteArray chartFileBytes(const ChartContent& content, const QString& path, QSize size, QString* error,
                          QImage* canvas = nullptr);

// Writes the bytes of a chart file with the program's checked writer: a failure leaves no file. Returns
// the empty text, or the system's reason.
QString writeChartFile(const QString& path, const QByteArray& bytes);

// Draws the chart and writes its file. On failure returns false and says why in error: the system's
// reason (No space left on device) when the drawn file could not be written.
bool saveChart(const ChartContent& content, const QString& path, QSize size, QString* error, QImage* canvas = nullptr);

constexpr int kMinChartSide = 100;
constexpr int kMaxChartSide = 10000;

} // namespace vantrel
