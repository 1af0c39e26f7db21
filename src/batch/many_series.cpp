#include "batch/many_series.h"

#include "export/long_table.h"

#include "analysis/models.h"
#include "export/file_writer.h"
#include "intake/delimited_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <ostream>
#include <sstream>
#include <system_error>
#include <thread>

namespace vantrel {

namespace {

constexpr const char* kProgram = "vantrel-batch: ";
// Longer names are cut: most file systems take 255 bytes, and ".tsv" follows.
constexpr std::size_t kLongestFileName = 200;

bool isNumberText(const std::string& text) {
    return !text.empty() && text.size() < 10 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string columnName(const DelimitedFile& file, int column) {
    const std::string& heading = file.headings[static_cast<std::size_t>(column)];
    return heading.empty() ? std::to_string(column + 1) : heading;
}

// A --column value as a column counted from 0.
int columnOf(const DelimitedFile& file, const std::string& wanted) {
    if (isNumberText(wanted)) {
        const int number = std::stoi(wanted);
        if (number < 1 || number > file.columnCount()) {
            throw SeriesChoiceError("there is no column " + wanted + ": the text has " +
                                    std::to_string(file.columnCount()) + " column" +
                                    (file.columnCount() == 1 ? "" : "s"));
        }
        return number - 1;
    }
    const auto& headings = file.headings;
    const auto found = std::find(headings.begin(), headings.end(), wanted);
    if (found == headings.end()) {
        throw SeriesChoiceError("no column is headed '" + wanted + "'" +
                                (file.hasHeading ? "" : " (the text has no heading line)"));
    }
    if (std::find(found + 1, headings.end(), wanted) != headings.end()) {
        throw SeriesChoiceError("several columns are headed '" + wanted + "': choose one by its number");
    }
    return static_cast<int>(found - headings.begin());
}

std::vector<int> chosenColumns(const DelimitedFile& file, const ManySeriesOptions& options) {
    std::vector<int> columns;
    if (options.allColumns) {
        for (int column = 0; column < file.columnCount(); ++column) {
            if (!isEmptyColumn(file, column)) {
                columns.push_back(column);
            }
        }
        return columns;
    }
    for (const std::string& wanted : options.columns) {
        const int column = columnOf(file, wanted);
        if (std::find(columns.begin(), columns.end(), column) != columns.end()) {
            throw SeriesChoiceError("column " + std::to_string(column + 1) + " is chosen twice");
        }
        columns.push_back(column);
    }
    return columns;
}

std::vector<ChosenSeries> wholeText(const std::string& text, const ManySeriesOptions& options) {
    for (const std::string& wanted : options.columns) {
        if (wanted != "1") {
            throw SeriesChoiceError("no column '" + wanted + "': the text is one column (no delimiter splits it)");
        }
    }
    return {{"1", 1, text}};
}

const char* delimiterName(char delimiter) {
    return delimiter == '\t' ? "TAB" : delimiter == ';' ? "';'" : "','";
}

int jobCount(const ManySeriesOptions& options, std::size_t seriesCount) {
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const int jobs = options.jobs > 0 ? options.jobs : static_cast<int>(cores);
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(jobs), seriesCount));
}

std::vector<ChosenSeries> columnsOfText(const std::string& text, char delimiter, const ManySeriesOptions& options,
                                        NumberFormat format) {
    DelimitedFile file;
    try {
        file = readDelimited(text, delimiter, format);
    } catch (const DelimitedFileError& e) {
        throw SeriesChoiceError(e.what());
    }
    const bool noChoice = options.columns.empty() && !options.allColumns;
    if (noChoice && file.columnCount() > 1) {
        if (delimiter == '\t') {
            return wholeText(text, options);
        }
        throw SeriesChoiceError("the text has " + std::to_string(file.columnCount()) + " columns separated by " +
                                delimiterName(delimiter) + ": choose with --column NAME|N or --all-columns");
    }
    const std::vector<int> columns = noChoice ? std::vector<int>{0} : chosenColumns(file, options);
    // Each column's text is a pass over every row: for a file of many columns, the jobs share them.
    std::vector<ChosenSeries> series(columns.size());
    onJobs(jobCount(options, columns.size()), columns.size(), [&](std::size_t n) {
        series[n] = {columnName(file, columns[n]), columns[n] + 1, columnText(file, columns[n])};
    });
    if (series.empty()) {
        throw SeriesChoiceError("no column holds anything");
    }
    return series;
}

std::string messageOf(const PasteOutcome& outcome) {
    std::string message;
    std::istringstream lines(outcome.reason);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            message += (message.empty() ? "" : " ") + line;
        }
    }
    return message;
}

