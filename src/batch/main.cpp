#include "batch/plot_module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <iostream>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

using vantrel::DrawPlot;
using vantrel::PlotOrder;
using vantrel::PlotRequest;

constexpr const char* kModuleName = "libvantrel_plot.so";
constexpr int kDefaultChartWidth = 1200;
constexpr int kDefaultChartHeight = 1600;
constexpr int kLargestChartSide = 10000;

// The program's folder: from /proc when it is mounted, else from the name it was started by.
std::filesystem::path programFolder(const char* programName) {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) {
        return program.parent_path();
    }
    const std::filesystem::path named = std::filesystem::absolute(programName, failed);
    return failed ? std::filesystem::path(".") : named.parent_path();
}

// The chart module stands beside the program in the build, and in lib/vantrel beside bin when
// installed. Without it, the message names every place looked at and why each failed.
DrawPlot openPlotModule(const char* programName, std::string& whereLooked) {
    const std::filesystem::path folder = programFolder(programName);
    for (const std::filesystem::path& module :
         {folder / kModuleName, folder.parent_path() / VANTREL_LIBDIR / "vantrel" / kModuleName}) {
        void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        const auto draw = handle ? reinterpret_cast<DrawPlot>(dlsym(handle, "vantrelDrawPlot")) : nullptr;
        if (draw != nullptr) {
            return draw;
        }
        const char* why = dlerror();
        whereLooked += "; " + (why != nullptr ? std::string(why) : module.string());
    }
    return nullptr;
}

// Reading the system's font configuration, which the toolkit's start waits for, takes about as long
// as loading the toolkit: a thread of its own reads it meanwhile, and the toolkit finds it read. The
// library is loaded first, so that the two loads do not wait for each other.
std::jthread fontConfigurationReader() {
    void* fontconfig = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
    const auto readConfiguration = fontconfig ? reinterpret_cast<int (*)()>(dlsym(fontconfig, "FcInit")) : nullptr;
    try {
        return readConfiguration != nullptr ? std::jthread(readConfiguration) : std::jthread();
    } catch (const std::system_error&) {
        return {}; // the toolkit reads it itself
    }
}

// Loads the module and has it draw the chart when the order's request comes.
std::string drawChart(const PlotOrder& order) {
    std::string whereLooked;
    DrawPlot draw = nullptr;
    {
        const std::jthread fontsRead = fontConfigurationReader();
        draw = openPlotModule(order.programName, whereLooked);
    }
    std::string error;
    if (draw != nullptr) {
        draw(order, error);
    } else if (order.awaitRequest() != nullptr) {
        error = std::string("the chart module ") + kModuleName + " cannot be loaded" + whereLooked;
    }
    return error;
}

bool asksForPlot(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& arg) { return arg == "--plot" || arg.rfind("--plot=", 0) == 0; });
}

// The last value given to the option, as "--option VALUE" or "--option=VALUE"; empty when none.
std::string lastValue(const std::vector<std::string>& args, const std::string& option) {
    std::string value;
    for (std::size_t n = 0; n < args.size(); ++n) {
        if (args[n] == option && n + 1 < args.size()) {
            value = args[n + 1];
        } else if (args[n].rfind(option + "=", 0) == 0) {
            value = args[n].substr(option.size() + 1);
        }
    }
    return value;
}

bool namesPng(const std::string& path) {
    const std::string suffix = ".png";
    return path.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), path.rbegin(), [](char wanted, char given) {
               return wanted == std::tolower(static_cast<unsigned char>(given));
           });
}

// The size of the canvas the chart will be painted on, read loosely: a wrong guess costs only the
// canvas made ahead, and the run itself refuses a bad size. No canvas for an SVG.
std::pair<int, int> expectedCanvasSize(const std::vector<std::string>& args) {
    if (!namesPng(lastValue(args, "--plot"))) {
        return {};
    }
    const std::string size = lastValue(args, "--plot-size");
    int width = kDefaultChartWidth;
    int height = kDefaultChartHeight;
    if (!size.empty() && std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2) {
        return {};
    }
    const auto fits = [](int side) { return side >= 1 && side <= kLargestChartSide; };
    return fits(width) && fits(height) ? std::pair<int, int>{width, height} : std::pair<int, int>{};
}

