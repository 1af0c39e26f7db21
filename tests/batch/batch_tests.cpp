#include "batch/batch.h"

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using vantrel::runBatch;

struct BatchRun {
    int exitCode;
    std::string out;
    std::string err;
};

BatchRun runWith(const std::vector<std::string>& args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int code = runBatch(args, in, out, err);
    return {code, out.str(), err.str()};
}

std::string series(int count, double (*f)(int)) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%.4f\r\n", f(i));
        text += line;
    }
    return text;
}

double wavy(int i) {
    return 10 + 0.05 * i + 3 * std::sin(i * 0.7) + std::cos(i * 0.13);
}
double crossesZero(int i) {
    return std::sin(i * 0.4) * 5;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) {
        parts.push_back(part);
    }
    return parts;
}

// The formula line and the d boxes that --formula prints.
std::vector<std::string> formulaLines(const BatchRun& run) {
    return split(run.err, '\n');
}

TEST(BatchOutput, WritesTheWholeTableWithCarriageReturns) {
    const BatchRun run = runWith({}, series(40, wavy));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const std::vector<std::string> lines = split(run.out, '\r');
    ASSERT_EQ(lines.size(), 1501u);
    EXPECT_EQ(lines[0], "Index\tData\tRegression\tOscillation\tWave 1\tWave 2\tWave 3\tWave 4\tWave 5\tWave 6\tWave "
                        "7\tWave 8\tWave 9\tWave 10\tRemainder");
    EXPECT_EQ(std::count(lines[40].begin(), lines[40].end(), '\t'), 14);
    EXPECT_EQ(split(lines[40], '\t').size(), 15u); // every field of the last point holds a number
    EXPECT_EQ(lines[41], " 41" + std::string(14, '\t'));
    EXPECT_EQ(run.out.find('\n'), std::string::npos);
}

TEST(BatchOutput, LfOptionOnlyChangesTheLineSeparator) {
    const BatchRun cr = runWith({}, series(30, wavy));
    const BatchRun lf = runWith({"--lf"}, series(30, wavy));
    std::string converted = lf.out;
    std::replace(converted.begin(), converted.end(), '\n', '\r');
    EXPECT_EQ(converted, cr.out);
    EXPECT_EQ(split(lf.out, '\n').size(), 1501u);
}

TEST(BatchOutput, FileArgumentReadsLikeStandardInput) {
    const std::string text = series(25, wavy);
    const std::string path = testing::TempDir() + "vantrel_batch_series.txt";
    std::ofstream(path, std::ios::binary) << text;
    const BatchRun fromFile = runWith({path}, "");
    const BatchRun fromStdin = runWith({}, text);
    ASSERT_EQ(fromFile.exitCode, 0);
    EXPECT_EQ(fromFile.out, fromStdin.out);
    std::remove(path.c_str());
}

