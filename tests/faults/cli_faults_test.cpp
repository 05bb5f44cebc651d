// hashkeep under the same sweep: each open, read, create, write and rename
// of a create, verify and compare run failed in turn. The exit status is 1
// when a file was skipped and 2 when the run stopped or no list could be
// written; the message names the file and the cause; the older list survives
// and no temporary file is left.

#include "checker_test_support.h"
#include "fault_sweep.h"
#include "hashkeep_run.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace EngineTest;
using namespace FaultSweep;
using Platform::FileOperation;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

std::string NameOfPath(const std::string& path) {
    return path.substr(path.find_last_of(Platform::PathSeparator) + 1);
}

// A list without the line of one name.
std::string WithoutLine(std::string list, const std::string& name) {
    const size_t line = list.find(" *" + name + ListLineEnd);
    if (line != std::string::npos) {
        const size_t start = list.rfind('\n', line) + 1;
        list.erase(start, list.find('\n', line) + 1 - start);
    }
    return list;
}

// An older MD5 list, which create may replace (it replaces nothing else).
const std::string OldList = "; an older list\r\n00112233445566778899aabbccddeeff *kept\r\n";

class HashkeepFaults : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(Dir / "a.txt", "alpha");
        WriteFile(Dir / "big.bin", std::string(70000, 'b'));
        WriteFile(Other / "a.txt", "alpha");
        WriteFile(Other / "big.bin", std::string(70000, 'b'));
        Cause = InjectedCause();
    }

    // The calls of one clean run of Args, with what each was about.
    std::vector<TCall> CleanCalls(const std::vector<std::string>& args) {
        TCallLog log;
        log.Phase = "running";
        const TRunResult result = Hashkeep(args);
        EXPECT_EQ(result.Status, HashkeepAllWell) << result.Err;
        return log.Calls;
    }

    std::vector<std::string> Names() { return EngineTest::Names(Dir.Path()); }

    TempDirectory Dir, Other;
    std::string Cause;
};

TEST_F(HashkeepFaults, CreateReportsEveryFailureAndKeepsTheOlderList) {
    const std::vector<std::string> create{"create",  "-q",    "-j1",    "-C",
                                          Dir.Dir(), "a.txt", "big.bin"};
    WriteFile(Dir / "hashlist.md5", OldList);
    const std::vector<TCall> calls = CleanCalls(create);
    // The older list read to see that it is one (an open, 2 reads); each
    // file (an open, 2 reads); then create, a write per line (the header
    // line only in the classic form), flush, rename.
    const size_t lines = ListText({}).empty() ? 2u : 3u;
    ASSERT_EQ(calls.size(), 3u + 3u + 3u + 1u + lines + 2u);
    const std::string written = ReadAll(Dir / "hashlist.md5");
    ASSERT_NE(written, OldList);
    const std::vector<std::string> names = Names();

    for (const bool abort : {false, true}) {
        // Skipping, --force lets the list lose the file skipped (and the
        // older list's entry).
        std::vector<std::string> args = create;
        args.insert(args.begin() + 1, abort ? "--on-error=abort" : "--force");
        for (size_t number = 1; number <= calls.size(); ++number) {
            const TCall& failed = calls[number - 1];
            SCOPED_TRACE(Describe(number, failed) + (abort ? ", --on-error abort" : ""));
            WriteFile(Dir / "hashlist.md5", OldList);
            TRunResult result;
            {
                TCallLog log(number);
                result = Hashkeep(args);
            }
            EXPECT_EQ(Names(), names) << "no temporary file";
            const std::string list = ReadAll(Dir / "hashlist.md5");
            const bool reading =
                failed.Operation == FileOperation::Open || failed.Operation == FileOperation::Read;
            if (reading && failed.Path == Dir / "hashlist.md5") {
                // What cannot be read cannot be known to be a list.
                EXPECT_EQ(result.Status, HashkeepFailed);
                EXPECT_TRUE(Contains(result.Err, (Dir / "hashlist.md5") + ": not replaced: "))
                    << result.Err;
                EXPECT_TRUE(Contains(result.Err, Cause)) << result.Err;
                EXPECT_EQ(list, OldList);
            } else if (reading) {
                EXPECT_TRUE(Contains(result.Err, failed.Path + ": cannot be read: " + Cause))
                    << result.Err;
                if (abort) {
                    EXPECT_EQ(result.Status, HashkeepFailed);
                    EXPECT_EQ(list, OldList);
                } else {
                    // Skipped: the list holds the other file, and says so.
                    EXPECT_EQ(result.Status, HashkeepProblemsFound);
                    EXPECT_EQ(list, WithoutLine(written, NameOfPath(failed.Path)));
                }
            } else {
                EXPECT_EQ(result.Status, HashkeepFailed);
                EXPECT_TRUE(
                    Contains(result.Err, "create: " + (Dir / "hashlist.md5") + ": cannot be "))
                    << result.Err;
                EXPECT_TRUE(Contains(result.Err, Cause)) << result.Err;
                EXPECT_EQ(list, OldList);
            }
            if (result.Status == HashkeepFailed) {
                EXPECT_EQ(result.Out, "") << "no list was written";
            }
        }
    }
}

