#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "intake/paste_run.h"

#include <array>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// vantrel-batch over the columns of a delimited file: which columns, and where their results go.
struct ManySeriesOptions {
    std::optional<char> delimiter;    // --delimiter; found from the text when absent
    std::vector<std::string> columns; // --column, as given: a number from 1 or a heading
    bool allColumns = false;
    std::string outputDir;
    std::string longFile;
    std::string summaryFile;
    bool force = false;
    int jobs = 0; // 0: one per core

    bool writesFiles() const { return !outputDir.empty() || !longFile.empty() || !summaryFile.empty(); }
};

// Calls each(0) to each(count - 1), `jobs` at once, this thread among them. What a call throws is
// thrown here once every call has ended (the first, when several throw), so that no call's failure
// leaves a hole in the results unseen.
void onJobs(int jobs, std::size_t count, const std::function<void(std::size_t)>& each);

// "tab", "comma" or "semicolon"; nothing for any other name.
std::optional<char> delimiterNamed(const std::string& name);

// Why the many-series options cannot go together (the empty text when they can); --plot and
// --formula belong to a run that writes one table to standard output.
std::string manySeriesOptionsConflict(const ManySeriesOptions& options, bool plotOrFormula);

// The input does not fit the options (no such column, a quote never closed, several series with
// nowhere to write them): a usage error.
class SeriesChoiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A series to analyse: named by its heading or its column number from 1, and its paste text.
struct ChosenSeries {
    std::string name;
    int column = 1;
    std::string text;
};

// The series the text holds for the options. A text that is not delimited is one series, the whole
// text as it is, and so is a TAB text for which no column is chosen: Paste takes the first field
// of a TAB line. Throws SeriesChoiceError.
std::vector<ChosenSeries> chooseSeries(const std::string& text, const ManySeriesOptions& options, NumberFormat format,
                                       bool plotOrFormula);

// One analysed series: its own state and table (series share nothing), the boxes as the run left them.
struct AnalysedSeries {
    AnalysisState state;
    ResultTable table;
    PasteOutcome outcome;
    std::array<std::string, kWaveCount> dTexts;
    std::array<std::string, kWaveCount> iTexts;
};

// Analyses one series' text; `mode` says whether its wave search may take a second core.
using SeriesAnalyser = std::function<std::unique_ptr<AnalysedSeries>(std::string_view text, const AveragingMode& mode)>;
// The bytes a single-series run writes to standard output for a table.
using TableBytes = std::function<std::string(const ResultTable&)>;

// The d and i values a loaded run took its waves with, for --summary.
struct WavesAsUsed {
    std::array<double, kWaveCount> d{};
    std::array<double, kWaveCount> i{};
};
WavesAsUsed wavesAsUsed(const AnalysedSeries& series);

// The --long rows of a loaded series: points 1 to Data_count, LF after each.
std::string longRows(const std::string& name, const AnalysisState& state);

// A series name as a file name in --output-dir: characters that a file system refuses or that
// would leave the folder become "_", and a name left empty is the column's number.
std::string safeFileName(const ChosenSeries& series);

// Analyses every series (--jobs at once), writes --output-dir, --long and --summary, and the table
// of a single series to `out` when there is no --output-dir. Returns the exit code.
int runManySeries(const std::vector<ChosenSeries>& series, const ManySeriesOptions& options,
                  const SeriesAnalyser& analyse, const TableBytes& tableBytes, std::ostream& out, std::ostream& err);

} // namespace vantrel
