// The command-line tool as a user drives it: create a list, change a file,
// verify; compare two directories; and the exit statuses and messages of
// usage errors, bad lists and unreadable files.

#include "checker_test_support.h"
#include "hashkeep_run.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace EngineTest;
using Platform::FileOperation;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

class HashkeepTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(Dir / "a.txt", "alpha");
        WriteFile(Dir / "b.txt", "beta");
        WriteFile(Dir / "c.bin", std::string(100000, 'c'));
    }
    TempDirectory Dir;
};

TEST_F(HashkeepTest, VerifyReportsExactlyTheFileChangedSinceCreate) {
    const TRunResult created = Hashkeep({"create", "-C", Dir.Dir(), "a.txt", "b.txt", "c.bin"});
    ASSERT_EQ(created.Status, HashkeepAllWell) << created.Err;
    EXPECT_TRUE(Contains(created.Out, "hashlist.md5: 3 MD5 digests")) << created.Out;
    EXPECT_EQ(Hashkeep({"verify", Dir / "hashlist.md5"}).Status, HashkeepAllWell);

    WriteFile(Dir / "b.txt", "Beta");
    const TRunResult verified = Hashkeep({"verify", Dir / "hashlist.md5"});
    EXPECT_EQ(verified.Status, HashkeepProblemsFound);
    EXPECT_EQ(verified.Out, "b.txt: FAILED\n" + (Dir / "hashlist.md5") +
                                ": 3 files: 1 FAILED, 0 missing, 0 skipped\n");
    EXPECT_EQ(verified.Err, "");

    std::filesystem::remove(Dir.Path() / "a.txt");
    EXPECT_TRUE(Contains(Hashkeep({"verify", Dir / "hashlist.md5"}).Out, "a.txt: MISSING\n"));
}

TEST_F(HashkeepTest, CreateNamesAndMarksListsAsThePlugInDoes) {
    ASSERT_EQ(Hashkeep({"create", "-a", "crc32", "-C", Dir.Dir(), "a.txt"}).Status,
              HashkeepAllWell);
    EXPECT_EQ(ReadAll(Dir / "a.txt.sfv"), "\r\na.txt d0e0396a\r\n");

    ASSERT_EQ(Hashkeep({"create", "--algorithm=SHA1", "--text", "-C", Dir.Dir(), "-o", "mine.sha1",
                        "a.txt", "b.txt"})
                  .Status,
              HashkeepAllWell);
    EXPECT_TRUE(Contains(ReadAll(Dir / "mine.sha1"), "  b.txt\r\n"));

    ASSERT_EQ(Hashkeep({"create", "-C", Dir.Dir(), "--separate", "a.txt", "b.txt"}).Status,
              HashkeepAllWell);
    EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "a.txt.md5"));
    EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "b.txt.md5"));

    // Entries are looked up in -C DIR, wherever the list lies.
    TempDirectory elsewhere;
    ASSERT_EQ(Hashkeep({"create", "-C", Dir.Dir(), "-o", elsewhere / "x.md5", "a.txt"}).Status,
              HashkeepAllWell);
    EXPECT_EQ(Hashkeep({"verify", elsewhere / "x.md5"}).Status, HashkeepProblemsFound);
    EXPECT_EQ(Hashkeep({"verify", "-C", Dir.Dir(), elsewhere / "x.md5"}).Status, HashkeepAllWell);
}

TEST_F(HashkeepTest, UsageErrorsExitWithTwoAndSayWhatIsWrong) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "Usage: hashkeep COMMAND"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"create"}, "no FILE to hash"},
        {{"create", "-x", "a.txt"}, "unknown option '-x'"},
        {{"create", "a.txt", "-a"}, "option '-a' needs a value"},
        {{"create", "-a", "sha256", "a.txt"}, "unknown algorithm 'sha256'"},
        {{"create", "--separate", "-o", "l.md5", "a.txt"}, "--separate"},
        {{"create", "--text=yes", "a.txt"}, "takes no value"},
        {{"create", "sub/a.txt"}, "'sub/a.txt' cannot stand in a list"},
        {{"create", ".."}, "'..' cannot stand in a list"},
        // A list hashkeep could not read back as one of its algorithm.
        {{"create", "-o", "sums.txt", "a.txt"}, "'sums.txt' is no list name for MD5"},
        {{"create", "-a", "sha1", "-o", "l.md5", "a.txt"}, "'l.md5' is no list name for SHA1"},
        {{"create", "--on-error", "retry", "a.txt"}, "--on-error takes skip or abort"},
        {{"verify"}, "no LIST to verify"},
        {{"verify", "a.md5", "b.md5"}, "one LIST at a time"},
        {{"compare", Dir.Dir()}, "DIR_A and DIR_B are needed"},
        {{"demo", "x", "y"}, "one DIR at most"},
    };
    for (const auto& [args, message] : cases) {
        const TRunResult result = Hashkeep(args);
        EXPECT_EQ(result.Status, HashkeepFailed) << message;
        EXPECT_TRUE(Contains(result.Err, message)) << result.Err;
    }
}

