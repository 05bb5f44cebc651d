// Hashing one file through every road of the reading loop: progress, aborts,
// open and read failures answered in each way, and the operations built on
// it (adding, verifying, comparing).
#include "checker/checker_internal.h"
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace EngineTest;
using Platform::FileOperation;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;
using Events = std::vector<std::string>;

namespace {

constexpr const char* AbcMd5 = "900150983cd24fb0d6963f7d28e17f72";

// With HASHKEEP_TEST_READ_WHOLE set (a CTest entry of its own), files are
// read whole by ReadItem and digested here, as the command-line tool's MD5
// lanes take them: every rule of a file hashed must hold for them too.
bool ReadWhole() {
    static const bool readWhole = std::getenv("HASHKEEP_TEST_READ_WHOLE") != nullptr;
    return readWhole;
}

class HashingTest : public ::testing::Test {
protected:
    TempDirectory Dir;
    TRecordingChecker Checker{Dir.Dir()};
    TFaultPlan Faults;

    TCheckResult Hash(const std::string& name, std::string& hash) {
        TFileCheckerItem item{name, "stale"};
        if (!ReadWhole()) {
            const TCheckResult result = Checker.HashItem(item);
            hash = item.Hash;
            return result;
        }
        TFileBytes bytes;
        const TCheckResult result = Checker.ReadItem(item, UINT64_MAX, bytes);
        hash = item.Hash;
        if (result == crOk) {
            EXPECT_EQ(hash, "") << "a file read whole is left for its reader to digest";
            hash = DigestOf(bytes.Data(), bytes.Size());
        }
        return result;
    }

