#include "intake/pasted_text.h"

#include "intake_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

using testing_support::joinLines;
using testing_support::numberLines;
using testing_support::RecordingProgress;

struct CountCase {
    std::string text;
    std::size_t characters;
};

void PrintTo(const CountCase& c, std::ostream* os) {
    *os << testing_support::describe(c.text);
}

class IntakeCharacterCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(IntakeCharacterCountTest, CountsCodePoints) {
    EXPECT_EQ(characterCount(GetParam().text, 1000), GetParam().characters);
}

INSTANTIATE_TEST_SUITE_P(Texts, IntakeCharacterCountTest,
                         ::testing::Values(CountCase{"", 0}, CountCase{"abc\r\n", 5}, CountCase{"\xC3\xA9t\xC3\xA9", 3},
                                           CountCase{"\xE2\x82\xAC"
                                                     "5",
                                                     2},
                                           CountCase{"\xF0\x9F\x98\x80", 1},
                                           // bytes that start no well-formed sequence count one each
                                           CountCase{"\x80\x80", 2},
                                           CountCase{"\xC3"
                                                     "a",
                                                     2},
                                           CountCase{"\xE2\x82", 2}, CountCase{"\xFF\xC0\xAF", 3}));

TEST(IntakeCharacterCountTest, StopsOncePastTheLimit) {
    EXPECT_EQ(characterCount(std::string(100, 'a'), 10), 11u);
}

TEST(IntakeKeptLinesTest, ExactlyFifteenHundredLinesAreKeptWhole) {
    RecordingProgress progress;
    const std::string text = joinLines(numberLines(1, 1500));
    EXPECT_EQ(keptLines(text, progress), std::string_view(text).substr(0, text.size() - 2));
}

TEST(IntakeKeptLinesTest, TheLineBeforeTheLastFifteenHundredIsCutOffWithItsLineEnd) {
    RecordingProgress progress;
    const std::string kept = joinLines(numberLines(2, 1501), "\r\n", false);
    EXPECT_EQ(keptLines("1\r\n" + kept + "\r\n\r\n", progress), kept);
}

TEST(IntakePlaceFirstFieldsTest, FillsNoMoreThanFifteenHundredRows) {
    ResultTable table;
    placeFirstFields(joinLines(numberLines(1, 1600)), table);
    EXPECT_EQ(table.text(1500, ResultTable::kDataColumn), "1500");
    EXPECT_EQ(table.text(1500, 0), " 1500");
}

} // namespace
} // namespace vantrel
