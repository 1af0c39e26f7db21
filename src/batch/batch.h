#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"

#include <array>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace vantrel {

// Exit codes of vantrel-batch.
enum BatchExit { kBatchOk = 0, kBatchUsage = 2, kBatchRefused = 3, kBatchRuntimeError = 4 };

// What --plot asks for: the chart of a finished run, with the boxes as the run left them.
struct PlotRequest {
    const AnalysisState& state;
    const ResultTable& table;
    RegressionModel model;
    const std::array<std::string, kWaveCount>& dTexts;
    const std::array<std::string, kWaveCount>& iTexts;
    std::string path;
    int width;
    int height;
};

// Writes the chart file; returns the empty text, or why the file could not be written.
using PlotWriter = std::function<std::string(const PlotRequest&)>;

// Runs vantrel-batch with its arguments (without the program name): reads the series text from the file
// argument or from `in`, writes the result table to `out`, messages to `err`. Returns the exit code.
// Without a plot writer, --plot is refused.
int runBatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
             const PlotWriter& plot = {});

} // namespace vantrel
