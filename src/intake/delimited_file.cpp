#include "intake/delimited_file.h"

#include <algorithm>

namespace vantrel {

namespace {

constexpr int kSampledRecords = 10;
constexpr char kQuote = '"';

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Splits a text into records one at a time.
class RecordReader {
public:
    RecordReader(std::string_view text, char delimiter) : m_text(text), m_delimiter(delimiter) {}

    // The next record's fields; false at the end of the text. A quote that is never closed ends the
    // text and is remembered.
    bool next(std::vector<std::string>& fields) {
        fields.clear();
        if (m_pos >= m_text.size()) {
            return false;
        }
        while (true) {
            fields.push_back(nextField());
            if (m_pos >= m_text.size()) {
                return true;
            }
            if (m_text[m_pos] != m_delimiter) {
                skipLineEnd();
                return true;
            }
            ++m_pos;
            if (m_pos == m_text.size()) {
                fields.emplace_back();
                return true;
            }
        }
    }

    bool unclosedQuote() const { return m_unclosedQuoteLine != 0; }
    int unclosedQuoteLine() const { return m_unclosedQuoteLine; }

private:
    std::string nextField() {
        std::string field;
        if (m_text[m_pos] == kQuote) {
            readQuotedPart(field);
        }
        while (m_pos < m_text.size() && m_text[m_pos] != m_delimiter && !isLineEnd(m_text[m_pos])) {
            field += m_text[m_pos++];
        }
        return field;
    }

    void readQuotedPart(std::string& field) {
        const int startLine = m_line;
        ++m_pos;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c != kQuote) {
                countLineEnd(c);
                field += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == kQuote) {
                field += kQuote;
                ++m_pos;
            } else {
                return;
            }
        }
        m_unclosedQuoteLine = startLine;
    }

    void countLineEnd(char c) {
        if (c == '\n' || (c == '\r' && (m_pos >= m_text.size() || m_text[m_pos] != '\n'))) {
            ++m_line;
        }
    }

    void skipLineEnd() {
        m_pos += m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n' ? 2 : 1;
        ++m_line;
    }

    std::string_view m_text;
    char m_delimiter;
    std::size_t m_pos = 0;
    int m_line = 1;
    int m_unclosedQuoteLine = 0;
};

bool isEmptyRecord(const std::vector<std::string>& fields) {
    return fields.size() == 1 && fields.front().empty();
}

// The first non-empty records, as far as they are closed.
std::vector<std::vector<std::string>> sampledRecords(std::string_view text, char delimiter) {
    RecordReader reader(text, delimiter);
    std::vector<std::vector<std::string>> sample;
    std::vector<std::string> fields;
    while (static_cast<int>(sample.size()) < kSampledRecords && reader.next(fields)) {
        if (reader.unclosedQuote()) {
            return {};
        }
        if (!isEmptyRecord(fields)) {
            sample.push_back(fields);
        }
    }
    return sample;
}

bool startsWithDigits(std::string_view field, std::size_t count) {
    std::size_t digits = 0;
    while (digits < field.size() && isDigit(field[digits])) {
        ++digits;
    }
    return digits == count;
}

// "-0,34", "12,5 €": a number with a decimal comma; "1,234" or "$1,234,567.50": one with thousands groups.
bool couldBeOneCommaNumber(const std::vector<std::string>& fields) {
    if (fields.front().empty() || !isDigit(fields.front().back())) {
        return false;
    }
    const bool decimalComma = fields.size() == 2 && !fields[1].empty() && isDigit(fields[1].front());
    const bool thousandsGroups = std::all_of(fields.begin() + 1, fields.end(),
                                             [](const std::string& group) { return startsWithDigits(group, 3); });
    return decimalComma || thousandsGroups;
}

