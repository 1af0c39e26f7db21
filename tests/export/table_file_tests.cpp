// The table saved as a file a spreadsheet opens: which rows, which separator, which quoting.
#include "export/clip_text.h"
#include "export/table_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <tuple>

namespace {

using vantrel::ResultTable;
using vantrel::TableFileKind;

// The expected lines, written out by hand with '|' for the separator: 15 fields each, the row number
// first; a CSV with "," quotes the numbers with a decimal comma.
std::string expected(char separator) {
    const std::string q = separator == ',' ? "\"" : "";
    std::string text = "Index|Data|Regression|Oscillation|Wave 1|Wave 2|Wave 3|Wave 4|Wave 5|Wave 6|Wave 7|Wave 8|"
                       "Wave 9|Wave 10|Remainder\n 1|" +
                       q + "12,5" + q + "|||||||||||||\n 3||||||||||||||\"say \"\"hi\"\"\"\n 1500|7|||||||||||||\n";
    std::replace(text.begin(), text.end(), '|', separator);
    return text;
}

TEST(TableFile, HeadingAndFilledRowsWithTheSeparatorOfEachKindAndDesktop) {
    // Results in rows 1, 3 and the last only (row 2 has only its row number), cells made up by hand: a
    // Data alone and a Remainder alone are results.
    ResultTable table;
    table.setText(1, 1, "12,5");
    table.setText(3, 14, "say \"hi\"");
    table.setText(1500, 1, "7");
    // The window's row numbers " 1" .. " 1500" stand in column 0 whatever the results.
    ASSERT_EQ(table.text(2, 0), " 2");
    for (const auto& [kind, decimal, separator] :
         {std::tuple{TableFileKind::Csv, ',', ';'}, std::tuple{TableFileKind::Csv, '.', ','},
          std::tuple{TableFileKind::Tsv, ',', '\t'}, std::tuple{TableFileKind::Tsv, '.', '\t'}}) {
        EXPECT_EQ(vantrel::tableFileText(table, kind, decimal), expected(separator)) << separator;
    }
}

TEST(TableFile, KindFollowsTheExtension) {
    for (const char* path : {"a/table.tsv", "T.TSV", "x.tab"}) {
        EXPECT_EQ(vantrel::tableFileKindFor(path), TableFileKind::Tsv) << path;
    }
    for (const char* path : {"table.csv", "table", "tsv", "a.tsv.csv"}) {
        EXPECT_EQ(vantrel::tableFileKindFor(path), TableFileKind::Csv) << path;
    }
}

// vantrel-batch writes the clipboard text a block at a time, with a line end after the last line or
// not: the same bytes over several blocks, with rows longer than the room a block keeps for one.
TEST(ClipText, WrittenInBlocksIsTheTextMadeAtOnce) {
    ResultTable table;
    for (int r = 1; r < table.rows(); r += 3) {
        table.setText(r, 1 + r % 14, std::string(r % 500 == 1 ? 9000 : 80, 'x'));
    }
    for (const auto& [separator, endLastLine] : {std::pair{'\r', false}, std::pair{'\n', true}}) {
        std::ostringstream out;
        vantrel::writeTableClipText(table, separator, endLastLine, out);
        EXPECT_EQ(out.str(), vantrel::tableClipText(table, separator) + std::string(endLastLine, separator));
    }
}

} // namespace
