#include "intake/intake.h"

#include "analysis/regression.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "intake/pasted_text.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

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
    for (int row = 1; row < table.rows(); ++row) {
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
    for (int row = table.rows() - 1; row > 1; --row) {
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

// The number of significant decimal places of a 16-decimal text (which holds 15 significant digits
// at most): the place of its last decimal that is not 0, raised to `decimals` when that is more.
int decimalPlaces(const std::string& text, int decimals) {
    const std::string_view places = std::string_view(text).substr(text.size() - kMostDecimals);
    for (int j = 1; j <= kMostDecimals; ++j) {
        if (places[j - 1] != '0' && j > decimals) {
            decimals = j;
        }
    }
    return decimals;
}

// The largest number of significant decimal places among the points.
int decimalPlaces(const ResultTable& table, int count) {
    int decimals = 0;
    for (int row = 1; row <= count; ++row) {
        decimals = decimalPlaces(dataText(table, row), decimals);
    }
    return decimals;
}

// A point's Data text from its 16-decimal text: capped, then written with the points' decimals.
std::string cappedDataText(std::string text, int decimals, NumberFormat format) {
    const double value = valueOfText(text, format);
    if (value >= kCapLimit || value <= -kCapLimit) {
        text = formatFixed(value > 0 ? kCapValue : -kCapValue, 0, format);
    }
    return formatFixed(valueOfText(text, format), decimals, format);
}

void capAndFormat(ResultTable& table, int count, int decimals, NumberFormat format) {
    for (int row = 1; row <= count; ++row) {
        table.setText(row, kDataColumn, cappedDataText(dataText(table, row), decimals, format));
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

void loadSeries(const ResultTable& table, int count, AnalysisState& state, NumberFormat format) {
    sizeForPoints(state, count);
    Series& series = state.Data_value;
    for (std::size_t i = 1; i < series.size(); ++i) {
        series[i] = static_cast<int>(i) <= count ? dataValue(table, static_cast<int>(i), format) : 0.0;
    }
}

// The scan and placement: the last lines of the text, as many as the state keeps, into the Data
// column.
void placeLines(std::string_view text, ResultTable& table, IntakeProgress& progress, int maxPoints) {
    // Such a text holds no line of a column to stand on; it is reported as an error, not as too
    // little data.
    if (isTinyText(text)) {
        raiseInvalidArgument("reading the pasted text");
    }
    const std::string_view lines = keptLines(text, progress, maxPoints);
    progress.scanFinished();
    table.sizeForPoints(lineCount(lines));
    placeFirstFields(lines, table);
}

// What a caller's number may hold that a text's cannot.
void refuseNonFinite(std::span<const double> values) {
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (!std::isfinite(values[k])) {
            throw NumberRefused("value " + std::to_string(k + 1) + " of the series is not a finite number");
        }
    }
}

} // namespace

IntakeOutcome runIntake(std::string_view text, AnalysisState& state, ResultTable& table, RegressionModel checkedModel,
                        IntakeProgress& progress, NumberFormat format) {
    IntakeOutcome outcome;
    table.clearResults();
    if (exceedsCharacterLimit(text, characterLimit(state.maxPoints))) {
        outcome.result = IntakeResult::TooLarge;
        return outcome;
    }
    placeLines(text, table, progress, state.maxPoints);
    keepNumberCharacters(table, format);
    const int count = countRows(table);
    state.Data_count = count;
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
    loadSeries(table, count, state, format);
    outcome.result = IntakeResult::Loaded;
    return outcome;
}

long characterLimit(int maxPoints) {
    return kMaxClipboardCharacters * seriesRows(maxPoints) / kMaxPoints;
}

IntakeOutcome loadNumbers(std::span<const double> values, AnalysisState& state, RegressionModel checkedModel) {
    refuseNonFinite(values);
    const std::size_t kept = std::min(values.size(), static_cast<std::size_t>(state.maxPoints));
    const std::span<const double> points = values.last(kept);
    const int count = static_cast<int>(kept);
    std::vector<std::string> texts(kept);
    int decimals = 0;
    for (std::size_t k = 0; k < kept; ++k) {
        texts[k] = formatFixed(points[k], kMostDecimals, state.format);
        decimals = decimalPlaces(texts[k], decimals);
    }
    IntakeOutcome outcome;
    state.Data_count = count;
    state.Decimals = static_cast<uint8_t>(decimals);
    if (count < kMinPoints) {
        outcome.result = IntakeResult::NotEnoughData;
        return outcome;
    }
    sizeForPoints(state, count);
    for (int i = 1; i <= count; ++i) {
        state.Data_value[i] = valueOfText(cappedDataText(texts[i - 1], decimals, state.format), state.format);
    }
    state.Nonpositive_data = std::any_of(state.Data_value.begin() + 1, state.Data_value.begin() + count + 1,
                                         [](double value) { return value <= 0; });
    outcome.fellBackToLinear = state.Nonpositive_data && modelInfo(checkedModel).logOfData;
    return outcome;
}

} // namespace vantrel
