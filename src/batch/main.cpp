#include "batch/batch.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <iostream>
#include <system_error>

namespace {

using WritePlot = void (*)(const vantrel::PlotRequest&, std::string&, char*);

constexpr const char* kModuleName = "libvantrel_plot.so";

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
WritePlot openPlotModule(const char* programName, std::string& whereLooked) {
    const std::filesystem::path folder = programFolder(programName);
    for (const std::filesystem::path& module :
         {folder / kModuleName, folder.parent_path() / VANTREL_LIBDIR / "vantrel" / kModuleName}) {
        void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        const auto write = handle ? reinterpret_cast<WritePlot>(dlsym(handle, "vantrelWritePlot")) : nullptr;
        if (write != nullptr) {
            return write;
        }
        const char* why = dlerror();
        whereLooked += "; " + (why != nullptr ? std::string(why) : module.string());
    }
    return nullptr;
}

struct PlotModule {
    WritePlot write = nullptr;
    std::string whereLooked;
};

PlotModule loadPlotModule(const char* programName) {
    PlotModule module;
    module.write = openPlotModule(programName, module.whereLooked);
    return module;
}

bool asksForPlot(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& arg) { return arg == "--plot" || arg.rfind("--plot=", 0) == 0; });
}

// Loading the chart module, and the toolkit with it, takes about as long as analysing a series: a run
// that asks for a chart starts loading it at once, on a thread of its own, while the series is read
// and analysed. What the loading finds is used only when the chart is drawn.
std::shared_future<PlotModule> moduleLoadedAhead(const std::vector<std::string>& args, const char* programName) {
    if (!asksForPlot(args)) {
        return {};
    }
    try {
        return std::async(std::launch::async, loadPlotModule, programName).share();
    } catch (const std::system_error&) {
        return {}; // no thread to be had: loaded when the chart is drawn
    }
}

std::string writePlot(char* programName, const std::shared_future<PlotModule>& ahead,
                      const vantrel::PlotRequest& request) {
    const PlotModule module = ahead.valid() ? ahead.get() : loadPlotModule(programName);
    if (module.write == nullptr) {
        return std::string("the chart module ") + kModuleName + " cannot be loaded" + module.whereLooked;
    }
    std::string error;
    module.write(request, error, programName);
    return error;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    char* programName = argc > 0 ? argv[0] : const_cast<char*>("vantrel-batch");
    const std::shared_future<PlotModule> ahead = moduleLoadedAhead(args, programName);
    auto plot = [programName, &ahead](const vantrel::PlotRequest& request) {
        return writePlot(programName, ahead, request);
    };
    return vantrel::runBatch(args, std::cin, std::cout, std::cerr, plot);
}
