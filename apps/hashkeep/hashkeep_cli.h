// hashkeep, the command-line tool on the plug-in's engine: create, verify and
// compare hash lists the way md5sum and rhash users expect.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses.
inline constexpr int HashkeepAllWell = 0;
inline constexpr int HashkeepProblemsFound = 1; // a file mismatched, was missing or skipped
inline constexpr int HashkeepFailed = 2;        // usage error, bad list, failed or aborted run

// Runs one command line (without the program name). Results go to Out,
// messages, progress and the counts to Err; progress is drawn, and the
// counts shown without -v, only when ErrIsTerminal. A list named '-' is
// read from In (without In: an empty one). Never throws.
int RunHashkeep(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
                std::ostream& Err, bool ErrIsTerminal = false);
int RunHashkeep(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err,
                bool ErrIsTerminal = false);
