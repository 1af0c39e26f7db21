#pragma once

// The checks of every target: the chart's axes and layout, for any content a run or a fuzzed range gives.
#include "analysis/text_rules.h"
#include "views/chart_geometry.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A broken invariant ends the run at once, so that the fuzzer keeps the input and the replay names it.
inline void check(bool holds, const char* what, const std::string& about = {}) {
    if (!holds) {
        std::fprintf(stderr, "%s %s\n", what, about.c_str());
        std::abort();
    }
}

// The ticks lie inside the range, finite and increasing, at most the asked count of them; their labels,
// one each in either number format, read back within a step of the tick or the fifteen significant
// digits a label has at most (where a double holds the tick in full: a subnormal's may read as zero).
inline void checkTicksOf(vantrel::ValueRange range, int maxTicks) {
    double step = 0;
    const std::vector<double> ticks = vantrel::niceTicks(range, maxTicks, &step);
    check(ticks.size() <= static_cast<std::size_t>(std::max(maxTicks, 0)), "more ticks than asked");
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        check(std::isfinite(ticks[k]) && ticks[k] >= range.low && ticks[k] <= range.high, "a tick outside the range",
              std::to_string(ticks[k]));
        check(k == 0 || ticks[k] > ticks[k - 1], "ticks that do not increase");
    }
    if (ticks.empty()) {
        return;
    }
    check(step > 0 && std::isfinite(step), "a tick step that is not a positive number");
    for (const vantrel::NumberFormat format :
         {vantrel::NumberFormat::DecimalPoint, vantrel::NumberFormat::DecimalComma}) {
        const std::vector<std::string> labels = vantrel::tickLabels(ticks, step, format);
        check(labels.size() == ticks.size(), "not one label a tick");
        for (std::size_t k = 0; k < ticks.size(); ++k) {
            const double read = vantrel::valueOfTextSaturating(labels[k], format);
            const double fifteenDigits = 5e-15 * std::fabs(ticks[k]);
            check(std::fabs(ticks[k]) < DBL_MIN || std::fabs(read - ticks[k]) <= step + fifteenDigits,
                  "a label far from its tick", labels[k]);
        }
    }
}

// The layout of the content in an area: strips and boxes of no negative size, the y ticks of each
// strip's range as the axes check them, the x ticks whole points of the series.
inline void checkChart(const vantrel::ChartContent& content, double width, double height) {
    const vantrel::TextMetrics metrics{13,
                                       [](const std::string& text) { return 7.0 * static_cast<double>(text.size()); }};
    const vantrel::ChartLayout layout = vantrel::layoutChart(content, {0, 0, width, height}, metrics);
    check(layout.strips.size() == content.strips.size(), "not one strip a series");
    for (const vantrel::StripLayout& strip : layout.strips) {
        check(strip.box.height >= 0 && strip.box.width >= 0, "a box of negative size");
        checkTicksOf(strip.range, vantrel::kMaxYTicks);
    }
    for (std::size_t k = 0; k < layout.xTicks.size(); ++k) {
        check(layout.xTicks[k] >= 1 && layout.xTicks[k] <= content.pointCount &&
                  (k == 0 || layout.xTicks[k] > layout.xTicks[k - 1]),
              "an x tick that is no point of the series");
    }
    for (const double x : {layout.plot.left, layout.plot.left + layout.plot.width / 3, layout.plot.right()}) {
        if (const auto point = vantrel::pointAtPixel(layout, x, layout.plot.top)) {
            check(*point >= 1 && *point <= content.pointCount, "the cursor on no point");
            for (const vantrel::ChartStrip& strip : content.strips) {
                vantrel::cursorValueText(strip, *point, content.format);
            }
        }
    }
}
