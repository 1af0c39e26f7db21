#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The shortest text that reads back as the same double.
std::string roundTripText(double value);

// A text as one CSV field: quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text);

// The long table for data tools: one line a point of a series, every number at full precision, the
// fields separated by "," whatever the desktop. vantrel-batch --long, the library and the Python
// module all write it with these.
std::string longTableHeading();

// A series' columns, each `count` values (point 1 first).
struct LongColumns {
    int count = 0;
    const double* data = nullptr;
    const double* trend = nullptr;
    const double* oscillation = nullptr;
    const double* waves[10] = {};
    const double* remainder = nullptr;
};

// The lines of one series, LF after each.
std::string longTableRows(std::string_view series, const LongColumns& columns);

} // namespace vantrel
