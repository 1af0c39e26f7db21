#include "analysis/text_rules.h"

#include "analysis/runtime_error.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantrel {

double checkedLog(double x, const char* where) {
    if (!(x > 0.0)) {
        raiseInvalidArgument(where);
    }
    return std::log(x);
}

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
std::size_t afterSign(std::string_view text, std::size_t pos) {
    return pos < text.size() && (text[pos] == '-' || text[pos] == '+') ? pos + 1 : pos;
}

std::size_t afterDigits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// The leading number of a text with the blanks taken out (they may stand anywhere in it) and a
// decimal point for the separator, ready for readNumber.
std::string leadingNumber(std::string_view text, char separator) {
    std::string packed;
    for (const char c : text) {
        if (!isBlank(c)) {
            packed += c;
        }
    }
    std::string number = packed.substr(0, numberPrefix(packed, separator).length);
    std::replace(number.begin(), number.end(), separator, '.');
    return number;
}

// The exponent of a number text, saturated far beyond the range of a double; 0 without one.
long long exponentOf(std::string_view number) {
    const size_t e = number.find_first_of("eE");
    if (e == std::string_view::npos) {
        return 0;
    }
    constexpr long long kFarBeyond = 1'000'000'000;
    long long exponent = 0;
    for (size_t pos = e + 1; pos < number.size(); ++pos) {
        if (isDigit(number[pos])) {
            exponent = std::min(exponent * 10 + (number[pos] - '0'), kFarBeyond);
        }
    }
    return number.find('-', e) == std::string_view::npos ? exponent : -exponent;
}

// Whether a number text that no double can hold is too large rather than too small: its first
// significant digit stands at a power of ten of 0 or more.
bool beyondLargestDouble(std::string_view number) {
    const std::string_view mantissa = number.substr(0, number.find_first_of("eE"));
    const size_t significant = mantissa.find_first_of("123456789");
    if (significant == std::string_view::npos) {
        return false;
    }
    const auto point = static_cast<long long>(std::min(mantissa.find('.'), mantissa.size()));
    const auto first = static_cast<long long>(significant);
    const long long leadingPower = first < point ? point - first - 1 : point - first;
    return leadingPower + exponentOf(number) >= 0;
}

// The correctly rounded double of a number text of leadingNumber, whatever the process's locale:
// beyond the range of a double an infinity of its sign, below it a zero of its sign.
double readNumber(std::string_view number) {
    const char* first = number.data();
    const char* const last = first + number.size();
    const bool negative = *first == '-';
    first += *first == '+' ? 1 : 0; // from_chars takes no plus sign
    double value = 0.0;
    if (std::from_chars(first, last, value).ec == std::errc::result_out_of_range) {
        const double magnitude = beyondLargestDouble(number) ? HUGE_VAL : 0.0;
        return negative ? -magnitude : magnitude;
    }
    return value;
}

// A value reduced to 15 significant digits: value = 0.digits x 10^pointPosition, digits has 15 entries.
struct Decimal15 {
    bool negative = false;
    char digits[15] = {};
    int pointPosition = 0; // number of digits before the decimal point (may be <= 0)
};

// The digits are written by to_chars, not printf, so that the process's locale (the window's
// desktop locale) cannot put its own decimal mark among them.

// Digit 16 onwards of the exact decimal expansion decide the rounding half away from zero. Every double
// is a finite binary fraction, so its decimal expansion ends; the longest, the largest subnormal's, has 767
// significant digits: 766 after the first are therefore exact for every double ("d." + 766 digits +
// "e-308" fits the buffer).
bool exactTailRoundsUp(double magnitude) {
    static thread_local char buffer[800];
    std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 766);
    return buffer[16] >= '5'; // "d." then digits 2..: index 16 is the 16th significant digit
}

Decimal15 reduceTo15Digits(double value) {
    Decimal15 result;
    result.negative = std::signbit(value) && value != 0.0;
    const double magnitude = std::fabs(value);
    if (magnitude == 0.0) {
        std::memset(result.digits, '0', 15);
        result.pointPosition = 1;
        return result;
    }
    // d.dddddddddddddddde+XX: 17 digits, then a terminating zero for atoi.
    char buffer[40] = {};
    std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude, std::chars_format::scientific, 16);
    char digits[17];
    digits[0] = buffer[0];
    std::memcpy(digits + 1, buffer + 2, 16);
    int exponent = std::atoi(buffer + 19);
    const int tail = (digits[15] - '0') * 10 + (digits[16] - '0');
    bool roundUp = tail > 50 || (tail == 50 && exactTailRoundsUp(magnitude));
    std::memcpy(result.digits, digits, 15);
    if (roundUp) {
        int i = 14;
        for (; i >= 0 && result.digits[i] == '9'; --i) {
            result.digits[i] = '0';
        }
        if (i < 0) {
            result.digits[0] = '1';
            ++exponent;
        } else {
            ++result.digits[i];
        }
    }
    result.pointPosition = exponent + 1;
    return result;
}

