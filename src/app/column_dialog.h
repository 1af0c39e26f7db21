#pragma once

#include "intake/file_columns.h"

#include <optional>
#include <vector>

class QWidget;

namespace vantrel {

// Asks which of a file's columns to load: a list of their headings (or first values) with the first
// numeric column chosen. Returns the chosen column's index, or nothing when the user cancels.
std::optional<std::size_t> chooseColumn(QWidget* parent, const std::vector<FileColumn>& columns);

} // namespace vantrel
