// vantrel-batch's options: the input split at NUL bytes into arguments, a small series on standard
// input. Every run ends with one of the documented exit codes.
#include "fuzz_check.h"

#include "batch/batch.h"

#include <cstdint>
#include <sstream>
#include <vector>

namespace {

// Twelve points with CR LF ends: a whole run costs little even with many passes.
constexpr const char* kSeries = "3.5\r\n-1\r\n2.25\r\n0\r\n4\r\n-2.5\r\n1e1\r\n3\r\n-0.5\r\n2\r\n1\r\n-3\r\n";

// A file argument would read whatever the input names: standard input stands in for every file. An
// option that writes files is left out.
std::string withoutFiles(const std::string& arg) {
    for (const char* writer : {"--plot", "--output-dir", "--long", "--summary"}) {
        if (arg.rfind(writer, 0) == 0) {
            return "--lf";
        }
    }
    return !arg.empty() && arg[0] != '-' ? "-" : arg;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::istringstream fields(std::string(reinterpret_cast<const char*>(data), size));
    for (std::string field; std::getline(fields, field, '\0');) {
        args.push_back(withoutFiles(field));
    }
    std::istringstream in(kSeries);
    std::ostringstream out;
    std::ostringstream err;
    const int code = vantrel::runBatch(args, in, out, err);
    check(code == 0 || code == 2 || code == 3 || code == 4, "an exit code outside the documented ones",
          std::to_string(code));
    return 0;
}
