// Every open, read, create, write and rename that creating, verifying and
// comparing make, failed in turn, answered in every way OnReadError can
// answer. Whatever fails: the run ends with the code the answer calls for,
// OnBeginFile and OnEndFile stay paired, no digest is ever wrong, no partial
// list or temporary file is left, and an older list of the same name
// survives byte for byte.
#include "checker/checker_internal.h"
#include "checker_test_support.h"
#include "fault_sweep.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <map>

using namespace EngineTest;
using namespace FaultSweep;
using Platform::FileOperation;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

using Contents = std::map<std::string, std::string>; // name -> bytes

// The files of every run: one read, two reads, three reads (one of them in
// the middle of the file).
const Contents DataFiles{{"empty", ""},
                         {"small name.txt", std::string(100, 's')},
                         {"big.bin", std::string(CheckerDetail::HashReadSize + 70000, 'b')}};
const std::vector<std::string> Order{"empty", "small name.txt", "big.bin"};

enum class TAnswer { NoCallback, GiveUp, Abort, Retry, Skip };
constexpr TAnswer AllAnswers[] = {TAnswer::NoCallback, TAnswer::GiveUp, TAnswer::Abort,
                                  TAnswer::Retry, TAnswer::Skip};

const char* AnswerName(TAnswer answer) {
    switch (answer) {
    case TAnswer::NoCallback:
        return "no OnReadError";
    case TAnswer::GiveUp:
        return "answer 0";
    case TAnswer::Abort:
        return "abort";
    case TAnswer::Retry:
        return "retry";
    case TAnswer::Skip:
        return "skip";
    }
    return "?";
}

// The code a file ends with when its open or read failed once.
TCheckResult Outcome(TAnswer answer) {
    switch (answer) {
    case TAnswer::Abort:
        return crAborted;
    case TAnswer::Skip:
        return crSkipped;
    case TAnswer::Retry:
        return crOk;
    default:
        return crFailed;
    }
}

void Answer(TRecordingChecker& checker, TAnswer answer) {
    switch (answer) {
    case TAnswer::NoCallback:
        checker.OnReadError = nullptr;
        break;
    case TAnswer::GiveUp:
        checker.Answers = {0};
        break;
    case TAnswer::Abort:
        checker.Answers = {raAbort};
        break;
    case TAnswer::Retry:
        checker.Answers = {raRetry};
        break;
    case TAnswer::Skip:
        checker.Answers = {raSkip};
        break;
    }
}

// Every end follows the begin of the same file, and nothing is left open.
void ExpectBalanced(const std::vector<std::string>& events) {
    std::string open;
    for (const std::string& event : events) {
        if (event.rfind("begin ", 0) == 0) {
            EXPECT_EQ(open, "") << "begin while another file is open";
            open = event.substr(6);
        } else if (event.rfind("end ", 0) == 0) {
            EXPECT_EQ(event.substr(4), open) << "end without its begin";
            open.clear();
        }
    }
    EXPECT_EQ(open, "") << "a begin without its end";
}

// Every file of a directory with its bytes, read through the file layer.
Contents Snapshot(const TempDirectory& dir) {
    std::vector<Platform::DirectoryEntry> entries;
    EXPECT_TRUE(Platform::ListDirectory(dir.Dir(), entries));
    Contents contents;
    for (const auto& entry : entries)
        contents[entry.Name] = ReadAll(dir.Dir() + entry.Name);
    return contents;
}

std::string NameOf(const std::string& path) {
    return path.substr(path.find_last_of(Platform::PathSeparator) + 1);
}

