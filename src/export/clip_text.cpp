#include "export/clip_text.h"

namespace vantrel {

std::string tableClipText(const ResultTable& table, char lineSeparator) {
    // Sized once, exactly, with room for a line end after the last line: a text of a third of a
    // megabyte that grows by doubling is copied and touches twice the memory it needs.
    std::size_t size = static_cast<std::size_t>(table.rows()) * ResultTable::kColumns;
    for (int r = 0; r < table.rows(); ++r) {
        for (int c = 0; c < ResultTable::kColumns; ++c) {
            size += table.text(r, c).size();
        }
    }
    std::string text;
    text.reserve(size);
    for (int r = 0; r < table.rows(); ++r) {
        if (r > 0) {
            text += lineSeparator;
        }
        for (int c = 0; c < ResultTable::kColumns; ++c) {
            if (c > 0) {
                text += '\t';
            }
            text += table.text(r, c);
        }
    }
    return text;
}

} // namespace vantrel
