#include "export/clip_text.h"

namespace vantrel {

std::string tableClipText(const ResultTable& table, char lineSeparator) {
    std::string text;
    text.reserve(ResultTable::kRows * ResultTable::kColumns * 12);
    for (int r = 0; r < ResultTable::kRows; ++r) {
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
