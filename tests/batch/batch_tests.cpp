#include "batch/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <sys/wait.h>
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

// A wavy positive series, or (crossing) one that crosses zero, with CR LF line ends.
std::string series(int count, bool crossing = false) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        const double v = crossing ? 5 * std::sin(i * 0.4) : 10 + 0.05 * i + 3 * std::sin(i * 0.7) + std::cos(i * 0.13);
        char line[64];
        std::snprintf(line, sizeof line, "%.4f\r\n", v);
        text += line;
    }
    return text;
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

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// LF after every line by default, for terminals and pipes; --cr gives the window's Copy bytes.
TEST(BatchOutput, WritesTheWholeTableWithLineFeedsOrTheClipboardsCarriageReturns) {
    const BatchRun run = runWith({}, series(40));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const std::vector<std::string> lines = split(run.out, '\n');
    ASSERT_EQ(lines.size(), 1501u);
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(lines[0], "Index\tData\tRegression\tOscillation\tWave 1\tWave 2\tWave 3\tWave 4\tWave 5\tWave 6\tWave "
                        "7\tWave 8\tWave 9\tWave 10\tRemainder");
    EXPECT_EQ(split(lines[40], '\t').size(), 15u); // every field of the last point holds a number
    EXPECT_EQ(lines[41], " 41" + std::string(14, '\t'));
    EXPECT_EQ(runWith({"--lf"}, series(40)).out, run.out);

    std::string cr = runWith({"--cr"}, series(40)).out;
    EXPECT_EQ(cr.find('\n'), std::string::npos);
    EXPECT_EQ(std::count(cr.begin(), cr.end(), '\r'), 1500);
    std::replace(cr.begin(), cr.end(), '\r', '\n');
    EXPECT_EQ(cr + "\n", run.out);
}

// A spreadsheet's "Unicode text" is UTF-16 with a byte-order mark; a UTF-8 mark is skipped. Bytes of
// malformed UTF-8 count one character each, as the clipboard decodes them: not a tiny text.
TEST(BatchInput, ByteOrderMarksAndMalformedUtf8ReadAsThePasteWould) {
    const std::string text = series(30);
    std::string littleEndian = "\xFF\xFE";
    std::string bigEndian = "\xFE\xFF";
    for (const char c : text) {
        littleEndian += {c, '\0'};
        bigEndian += {'\0', c};
    }
    const std::string expected = runWith({}, text).out;
    EXPECT_EQ(runWith({}, littleEndian).out, expected);
    EXPECT_EQ(runWith({}, bigEndian).out, expected);
    EXPECT_EQ(runWith({}, "\xEF\xBB\xBF" + text).out, expected);
    const BatchRun surrogate = runWith({}, "\xED\xA0\x80\r\n");
    EXPECT_EQ(surrogate.exitCode, 3);
    EXPECT_NE(surrogate.err.find("There is not enough data."), std::string::npos);
}

// The file argument reads like standard input, and the program writes what the library does.
TEST(BatchOutput, ExecutableReadingAFileWritesTheSameBytesAsTheLibrary) {
    const std::string text = series(60, true);
    const std::string in = testing::TempDir() + "vantrel_batch_in.txt";
    const std::string out = testing::TempDir() + "vantrel_batch_out.txt";
    std::ofstream(in, std::ios::binary) << text;
    const std::string command = std::string(VANTREL_BATCH_PATH) + " --model logarithmic " + in + " > " + out;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile(out), runWith({"--model", "logarithmic"}, text).out);
    EXPECT_EQ(runWith({"--model", "logarithmic", in}, "").out, readFile(out));
    // A full disk is an error, never a truncated table with success.
    const std::string full = std::string(VANTREL_BATCH_PATH) + " " + in + " > /dev/full 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 2);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