    std::string DigestOf(const void* data, uint64_t size) const {
        CheckerDetail::TDigestRunner digest;
        digest.Start(Checker.Algorithm);
        for (uint64_t done = 0; done < size; done += 65535)
            digest.Update(static_cast<const uint8_t*>(data) + done,
                          static_cast<uint16_t>(std::min<uint64_t>(size - done, 65535)));
        return digest.Finish();
    }
};

TEST_F(HashingTest, EmptyFileGetsTheDigestOfNoBytesAndNoProgress) {
    WriteFile(Dir / "empty", "");
    for (const auto& [algorithm, digest] : std::vector<std::pair<uint32_t, std::string>>{
             {haCrc32, "00000000"},
             {haMd5, "d41d8cd98f00b204e9800998ecf8427e"},
             {haSha1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"}}) {
        Checker.Algorithm = algorithm;
        Checker.Events.clear();
        std::string hash;
        EXPECT_EQ(Hash("empty", hash), crOk);
        EXPECT_EQ(hash, digest);
        EXPECT_EQ(Checker.Events, (Events{"begin empty", "end empty"}));
    }
    // One read each, to see that there is nothing beyond the size of 0.
    EXPECT_EQ(Faults.Calls(FileOperation::Read), 3);
}

// Files are read in big pieces, but progress comes as the classic loop of
// 32768-byte reads gave it: the same percentages after the same bytes, so
// the host's progress box and Esc poll come exactly as often as before.
TEST_F(HashingTest, ProgressIsReportedAtEveryWholePercentThatChanges) {
    const uint64_t piece = CheckerDetail::HashReadSize;
    for (const uint64_t size : {uint64_t{100}, uint64_t{98304}, 3 * piece + 5, piece - 1}) {
        SCOPED_TRACE(size);
        std::string content(static_cast<size_t>(size), 'x');
        for (size_t i = 0; i < content.size(); i += 4099)
            content[i] = static_cast<char>(i / 4099); // a piece out of place shows
        WriteFile(Dir / "f", content);
        Events expected{"begin f"};
        int32_t last = 0;
        for (uint64_t at = 0; at < size;) {
            at = std::min<uint64_t>(at + 32768, size);
            const auto percent = static_cast<int32_t>(double(at * 100) / double(size));
            if (percent != last)
                expected.push_back("progress " + std::to_string(last = percent));
        }
        expected.push_back("end f");
        Checker.Events.clear();
        std::string hash;
        EXPECT_EQ(Hash("f", hash), crOk);
        EXPECT_EQ(Checker.Events, expected);
        EXPECT_EQ(hash, DigestOf(content.data(), content.size()));
    }
    EXPECT_EQ(Checker.TokensSeen.back(), Checker.Token);
}

TEST_F(HashingTest, AbortAtTheFirstReportLeavesNoDigestAndNoEntry) {
    WriteFile(Dir / "big", std::string(98304, 'x'));
    Checker.AbortAtPercent = 0;
    std::string hash;
    EXPECT_EQ(Hash("big", hash), crAborted);
    EXPECT_EQ(hash, "");
    EXPECT_EQ(Checker.Events, (Events{"begin big", "progress 33", "end big"}));

    EXPECT_EQ(Checker.AddFile("big"), crAborted);
    EXPECT_EQ(Checker.Count(), 0);
}

TEST_F(HashingTest, OpenFailureAnsweredRetryThenSucceeds) {
    WriteFile(Dir / "abc.txt", "abc");
    Faults.FailCall(FileOperation::Open, 1);
    Checker.Answers = {raRetry};
    std::string hash;
    EXPECT_EQ(Hash("abc.txt", hash), crOk);
    EXPECT_EQ(hash, AbcMd5);
    EXPECT_EQ(Checker.Events,
              (Events{"error abc.txt", "begin abc.txt", "progress 100", "end abc.txt"}));
    EXPECT_EQ(Faults.Calls(FileOperation::Open), 2);
}

TEST_F(HashingTest, OpenFailureEndsAsTheAnswerSays) {
    WriteFile(Dir / "locked", "abc");
    Faults.FailPath(FileOperation::Open, "locked");
    const std::vector<std::pair<int32_t, TCheckResult>> answers{
        {raSkip, crSkipped}, {raAbort, crAborted}, {0, crFailed}, {7, crFailed}};
    for (const auto& [answer, expected] : answers) {
        Checker.Events.clear();
        Checker.Answers = {answer};
        std::string hash;
        EXPECT_EQ(Hash("locked", hash), expected) << "answer " << answer;
        EXPECT_EQ(hash, "");
        // A file never opened gets neither begin nor end.
        EXPECT_EQ(Checker.Events, Events{"error locked"});
    }

    TFileChecker silent(Dir.Dir());
    silent.Algorithm = haMd5;
    TFileCheckerItem item{"locked", ""};
    EXPECT_EQ(silent.HashItem(item), crFailed);
}

TEST_F(HashingTest, ReadFailureAnsweredRetryGoesOnAsIfNothingFailed) {
    WriteFile(Dir / "abc.txt", "abc");
    Faults.FailCall(FileOperation::Read, 1);
    Checker.Answers = {raRetry};
    std::string hash;
    EXPECT_EQ(Hash("abc.txt", hash), crOk);
    EXPECT_EQ(hash, AbcMd5);
    EXPECT_EQ(Checker.Events,
              (Events{"begin abc.txt", "error abc.txt", "progress 100", "end abc.txt"}));
}

TEST_F(HashingTest, ReadFailureSkippedOrUnansweredStillEndsTheFile) {
    // Two reads: the second fails after progress up to 93%.
    WriteFile(Dir / "f", std::string(CheckerDetail::HashReadSize + 70000, 'z'));
    Faults.FailCall(FileOperation::Read, 2);
    Checker.Answers = {raSkip};
    std::string hash;
    EXPECT_EQ(Hash("f", hash), crSkipped);
    EXPECT_EQ(hash, "");
    EXPECT_EQ(Events(Checker.Events.end() - 3, Checker.Events.end()),
              (Events{"progress 93", "error f", "end f"}));

    Checker.OnReadError = nullptr;
    Checker.Events.clear();
    Faults.FailCall(FileOperation::Read, 3);
    EXPECT_EQ(Hash("f", hash), crFailed);
    EXPECT_EQ(Checker.Events, (Events{"begin f", "end f"}));
}

TEST_F(HashingTest, RefusesBeforeOpeningWhatCannotBeHashed) {
    WriteFile(Dir / "a", "abc");
    std::string hash;
    for (const uint32_t algorithm : std::vector<uint32_t>{haNone, 3, 16}) {
        Checker.Algorithm = algorithm;
        EXPECT_EQ(Hash("a", hash), crFailed) << algorithm;
        EXPECT_EQ(hash, "stale");
    }
    Checker.Algorithm = haMd5;
    EXPECT_EQ(Hash("", hash), crFailed);
    EXPECT_EQ(Hash("missing", hash), crMissing);
    EXPECT_EQ(hash, "stale");
    std::filesystem::create_directory(Dir.Path() / "sub");
    EXPECT_EQ(Hash("sub", hash), crMissing);
    EXPECT_EQ(Faults.Calls(FileOperation::Open), 0);
    EXPECT_TRUE(Checker.Events.empty());
}

#ifndef _WIN32
// On Windows nobody may write a file while it is hashed; elsewhere it can
// change under the reader. A content that does not match the size taken at
// the open (grown or shrunk at 33%, grown by a byte after the last read) is a
// read error of that file, asked once it is closed; a retry hashes it afresh.
TEST_F(HashingTest, ContentThatDoesNotMatchItsSizeIsNeverGivenADigest) {
    const std::string path = Dir / "f";
    for (const auto& [at, size] : {std::pair{33, 150000}, {33, 40000}, {100, 98305}}) {
        for (const auto& [answer, expected] : {std::pair<int32_t, TCheckResult>{raSkip, crSkipped},
                                               {raAbort, crAborted},
                                               {0, crFailed},
                                               {raRetry, crOk}}) {
            SCOPED_TRACE(std::to_string(size) + " at " + std::to_string(at) + "%, answer " +
                         std::to_string(answer));
            WriteFile(path, std::string(98304, 'g'));
            Checker.DuringProgress = [&, at = at, size = size](int32_t percent) {
                if (percent == at && std::filesystem::file_size(path) == 98304)
                    std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
            };
            Checker.Answers = {answer};
            Checker.Events.clear();
            std::string hash, again;
            EXPECT_EQ(Hash("f", hash), expected);
            EXPECT_EQ(Checker.LastError, "f: changed size while it was read");
            const auto asked = std::find(Checker.Events.begin(), Checker.Events.end(), "error f");
            EXPECT_TRUE(asked != Checker.Events.begin() && asked != Checker.Events.end() &&
                        *(asked - 1) == "end f");
            ASSERT_EQ(Hash("f", again), crOk);
            EXPECT_EQ(hash, expected == crOk ? again : "");
        }
    }
}
#endif

// What is no regular file is refused as a read error naming what it is,
// before a byte is read and without waiting (a FIFO without a writer would
// hold an open or a read forever); a Windows device name is never even
// opened; a pseudo-file whose size reads as 0 holds more than that.
TEST_F(HashingTest, OnlyRegularFilesAreHashed) {
    std::vector<std::pair<std::string, std::string>> cases;
#ifdef _WIN32
    for (const char* name :
         {"NUL", "nul.txt", "Con", "aux.md5", "COM1", "lpt9.sfv", "prn", "nul .txt", "CONIN$"})
        cases.emplace_back(name, "a device name, not a file");
    EXPECT_FALSE(Platform::IsDeviceName("console.txt") || Platform::IsDeviceName("com10"));
#else
    ASSERT_EQ(::mkfifo((Dir / "fifo").c_str(), 0600), 0);
    cases = {{"fifo", "not a regular file (a FIFO)"},
             {"/dev/null", "not a regular file (a character device)"},
             {"/dev/zero", "not a regular file (a character device)"},
             {"/proc/self/status", "changed size while it was read"}};
#endif
    for (const auto& [name, cause] : cases) {
        Checker.Events.clear();
        Checker.Answers = {raSkip};
        std::string hash;
        EXPECT_EQ(Hash(name, hash), crSkipped) << name;
        EXPECT_EQ(hash, "");
        EXPECT_EQ(Checker.LastError, name + ": " + cause);
        EXPECT_EQ(Checker.Events.front(),
                  (name.rfind("/proc", 0) == 0 ? "begin " : "error ") + name);
    }
}

TEST_F(HashingTest, AddFileAppendsOnlyWhatWasHashed) {
    WriteFile(Dir / "abc.txt", "abc");
    EXPECT_EQ(Checker.AddFile("abc.txt"), crOk);
    ASSERT_EQ(Checker.Count(), 1);
    EXPECT_EQ(Checker.Items[0].FileName, "abc.txt");
    EXPECT_EQ(Checker.Items[0].Hash, AbcMd5);

    // AddFile joins BaseDir and the name as they are: an absolute name is no
    // file there.
    Checker.Events.clear();
    EXPECT_EQ(Checker.AddFile(Dir / "abc.txt"), crFailed);
    EXPECT_EQ(Checker.AddFile("nothing"), crFailed);
    EXPECT_TRUE(Checker.Events.empty());

    Faults.FailPath(FileOperation::Open, "abc.txt");
    Checker.Answers = {raSkip};
    EXPECT_EQ(Checker.AddFile("abc.txt"), crSkipped);
    EXPECT_EQ(Checker.Count(), 1);
}

class VerifyingTest : public HashingTest {
protected:
    void SetUp() override {
        WriteFile(Dir / "ok", "abc");
        WriteFile(Dir / "bad1", "abd");
        WriteFile(Dir / "locked", "abc");
        WriteFile(Dir / "bad2", "");
        Faults.FailPath(FileOperation::Open, "locked");
        Checker.Items = {{"ok", "900150983CD24FB0D6963F7D28E17F72"},
                         {"bad1", AbcMd5},
                         {"gone", AbcMd5},
                         {"locked", AbcMd5},
                         {"bad2", std::string(AbcMd5) + "0"}};
    }
};

TEST_F(VerifyingTest, VerifyItemComparesWithoutCaseAndNeverChangesTheEntry) {
    EXPECT_EQ(Checker.VerifyItem(0), crOk);
    EXPECT_EQ(Checker.VerifyItem(1), crMismatch);
    EXPECT_EQ(Checker.VerifyItem(2), crMissing);
    EXPECT_EQ(Checker.Items[0].Hash, "900150983CD24FB0D6963F7D28E17F72");
    Checker.Events.clear();
    EXPECT_EQ(Checker.VerifyItem(-1), crMissing);
    EXPECT_EQ(Checker.VerifyItem(Checker.Count()), crMissing);
    EXPECT_TRUE(Checker.Events.empty());
}

TEST_F(VerifyingTest, VerifyAllGathersMismatchesAndCountsTheRest) {
    Checker.Answers = {raSkip};
    std::vector<std::string> mismatches{"left over"};
    int32_t missing = -1, skipped = -1;
    EXPECT_EQ(Checker.VerifyAll(mismatches, missing, skipped), crOk);
    EXPECT_EQ(mismatches, (std::vector<std::string>{"bad1", "bad2"}));
    EXPECT_EQ(missing, 1);
    EXPECT_EQ(skipped, 1);
}

TEST_F(VerifyingTest, VerifyAllStopsAtAnAbortKeepingWhatItGathered) {
    std::swap(Checker.Items[2], Checker.Items[3]); // the locked file comes third
    Checker.Answers = {raAbort};
    std::vector<std::string> mismatches;
    int32_t missing = -1, skipped = -1;
    EXPECT_EQ(Checker.VerifyAll(mismatches, missing, skipped), crAborted);
    EXPECT_EQ(mismatches, std::vector<std::string>{"bad1"});
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(skipped, 0);
}

TEST_F(HashingTest, CompareFilesHashesTheSecondOnlyWhenTheFirstWorked) {
    WriteFile(Dir / "a", "same");
    WriteFile(Dir / "b", "same");
    WriteFile(Dir / "c", "other");
    EXPECT_EQ(Checker.CompareFiles(Dir / "a", Dir / "b"), crOk);
    EXPECT_EQ(Checker.CompareFiles(Dir / "a", Dir / "c"), crMismatch);
    EXPECT_EQ(Checker.CompareFiles(Dir / "a", Dir / "gone"), crMissing);

    Checker.Events.clear();
    EXPECT_EQ(Checker.CompareFiles(Dir / "gone", Dir / "b"), crMissing);
    Faults.FailPath(FileOperation::Open, Dir / "a");
    Checker.Answers = {raSkip};
    EXPECT_EQ(Checker.CompareFiles(Dir / "a", Dir / "b"), crSkipped);
    EXPECT_EQ(Checker.Events, Events{"error " + (Dir / "a")});
}

TEST(ExpandName, AbsoluteNamesStandAndOthersGoBelowBaseDir) {
#ifdef _WIN32
    TFileChecker checker("C:\\work");
    EXPECT_EQ(checker.BaseDir, "C:\\work\\");
    EXPECT_EQ(checker.ExpandName("D:\\x.md5"), "D:\\x.md5");
    EXPECT_EQ(checker.ExpandName("\\\\srv\\share\\x"), "\\\\srv\\share\\x");
    EXPECT_EQ(checker.ExpandName("x.md5"), "C:\\work\\x.md5");
    EXPECT_EQ(checker.ExpandName("\\x.md5"), "C:\\work\\\\x.md5");
    EXPECT_EQ(checker.ExpandName("D:\\"), "C:\\work\\D:\\");
#else
    TFileChecker checker("/work");
    EXPECT_EQ(checker.BaseDir, "/work/");
    EXPECT_EQ(checker.ExpandName("/tmp/x.md5"), "/tmp/x.md5");
    EXPECT_EQ(checker.ExpandName("x.md5"), "/work/x.md5");
    EXPECT_EQ(checker.ExpandName("C:\\x.md5"), "/work/C:\\x.md5");
#endif
    EXPECT_EQ(checker.Algorithm, haNone);
    EXPECT_EQ(checker.ModeMark, BinaryModeMarkValue);
    EXPECT_EQ(checker.LineBreak, "\r\n");
}

} // namespace
