// The table saved as a file a spreadsheet opens: which rows, which separator, which quoting.
#include "export/table_file.h"

#include <gtest/gtest.h>

namespace {

using vantrel::ResultTable;
using vantrel::TableFileKind;

// A table with results in rows 1 and 3 only (row 2 has only its row number), cells made up by hand.
ResultTable smallTable() {
    ResultTable table;
    table.setText(1, 1, "12,5");
    table.setText(1, 14, "-0,34000");
    table.setText(3, 14, "say \"hi\""); // a Remainder alone is a result
    return table;
}

// The expected lines, written out by hand: 15 fields each, the row number first.
std::string expected(const std::string& sep) {
    std::string heading = "Index";
    for (const char* name : {"Data", "Regression", "Oscillation"}) {
        heading += sep + name;
    }
    for (int k = 1; k <= 10; ++k) {
        heading += sep + "Wave " + std::to_string(k);
    }
    heading += sep + "Remainder\n";
    const std::string twelve = sep + sep + sep + sep + sep + sep + sep + sep + sep + sep + sep + sep;
    const std::string numberField = sep == "," ? "\"12,5\"" : "12,5";
    const std::string lastField = sep == "," ? "\"-0,34000\"" : "-0,34000";
    return heading + " 1" + sep + numberField + twelve + sep + lastField + "\n" + " 3" + twelve + sep + sep +
           "\"say \"\"hi\"\"\"\n";
}

TEST(TableFile, HeadingAndFilledRowsWithTheSeparatorOfEachKindAndDesktop) {
    const ResultTable table = smallTable();
    // The window's row numbers " 1" .. " 1500" stand in column 0 whatever the results.
    ASSERT_EQ(table.text(2, 0), " 2");
    struct Case {
        TableFileKind kind;
        char decimal;
        std::string separator;
    };
    for (const Case& c : {Case{TableFileKind::Csv, ',', ";"}, Case{TableFileKind::Csv, '.', ","},
                          Case{TableFileKind::Tsv, ',', "\t"}, Case{TableFileKind::Tsv, '.', "\t"}}) {
        EXPECT_EQ(vantrel::tableFileText(table, c.kind, c.decimal), expected(c.separator)) << c.separator;
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

} // namespace
