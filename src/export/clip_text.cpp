#include "export/clip_text.h"

#include <ostream>

namespace vantrel {

namespace {

void appendRow(std::string& text, const ResultTable& table, int row) {
    for (int c = 0; c < ResultTable::kColumns; ++c) {
        if (c > 0) {
            text += '\t';
        }
        text += table.text(row, c);
    }
}

} // namespace

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
        appendRow(text, table, r);
    }
    return text;
}

void writeTableClipText(const ResultTable& table, char lineSeparator, bool endLastLine, std::ostream& out) {
    // A run's whole output is a few hundred kilobytes that would be written once and dropped: a
    // block at a time, the same few pages carry all of it.
    constexpr std::size_t kBlock = std::size_t{64} << 10;
    constexpr std::size_t kRoomForARow = std::size_t{4} << 10;
    std::string block;
    block.reserve(kBlock);
    for (int r = 0; r < table.rows(); ++r) {
        if (r > 0) {
            block += lineSeparator;
        }
        appendRow(block, table, r);
        if (block.size() > kBlock - kRoomForARow) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    if (endLastLine) {
        block += lineSeparator;
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

} // namespace vantrel
