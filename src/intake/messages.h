#pragma once

#include <string>

namespace vantrel {

// The texts of every failure message the program shows; the window and the command line both take
// them from here. Line breaks are CR LF pairs.
constexpr int kJokeCount = 10;

// Joke k, 1 to 10: the first line of every failure message.
const char* jokeText(int k);

// k = the whole part of 10 u, plus 1, for u uniform in [0, 1).
int jokeNumber(double u);

// `rows` is what a run keeps: the window's 1500, or vantrel-batch's --max-points beyond them.
std::string tooLargeMessage(int rows = 1500);
std::string notEnoughDataMessage();
std::string runtimeErrorReason();

// The joke, an empty line, and the reason.
std::string failureMessage(int jokeNumber, const std::string& reason);

} // namespace vantrel
