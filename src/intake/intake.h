#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "analysis/text_rules.h"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string_view>

namespace vantrel {

// Shows the progress of the backward scan of a long text; x runs from 0 to 1000.
class IntakeProgress {
public:
    virtual ~IntakeProgress() = default;
    virtual void scanMark(double /*x*/) {}
    virtual void scanFinished() {}
};

enum class IntakeResult { Loaded, TooLarge, NotEnoughData };

struct IntakeOutcome {
    IntakeResult result = IntakeResult::Loaded;
    // Non-positive data while Exponential or Power was checked: Linear is checked now.
    bool fellBackToLinear = false;
};

// Limits of a paste of the window's 1500 points.
constexpr long kMaxClipboardCharacters = 655360;
// How much of a text a reader needs to tell that it is too large: one character beyond the limit, in
// the units the reader counts. A character is at most two units of UTF-16.
constexpr std::size_t kEnoughToRefuseUtf16Units = 2 * (static_cast<std::size_t>(kMaxClipboardCharacters) + 1);

// The characters a paste takes when it keeps `maxPoints` points: the window's limit, grown in
// proportion for more than the window's points.
long characterLimit(int maxPoints);

// Reads a pasted text (UTF-8) into the Data column, Data_count, Decimals, Nonpositive_data and
// Data_value. Clears the old results first. CR LF, a lone CR and a lone LF all end a line; of a
// longer text the last state.maxPoints lines up to the last non-empty one are kept, and the table
// and the series are sized for them. Numbers are read and the
// Data column written with the decimal separator of `format`; the other mark is dropped like any
// character that is no part of a number. A field in scientific notation is read as the number it
// denotes. A refusal is returned; a run-time error (an empty or tiny text, a number beyond the
// range of a double) throws RuntimeError.
IntakeOutcome runIntake(std::string_view text, AnalysisState& state, ResultTable& table, RegressionModel checkedModel,
                        IntakeProgress& progress, NumberFormat format = NumberFormat::DecimalPoint);

// A number a caller hands over that no text could hold (not finite).
class NumberRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads numbers a caller has already read as runIntake loads the numbers of a text, without a
// table: the last state.maxPoints of them, each passed through the 16-decimal text, the points'
// decimals and the cap as a pasted number is. Sets Data_count, Decimals, Nonpositive_data and
// Data_value. A NaN or an infinity throws NumberRefused.
IntakeOutcome loadNumbers(std::span<const double> values, AnalysisState& state, RegressionModel checkedModel);

} // namespace vantrel