bool splitsConsistently(const std::vector<std::vector<std::string>>& sample, char delimiter) {
    if (sample.size() < 2 || sample.front().size() < 2) {
        return false;
    }
    const std::size_t fieldCount = sample.front().size();
    if (!std::all_of(sample.begin(), sample.end(), [fieldCount](const auto& r) { return r.size() == fieldCount; })) {
        return false;
    }
    return delimiter != ',' || !std::all_of(sample.begin(), sample.end(), couldBeOneCommaNumber);
}

bool startsWithNumber(std::string_view field, NumberFormat format) {
    std::size_t pos = field.find_first_not_of(' ');
    if (pos == std::string_view::npos) {
        return false;
    }
    if (field[pos] == '-' || field[pos] == '+') {
        ++pos;
    }
    if (pos < field.size() && field[pos] == decimalSeparator(format)) {
        ++pos;
    }
    return pos < field.size() && isDigit(field[pos]);
}

bool holdsNumberField(const std::vector<std::string>& fields, NumberFormat format) {
    return std::any_of(fields.begin(), fields.end(),
                       [format](const std::string& f) { return startsWithNumber(f, format); });
}

bool isHeading(const std::vector<std::vector<std::string>>& records, NumberFormat format) {
    if (records.empty() || holdsNumberField(records[0], format) ||
        std::all_of(records[0].begin(), records[0].end(), [](const std::string& f) { return f.empty(); })) {
        return false;
    }
    const bool nextLooksAlike = records.size() < 2 || !holdsNumberField(records[1], format);
    const bool everyHeadingHoldsDigit = std::all_of(records[0].begin(), records[0].end(), [](const std::string& f) {
        return f.empty() || std::any_of(f.begin(), f.end(), isDigit);
    });
    return !(nextLooksAlike && everyHeadingHoldsDigit);
}

void appendWithoutLineBreaks(std::string& text, std::string_view field) {
    for (std::size_t pos = 0; pos < field.size(); ++pos) {
        if (field[pos] == '\r' && pos + 1 < field.size() && field[pos + 1] == '\n') {
            continue;
        }
        text += isLineEnd(field[pos]) ? ' ' : field[pos];
    }
}

} // namespace

std::optional<char> foundDelimiter(std::string_view text, NumberFormat format) {
    for (const char delimiter : {'\t', ';', ','}) {
        if (delimiter == ',' && format == NumberFormat::DecimalComma) {
            continue;
        }
        if (splitsConsistently(sampledRecords(text, delimiter), delimiter)) {
            return delimiter;
        }
    }
    return std::nullopt;
}

DelimitedFile readDelimited(std::string_view text, char delimiter, NumberFormat format) {
    RecordReader reader(text, delimiter);
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    while (reader.next(fields)) {
        records.push_back(fields);
    }
    if (reader.unclosedQuote()) {
        throw DelimitedFileError("the quote that opens a field on line " + std::to_string(reader.unclosedQuoteLine()) +
                                 " is never closed");
    }
    DelimitedFile file;
    file.delimiter = delimiter;
    std::size_t columns = 1;
    for (const auto& record : records) {
        columns = std::max(columns, record.size());
    }
    file.headings.assign(columns, {});
    file.hasHeading = isHeading(records, format);
    if (file.hasHeading) {
        std::copy(records.front().begin(), records.front().end(), file.headings.begin());
        records.erase(records.begin());
    }
    file.rows = std::move(records);
    return file;
}

std::string columnText(const DelimitedFile& file, int column) {
    std::string text;
    const auto index = static_cast<std::size_t>(column);
    for (std::size_t row = 0; row < file.rows.size(); ++row) {
        if (row > 0) {
            text += '\n';
        }
        if (index < file.rows[row].size()) {
            appendWithoutLineBreaks(text, file.rows[row][index]);
        }
    }
    return text;
}

bool isEmptyColumn(const DelimitedFile& file, int column) {
    const auto index = static_cast<std::size_t>(column);
    if (!file.headings[index].empty()) {
        return false;
    }
    return std::none_of(file.rows.begin(), file.rows.end(),
                        [index](const auto& row) { return index < row.size() && !row[index].empty(); });
}

} // namespace vantrel
