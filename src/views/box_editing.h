#pragma once

#include "analysis/text_rules.h"

#include <string>

namespace vantrel {

// The twenty wave parameter boxes: a d box and an i box per wave; box n belongs to wave n + 1.
enum class BoxKind { D, I };

// The most characters a box takes.
constexpr int kDBoxLength = 10;
constexpr int kIBoxLength = 4;

// What a box holds before the user types into it.
std::string defaultBoxText(BoxKind kind, NumberFormat format = NumberFormat::DecimalPoint);

// The box texts are read and written with the decimal separator of the format; the one-argument
// forms use the decimal point.

// The text a d box shows for a value the wave view found: five decimals.
std::string dBoxText(double d, NumberFormat format = NumberFormat::DecimalPoint);

// Leaving an i box: the value rounded to a whole number, then kept within 1 to kMaxPasses.
std::string normaliseIText(const std::string& text);
std::string normaliseIText(const std::string& text, NumberFormat format);

// Leaving a d box: the value with five decimals, then kept within -99.99999 to 99.99999.
std::string normaliseDText(const std::string& text);
std::string normaliseDText(const std::string& text, NumberFormat format);

// Bounds a Paste applies before it runs: i within 1 to 999, d within -99.99999 to 99.99999.
// A text inside the bounds is returned unchanged. A number beyond the range of a double throws.
std::string clampITextForRun(const std::string& text);
std::string clampITextForRun(const std::string& text, NumberFormat format);
std::string clampDTextForRun(const std::string& text);
std::string clampDTextForRun(const std::string& text, NumberFormat format);

} // namespace vantrel
