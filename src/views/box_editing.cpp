#include "views/box_editing.h"

#include "analysis/text_rules.h"
#include "analysis/wave_peeling.h"

#include <cmath>

namespace vantrel {

namespace {

// Rewrites the text in its canonical form, then applies the bounds to the rounded value. A number
// beyond the range of a double goes straight to the bound of its sign. The rounded text is read back
// saturating too: cut to 15 digits, a value just below the largest double reads back beyond it.
std::string normalise(const std::string& text, int decimals, double low, double high, const char* lowText,
                      const char* highText) {
    const double value = valueOfTextSaturating(text);
    if (std::isinf(value)) {
        return value > 0 ? highText : lowText;
    }
    std::string result = formatFixed(value, decimals);
    if (valueOfTextSaturating(result) > high) {
        result = highText;
    }
    if (valueOfTextSaturating(result) < low) {
        result = lowText;
    }
    return result;
}

std::string clampForRun(const std::string& text, double low, double high, const char* lowText, const char* highText) {
    std::string result = text;
    if (valueOfText(result) > high) {
        result = highText;
    }
    if (valueOfText(result) < low) {
        result = lowText;
    }
    return result;
}

} // namespace

std::string defaultBoxText(BoxKind kind) {
    return kind == BoxKind::D ? "0.00000" : "8";
}

std::string dBoxText(double d) {
    return formatFixed(d, 5);
}

std::string normaliseIText(const std::string& text) {
    static const std::string highest = std::to_string(kMaxPasses);
    return normalise(text, 0, 1, kMaxPasses, "1", highest.c_str());
}

std::string normaliseDText(const std::string& text) {
    return normalise(text, 5, -99.99999, 99.99999, "-99.99999", "99.99999");
}

std::string clampITextForRun(const std::string& text) {
    return clampForRun(text, 1, 999, "1", "999");
}

std::string clampDTextForRun(const std::string& text) {
    return clampForRun(text, -99.99999, 99.99999, "-99.99999", "99.99999");
}

} // namespace vantrel