void incrementDigits(std::string& digits) {
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0 && digits[i] == '9'; --i) {
        digits[i] = '0';
    }
    if (i < 0) {
        digits.insert(digits.begin(), '1');
    } else {
        ++digits[i];
    }
}

struct FixedDigits {
    std::string integerPart;
    std::string fraction;
};

// The 15-digit value rounded half away from zero to `decimals` places.
FixedDigits roundToDecimals(const Decimal15& d, int decimals) {
    std::string all(d.digits, 15);
    int point = d.pointPosition;
    if (point <= 0) {
        all.insert(0, static_cast<size_t>(1 - point), '0');
        point = 1;
    }
    if (point > static_cast<int>(all.size())) {
        all.append(static_cast<size_t>(point) - all.size(), '0');
    }
    const int wanted = point + decimals;
    if (wanted < static_cast<int>(all.size())) {
        const bool up = all[wanted] >= '5';
        all.resize(wanted);
        if (up) {
            const size_t before = all.size();
            incrementDigits(all);
            point += static_cast<int>(all.size() - before);
        }
    } else {
        all.append(static_cast<size_t>(wanted) - all.size(), '0');
    }
    FixedDigits out{all.substr(0, point), all.substr(point)};
    const size_t firstNonZero = out.integerPart.find_first_not_of('0');
    out.integerPart.erase(0, std::min(firstNonZero, out.integerPart.size() - 1));
    return out;
}

std::string composeFixed(double value, int decimals, size_t minIntegerDigits, char separator) {
    const Decimal15 d = reduceTo15Digits(value);
    FixedDigits fixed = roundToDecimals(d, decimals);
    std::string text = d.negative ? "-" : "";
    if (fixed.integerPart.size() < minIntegerDigits) {
        text.append(minIntegerDigits - fixed.integerPart.size(), '0');
    }
    text += fixed.integerPart;
    if (decimals > 0) {
        text += separator;
        text += fixed.fraction;
    }
    return text;
}

} // namespace

NumberPrefix numberPrefix(std::string_view text, char separator) {
    const std::size_t mantissaStart = afterSign(text, 0);
    std::size_t pos = afterDigits(text, mantissaStart);
    std::size_t separators = 0;
    if (pos < text.size() && text[pos] == separator) {
        pos = afterDigits(text, pos + 1);
        separators = 1;
    }
    if (pos - mantissaStart == separators) {
        return {};
    }
    if (pos == text.size() || (text[pos] != 'e' && text[pos] != 'E')) {
        return {pos, false};
    }
    const std::size_t exponentStart = afterSign(text, pos + 1);
    const std::size_t end = afterDigits(text, exponentStart);
    return end == exponentStart ? NumberPrefix{pos, false} : NumberPrefix{end, true};
}

double valueOfTextSaturating(std::string_view text, NumberFormat format) {
    // A number with a decimal point and no blanks is read where it stands.
    if (format == NumberFormat::DecimalPoint && std::none_of(text.begin(), text.end(), isBlank)) {
        const std::size_t length = numberPrefix(text, '.').length;
        return length == 0 ? 0.0 : readNumber(text.substr(0, length));
    }
    const std::string number = leadingNumber(text, decimalSeparator(format));
    if (number.empty()) {
        return 0.0;
    }
    return readNumber(number);
}

double valueOfText(std::string_view text, NumberFormat format) {
    const double value = valueOfTextSaturating(text, format);
    if (std::isinf(value)) {
        raiseOverflow("value of a text");
    }
    return value;
}

std::string formatWorkingList(double value) {
    return composeFixed(value, 10, 4, '.');
}

std::string formatFormula(double value, NumberFormat format) {
    std::string text = composeFixed(value, 15, 1, decimalSeparator(format));
    while (text.back() == '0') {
        text.pop_back();
    }
    return text;
}

