// The library against the table the window and vantrel-batch give for the same series and settings,
// its bounds and refusals.
#include <vantrel/vantrel.h>

#include "../batch/batch_run.h"
#include "analysis/text_rules.h"
#include "intake/messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A wavy series with a trend, three decimals, as a user's column might hold it.
std::vector<double> wavySeries(int count, double level) {
    std::vector<double> values;
    for (int k = 1; k <= count; ++k) {
        const double v = level + 0.02 * k + 4 * std::sin(k * 0.31) + 1.5 * std::sin(k * 1.7);
        values.push_back(std::round(v * 1000) / 1000);
    }
    return values;
}

std::string textOf(const std::vector<double>& values) {
    std::ostringstream text;
    text.precision(17);
    for (const double v : values) {
        text << v << "\r\n";
    }
    return text.str();
}

// Columns 1 to 14 of row k + 1 as the table writes them, from the library's numbers.
std::vector<std::string> formattedRow(const vantrel::Decomposition& r, std::size_t k, int decimals) {
    std::vector<std::string> cells{vantrel::formatFixed(r.data[k], decimals), vantrel::formatCell(r.trend[k], decimals),
                                   vantrel::formatCell(r.oscillation[k], decimals)};
    for (const std::vector<double>& wave : r.waves) {
        cells.push_back(vantrel::formatCell(wave[k], decimals));
    }
    cells.push_back(vantrel::formatCell(r.remainder[k], decimals));
    return cells;
}

using vantrel::testing::split;

// A table of the same series and settings from vantrel-batch, and its formula lines.
vantrel::testing::BatchRun batchRun(std::vector<std::string> args, const std::vector<double>& values) {
    args.push_back("--formula");
    const vantrel::testing::BatchRun run = vantrel::testing::runWith(args, textOf(values));
    EXPECT_EQ(run.exitCode, vantrel::kBatchOk) << run.err;
    return run;
}

// The formula line and the d boxes the batch prints, from the library's numbers.
std::string formulaOf(const vantrel::Decomposition& r, const char* prefix) {
    std::string text = prefix + vantrel::formatFormula(r.a) + "   B = " + vantrel::formatFormula(r.b) + "\nd =";
    for (const double d : r.d) {
        text += " " + vantrel::formatFixed(d, 5);
    }
    return text + "\n";
}

TEST(Decompose, GivesTheTableCellsAndBoxesOfTheSameRunInTheWindow) {
    std::vector<double> values = wavySeries(400, 50);
    values.back() = 60; // the data's decimals are the most any value has, not the last one's
    vantrel::Options manual;
    manual.model = vantrel::Model::Power;
    manual.amplitude = false;
    manual.wavelength = false;
    manual.d = {1.234567, -3, 150, 0.5, -0.25, 2, -1, 0, 3.5, -120};
    manual.i = {5, 1000.4, 0.2, 32, 8, 3, 16, 2, 64, 12};
    vantrel::Options amplitudeOnly;
    amplitudeOnly.model = vantrel::Model::Logarithmic;
    amplitudeOnly.wavelength = false;
    amplitudeOnly.i[3] = 20;
    const std::tuple<const char*, vantrel::Options, std::vector<std::string>, const char*> cases[] = {
        {"default", {}, {}, "    Y = A + B · X      A = "},
        {"amplitude only",
         amplitudeOnly,
         {"--model", "logarithmic", "--wavelength", "off", "--i=8,8,8,20"},
         "    Y = A + B · ln X      A = "},
        {"manual",
         manual,
         {"--model", "power", "--amplitude", "off", "--wavelength", "off",
          "--d=1.234567,-3,150,0.5,-0.25,2,-1,0,3.5,-120", "--i=5,1000.4,0.2,32,8,3,16,2,64,12"},
         "    Y = A · X ^ B      A = "}};
    for (const auto& [name, options, args, prefix] : cases) {
        SCOPED_TRACE(name);
        const vantrel::Decomposition r = vantrel::decompose(values, options);
        const vantrel::testing::BatchRun batch = batchRun(args, values);
        const std::vector<std::string> rows = split(batch.out, '\n');
        ASSERT_EQ(rows.size(), 1501u);
        ASSERT_EQ(r.data.size(), values.size());
        for (std::size_t k = 0; k < values.size(); ++k) {
            const std::vector<std::string> cells = split(rows[k + 1], '\t');
            ASSERT_EQ(formattedRow(r, k, 3), std::vector<std::string>(cells.begin() + 1, cells.begin() + 15)) << k;
        }
        EXPECT_EQ(formulaOf(r, prefix), batch.err);
        EXPECT_EQ(r.model, options.model);
    }
}

