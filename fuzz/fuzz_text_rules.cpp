// The text rules: the value of a text, the pattern formats, the working-list round trip and leaving a
// box. The input is read as a text and, its first eight bytes, as the bits of a double.
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"
#include "views/box_editing.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

using namespace vantrel;

namespace {

void check(bool holds, const char* what, double value, const std::string& text) {
    if (!holds) {
        std::fprintf(stderr, "%s: %.17g '%s'\n", what, value, text.c_str());
        std::abort();
    }
}

std::optional<double> valueOrOverflow(const std::string& text) {
    try {
        return valueOfText(text);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

// A sign only before a negative value, then digits of which only the first 15 significant ones
// may be other than 0, then the point and exactly `decimals` digits; read back within half a unit
// of the last place of the value cut to 15 digits.
void checkFixed(double value, int decimals, const std::string& text, int leastIntegerDigits) {
    check((text[0] == '-') == (value < 0), "sign", value, text);
    const std::size_t start = text[0] == '-' ? 1 : 0;
    const std::size_t point = decimals > 0 ? text.size() - decimals - 1 : text.size();
    check(point >= start + leastIntegerDigits && (decimals == 0 || text[point] == '.'), "shape", value, text);
    int significant = 0;
    for (std::size_t k = start; k < text.size(); ++k) {
        if (k != point) {
            check(text[k] >= '0' && text[k] <= '9', "a character that is no digit", value, text);
            significant += significant > 0 || text[k] != '0' ? 1 : 0;
            check(significant <= 15 || text[k] == '0', "more than 15 significant digits", value, text);
        }
    }
    const double back = valueOfTextSaturating(text);
    if (std::isinf(back)) {
        check(std::fabs(value) > 1.79769313486231e308, "read back beyond a double", value, text);
        return;
    }
    // Half a unit of the last place, and the cut to 15 significant digits moves less than 5e-15 of it.
    const double slack = 0.5 * std::pow(10.0, -decimals) + 6e-15 * std::fabs(value);
    check(std::fabs(back - value) <= slack, "read back too far off", value, text);
}

void checkFormats(double value) {
    for (int decimals = 0; decimals <= 16; ++decimals) {
        checkFixed(value, decimals, formatFixed(value, decimals), 1);
    }
    const std::string working = formatWorkingList(value);
    checkFixed(value, 10, working, 4);
    std::optional<double> direct;
    try {
        direct = roundTripWorkingList(value);
    } catch (const RuntimeError&) {
    }
    const std::optional<double> read = valueOrOverflow(working);
    check(direct.has_value() == read.has_value() && (!direct || std::memcmp(&*direct, &*read, sizeof(double)) == 0),
          "the working-list round trip differs from reading its text", value, working);
}

// Leaving a box gives a text in its bounds that leaving it again keeps. The one exception: a negative
// d that rounds to zero shows "-0.00000", whose value, a zero, is not negative and is written "0.00000".
void checkLeaving(const std::string& typed, std::string (*normalise)(const std::string&), double low, double high) {
    const std::string once = normalise(typed);
    const double value = valueOfText(once);
    check(value >= low && value <= high, "a box left out of its bounds", value, once);
    const std::string twice = normalise(once);
    check(twice == once || (once == "-0.00000" && twice == "0.00000"), "leaving a box twice changes it", value, typed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = valueOfTextSaturating(text);
    const std::optional<double> checked = valueOrOverflow(text);
    check(checked ? *checked == value : std::isinf(value), "valueOfText and its saturating form differ", value, text);
    if (std::isfinite(value)) {
        checkFormats(value);
    }
    uint64_t bits = 0;
    if (size >= sizeof bits) {
        std::memcpy(&bits, data, sizeof bits);
        double raw = 0;
        std::memcpy(&raw, &bits, sizeof raw);
        if (std::isfinite(raw)) {
            checkFormats(raw);
        }
        // The same mantissa between 2^-14 and 2^14, around the range of crossing positions and spacings
        // where the working-list round trip is computed without its text.
        const double mantissa = 1.0 + static_cast<double>(bits & ((uint64_t{1} << 52) - 1)) / 0x1p52;
        checkFormats(std::ldexp(mantissa, static_cast<int>(bits >> 56) % 28 - 14));
    }
    checkLeaving(text, normaliseDText, -99.99999, 99.99999);
    checkLeaving(text, normaliseIText, 1, 1024);
    return 0;
}
