// vantrel-batch's options, exit codes, messages and files; what its table holds is checked against the
// window's (batch_equivalence_tests).
#include "batch_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

using namespace std::string_literals;
using namespace vantrel::testing;
namespace fs = std::filesystem;

// A wavy series around the level, with CR LF line ends.
std::string series(int count, double level) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += std::to_string(level + 5 * std::sin(i * 0.4)) + "\r\n";
    }
    return text;
}

// What a run says: a failure only on standard error, with nothing on standard output. A UTF-16 or
// a malformed UTF-8 text counts its characters as the clipboard does: a single one is a run-time error
// (4), two are too little data (3).
// UTF-16 without a byte-order mark is told by its NUL bytes, in either order; any other text with NUL
// bytes is refused.
TEST(BatchRuns, ExitWithTheirCodeAndSayWhy) {
    const std::string positive = series(20, 10);
    std::string little;
    std::string big;
    for (const char c : positive) {
        little += {c, '\0'};
        big += {'\0', c};
    }
    const std::string firstRow = "\n 1\t" + std::to_string(10 + 5 * std::sin(0.4)) + "\t";
    const std::string noText = "vantrel-batch: standard input: not a text: it holds NUL bytes\n";
    // The arguments, standard input, the exit code and a part of what the run writes.
    const std::tuple<std::vector<std::string>, std::string, int, std::string> cases[] = {
        {{"--help"}, "", 0, "  --wavelength on|off"},
        {{"--version"}, "", 0, "vantrel-batch " VANTREL_VERSION "\n"},
        {{"-V"}, "", 0, "vantrel-batch " VANTREL_VERSION "\n"},
        {{"-"}, positive, 0, "\tWave 10\tRemainder\n 1\t"},
        {{}, "1\n2\n3\n4\n5\n6\n7\n8\n9\n", 3, "enough data.\nvantrel-batch: You'll need at least 10 numbers"},
        {{}, std::string(655361, '1'), 3, "vantrel-batch: The data being pasted is too large.\n"},
        {{}, "", 4, "vantrel-batch: You caused an error.\nvantrel-batch: Try again.\n"},
        {{}, "\xED\xA0\x80\r\n", 3, "not enough data"},
        {{}, "\xEF\xBB\xBF\x37", 4, "caused an error"},
        {{}, "\xFF\xFE\xE9\x00"s, 4, "caused an error"},
        {{}, "\xFF\xFE\x3D\xD8\x00\xDE"s, 4, "caused an error"}, // one character beyond U+FFFF
        {{}, "\xFE\xFF\xD8\x3D\xDE\x00"s, 4, "caused an error"},
        {{}, "\xFF\xFE\x00\xDC"s, 4, "caused an error"}, // a lone surrogate is U+FFFD
        {{}, "\xFF\xFE\x00\xD8\x41\x00"s, 3, "not enough data"},
        {{}, "\xFF\xFE\x37\x00\x38"s, 3, "not enough data"}, // an odd last byte is a unit of its own
        {{}, little, 0, firstRow},
        {{}, big, 0, firstRow},
        {{}, "\x12\x22" + little, 0, firstRow}, // every odd byte NUL but the first unit's (U+2212)
        {{}, "\0\0"s + little, 2, noText},
        {{}, "\xFF\xFE\0\0"s + little, 2, noText},
        {{}, "1\n\0\n"s + positive, 2, noText},
        {{"--colour"}, "", 2, "vantrel-batch: unknown option '--colour'\nvantrel-batch: Try 'vantrel-batch --help'"},
        {{"--model", "cubic"}, "", 2, "unknown model 'cubic'"},
        {{"--amplitude=maybe"}, "", 2, "--amplitude takes on or off"},
        {{"--wavelength", "on", "--i"}, "", 2, "--i needs a value"},
        {{"--i=1,2,3,4,5,6,7,8,9,10,11"}, "", 2, "--i takes at most ten values"},
        {{"--d=1,2,3,4,5,6,7,8,9,10,11", "--decimal-comma"}, positive, 0, "Index"},
        {{"--plot-size", "100x10000"}, positive, 0, "Index"},
        // Box texts are normalised as leaving their boxes would, in the format of the whole command line.
        {{"--amplitude=off", "--wavelength", "off", "--d", "-1,5;2;abc;150;1e400", "--formula", "--decimal-comma"},
         positive,
         0,
         "\nd = -1,50000 2,00000 0,00000 99,99999 99,99999 0,00000 0,00000 0,00000 0,00000 0,00000\n"},
        {{"--plot", ""}, positive, 2, "vantrel-batch: --plot needs a file name\n"},
        {{"--summary", ""}, positive, 2, "vantrel-batch: --summary needs a non-empty value\n"},
        {{"--plot", "chart.png"}, positive, 2, "--plot is not available"}, // the library alone draws no chart
        {{"a.txt", "b.txt"}, "", 2, "unexpected argument 'b.txt'"},
        {{"--", "-x"}, "", 2, "vantrel-batch: -x: No such file or directory\n"},
        // Non-positive data falls back to Linear as in the window.
        {{"--model=exponential", "--formula"}, series(20, 0), 0, "    Y = A + B \u00b7 X      A = "},
        {{"--model=power", "--formula"}, positive, 0, "    Y = A \u00b7 X ^ B      A = "},
    };
    for (const auto& [args, input, exitCode, said] : cases) {
        const BatchRun run = runWith(args, input);
        EXPECT_EQ(run.exitCode, exitCode) << said;
        EXPECT_NE((run.out + run.err).find(said), std::string::npos) << run.err;
        EXPECT_EQ(run.out.empty(), run.exitCode != 0) << said;
    }
    for (const char* size :
         {"99x100", "100x99", "100x10001", "100x100x", " 200x200", "+200x200", "200x+200", "200x200 "}) {
        EXPECT_EQ(runWith({"--plot-size", size}, "").err.find("vantrel-batch: --plot-size takes WIDTHxHEIGHT"), 0u)
            << size;
    }
    // 2000 becomes 1024 on leaving the box and 999 before the run; 0 becomes 1.
    EXPECT_EQ(runWith({"--i=2000,0"}, positive).out, runWith({"--i=999,1"}, positive).out);
    // LF after every line (the rows above), for terminals and pipes; --cr gives the window's Copy bytes.
    std::string cr = runWith({"--cr"}, positive).out;
    std::replace(cr.begin(), cr.end(), '\r', '\n');
    EXPECT_EQ(cr + "\n", runWith({"--cr", "--lf"}, positive).out);
}

