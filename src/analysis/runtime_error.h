#pragma once

#include <stdexcept>
#include <string>

namespace vantrel {

// The one exception type of every run-time error in the analysis: arithmetic that overflows,
// or is invalid (logarithm of a non-positive number, 0/0, a division by zero). The command that
// started the run catches it once and takes its failure path.
class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void raiseOverflow(const char* where) {
    throw RuntimeError(std::string("overflow in ") + where);
}

[[noreturn]] inline void raiseInvalidArgument(const char* where) {
    throw RuntimeError(std::string("invalid argument in ") + where);
}

// A finite result passes through; infinity or NaN is the overflow error of that operation.
inline double checkedResult(double value, const char* where) {
    if (value - value != 0.0) {
        raiseOverflow(where);
    }
    return value;
}

// Natural logarithm with the program's rule: zero or a negative argument is an invalid argument.
double checkedLog(double x, const char* where);

} // namespace vantrel
