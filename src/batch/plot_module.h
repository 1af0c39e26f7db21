#pragma once

#include "batch/batch.h"

#include <functional>
#include <string>

namespace vantrel {

// What vantrel-batch hands the chart module on the thread that draws the chart. The module starts
// the toolkit and makes a canvas of the expected size, then waits for the request: the null pointer
// when the run ends without a chart.
struct PlotOrder {
    char* programName = nullptr;
    int expectedWidth = 0;
    int expectedHeight = 0;
    std::function<const PlotRequest*()> awaitRequest;
    // Told why when the toolkit cannot go on (it would end the program); the thread then never
    // returns. Empty: the toolkit ends the program, as it does by itself.
    std::function<void(const std::string& why)> toolkitStuck;
    // Told the outcome as soon as the chart file is committed, or has failed, before the toolkit is
    // taken down; may be empty.
    std::function<void(const std::string& error)> drawn;
};

// The module's entry point, vantrelDrawPlot: writes the chart file when asked; on failure `error`
// says why.
using DrawPlot = void (*)(const PlotOrder& order, std::string& error);

} // namespace vantrel
