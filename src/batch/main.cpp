#include "batch/batch.h"

#include <dlfcn.h>

#include <filesystem>
#include <iostream>

namespace {

using WritePlot = void (*)(const vantrel::PlotRequest&, std::string&, int, char**);

// The chart module stands beside the program in the build, and in lib/vantrel beside bin when installed.
void* openPlotModule() {
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    for (const std::filesystem::path& module :
         {program / "libvantrel_plot.so", program.parent_path() / VANTREL_LIBDIR / "vantrel" / "libvantrel_plot.so"}) {
        if (void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return handle;
        }
    }
    return nullptr;
}

std::string writePlot(int argc, char** argv, const vantrel::PlotRequest& request) {
    void* module = openPlotModule();
    const auto write = module ? reinterpret_cast<WritePlot>(dlsym(module, "vantrelWritePlot")) : nullptr;
    if (write == nullptr) {
        return "the chart module libvantrel_plot.so cannot be loaded";
    }
    std::string error;
    write(request, error, argc, argv);
    return error;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto plot = [argc, argv](const vantrel::PlotRequest& request) { return writePlot(argc, argv, request); };
    return vantrel::runBatch(args, std::cin, std::cout, std::cerr, plot);
}
