// vantrel-batch over the columns of a delimited file: each column's table, long lines and summary line
// against a single run of that column, exit codes and messages.
#include "batch/many_series.h"
#include "batch_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using namespace vantrel::testing;

// A fresh folder for a test's files.
fs::path freshFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("vantrel-many-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// A comma desktop's spreadsheet saved as CSV: ";" between fields, every decimal-comma field quoted,
// a heading that holds the delimiter of other files, a column of scientific fields and one of text;
// or one column of it alone, as a user would cut it out for a single run.
std::string commaDesktopFile(int column = -1) {
    std::string text = column < 0 ? "\"Sales, EUR\";Cost;Temp;Junk\r\n" : "";
    for (int i = 1; i <= 40; ++i) {
        const std::string fields[] = {std::to_string(100 + i % 7) + "," + std::to_string(10 + i % 9 * 11),
                                      std::to_string(5 + i % 4) + "," + std::to_string(10 + i % 5) + "E+02",
                                      "-" + std::to_string(i % 6) + "," + std::to_string(i % 10), "n/a"};
        text += column >= 0 ? fields[column] + "\n"
                            : "\"" + fields[0] + "\";\"" + fields[1] + "\";" + fields[2] + ";" + fields[3] + "\r\n";
    }
    return text;
}

// Each column's table, long lines and summary line are those of a single run of the column, behind
// its name, in the order of the columns; so is the table of the column chosen by its number.
TEST(ManySeries, EachColumnIsTheSingleRunOfThatColumn) {
    const fs::path folder = freshFolder("tables");
    const BatchRun run =
        runWith({"--decimal-comma", "--all-columns", "--jobs", "2", "--output-dir=" + (folder / "tables").string(),
                 "--long=" + (folder / "long.csv").string(), "--summary=" + (folder / "summary.csv").string()},
                commaDesktopFile());
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "vantrel-batch: Junk: There is not enough data. You'll need at least 10 numbers of data.\n");
    const std::vector<std::string> longLines = split(readFile(folder / "long.csv"), '\n');
    const std::vector<std::string> summary = split(readFile(folder / "summary.csv"), '\n');
    ASSERT_EQ(longLines.size(), 1 + 3 * 40U);
    EXPECT_EQ(longLines[0], "series,point,data,trend,oscillation,wave_1,wave_2,wave_3,wave_4,wave_5,wave_6,wave_7,"
                            "wave_8,wave_9,wave_10,remainder");
    ASSERT_EQ(summary.size(), 5U);
    EXPECT_EQ(summary[0], "series,model,A,B,d_1,d_2,d_3,d_4,d_5,d_6,d_7,d_8,d_9,d_10,i_1,i_2,i_3,i_4,i_5,i_6,i_7,"
                          "i_8,i_9,i_10,status,reason");
    EXPECT_EQ(summary[4], "Junk,,,,,,,,,,,,,,,,,,,,,,,,refused,"
                          "There is not enough data. You'll need at least 10 numbers of data.");
    const char* names[] = {"\"Sales, EUR\"", "Cost", "Temp"};
    const char* files[] = {"Sales, EUR.tsv", "Cost.tsv", "Temp.tsv"};
    const fs::path single = freshFolder("single");
    for (int column = 0; column < 3; ++column) {
        SCOPED_TRACE(names[column]);
        const BatchRun alone = runWith(
            {"--decimal-comma", "--long", (single / "l.csv").string(), "--summary=" + (single / "s.csv").string()},
            commaDesktopFile(column));
        ASSERT_EQ(alone.exitCode, 0) << alone.err;
        EXPECT_EQ(readFile(folder / "tables" / files[column]), alone.out);
        EXPECT_EQ(runWith({"--decimal-comma", "--column", std::to_string(column + 1)}, commaDesktopFile()).out,
                  alone.out);
        const std::vector<std::string> aloneLong = split(readFile(single / "l.csv"), '\n');
        ASSERT_EQ(aloneLong.size(), 41U);
        for (int point = 1; point <= 40; ++point) {
            EXPECT_EQ(longLines[40 * column + point], names[column] + aloneLong[point].substr(1)) << point;
        }
        EXPECT_EQ(summary[1 + column], names[column] + split(readFile(single / "s.csv"), '\n')[1].substr(1));
    }
    EXPECT_FALSE(fs::exists(folder / "tables" / "Junk.tsv"));
    // A single series in a folder: named by its number, the bytes --cr writes.
    const std::string temp = commaDesktopFile(2);
    EXPECT_EQ(runWith({"--cr", "--decimal-comma", "--output-dir", single.string()}, temp).exitCode, 0);
    EXPECT_EQ(readFile(single / "1.tsv"), runWith({"--cr", "--decimal-comma"}, temp).out);
}