namespace {

using u128 = unsigned __int128;

// 15 significant digits of values down to 1e-11 need the scale 10^25; a first guess may be one more.
constexpr int kLargestScale = 26;
constexpr std::array<uint64_t, kLargestScale + 1> kPowersOfFive = [] {
    std::array<uint64_t, kLargestScale + 1> powers{};
    powers[0] = 1;
    for (int i = 1; i <= kLargestScale; ++i) {
        powers[i] = powers[i - 1] * 5;
    }
    return powers;
}();
// Up to 10^16: 15 digits rounded up to 10^15 at the largest scale are divided by 10^16.
constexpr std::array<uint64_t, 17> kPowersOfTen = [] {
    std::array<uint64_t, 17> powers{};
    powers[0] = 1;
    for (int i = 1; i < 17; ++i) {
        powers[i] = powers[i - 1] * 10;
    }
    return powers;
}();
constexpr uint64_t kLeast15Digits = kPowersOfTen[14];
constexpr uint64_t kBeyond15Digits = kPowersOfTen[15];

// A positive double as mantissa x 2^exponent, the mantissa with its leading bit (53 bits).
struct BinaryValue {
    uint64_t mantissa;
    int exponent;
};

BinaryValue binaryValueOf(double magnitude) {
    const uint64_t raw = std::bit_cast<uint64_t>(magnitude);
    const int biased = static_cast<int>(raw >> 52);
    return {(raw & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52), biased - 1075};
}

// floor(value x 10^scale) and whether the rest is at least one half, exactly: value x 10^scale is
// mantissa x 5^scale x 2^(exponent + scale), and the product with 5^scale fits 128 bits.
struct ScaledFloor {
    uint64_t quotient;
    bool halfOrMore;
};

ScaledFloor scaledFloor(BinaryValue v, int scale) {
    const u128 product = static_cast<u128>(v.mantissa) * kPowersOfFive[scale];
    const int shiftDown = -(v.exponent + scale);
    const u128 rest = product & ((static_cast<u128>(1) << shiftDown) - 1);
    return {static_cast<uint64_t>(product >> shiftDown), rest >= (static_cast<u128>(1) << (shiftDown - 1))};
}

// 15 significant digits of 1e-11 <= magnitude < 1e15, rounded half up: digits x 10^-scale.
struct FifteenDigits {
    uint64_t digits;
    int scale;
};

// The scale of the fifteen digits from the number of digits before the point: from the binary
// exponent (78913 / 2^18 ~ log10 2), at most one off, corrected by the caller; from 1 to 1e4, where
// the powers of ten are doubles, exactly by comparison.
int scaleGuess(double magnitude, BinaryValue v) {
    if (magnitude >= 1 && magnitude < 1e4) {
        return 14 - (int{magnitude >= 10} + int{magnitude >= 100} + int{magnitude >= 1000});
    }
    return 14 - (((v.exponent + 52) * 78913) >> 18);
}

FifteenDigits fifteenDigits(double magnitude) {
    const BinaryValue v = binaryValueOf(magnitude);
    int scale = scaleGuess(magnitude, v);
    ScaledFloor scaled = scaledFloor(v, scale);
    while (scaled.quotient >= kBeyond15Digits) {
        scaled = scaledFloor(v, --scale);
    }
    while (scaled.quotient < kLeast15Digits) {
        scaled = scaledFloor(v, ++scale);
    }
    return {scaled.quotient + (scaled.halfOrMore ? 1 : 0), scale};
}

// The fifteen digits rounded half up to ten decimals, as a count of 1e-10 (scale > 10). The scales
// of 1 to 1e4 divide by constants, which compile to multiplications.
uint64_t tenDecimalUnits(FifteenDigits f) {
    switch (f.scale) {
    case 11:
        return (f.digits + 5) / 10;
    case 12:
        return (f.digits + 50) / 100;
    case 13:
        return (f.digits + 500) / 1000;
    case 14:
        return (f.digits + 5000) / 10000;
    default:
        const uint64_t divisor = kPowersOfTen[f.scale - 10];
        return (f.digits + divisor / 2) / divisor;
    }
}

// The working-list value of 1e-11 <= magnitude < 1e15. The fifteen digits and the ten-decimal count
// are below 2^53 and 10^scale or 10^10 is a double, so one division gives the double nearest to the
// written text, which is what reading the text back gives.
double workingListMagnitude(double magnitude) {
    const FifteenDigits f = fifteenDigits(magnitude);
    if (f.scale <= 10) {
        return static_cast<double>(f.digits) / static_cast<double>(kPowersOfTen[f.scale]);
    }
    return static_cast<double>(tenDecimalUnits(f)) / 1e10;
}

// The count of 1e-10 that a double from 0 to 1e4 is read back from, if it is one: the product with
// 1e10 is within 0.02 of the count.
bool unitsOfWorkingListValue(double value, int64_t& units) {
    if (!(value >= 0 && value < 1e4)) {
        return false;
    }
    units = static_cast<int64_t>(value * 1e10 + 0.5); // rounded inline: llrint is a library call
    return static_cast<double>(units) / 1e10 == value;
}

// The working-list count of 1 <= magnitude < 1e4 from its product with 1e10, y: with the fifteen
// digits' scale s, the two roundings half up give floor(y + 1/2 + 10^(10 - s) / 2). The product is
// within product x 2^-53 of y, so only a sum within twice that of a whole number needs the exact
// digits: false then.
bool quickTenDecimalUnits(double magnitude, int64_t& units) {
    const double lateHalf = magnitude < 10     ? 0.5 + 0.5e-4
                            : magnitude < 100  ? 0.5 + 0.5e-3
                            : magnitude < 1000 ? 0.5 + 0.5e-2
                                               : 0.5 + 0.5e-1;
    const double product = magnitude * 1e10;
    // The floor without a call of floor(); a signed conversion is one instruction, an unsigned one is not.
    const auto whole = static_cast<int64_t>(product);
    const double sum = (product - static_cast<double>(whole)) + lateHalf;
    if (std::fabs(sum - 1.0) <= product * 0x1p-52) {
        return false;
    }
    units = whole + (sum >= 1.0 ? 1 : 0);
    return true;
}

// formatFixed by integer arithmetic on the fifteen digits, for 1e-11 <= |value| < 1e15 and zero:
// the digits rounded half up to min(scale, decimals) places, then zeros. False for other values.
bool fixedFromFifteenDigits(double value, int decimals, char separator, std::string& text) {
    const double magnitude = std::fabs(value);
    if ((!(magnitude >= 1e-11 && magnitude < 1e15) && magnitude != 0.0) || decimals > 16) {
        return false;
    }
    const FifteenDigits f = magnitude == 0.0 ? FifteenDigits{0, 0} : fifteenDigits(magnitude);
    const int places = std::min(f.scale, decimals);
    const int dropped = f.scale - places;
    const uint64_t kept = dropped == 0    ? f.digits
                          : dropped >= 16 ? 0
                                          : (f.digits + kPowersOfTen[dropped] / 2) / kPowersOfTen[dropped];
    char buffer[64];
    char* end = buffer;
    if (value < 0) {
        *end++ = '-';
    }
    end = std::to_chars(end, buffer + 24, kept / kPowersOfTen[places]).ptr;
    if (decimals > 0) {
        *end++ = separator;
        uint64_t fraction = kept % kPowersOfTen[places];
        for (int place = places - 1; place >= 0; --place, fraction /= 10) {
            end[place] = static_cast<char>('0' + fraction % 10);
        }
        end = std::fill_n(end + places, decimals - places, '0');
    }
    text.assign(buffer, end);
    return true;
}

} // namespace

