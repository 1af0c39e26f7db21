#pragma once

namespace vantrel {

// Tells Qt's accessibility bridge what the progress strip and the chart window are: a progress bar
// with its value, a window, and a chart. Safe to call more than once.
void installAccessibleInterfaces();

} // namespace vantrel