TEST(ManySeries, ExitWithTheWorstOutcomeAndSayWhy) {
    const fs::path folder = freshFolder("codes");
    const std::string dir = "--output-dir=" + (folder / "out").string();
    const std::string text = commaDesktopFile();
    const std::string missing = (folder / "missing" / "").string();
    fs::create_directories(folder / "out4" / "a.tsv"); // a folder no table replaces
    // Column b overflows a double (a run-time error), column c holds no number (a refusal).
    std::string overflow = "a;b;c\n";
    std::string columnA;
    for (int i = 1; i <= 20; ++i) {
        overflow += std::to_string(i) + ";" + (i == 5 ? "1e400" : std::to_string(i)) + ";x\n";
        columnA += std::to_string(i) + ";\n";
    }
    const std::tuple<std::vector<std::string>, std::string, int, std::string> cases[] = {
        {{"--column=a", "--column=c"}, overflow, 2, "2 series need --output-dir DIR, --long FILE or"},
        {{"--decimal-comma"}, text, 2, "the text has 4 columns separated by ';': choose with --column"},
        {{"--decimal-comma", "--column=5"}, text, 2, "there is no column 5: the text has 4 columns\n"},
        {{"--decimal-comma", "--column=Price"}, text, 2, "no column is headed 'Price'\n"},
        {{"--decimal-comma", "--column=1", "--column=Sales, EUR", dir}, text, 2, "column 1 is chosen twice"},
        {{"--column=2"}, "1\n2\n", 2, "no column '2': the text is one column"},
        {{"--column=1", "--all-columns"}, "", 2, "--column and --all-columns exclude each other"},
        {{"--all-columns", "--long=x", "--formula"}, "", 2, "--plot and --formula go with a table on standard"},
        {{"--force"}, "", 2, "--force goes with --output-dir"},
        {{"--jobs=0"}, "", 2, "--jobs takes a number from 1 to 1024, not '0'"},
        {{"--delimiter", "pipe"}, "", 2, "--delimiter takes tab, comma or semicolon"},
        {{"--delimiter=comma", "--column=2"}, "a,b\n1,2\n3,\"4\n", 2, "field on line 3 is never closed"},
        {{"--all-columns", dir}, overflow, 4, "b: You caused an error. Try again.\nvantrel-batch: c: "},
        // A file that could not be written weighs most.
        {{"--all-columns", "--summary=" + missing + "s.csv"}, overflow, 2, missing + "s.csv: "},
        {{"--all-columns", "--long=" + missing + "l.csv"}, overflow, 2, missing + "l.csv: "},
        {{"--column=a", "--force", dir + "4"}, overflow, 2, (folder / "out4" / "a.tsv").string() + ": "},
        {{"--all-columns", dir, "--column=a"}, overflow, 2, "exclude each other"},
        {{"--column=a", "--column=c", dir + "2"}, overflow, 3, "vantrel-batch: c: There is not enough data."},
        {{"--column=a", "--column=3", dir + "3"}, overflow, 3, "vantrel-batch: c: There is not enough data."},
        {{"--all-columns", "--summary=" + (folder / "s.csv").string()}, "1;x\n2;y\n", 3, "vantrel-batch: 2: There is"},
        // The empty column a delimiter at the end of every line leaves is no series.
        {{"--all-columns", "--summary=" + (folder / "s.csv").string()}, columnA + columnA, 0, ""},
    };
    for (const auto& [args, input, exitCode, said] : cases) {
        const BatchRun run = runWith(args, input);
        EXPECT_EQ(run.exitCode, exitCode) << said;
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        EXPECT_EQ(run.out.empty(), exitCode != 0) << said; // tables go to standard output for one series alone
    }
    std::erase(columnA, ';');
    EXPECT_EQ(readFile(folder / "out2" / "a.tsv"), runWith({}, columnA).out);
}

// Every call runs once, on one job or several, and what one throws (here the memory a column's text
// would need) reaches the caller once all have ended, never a hole in the results; of two failures,
// the first.
TEST(ManySeries, JobsMakeEveryCallOnceAndPassOnAFailure) {
    for (int jobs : {1, 3}) {
        std::vector<std::atomic<int>> calls(7);
        std::string thrown;
        try {
            vantrel::onJobs(jobs, calls.size(), [&](std::size_t n) {
                if (++calls[n] == 1 && (n == 2 || n == 4)) {
                    throw std::runtime_error("call " + std::to_string(n));
                }
            });
        } catch (const std::runtime_error& failure) {
            thrown = failure.what();
        }
        EXPECT_FALSE(thrown.empty()) << jobs;
        if (jobs == 1) {
            EXPECT_EQ(thrown, "call 2"); // one job calls in order
        }
        EXPECT_TRUE(std::all_of(calls.begin(), calls.end(), [](const auto& c) { return c == 1; })) << jobs;
    }
}

// A name loses what a file system refuses or trims: "a/Z" is written to A_z.tsv, " C. ." to C.tsv.
TEST(ManySeries, OutputFilesAreNeverSilentlyReplaced) {
    const fs::path folder = freshFolder("force");
    const std::string dir = "--output-dir=" + folder.string();
    std::string clash = "a/Z;A_z; C. .\n";
    for (int i = 1; i <= 12; ++i) {
        clash += std::to_string(i) + ";" + std::to_string(i * i % 7) + ";" + std::to_string(i % 3) + "\n";
    }
    const BatchRun clashing = runWith({"--all-columns", dir}, clash);
    EXPECT_EQ(clashing.exitCode, 2);
    EXPECT_EQ(clashing.err,
              "vantrel-batch: columns 1 and 2 would both be written to " + (folder / "A_z.tsv").string() + "\n");
    EXPECT_EQ(runWith({"--column=1", "--column=3", dir}, clash).exitCode, 0);
    std::ofstream(folder / "C.tsv") << "kept";
    const BatchRun kept = runWith({"--column=3", "--column=2", dir}, clash);
    EXPECT_EQ(kept.exitCode, 2);
    EXPECT_EQ(kept.err, "vantrel-batch: " + (folder / "C.tsv").string() + " exists: --force replaces it\n");
    EXPECT_FALSE(fs::exists(folder / "A_z.tsv"));
    EXPECT_EQ(readFile(folder / "C.tsv"), "kept");
    EXPECT_EQ(runWith({"--column=3", "--column=2", dir, "--force"}, clash).exitCode, 0);
    EXPECT_EQ(readFile(folder / "C.tsv").substr(0, 5), "Index");
}

} // namespace