TEST(BatchOutput, ExecutableWritesTheSameBytesAsTheLibrary) {
    const std::string text = series(60, crossesZero);
    const std::string in = testing::TempDir() + "vantrel_batch_in.txt";
    const std::string out = testing::TempDir() + "vantrel_batch_out.txt";
    std::ofstream(in, std::ios::binary) << text;
    const std::string command = std::string(VANTREL_BATCH_PATH) + " --model logarithmic " + in + " > " + out;
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream produced(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(produced)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, runWith({"--model", "logarithmic"}, text).out);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

struct FailureCase {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    const char* errContains;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(BatchFailure, ExitsWithItsCodeAndWritesNothingToStandardOutput) {
    const FailureCase& c = GetParam();
    const BatchRun run = runWith(c.args, c.input);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find(c.errContains), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchFailure,
    testing::Values(FailureCase{"NineNumbers",
                                {},
                                "1\n2\n3\n4\n5\n6\n7\n8\n9\n",
                                3,
                                "There is not enough data.\n\nYou'll need at least 10 numbers of data.\n"},
                    FailureCase{"TooLarge", {}, std::string(655361, '1'), 3, "The data being pasted is too large."},
                    FailureCase{"EmptyInput", {}, "", 4, "You caused an error.\n\nTry again.\n"},
                    FailureCase{"UnknownOption", {"--colour"}, "", 2, "usage: vantrel-batch"},
                    FailureCase{"UnknownModel", {"--model", "cubic"}, "", 2, "unknown model"},
                    FailureCase{"BadSwitch", {"--amplitude=maybe"}, "", 2, "on or off"},
                    FailureCase{"MissingValue", {"--i"}, "", 2, "needs a value"},
                    FailureCase{"ElevenValues", {"--i=1,2,3,4,5,6,7,8,9,10,11"}, "", 2, "at most ten"},
                    FailureCase{"TwoFiles", {"a.txt", "b.txt"}, "", 2, "unexpected argument"},
                    FailureCase{"MissingFile", {"/nonexistent/series.txt"}, "", 2, "cannot read"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(BatchOptions, HelpAndVersionPrintAndSucceed) {
    const BatchRun help = runWith({"--help"}, "");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--wavelength on|off"), std::string::npos);
    const BatchRun version = runWith({"--version"}, "");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("vantrel-batch ", 0), 0u);
}

TEST(BatchOptions, ManualModeKeepsTheTypedDValuesNormalised) {
    const BatchRun run =
        runWith({"--amplitude=off", "--wavelength", "off", "--d=-1.5,2,abc,150,1e400", "--formula"}, series(50, wavy));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = formulaLines(run);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "d = -1.50000 2.00000 0.00000 99.99999 99.99999 0.00000 0.00000 0.00000 0.00000 0.00000");
}

TEST(BatchOptions, DValueListMayStartWithAMinusSignAsSeparateArgument) {
    const BatchRun joined = runWith({"--amplitude=off", "--wavelength=off", "--d=-2"}, series(20, wavy));
    const BatchRun separate = runWith({"--amplitude=off", "--wavelength=off", "--d", "-2"}, series(20, wavy));
    ASSERT_EQ(joined.exitCode, 0);
    EXPECT_EQ(joined.out, separate.out);
    EXPECT_NE(joined.out, runWith({"--amplitude=off", "--wavelength=off"}, series(20, wavy)).out);
}

TEST(BatchOptions, IValuesAreBoundedAsLeavingABoxAndAsAPasteDo) {
    // 2000 becomes 1024 on leaving the box and 999 before the run; 0 becomes 1.
    const BatchRun bounded = runWith({"--amplitude=off", "--wavelength=off", "--i=2000,0"}, series(20, wavy));
    const BatchRun explicitBounds = runWith({"--amplitude=off", "--wavelength=off", "--i=999,1"}, series(20, wavy));
    ASSERT_EQ(bounded.exitCode, 0);
    EXPECT_EQ(bounded.out, explicitBounds.out);
}

TEST(BatchOptions, NonPositiveDataFallsBackToLinear) {
    const BatchRun run = runWith({"--model=exponential", "--formula"}, series(30, crossesZero));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(formulaLines(run)[0].rfind("    Y = A + B \u00b7 X      A = ", 0), 0u);
    EXPECT_EQ(run.out, runWith({}, series(30, crossesZero)).out);
}

TEST(BatchOptions, ModelChoiceChangesTheFormulaLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"linear", "    Y = A + B \u00b7 X      A = "},
        {"logarithmic", "    Y = A + B \u00b7 ln X      A = "},
        {"exponential", "    Y = A \u00b7 e ^ (B \u00b7 X)      A = "},
        {"power", "    Y = A \u00b7 X ^ B      A = "},
    };
    for (const auto& [model, prefix] : cases) {
        const BatchRun run = runWith({"--model", model, "--formula"}, series(30, wavy));
        ASSERT_EQ(run.exitCode, 0) << model << run.err;
        EXPECT_EQ(formulaLines(run)[0].rfind(prefix, 0), 0u) << model;
    }
}

} // namespace
