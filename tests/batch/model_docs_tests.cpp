// The models a user reads of in --help, the man page and the README are the table's, in its order:
// a model added to the table and not to the texts fails here.
#include "analysis/models.h"
#include "batch_run.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using vantrel::allModels;

// "a, b, c or d" and the like, from the table's command-line names or display names.
std::string namesJoined(bool displayNames, const std::string& comma, const std::string& last) {
    std::string joined;
    for (std::size_t k = 0; k < allModels().size(); ++k) {
        joined += k == 0 ? "" : (k + 1 == allModels().size() ? last : comma);
        joined += displayNames ? allModels()[k].name : allModels()[k].commandLineName;
    }
    return joined;
}

// Every match's first group, joined by "|", in a text whose blanks are collapsed.
std::string matches(const std::string& text, const std::string& pattern) {
    const std::string collapsed = std::regex_replace(text, std::regex("\\s+"), " ");
    std::string joined;
    const std::regex wanted(pattern);
    for (auto it = std::sregex_iterator(collapsed.begin(), collapsed.end(), wanted); it != std::sregex_iterator();
         ++it) {
        joined += (joined.empty() ? "" : "|") + (*it)[1].str();
    }
    return joined;
}

TEST(ModelDocs, ListTheModelsOfTheTable) {
    const std::string help = vantrel::testing::runWith({"--help"}, "").out;
    EXPECT_EQ(matches(help, "--model NAME (.*?) \\(default"), namesJoined(false, ", ", " or "));
    // Each model of the man page is a bold name before its formula.
    const std::string man = vantrel::testing::readFile(VANTREL_SOURCE_DIR "/packaging/vantrel-batch.1");
    EXPECT_EQ(matches(man, R"( \.BR (\w+) " \(Y =)"), namesJoined(false, "|", "|"));
    const std::string readme = vantrel::testing::readFile(VANTREL_SOURCE_DIR "/README.md");
    EXPECT_EQ(matches(readme, "`--model ([a-z|]+)`"), namesJoined(false, "|", "|"));
    EXPECT_EQ(matches(readme, "fits a trend \\((.*?) least squares\\)"), namesJoined(true, ", ", " or "));
}

} // namespace