TEST_F(HashkeepTest, HelpForTheToolAndEachCommand) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"},
                                               {"create", "--help"},
                                               {"verify", "-h"},
                                               {"compare", "--help"},
                                               {"demo", "--help"}}) {
        const TRunResult result = Hashkeep(args);
        EXPECT_EQ(result.Status, HashkeepAllWell);
        EXPECT_EQ(result.Out.rfind("Usage: hashkeep ", 0), 0u) << result.Out;
    }
}

TEST_F(HashkeepTest, InvalidOrUnreadableListsExitWithTwoNamingFileAndCause) {
    WriteFile(Dir / "bad.md5", "; header\r\n900150983cd24fb0d6963f7d28e17f72 *sub\\a.txt\r\n");
    TRunResult result = Hashkeep({"verify", Dir / "bad.md5"});
    EXPECT_EQ(result.Status, HashkeepFailed);
    EXPECT_EQ(result.Err, "hashkeep: " + (Dir / "bad.md5") +
                              ": not a usable hash list: line 2 does not hold a plain file name "
                              "(empty, or with a drive, a directory or a wildcard)\n");

    WriteFile(Dir / "list.txt", "a.txt 00000000\r\n");
    result = Hashkeep({"verify", Dir / "list.txt"});
    EXPECT_EQ(result.Status, HashkeepFailed);
    EXPECT_TRUE(Contains(result.Err, "list.txt: not a usable hash list: the extension \".txt\""));

    result = Hashkeep({"verify", Dir / "none.sfv"});
    EXPECT_EQ(result.Status, HashkeepFailed);
    EXPECT_TRUE(Contains(result.Err, "none.sfv: not a usable hash list: cannot be opened: "));
}

TEST_F(HashkeepTest, CompareNamesDifferingAndMissingFiles) {
    TempDirectory other;
    WriteFile(other / "a.txt", "alpha");
    WriteFile(other / "b.txt", "BETA");
    WriteFile(other / "new.txt", "only here");
    std::filesystem::create_directory(Dir.Path() / "subdir"); // directories are not compared
    const TRunResult result = Hashkeep({"compare", "-a", "sha1", Dir.Dir(), other.Dir()});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_EQ(result.Out, "b.txt: DIFFERENT\nc.bin: MISSING in " + other.Dir() +
                              "\nnew.txt: MISSING in " + Dir.Dir() +
                              "\n4 files compared: 1 different, 2 missing, 0 skipped\n");
    EXPECT_EQ(Hashkeep({"compare", Dir.Dir(), other.Dir(), "a.txt"}).Status, HashkeepAllWell);
    EXPECT_TRUE(Contains(Hashkeep({"compare", other.Dir(), Dir.Dir(), "zz"}).Out,
                         "zz: MISSING in " + other.Dir()));
}

// A run that cannot do what was asked says so, naming what and why, and
// never ends as if all were well.
TEST_F(HashkeepTest, EveryFailureNamesTheFileAndTheCause) {
    ASSERT_EQ(Hashkeep({"create", "-q", "-C", Dir.Dir(), "a.txt"}).Status, HashkeepAllWell);
    const std::string gone = Dir / "gone";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"verify", "-C", gone, Dir / "a.txt.md5"}, gone + ": no directory to look for the files "},
        {{"verify", "-C", Dir / "b.txt", Dir / "a.txt.md5"}, "b.txt: no directory to look for "},
        {{"compare", Dir.Dir(), gone}, gone + ": cannot be listed: "},
        {{"compare", gone, Dir.Dir(), "a.txt"}, gone + ": cannot be listed: "},
    };
    for (const auto& [args, message] : cases) {
        const TRunResult result = Hashkeep(args);
        EXPECT_EQ(result.Status, HashkeepFailed) << message;
        EXPECT_TRUE(Contains(result.Err, message)) << result.Err;
        EXPECT_EQ(result.Out, "");
    }
}