const char* statusName(PasteResult result) {
    return result == PasteResult::Loaded ? "loaded" : result == PasteResult::Refused ? "refused" : "error";
}

// model,A,B,d_1..d_10,i_1..i_10 of a loaded series.
std::string fittedFields(const AnalysedSeries& series) {
    std::string fields = std::string(modelInfo(series.outcome.model).commandLineName) + "," +
                         roundTripText(series.state.Reg_A) + "," + roundTripText(series.state.Reg_B);
    const WavesAsUsed waves = wavesAsUsed(series);
    for (const auto* values : {&waves.d, &waves.i}) {
        for (const double value : *values) {
            fields += "," + roundTripText(value);
        }
    }
    return fields;
}

// A series that did not load has nothing fitted: its model, A, B, d and i fields stay empty.
std::string summaryRow(const std::string& name, PasteResult result, const std::string& message,
                       const AnalysedSeries* loaded) {
    constexpr int kFittedFields = 3 + 2 * kWaveCount;
    const std::string fitted = loaded ? fittedFields(*loaded) : std::string(kFittedFields - 1, ',');
    return csvField(name) + "," + fitted + "," + statusName(result) + "," + csvField(message) + "\n";
}

std::string summaryHeading() {
    std::string heading = "series,model,A,B";
    for (const char* kind : {"d_", "i_"}) {
        for (int wave = 1; wave <= kWaveCount; ++wave) {
            heading += "," + (kind + std::to_string(wave));
        }
    }
    return heading + ",status,reason\n";
}

// What one series leaves for the outputs, kept until every series is done so that they are written
// in input order.
struct SeriesReport {
    PasteResult result = PasteResult::Loaded;
    std::string message;
    std::string table;
    std::string longRows;
    std::string summaryRow;
    std::string writeError;
};

struct RunPlan {
    const ManySeriesOptions& options;
    const SeriesAnalyser& analyse;
    const TableBytes& tableBytes;
    std::vector<std::string> tablePaths;
    bool tableToOutput = false;
    AveragingMode mode;
};

SeriesReport failedReport(const std::string& name, const std::string& reason) {
    return {
        PasteResult::RuntimeError, reason, {}, {}, summaryRow(name, PasteResult::RuntimeError, reason, nullptr), {}};
}

SeriesReport reportOf(const ChosenSeries& series, const std::string& tablePath, const RunPlan& plan) {
    const std::unique_ptr<AnalysedSeries> analysed = plan.analyse(series.text, plan.mode);
    SeriesReport report;
    report.result = analysed->outcome.result;
    report.message = messageOf(analysed->outcome);
    const bool loaded = report.result == PasteResult::Loaded;
    report.summaryRow = summaryRow(series.name, report.result, report.message, loaded ? analysed.get() : nullptr);
    if (!loaded) {
        return report;
    }
    if (!plan.options.longFile.empty()) {
        report.longRows = longRows(series.name, analysed->state);
    }
    if (plan.tableToOutput) {
        report.table = plan.tableBytes(analysed->table);
    } else if (!tablePath.empty()) {
        const ExistingFile existing = plan.options.force ? ExistingFile::Replace : ExistingFile::Keep;
        const std::string error = writeFileAtomically(tablePath, plan.tableBytes(analysed->table), existing);
        report.writeError = error.empty() ? "" : tablePath + ": " + error;
    }
    return report;
}

// A series that fails outside the analysis (memory) is reported like a run-time error, so that the
// others go on.
SeriesReport guardedReportOf(const ChosenSeries& series, const std::string& tablePath, const RunPlan& plan) {
    try {
        return reportOf(series, tablePath, plan);
    } catch (const std::exception& e) {
        return failedReport(series.name, e.what());
    }
}