// Starting the toolkit and making the chart's canvas take longer than analysing a series: a run that
// asks for a chart does them at once, on a thread of its own that later draws the chart, while the
// series is read and analysed. A toolkit that cannot go on (no platform to start, say) ends only the
// chart: that thread stays where it stopped, and the run ends with its own status and output.
class ChartAhead {
public:
    ChartAhead(char* programName, const std::vector<std::string>& args) : programName_(programName) {
        if (!asksForPlot(args)) {
            return;
        }
        // A script has no display, and an inherited platform (a desktop's, over ssh or from cron) may
        // not start: the chart is always drawn offscreen. A desktop's debugging settings must not
        // turn a note about it (no runtime folder) into an abort. Set before any thread starts: the
        // environment is not safe to change beside a reader.
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        unsetenv("QT_FATAL_WARNINGS");
        unsetenv("QT_FATAL_CRITICALS");
        const auto [width, height] = expectedCanvasSize(args);
        const PlotOrder order{programName,
                              width,
                              height,
                              [this] { return request_.get(); },
                              [this](const std::string& why) { ended("the toolkit cannot go on: " + why, true); },
                              [this](const std::string& error) { ended(error, false); }};
        try {
            thread_ = std::thread([this, order] { ended(drawChart(order), false); });
        } catch (const std::system_error&) {
            // No thread to be had: everything is done when the chart is drawn.
        }
    }
    ChartAhead(const ChartAhead&) = delete;
    ChartAhead& operator=(const ChartAhead&) = delete;
    ~ChartAhead() { end(0, false); }

    std::string draw(const PlotRequest& request) {
        if (!thread_.joinable()) {
            return drawChart({programName_, 0, 0, [&request] { return &request; }, {}, {}});
        }
        requested_.set_value(&request);
        requestSent_ = true;
        return outcome().error;
    }

    // The run's end, with its status: the thread is told that no chart is coming. Once it has drawn
    // or given up, every output is committed, and the program ends here, its output flushed, without
    // waiting for the toolkit's teardown. Otherwise (unwinding) the thread is joined, or left where it
    // is stuck.
    int end(int status, bool mayExit = true) {
        if (!thread_.joinable()) {
            return status;
        }
        if (!requestSent_) {
            requested_.set_value(nullptr);
            requestSent_ = true;
        }
        const bool toolkitStuck = outcome().toolkitStuck;
        if (mayExit) {
            std::cout.flush();
            std::_Exit(status);
        }
        if (!toolkitStuck) {
            thread_.join();
        } else {
            thread_.detach();
        }
        return status;
    }

private:
    struct Outcome {
        std::string error;
        bool toolkitStuck = false;
    };

    // The first word is the one that counts: the thread ends after saying how the chart went.
    void ended(const std::string& error, bool toolkitStuck) {
        const std::lock_guard lock(mutex_);
        if (!outcome_) {
            outcome_ = Outcome{error, toolkitStuck};
        }
        changed_.notify_all();
    }
    Outcome outcome() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return outcome_.has_value(); });
        return *outcome_;
    }

    char* programName_;
    std::promise<const PlotRequest*> requested_;
    std::shared_future<const PlotRequest*> request_ = requested_.get_future().share();
    bool requestSent_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Outcome> outcome_; // once the thread has drawn, or given up
    std::thread thread_;
};

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    char* programName = argc > 0 ? argv[0] : const_cast<char*>("vantrel-batch");
    ChartAhead chart(programName, args);
    return chart.end(vantrel::runBatch(args, std::cin, std::cout, std::cerr,
                                       [&chart](const PlotRequest& request) { return chart.draw(request); }));
}
