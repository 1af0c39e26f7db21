#include "views/chart_content.h"
#include "views/chart_description.h"
#include "views/chart_geometry.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <tuple>

namespace vantrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();

// Lines of 13 pixels and seven pixels a character, about what the chart's font gives at 900 x 900.
const TextMetrics kMetrics{13, [](const std::string& text) { return 7.0 * static_cast<double>(text.size()); }};

TEST(ChartAxes, TicksAreRoundStepsInsideTheRangeAndNoMoreThanAsked) {
    const std::tuple<ValueRange, int, std::vector<double>> cases[] = {
        {{-4.48, 4.48}, 3, {-2.5, 0, 2.5}},
        {{0.0012, 0.0057}, 4, {0.002, 0.003, 0.004, 0.005}},
        {{1, 1500}, 8, {200, 400, 600, 800, 1000, 1200, 1400}},
        {{1, kNaN}, 3, {}},
        {{-1e308, 1e308}, 3, {}},
        {{0, 1.7e308}, 1, {}},
        // Steps below the smallest double: one tick per representable value at most.
        {{0, 3 * kTiny}, 5, {0, kTiny, 2 * kTiny, 3 * kTiny}},
        {{kTiny, 2 * kTiny}, 1, {2 * kTiny}},
    };
    for (const auto& [range, maxTicks, expected] : cases) {
        EXPECT_EQ(niceTicks(range, maxTicks), expected) << range.low << " to " << range.high;
    }
}

TEST(ChartAxes, LabelsWriteEveryTickOfTheStepExactlyInOneFormatPerAxis) {
    const std::tuple<std::vector<double>, double, std::vector<std::string>> cases[] = {
        {{-2.5, 0, 2.5}, 2.5, {"-2.5", "0", "2.5"}},
        {{-0.0, 0.5}, 0.5, {"0", "0.5"}},
        {{-7e-6, 0}, 1e-6, {"-0.000007", "0"}},
        {{1e-9, 3e-9}, 1e-9, {"1e-09", "3e-09"}},
        {{0, 5e11, 1e12}, 5e11, {"0", "5.0e+11", "1.0e+12"}},
        {{1.25e13, 1.5e13}, 2.5e11, {"1.250e+13", "1.500e+13"}},
    };
    for (const auto& [ticks, step, expected] : cases) {
        EXPECT_EQ(tickLabels(ticks, step), expected) << "step " << step;
    }
    // The separator is the table's, never the locale's.
    EXPECT_EQ(tickLabels({-2.5, 0, 2.5}, 2.5, NumberFormat::DecimalComma),
              (std::vector<std::string>{"-2,5", "0", "2,5"}));
}

// A margin of 6% of the span above and below, worked by hand; zero inside where asked.
TEST(ChartAxes, RangeHoldsTheFiniteValuesWithASmallMarginAndZeroWhereAsked) {
    // The values, the overlay, whether zero is asked for and the range.
    const std::tuple<std::vector<double>, std::vector<double>, bool, ValueRange> cases[] = {
        {{20, 30, 25}, {}, false, {19.4, 30.6}},
        {{20, 30, 25}, {}, true, {-1.8, 31.8}},
        {{-3, kNaN, 2, kInf}, {}, false, {-3.3, 2.3}},
        {{2, 3}, {-3, kNaN}, false, {-3.36, 3.36}},
        {{5, 5, 5}, {}, false, {4.5, 5.5}},
        {{0, 0}, {}, false, {-1, 1}},
        {{}, {}, false, {-1, 1}},
        {{-DBL_MAX, DBL_MAX}, {}, false, {-DBL_MAX, DBL_MAX}},
    };
    for (const auto& [values, overlay, includeZero, expected] : cases) {
        const ValueRange range = paddedRange(values, overlay, includeZero);
        EXPECT_DOUBLE_EQ(range.low, expected.low) << expected.high;
        EXPECT_DOUBLE_EQ(range.high, expected.high) << expected.low;
    }
}

ChartContent filledContent(int points) {
    ChartContent content = chartSkeleton(points);
    for (int s = 0; s < kChartStripCount; ++s) {
        for (int p = 1; p <= points; ++p) {
            content.strips[s].values.push_back(std::sin(p * 0.1 * (s + 1)) * std::pow(10.0, s - 6));
        }
    }
    return content;
}