// Runs a scenario once clean, then once for each of its calls failed, with
// each answer where the failed call was a file being hashed.
template <typename Scenario, typename Check> void Sweep(Scenario scenario, Check check) {
    std::vector<TCall> clean;
    {
        TCallLog log;
        scenario(log, TAnswer::NoCallback);
        ASSERT_FALSE(::testing::Test::HasFailure()) << "the clean run";
        clean = log.Calls;
    }
    ASSERT_FALSE(clean.empty());
    for (size_t number = 1; number <= clean.size(); ++number) {
        const TCall& failed = clean[number - 1];
        const bool asks = failed.Phase.rfind("hashing", 0) == 0;
        for (const TAnswer answer : AllAnswers) {
            if (!asks && answer != TAnswer::NoCallback)
                continue;
            SCOPED_TRACE(Describe(number, failed) + ", " + AnswerName(answer));
            TCallLog log(number);
            check(scenario(log, answer), failed, answer, clean, number);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

// --- Creating lists ----------------------------------------------------------------

struct TCreateRun {
    std::vector<TCheckResult> Added;
    bool Saved = false;
    std::string Reason;
    std::vector<std::string> Events;
    Contents Before, After;
};

class CreatingTest : public ::testing::TestWithParam<bool> {
protected:
    bool PerFile() const { return GetParam(); }

    TCreateRun Create(TCallLog& log, TAnswer answer) {
        TempDirectory dir;
        for (const auto& [name, content] : DataFiles)
            WriteFile(dir / name, content);
        // An older list where the new one goes, to survive any failure.
        WriteFile(dir / (PerFile() ? "small name.txt.md5" : "hashlist.md5"),
                  "; an older list\r\n0123 *kept\r\n\x01\xff");
        TCreateRun run;
        run.Before = Snapshot(dir);
        TRecordingChecker checker(dir.Dir(), haMd5);
        Answer(checker, answer);
        bool going = true;
        for (const std::string& name : Order) {
            log.Phase = "hashing " + name;
            run.Added.push_back(checker.AddFile(name));
            if (run.Added.back() == crFailed || run.Added.back() == crAborted) {
                going = false;
                break;
            }
        }
        if (going) {
            log.Phase = "saving";
            run.Saved = checker.SaveList("hashlist.md5", PerFile(), &run.Reason);
        }
        log.Phase = "done";
        run.Events = checker.Events;
        run.After = Snapshot(dir);
        return run;
    }

    // The list or lists of a save that left out the file Skipped.
    Contents WithoutEntry(const TCreateRun& clean, const std::string& skipped) const {
        Contents expected = clean.After;
        if (PerFile()) {
            const std::string list = skipped + ".md5";
            if (clean.Before.count(list) != 0)
                expected[list] = clean.Before.at(list);
            else
                expected.erase(list);
            return expected;
        }
        std::string& list = expected["hashlist.md5"];
        const size_t line = list.find(" *" + skipped + "\r\n");
        const size_t start = list.rfind('\n', line) + 1;
        list.erase(start, list.find('\n', line) + 1 - start);
        return expected;
    }
};

TEST_P(CreatingTest, EveryFailedCallEndsAsDocumentedAndLosesNoList) {
    TCreateRun clean;
    {
        TCallLog none;
        clean = Create(none, TAnswer::NoCallback);
        ASSERT_TRUE(clean.Saved) << clean.Reason;
        // Per file: an open and 1, 2 or 3 reads (the last finds nothing
        // beyond the size taken at the open); then create, write the header
        // and the lines, flush, rename: once, or once for each file.
        ASSERT_EQ(none.Calls.size(), 9u + (PerFile() ? 3u * 5u : 7u));
    }
    Sweep([&](TCallLog& log, TAnswer answer) { return Create(log, answer); },
          [&](const TCreateRun& run, const TCall& failed, TAnswer answer,
              const std::vector<TCall>& calls, size_t number) {
              ExpectBalanced(run.Events);
              if (failed.Phase == "saving") {
                  EXPECT_EQ(run.Added, clean.Added);
                  EXPECT_FALSE(run.Saved);
                  EXPECT_NE(run.Reason, "");
                  // Lists per file that were renamed into place before the
                  // failure are whole and new; the rest are as they were.
                  Contents expected = run.Before;
                  size_t renamed = 0;
                  for (size_t i = 0; i + 1 < number; ++i)
                      renamed += calls[i].Operation == FileOperation::Rename ? 1 : 0;
                  for (size_t i = 0; PerFile() && i < renamed; ++i)
                      expected[Order[i] + ".md5"] = clean.After.at(Order[i] + ".md5");
                  EXPECT_EQ(run.After, expected);
                  const std::string target =
                      PerFile() ? Order[renamed] + ".md5" : std::string("hashlist.md5");
                  EXPECT_NE(run.Reason.find(target), std::string::npos) << run.Reason;
                  return;
              }
              const std::string file = NameOf(failed.Path);
              const auto at =
                  static_cast<size_t>(std::find(Order.begin(), Order.end(), file) - Order.begin());
              ASSERT_LT(at, Order.size()) << "a call on a file the run does not hash";
              std::vector<TCheckResult> expected(Order.size(), crOk);
              expected[at] = Outcome(answer);
              if (Outcome(answer) == crFailed || Outcome(answer) == crAborted)
                  expected.resize(at + 1);
              EXPECT_EQ(run.Added, expected);
              if (answer == TAnswer::Retry)
                  EXPECT_EQ(run.After, clean.After); // the same digests, the same bytes
              else if (answer == TAnswer::Skip)
                  EXPECT_EQ(run.After, WithoutEntry(clean, file));
              else
                  EXPECT_EQ(run.After, run.Before);
          });
}

INSTANTIATE_TEST_SUITE_P(SingleAndPerFile, CreatingTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& parameter) {
                             return parameter.param ? "PerFile" : "Single";
                         });

// A failed save that cannot even remove its temporary file: the older list
// still survives, the leftover never takes a list's name, and the next save
// works.
TEST(CreatingFaults, TemporaryFileThatCannotBeRemovedNeverTakesTheListsPlace) {
    TempDirectory dir;
    WriteFile(dir / "a", "abc");
    WriteFile(dir / "hashlist.md5", "old");
    TFileChecker checker(dir.Dir());
    checker.Algorithm = haMd5;
    ASSERT_EQ(checker.AddFile("a"), crOk);
    {
        TFaultPlan plan;
        plan.FailCall(FileOperation::Write, 2);
        plan.FailCall(FileOperation::Remove, 1);
        std::string reason;
        EXPECT_FALSE(checker.SaveList("hashlist.md5", false, &reason));
        EXPECT_NE(reason.find("hashlist.md5: cannot be written: "), std::string::npos) << reason;
    }
    const Contents left = Snapshot(dir);
    EXPECT_EQ(left.at("hashlist.md5"), "old");
    ASSERT_EQ(left.size(), 3u);
    const std::string leftover = std::prev(left.end())->first;
    EXPECT_EQ(leftover.front(), '~') << leftover;

    ASSERT_TRUE(checker.SaveList("hashlist.md5", false));
    EXPECT_EQ(ReadAll(dir / "hashlist.md5"), "\r\n900150983cd24fb0d6963f7d28e17f72 *a\r\n");
}

// --- Verifying ------------------------------------------------------------------------

struct TVerifyRun {
    bool Loaded = false;
    int32_t Count = 0;
    TCheckResult Result = crOk;
    std::vector<std::string> Mismatches;
    int32_t Missing = -1, Skipped = -1;
    std::vector<std::string> Events;
    Contents Before, After;
};

// The list of the verifying runs, its digests taken before any fault is in
// place: empty, changed (a file that changed since), small name.txt, big.bin.
std::string VerifiedList() {
    static const std::string list = [] {
        TempDirectory dir;
        for (const auto& [name, content] : DataFiles)
            WriteFile(dir / name, content);
        TFileChecker digests(dir.Dir());
        digests.Algorithm = haMd5;
        for (const std::string& name : Order)
            EXPECT_EQ(digests.AddFile(name), crOk);
        digests.Items.insert(digests.Items.begin() + 1,
                             {"changed", "900150983cd24fb0d6963f7d28e17f72"});
        EXPECT_TRUE(digests.SaveList("hashlist.md5", false));
        return ReadAll(dir / "hashlist.md5");
    }();
    return list;
}

TVerifyRun Verify(TCallLog& log, TAnswer answer) {
    TempDirectory dir;
    for (const auto& [name, content] : DataFiles)
        WriteFile(dir / name, content);
    // Listed with the digest of "abc": no fault may make it pass.
    WriteFile(dir / "changed", "abd");
    WriteFile(dir / "hashlist.md5", VerifiedList());
    TVerifyRun run;
    run.Before = Snapshot(dir);
    TRecordingChecker checker(dir.Dir());
    Answer(checker, answer);
    log.Phase = "loading";
    run.Loaded = checker.LoadList("hashlist.md5");
    run.Count = checker.Count();
    if (run.Loaded) {
        log.Phase = "hashing listed files";
        run.Result = checker.VerifyAll(run.Mismatches, run.Missing, run.Skipped);
    }
    log.Phase = "done";
    run.Events = checker.Events;
    run.After = Snapshot(dir);
    return run;
}

TEST(VerifyingFaults, EveryFailedCallEndsAsDocumentedAndNeverPassesAChangedFile) {
    ASSERT_NE(VerifiedList(), "");
    Sweep(Verify, [](const TVerifyRun& run, const TCall& failed, TAnswer answer,
                     const std::vector<TCall>&, size_t) {
        ExpectBalanced(run.Events);
        EXPECT_EQ(run.After, run.Before); // verification writes nothing
        if (failed.Phase == "loading") {
            EXPECT_FALSE(run.Loaded);
            EXPECT_EQ(run.Count, 0);
            EXPECT_TRUE(run.Events.empty());
            return;
        }
        ASSERT_TRUE(run.Loaded);
        const std::string file = NameOf(failed.Path);
        // The list's order: empty, changed, small name.txt, big.bin.
        const bool changedDone = file != "empty" && file != "changed";
        switch (Outcome(answer)) {
        case crOk:
            EXPECT_EQ(run.Result, crOk);
            EXPECT_EQ(run.Mismatches, std::vector<std::string>{"changed"});
            EXPECT_EQ(run.Skipped, 0);
            break;
        case crSkipped:
            EXPECT_EQ(run.Result, crOk);
            EXPECT_EQ(run.Skipped, 1);
            EXPECT_EQ(run.Mismatches, file == "changed" ? std::vector<std::string>{}
                                                        : std::vector<std::string>{"changed"});
            break;
        default:
            EXPECT_EQ(run.Result, Outcome(answer));
            EXPECT_EQ(run.Skipped, 0);
            EXPECT_EQ(run.Mismatches, changedDone ? std::vector<std::string>{"changed"}
                                                  : std::vector<std::string>{});
        }
        EXPECT_EQ(run.Missing, 0);
    });
}

// --- Comparing ------------------------------------------------------------------------

struct TCompareRun {
    std::vector<TCheckResult> Results;
    std::vector<std::string> Events;
    std::string First, Second; // the two directories
};

const std::vector<std::string> Pairs{"same", "differs", "big.bin"};

TCompareRun Compare(TCallLog& log, TAnswer answer) {
    static const TempDirectory first, second;
    WriteFile(first / "same", "abc");
    WriteFile(second / "same", "abc");
    WriteFile(first / "differs", "abc");
    WriteFile(second / "differs", "abd");
    WriteFile(first / "big.bin", DataFiles.at("big.bin"));
    WriteFile(second / "big.bin", DataFiles.at("big.bin"));
    TCompareRun run{{}, {}, first.Dir(), second.Dir()};
    TRecordingChecker checker(first.Dir(), haSha1);
    Answer(checker, answer);
    for (const std::string& name : Pairs) {
        log.Phase = "hashing " + name;
        run.Results.push_back(checker.CompareFiles(first / name, second / name));
        if (run.Results.back() == crFailed || run.Results.back() == crAborted)
            break;
    }
    log.Phase = "done";
    run.Events = checker.Events;
    return run;
}

TEST(ComparingFaults, EveryFailedCallEndsAsDocumentedAndNeverCallsDifferentFilesEqual) {
    Sweep(Compare, [](const TCompareRun& run, const TCall& failed, TAnswer answer,
                      const std::vector<TCall>&, size_t) {
        ExpectBalanced(run.Events);
        const std::string file = NameOf(failed.Path);
        const auto at =
            static_cast<size_t>(std::find(Pairs.begin(), Pairs.end(), file) - Pairs.begin());
        ASSERT_LT(at, Pairs.size());
        std::vector<TCheckResult> expected{crOk, crMismatch, crOk};
        if (answer != TAnswer::Retry)
            expected[at] = Outcome(answer);
        if (Outcome(answer) == crFailed || Outcome(answer) == crAborted)
            expected.resize(at + 1);
        EXPECT_EQ(run.Results, expected);
        // A first file that could not be hashed leaves the second untouched.
        const bool inFirst = failed.Path.rfind(run.First, 0) == 0;
        const bool secondHashed = std::find(run.Events.begin(), run.Events.end(),
                                            "begin " + run.Second + file) != run.Events.end();
        if (inFirst && answer != TAnswer::Retry) {
            EXPECT_FALSE(secondHashed);
        }
    });
}

} // namespace