// Whole numbers 1000 + k + k % 7 for k from 1, each followed by `padding` characters in a second
// field that only the text's length counts.
std::string numbered(int count, std::size_t padding = 0) {
    std::string text;
    for (int k = 1; k <= count; ++k) {
        text += std::to_string(1000 + k + k % 7) + (padding > 0 ? "\t" + std::string(padding, 'x') : "") + "\n";
    }
    return text;
}

// --max-points keeps the last N values in a table of that many rows (never fewer than the window's
// 1500) and takes a text longer in proportion: 2000 lines of 406 bytes are past the window's 655360
// and the 699050 of 1600 points, within the 1310720 of 3000.
TEST(MaxPoints, KeepsTheLastNValuesAndTakesALongerTextInProportion) {
    std::string fifteen; // 100001 values of fifteen characters
    for (int k = 0; k <= 100000; ++k) {
        fifteen += std::to_string(10000 + k) + ".123456789\r\n";
    }
    // Arguments, input, exit code, the table's lines, its first row or what the run says.
    const std::tuple<std::vector<std::string>, std::string, int, std::size_t, std::string> cases[] = {
        {{}, numbered(1600), 0, 1501, "\n 1\t1104\t"},
        {{"--max-points", "1600"}, numbered(1600), 0, 1601, "\n 1\t1002\t"},
        {{"--max-points=1550"}, numbered(1600), 0, 1551, "\n 1\t1053\t"},
        {{"--max-points", "10"}, numbered(1600), 0, 1501, "\n 1\t2593\t"},
        {{"--max-points", "100000"}, numbered(1400), 0, 1501, "\n 1\t1002\t"},
        {{"--max-points", "100000"}, fifteen, 0, 100001, "\n 1\t10001.123456789\t"},
        {{}, numbered(2000, 400), 3, 0, "too large"},
        {{"--max-points", "3000", "--delimiter=tab"}, numbered(2000, 400), 0, 2001, "\n 1\t1002\t"},
        {{"--max-points", "1600"}, numbered(2000, 400), 3, 0, "only 1600 rows of data"},
        {{"--max-points", "10"}, numbered(1500, 400), 0, 1501, "\n 1\t2491\t"},
        {{"--max-points", "9"}, "", 2, 0, "from 10 to 100000, not '9'"},
        {{"--max-points", "100001"}, "", 2, 0, "not '100001'"},
        {{"--max-points=1e3"}, "", 2, 0, "not '1e3'"},
        {{"--max-points"}, "", 2, 0, "--max-points needs a value"}};
    for (const auto& [args, input, code, lines, said] : cases) {
        const BatchRun run = runWith(args, input);
        EXPECT_EQ(run.exitCode, code) << said;
        EXPECT_EQ(split(run.out, '\n').size(), lines) << said;
        EXPECT_NE((run.out + run.err).find(said), std::string::npos) << run.err;
    }
}

