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
// \r, \t, octal \033 for the rest) with the backslash itself doubled; where
// the path separator is the backslash it stays single unless the text needs
// escaping anyway. Other texts are shown as they are.
bool NeedsEscaping(std::string_view text);
std::string Escaped(std::string_view text);

// "1.5 MB", "320 kB", "12 B": decimal units, as the rate in MB/s.
std::string ShownBytes(uint64_t bytes);

// Where the tool talks. Out carries the results alone, one line per file as
// md5sum -c gives them, so that scripts can rely on it; Err carries the
// messages, the live progress line, and the headings, summaries and speed
// of a run when they are asked for. Results and messages are written on the
// caller's thread only.
class TConsole {
public:
    struct TSettings {
        bool DrawProgress = false; // Err is a terminal and -q was not given
        bool QuietOk = false;      // --quiet-ok: no line for a file that is fine
        bool StatusOnly = false;   // --status: nothing on Out at all
        bool Summaries = false;    // Err is a terminal, or -v
    };
    TConsole(std::ostream& out, std::ostream& err, TSettings settings);

    // "NAME: STATUS" on Out. As md5sum -c does, a line whose name needed
    // escaping starts with a backslash, so that a reader knows to unescape it.
    void Result(const std::string& name, const std::string& status, bool problem);
    // A heading, summary or speed line on Err, when Summaries are shown.
    void Summary(const std::string& text);
    // "hashkeep: TEXT" on Err, escaped.
    void Tell(const std::string& text);

    bool DrawsProgress() const { return Settings_.DrawProgress; }
    // Draws Text as the live line in place of the one drawn before.
    void DrawLive(const std::string& text);
    // Takes the live line away, leaving the cursor at the start of its row.
    void EraseLive();

private:
    // One whole line on Err, after what Out holds (they may share a pipe).
    void ToErr(const std::string& line);

    std::ostream& Out_;
    std::ostream& Err_;
    const TSettings Settings_;
    size_t LiveLength_ = 0; // characters of the live line on the screen
};

// One job of the pool: one file (creating, verifying) or one pair of files
// (comparing), and what a worker made of it.
struct THashJob {
    // What the job is about: the entry as listed (verifying: its name and
    // digest) or the file's name (creating, comparing); creating, the entry
    // made.
    TFileCheckerItem Item;
    TCheckResult Result = crOk;
    std::string Cause;                 // why the file was not hashed, without its name
    std::vector<std::string> Messages; // said on Err about the job as it ran, in order
    std::string MissingIn;             // comparing: the directory that lacks the file
    bool Unsourced = false;            // the job's item could not be had (Cause says why)
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

// The jobs of one run, 0 to Count - 1.
struct THashJobs {
    size_t Count = 0;
    // What the jobs will read in all, for the live line's time left.
    uint64_t Bytes = 0;
    // Fills in Job.Item for job Index. Called in job order, one job at a
    // time, as the workers take them: a list is read only as far as the
    // window of results ahead of the report needs. False, with Job.Cause,
    // when the item cannot be had: the job then fails unworked.
    std::function<bool(size_t index, THashJob& job)> Source;
    // Hashes the job's files with Checker, on a worker's thread.
    std::function<void(TFileChecker& checker, THashJob& job)> Work;
    // Takes the result of job Index on the calling thread; false stops the run.
    std::function<bool(size_t index, THashJob& job)> Report;
    // A job of one file may also come in two halves around its digest, so
    // that a worker computes the MD5 of small files 16 at once
    // (digest/md5_lanes.h): Read reads the file by the engine's rules
    // (TFileChecker::ReadItem, ReadFile) and gives true when its bytes wait
    // for their digest; Finish then completes the job from the digest. The
    // pool takes that way when both are given, the algorithm is MD5 and a
    // multi-buffer path is active.
    std::function<bool(TFileChecker& checker, uint64_t limit, TFileBytes& bytes, THashJob& job)>
        Read;
    std::function<void(const std::string& digest, THashJob& job)> Finish;
};

// Runs the jobs on the workers, each with a TFileChecker of its own made
// from Settings, and hands each result to Report on the calling thread in
// job order, whatever order they finished in; so what Report prints is what
// one worker would have printed. Report returning false stops the run: no
// further job starts, those under way are stopped at their next progress
// step, and no later result is reported. The jobs run ahead of Report by a
// bounded number, and each job's item lives from its Source to its Report,
// so memory stays bounded however long the list.
class THashPool {
public:
    THashPool(TConsole& console, THashPoolSettings settings);
    // False when Report stopped the run.
    bool Run(const THashJobs& jobs, TThroughput& throughput);

private:
    TConsole& Console_;
    const THashPoolSettings Settings_;
};

// What a worker of the pool takes its jobs from and hands its results to.
class TJobQueue {
public:
    enum TTake { tkJob, tkWindowFull, tkNoMore };
    // The next job, its item sourced and the worker's checker readied for
    // it (the byte counts of its files): tkJob; a job whose item cannot be
    // had is handed in failed without coming out. tkNoMore when no job is
    // left or the run stops. When as many results wait to be reported as the pool holds,
    // Wait waits for room; else tkWindowFull says so at once.
    virtual TTake Take(size_t& Job, THashJob& Result, bool Wait) = 0;
    virtual void Post(size_t Job, THashJob&& Result) = 0;
    // True once the run stops: results are no longer wanted.
    virtual bool Stopping() const = 0;
    virtual TFileChecker& Checker() = 0;

protected:
    ~TJobQueue() = default;
};

// A worker that computes MD5 digests in lanes (md5_lanes_scheduler.cpp):
// each lane takes a small file from Queue, read whole by Jobs.Read, and the
// next as soon as its digest is out; a larger file is hashed by the engine
// on its own; the last few files leave their lanes for the single stream.
void HashInLanes(TJobQueue& Queue, const THashJobs& Jobs);

// The cause of the file's failure that Checker.LastError gives, without the
// name that it begins with.
std::string CauseOf(const TFileChecker& checker, const std::string& name);

// The number of workers when -j is not given: the processors online.
unsigned DefaultWorkers();

} // namespace HashkeepCli
