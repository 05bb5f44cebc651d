// Feeds every file of the named files and directories to the fuzz target's
// entry point, without libFuzzer: the seeds and the reproducers of past
// findings become a normal test in every build, under Wine too.
#include "fuzz_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        const fs::path named(argv[i]);
        if (fs::is_directory(named, error)) {
            for (const auto& entry : fs::recursive_directory_iterator(named, error))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (fs::is_regular_file(named, error)) {
            inputs.push_back(named);
        } else {
            std::cerr << argv[i] << ": no such file or directory\n";
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        std::cout << input.filename().string() << " (" << bytes.size() << " bytes)\n" << std::flush;
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    // An empty replay would pass without testing anything.
    std::cout << inputs.size() << " inputs replayed\n";
    return inputs.empty() ? 1 : 0;
}
