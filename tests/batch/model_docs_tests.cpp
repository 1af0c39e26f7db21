// The models a user reads of in --help, the man page and the README are the table's, in its order:
// a model added to the table and not to the texts fails here.
#include "analysis/models.h"
#include "batch/batch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using vantrel::allModels;

std::string readSourceFile(const std::string& path) {
    std::ifstream file(std::string(VANTREL_SOURCE_DIR) + "/" + path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// "a, b, c or d" and the like, from the table's command-line names or display names.
std::string namesJoined(bool displayNames, const std::string& comma, const std::string& last) {
    std::string joined;
    for (std::size_t k = 0; k < allModels().size(); ++k) {
        joined += k == 0 ? "" : (k + 1 == allModels().size() ? last : comma);
        joined += displayNames ? allModels()[k].name : allModels()[k].commandLineName;
    }
    return joined;
}

std::string collapsedBlanks(const std::string& text) {
    return std::regex_replace(text, std::regex("\\s+"), " ");
}

std::string firstMatch(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "(not found)";
}

TEST(ModelDocs, ListTheModelsOfTheTable) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    vantrel::runBatch({"--help"}, in, out, err);
    const std::string help = collapsedBlanks(out.str());
    EXPECT_EQ(firstMatch(help, "--model NAME (.*?) \\(default"), namesJoined(false, ", ", " or "));

    // Each model of the man page is a bold name before its formula.
    const std::string man = readSourceFile("packaging/vantrel-batch.1");
    std::vector<std::string> manNames;
    const std::regex manName(R"(\n\.BR (\w+) " \(Y =)");
    for (auto it = std::sregex_iterator(man.begin(), man.end(), manName); it != std::sregex_iterator(); ++it) {
        manNames.push_back((*it)[1].str());
    }
    std::string manJoined;
    for (std::size_t k = 0; k < manNames.size(); ++k) {
        manJoined += (k == 0 ? "" : "|") + manNames[k];
    }
    EXPECT_EQ(manJoined, namesJoined(false, "|", "|"));

    const std::string readme = collapsedBlanks(readSourceFile("README.md"));
    EXPECT_EQ(firstMatch(readme, "`--model ([a-z|]+)`"), namesJoined(false, "|", "|"));
    EXPECT_EQ(firstMatch(readme, "fits a trend \\((.*?) least squares\\)"), namesJoined(true, ", ", " or "));
}

} // namespace