// Existing lists are replaced only when they are lists of the algorithm (a
// published checksum of another kind, or any other file, never), and
// per-file lists only with --force; a refused run hashes nothing.
TEST_F(HashkeepTest, RefusesToReplaceWhatIsNoListOfItsAlgorithmOrWithoutForce) {
    const std::string published = "; sums that came with a download\r\n"
                                  "00112233445566778899aabbccddeeff *b.txt\r\n";
    WriteFile(Dir / "a.txt.md5", published);
    WriteFile(Dir / "notes.md5", "not a list at all\r\n");
    WriteFile(Dir / "c.bin.md5", "");
    std::filesystem::create_directory(Dir.Path() / "dir.md5");
    const std::string notList = ": not replaced: it is not a hash list";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--separate", "a.txt", "b.txt"},
         "create: 1 per-file list would be replaced, the first " + (Dir / "a.txt.md5") +
             "; --force replaces them"},
        {{"-o", "notes.md5", "a.txt"}, (Dir / "notes.md5") + notList},
        {{"-o", "dir.md5", "a.txt"}, (Dir / "dir.md5") + notList},
        {{"--separate", "--force", "b.txt", "c.bin"}, (Dir / "c.bin.md5") + notList},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> args{"create", "-C", Dir.Dir()};
        args.insert(args.end(), options.begin(), options.end());
        const TRunResult result = Hashkeep(args);
        EXPECT_EQ(result.Status, HashkeepFailed) << message;
        EXPECT_TRUE(Contains(result.Err, message)) << result.Err;
    }
    EXPECT_EQ(ReadAll(Dir / "a.txt.md5"), published);
    EXPECT_EQ(ReadAll(Dir / "notes.md5"), "not a list at all\r\n");
    EXPECT_EQ(ReadAll(Dir / "c.bin.md5"), "");
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "b.txt.md5"));

    const TRunResult forced =
        Hashkeep({"create", "-C", Dir.Dir(), "--separate", "--force", "a.txt"});
    EXPECT_EQ(forced.Status, HashkeepAllWell) << forced.Err;
    EXPECT_EQ(Hashkeep({"verify", Dir / "a.txt.md5"}).Status, HashkeepAllWell);
}

#ifndef _WIN32
// Names from a list or a directory reach the terminal escaped, as GNU tools
// escape them: a name cannot erase "FAILED" or retitle the window.
TEST_F(HashkeepTest, ControlCharactersInNamesAreShownEscaped) {
    const std::string erase = "x\x1b[2K\r.txt", title = "t\x1b]0;pwned\x07.txt", tab = "a\tb";
    for (const std::string& name : {erase, title, tab})
        WriteFile(Dir / name, "abc");
    WriteFile(Dir / "list.md5", "00112233445566778899aabbccddeeff *" + title + "\r\n" +
                                    "900150983cd24fb0d6963f7d28e17f72 *" + tab + "\r\n" +
                                    "900150983cd24fb0d6963f7d28e17f72 *gone\x1b[A\r\n");
    TRunResult result = Hashkeep({"verify", Dir / "list.md5"});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_EQ(result.Out.substr(0, result.Out.find('/')),
              "\\t\\033]0;pwned\\007.txt: FAILED\n\\gone\\033[A: MISSING\n");

    TempDirectory other;
    WriteFile(other / erase, "abd");
    WriteFile(other / "back\\slash\nline", "");
    result = Hashkeep({"compare", Dir.Dir(), other.Dir(), erase, "back\\slash\nline"});
    EXPECT_TRUE(Contains(result.Out, "\\x\\033[2K\\r.txt: DIFFERENT\n")) << result.Out;
    EXPECT_TRUE(Contains(result.Out, "\\back\\\\slash\\nline: MISSING in ")) << result.Out;

    result = Hashkeep({"create", "-C", Dir.Dir(), "-o", "l\x1b[2J.md5", "missing\x1b[2J"});
    EXPECT_TRUE(Contains(result.Err, "missing\\033[2J: cannot stand in a list") ||
                Contains(result.Err, "'missing\\033[2J'"))
        << result.Err;
    for (const TRunResult& run : {result, Hashkeep({"verify", Dir / "l\x1b[2J.md5"})})
        EXPECT_EQ(run.Err.find('\x1b'), std::string::npos) << run.Err;
}

