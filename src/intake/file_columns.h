#pragma once

#include "analysis/text_rules.h"

#include <string>
#include <vector>

namespace vantrel {

// One column of a file as Open... offers it: what the column dialog lists, and the text the Paste
// run reads when it is chosen.
struct FileColumn {
    std::string caption; // its heading, or its first value where the file has no heading line
    std::string text;    // its fields, unquoted, one a line
};

// The columns of a file's bytes, decoded as vantrel-batch decodes a file and split by the delimited
// reader that vantrel-batch uses, in the window's number format. A text that is not delimited is one
// column whose text is the whole decoded text, unchanged, as a paste of it would be; so is a TAB
// text, whose first field the paste reads, when it has one column. Columns with neither a heading
// nor a value are left out. Throws DelimitedFileError with the reason for a file that is no text (NUL
// bytes) or whose quotes never close.
std::vector<FileColumn> fileColumns(std::string bytes, NumberFormat format);

// The column the dialog preselects: the first whose first value is a number, else the first.
std::size_t firstNumericColumn(const std::vector<FileColumn>& columns);

} // namespace vantrel
