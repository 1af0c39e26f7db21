#include "views/chart_geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

constexpr double kRangeMargin = 0.06;

// Heights of the layout's rows in lines of text.
constexpr double kTopMargin = 0.4;
constexpr double kTitleRow = 1.25;
constexpr double kStripGap = 0.3;
constexpr double kXAxisRow = 1.6;
// Ticks one line apart at the closest: the zero-centred strips need three of them (a step of 1, 2,
// 2.5 or 5 never puts two ticks symmetric about zero), and a box is about three lines high.
constexpr double kYLabelSpacing = 1.0;
constexpr int kMaxFixedDecimals = 6;
constexpr double kMaxFixedMagnitude = 1e7;

// The number as printf would print it in the "C" locale, with the format's decimal separator: the
// labels must not change with the locale the toolkit sets for the process.
std::string printed(std::chars_format style, int precision, double value, NumberFormat format) {
    char buffer[400];
    const auto [end, failed] = std::to_chars(buffer, buffer + sizeof buffer, value, style, precision);
    std::string text(buffer, failed == std::errc() ? end : buffer);
    if (format == NumberFormat::DecimalComma) {
        std::replace(text.begin(), text.end(), '.', ',');
    }
    return text;
}

bool isZeroText(const std::string& text) {
    return text.find_first_of("123456789") == std::string::npos;
}

// The fraction of the way from low to high, computed on halves so that a range spanning most of the
// doubles does not overflow.
double fractionOf(ValueRange range, double value) {
    const double span = range.high * 0.5 - range.low * 0.5;
    return span > 0 ? (value * 0.5 - range.low * 0.5) / span : 0.5;
}

int yTickBudget(double boxHeight, double lineHeight) {
    const int fitting = static_cast<int>(boxHeight / (kYLabelSpacing * lineHeight));
    return std::clamp(fitting, 1, kMaxYTicks);
}

void placeStrips(ChartLayout& layout, const ChartContent& content, const ChartRect& area, double line) {
    const int count = static_cast<int>(content.strips.size());
    const double fixed = line * (kTopMargin + kXAxisRow + count * kTitleRow + std::max(0, count - 1) * kStripGap);
    const double boxHeight = count > 0 ? std::max(0.0, (area.height - fixed) / count) : 0.0;
    double top = area.top + line * kTopMargin;
    for (const ChartStrip& strip : content.strips) {
        StripLayout placed;
        placed.titleRow = {0, top, 0, line * kTitleRow};
        placed.box = {0, top + line * kTitleRow, 0, boxHeight};
        placed.hasValues = !strip.values.empty();
        if (placed.hasValues) {
            placed.range = paddedRange(strip.values, strip.overlay, strip.rangeIncludesZero);
            double step = 0;
            placed.ticks = niceTicks(placed.range, yTickBudget(boxHeight, line), &step);
            placed.tickLabels = tickLabels(placed.ticks, step, content.format);
        }
        layout.strips.push_back(std::move(placed));
        top = layout.strips.back().box.bottom() + line * kStripGap;
    }
}

// The y tick labels and the x axis caption share the margin left of the boxes.
double widestLeftLabel(const ChartLayout& layout, const TextMetrics& metrics) {
    double widest = metrics.textWidth(kXAxisCaption);
    for (const StripLayout& strip : layout.strips) {
        for (const std::string& label : strip.tickLabels) {
            widest = std::max(widest, metrics.textWidth(label));
        }
    }
    return widest;
}

void placeXTicks(ChartLayout& layout, const TextMetrics& metrics, double line) {
    if (layout.pointCount == 1) {
        layout.xTicks = {1};
    } else if (layout.pointCount > 1) {
        const double labelRoom = metrics.textWidth(std::to_string(layout.pointCount)) + 2 * line;
        const int budget = std::max(2, static_cast<int>(layout.plot.width / labelRoom));
        for (double tick : niceTicks({1, static_cast<double>(layout.pointCount)}, budget)) {
            if (tick == std::floor(tick)) {
                layout.xTicks.push_back(static_cast<int>(tick));
            }
        }
    }
    for (int tick : layout.xTicks) {
        layout.xTickLabels.push_back(std::to_string(tick));
    }
}

} // namespace