// The lists we write are read by the strict GNU readers, and by rhash.
TEST_F(HashkeepTest, StrictReadersAcceptOurLists) {
    if (std::system("md5sum --version >/dev/null 2>&1 && sha1sum --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "md5sum or sha1sum is missing";
    for (const std::string algorithm : {"md5", "sha1"}) {
        for (const char* mark : {"--text", "-q"}) { // the text mark, the binary mark
            SCOPED_TRACE(algorithm + " " + mark);
            ASSERT_EQ(Hashkeep({"create", mark, "-a", algorithm, "-C", Dir.Dir(), "-o",
                                "sums." + algorithm, "a.txt", "b.txt", "c.bin"})
                          .Status,
                      HashkeepAllWell);
            const std::string check = "cd '" + Dir.Dir() + "' && " + algorithm +
                                      "sum -c --strict --quiet sums." + algorithm;
            EXPECT_EQ(std::system(check.c_str()), 0) << check;
        }
    }
    ASSERT_EQ(
        Hashkeep({"create", "-a", "crc32", "-C", Dir.Dir(), "-o", "sums.sfv", "a.txt", "b.txt"})
            .Status,
        HashkeepAllWell);
    if (std::system("rhash --version >/dev/null 2>&1") == 0) {
        const std::string check =
            "cd '" + Dir.Dir() + "' && rhash -c --skip-ok sums.sfv >/dev/null";
        EXPECT_EQ(std::system(check.c_str()), 0) << check;
    }
}
#endif

TEST_F(HashkeepTest, UnreadableFilesAreSkippedOrStopTheRun) {
    TFaultPlan faults;
    faults.FailPath(FileOperation::Open, "b.txt");
    TRunResult result = Hashkeep({"create", "-C", Dir.Dir(), "a.txt", "b.txt", "c.bin"});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_TRUE(Contains(result.Err, "b.txt: cannot be read: ")) << result.Err;
    EXPECT_TRUE(Contains(result.Err, "; skipped\n")) << result.Err;
    const std::string list = ReadAll(Dir / "hashlist.md5");
    EXPECT_TRUE(Contains(list, "*a.txt\r\n") && Contains(list, "*c.bin\r\n") &&
                !Contains(list, "b.txt"));

    std::filesystem::remove(Dir.Path() / "hashlist.md5");
    result =
        Hashkeep({"create", "--on-error", "abort", "-C", Dir.Dir(), "a.txt", "b.txt", "c.bin"});
    EXPECT_EQ(result.Status, HashkeepFailed);
    EXPECT_TRUE(Contains(result.Err, "; stopping\n")) << result.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "hashlist.md5"));

    ASSERT_EQ(Hashkeep({"create", "-q", "-C", Dir.Dir(), "c.bin", "-o", "ok.md5"}).Status,
              HashkeepAllWell);
    faults.FailPath(FileOperation::Open, "c.bin");
    result = Hashkeep({"verify", Dir / "ok.md5"});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_TRUE(Contains(result.Out, "c.bin: SKIPPED\n"));
}

TEST_F(HashkeepTest, ProgressOnlyOnATerminalAndNotWhenQuiet) {
    TRunResult result = Hashkeep({"create", "-C", Dir.Dir(), "c.bin"}, true);
    ASSERT_EQ(result.Status, HashkeepAllWell);
    EXPECT_TRUE(Contains(result.Err, "\rc.bin  32%")) << result.Err;
    EXPECT_TRUE(Contains(result.Err, "\rc.bin  100%")) << result.Err;
    EXPECT_EQ(result.Err.back(), '\r'); // the line is cleared again
    EXPECT_EQ(Hashkeep({"create", "-q", "-C", Dir.Dir(), "c.bin"}, true).Err, "");
    EXPECT_EQ(Hashkeep({"create", "-C", Dir.Dir(), "c.bin"}, false).Err, "");
}

TEST_F(HashkeepTest, DemoShowsTheOneMismatch) {
    const std::string directory = Dir / "demo";
    const TRunResult result = Hashkeep({"demo", directory});
    EXPECT_EQ(result.Status, HashkeepAllWell) << result.Err;
    EXPECT_TRUE(Contains(result.Out, "notes.txt: FAILED\n")) << result.Out;
    EXPECT_TRUE(Contains(result.Out, "3 files: 1 FAILED, 0 missing, 0 skipped")) << result.Out;
    // A second demo will not overwrite the first.
    EXPECT_EQ(Hashkeep({"demo", directory}).Status, HashkeepFailed);
}

} // namespace
