// Time and peak memory of one default library run (Linear, both adjustments, i = 8) against the
// length of the series: a random walk of 1,500, 10,000 and 100,000 points. Each length runs in a
// child process of its own, so that its peak resident size is its own; the time is the best of a
// few runs in that process. Growth per point that stays level from row to row is linear growth.

#include <vantrel/vantrel.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

std::vector<double> randomWalk(int n) {
    std::mt19937_64 generator(20240611);
    std::normal_distribution<double> step(0.0, 1.0);
    std::vector<double> values(static_cast<std::size_t>(n));
    double level = 1000.0;
    for (double& v : values) {
        level += step(generator);
        v = level;
    }
    return values;
}

double bestSeconds(const std::vector<double>& values, int repetitions) {
    vantrel::Options options;
    options.maxPoints = static_cast<int>(values.size());
    double best = 1e300;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const vantrel::Decomposition result = vantrel::decompose(values, options);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

struct Measure {
    double seconds = 0;
    long peakKiB = 0;
};

// The run in a child: its time comes back through a pipe, its peak resident size from wait4.
Measure measureInChild(int n, int repetitions) {
    int channel[2];
    if (pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::vector<double> values = randomWalk(n);
        const double seconds = bestSeconds(values, repetitions);
        const bool written = write(channel[1], &seconds, sizeof seconds) == sizeof seconds;
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    Measure measure;
    if (read(channel[0], &measure.seconds, sizeof measure.seconds) != sizeof measure.seconds) {
        std::fprintf(stderr, "the run of %d points failed\n", n);
    }
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    measure.peakKiB = usage.ru_maxrss;
    return measure;
}

} // namespace

int main() {
    // The resident size of a child that does nothing, to take off the peaks.
    const Measure idle = measureInChild(0, 0);
    // The bytes each point added since the row before: the fixed part of a run drops out.
    std::printf("%8s %10s %14s %12s %22s\n", "points", "seconds", "us per point", "peak KiB", "bytes per added point");
    int previousPoints = 0;
    long previousKiB = idle.peakKiB;
    for (const int n : {1500, 10000, 100000}) {
        const Measure m = measureInChild(n, n > 10000 ? 2 : 5);
        const double bytesPerPoint = 1024.0 * static_cast<double>(m.peakKiB - previousKiB) / (n - previousPoints);
        std::printf("%8d %10.4f %14.2f %12ld %22.0f\n", n, m.seconds, m.seconds * 1e6 / n, m.peakKiB - idle.peakKiB,
                    bytesPerPoint);
        previousPoints = n;
        previousKiB = m.peakKiB;
    }
    return 0;
}