TEST(Decompose, TakesOptionsAsTheBoxesTakeThem) {
    vantrel::Options options;
    options.amplitude = false;
    options.wavelength = false;
    // Typed, and as the boxes keep them.
    const std::array<std::tuple<double, double, double, double>, 5> boxes{{{1.234567, 1.23457, 1000.4, 999},
                                                                           {150, 99.99999, 0.2, 1},
                                                                           {-1e300, -99.99999, 7.5, 8},
                                                                           {0.000004, 0.0, 1e9, 999},
                                                                           {-2, -2, 2.49, 2}}};
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        options.d[k] = std::get<0>(boxes[k]);
        options.i[k] = std::get<2>(boxes[k]);
    }
    const vantrel::Decomposition r = vantrel::decompose(wavySeries(60, 10), options);
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        EXPECT_EQ(r.d[k], std::get<1>(boxes[k])) << k;
        EXPECT_EQ(r.i[k], std::get<3>(boxes[k])) << k;
    }
    EXPECT_EQ(r.d[9], 0);
    EXPECT_EQ(r.i[9], 8);
}

std::string refusalOf(const std::vector<double>& values, const vantrel::Options& options) {
    try {
        vantrel::decompose(values, options);
    } catch (const vantrel::RefusedError& refused) {
        return std::string("refused: ") + refused.what();
    } catch (const vantrel::AnalysisError& error) {
        return std::string("error: ") + error.what();
    }
    return "";
}

TEST(Decompose, RefusesWhatAPasteRefusesAndWhatNoTextHolds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> withNan = wavySeries(20, 5);
    withNan[2] = nan;
    std::vector<double> withInf = wavySeries(20, 5);
    withInf[19] = -inf;
    vantrel::Options few;
    few.maxPoints = 9;
    vantrel::Options many;
    many.maxPoints = 100001;
    vantrel::Options fewest;
    fewest.maxPoints = 10;
    vantrel::Options nanD;
    nanD.d[4] = nan;
    vantrel::Options infI;
    infI.i[0] = inf;
    const std::tuple<std::vector<double>, vantrel::Options, std::string> cases[] = {
        {wavySeries(9, 5), {}, "refused: " + vantrel::notEnoughDataMessage()},
        {{}, {}, "refused: " + vantrel::notEnoughDataMessage()},
        {wavySeries(10, 5), {}, ""},
        {withNan, {}, "refused: value 3 of the series is not a finite number"},
        {withInf, {}, "refused: value 20 of the series is not a finite number"},
        {wavySeries(20, 5), few, "refused: maxPoints must be from 10 to 100000, not 9"},
        {wavySeries(20, 5), fewest, ""},
        {wavySeries(20, 5), many, "refused: maxPoints must be from 10 to 100000, not 100001"},
        {wavySeries(20, 5), nanD, "refused: d of wave 5 is not a finite number"},
        {wavySeries(20, 5), infI, "refused: i of wave 1 is not a finite number"}};
    for (const auto& [values, options, expected] : cases) {
        EXPECT_EQ(refusalOf(values, options), expected) << values.size();
    }
}

TEST(Decompose, FallsBackToLinearOnDataOfZeroOrBelow) {
    std::vector<double> values = wavySeries(50, 10); // above 4.4 but for the one zero
    values[10] = 0;
    vantrel::Options power;
    power.model = vantrel::Model::Power;
    const vantrel::Decomposition fellBack = vantrel::decompose(values, power);
    const vantrel::Decomposition linear = vantrel::decompose(values);
    EXPECT_EQ(fellBack.model, vantrel::Model::Linear);
    EXPECT_EQ(fellBack.remainder, linear.remainder);
    EXPECT_EQ(fellBack.b, linear.b);
}

} // namespace
