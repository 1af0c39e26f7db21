// vantrel-batch's options and input: the input split at its first pair of NUL bytes into the arguments
// (separated by NUL bytes) and the bytes of standard input (a small series when there is no pair).
// Every run ends with one of the documented exit codes; a --plot gets the chart it asks for, whose
// layout must hold, and no file is written.
#include "fuzz_chart.h"

#include "batch/batch.h"
#include "views/chart_content.h"

#include <cstdint>
#include <sstream>
#include <vector>

namespace {

// Twelve points with CR LF ends.
constexpr const char* kSeries = "3.5\r\n-1\r\n2.25\r\n0\r\n4\r\n-2.5\r\n1e1\r\n3\r\n-0.5\r\n2\r\n1\r\n-3\r\n";

// A file argument would read whatever the input names: standard input stands in for every file.
std::string withoutFiles(const std::string& arg) {
    for (const char* writer : {"--plot", "--output-dir", "--long", "--summary"}) {
        if (arg.rfind(writer, 0) == 0) {
            return "--lf";
        }
    }
    return !arg.empty() && arg[0] != '-' ? "-" : arg;
}

// Draws nothing: checks the layout of the chart asked for.
std::string plotChecked(const vantrel::PlotRequest& request) {
    checkChart(vantrel::chartContentOf({request.state, request.table, request.model, request.dTexts, request.iTexts,
                                        vantrel::allResultColumns()}),
               request.width, request.height);
    return request.path.size() % 2 == 0 ? std::string() : "No space left on device";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find(std::string(2, '\0'));
    std::vector<std::string> args;
    std::istringstream fields(input.substr(0, split));
    for (std::string field; std::getline(fields, field, '\0');) {
        args.push_back(withoutFiles(field));
    }
    std::istringstream in(split == std::string::npos ? std::string(kSeries) : input.substr(split + 2));
    std::ostringstream out;
    std::ostringstream err;
    const int code = vantrel::runBatch(args, in, out, err, plotChecked);
    check(code == 0 || code == 2 || code == 3 || code == 4, "an exit code outside the documented ones",
          std::to_string(code));
    check(code == 0 ? !out.str().empty() : !err.str().empty(), "a run that says nothing");
    return 0;
}
