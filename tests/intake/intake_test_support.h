#pragma once

#include "intake/intake.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::testing_support {

class RecordingProgress : public IntakeProgress {
public:
    void scanMark(double x) override { marks.push_back(x); }
    void scanFinished() override {
        ++finishedCount;
        marksAtFinish = marks.size();
    }

    std::vector<double> marks;
    int finishedCount = 0;
    std::size_t marksAtFinish = 0;
};

// The texts "first" to "last".
inline std::vector<std::string> numberLines(int first, int last) {
    std::vector<std::string> lines;
    for (int n = first; n <= last; ++n) {
        lines.push_back(std::to_string(n));
    }
    return lines;
}

// The lines joined with the line ends given, used in turn.
inline std::string joinLines(const std::vector<std::string>& lines, const std::vector<std::string>& lineEnds,
                             bool finalLineEnd = true) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        text += lines[k];
        if (k + 1 < lines.size() || finalLineEnd) {
            text += lineEnds[k % lineEnds.size()];
        }
    }
    return text;
}

inline std::string joinLines(const std::vector<std::string>& lines, std::string_view lineEnd = "\r\n",
                             bool finalLineEnd = true) {
    return joinLines(lines, std::vector<std::string>{std::string(lineEnd)}, finalLineEnd);
}

inline std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t k = 0; k < times; ++k) {
        text += piece;
    }
    return text;
}

// A short, printable form of a text for the names of test cases: line ends and bytes outside
// printable ASCII escaped, a long text cut short with its length added.
inline std::string describe(std::string_view text) {
    constexpr std::size_t kShown = 24;
    std::string out = "\"";
    for (std::size_t k = 0; k < text.size() && k < kShown; ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += "\"";
    if (text.size() > kShown) {
        out += "... (" + std::to_string(text.size()) + " bytes)";
    }
    return out;
}

// A pasted text as the parameter of a test case.
struct PastedText {
    std::string text;
};

inline void PrintTo(const PastedText& pasted, std::ostream* os) {
    *os << describe(pasted.text);
}

} // namespace vantrel::testing_support
