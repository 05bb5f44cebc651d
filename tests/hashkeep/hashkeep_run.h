// Runs the command-line tool in-process, as a user would from a shell, and
// keeps what it printed.
#pragma once

#include "hashkeep_cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace EngineTest {

struct TRunResult {
    int Status = -1;
    std::string Out; // without the closing line of bytes and time, which no two runs share
    std::string Err;
    std::string Throughput; // that line: "hashed 3 files (100.0 kB) in 0.01 s, 9.6 MB/s"
};

inline TRunResult Hashkeep(const std::vector<std::string>& args, bool terminal = false) {
    std::ostringstream out, err;
    const int status = RunHashkeep(args, out, err, terminal);
    TRunResult result{status, out.str(), err.str(), {}};
    const size_t last = result.Out.rfind('\n', result.Out.size() < 2 ? 0 : result.Out.size() - 2);
    const size_t start = last == std::string::npos ? 0 : last + 1;
    if (result.Out.compare(start, 7, "hashed ") == 0) {
        result.Throughput = result.Out.substr(start);
        result.Out.erase(start);
    }
    return result;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace EngineTest
