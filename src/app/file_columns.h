#pragma once

#include <string>
#include <vector>

namespace vantrel {

// One column of a file as Open... offers it: what the column dialog lists, and the text the Paste
// run reads when it is chosen.
struct FileColumn {
    std::string caption; // its heading, or its first value where the file has no heading line
    std::string text;    // its fields, unquoted, one a line
};

// The columns of a file's bytes, decoded as vantrel-batch decodes a file. A file with one column is
// one column whose text is the whole decoded text, unchanged.
std::vector<FileColumn> fileColumns(std::string bytes);

// The column the dialog preselects: the first whose first value is a number, else the first.
std::size_t firstNumericColumn(const std::vector<FileColumn>& columns);

} // namespace vantrel
