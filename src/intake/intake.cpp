#include "intake/intake.h"

#include "analysis/regression.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "intake/pasted_text.h"

#include <algorithm>
#include <string>

namespace vantrel {

namespace {

constexpr int kDataColumn = ResultTable::kDataColumn;
// Every number passes through this many decimals before its own number of places is known.
constexpr int kMostDecimals = 16;
constexpr double kCapLimit = 1E+16;
// The largest number below the limit that 15 significant digits write (9.99999999999999E+15): the cap
// of a larger value, so that its text, reduced to 15 digits like every cell, stays below the limit.
constexpr double kCapValue = 9999999999999990.0;
constexpr int kTwipsPerCharacter = 96;
constexpr int kNarrowestColumnTwips = 1000;

const std::string& dataText(const ResultTable& table, int row) {
    return table.text(row, kDataColumn);
}

double dataValue(const ResultTable& table, int row, NumberFormat format) {
    return valueOfText(dataText(table, row), format);
}

// Whatever a spreadsheet adds around a number (blanks, thousands separators, currency signs,
// letters) goes; only what a plain decimal number is written with stays. A field in scientific
// notation stays as it is written, without its outer blanks: it holds the only letter a cleaned
// text can hold, so the next step knows it again.
void keepNumberCharacters(ResultTable& table, NumberFormat format) {
    const char separator = decimalSeparator(format);
    for (int row = 1; row <= kMaxPoints; ++row) {
        std::string text = dataText(table, row);
        if (const auto scientific = scientificField(text, format)) {
            text = std::string(*scientific);
        } else {
            std::erase_if(text, [separator](char c) { return !(isDigit(c) || c == '-' || c == separator); });
        }
        table.setText(row, kDataColumn, std::move(text));
    }
}

// Empty rows below the last number are points too; only the empty rows after it are dropped.
int countRows(const ResultTable& table) {
    for (int row = kMaxPoints; row > 1; --row) {
        if (!dataText(table, row).empty()) {
            return row;
        }
    }
    return 1;
}

// A leading minus, the digits and the first separator; a minus or separator elsewhere is a stray
// character.
std::string plainNumber(std::string_view cleaned, char separator) {
    std::string number = !cleaned.empty() && cleaned.front() == '-' ? "-" : "";
    bool separatorTaken = false;
    for (const char c : cleaned) {
        if (isDigit(c)) {
            number += c;
        } else if (c == separator && !separatorTaken) {
            number += c;
            separatorTaken = true;
        }
    }
    return number.empty() ? "0" : number;
}

// The number a cleaned row stands for: a field in scientific notation goes the way of every other
// number from its value on, so that it counts for the decimals and the cap by its value alone.
double cleanedValue(std::string_view cleaned, NumberFormat format) {
    if (scientificField(cleaned, format)) {
        return valueOfText(cleaned, format);
    }
    return valueOfText(plainNumber(cleaned, decimalSeparator(format)), format);
}

// Rows above the count are empty after the first cleaning and stay empty.
void writeWithMostDecimals(ResultTable& table, int count, NumberFormat format) {
    for (int row = 1; row <= count; ++row) {
        const double value = cleanedValue(dataText(table, row), format);
        table.setText(row, kDataColumn, formatFixed(value, kMostDecimals, format));
    }
}

// The largest number of significant decimal places among the points, read from their
// 16-decimal texts (which hold 15 significant digits at most).
int decimalPlaces(const ResultTable& table, int count) {
    int decimals = 0;
    for (int row = 1; row <= count; ++row) {
        const std::string& text = dataText(table, row);
        const std::string_view places = std::string_view(text).substr(text.size() - kMostDecimals);
        for (int j = 1; j <= kMostDecimals; ++j) {
            if (places[j - 1] != '0' && j > decimals) {
                decimals = j;
            }
        }
    }
    return decimals;
}

void capAndFormat(ResultTable& table, int count, int decimals, NumberFormat format) {
    for (int row = 1; row <= count; ++row) {
        std::string text = dataText(table, row);
        const double value = valueOfText(text, format);
        if (value >= kCapLimit || value <= -kCapLimit) {
            text = formatFixed(value > 0 ? kCapValue : -kCapValue, 0, format);
        }
        table.setText(row, kDataColumn, formatFixed(valueOfText(text, format), decimals, format));
    }
}

// The result columns are as wide as the longest data text, so that their numbers fit too.
void fitColumnWidths(ResultTable& table, int count) {
    std::size_t longest = 0;
    for (int row = 1; row <= count; ++row) {
        longest = std::max(longest, dataText(table, row).size());
    }
    const int twips = std::max(kTwipsPerCharacter * static_cast<int>(longest), kNarrowestColumnTwips);
    for (int column = kDataColumn; column <= ResultTable::kRemainderColumn; ++column) {
        table.setColumnWidthTwips(column, twips);
    }
}

bool anyNonpositive(const ResultTable& table, int count, NumberFormat format) {
    for (int row = 1; row <= count; ++row) {
        if (dataValue(table, row, format) <= 0) {
            return true;
        }
    }
    return false;
}

void loadSeries(const ResultTable& table, int count, Series& series, NumberFormat format) {
    for (int i = 1; i <= kMaxPoints; ++i) {
        series[i] = i <= count ? dataValue(table, i, format) : 0.0;
    }
}

// The scan and placement: the last 1500 lines of the text into the Data column.
void placeLines(std::string_view text, ResultTable& table, IntakeProgress& progress) {
    // Such a text holds no line of a column to stand on; it is reported as an error, not as too
    // little data.
    if (isTinyText(text)) {
        raiseInvalidArgument("reading the pasted text");
    }
    const std::string_view lines = keptLines(text, progress);
    progress.scanFinished();
    placeFirstFields(lines, table);
}

} // namespace

IntakeOutcome runIntake(std::string_view text, AnalysisState& state, ResultTable& table, RegressionModel checkedModel,
                        IntakeProgress& progress, NumberFormat format) {
    IntakeOutcome outcome;
    table.clearResults();
    if (exceedsCharacterLimit(text)) {
        outcome.result = IntakeResult::TooLarge;
        return outcome;
    }
    placeLines(text, table, progress);
    keepNumberCharacters(table, format);
    const int count = countRows(table);
    state.Data_count = static_cast<int16_t>(count);
    writeWithMostDecimals(table, count, format);

    const int decimals = decimalPlaces(table, count);
    state.Decimals = static_cast<uint8_t>(decimals);
    capAndFormat(table, count, decimals, format);
    table.setDataColumnCentred(decimals == 0);
    fitColumnWidths(table, count);

    state.Nonpositive_data = anyNonpositive(table, count, format);
    outcome.fellBackToLinear = state.Nonpositive_data && modelInfo(checkedModel).logOfData;
    if (count < kMinPoints) {
        outcome.result = IntakeResult::NotEnoughData;
        return outcome;
    }
    loadSeries(table, count, state.Data_value, format);
    outcome.result = IntakeResult::Loaded;
    return outcome;
}

} // namespace vantrel
