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
    std::string Out;
    std::string Err;
};

inline TRunResult Hashkeep(const std::vector<std::string>& args, bool terminal = false) {
    std::ostringstream out, err;
    const int status = RunHashkeep(args, out, err, terminal);
    return {status, out.str(), err.str()};
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace EngineTest
