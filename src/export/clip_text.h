#pragma once

#include "analysis/result_table.h"

#include <iosfwd>
#include <string>

namespace vantrel {

// The whole table as clipboard text: a line of 15 fields per row (1501 in the window), fields
// separated by TAB, lines by `lineSeparator` (CR for the clipboard), no separator after the last line.
std::string tableClipText(const ResultTable& table, char lineSeparator = '\r');

// The same text, with one more line separator after the last line when `endLastLine`, written to
// `out` a block at a time.
void writeTableClipText(const ResultTable& table, char lineSeparator, bool endLastLine, std::ostream& out);

} // namespace vantrel
