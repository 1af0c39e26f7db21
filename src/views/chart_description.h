#pragma once

#include "views/chart_geometry.h"

#include <string>

namespace vantrel {

// The chart in words, for those who cannot see it: the notice, if any, then each strip's title (a
// wave's holds its d and i) with its minimum and maximum, or that it has no values yet.
std::string chartDescription(const ChartContent& content);

} // namespace vantrel