std::vector<SeriesReport> analyseAll(const std::vector<ChosenSeries>& series, const RunPlan& plan) {
    std::vector<SeriesReport> reports(series.size());
    onJobs(jobCount(plan.options, series.size()), series.size(), [&](std::size_t n) {
        const std::string path = plan.tablePaths.empty() ? std::string() : plan.tablePaths[n];
        reports[n] = guardedReportOf(series[n], path, plan);
    });
    return reports;
}

std::string foldedCase(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return name;
}

// Every table's path, checked before any series is analysed: two tables never share a file (also
// where the file system ignores case), and an existing file is kept unless --force.
std::vector<std::string> tablePaths(const std::vector<ChosenSeries>& series, const ManySeriesOptions& options) {
    std::vector<std::string> paths;
    std::map<std::string, int> taken;
    for (const ChosenSeries& one : series) {
        const std::string path = (std::filesystem::path(options.outputDir) / safeFileName(one)).string();
        const auto [clash, added] = taken.emplace(foldedCase(safeFileName(one)), one.column);
        if (!added) {
            throw SeriesChoiceError("columns " + std::to_string(clash->second) + " and " + std::to_string(one.column) +
                                    " would both be written to " + path);
        }
        std::error_code error;
        if (!options.force &&
            std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found) {
            throw SeriesChoiceError(path + " exists: --force replaces it");
        }
        paths.push_back(path);
    }
    return paths;
}

void makeOutputDir(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        throw SeriesChoiceError(dir + ": " + error.message());
    }
}

// Write errors weigh most (the results are not where they were asked for), then run-time errors,
// then refusals.
int exitCodeOf(const std::vector<SeriesReport>& reports, bool writeFailed) {
    const auto any = [&reports](PasteResult result) {
        return std::any_of(reports.begin(), reports.end(), [result](const auto& r) { return r.result == result; });
    };
    if (writeFailed) {
        return 2;
    }
    return any(PasteResult::RuntimeError) ? 4 : any(PasteResult::Refused) ? 3 : 0;
}

bool writeListFile(const std::string& path, const std::string& heading, const std::vector<SeriesReport>& reports,
                   std::string SeriesReport::*part, std::ostream& err) {
    if (path.empty()) {
        return true;
    }
    std::string bytes = heading;
    for (const SeriesReport& report : reports) {
        bytes += report.*part;
    }
    const std::string error = writeFileAtomically(path, bytes);
    if (!error.empty()) {
        err << kProgram << path << ": " << error << "\n";
    }
    return error.empty();
}

bool writeOutput(const std::string& table, std::ostream& out, std::ostream& err) {
    errno = 0;
    out << table;
    out.flush();
    if (!out) {
        err << kProgram << "write error: " << (errno != 0 ? std::strerror(errno) : "output failed") << "\n";
    }
    return static_cast<bool>(out);
}

// Messages in input order, each behind the name of its series when there are several.
bool reportAll(const std::vector<ChosenSeries>& series, const std::vector<SeriesReport>& reports, std::ostream& out,
               std::ostream& err) {
    bool written = true;
    for (std::size_t n = 0; n < reports.size(); ++n) {
        const std::string who = series.size() > 1 ? series[n].name + ": " : "";
        if (!reports[n].message.empty()) {
            err << kProgram << who << reports[n].message << "\n";
        }
        if (!reports[n].writeError.empty()) {
            err << kProgram << reports[n].writeError << "\n";
            written = false;
        }
        if (!reports[n].table.empty()) {
            written = writeOutput(reports[n].table, out, err) && written;
        }
    }
    return written;
}

} // namespace

