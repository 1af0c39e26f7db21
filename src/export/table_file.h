#pragma once

#include "analysis/result_table.h"

#include <string>

namespace vantrel {

enum class TableFileKind { Csv, Tsv };

// TSV for a name ending in ".tsv" or ".tab" (any case), CSV for every other name.
TableFileKind tableFileKindFor(const std::string& path);

// The table as a spreadsheet opens it: the heading line, then only the rows with a result, every
// cell exactly as the window shows it. A TSV separates fields by TAB; a CSV by ";" where the decimal
// separator is a comma (so that its numbers stay one field each) and by "," elsewhere. A field that
// holds the separator, a quote or a line break is quoted with its quotes doubled. LF after every line.
std::string tableFileText(const ResultTable& table, TableFileKind kind, char decimalSeparator);

} // namespace vantrel
