#include "batch/batch.h"

#include "export/clip_text.h"
#include "intake/paste_run.h"
#include "views/box_editing.h"

#include <array>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace vantrel {

namespace {

constexpr const char* kUsage =
    "usage: vantrel-batch [--model linear|logarithmic|exponential|power] [--amplitude on|off] "
    "[--wavelength on|off] [--d=v1,...,v10] [--i=v1,...,v10] [--formula] [--lf] [FILE]";

constexpr const char* kHelp = R"(Reads one column of numbers from FILE (or standard input) the way Paste reads the
clipboard, fits the trend, peels ten waves off the oscillation and writes the 1501-line result table to
standard output: fields separated by TAB, lines by CR (by LF with --lf).

Options (defaults are the window's):
  --model NAME         linear, logarithmic, exponential or power (default linear); data with a value of
                       zero or below falls back to linear
  --amplitude on|off   amplitude adjustment of the d values (default on)
  --wavelength on|off  wavelength adjustment of the d values (default on)
  --d=V1,...,V10       the d boxes (default 0.00000); fewer than ten values leave the rest at the default
  --i=V1,...,V10       the i boxes (default 8)
  --formula            print the formula line and the d values left in the boxes to standard error
  --lf                 end lines with LF instead of CR
  --help, --version

Exit status: 0 done, 2 bad options or unreadable FILE, 3 the data was refused, 4 run-time error.
)";

// Four times the largest number of characters a paste takes (a character is at most four bytes of UTF-8):
// anything longer is refused anyway, so reading stops there.
constexpr size_t kMaxInputBytes = 4 * static_cast<size_t>(kMaxClipboardCharacters) + 4;

struct BatchOptions {
    RegressionModel model = RegressionModel::Linear;
    WaveModes modes;
    std::array<std::string, kWaveCount> dTexts;
    std::array<std::string, kWaveCount> iTexts;
    bool formula = false;
    bool lineFeeds = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> file;
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

// A comma-separated list of box texts, each normalised as leaving its box would.
void setBoxTexts(std::array<std::string, kWaveCount>& boxes, const std::string& list,
                 std::string (*normalise)(const std::string&), const std::string& option) {
    size_t box = 0;
    size_t start = 0;
    while (true) {
        const size_t comma = list.find(',', start);
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

void applyOption(BatchOptions& options, const std::string& name, const std::string& value) {
    if (name == "--model") {
        const auto model = modelNamed(value);
        if (!model) {
            throw UsageError("unknown model '" + value + "'");
        }
        options.model = *model;
    } else if (name == "--amplitude") {
        options.modes.amplitude = switchValue(name, value);
    } else if (name == "--wavelength") {
        options.modes.wavelength = switchValue(name, value);
    } else if (name == "--d") {
        setBoxTexts(options.dTexts, value, normaliseDText, name);
    } else if (name == "--i") {
        setBoxTexts(options.iTexts, value, normaliseIText, name);
    } else {
        throw UsageError("unknown option '" + name + "'");
    }
}

bool takesValue(const std::string& name) {
    return name == "--model" || name == "--amplitude" || name == "--wavelength" || name == "--d" || name == "--i";
}

BatchOptions parseOptions(const std::vector<std::string>& args) {
    BatchOptions options;
    options.dTexts.fill(defaultBoxText(BoxKind::D));
    options.iTexts.fill(defaultBoxText(BoxKind::I));
    for (size_t n = 0; n < args.size(); ++n) {
        const std::string& arg = args[n];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--formula") {
            options.formula = true;
        } else if (arg == "--lf") {
            options.lineFeeds = true;
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            const size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            if (!takesValue(name)) {
                throw UsageError("unknown option '" + arg + "'");
            }
            if (equals != std::string::npos) {
                applyOption(options, name, arg.substr(equals + 1));
            } else if (n + 1 < args.size()) {
                applyOption(options, name, args[++n]);
            } else {
                throw UsageError(name + " needs a value");
            }
        } else if (!options.file && (arg == "-" || arg.rfind("-", 0) != 0)) {
            options.file = arg;
        } else {
            throw UsageError("unexpected argument '" + arg + "'");
        }
    }
    return options;
}

std::optional<std::string> readLimited(std::istream& in) {
    std::string text(kMaxInputBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

std::optional<std::string> readInput(const BatchOptions& options, std::istream& in) {
    if (!options.file || *options.file == "-") {
        return readLimited(in);
    }
    std::ifstream file(*options.file, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return readLimited(file);
}

// Messages keep CR LF pairs for the window; on a terminal they are plain lines.
std::string asPlainLines(const std::string& message) {
    std::string lines;
    for (char c : message) {
        if (c != '\r') {
            lines += c;
        }
    }
    return lines + "\n";
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
    void searchStep(int box, double d) override { m_options.dTexts[box] = dBoxText(d); }
    void combinedD(int box, double d) override { m_options.dTexts[box] = dBoxText(d); }
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

int analyse(BatchOptions& options, const std::string& text, std::ostream& out, std::ostream& err) {
    AnalysisState state;
    fillModelTexts(state);
    ResultTable table;
    BatchObserver observer(options);
    const PasteOutcome outcome = runPaste(text, options.model, state, table, observer);
    if (outcome.result != PasteResult::Loaded) {
        err << asPlainLines(outcome.reason);
        return outcome.result == PasteResult::Refused ? kBatchRefused : kBatchRuntimeError;
    }
    if (options.formula) {
        printFormula(observer, options, err);
    }
    out << tableClipText(table, options.lineFeeds ? '\n' : '\r');
    out.flush();
    return kBatchOk;
}

} // namespace

int runBatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    BatchOptions options;
    try {
        options = parseOptions(args);
    } catch (const UsageError& e) {
        err << "vantrel-batch: " << e.what() << "\n" << kUsage << "\n";
        return kBatchUsage;
    }
    if (options.help) {
        out << kUsage << "\n\n" << kHelp;
        return kBatchOk;
    }
    if (options.version) {
        out << "vantrel-batch " << VANTREL_VERSION << "\n";
        return kBatchOk;
    }
    const std::optional<std::string> text = readInput(options, in);
    if (!text) {
        err << "vantrel-batch: cannot read " << options.file.value_or("standard input") << "\n" << kUsage << "\n";
        return kBatchUsage;
    }
    return analyse(options, *text, out, err);
}

} // namespace vantrel
