// A pasted text through the whole Paste run, then a model switch or Update Waves with other box
// texts and switches, then the Copy text. Beyond not crashing, every run must leave a table that
// adds up and has the shape the failure path leaves.
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "export/clip_text.h"
#include "intake/messages.h"
#include "intake/paste_run.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vantrel;

namespace {

// An input: byte 0 the model (bits 0-1) and the amplitude and wavelength switches (bits 2, 3) of the
// paste; byte 1 the same for the second run, which is Update Waves when bit 4 is set and a model
// switch otherwise, and with bit 5 the pasted text repeated to 655361 + 655360 x (bits 6-7) bytes or
// more, beyond the limit; bytes 2-11 the i boxes and 12-21 the d boxes, low nibble before the paste
// and high nibble for the second run; the rest is the pasted text.
constexpr std::size_t kHeaderBytes = 22;

// A run costs passes x points x search steps; few passes keep an input to milliseconds.
const char* const kITexts[16] = {"1",  "2",   "3", "4",   "0",   "-5", "2.5",  "x",
                                 " 3", "1e0", "",  "4.4", "0.5", "+2", "3abc", "-0"};
const char* const kDTexts[16] = {"0.00000", "1.5",   "-2", "99.99999", "150",        "-1e3",   "1e400", "abc",
                                 " 3",      "2.5e1", "-0", ".5",       "-99.999995", "1e-400", "0x10",  "7E+1"};

void check(bool holds, const char* what, int row = 0, int column = 0) {
    if (!holds) {
        std::fprintf(stderr, "%s (row %d, column %d)\n", what, row, column);
        std::abort();
    }
}

// Searches over a long series cost ten times more than they add: it runs with typed d values.
constexpr int kMostSearchedPoints = 64;

// The window's boxes and switches; a search writes its d into the box as the window does.
class Boxes final : public PasteObserver {
public:
    explicit Boxes(const AnalysisState& s) : m_s(s) {}
    void set(uint8_t flags, const uint8_t* header, int shift) {
        m_modes = {(flags & 4) != 0, (flags & 8) != 0};
        for (int n = 0; n < kWaveCount; ++n) {
            m_i[n] = kITexts[(header[2 + n] >> shift) & 15];
            m_d[n] = kDTexts[(header[12 + n] >> shift) & 15];
        }
    }
    WaveModes modes() override { return m_s.Data_count <= kMostSearchedPoints ? m_modes : WaveModes{false, false}; }
    std::string iText(int box) override { return m_i[box]; }
    std::string dText(int box) override { return m_d[box]; }
    void setBoxText(BoxKind kind, int box, const std::string& text) override {
        (kind == BoxKind::D ? m_d : m_i)[box] = text;
    }
    void searchStep(int box, double d) override { m_d[box] = dBoxText(d); }
    void combinedD(int box, double d) override { m_d[box] = dBoxText(d); }

private:
    const AnalysisState& m_s;
    WaveModes m_modes;
    std::array<std::string, kWaveCount> m_d, m_i;
};

// A line of 15 fields for every row, CR between lines.
void checkClipText(const ResultTable& table) {
    const std::string text = tableClipText(table);
    const auto lineEnds = std::count(text.begin(), text.end(), '\r');
    const auto tabs = std::count(text.begin(), text.end(), '\t');
    check(lineEnds == kMaxPoints && tabs == (kMaxPoints + 1) * (ResultTable::kColumns - 1), "the Copy text's shape");
}

// Rows above Data_count are empty; a column is filled only once the columns before it are. Returns
// the number of filled cells of each column.
std::array<int, ResultTable::kColumns> checkColumnsFilledInOrder(const AnalysisState& s, const ResultTable& table) {
    std::array<int, ResultTable::kColumns> filled{};
    for (int column = ResultTable::kDataColumn; column <= ResultTable::kRemainderColumn; ++column) {
        for (int row = 1; row <= kMaxPoints; ++row) {
            const bool empty = table.text(row, column).empty();
            check(empty || row <= s.Data_count, "a cell below the data is filled", row, column);
            filled[column] += empty ? 0 : 1;
        }
        const bool previousFull = column == ResultTable::kDataColumn || filled[column - 1] == s.Data_count;
        check(filled[column] == 0 || previousFull, "a column filled after one left unfinished", 0, column);
    }
    return filled;
}

// The cell of `whole` equals the sum of the cells `first` to `last` up to their last places and the
// cut to 15 significant digits.
void checkCellsAddUp(const ResultTable& table, int row, int whole, int first, int last, int decimals) {
    const double sum = valueOfText(table.text(row, whole));
    double rest = sum;
    double magnitude = std::fabs(sum);
    for (int column = first; column <= last; ++column) {
        const double part = valueOfText(table.text(row, column));
        rest -= part;
        magnitude += std::fabs(part);
    }
    const double slack = (last - first + 2) * 0.5 * std::pow(10.0, -decimals) + 1e-12 * magnitude;
    check(std::fabs(rest) <= slack, "the cells do not add up", row, whole);
}

// Oscillation = Wave 1 + ... + Wave 10 + Remainder, in the numbers up to the rounding of the
// subtractions, and Data = Regression + Oscillation and the former in the cells (of some rows: reading
// every cell back would cost more than the run).
void checkAnalysed(const AnalysisState& s, const ResultTable& table) {
    const auto filled = checkColumnsFilledInOrder(s, table);
    check(s.Data_count >= kMinPoints && filled.back() == s.Data_count, "the table is not filled");
    for (int j = 1; j <= s.Data_count; ++j) {
        double rest = s.Osc_value[j] - s.Rem_value[j];
        double magnitude = std::fabs(s.Osc_value[j]) + std::fabs(s.Rem_value[j]);
        for (const Series& wave : s.Wave_value) {
            rest -= wave[j];
            magnitude += std::fabs(wave[j]);
        }
        check(std::fabs(rest) <= 1e-12 * magnitude, "the waves and the remainder do not add up", j);
    }
    for (int j = 1; j <= s.Data_count; j += 1 + s.Data_count / 32) {
        checkCellsAddUp(table, j, ResultTable::kDataColumn, ResultTable::kRegressionColumn,
                        ResultTable::kOscillationColumn, cellDecimals(s.Decimals));
        checkCellsAddUp(table, j, ResultTable::kOscillationColumn, ResultTable::kFirstWaveColumn,
                        ResultTable::kRemainderColumn, cellDecimals(s.Decimals));
    }
}

// A model switch or Update Waves on the loaded series; the window's tests see what an error leaves.
void runSecond(const uint8_t* header, AnalysisState& s, ResultTable& table, Boxes& boxes) {
    const uint8_t flags = header[1];
    boxes.set(flags, header, 4);
    const bool updateWaves = (flags & 16) != 0;
    RegressionModel model = modelWithNumber(flags % 4 + 1);
    if (s.Nonpositive_data && modelInfo(model).logOfData) {
        model = RegressionModel::Linear; // the window disables these items
    }
    try {
        if (updateWaves) {
            runWaveAnalysis(s, table, boxes);
        } else {
            runFullAnalysis(s, table, model, boxes);
        }
        checkAnalysed(s, table);
    } catch (const RuntimeError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    uint8_t header[kHeaderBytes] = {};
    std::memcpy(header, data, std::min(size, kHeaderBytes));
    const std::string input(reinterpret_cast<const char*>(data) + std::min(size, kHeaderBytes),
                            size - std::min(size, kHeaderBytes));
    std::string text = input;
    const std::size_t repeatedTo = (header[1] & 32) != 0 ? 655361 + (header[1] >> 6) * std::size_t{655360} : 0;
    while (!input.empty() && text.size() < repeatedTo) {
        text += input;
    }
    // Large; the window keeps them for its whole life too. Emptied after each input, so that an input
    // that leaves memory allocated is a leak.
    static AnalysisState s;
    static ResultTable table;
    fillModelTexts(s);
    Boxes boxes(s);
    boxes.set(header[0], header, 0);
    const PasteOutcome outcome = runPaste(text, modelWithNumber(header[0] % 4 + 1), s, table, boxes);
    if (outcome.result == PasteResult::Loaded) {
        checkAnalysed(s, table);
        runSecond(header, s, table, boxes);
    } else {
        // A refusal leaves the data as read and every computed column empty; an error, the columns
        // that its run had reached. Too large is a text of more characters than the limit, and an
        // ASCII text of more bytes is one.
        const auto filled = checkColumnsFilledInOrder(s, table);
        const bool tooLarge = outcome.reason == tooLargeMessage();
        const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
        const bool beyond = text.size() > kMaxClipboardCharacters;
        check(outcome.result == PasteResult::Refused
                  ? s.Data_count < kMinPoints && filled[1] == s.Data_count && filled[2] == 0 &&
                        (tooLarge ? beyond : outcome.reason == notEnoughDataMessage() && !(ascii && beyond))
                  : outcome.reason == runtimeErrorReason(),
              "a failed paste with the wrong reason or table");
        check(failureMessage(jokeNumber(header[1] / 256.0), outcome.reason).ends_with("\r\n\r\n" + outcome.reason),
              "a failure message without its reason");
    }
    checkClipText(table);
    s = AnalysisState{};
    table.clearResults();
    return 0;
}