// Every strip shows a few ticks with room for their labels; the cursor finds the point drawn under
// every pixel column and none outside the plot.
TEST(ChartLayout, LeavesRoomForTheLabelsAndTheCursorFindsEveryPoint) {
    const ChartRect area{10, 20, 900, 900};
    const ChartLayout layout = layoutChart(filledContent(1500), area, kMetrics);
    for (const StripLayout& strip : layout.strips) {
        EXPECT_GE(strip.ticks.size(), 2u);
        for (const std::string& label : strip.tickLabels) {
            EXPECT_LE(area.left + 7.0 * static_cast<double>(label.size()), strip.box.left) << label;
        }
    }
    EXPECT_LE(layout.xAxisRow.bottom(), area.bottom());
    ASSERT_GE(layout.xTicks.size(), 2u);
    EXPECT_TRUE(layout.xTicks.front() >= 1 && layout.xTicks.back() <= 1500 && layout.xTicks.back() > 1000);
    EXPECT_EQ(layoutChart(filledContent(1), area, kMetrics).xTicks, std::vector<int>{1});
    // Three points leave room for ticks between them, but only whole points get one.
    EXPECT_EQ(layoutChart(filledContent(3), area, kMetrics).xTicks, (std::vector<int>{1, 2, 3}));
    const double middleY = layout.plot.top + layout.plot.height / 2;
    for (int point = 1; point <= 1500; ++point) {
        ASSERT_EQ(pointAtPixel(layout, pointToPixelX(layout, point), middleY), point);
    }
    EXPECT_EQ(pointAtPixel(layout, layout.plot.left - 1, middleY), std::nullopt);
    EXPECT_EQ(pointAtPixel(layout, layout.plot.right() + 1, middleY), std::nullopt);
    EXPECT_EQ(pointAtPixel(layout, layout.plot.left, layout.plot.bottom() + 1), std::nullopt);
    // A window shrunk below the room the texts need has no box of negative size.
    for (const StripLayout& strip : layoutChart(filledContent(20), {0, 0, 30, 40}, kMetrics).strips) {
        EXPECT_TRUE(strip.box.height >= 0 && strip.box.width >= 0);
    }
}

TEST(ChartCursor, ShowsTheValueAndTheTrendWhereTheyExist) {
    const ChartStrip strip{"Data", {1.5, kNaN, 3}, {1.25, 2}};
    EXPECT_EQ((std::vector{cursorValueText(strip, 1), cursorValueText(strip, 2), cursorValueText(strip, 3),
                           cursorValueText(strip, 4)}),
              (std::vector<std::string>{"1.5   trend 1.25", "", "3", ""}));
    EXPECT_EQ(cursorValueText(ChartStrip{"Data", {0.5}, {1e-7}}, 1, NumberFormat::DecimalComma), "0,5   trend 1e-07");
}

// Which strips have values ('#'), then '+' for the trend over the Data.
std::string shownStrips(const ChartContent& content) {
    std::string shown;
    for (const ChartStrip& strip : content.strips) {
        shown += strip.values.empty() ? '-' : '#';
    }
    return shown + (content.strips[kDataStrip].overlay.empty() ? "" : "+");
}

// The Data strip reads the Data cells in the series' own number format; each filled column its own
// series up to the last point, and only those.
TEST(ChartContent, DrawsTheFilledColumnsAndTitlesTheWaves) {
    AnalysisState s;
    s.Data_count = 2;
    s.format = NumberFormat::DecimalComma;
    fillModelTexts(s);
    std::tie(s.Reg_value[2], s.Osc_value[2], s.Wave_value[0][2], s.Wave_value[9][2], s.Rem_value[2]) =
        std::tuple(7, 6, 5, 4, 3);
    ResultTable table;
    table.setText(1, ResultTable::kDataColumn, "-2,25");
    table.setText(2, ResultTable::kDataColumn, "1,5");
    std::bitset<ResultTable::kColumns> filled = allResultColumns();
    const std::array<std::string, kWaveCount> d{"x", "2,5"}, i{"y", "7"};
    const auto contentOf = [&] { return chartContentOf({s, table, RegressionModel::Power, d, i, filled}); };
    const ChartContent content = contentOf();
    EXPECT_EQ(content.modelName, "Power");
    EXPECT_EQ(shownStrips(content), "#############+");
    const std::vector<std::vector<double>> expected = {{-2.25, 1.5}, {0, 7}, {0, 6}, {0, 5}, {0, 4}, {0, 3}};
    EXPECT_EQ((std::vector{content.strips[kDataStrip].values, content.strips[kDataStrip].overlay,
                           content.strips[kOscillationStrip].values, content.strips[kFirstWaveStrip].values,
                           content.strips[kFirstWaveStrip + 9].values, content.strips[kRemainderStrip].values}),
              expected);
    // A taken wave's title shows the passes it was taken with, whole; one not taken its boxes.
    s.Wave_result[0] = {1.5, 5.7, 10};
    filled.reset(ResultTable::kRegressionColumn);
    filled.reset(ResultTable::kFirstWaveColumn + 1);
    filled.reset(ResultTable::kRemainderColumn);
    const ChartContent partly = contentOf();
    EXPECT_EQ(shownStrips(partly), "###-########-");
    // A screen reader hears each strip's least and greatest value.
    EXPECT_TRUE(chartDescription(partly).starts_with("Data: minimum -2.25, maximum 1.5.\nOscillation: minimum 0, "
                                                     "maximum 6.\nWave 1   d = 1,50000   i = 5: minimum 0, maximum 5."))
        << chartDescription(partly);
    EXPECT_EQ(partly.strips[kFirstWaveStrip + 1].title, "Wave 2   d = 2,5   i = 7");
    filled.reset(ResultTable::kDataColumn);
    EXPECT_EQ(shownStrips(contentOf()), "-------------");
}

} // namespace
} // namespace vantrel
