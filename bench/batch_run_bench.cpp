// Processor time of whole vantrel-batch processes: the default run over 1500 lines, as a user starts
// it, process start-up and output included. Eleven runs; the median of their user + system time
// (the children's rusage), so that one run slowed by a neighbour on a shared machine does not count.
//
//   vantrel_batch_run_bench [BINARY]   (default: the vantrel-batch built beside it)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kPoints = 1500;
constexpr int kRuns = 11;
constexpr std::uint64_t kSeed = 20240611; // the random walk of vantrel_bench

// The random walk as a pasted column: 17 significant digits, CR LF line ends.
std::string writeInput() {
    char path[] = "/tmp/vantrel_batch_run_benchXXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        std::perror("mkstemp");
        std::exit(1);
    }
    std::mt19937_64 generator(kSeed);
    std::normal_distribution<double> step(0.0, 1.0);
    std::string text;
    double level = 100.0;
    for (int i = 1; i <= kPoints; ++i) {
        level += step(generator);
        char line[40];
        text.append(line, static_cast<std::size_t>(std::snprintf(line, sizeof line, "%.17g\r\n", level)));
    }
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) || close(fd) != 0) {
        std::perror(path);
        std::exit(1);
    }
    return path;
}

double childrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// One run with standard output thrown away; its processor seconds, or a negative number if it failed.
double timedRun(const char* binary, const std::string& input) {
    const double before = childrenCpuSeconds();
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        execl(binary, binary, input.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const double seconds = childrenCpuSeconds() - before;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1.0;
}

} // namespace

int main(int argc, char** argv) {
    const char* binary = argc > 1 ? argv[1] : VANTREL_BATCH_BINARY;
    const std::string input = writeInput();
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        const double cpu = timedRun(binary, input);
        if (cpu < 0) {
            std::fprintf(stderr, "%s failed on %s\n", binary, input.c_str());
            return 1;
        }
        seconds.push_back(cpu);
    }
    unlink(input.c_str());
    std::sort(seconds.begin(), seconds.end());
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("vantrel-batch, default options, %d lines, %d processes: median cpu %.4f s (least %.4f, most %.4f); "
                "load average %.2f\n",
                kPoints, kRuns, seconds[kRuns / 2], seconds.front(), seconds.back(), load[0]);
    return 0;
}
