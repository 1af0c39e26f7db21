// The text rules: the value of a text, the pattern formats, the working-list round trip and leaving a
// box, in both number formats; the chart's ticks. The input is read as a text and, its first eight
// bytes, as the bits of a double; its first seventeen bytes as an axis range and a number of ticks.
#include "fuzz_chart.h"

#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "views/box_editing.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

using namespace vantrel;

namespace {

// What a reading gives, or nothing when it is an overflow error.
template <class Reading> std::optional<double> valueOrOverflow(Reading read) {
    try {
        return read();
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

// A sign only before a negative value, then digits of which only the first 15 significant ones
// may be other than 0, then the point and exactly `decimals` digits; read back within half a unit
// of the last place of the value cut to 15 digits.
void checkFixed(double value, int decimals, const std::string& text, int leastIntegerDigits) {
    check((text[0] == '-') == (value < 0), "sign", text);
    const std::size_t start = text[0] == '-' ? 1 : 0;
    const std::size_t point = decimals > 0 ? text.size() - decimals - 1 : text.size();
    check(point >= start + leastIntegerDigits && (decimals == 0 || text[point] == '.'), "shape", text);
    int significant = 0;
    for (std::size_t k = start; k < text.size(); ++k) {
        if (k != point) {
            check(text[k] >= '0' && text[k] <= '9', "a character that is no digit", text);
            significant += significant > 0 || text[k] != '0' ? 1 : 0;
            check(significant <= 15 || text[k] == '0', "more than 15 significant digits", text);
        }
    }
    const double back = valueOfTextSaturating(text);
    if (std::isinf(back)) {
        check(std::fabs(value) > 1.79769313486231e308, "read back beyond a double", text);
        return;
    }
    // Half a unit of the last place, and the cut to 15 significant digits moves less than 5e-15 of it.
    const double slack = 0.5 * std::pow(10.0, -decimals) + 6e-15 * std::fabs(value);
    check(std::fabs(back - value) <= slack, "read back too far off", text);
}

// Every format of a finite value.
void checkFormats(double value) {
    if (!std::isfinite(value)) {
        return;
    }
    for (int decimals = 0; decimals <= 16; ++decimals) {
        checkFixed(value, decimals, formatFixed(value, decimals), 1);
    }
    const std::string working = formatWorkingList(value);
    checkFixed(value, 10, working, 4);
    const auto direct = valueOrOverflow([&] { return roundTripWorkingList(value); });
    const auto read = valueOrOverflow([&] { return valueOfText(working); });
    check(direct.has_value() == read.has_value() &&
              (!direct || std::bit_cast<uint64_t>(*direct) == std::bit_cast<uint64_t>(*read)),
          "the working-list round trip differs from reading its text", working);
}

// Leaving a box gives a text in its bounds that leaving it again keeps. The one exception: a negative
// d that rounds to zero shows "-0.00000", whose value, a zero, is not negative and is written "0.00000".
void checkLeaving(const std::string& typed, std::string (*normalise)(const std::string&, NumberFormat), double low,
                  double high, NumberFormat format) {
    const std::string once = normalise(typed, format);
    const double value = valueOfText(once, format);
    check(value >= low && value <= high, "a box left out of its bounds", once);
    const std::string twice = normalise(once, format);
    const std::string negativeZero = format == NumberFormat::DecimalComma ? "-0,00000" : "-0.00000";
    check(twice == once || (once == negativeZero && twice == negativeZero.substr(1)), "leaving a box twice changes it",
          typed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = valueOfTextSaturating(text);
    const auto checked = valueOrOverflow([&] { return valueOfText(text); });
    check(checked ? *checked == value : std::isinf(value), "valueOfText and its saturating form differ", text);
    checkFormats(value);
    uint64_t bits = 0;
    if (size >= sizeof bits) {
        std::memcpy(&bits, data, sizeof bits);
        checkFormats(std::bit_cast<double>(bits));
        // The same mantissa between 2^-14 and 2^14, around the range of crossing positions and spacings
        // where the working-list round trip is computed without its text.
        const double mantissa = 1.0 + static_cast<double>(bits & ((uint64_t{1} << 52) - 1)) / 0x1p52;
        checkFormats(std::ldexp(mantissa, static_cast<int>(bits >> 56) % 28 - 14));
    }
    for (const NumberFormat format : {NumberFormat::DecimalPoint, NumberFormat::DecimalComma}) {
        checkLeaving(text, normaliseDText, -99.99999, 99.99999, format);
        checkLeaving(text, normaliseIText, 1, 1024, format);
        check(valueOfTextSaturating(text, format) == value || std::isnan(value) ||
                  text.find_first_of(",.") != std::string::npos,
              "the number formats differ on a text without a separator", text);
    }
    if (size >= 2 * sizeof bits + 1) {
        // An axis from two doubles in either order, and the same bits scaled down among the subnormals.
        double a = 0;
        double b = 0;
        std::memcpy(&a, data, sizeof a);
        std::memcpy(&b, data + sizeof a, sizeof b);
        const int maxTicks = static_cast<int8_t>(data[2 * sizeof a]);
        checkTicksOf({std::fmin(a, b), std::fmax(a, b)}, maxTicks);
        checkTicksOf({std::ldexp(std::fmin(a, b), -1070), std::ldexp(std::fmax(a, b), -1070)}, maxTicks);
    }
    return 0;
}
