// What --plot adds to a vantrel-batch run: the program itself, started again and again on a random
// walk of 1500 values, without --plot and with --plot FILE.png (the default 1200 x 1600), the two
// kinds of run taking turns so that both see the same load. Prints the median wall time and processor
// time of each, their ratios and the load average. Arguments: the number of runs of each kind
// (default 21), then the program to run (default: the one built beside this bench).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Times {
    std::vector<double> wall;
    std::vector<double> processor; // user and system, every thread
};

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

fs::path randomWalk(const fs::path& folder) {
    std::mt19937_64 generator(20261207);
    std::normal_distribution<double> step(0.0, 1.0);
    const fs::path path = folder / "walk.txt";
    std::ofstream file(path);
    double level = 100;
    for (int point = 0; point < 1500; ++point) {
        level += step(generator);
        file << level << "\n";
    }
    return path;
}

// One run with standard output thrown away; exits the bench when the run fails.
void timedRun(const std::vector<std::string>& args, Times& times) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::fflush(stdout); // else the child's stdout would write it again
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    times.wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    times.processor.push_back(seconds(usage.ru_utime) + seconds(usage.ru_stime));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args.front().c_str());
        std::exit(1);
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printLoad(const char* when) {
    double load[3] = {};
    if (getloadavg(load, 3) == 3) {
        std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const std::string program = argc > 2 ? argv[2] : VANTREL_BATCH_PROGRAM;
    const fs::path folder = fs::temp_directory_path() / ("vantrel-plot-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string walk = randomWalk(folder).string();
    const std::string chart = (folder / "chart.png").string();
    printLoad("before");
    Times plain;
    Times plotted;
    timedRun({program, "--plot", chart, walk}, plotted); // warms the caches; not counted
    plotted = {};
    for (int run = 0; run < runs; ++run) {
        timedRun({program, walk}, plain);
        timedRun({program, "--plot", chart, walk}, plotted);
    }
    printLoad("after");
    fs::remove_all(folder);
    std::printf("median of %d runs: without --plot %.1f ms wall, %.1f ms processor\n", runs, 1e3 * median(plain.wall),
                1e3 * median(plain.processor));
    std::printf("median of %d runs: with --plot    %.1f ms wall, %.1f ms processor\n", runs, 1e3 * median(plotted.wall),
                1e3 * median(plotted.processor));
    std::printf("--plot wall ratio: %.2f (processor ratio %.2f)\n", median(plotted.wall) / median(plain.wall),
                median(plotted.processor) / median(plain.processor));
    return 0;
}