// --plot draws the run's chart into a file of the asked size with no display; the table still goes to
// standard output.
TEST(BatchOutput, PlotWritesAPngOfTheAskedSizeBesideTheTable) {
    const std::string in = testing::TempDir() + "vantrel_plot_in.txt";
    const std::string png = testing::TempDir() + "vantrel_plot.png";
    std::ofstream(in, std::ios::binary) << series(80);
    const std::string command = "env -u DISPLAY " + std::string(VANTREL_BATCH_PATH) + " --plot " + png +
                                " --plot-size 320x480 " + in + " 2>/dev/null | wc -l > " + png + ".lines";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // The PNG signature, then the header chunk's width and height, big-endian: 320 and 480.
    const std::string image = readFile(png);
    EXPECT_EQ(image.substr(1, 3), "PNG");
    EXPECT_EQ(image.substr(16, 8), std::string("\0\0\x01\x40\0\0\x01\xE0", 8));
    EXPECT_EQ(readFile(png + ".lines"), "1501\n");
    EXPECT_EQ(runWith({"--plot", png}, series(80)).exitCode, 2); // the library alone draws no chart
    for (const std::string& file : {in, png, png + ".lines"}) {
        std::remove(file.c_str());
    }
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
    testing::Values(
        FailureCase{"NineNumbers",
                    {},
                    "1\n2\n3\n4\n5\n6\n7\n8\n9\n",
                    3,
                    "enough data.\nvantrel-batch: You'll need at least 10"},
        FailureCase{"TooLarge", {}, std::string(655361, '1'), 3, "The data being pasted is too large."},
        FailureCase{"EmptyInput", {}, "", 4, "vantrel-batch: You caused an error.\nvantrel-batch: Try again.\n"},
        FailureCase{"UnknownOption", {"--colour"}, "", 2, "vantrel-batch: unknown option '--colour'\nTry"},
        FailureCase{"UnknownModel", {"--model", "cubic"}, "", 2, "unknown model"},
        FailureCase{"BadSwitch", {"--amplitude=maybe"}, "", 2, "on or off"},
        FailureCase{"MissingValue", {"--i"}, "", 2, "needs a value"},
        FailureCase{"ElevenValues", {"--i=1,2,3,4,5,6,7,8,9,10,11"}, "", 2, "at most ten"},
        FailureCase{"TwoFiles", {"a.txt", "b.txt"}, "", 2, "unexpected argument"},
        FailureCase{"FileAfterEndOfOptions", {"--", "-x"}, "", 2, "vantrel-batch: -x: No such file or directory\n"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(BatchOptions, HelpAndVersionPrintAndSucceed) {
    const BatchRun help = runWith({"--help"}, "");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--wavelength on|off"), std::string::npos);
    const BatchRun version = runWith({"--version"}, "");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("vantrel-batch ", 0), 0u);
    EXPECT_EQ(runWith({"-V"}, "").out, version.out);
}

// Each box text is normalised as leaving its box would; "--d -2" works as a separate argument.
TEST(BatchOptions, BoxTextsAreNormalisedAndBoundedAsInTheWindow) {
    const std::vector<std::string> manual = {"--amplitude=off", "--wavelength", "off"};
    auto with = [&manual](std::vector<std::string> more) {
        more.insert(more.begin(), manual.begin(), manual.end());
        return runWith(more, series(20));
    };
    const BatchRun run = with({"--d=-1.5,2,abc,150,1e400", "--formula"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = split(run.err, '\n');
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "d = -1.50000 2.00000 0.00000 99.99999 99.99999 0.00000 0.00000 0.00000 0.00000 0.00000");
    EXPECT_EQ(with({"--d=-2"}).out, with({"--d", "-2"}).out);
    EXPECT_NE(with({"--d=-2"}).out, with({}).out);
    // 2000 becomes 1024 on leaving the box and 999 before the run; 0 becomes 1.
    EXPECT_EQ(with({"--i=2000,0"}).out, with({"--i=999,1"}).out);
}

// The formula line goes to standard error; non-positive data falls back to Linear as in the window.
TEST(BatchOptions, NonPositiveDataFallsBackToLinear) {
    const BatchRun run = runWith({"--model=exponential", "--formula"}, series(30, true));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.rfind("    Y = A + B \u00b7 X      A = ", 0), 0u);
    EXPECT_EQ(run.out, runWith({}, series(30, true)).out);
    EXPECT_EQ(runWith({"--model=power", "--formula"}, series(30)).err.rfind("    Y = A \u00b7 X ^ B      A = ", 0), 0u);
}

} // namespace
