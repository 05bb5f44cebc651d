// Runs the command-line tool in-process, as a user would from a shell, and
// keeps what it printed. Every run waits on the tool's workers, with a time
// limit: a run that hangs fails its test program.
#pragma once

#include "hashkeep_cli.h"
#include "platform/files.h"
#include "watchdog.h"

#include <sstream>
#include <string>
#include <vector>

namespace EngineTest {

struct TRunResult {
    int Status = -1;
    std::string Out;
    std::string Err;        // without the closing line of bytes and time, which no two runs share
    std::string Throughput; // that line: "hashed 3 files (100.0 kB) in 0.01 s, 9.6 MB/s"
};

inline TRunResult Hashkeep(const std::vector<std::string>& args, bool terminal = false,
                           const std::string& input = {}) {
    std::istringstream in(input);
    std::ostringstream out, err;
    int status = -1;
    {
        const TestSupport::TTimeLimit limit("hashkeep " + (args.empty() ? "" : args.front()));
        status = RunHashkeep(args, in, out, err, terminal);
    }
    TRunResult result{status, out.str(), err.str(), {}};
    const size_t start = result.Err.rfind("hashed ");
    if (start != std::string::npos && (start == 0 || result.Err[start - 1] == '\n')) {
        const size_t end = result.Err.find('\n', start);
        result.Throughput = result.Err.substr(start, end - start + 1);
        result.Err.erase(start, end - start + 1);
    }
    return result;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Lists as this build's hashkeep writes them: in the classic form (CR LF,
// the header line first) on Windows, as sha256sum writes them (LF)
// elsewhere.
inline const std::string ListLineEnd = Platform::CrLfLineEnds ? "\r\n" : "\n";
inline std::string ListText(const std::vector<std::string>& lines) {
    std::string text = Platform::CrLfLineEnds ? ListLineEnd : "";
    for (const std::string& line : lines)
        text += line + ListLineEnd;
    return text;
}

} // namespace EngineTest
