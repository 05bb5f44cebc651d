// What the sources of hashkeep share: names shown as GNU tools show them, the
// console the tool talks on (results, messages and the live progress line),
// and the pool of workers that hash files side by side and hand their
// results back in list order.
#pragma once

#include "checker/checker.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace HashkeepCli {

inline constexpr const char* ToolName = "hashkeep";

// A name from a list or a directory may hold control characters: printed raw,
// an escape sequence could erase the line that says FAILED or retitle the
// window. Such a text is shown as GNU tools show it: backslash escapes (\n,
// \r, \t, octal \033 for the rest, the C1 controls of UTF-8 too, \302\233)
// with the backslash itself doubled; where
// the path separator is the backslash it stays single unless the text needs
// escaping anyway. Other texts are shown as they are.
bool NeedsEscaping(std::string_view text);
std::string Escaped(std::string_view text);

// "1.5 MB", "320 kB", "12 B": decimal units, as the rate in MB/s.
std::string ShownBytes(uint64_t bytes);

// Where the tool talks. Results (one line per file, as md5sum -c gives them)
// and summaries go to Out; messages and the live progress line go to Err.
// Results and messages are written on the caller's thread only.
class TConsole {
public:
    struct TSettings {
        bool DrawProgress = false; // Err is a terminal and -q was not given
        bool QuietOk = false;      // --quiet-ok: no line for a file that is fine
        bool StatusOnly = false;   // --status: nothing on Out at all
    };
    TConsole(std::ostream& out, std::ostream& err, TSettings settings);

    // "NAME: STATUS". As md5sum -c does, a line whose name needed escaping
    // starts with a backslash, so that a reader knows to unescape it.
    void Result(const std::string& name, const std::string& status, bool problem);
    // A line of Out that is not about one file (a heading, a summary).
    void Line(const std::string& text);
    // "hashkeep: TEXT" on Err, escaped.
    void Tell(const std::string& text);

    bool DrawsProgress() const { return Settings_.DrawProgress; }
    // Draws Text as the live line in place of the one drawn before.
    void DrawLive(const std::string& text);
    // Takes the live line away, leaving the cursor at the start of its row.
    void EraseLive();

private:
    std::ostream& Out_;
    std::ostream& Err_;
    const TSettings Settings_;
    size_t LiveLength_ = 0; // characters of the live line on the screen
};

// What a worker made of one job: one file (creating, verifying) or one pair
// of files (comparing).
struct THashJob {
    TCheckResult Result = crOk;
    TFileCheckerItem Item;             // creating: the entry made
    std::string Cause;                 // why the file was not hashed, without its name
    std::vector<std::string> Messages; // said on Err about the job as it ran, in order
    std::string MissingIn;             // comparing: the directory that lacks the file
    uint64_t Files = 0, Bytes = 0;     // the job's files found, and their size (the pool's)
};

// What the whole command hashed, for the summary.
struct TThroughput {
    uint64_t Files = 0;
    uint64_t Bytes = 0;
    std::chrono::steady_clock::duration Time{};
};

struct THashPoolSettings {
    unsigned Workers = 1;
    bool AbortOnError = false; // --on-error abort: a file that cannot be read stops the run
    std::string BaseDir;
    uint32_t Algorithm = haNone;
    int32_t ModeMark = BinaryModeMarkValue;
};

// Runs jobs 0 to Count - 1 on the workers, each with a TFileChecker of its
// own made from Settings, and hands each result to Report on the calling
// thread in job order, whatever order they finished in; so what Report
// prints is what one worker would have printed. Report returning false stops
// the run: no further job starts, those under way are stopped at their next
// progress step, and no later result is reported. Paths gives the files a
// job reads (for the byte counts of the progress line and the summary).
// The jobs run ahead of Report by a bounded number, so memory stays bounded
// however long the list.
class THashPool {
public:
    using TWork = std::function<void(TFileChecker& checker, size_t job, THashJob& result)>;
    using TReport = std::function<bool(size_t job, THashJob& result)>;
    using TPaths = std::function<std::vector<std::string>(size_t job)>;

    THashPool(TConsole& console, THashPoolSettings settings);
    // False when Report stopped the run.
    bool Run(size_t count, const TPaths& paths, const TWork& work, const TReport& report,
             TThroughput& throughput);

private:
    TConsole& Console_;
    const THashPoolSettings Settings_;
};

// The cause of the file's failure that Checker.LastError gives, without the
// name that it begins with.
std::string CauseOf(const TFileChecker& checker, const std::string& name);

// The number of workers when -j is not given: the processors online.
unsigned DefaultWorkers();

} // namespace HashkeepCli
