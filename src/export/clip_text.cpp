#include "export/clip_text.h"

namespace vantrel {

std::string tableClipText(const ResultTable& table, char lineSeparator) {
    std::string text;
    text.reserve(static_cast<std::size_t>(table.rows()) * ResultTable::kColumns * 12);
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
