// A small reader of delimited text, enough for Open... to offer a file's columns.

#include "app/file_columns.h"

#include "batch/input_text.h"

#include <algorithm>

namespace vantrel {

namespace {

using Row = std::vector<std::string>;

bool hasDigit(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first line's first separator outside quotes, preferring TAB, then ";", then ",".
char delimiterOf(const std::string& text) {
    bool quoted = false;
    bool seen[3] = {false, false, false};
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            break;
        } else if (!quoted) {
            seen[0] |= c == '\t';
            seen[1] |= c == ';';
            seen[2] |= c == ',';
        }
    }
    return seen[0] ? '\t' : seen[1] ? ';' : seen[2] ? ',' : '\0';
}

// Rows of fields with quotes as a spreadsheet writes them: "" inside quotes is one quote, and a
// quoted field may hold the delimiter and line breaks. CR LF, LF and CR end a row.
std::vector<Row> splitRows(const std::string& text, char delimiter) {
    std::vector<Row> rows;
    Row row;
    std::string field;
    bool quoted = false;
    const auto endRow = [&] {
        row.push_back(std::move(field));
        field.clear();
        rows.push_back(std::move(row));
        row.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == delimiter) {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\r' || c == '\n') {
            endRow();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            field += c;
        }
    }
    if (!field.empty() || !row.empty()) {
        endRow();
    }
    return rows;
}

std::vector<FileColumn> columnsOf(const std::vector<Row>& rows) {
    std::size_t width = 0;
    for (const Row& row : rows) {
        width = std::max(width, row.size());
    }
    const bool heading = !rows.empty() && std::none_of(rows[0].begin(), rows[0].end(), hasDigit);
    std::vector<FileColumn> columns(width);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < width; ++c) {
            const std::string& field = c < rows[r].size() ? rows[r][c] : std::string();
            if (r == 0) {
                columns[c].caption = field;
            }
            if (r > 0 || !heading) {
                columns[c].text += field + "\n";
            }
        }
    }
    return columns;
}

// A value a spreadsheet would show as a number: digits with signs, separators and exponents only.
bool looksNumeric(const std::string& value) {
    return hasDigit(value) && value.find_first_not_of("0123456789+-.,eE \t") == std::string::npos;
}

} // namespace

std::vector<FileColumn> fileColumns(std::string bytes) {
    std::string text = textOfFile(std::move(bytes));
    const char delimiter = delimiterOf(text);
    if (delimiter == '\0') {
        const std::string firstLine = text.substr(0, text.find_first_of("\r\n"));
        return {FileColumn{firstLine, std::move(text)}};
    }
    return columnsOf(splitRows(text, delimiter));
}

std::size_t firstNumericColumn(const std::vector<FileColumn>& columns) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (looksNumeric(columns[c].text.substr(0, columns[c].text.find_first_of("\r\n")))) {
            return c;
        }
    }
    return 0;
}

} // namespace vantrel
