#include "views/box_editing.h"

#include "analysis/wave_peeling.h"

#include <cmath>

namespace vantrel {

namespace {

constexpr int kDDecimals = 5;
constexpr double kLowestD = -99.99999;
constexpr double kHighestD = 99.99999;
constexpr double kLowestI = 1;
constexpr double kHighestNormalI = kMaxPasses;
constexpr double kHighestRunI = 999;

// The range of a box and the decimals its bounds are written with.
struct BoxRange {
    double low;
    double high;
    int decimals;
};

constexpr BoxRange kDRange{kLowestD, kHighestD, kDDecimals};
constexpr BoxRange kNormalIRange{kLowestI, kHighestNormalI, 0};
constexpr BoxRange kRunIRange{kLowestI, kHighestRunI, 0};

// Rewrites the text in its canonical form, then applies the bounds to the rounded value. A number
// beyond the range of a double goes straight to the bound of its sign. The rounded text is read back
// saturating too: cut to 15 digits, a value just below the largest double reads back beyond it.
std::string normalise(const std::string& text, BoxRange range, NumberFormat format) {
    const std::string lowText = formatFixed(range.low, range.decimals, format);
    const std::string highText = formatFixed(range.high, range.decimals, format);
    const double value = valueOfTextSaturating(text, format);
    if (std::isinf(value)) {
        return value > 0 ? highText : lowText;
    }
    std::string result = formatFixed(value, range.decimals, format);
    if (valueOfTextSaturating(result, format) > range.high) {
        result = highText;
    }
    if (valueOfTextSaturating(result, format) < range.low) {
        result = lowText;
    }
    return result;
}

std::string clampForRun(const std::string& text, BoxRange range, NumberFormat format) {
    std::string result = text;
    if (valueOfText(result, format) > range.high) {
        result = formatFixed(range.high, range.decimals, format);
    }
    if (valueOfText(result, format) < range.low) {
        result = formatFixed(range.low, range.decimals, format);
    }
    return result;
}

} // namespace

std::string defaultBoxText(BoxKind kind, NumberFormat format) {
    return kind == BoxKind::D ? dBoxText(0, format) : "8";
}

std::string dBoxText(double d, NumberFormat format) {
    return formatFixed(d, kDDecimals, format);
}

std::string normaliseIText(const std::string& text, NumberFormat format) {
    return normalise(text, kNormalIRange, format);
}

std::string normaliseIText(const std::string& text) {
    return normaliseIText(text, NumberFormat::DecimalPoint);
}

std::string normaliseDText(const std::string& text, NumberFormat format) {
    return normalise(text, kDRange, format);
}

std::string normaliseDText(const std::string& text) {
    return normaliseDText(text, NumberFormat::DecimalPoint);
}

std::string clampITextForRun(const std::string& text, NumberFormat format) {
    return clampForRun(text, kRunIRange, format);
}

std::string clampITextForRun(const std::string& text) {
    return clampITextForRun(text, NumberFormat::DecimalPoint);
}

std::string clampDTextForRun(const std::string& text, NumberFormat format) {
    return clampForRun(text, kDRange, format);
}

std::string clampDTextForRun(const std::string& text) {
    return clampDTextForRun(text, NumberFormat::DecimalPoint);
}

} // namespace vantrel
