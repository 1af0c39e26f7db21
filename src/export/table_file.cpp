#include "export/table_file.h"

#include <algorithm>
#include <cctype>

namespace vantrel {

namespace {

bool endsWithNoCase(const std::string& text, const std::string& ending) {
    if (text.size() < ending.size()) {
        return false;
    }
    return std::equal(
        ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
        [](char wanted, char found) { return std::tolower(static_cast<unsigned char>(found)) == wanted; });
}

bool rowHasResult(const ResultTable& table, int row) {
    for (int c = 1; c < ResultTable::kColumns; ++c) {
        if (!table.text(row, c).empty()) {
            return true;
        }
    }
    return false;
}

void appendField(std::string& out, const std::string& field, char separator) {
    if (field.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

void appendRow(std::string& out, const ResultTable& table, int row, char separator) {
    for (int c = 0; c < ResultTable::kColumns; ++c) {
        if (c > 0) {
            out += separator;
        }
        appendField(out, table.text(row, c), separator);
    }
    out += '\n';
}

} // namespace

TableFileKind tableFileKindFor(const std::string& path) {
    return endsWithNoCase(path, ".tsv") || endsWithNoCase(path, ".tab") ? TableFileKind::Tsv : TableFileKind::Csv;
}

std::string tableFileText(const ResultTable& table, TableFileKind kind, char decimalSeparator) {
    const char separator = kind == TableFileKind::Tsv ? '\t' : decimalSeparator == ',' ? ';' : ',';
    std::string text;
    appendRow(text, table, 0, separator);
    for (int r = 1; r < table.rows(); ++r) {
        if (rowHasResult(table, r)) {
            appendRow(text, table, r, separator);
        }
    }
    return text;
}

} // namespace vantrel