// The program reads its file as the library does and writes the same bytes, and draws the chart into
// a file of the asked size with no display, whatever platform and debugging settings the desktop
// left in the environment. A full disk is an error, never a truncated table, chart or help; the table
// goes out before the chart is drawn, and no chart follows a table that could not be written.
TEST(BatchProgram, ReadsTheFileWritesTheLibrarysTableAndDrawsTheChart) {
    // A folder of its own: runs of the suite at the same time must not read each other's files.
    std::string dir = testing::TempDir() + "vantrel_batch_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const auto shell = [&](const std::string& command) { return command + " 2>" + dir + "/err.txt"; };
    const std::string in = dir + "/in.txt";
    const std::string out = dir + "/out.txt";
    const std::string png = dir + "/chart.png";
    const std::string svg = dir + "/chart.svg";
    std::ofstream(in, std::ios::binary) << series(60, 0);
    const std::string program = VANTREL_BATCH_PATH;
    const std::string plotted = "env -u DISPLAY -u XDG_RUNTIME_DIR QT_QPA_PLATFORM=xcb QT_FATAL_WARNINGS=1 " + program +
                                " --model logarithmic --plot " + png + " --plot-size 320x480 " + in + " >" + out;
    ASSERT_EQ(std::system(plotted.c_str()), 0);
    EXPECT_EQ(readFile(out), runWith({"--model", "logarithmic", in}, "").out);
    // The PNG header chunk's width and height, big-endian: 320 and 480.
    EXPECT_EQ(readFile(png).substr(16, 8), "\0\0\x01\x40\0\0\x01\xE0"s);
    // The axis labels write numbers as the table does.
    std::string commas = series(60, 0);
    std::replace(commas.begin(), commas.end(), '.', ',');
    std::ofstream(in, std::ios::binary) << commas;
    ASSERT_EQ(std::system((program + " --decimal-comma --plot " + svg + " " + in + " >/dev/null").c_str()), 0);
    const std::string drawing = readFile(svg);
    EXPECT_NE(drawing.find(",5<"), std::string::npos);
    EXPECT_EQ(drawing.find(".5<"), std::string::npos);
    std::ofstream(in, std::ios::binary) << series(60, 0);
    const std::string full = dir + "/full.svg";
    std::remove(png.c_str());
    ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
    const std::string noSpace = "vantrel-batch: write error: No space left on device\n";
    // The command after the program's arguments, the exit code and what standard error says.
    const std::tuple<std::string, int, std::string> cases[] = {
        {in + " >/dev/full", 2, noSpace},
        {"--plot " + png + " " + in + " >/dev/full", 2, noSpace},
        {"--help >/dev/full", 2, noSpace},
        {"--version >/dev/full", 2, noSpace},
        {"--long " + out + " " + in + " >/dev/full", 2, noSpace},
        {"--plot " + full + " " + in + " >" + out, 2, "vantrel-batch: " + full + ": No space left on device\n"},
        {"--plot -platform " + in + " >/dev/null", 2, "vantrel-batch: -platform: Cannot tell the format of -platform"},
    };
    for (const auto& [arguments, exitCode, said] : cases) {
        EXPECT_EQ(WEXITSTATUS(std::system(shell(program + " " + arguments).c_str())), exitCode) << arguments;
        EXPECT_EQ(readFile(dir + "/err.txt").substr(0, said.size()), said) << arguments;
    }
    EXPECT_EQ(readFile(out), runWith({in}, "").out);
    EXPECT_FALSE(fs::exists(png));
    // Installed: the chart module in lib/vantrel beside bin; without it the program says where it looked.
    const fs::path root = dir + "/install";
    const fs::path moduleDir = root / VANTREL_LIBDIR / "vantrel";
    fs::create_directories(root / "bin");
    fs::create_directories(moduleDir);
    fs::copy_file(program, root / "bin" / "vantrel-batch");
    const std::string installed =
        (root / "bin" / "vantrel-batch").string() + " --plot " + png + " " + in + " >/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(shell(installed).c_str())), 2);
    for (const fs::path& place : {root / "bin", moduleDir}) {
        EXPECT_NE(readFile(dir + "/err.txt").find("; " + (place / "libvantrel_plot.so").string() + ": cannot open"),
                  std::string::npos);
    }
    fs::copy_file(fs::path(program).parent_path() / "libvantrel_plot.so", moduleDir / "libvantrel_plot.so");
    EXPECT_EQ(std::system(installed.c_str()), 0);
    EXPECT_EQ(readFile(png).substr(1, 3), "PNG");
    // A toolkit that cannot start ends only the chart: the table is out, and each run keeps its status.
    std::ofstream(root / "bin" / "qt.conf") << "[Paths]\nPlugins = " << dir << "/none\n";
    const std::string stuck = (root / "bin" / "vantrel-batch").string() + " --plot " + svg;
    EXPECT_EQ(WEXITSTATUS(std::system(shell(stuck + " " + in + " >" + out).c_str())), 2);
    EXPECT_EQ(readFile(out), runWith({in}, "").out);
    EXPECT_EQ(readFile(dir + "/err.txt").rfind("vantrel-batch: " + svg + ": the toolkit cannot go on: ", 0), 0u);
    EXPECT_EQ(WEXITSTATUS(std::system(shell(stuck + " --bogus").c_str())), 2);
    EXPECT_EQ(WEXITSTATUS(std::system(shell(stuck + " </dev/null").c_str())), 4);
    fs::remove_all(dir);
}

} // namespace
