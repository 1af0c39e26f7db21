// A file's bytes through the decoding vantrel-batch reads them with (UTF-8, UTF-16 with or without its
// mark), then the whole Paste run in either number format, then a model switch or Update Waves with
// other box texts and switches, then the chart of the table. Beyond not crashing, every run must
// leave a table that adds up and has the shape the failure path leaves, and a chart whose axes hold.
#include "fuzz_chart.h"

#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "intake/messages.h"
#include "intake/paste_run.h"
#include "views/chart_content.h"

#include "intake/text_decoding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace vantrel;

namespace {

// An input: byte 0 the model (bits 0-1, modulo the number of models) and the amplitude and wavelength switches (bits 2,
// 3) of the paste, the decimal comma (bit 4) and the chart's width (bits 5-7); byte 1 the same for the second run,
// which is Update Waves when bit 4 is set and a model switch otherwise, and with bit 5 the pasted text repeated to
// 655361 + 655360 x (bits 6-7) bytes or more, beyond the limit; bytes 2-11 the i boxes and 12-21 the d boxes, low
// nibble before the paste and high nibble for the second run; the rest is the pasted text.
constexpr std::size_t kHeaderBytes = 22;

// A run costs passes x points x search steps; few passes keep an input to milliseconds.
const char* const kITexts[16] = {"1",  "2",   "3", "4",   "0",   "-5", "2.5",  "x",
                                 " 3", "1e0", "",  "4.4", "0.5", "+2", "3abc", "-0"};
const char* const kDTexts[16] = {"0.00000", "1.5",   "-2", "99.99999", "150",        "-1e3",   "1e400", "abc",
                                 " 3",      "2.5e1", "-0", ".5",       "-99.999995", "1e-400", "0x10",  "7E+1"};

// The window's boxes and switches; a search writes its d into the box as the window does.
struct Boxes final : PasteObserver {
    explicit Boxes(const AnalysisState& s) : m_s(s) {}
    void set(uint8_t flags, const uint8_t* header, int shift) {
        m_modes = {(flags & 4) != 0, (flags & 8) != 0};
        for (int n = 0; n < kWaveCount; ++n) {
            m_i[n] = kITexts[(header[2 + n] >> shift) & 15];
            m_d[n] = kDTexts[(header[12 + n] >> shift) & 15];
        }
    }
    WaveModes modes() override { return m_modes; }
    std::string iText(int box) override { return m_i[box]; }
    std::string dText(int box) override { return m_d[box]; }
    void setBoxText(BoxKind kind, int box, const std::string& text) override {
        (kind == BoxKind::D ? m_d : m_i)[box] = text;
    }
    void searchStep(int box, double d) override { m_d[box] = dBoxText(d, m_s.format); }
    void combinedD(int box, double d) override { m_d[box] = dBoxText(d, m_s.format); }

