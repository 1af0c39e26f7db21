// The delimited-file reader: which texts are columns, and what each column hands a paste.
#include "intake/delimited_file.h"
#include "intake/file_columns.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using vantrel::NumberFormat;
constexpr auto kPoint = NumberFormat::DecimalPoint;
constexpr auto kComma = NumberFormat::DecimalComma;
const std::string kEuro = "\xE2\x82\xAC";

// Texts a one-column paste takes today stay one column; only a consistent split is a delimiter.
TEST(DelimitedFile, FindsADelimiterOnlyWhereTheFirstLinesSplitAlike) {
    const std::tuple<std::string, NumberFormat, std::optional<char>> cases[] = {
        {"1\n2\n3\n", kPoint, std::nullopt},
        {"1,234\n5,678\n", kPoint, std::nullopt},              // thousands groups
        {"$1,234,567.50\n12,345,678\n", kPoint, std::nullopt}, // with a currency and two groups
        {"-0,34\n1,25\n", kPoint, std::nullopt},               // a comma desktop's column
        {"-0,34\n1,25\n", kComma, std::nullopt},               // "," is the decimal mark there
        {"a,b\n1,2\n", kComma, std::nullopt},                  // ... even where it could split
        {"a,b\n1,2\n", kPoint, ','},                           // a heading is no number
        {"1,2,3\n4,5,6\n", kPoint, ','},                       // three fields, no groups
        {"1,234,5678\n9,876,5432\n", kPoint, ','},             // a group of four digits
        {"1;2\n3;4\n", kComma, ';'},                           //
        {"1\t2\n3\t4", kPoint, '\t'},                          //
        {"1\t2;3\n4\t5;6\n", kPoint, '\t'},                    // TAB before ";"
        {"1;2\n3;4;5\n", kPoint, std::nullopt},                // not the same number of fields
        {"1;2\n", kPoint, std::nullopt},                       // one line shows no columns
        {"1;2\n3;4\n5\n", kPoint, std::nullopt},               // the third line does not split
        {"a;b\n\n1;2\r\n", kPoint, ';'},                       // empty lines do not count
        {"\"a;b\";c\n1;2\n", kPoint, ';'},                     // a delimiter inside quotes
        {"\"x\n1;2\n3;4\n", kPoint, std::nullopt},             // a quote never closed
        {"\"1\n2\";3\n4;5\n", kPoint, ';'},                    // a line break inside quotes
        {"1\t\n2\t\n", kPoint, '\t'},                          // a spreadsheet's trailing TAB
        {"", kPoint, std::nullopt},
    };
    for (const auto& [text, format, delimiter] : cases) {
        EXPECT_EQ(vantrel::foundDelimiter(text, format), delimiter) << text;
    }
}

// The heading and every column's paste text.
TEST(DelimitedFile, SplitsColumnsUnquotesFieldsAndKnowsAHeading) {
    // The text, the delimiter, the number format, the headings and each column's text.
    using Texts = std::vector<std::string>;
    const std::tuple<std::string, char, NumberFormat, Texts, Texts> cases[] = {
        {"Sales;Cost\n1;2\n", ';', kPoint, {"Sales", "Cost"}, {"1", "2"}},
        {"Sensor 1;Sensor 2\n1;2\n", ';', kPoint, {"Sensor 1", "Sensor 2"}, {"1", "2"}},
        {"Price;Cost\n" + kEuro + "5;x\n", ';', kPoint, {"Price", "Cost"}, {kEuro + "5", "x"}},
        {kEuro + "5;a6\n" + kEuro + "7;a8\n", ';', kPoint, {"", ""}, {kEuro + "5\n" + kEuro + "7", "a6\na8"}},
        {"2019;2020\n5;6\n", ';', kPoint, {"", ""}, {"2019\n5", "2020\n6"}},
        {"x;,5\n1;2\n", ';', kComma, {"", ""}, {"x\n1", ",5\n2"}},
        {"x;,5\n1;2\n", ';', kPoint, {"x", ",5"}, {"1", "2"}},
        {"\"a \"\"b\"\"\";c\n\"1\r\n2\";3\n4;\"5\"x\n", ';', kPoint, {"a \"b\"", "c"}, {"1 2\n4", "3\n5x"}},
        {"a;b;c\r\n1;2;3\r\n4\r\n\r\n", ';', kPoint, {"a", "b", "c"}, {"1\n4\n", "2\n\n", "3\n\n"}},
        {"d;\"5,70E+02\"\n1;\"-1,5\"\n", ';', kComma, {"", ""}, {"d\n1", "5,70E+02\n-1,5"}},
        {"1,2,\n3,4,\n", ',', kPoint, {"", "", ""}, {"1\n3", "2\n4", "\n"}},
        {"one\ntwo\n", '\t', kPoint, {"one"}, {"two"}},
        {"a1;b2\n", ';', kPoint, {"", ""}, {"a1", "b2"}}, // a lone line with digits in every field
        {"+1;+2\n3;4\n", ';', kPoint, {"", ""}, {"+1\n3", "+2\n4"}},
    };
    for (const auto& [text, delimiter, format, headings, columns] : cases) {
        const vantrel::DelimitedFile file = vantrel::readDelimited(text, delimiter, format);
        EXPECT_EQ(file.headings, headings) << text;
        ASSERT_EQ(file.columnCount(), static_cast<int>(columns.size())) << text;
        for (int column = 0; column < file.columnCount(); ++column) {
            EXPECT_EQ(vantrel::columnText(file, column), columns[column]) << text << " column " << column;
        }
    }
}

// A column with a heading alone or a field alone is not empty; one that a trailing delimiter leaves is.
TEST(DelimitedFile, KnowsEmptyColumns) {
    const vantrel::DelimitedFile file = vantrel::readDelimited("a;b;;\n1;;3;\n2;;;\n", ';', kPoint);
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(vantrel::isEmptyColumn(file, column), column == 3) << column;
    }
}

// Open...'s columns: each with its caption and the text a paste of it takes, the first numeric one
// chosen; a TAB file of one column is the text itself, whose first fields the paste reads.
TEST(FileColumns, CaptionsTextsAndTheFirstNumericColumn) {
    const auto columns = vantrel::fileColumns("Name;Value;\nx;1;\ny;2;\n", kPoint);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(std::tuple(columns[1].caption, columns[1].text, vantrel::firstNumericColumn(columns)),
              std::tuple("Value", "1\n2", 1u));
    EXPECT_EQ(vantrel::fileColumns("1\t\n2\t\n", kPoint)[0].text, "1\t\n2\t\n");
}

} // namespace