void onJobs(int jobs, std::size_t count, const std::function<void(std::size_t)>& each) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto work = [&] {
        for (std::size_t n = next++; n < count; n = next++) {
            try {
                each(n);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                failure = failure ? failure : std::current_exception();
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        try {
            for (int job = 1; job < jobs; ++job) {
                workers.emplace_back(work);
            }
        } catch (const std::system_error&) {
            // The system gives no more threads: the ones running share the work.
        }
        work();
    } // joins the workers
    if (failure) {
        std::rethrow_exception(failure);
    }
}

std::optional<char> delimiterNamed(const std::string& name) {
    if (name == "tab") {
        return '\t';
    }
    if (name == "comma") {
        return ',';
    }
    if (name == "semicolon") {
        return ';';
    }
    return std::nullopt;
}

std::string manySeriesOptionsConflict(const ManySeriesOptions& options, bool plotOrFormula) {
    if (options.allColumns && !options.columns.empty()) {
        return "--column and --all-columns exclude each other";
    }
    if (plotOrFormula && options.writesFiles()) {
        return "--plot and --formula go with a table on standard output, not with --output-dir, --long or --summary";
    }
    if (options.force && options.outputDir.empty()) {
        return "--force goes with --output-dir";
    }
    return {};
}

std::vector<ChosenSeries> chooseSeries(const std::string& text, const ManySeriesOptions& options, NumberFormat format,
                                       bool plotOrFormula) {
    const std::optional<char> delimiter = options.delimiter ? options.delimiter : foundDelimiter(text, format);
    std::vector<ChosenSeries> series =
        delimiter ? columnsOfText(text, *delimiter, options, format) : wholeText(text, options);
    if (series.size() > 1 && !options.writesFiles()) {
        throw SeriesChoiceError(std::to_string(series.size()) +
                                " series need --output-dir DIR, --long FILE or --summary FILE: standard output takes "
                                "one table");
    }
    if (series.size() > 1 && plotOrFormula) {
        throw SeriesChoiceError("--plot and --formula take a single series");
    }
    return series;
}

WavesAsUsed wavesAsUsed(const AnalysedSeries& series) {
    WavesAsUsed waves;
    for (int k = 0; k < kWaveCount; ++k) {
        waves.d[k] = series.state.Wave_result[static_cast<std::size_t>(k)].d;
        waves.i[k] = series.state.Wave_result[static_cast<std::size_t>(k)].i;
    }
    return waves;
}

std::string longRows(const std::string& name, const AnalysisState& state) {
    LongColumns columns;
    columns.count = state.Data_count;
    columns.data = &state.Data_value[1];
    columns.trend = &state.Reg_value[1];
    columns.oscillation = &state.Osc_value[1];
    for (int k = 0; k < kWaveCount; ++k) {
        columns.waves[k] = &state.Wave_value[static_cast<std::size_t>(k)][1];
    }
    columns.remainder = &state.Rem_value[1];
    return longTableRows(name, columns);
}

std::string safeFileName(const ChosenSeries& series) {
    std::string name;
    for (const char c : series.name) {
        const bool refused = static_cast<unsigned char>(c) < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c);
        name += refused ? '_' : c;
    }
    const std::size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(" .") + 1 - first);
    if (name.size() > kLongestFileName) {
        std::size_t cut = kLongestFileName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    if (name.empty() || name.front() == '.') {
        name = name.empty() ? std::to_string(series.column) : "_" + name.substr(1);
    }
    return name + ".tsv";
}

int runManySeries(const std::vector<ChosenSeries>& series, const ManySeriesOptions& options,
                  const SeriesAnalyser& analyse, const TableBytes& tableBytes, std::ostream& out, std::ostream& err) {
    RunPlan plan{options, analyse, tableBytes, {}, options.outputDir.empty() && series.size() == 1, {}};
    // When the jobs already fill the cores, a second search thread per series would only wait for one.
    plan.mode.parallelSearches =
        jobCount(options, series.size()) < static_cast<int>(std::thread::hardware_concurrency());
    try {
        if (!options.outputDir.empty()) {
            makeOutputDir(options.outputDir);
            plan.tablePaths = tablePaths(series, options);
        }
    } catch (const SeriesChoiceError& e) {
        err << kProgram << e.what() << "\n";
        return 2;
    }
    const std::vector<SeriesReport> reports = analyseAll(series, plan);
    bool written = reportAll(series, reports, out, err);
    written = writeListFile(options.longFile, longTableHeading(), reports, &SeriesReport::longRows, err) && written;
    written = writeListFile(options.summaryFile, summaryHeading(), reports, &SeriesReport::summaryRow, err) && written;
    return exitCodeOf(reports, !written);
}

} // namespace vantrel
