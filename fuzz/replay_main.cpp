// A fuzz target as a regression test: every input in the folder given runs once, so that the
// target's checks over its committed corpus run with every test run, whatever the compiler.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    // An empty folder must not pass as a clean run; a mistyped one throws.
    if (argc != 2 || std::filesystem::is_empty(argv[1])) {
        return 1;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        // Named before it runs: a broken check aborts and leaves this as the last line.
        std::fprintf(stderr, "%s\n", entry.path().c_str());
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    return 0;
}
