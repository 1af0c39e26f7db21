// Series longer than the window's 1500 points: the library's, and vantrel-batch's --max-points.
#include <vantrel/vantrel.h>

#include "../batch/batch_run.h"
#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "intake/intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace vantrel::testing;

// Whole thousandths, so every value loads as it stands.
std::vector<double> longSeries(int count) {
    std::vector<double> values;
    for (int k = 1; k <= count; ++k) {
        values.push_back(std::round(1000 * (200 + 0.01 * k + 6 * std::sin(k * 0.013) + 2 * std::sin(k * 0.9))) / 1000);
    }
    return values;
}

TEST(LongSeries, TenThousandPointsKeepTheLastValuesAndAddUpToTheOscillation) {
    const std::vector<double> values = longSeries(10500);
    vantrel::Options options;
    options.maxPoints = 10000;
    const vantrel::Decomposition r = vantrel::decompose(values, options);
    ASSERT_EQ(r.data, std::vector<double>(values.end() - 10000, values.end()));
    ASSERT_EQ(r.remainder.size(), 10000u);
    for (std::size_t j = 0; j < r.data.size(); ++j) {
        double rest = r.oscillation[j];
        for (const std::vector<double>& wave : r.waves) {
            rest = rest - wave[j];
        }
        ASSERT_EQ(std::bit_cast<std::uint64_t>(rest), std::bit_cast<std::uint64_t>(r.remainder[j])) << j;
        ASSERT_EQ(r.data[j] - r.trend[j], r.oscillation[j]) << j;
    }
}

// Value k, then `padding` characters in a second field that only a text's length counts.
std::string textOf(const std::vector<double>& values, std::size_t padding = 0) {
    std::ostringstream text;
    text.precision(17);
    for (const double v : values) {
        text << v;
        if (padding > 0) {
            text << '\t' << std::string(padding, 'x');
        }
        text << '\n';
    }
    return text.str();
}

TEST(MaxPoints, KeepsTheLastNValuesInATableOfThatManyRows) {
    const std::string text = textOf(longSeries(1600));
    // Arguments, the table's lines, the first row as it starts.
    const std::tuple<std::vector<std::string>, std::size_t, std::string> cases[] = {
        {{}, 1501, " 1\t207.221\t"},
        {{"--max-points", "1600"}, 1601, " 1\t201.655\t"},
        {{"--max-points=1550"}, 1551, " 1\t206.084\t"},
        {{"--max-points", "10"}, 1501, " 1\t220.468\t"}};
    for (const auto& [args, lines, firstRow] : cases) {
        const BatchRun run = runWith(args, text);
        ASSERT_EQ(run.exitCode, vantrel::kBatchOk) << run.err;
        const std::vector<std::string> table = split(run.out, '\n');
        EXPECT_EQ(table.size(), lines) << args.size();
        EXPECT_EQ(table[1].rfind(firstRow, 0), 0u) << table[1];
        EXPECT_EQ(table.back().rfind(" " + std::to_string(lines - 1) + "\t", 0), 0u) << table.back();
    }
    // The table of a short series is left as it is.
    const std::string shorter = textOf(longSeries(1400));
    EXPECT_EQ(runWith({"--max-points", "100000"}, shorter).out, runWith({}, shorter).out);
}

TEST(MaxPoints, TakesALongerTextInProportionAndRefusesBadCounts) {
    // 2000 lines of about 410 characters: past the window's 655360 and the 699050 of 1600 points,
    // within the 1310720 of 3000 points. Fewer points than 1500 keep the window's limit.
    const std::string padded = textOf(longSeries(2000), 400);
    ASSERT_GT(padded.size(), 655360u);
    ASSERT_LT(padded.size(), 1310720u);
    const std::tuple<std::vector<std::string>, std::string, int, std::string> cases[] = {
        {{}, padded, vantrel::kBatchRefused, "too large"},
        {{"--max-points", "3000"}, padded, vantrel::kBatchOk, ""},
        {{"--max-points", "1600"}, padded, vantrel::kBatchRefused, "only 1600 rows of data"},
        {{"--max-points", "10"}, textOf(longSeries(1500), 400), vantrel::kBatchOk, ""},
        {{"--max-points", "9"}, "", vantrel::kBatchUsage, "from 10 to 100000, not '9'"},
        {{"--max-points", "100001"}, "", vantrel::kBatchUsage, "not '100001'"},
        {{"--max-points=1e3"}, "", vantrel::kBatchUsage, "not '1e3'"},
        {{"--max-points"}, "", vantrel::kBatchUsage, "--max-points needs a value"},
        {{"--help"}, "", vantrel::kBatchOk, "--max-points N"}};
    for (const auto& [args, input, code, said] : cases) {
        const BatchRun run = runWith(args, input);
        EXPECT_EQ(run.exitCode, code) << run.err;
        EXPECT_NE((run.err + run.out).find(said), std::string::npos) << run.err;
    }
}

class SilentProgress : public vantrel::IntakeProgress {};

TEST(MaxPoints, AHundredThousandValuesOfFifteenCharactersLoad) {
    std::string text;
    for (int k = 0; k <= 100000; ++k) {
        text += std::to_string(10000 + k) + ".123456789\r\n";
    }
    auto state = std::make_unique<vantrel::AnalysisState>();
    state->maxPoints = 100000;
    vantrel::ResultTable table;
    SilentProgress progress;
    const vantrel::IntakeOutcome outcome =
        vantrel::runIntake(text, *state, table, vantrel::RegressionModel::Linear, progress);
    ASSERT_EQ(outcome.result, vantrel::IntakeResult::Loaded);
    EXPECT_EQ(state->Data_count, 100000);
    EXPECT_EQ(table.rows(), 100001);
    EXPECT_EQ(table.text(1, vantrel::ResultTable::kDataColumn), "10001.123456789");
    EXPECT_EQ(state->Data_value[100000], 110000.123456789);
}

} // namespace
