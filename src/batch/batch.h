#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vantrel {

// Exit codes of vantrel-batch.
enum BatchExit { kBatchOk = 0, kBatchUsage = 2, kBatchRefused = 3, kBatchRuntimeError = 4 };

// Runs vantrel-batch with its arguments (without the program name): reads the series text from the file
// argument or from `in`, writes the result table to `out`, messages to `err`. Returns the exit code.
int runBatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace vantrel
