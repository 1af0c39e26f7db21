// Open...'s view of a file: its columns as the delimited reader splits them.

#include "intake/file_columns.h"

#include "intake/delimited_file.h"
#include "intake/text_decoding.h"

#include <algorithm>

namespace vantrel {

namespace {

std::string firstLineOf(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

std::string captionOf(const DelimitedFile& file, int column) {
    const std::string& heading = file.headings[static_cast<std::size_t>(column)];
    if (!heading.empty() || file.rows.empty()) {
        return heading;
    }
    const std::vector<std::string>& first = file.rows.front();
    return static_cast<std::size_t>(column) < first.size() ? first[static_cast<std::size_t>(column)] : std::string();
}

bool hasDigit(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A value a spreadsheet would show as a number: digits with signs, separators and exponents only.
bool looksNumeric(const std::string& value) {
    return hasDigit(value) && value.find_first_not_of("0123456789+-.,eE \t") == std::string::npos;
}

} // namespace

std::vector<FileColumn> fileColumns(std::string bytes, NumberFormat format) {
    std::string text = textOfFile(std::move(bytes));
    // UTF-16 that was not recognised, or no text at all, would otherwise load as zeros.
    if (text.find('\0') != std::string::npos) {
        throw DelimitedFileError("it is not a text: it holds NUL bytes");
    }
    const std::optional<char> delimiter = foundDelimiter(text, format);
    if (!delimiter) {
        return {FileColumn{firstLineOf(text), std::move(text)}};
    }
    const DelimitedFile file = readDelimited(text, *delimiter, format);
    std::vector<FileColumn> columns;
    for (int column = 0; column < file.columnCount(); ++column) {
        if (!isEmptyColumn(file, column)) {
            columns.push_back({captionOf(file, column), columnText(file, column)});
        }
    }
    if (columns.size() == 1 && *delimiter == '\t') {
        return {FileColumn{columns.front().caption, std::move(text)}};
    }
    return columns;
}

std::size_t firstNumericColumn(const std::vector<FileColumn>& columns) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (looksNumeric(firstLineOf(columns[c].text))) {
            return c;
        }
    }
    return 0;
}

} // namespace vantrel
