#pragma once

// What vantrel-batch's tests share: a run with its exit code and outputs, a file's bytes, a text cut
// at a separator.
#include "batch/batch.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vantrel::testing {

struct BatchRun {
    int exitCode;
    std::string out;
    std::string err;
};

inline BatchRun runWith(const std::vector<std::string>& args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = runBatch(args, in, out, err);
    return {code, out.str(), err.str()};
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

} // namespace vantrel::testing
