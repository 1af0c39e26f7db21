#include "batch/batch.h"

#include "export/clip_text.h"
#include "intake/paste_run.h"
#include "views/box_editing.h"

#include "batch/many_series.h"
#include "intake/text_decoding.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace vantrel {

namespace {

constexpr const char* kUsage = "usage: vantrel-batch [OPTION]... [FILE]";

constexpr const char* kHelp = R"(Reads one column of numbers from FILE (or standard input; also for "-") the
way Paste reads the clipboard, fits the trend, peels ten waves off the
oscillation and writes the 1501-line result table to standard output, fields
separated by TAB (one more line for each point beyond 1500 with --max-points).

Options (defaults are the window's):
  --model NAME         linear, logarithmic, exponential or power (default
                       linear); data with a value of zero or below falls back
                       to linear
  --amplitude on|off   amplitude adjustment of the d values (default on)
  --wavelength on|off  wavelength adjustment of the d values (default on)
  --d=V1,...,V10       the d boxes (default 0.00000); fewer than ten values
                       leave the rest at the default
  --i=V1,...,V10       the i boxes (default 8)
  --formula            print the formula line and the d values left in the
                       boxes to standard error
  --decimal-comma      read and write "," as the decimal separator, as the
                       window does in a desktop that uses it; the --d and --i
                       lists are then separated by ";" (--d='0,5;-1,25')
  --max-points N       keep the last N values instead of the last 1500 (10 to
                       100000); the text may be longer in proportion
  --plot FILE          also write the chart of the run to FILE, PNG or SVG by
                       its extension
  --plot-size WxH      the chart's size in pixels (default 1200x1600)
  --delimiter NAME     tab, comma or semicolon: FILE is a delimited file
                       (found from its first lines when not given; a text
                       that no delimiter splits alike is one column)
  --column NAME|N      analyse the column with this heading, or column N
                       (from 1); may be given several times
  --all-columns        analyse every column
  --output-dir DIR     write each column's table to DIR/NAME.tsv, NAME its
                       heading or number
  --force              replace existing files in DIR
  --long FILE          write every series' numbers to FILE, one CSV line per
                       point: series,point,data,trend,oscillation,wave_1,...,
                       wave_10,remainder
  --summary FILE       write one CSV line per series: series,model,A,B,d_1..
                       d_10,i_1..i_10,status,reason
  --jobs N             analyse N series at once (default: one per core)
  --lf                 end every line with LF (the default)
  --cr                 CR between lines and none after the last: the bytes
                       the window's Copy puts on the clipboard
  -h, --help           show this help and exit
  -V, --version        show the version and exit
  --                   end of options: what follows is the FILE

Several series need --output-dir, --long or --summary. A delimited file of
several columns needs --column or --all-columns, except with TAB: then the
first field of each line is read, as Paste reads it.

A file that starts with a UTF-16 byte-order mark, or whose first characters
have their NUL bytes on one side (UTF-16 without the mark), is read as UTF-16;
a UTF-8 byte-order mark is skipped; any other file with NUL bytes is refused.
Without --decimal-comma numbers use ".", whatever the locale.

Exit status: 0 done, 2 bad options, an unreadable FILE or a write error,
3 the data was refused, 4 run-time error. Of several series the others are
still written: 2 for a write error, else 4 if any failed, else 3 if any was
refused.
)";

constexpr const char* kProgram = "vantrel-batch: ";

// A delimited file holds many columns, each within the paste's limits; a text beyond this many bytes
// is read no further and refused as too large, as any text that one paste cannot take.
constexpr size_t kMaxInputBytes = size_t{256} << 20;
constexpr size_t kReadChunk = size_t{64} << 10;

struct BatchOptions {
    RegressionModel model = RegressionModel::Linear;
    WaveModes modes;
    std::array<std::string, kWaveCount> dTexts;
    std::array<std::string, kWaveCount> iTexts;
    // The --d and --i lists as given: their separator depends on --decimal-comma, wherever it stands.
    std::optional<std::string> dList;
    std::optional<std::string> iList;
    NumberFormat format = NumberFormat::DecimalPoint;
    int maxPoints = kMaxPoints;
    std::string plotPath;
    int plotWidth = 1200;
    int plotHeight = 1600;
    bool formula = false;
    bool carriageReturns = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> file;
    ManySeriesOptions many;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::optional<RegressionModel> modelNamed(const std::string& name) {
    for (const ModelInfo& model : allModels()) {
        if (name == model.commandLineName) {
            return model.id;
        }
    }
    return std::nullopt;
}

bool switchValue(const std::string& option, const std::string& value) {
    if (value == "on") {
        return true;
    }
    if (value == "off") {
        return false;
    }
    throw UsageError(option + " takes on or off, not '" + value + "'");
}

// A list of box texts, each normalised as leaving its box would. The texts are separated by ","
// or, where "," is the decimal separator, by ";".
void setBoxTexts(std::array<std::string, kWaveCount>& boxes, const std::string& list, BoxKind kind, NumberFormat format,
                 const std::string& option) {
    const char separator = format == NumberFormat::DecimalComma ? ';' : ',';
    auto normalise = [kind, format](const std::string& text) {
        return kind == BoxKind::D ? normaliseDText(text, format) : normaliseIText(text, format);
    };
    size_t box = 0;
    size_t start = 0;
    while (true) {
        const size_t comma = list.find(separator, start);
        if (box == boxes.size()) {
            throw UsageError(option + " takes at most ten values");
        }
        boxes[box++] = normalise(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
}

// WxH, each from 100 to 10000 pixels, in digits alone: no blanks, no signs.
void setPlotSize(BatchOptions& options, const std::string& value) {
    int width = 0;
    int height = 0;
    const char* end = value.data() + value.size();
    // from_chars takes neither blanks nor a plus sign.
    const auto [afterWidth, widthFailed] = std::from_chars(value.data(), end, width);
    bool read = widthFailed == std::errc() && afterWidth != end && *afterWidth == 'x';
    if (read) {
        const auto [afterHeight, heightFailed] = std::from_chars(afterWidth + 1, end, height);
        read = heightFailed == std::errc() && afterHeight == end;
    }
    constexpr int kSmallest = 100;
    constexpr int kLargest = 10000;
    if (!read || width < kSmallest || height < kSmallest || width > kLargest || height > kLargest) {
        throw UsageError("--plot-size takes WIDTHxHEIGHT from 100x100 to 10000x10000, not '" + value + "'");
    }
    options.plotWidth = width;
    options.plotHeight = height;
}

void setMaxPoints(BatchOptions& options, const std::string& value) {
    int points = 0;
    char rest = 0;
    std::istringstream number(value);
    const bool read = static_cast<bool>(number >> points) && !(number >> rest);
    if (!read || points < kMinPoints || points > kLargestMaxPoints) {
        throw UsageError("--max-points takes a whole number from 10 to 100000, not '" + value + "'");
    }
    options.maxPoints = points;
}

// 1 to 1024 analyses at once.
int jobsValue(const std::string& value) {
    constexpr int kMostJobs = 1024;
    int jobs = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
    if (error != std::errc() || end != value.data() + value.size() || jobs < 1 || jobs > kMostJobs) {
        throw UsageError("--jobs takes a number from 1 to 1024, not '" + value + "'");
    }
    return jobs;
}

void setDelimiter(BatchOptions& options, const std::string& value) {
    options.many.delimiter = delimiterNamed(value);
    if (!options.many.delimiter) {
        throw UsageError("--delimiter takes tab, comma or semicolon, not '" + value + "'");
    }
}

// The value of an option that names a file or folder to write.
const std::string& placeNamed(const char* option, const std::string& value) {
    if (value.empty()) {
        throw UsageError(std::string(option) + " needs a non-empty value");
    }
    return value;
}

void setModel(BatchOptions& options, const std::string& value) {
    const auto model = modelNamed(value);
    if (!model) {
        throw UsageError("unknown model '" + value + "'");
    }
    options.model = *model;
}

// The options that take a value, each with what it does: the one list of their names.
struct ValueOption {
    const char* name;
    void (*apply)(BatchOptions& options, const std::string& value);
};

const ValueOption kValueOptions[] = {
    {"--model", setModel},
    {"--amplitude", [](BatchOptions& o, const std::string& v) { o.modes.amplitude = switchValue("--amplitude", v); }},
    {"--wavelength",
     [](BatchOptions& o, const std::string& v) { o.modes.wavelength = switchValue("--wavelength", v); }},
    {"--d", [](BatchOptions& o, const std::string& v) { o.dList = v; }},
    {"--i", [](BatchOptions& o, const std::string& v) { o.iList = v; }},
    {"--plot",
     [](BatchOptions& o, const std::string& v) {
         if (v.empty()) {
             throw UsageError("--plot needs a file name");
         }
         o.plotPath = v;
     }},
    {"--plot-size", setPlotSize},
    {"--max-points", setMaxPoints},
    {"--delimiter", setDelimiter},
    {"--column", [](BatchOptions& o, const std::string& v) { o.many.columns.push_back(v); }},
    {"--output-dir", [](BatchOptions& o, const std::string& v) { o.many.outputDir = placeNamed("--output-dir", v); }},
    {"--long", [](BatchOptions& o, const std::string& v) { o.many.longFile = placeNamed("--long", v); }},
    {"--summary", [](BatchOptions& o, const std::string& v) { o.many.summaryFile = placeNamed("--summary", v); }},
    {"--jobs", [](BatchOptions& o, const std::string& v) { o.many.jobs = jobsValue(v); }},
};

const ValueOption* valueOptionNamed(const std::string& name) {
    for (const ValueOption& option : kValueOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

void takeFile(BatchOptions& options, const std::string& arg) {
    if (options.file) {
        throw UsageError("unexpected argument '" + arg + "'");
    }
    options.file = arg;
}

// An option with its value, as "--name=value" or as "--name value".
void applyValueOption(BatchOptions& options, const std::vector<std::string>& args, size_t& n) {
    const std::string& arg = args[n];
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const ValueOption* option = valueOptionNamed(name);
    if (option == nullptr) {
        throw UsageError("unknown option '" + arg + "'");
    }
    if (equals != std::string::npos) {
        option->apply(options, arg.substr(equals + 1));
    } else if (n + 1 < args.size()) {
        option->apply(options, args[++n]);
    } else {
        throw UsageError(name + " needs a value");
    }
}

bool plotOrFormula(const BatchOptions& options) {
    return options.formula || !options.plotPath.empty();
}

BatchOptions parseOptions(const std::vector<std::string>& args) {
    BatchOptions options;
    options.iTexts.fill(defaultBoxText(BoxKind::I));
    bool optionsEnded = false;
    for (size_t n = 0; n < args.size(); ++n) {
        const std::string& arg = args[n];
        if (optionsEnded || arg == "-" || arg.rfind('-', 0) != 0) {
            takeFile(options, arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version" || arg == "-V") {
            options.version = true;
        } else if (arg == "--formula") {
            options.formula = true;
        } else if (arg == "--lf" || arg == "--cr") {
            options.carriageReturns = arg == "--cr";
        } else if (arg == "--decimal-comma") {
            options.format = NumberFormat::DecimalComma;
        } else if (arg == "--all-columns" || arg == "--force") {
            (arg == "--force" ? options.many.force : options.many.allColumns) = true;
        } else if (arg.rfind("--", 0) == 0) {
            applyValueOption(options, args, n);
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    // Only now: the default d text is written with the separator of --decimal-comma, wherever it stood.
    options.dTexts.fill(defaultBoxText(BoxKind::D, options.format));
    if (options.dList) {
        setBoxTexts(options.dTexts, *options.dList, BoxKind::D, options.format, "--d");
    }
    if (options.iList) {
        setBoxTexts(options.iTexts, *options.iList, BoxKind::I, options.format, "--i");
    }
    const std::string conflict = manySeriesOptionsConflict(options.many, plotOrFormula(options));
    if (!conflict.empty()) {
        throw UsageError(conflict);
    }
    return options;
}

// The text, or the reason it could not be read.
struct Input {
    std::string text;
    std::string error;
    bool cut = false;
};

std::string systemError() {
    return std::strerror(errno);
}

// The text grows by what each read brings, so a small input costs a small buffer.
Input readLimited(std::istream& in) {
    std::string bytes;
    std::array<char, kReadChunk> chunk;
    errno = 0;
    while (in && bytes.size() <= kMaxInputBytes) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        bytes.append(chunk.data(), static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) {
        return {{}, errno != 0 ? systemError() : "read error"};
    }
    const bool cut = bytes.size() > kMaxInputBytes;
    std::string text = textOfFile(std::move(bytes));
    // UTF-16 that was not recognised would otherwise load as a column of zeros.
    if (text.find('\0') != std::string::npos) {
        return {{}, "not a text: it holds NUL bytes"};
    }
    return {std::move(text), {}, cut};
}

Input readInput(const BatchOptions& options, std::istream& in) {
    if (!options.file || *options.file == "-") {
        Input input = readLimited(in);
        if (!input.error.empty()) {
            input.error = "standard input: " + input.error;
        }
        return input;
    }
    errno = 0;
    std::ifstream file(*options.file, std::ios::binary);
    Input input = file ? readLimited(file) : Input{{}, systemError()};
    if (!input.error.empty()) {
        input.error = *options.file + ": " + input.error;
    }
    return input;
}

// Messages keep CR LF pairs for the window; on a terminal each line of one is a line of its own,
// behind the program's name.
std::string asMessageLines(const std::string& message) {
    std::string lines;
    std::string line;
    std::istringstream stream(message);
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines += kProgram + line + "\n";
        }
    }
    return lines;
}

// The window's boxes and switches, for a run without a window.
class BatchObserver : public PasteObserver {
public:
    explicit BatchObserver(BatchOptions& options) : m_options(options) {}

    WaveModes modes() override { return m_options.modes; }
    std::string iText(int box) override { return m_options.iTexts[box]; }
    std::string dText(int box) override { return m_options.dTexts[box]; }
    void setBoxText(BoxKind kind, int box, const std::string& text) override {
        (kind == BoxKind::D ? m_options.dTexts : m_options.iTexts)[box] = text;
    }
    void searchStep(int box, double d) override { m_options.dTexts[box] = dBoxText(d, m_options.format); }
    void combinedD(int box, double d) override { m_options.dTexts[box] = dBoxText(d, m_options.format); }
    void formulaLine(const std::string& text) override { m_formulaLine = text; }
    const std::string& lastFormulaLine() const { return m_formulaLine; }

private:
    BatchOptions& m_options;
    std::string m_formulaLine;
};

void printFormula(const BatchObserver& observer, const BatchOptions& options, std::ostream& err) {
    err << observer.lastFormulaLine() << "\n";
    err << "d =";
    for (const std::string& d : options.dTexts) {
        err << " " << d;
    }
    err << "\n";
}

// Whatever went to `out` is written only once the flush succeeds: a full disk is an error.
int flushed(std::ostream& out, std::ostream& err) {
    out.flush();
    if (!out) {
        err << kProgram << "write error: " << (errno != 0 ? systemError() : "output failed") << "\n";
        return kBatchUsage;
    }
    return kBatchOk;
}

// A table's lines end in LF, the last one too, or are separated by CR as on the clipboard.
struct TableLines {
    char separator;
    bool endLastLine;
};
TableLines tableLines(bool carriageReturns) {
    return {carriageReturns ? '\r' : '\n', !carriageReturns};
}

std::string tableBytes(const ResultTable& table, bool carriageReturns) {
    const auto [separator, endLastLine] = tableLines(carriageReturns);
    std::string text = tableClipText(table, separator); // sized with room for the last line end
    if (endLastLine) {
        text += separator;
    }
    return text;
}

int writeTable(const ResultTable& table, const BatchOptions& options, std::ostream& out, std::ostream& err) {
    errno = 0;
    const auto [separator, endLastLine] = tableLines(options.carriageReturns);
    writeTableClipText(table, separator, endLastLine, out);
    return flushed(out, err);
}

int writePlot(const PlotWriter& plot, const AnalysisState& state, const ResultTable& table, const PasteOutcome& outcome,
              const BatchOptions& options, std::ostream& err) {
    const std::string failure = plot({state, table, outcome.model, options.dTexts, options.iTexts, options.plotPath,
                                      options.plotWidth, options.plotHeight});
    if (!failure.empty()) {
        err << kProgram << options.plotPath << ": " << failure << "\n";
        return kBatchUsage;
    }
    return kBatchOk;
}

int analyse(BatchOptions& options, const std::string& text, std::ostream& out, std::ostream& err,
            const PlotWriter& plot) {
    AnalysisState state;
    state.format = options.format;
    state.maxPoints = options.maxPoints;
    fillModelTexts(state);
    ResultTable table;
    BatchObserver observer(options);
    const PasteOutcome outcome = runPaste(text, options.model, state, table, observer);
    if (outcome.result != PasteResult::Loaded) {
        err << asMessageLines(outcome.reason);
        return outcome.result == PasteResult::Refused ? kBatchRefused : kBatchRuntimeError;
    }
    if (options.formula) {
        printFormula(observer, options, err);
    }
    const int written = writeTable(table, options, out, err);
    if (written != kBatchOk || options.plotPath.empty()) {
        return written;
    }
    return writePlot(plot, state, table, outcome, options, err);
}

// A series of a many-series run with its own copy of the boxes, which the run changes as it goes.
std::unique_ptr<AnalysedSeries> analysedText(BatchOptions options, std::string_view text, const AveragingMode& mode) {
    auto series = std::make_unique<AnalysedSeries>();
    series->state.format = options.format;
    series->state.maxPoints = options.maxPoints;
    fillModelTexts(series->state);
    BatchObserver observer(options);
    series->outcome = runPaste(text, options.model, series->state, series->table, observer, nullptr, mode);
    series->dTexts = options.dTexts;
    series->iTexts = options.iTexts;
    return series;
}

int analyseSeries(BatchOptions& options, const Input& input, std::ostream& out, std::ostream& err,
                  const PlotWriter& plot) {
    std::vector<ChosenSeries> series;
    try {
        // A text cut short is not read as columns: a paste refuses it as too large.
        series = input.cut ? std::vector<ChosenSeries>{{"1", 1, input.text}}
                           : chooseSeries(input.text, options.many, options.format, plotOrFormula(options));
    } catch (const SeriesChoiceError& e) {
        err << kProgram << e.what() << "\n";
        return kBatchUsage;
    }
    if (series.size() == 1 && !options.many.writesFiles()) {
        return analyse(options, series.front().text, out, err, plot);
    }
    const auto analyser = [&options](std::string_view text, const AveragingMode& mode) {
        return analysedText(options, text, mode);
    };
    const auto bytes = [&options](const ResultTable& table) { return tableBytes(table, options.carriageReturns); };
    return runManySeries(series, options.many, analyser, bytes, out, err);
}

} // namespace

int runBatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
             const PlotWriter& plot) {
    BatchOptions options;
    try {
        options = parseOptions(args);
    } catch (const UsageError& e) {
        err << kProgram << e.what() << "\n" << kProgram << "Try 'vantrel-batch --help' for more information.\n";
        return kBatchUsage;
    }
    if (options.help || options.version) {
        errno = 0;
        if (options.help) {
            out << kUsage << "\n\n" << kHelp;
        } else {
            out << "vantrel-batch " << VANTREL_VERSION << "\n";
        }
        return flushed(out, err);
    }
    if (!options.plotPath.empty() && !plot) {
        err << kProgram << "--plot is not available in this program\n";
        return kBatchUsage;
    }
    const Input input = readInput(options, in);
    if (!input.error.empty()) {
        err << kProgram << input.error << "\n";
        return kBatchUsage;
    }
    return analyseSeries(options, input, out, err, plot);
}

} // namespace vantrel