std::string chartNoticeText(ChartNotice notice, bool dataShown) {
    const char* shown = dataShown ? "only the data is shown." : "there is nothing to show.";
    switch (notice) {
    case ChartNotice::None:
        return {};
    case ChartNotice::NoSeriesYet:
        return "No series yet: copy a column of numbers and choose Paste.";
    case ChartNotice::Refused:
        return std::string("The paste was refused: ") + shown;
    case ChartNotice::Failed:
        return std::string("The analysis stopped on an error: ") + shown;
    }
    return {};
}

ChartContent chartSkeleton(int pointCount) {
    ChartContent content;
    content.pointCount = pointCount;
    content.strips.resize(kChartStripCount);
    content.strips[kDataStrip].title = "Data";
    content.strips[kDataStrip].rangeIncludesZero = false;
    content.strips[kOscillationStrip].title = "Oscillation";
    for (int wave = 1; wave <= kRemainderStrip - kFirstWaveStrip; ++wave) {
        content.strips[kFirstWaveStrip + wave - 1].title = "Wave " + std::to_string(wave);
    }
    content.strips[kRemainderStrip].title = "Remainder";
    return content;
}

std::string waveStripTitle(int wave, const std::string& dText, const std::string& iText) {
    return "Wave " + std::to_string(wave) + "   d = " + dText + "   i = " + iText;
}

std::vector<double> niceTicks(ValueRange range, int maxTicks, double* step) {
    const double span = range.high - range.low;
    if (!std::isfinite(span) || span <= 0 || maxTicks < 1) {
        return {};
    }
    // A step of 2.5 keeps a third tick where the next step, 5, would leave a single one.
    constexpr double kMultipliers[] = {1, 2, 2.5, 5};
    // A span below the smallest double times maxTicks gives a decade of 0, which no multiple reaches.
    double decade =
        std::max(std::pow(10.0, std::floor(std::log10(span / maxTicks))), std::numeric_limits<double>::denorm_min());
    for (int attempt = 0;; ++attempt) {
        const double tried = decade * kMultipliers[attempt % 4];
        const double first = std::ceil(range.low / tried);
        const double last = std::floor(range.high / tried);
        if (last - first + 1 <= maxTicks) {
            std::vector<double> ticks;
            for (int k = 0; k <= last - first; ++k) {
                // The quotients are rounded: a multiple may fall a hair outside the range. Beyond 2^53
                // multiples, neighbours round to the same double.
                const double tick = (first + k) * tried;
                if (tick >= range.low && tick <= range.high && (ticks.empty() || tick > ticks.back())) {
                    ticks.push_back(tick);
                }
            }
            if (step != nullptr) {
                *step = tried;
            }
            return ticks;
        }
        if (attempt % 4 == 3) {
            decade *= 10;
        }
    }
}

std::vector<std::string> tickLabels(const std::vector<double>& ticks, double step, NumberFormat format) {
    // A step of 2.5 times a power of ten needs one digit more than the power itself.
    const int stepExponent = static_cast<int>(std::floor(std::log10(step)));
    const double mantissa = step / std::pow(10.0, stepExponent);
    const int extraDigit = std::fabs(mantissa - std::round(mantissa)) > 1e-6 ? 1 : 0;
    const int decimals = std::max(0, extraDigit - stepExponent);
    double magnitude = step;
    for (double tick : ticks) {
        magnitude = std::max(magnitude, std::fabs(tick));
    }
    // One format for the whole axis: fixed while the labels stay short, else with an exponent.
    const bool fixed = decimals <= kMaxFixedDecimals && magnitude < kMaxFixedMagnitude;
    const int digits = static_cast<int>(std::floor(std::log10(magnitude))) - stepExponent + extraDigit;
    std::vector<std::string> labels;
    for (double tick : ticks) {
        const std::string text = fixed
                                     ? printed(std::chars_format::fixed, decimals, tick, format)
                                     : printed(std::chars_format::scientific, std::clamp(digits, 0, 14), tick, format);
        labels.push_back(isZeroText(text) ? "0" : text);
    }
    return labels;
}