    const AnalysisState& m_s;
    WaveModes m_modes;
    std::array<std::string, kWaveCount> m_d, m_i;
};

// Rows above Data_count are empty; a column is filled only once the columns before it are. Returns
// the number of filled cells of each column.
std::array<int, ResultTable::kColumns> checkColumnsFilledInOrder(const AnalysisState& s, const ResultTable& table) {
    std::array<int, ResultTable::kColumns> filled{};
    for (int column = ResultTable::kDataColumn; column <= ResultTable::kRemainderColumn; ++column) {
        for (int row = 1; row <= kMaxPoints; ++row) {
            const bool empty = table.text(row, column).empty();
            check(empty || row <= s.Data_count, "a cell below the data is filled");
            filled[column] += empty ? 0 : 1;
        }
        const bool previousFull = column == ResultTable::kDataColumn || filled[column - 1] == s.Data_count;
        check(filled[column] == 0 || previousFull, "a column filled after one left unfinished");
    }
    return filled;
}

// `whole` less the parts is within half a unit of the last place of each number (none for numbers
// that were not cut to a cell) and the rounding of the subtractions.
void checkSum(double whole, const std::vector<double>& parts, double halfUnit, const char* what, int row) {
    double rest = whole;
    double magnitude = std::fabs(whole);
    for (double part : parts) {
        rest -= part;
        magnitude += std::fabs(part);
    }
    check(std::fabs(rest) <= (parts.size() + 1) * halfUnit + 1e-12 * magnitude, what, std::to_string(row));
}

// Oscillation = Wave 1 + ... + Wave 10 + Remainder, in the numbers up to the rounding of the
// subtractions, and Data = Regression + Oscillation and the former in the cells (of some rows: reading
// every cell back would cost more than the run).
void checkAnalysed(const AnalysisState& s, const ResultTable& table) {
    const auto filled = checkColumnsFilledInOrder(s, table);
    check(s.Data_count >= kMinPoints && filled.back() == s.Data_count, "the table is not filled");
    for (int j = 1; j <= s.Data_count; ++j) {
        std::vector<double> parts{s.Rem_value[j]};
        for (const Series& wave : s.Wave_value) {
            parts.push_back(wave[j]);
        }
        checkSum(s.Osc_value[j], parts, 0, "the waves and the remainder do not add up in row", j);
    }
    const double halfUnit = 0.5 * std::pow(10.0, -cellDecimals(s.Decimals));
    for (int j = 1; j <= s.Data_count; j += 1 + s.Data_count / 32) {
        std::vector<double> cells; // Data, Regression, Oscillation, the waves, Remainder
        for (int column = ResultTable::kDataColumn; column <= ResultTable::kRemainderColumn; ++column) {
            cells.push_back(valueOfText(table.text(j, column), s.format));
        }
        checkSum(cells[0], {cells[1], cells[2]}, halfUnit, "the Data cell is not the sum of its parts in row", j);
        checkSum(cells[2], {cells.begin() + 3, cells.end()}, halfUnit, "the Oscillation cell is not the sum in row", j);
    }
}

// A model switch or Update Waves on the loaded series; the window's tests see what an error leaves.
void runSecond(const uint8_t* header, AnalysisState& s, ResultTable& table, Boxes& boxes) {
    boxes.set(header[1], header, 4);
    const RegressionModel model = modelWithNumber(header[1] % kModelCount + 1);
    try {
        if ((header[1] & 16) != 0) {
            runWaveAnalysis(s, table, boxes);
        } else {
            // The window disables the log-of-data models' items for such data.
            const bool disabled = s.Nonpositive_data && modelInfo(model).logOfData;
            runFullAnalysis(s, table, disabled ? RegressionModel::Linear : model, boxes);
        }
        checkAnalysed(s, table);
    } catch (const RuntimeError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    input.resize(std::max(size, kHeaderBytes));
    const auto* header = reinterpret_cast<const uint8_t*>(input.data());
    std::string bytes = input.substr(kHeaderBytes);
    const std::size_t repeatedTo = (header[1] & 32) != 0 ? 655361 + (header[1] >> 6) * std::size_t{655360} : 0;
    while (size > kHeaderBytes && bytes.size() < repeatedTo) {
        bytes.append(input, kHeaderBytes);
    }
    const std::string text = textOfFile(std::move(bytes));
    // Large; the window keeps them for its whole life too. Emptied after each input, so that an input
    // that leaves memory allocated is a leak.
    static AnalysisState s;
    static ResultTable table;
    s.format = (header[0] & 16) != 0 ? NumberFormat::DecimalComma : NumberFormat::DecimalPoint;
    fillModelTexts(s);
    Boxes boxes(s);
    boxes.set(header[0], header, 0);
    const PasteOutcome outcome = runPaste(text, modelWithNumber(header[0] % kModelCount + 1), s, table, boxes);
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
    }
    checkChart(chartContentOf({s, table, RegressionModel::Linear, boxes.m_d, boxes.m_d, allResultColumns()}),
               100 + 700 * (header[0] >> 5), 900);
    s = AnalysisState{};
    table.clearResults();
    return 0;
}
