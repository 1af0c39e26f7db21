#pragma once

#include "analysis/text_rules.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// A file of several columns, as a spreadsheet saves it: the reader that the batch and the window's
// Open share. It reads the decoded text (UTF-8) and hands each column on as the text a paste of that
// column would be, so that every rule of a paste (cleaning, scientific fields, limits, refusals)
// applies to a column as it does to the clipboard.
//
// The rules:
// - Records end with CR LF, a lone CR or a lone LF; a line end after the last record ends nothing.
// - Quoting as RFC 4180: a field that begins with a double quote runs to the next lone double quote,
//   "" inside it stands for one, and it may hold delimiters and line breaks. What follows the
//   closing quote up to the delimiter is kept. A quote inside an unquoted field is an ordinary
//   character. A quote that is never closed makes the text unreadable (DelimitedFileError).
// - The delimiter is given, or found from the first ten non-empty records: TAB, then ";", then ",",
//   the first that splits at least two of them, outside quotes, into one and the same number of
//   fields, two or more. Being found is the exception, not the rule: "," is never found in the
//   decimal-comma format (it is the decimal mark there), nor where every sampled line could be one
//   number written with a comma ("-0,34" in a comma desktop's column, "1,234" or "1,234,567.5" with
//   thousands groups), so such a column stays one column.
// - The first record is a heading when none of its fields starts with a number (blanks skipped, a
//   sign, then a digit or the decimal separator and a digit), unless the record after it has no
//   such field either while every non-empty heading field holds a digit: then the two look alike
//   (a column of "€5") and the first is data. A heading made of numbers ("2019") is read as data.
// - A row shorter than the others has empty fields at its end; the columns are as many as the
//   longest record has fields.
// - A column's paste text holds its fields below the heading, one per line, LF between them, each
//   without its quotes; a line break inside a field becomes a blank, so that no field moves another
//   to a different row. An empty field is an empty line, as an empty cell is in a paste; the empty
//   fields at the end of a shorter column are empty lines at the end, which a paste drops.

class DelimitedFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DelimitedFile {
    char delimiter = '\t';
    bool hasHeading = false;
    // One per column; all empty without a heading, and for a column whose heading field is empty.
    std::vector<std::string> headings;
    // The records below the heading, each as its fields without quotes (shorter rows stay short).
    std::vector<std::vector<std::string>> rows;

    int columnCount() const { return static_cast<int>(headings.size()); }
};

// TAB, ";" or "," by the rules above; nothing for a text that is not delimited.
std::optional<char> foundDelimiter(std::string_view text, NumberFormat format);

// The whole text split by `delimiter`. Throws DelimitedFileError for a quote that is never closed.
DelimitedFile readDelimited(std::string_view text, char delimiter, NumberFormat format);

// The paste text of a column, counted from 0.
std::string columnText(const DelimitedFile& file, int column);

// A column with neither a heading nor a field that holds anything: what a delimiter at the end of
// every line leaves.
bool isEmptyColumn(const DelimitedFile& file, int column);

} // namespace vantrel
