#pragma once

#include "analysis/text_rules.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// One strip of the chart: a series over the points 1 to pointCount (point p at index p - 1). A strip
// whose column is not filled yet has no values and is drawn as an empty box.
struct ChartStrip {
    std::string title;
    std::vector<double> values;
    // A second curve drawn over the first in its own colour: the fitted trend over the Data.
    std::vector<double> overlay;
    // The components swing about zero, so their range always shows the zero line; the Data is a level
    // far from zero as often as not, and stretching its range to zero would flatten it.
    bool rangeIncludesZero = true;
};

// Everything the chart shows, as plain values: the window, the saved files and the command line draw
// the same content with the same code.
struct ChartContent {
    int pointCount = 0;
    std::vector<ChartStrip> strips;
    // Named in the legend of the Data strip's trend.
    std::string modelName;
    // Why the chart shows no curves or the Data alone; empty while it shows a run's results.
    std::string notice;
    // The decimal separator of the axis labels and the cursor's values, as the table writes numbers.
    NumberFormat format = NumberFormat::DecimalPoint;
};

constexpr int kChartStripCount = 13;
constexpr int kDataStrip = 0;
constexpr int kOscillationStrip = 1;
constexpr int kFirstWaveStrip = 2;
constexpr int kRemainderStrip = 12;

// The text that says why the chart holds no results, and whether the Data is drawn all the same.
enum class ChartNotice { None, NoSeriesYet, Refused, Failed };
std::string chartNoticeText(ChartNotice notice, bool dataShown);

// The thirteen strips titled Data, Oscillation, Wave 1 to Wave 10 and Remainder, all without values.
ChartContent chartSkeleton(int pointCount);

// "Wave 3   d = -1.23400   i = 8", with the d and i texts as the boxes show them.
std::string waveStripTitle(int wave, const std::string& dText, const std::string& iText);

// The most y ticks a strip gets, however high its box.
constexpr int kMaxYTicks = 4;

struct ValueRange {
    double low = 0;
    double high = 0;
};

// Tick positions at a step of 1, 2, 2.5 or 5 times a power of ten, at most maxTicks of them within the
// range; step receives that step. A range that is empty or not finite has no ticks.
std::vector<double> niceTicks(ValueRange range, int maxTicks, double* step = nullptr);

// The labels of an axis's ticks at the step: as many decimals as the step needs, an exponent where
// the numbers would be long, and "0" for zero.
std::vector<std::string> tickLabels(const std::vector<double>& ticks, double step,
                                    NumberFormat format = NumberFormat::DecimalPoint);

// The finite values of a series widened by a small margin above and below, so that the curve does not
// run along the frame. A flat series gets a range around its value; a series without finite values
// gets -1 to 1.
ValueRange paddedRange(const std::vector<double>& values, const std::vector<double>& overlay, bool includeZero);

struct ChartRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

struct StripLayout {
    ChartRect titleRow;
    ChartRect box;
    bool hasValues = false;
    ValueRange range;
    std::vector<double> ticks;
    std::vector<std::string> tickLabels;
};

// The caption of the x axis, left of its tick labels.
constexpr const char* kXAxisCaption = "Point";

struct ChartLayout {
    int pointCount = 0;
    ChartRect area;
    // The horizontal extent of the boxes and the vertical extent from the first title to the last box.
    ChartRect plot;
    std::vector<StripLayout> strips;
    std::vector<int> xTicks;
    std::vector<std::string> xTickLabels;
    // The row under the last box that holds the x tick labels.
    ChartRect xAxisRow;
};

// What the layout needs to know of the font it will be drawn with.
struct TextMetrics {
    double lineHeight = 14;
    std::function<double(const std::string&)> textWidth;
};

// Places the strips one above the other in the area, the y tick labels left of the boxes and the x
// tick labels once under the last box.
ChartLayout layoutChart(const ChartContent& content, const ChartRect& area, const TextMetrics& metrics);

double pointToPixelX(const ChartLayout& layout, double point);
double valueToPixelY(const StripLayout& strip, double value);

// The point under a pixel of the plot: the nearest one to x, or none outside the plot.
std::optional<int> pointAtPixel(const ChartLayout& layout, double x, double y);

// The value of a strip at a point as the cursor shows it, or the empty text where there is none.
std::string cursorValueText(const ChartStrip& strip, int point, NumberFormat format = NumberFormat::DecimalPoint);

} // namespace vantrel