TEST_F(HashkeepFaults, VerifyReportsEveryFailureNamingTheFile) {
    ASSERT_EQ(Hashkeep({"create", "-q", "-C", Dir.Dir(), "a.txt", "big.bin"}).Status,
              HashkeepAllWell);
    const std::string list = Dir / "hashlist.md5";
    const std::vector<TCall> calls = CleanCalls({"verify", "-j1", list});
    // The list to its end, then again as far as it was checked (an open, a
    // read); then each file.
    ASSERT_EQ(calls.size(), 3u + 2u + 3u + 3u);
    for (const bool abort : {false, true}) {
        for (size_t number = 1; number <= calls.size(); ++number) {
            const TCall& failed = calls[number - 1];
            SCOPED_TRACE(Describe(number, failed) + (abort ? ", --on-error abort" : ""));
            TRunResult result;
            {
                TCallLog log(number);
                result = abort ? Hashkeep({"verify", "-v", "-j1", "--on-error", "abort", list})
                               : Hashkeep({"verify", "-v", "-j1", list});
            }
            if (failed.Path == list) {
                EXPECT_EQ(result.Status, HashkeepFailed);
                EXPECT_TRUE(Contains(result.Err, list + ": not a usable hash list: cannot be "));
                EXPECT_TRUE(Contains(result.Err, Cause)) << result.Err;
                continue;
            }
            EXPECT_TRUE(Contains(result.Err, failed.Path + ": cannot be read: " + Cause))
                << result.Err;
            if (abort) {
                EXPECT_EQ(result.Status, HashkeepFailed);
                EXPECT_TRUE(Contains(result.Err, "verify: stopped at ")) << result.Err;
            } else {
                EXPECT_EQ(result.Status, HashkeepProblemsFound);
                EXPECT_TRUE(Contains(result.Out, NameOfPath(failed.Path) + ": SKIPPED\n"));
                EXPECT_TRUE(Contains(result.Err, "0 FAILED, 0 missing, 1 skipped")) << result.Err;
            }
        }
    }
}

TEST_F(HashkeepFaults, CompareReportsEveryFailureNamingTheFile) {
    const std::vector<std::string> compare{"compare", "-v",      "-j1",      "-a",
                                           "crc32",   Dir.Dir(), Other.Dir()};
    const std::vector<TCall> calls = CleanCalls(compare);
    ASSERT_EQ(calls.size(), 2u * (3u + 3u)); // per file an open and 2 reads
    for (size_t number = 1; number <= calls.size(); ++number) {
        const TCall& failed = calls[number - 1];
        SCOPED_TRACE(Describe(number, failed));
        TRunResult result;
        {
            TCallLog log(number);
            result = Hashkeep(compare);
        }
        EXPECT_EQ(result.Status, HashkeepProblemsFound);
        EXPECT_TRUE(Contains(result.Err, failed.Path + ": cannot be read: " + Cause)) << result.Err;
        EXPECT_TRUE(Contains(result.Out, NameOfPath(failed.Path) + ": SKIPPED\n")) << result.Out;
        EXPECT_TRUE(Contains(result.Err, "2 files compared: 0 different, 0 missing, 1 skipped"))
            << result.Err;
    }
}

} // namespace