// Crossing positions and spacings lie far inside the exact range; the text is written and read back
// only for magnitudes of 1e15 and more, infinities and NaN. Below 1e-11 the ten decimals are zeros,
// written with the value's sign.
double roundTripWorkingList(double value) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < 1e15)) {
        return valueOfText(formatWorkingList(value));
    }
    if (magnitude < 1e-11) {
        return value == 0 ? 0.0 : std::copysign(0.0, value);
    }
    int64_t units = 0;
    const double result = magnitude >= 1 && magnitude < 1e4 && quickTenDecimalUnits(magnitude, units)
                              ? static_cast<double>(units) / 1e10
                              : workingListMagnitude(magnitude);
    return value < 0 ? -result : result;
}

// Crossing positions lie from 1 to the point count: their quick counts are taken here, in a loop of
// their own, without a call for each.
void roundTripWorkingLists(double* values, int count) {
    for (int m = 0; m < count; ++m) {
        const double value = values[m];
        int64_t units = 0;
        values[m] = value >= 1 && value < 1e4 && quickTenDecimalUnits(value, units) ? static_cast<double>(units) / 1e10
                                                                                    : roundTripWorkingList(value);
    }
}

// Two values read back from the text below 1e4 lie within 1.2e-12 of their counts of 1e-10 over
// 10^10, so their computed difference lies within 3.5e-12 of the difference of the counts over
// 10^10, and its fifteen digits round to that difference's ten decimals.
void workingListSpacings(const double* entries, int count, double* spacings) {
    int64_t fromUnits = 0;
    bool fromCounted = count > 0 && unitsOfWorkingListValue(entries[0], fromUnits);
    for (int m = 0; m + 1 < count; ++m) {
        int64_t toUnits = 0;
        const bool toCounted = unitsOfWorkingListValue(entries[m + 1], toUnits);
        spacings[m] = fromCounted && toCounted ? static_cast<double>(toUnits - fromUnits) / 1e10
                                               : roundTripWorkingList(entries[m + 1] - entries[m]);
        fromUnits = toUnits;
        fromCounted = toCounted;
    }
}

std::string formatFixed(double value, int decimals, NumberFormat format) {
    std::string text;
    if (fixedFromFifteenDigits(value, decimals, decimalSeparator(format), text)) {
        return text;
    }
    return composeFixed(value, decimals, 1, decimalSeparator(format));
}

std::string formatFixedFromDecimalDigits(double value, int decimals, NumberFormat format) {
    return composeFixed(value, decimals, 1, decimalSeparator(format));
}

std::string rowNumberText(int number) {
    // Built by appending: g++ 12 at -O3 warns falsely (-Wrestrict) on " " + std::string.
    std::string text(1, ' ');
    text += std::to_string(number);
    return text;
}

} // namespace vantrel
