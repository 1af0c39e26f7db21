// The library against vantrel-batch's --long and --summary files for the same series and settings
// (every number at full precision), its bounds and refusals.
#include <vantrel/vantrel.h>

#include "../batch/batch_run.h"
#include "export/long_table.h"
#include "intake/messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <unistd.h>

namespace {

using namespace vantrel::testing;

// A wavy series with a trend, in whole thousandths so that every value loads as it stands.
std::vector<double> wavySeries(int count, double level) {
    std::vector<double> values;
    for (int k = 1; k <= count; ++k) {
        values.push_back(std::round(1000 * (level + 0.02 * k + 4 * std::sin(k * 0.31) + 1.5 * std::sin(k * 1.7))) /
                         1000);
    }
    return values;
}

TEST(Decompose, GivesVantrelBatchsNumbersForTheSameSettings) {
    // Named by the process: runs of the suite at the same time must not read each other's files.
    const std::string long_ = testing::TempDir() + "vantrel_library_long" + std::to_string(getpid()) + ".csv";
    const std::string summary = testing::TempDir() + "vantrel_library_summary" + std::to_string(getpid()) + ".csv";
    // The third row's typed d and i are brought into the boxes' bounds as the texts given to the batch
    // are; the last goes beyond the window's 1500 points: the last maxPoints values.
    const std::tuple<std::vector<double>, vantrel::Options, std::vector<std::string>> cases[] = {
        {wavySeries(400, 50),
         {.model = vantrel::Model::Logarithmic, .wavelength = false, .i = {8, 8, 8, 20, 8, 8, 8, 8, 8, 8}},
         {"--model", "logarithmic", "--wavelength", "off", "--i=8,8,8,20"}},
        {wavySeries(300, 50),
         {.model = vantrel::Model::Power,
          .amplitude = false,
          .wavelength = false,
          .d = {1.234567, -3, 150, 0.000004, -0.25, 2, -1e300, 0, 3.5, -120},
          .i = {5, 1000.4, 0.2, 7.5, 2.49, 3, 16, 1e9, 64, 12}},
         {"--model=power", "--amplitude=off", "--wavelength=off",
          "--d=1.23457,-3,99.99999,0,-0.25,2,-99.99999,0,3.5,-120", "--i=5,999,1,8,2,3,16,999,64,12"}},
        {wavySeries(50, 0), {.model = vantrel::Model::Exponential}, {"--model=exponential"}}, // falls back to Linear
        {wavySeries(2100, 200), {.maxPoints = 2000}, {"--max-points", "2000"}}};
    for (auto [values, options, args] : cases) {
        SCOPED_TRACE(args[0]);
        const vantrel::Decomposition r = vantrel::decompose(values, options);
        const std::size_t kept = std::min<std::size_t>(values.size(), options.maxPoints);
        EXPECT_EQ(r.data, std::vector<double>(values.end() - kept, values.end()));
        args.insert(args.end(), {"--long", long_, "--summary", summary});
        std::string text;
        for (const double v : values) {
            text += std::to_string(v) + "\r\n";
        }
        ASSERT_EQ(runWith(args, text).exitCode, 0);
        EXPECT_EQ(readFile(long_), vantrel::longCsvHeading() + vantrel::longCsvRows("1", r));
        // The --summary line of a loaded series named 1, from the library's numbers.
        std::string line = std::string("1,") + vantrel::modelName(r.model) + "," + vantrel::roundTripText(r.a) + "," +
                           vantrel::roundTripText(r.b);
        for (const auto* values : {&r.d, &r.i}) {
            for (const double value : *values) {
                line += "," + vantrel::roundTripText(value);
            }
        }
        EXPECT_EQ(split(readFile(summary), '\n')[1], line + ",loaded,");
    }
    std::filesystem::remove(long_);
    std::filesystem::remove(summary);
}

TEST(Decompose, RefusesWhatAPasteRefusesAndWhatNoTextHolds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> withNan = wavySeries(20, 5);
    withNan[2] = nan;
    std::vector<double> withInf = wavySeries(20, 5);
    withInf[19] = -inf;
    const std::tuple<std::vector<double>, vantrel::Options, std::string> cases[] = {
        {wavySeries(9, 5), {}, vantrel::notEnoughDataMessage()},
        {wavySeries(10, 5), {}, ""},
        {withNan, {}, "value 3 of the series is not a finite number"},
        {withInf, {}, "value 20 of the series is not a finite number"},
        {wavySeries(20, 5), {.maxPoints = 9}, "maxPoints must be from 10 to 100000, not 9"},
        {wavySeries(20, 5), {.maxPoints = 10}, ""},
        {wavySeries(20, 5), {.maxPoints = 100000}, ""},
        {wavySeries(20, 5), {.maxPoints = 100001}, "maxPoints must be from 10 to 100000, not 100001"},
        {wavySeries(20, 5), {.d = {0, 0, 0, 0, nan}}, "d of wave 5 is not a finite number"},
        {wavySeries(20, 5), {.i = {inf, 8}}, "i of wave 1 is not a finite number"}};
    for (const auto& [values, options, expected] : cases) {
        std::string said;
        try {
            vantrel::decompose(values, options);
        } catch (const vantrel::RefusedError& refused) {
            said = refused.what();
        }
        EXPECT_EQ(said, expected) << values.size();
    }
    for (const vantrel::Model model : vantrel::kModels) {
        EXPECT_EQ(vantrel::modelNamed(vantrel::modelName(model)), model);
    }
    EXPECT_EQ(vantrel::modelNamed("Linear"), std::nullopt);
}

} // namespace
