#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// How the numbers the user sees and types are written: with a decimal point or a decimal comma.
// The other mark is no part of a number in either format (no grouping), so it ends a number that
// is read and is never written.
enum class NumberFormat { DecimalPoint, DecimalComma };

inline char decimalSeparator(NumberFormat format) {
    return format == NumberFormat::DecimalComma ? ',' : '.';
}

// The format of a desktop whose decimal separator is `separator`: a comma gives the decimal comma,
// anything else the decimal point.
inline NumberFormat numberFormatFor(std::string_view separator) {
    return separator == "," ? NumberFormat::DecimalComma : NumberFormat::DecimalPoint;
}

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The grammar of a written number, shared by every reader of numbers: an optional sign, digits with
// at most one decimal separator and at least one digit, then an exponent (E or e, an optional sign,
// one or more digits) when one follows. An E without digits belongs to no number.
struct NumberPrefix {
    std::size_t length = 0; // 0: the text does not start with a number
    bool hasExponent = false;
};
NumberPrefix numberPrefix(std::string_view text, char separator);

// Value of a text: the leading number of the text, read as a double. Blanks are skipped wherever
// they stand; a sign, digits, one decimal separator and an exponent (E or e, optional sign, digits)
// are taken up to the first character that does not fit. A text that starts with no number is 0.
// A number beyond the range of a double throws RuntimeError (overflow); one too small for it is 0.
double valueOfText(std::string_view text, NumberFormat format = NumberFormat::DecimalPoint);

// As valueOfText, but a number beyond the range of a double gives an infinity of its sign.
double valueOfTextSaturating(std::string_view text, NumberFormat format = NumberFormat::DecimalPoint);

// Pattern "0" (decimals = 0) or "0." followed by `decimals` zeros (1 to 16): the value reduced to
// 15 significant digits, then rounded half away from zero to `decimals` places; at least one integer
// digit; "-" before every negative value, also one that rounds to zero.
std::string formatFixed(double value, int decimals, NumberFormat format = NumberFormat::DecimalPoint);

// formatFixed written through the double's decimal digits, never by integer arithmetic: the text
// formatFixed's quicker path must equal.
std::string formatFixedFromDecimalDigits(double value, int decimals, NumberFormat format = NumberFormat::DecimalPoint);

// Pattern "0000.0000000000": at least four integer digits, ten decimals. The averaging's own
// working text, always with a decimal point.
std::string formatWorkingList(double value);

// Pattern "0.###############": at most fifteen decimals, trailing zeros dropped, the separator kept.
std::string formatFormula(double value, NumberFormat format = NumberFormat::DecimalPoint);

// The value of formatWorkingList(value) read back; the same double, computed without the text.
double roundTripWorkingList(double value);

// roundTripWorkingList of each of `count` values, in place: the same doubles, for a list at once.
void roundTripWorkingLists(double* values, int count);

// The spacings of a list, spacings[m] = roundTripWorkingList(entries[m + 1] - entries[m]) for m up to
// count - 2: from the ten-decimal counts, each entry's found once, where both entries are working-list
// values below 1e4, as crossing positions are.
void workingListSpacings(const double* entries, int count, double* spacings);

// " 1" .. " 1500": a whole number with a blank in the place of the sign.
std::string rowNumberText(int number);

// Decimals of the computed columns (Regression, Oscillation, waves, Remainder): at least five.
inline int cellDecimals(int dataDecimals) {
    return dataDecimals < 5 ? 5 : dataDecimals;
}

// A computed column's cell text for a value.
inline std::string formatCell(double value, int dataDecimals, NumberFormat format = NumberFormat::DecimalPoint) {
    return formatFixed(value, cellDecimals(dataDecimals), format);
}

} // namespace vantrel
