// Throughput of vantrel-batch over many series: a ";" file of 1,000 columns of 1500 random-walk
// values (a heading line, default settings), analysed with --all-columns into a summary, once with
// --jobs 1 and once with --jobs 2, then once more with --jobs 2 and a folder of tables. Prints the
// wall times, the series per second, the wall ratio of --jobs 2 to --jobs 1, the load average and
// whether the runs wrote the same summary. Every table file is flushed to the disk before it counts
// as written, so the last time is mostly the disk's. An optional argument sets the number of
// columns.

#include "batch/batch.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPoints = 1500;
constexpr std::uint64_t kSeed = 20261207;

std::string manyColumns(int columns) {
    std::mt19937_64 generator(kSeed);
    std::normal_distribution<double> step(0.0, 1.0);
    std::vector<double> levels(static_cast<std::size_t>(columns), 100.0);
    std::string text;
    for (int column = 1; column <= columns; ++column) {
        text += (column > 1 ? ";s" : "s") + std::to_string(column);
    }
    text += "\n";
    char number[32];
    for (int row = 0; row < kPoints; ++row) {
        for (int column = 0; column < columns; ++column) {
            levels[column] += step(generator);
            std::snprintf(number, sizeof number, column > 0 ? ";%.5f" : "%.5f", levels[column]);
            text += number;
        }
        text += "\n";
    }
    return text;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Timing {
    double wall;
    double processor; // of every thread
};

Timing timedRun(const std::string& text, const fs::path& folder, const std::string& jobs, bool tables) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::istringstream in(text);
    std::ostringstream out;
    std::ostringstream err;
    std::vector<std::string> args{"--all-columns", "--jobs", jobs, "--summary", (folder / "summary.csv").string()};
    if (tables) {
        args.insert(args.end(), {"--output-dir", (folder / "tables").string()});
    }
    const auto start = Clock::now();
    const std::clock_t processorStart = std::clock();
    const int code = vantrel::runBatch(args, in, out, err);
    const Timing timing{std::chrono::duration<double>(Clock::now() - start).count(),
                        static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC};
    if (code != 0) {
        std::fprintf(stderr, "exit %d: %s\n", code, err.str().c_str());
        std::exit(1);
    }
    return timing;
}

void printTiming(const char* what, const Timing& timing, int columns) {
    std::printf("%s: %.2f s wall (%.1f series/s), %.2f s processor\n", what, timing.wall, columns / timing.wall,
                timing.processor);
}

void printLoad(const char* when) {
    double load[3] = {};
    if (getloadavg(load, 3) == 3) {
        std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
    }
}

bool sameSummary(const fs::path& one, const fs::path& two) {
    return readFile(one / "summary.csv") == readFile(two / "summary.csv");
}

} // namespace

int main(int argc, char** argv) {
    const int columns = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::string text = manyColumns(columns);
    const fs::path base = fs::temp_directory_path() / ("vantrel-many-bench-" + std::to_string(::getpid()));
    printLoad("before");
    const Timing one = timedRun(text, base / "jobs1", "1", false);
    const Timing two = timedRun(text, base / "jobs2", "2", false);
    const Timing withTables = timedRun(text, base / "tables", "2", true);
    const bool same = sameSummary(base / "jobs1", base / "jobs2") && sameSummary(base / "jobs1", base / "tables");
    printLoad("after");
    fs::remove_all(base);
    std::printf("%d columns of %d values, %.1f MB\n", columns, kPoints, static_cast<double>(text.size()) / 1e6);
    printTiming("--jobs 1", one, columns);
    printTiming("--jobs 2", two, columns);
    std::printf("--jobs 2 wall ratio: %.2f of --jobs 1 (speed-up %.2f)\n", two.wall / one.wall, one.wall / two.wall);
    printTiming("--jobs 2 with --output-dir", withTables, columns);
    std::printf("same summary: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
