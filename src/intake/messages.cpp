#include "intake/messages.h"

namespace vantrel {

namespace {

const char* const kJokes[kJokeCount] = {
    "Hey! Quit breaking me!",
    "Don't make me smack you with the keyboard.",
    "You got to be kidding.",
    "I'm a computer, not a friggin' magician.",
    "Yawn... wake me up when you know what the hell you are doing.",
    "Knock-knock. Hello!? Is there anybody in there?",
    "You want me to do what? I don't think so.",
    "What the f.?!",
    "Nice try, but...",
    "It ain't gonna happen.",
};

const char* const kCrLf = "\r\n";

} // namespace

const char* jokeText(int k) {
    return kJokes[(k >= 1 && k <= kJokeCount ? k : 1) - 1];
}

int jokeNumber(double u) {
    const int k = static_cast<int>(10 * u) + 1;
    return k < 1 ? 1 : (k > kJokeCount ? kJokeCount : k);
}

std::string tooLargeMessage(int rows) {
    return std::string("The data being pasted is too large.") + kCrLf + kCrLf + "You can correct this by selecting -" +
           kCrLf + " - less data." + kCrLf + " - only 1 column of data." + kCrLf + " - only " + std::to_string(rows) +
           " rows of data.";
}

std::string notEnoughDataMessage() {
    return std::string("There is not enough data.") + kCrLf + kCrLf + "You'll need at least 10 numbers of data.";
}

std::string runtimeErrorReason() {
    return std::string("You caused an error.") + kCrLf + kCrLf + "Try again.";
}

std::string failureMessage(int k, const std::string& reason) {
    return std::string(jokeText(k)) + kCrLf + kCrLf + reason;
}

} // namespace vantrel