ValueRange paddedRange(const std::vector<double>& values, const std::vector<double>& overlay, bool includeZero) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const std::vector<double>* series : {&values, &overlay}) {
        for (double value : *series) {
            if (std::isfinite(value)) {
                low = std::min(low, value);
                high = std::max(high, value);
            }
        }
    }
    if (low > high) {
        return {-1, 1};
    }
    if (includeZero) {
        low = std::min(low, 0.0);
        high = std::max(high, 0.0);
    }
    if (low == high) {
        const double half = low == 0 ? 1 : std::fabs(low) * 0.1;
        return {low - half, high + half};
    }
    const double margin = (high * 0.5 - low * 0.5) * (2 * kRangeMargin);
    const double limit = std::numeric_limits<double>::max();
    return {std::max(low - margin, -limit), std::min(high + margin, limit)};
}

ChartLayout layoutChart(const ChartContent& content, const ChartRect& area, const TextMetrics& metrics) {
    const double line = metrics.lineHeight;
    ChartLayout layout;
    layout.area = area;
    layout.pointCount = std::max(0, content.pointCount);
    placeStrips(layout, content, area, line);

    const double left = area.left + std::max(2 * line, widestLeftLabel(layout, metrics) + 0.8 * line);
    // The last x tick's label is centred on the right edge of the boxes and must not be cut off.
    const double rightMargin = std::max(line, metrics.textWidth(std::to_string(layout.pointCount)) / 2 + 0.3 * line);
    const double width = std::max(0.0, area.right() - rightMargin - left);
    for (StripLayout& strip : layout.strips) {
        strip.titleRow.left = strip.box.left = left;
        strip.titleRow.width = strip.box.width = width;
    }
    const double top = layout.strips.empty() ? area.top : layout.strips.front().titleRow.top;
    const double bottom = layout.strips.empty() ? top : layout.strips.back().box.bottom();
    layout.plot = {left, top, width, bottom - top};
    layout.xAxisRow = {left, bottom, width, kXAxisRow * line};
    placeXTicks(layout, metrics, line);
    return layout;
}

double pointToPixelX(const ChartLayout& layout, double point) {
    if (layout.pointCount <= 1) {
        return layout.plot.left + layout.plot.width / 2;
    }
    return layout.plot.left + (point - 1) / (layout.pointCount - 1) * layout.plot.width;
}

double valueToPixelY(const StripLayout& strip, double value) {
    return strip.box.bottom() - fractionOf(strip.range, value) * strip.box.height;
}

std::optional<int> pointAtPixel(const ChartLayout& layout, double x, double y) {
    const ChartRect& plot = layout.plot;
    if (layout.pointCount < 1 || x < plot.left || x > plot.right() || y < plot.top || y > plot.bottom()) {
        return std::nullopt;
    }
    if (layout.pointCount == 1 || plot.width <= 0) {
        return 1;
    }
    const double offset = std::round((x - plot.left) / plot.width * (layout.pointCount - 1));
    return std::clamp(static_cast<int>(offset) + 1, 1, layout.pointCount);
}

std::string cursorValueText(const ChartStrip& strip, int point, NumberFormat format) {
    const auto valueAt = [point, format](const std::vector<double>& series) -> std::string {
        if (point < 1 || point > static_cast<int>(series.size()) || !std::isfinite(series[point - 1])) {
            return {};
        }
        return printed(std::chars_format::general, 6, series[point - 1], format);
    };
    std::string text = valueAt(strip.values);
    const std::string trend = valueAt(strip.overlay);
    if (!text.empty() && !trend.empty()) {
        text += "   trend " + trend;
    }
    return text;
}

} // namespace vantrel
