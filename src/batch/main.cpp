#include "batch/plot_module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <future>
#include <iostream>
#include <system_error>

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

// Loads the module and has it draw the chart when the order's request comes.
std::string drawChart(const PlotOrder& order) {
    std::string whereLooked;
    const DrawPlot draw = openPlotModule(order.programName, whereLooked);
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
// series is read and analysed.
class ChartAhead {
public:
    ChartAhead(char* programName, const std::vector<std::string>& args) : programName_(programName) {
        if (!asksForPlot(args)) {
            return;
        }
        const auto [width, height] = expectedCanvasSize(args);
        const PlotOrder order{programName, width, height, [this] { return request_.get(); }};
        try {
            error_ = std::async(std::launch::async, drawChart, order);
        } catch (const std::system_error&) {
            // No thread to be had: everything is done when the chart is drawn.
        }
    }
    ChartAhead(const ChartAhead&) = delete;
    ChartAhead& operator=(const ChartAhead&) = delete;

    // The run ended without a chart: the thread ends its toolkit's start.
    ~ChartAhead() {
        if (error_.valid()) {
            requested_.set_value(nullptr);
            error_.wait();
        }
    }

    std::string draw(const PlotRequest& request) {
        if (!error_.valid()) {
            return drawChart({programName_, 0, 0, [&request] { return &request; }});
        }
        requested_.set_value(&request);
        return error_.get();
    }

private:
    char* programName_;
    std::promise<const PlotRequest*> requested_;
    std::shared_future<const PlotRequest*> request_ = requested_.get_future().share();
    std::future<std::string> error_;
};

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    char* programName = argc > 0 ? argv[0] : const_cast<char*>("vantrel-batch");
    ChartAhead chart(programName, args);
    return vantrel::runBatch(args, std::cin, std::cout, std::cerr,
                             [&chart](const PlotRequest& request) { return chart.draw(request); });
}
