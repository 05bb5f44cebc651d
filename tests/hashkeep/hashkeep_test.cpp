// The command-line tool as a user drives it: create a list, change a file,
// verify; compare two directories; and the exit statuses and messages of
// usage errors, bad lists and unreadable files.

#include "checker_test_support.h"
#include "digest/digest_paths.h"
#include "hashkeep_run.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <utility>

using namespace EngineTest;
using namespace std::string_literals;
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
    const TRunResult created =
        Hashkeep({"create", "-v", "-C", Dir.Dir(), "a.txt", "b.txt", "c.bin"});
    ASSERT_EQ(created.Status, HashkeepAllWell) << created.Err;
    EXPECT_EQ(created.Out, "");
    EXPECT_TRUE(Contains(created.Err, "hashlist.md5: 3 MD5 digests")) << created.Err;
    EXPECT_EQ(Hashkeep({"verify", Dir / "hashlist.md5"}).Status, HashkeepAllWell);

    WriteFile(Dir / "b.txt", "Beta");
    const TRunResult verified = Hashkeep({"verify", "-v", Dir / "hashlist.md5"});
    EXPECT_EQ(verified.Status, HashkeepProblemsFound);
    EXPECT_EQ(verified.Out, "a.txt: OK\nb.txt: FAILED\nc.bin: OK\n");
    EXPECT_EQ(verified.Throughput.rfind("hashed 3 files (100.0 kB) in ", 0), 0u)
        << verified.Throughput;
    EXPECT_EQ(verified.Err, (Dir / "hashlist.md5") + ": 3 files: 1 FAILED, 0 missing, 0 skipped\n");

    std::filesystem::remove(Dir.Path() / "a.txt");
    EXPECT_TRUE(Contains(Hashkeep({"verify", Dir / "hashlist.md5"}).Out, "a.txt: MISSING\n"));
}

TEST_F(HashkeepTest, CreateNamesAndMarksListsAsThePlugInDoes) {
    // Lines as sha256sum writes them on POSIX (busybox and perl's shasum
    // read no other), as the plug-in writes them on Windows or with --crlf.
    ASSERT_EQ(Hashkeep({"create", "-a", "crc32", "-C", Dir.Dir(), "a.txt"}).Status,
              HashkeepAllWell);
    EXPECT_EQ(ReadAll(Dir / "a.txt.sfv"), ListText({"a.txt d0e0396a"}));
    ASSERT_EQ(
        Hashkeep({"create", "--crlf", "-a", "crc32", "-C", Dir.Dir(), "-o", "crlf.sfv", "a.txt"})
            .Status,
        HashkeepAllWell);
    EXPECT_EQ(ReadAll(Dir / "crlf.sfv"), "\r\na.txt d0e0396a\r\n");

    ASSERT_EQ(Hashkeep({"create", "--algorithm=SHA1", "--text", "-C", Dir.Dir(), "-o", "mine.sha1",
                        "a.txt", "b.txt"})
                  .Status,
              HashkeepAllWell);
    EXPECT_TRUE(Contains(ReadAll(Dir / "mine.sha1"), "  b.txt" + ListLineEnd));

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

// Also what would lose a list or fail in silence: refused before anything
// is hashed, naming the file and why.
TEST_F(HashkeepTest, UsageErrorsExitWithTwoAndSayWhatIsWrong) {
    const std::string list = Dir / "l.md5", gone = Dir / "gone", notList = ": not replaced: ";
    WriteFile(list, "; published\r\n00112233445566778899aabbccddeeff *b.txt\r\n");
    WriteFile(Dir / "c.bin.md5", "");
    WriteFile(Dir / "notes.md5", "prose\r\n");
    const std::string three = "\r\n00112233445566778899aabbccddeeff *a.txt\r\n"
                              "00112233445566778899aabbccddeeff *b.txt\r\n"
                              "00112233445566778899aabbccddeeff *c.bin\r\n";
    WriteFile(Dir / "hashlist.md5", three);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "Usage: hashkeep COMMAND"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"create"}, "no FILE to hash"},
        {{"create", "-x", "a.txt"}, "unknown option '-x'"},
        {{"create", "a.txt", "-a"}, "option '-a' needs a value"},
        {{"create", "-a", "sha512", "a.txt"}, "unknown algorithm 'sha512'"},
        {{"create", "--separate", "-o", "l.md5", "a.txt"}, "--separate"},
        {{"create", "--text=yes", "a.txt"}, "takes no value"},
        {{"create", "../a.txt"}, "'../a.txt' cannot stand in a list"},
        {{"create", ".."}, "'..' cannot stand in a list"},
        // Blanks at a name's ends read back as stray ones: never written.
        {{"create", "-a", "sha256", "a.txt "}, "'a.txt ' cannot stand in a list"},
        {{"create", "-a", "crc32", " a.txt"}, "' a.txt' cannot stand in a list"},
        {{"verify", "--digest", "abc", "a.txt"}, "--digest takes 8, 32, 40 or 64 hexadecimal"},
        {{"verify", "--digest", "md5:" + std::string(64, 'a'), "a.txt"}, "--digest takes 8, "},
        {{"verify", "-a", "md5", "--digest", std::string(40, 'a'), "a.txt"},
         "--digest of 40 digits is no digest of md5"},
        {{"verify", "--digest", std::string(8, 'a'), "a.txt", "b.txt"}, "checks one FILE"},
        // A list hashkeep could not read back as one of its algorithm.
        {{"create", "-o", "sums.txt", "a.txt"}, "'sums.txt' is no list name for MD5"},
        {{"create", "-a", "sha1", "-o", "l.md5", "a.txt"}, "'l.md5' is no list name for SHA1"},
        {{"create", "-a", "sha256", "-o", "MD5SUMS", "a.txt"},
         "'MD5SUMS' is no list name for SHA256: hashkeep could not read it back (name it *.sha256 "
         "or SHA256SUMS)"},
        {{"create", "--on-error", "retry", "a.txt"}, "--on-error takes skip or abort"},
        {{"verify"}, "no LIST to verify"},
        {{"verify", "-j", "0", list}, "--jobs takes a number from 1 to 256, not '0'"},
        {{"compare", Dir.Dir()}, "DIR_A and DIR_B are needed"},
        // One file for both sides, or one outside them: never "all the same".
        {{"compare", Dir.Dir(), Dir.Dir() + "x", Dir / "a.txt"}, "is no path below DIR_A and"},
        {{"compare", Dir.Dir(), Dir / "x", "x/../../a.txt"}, "is no path below DIR_A and"},
        {{"demo", "x", "y"}, "one DIR at most"},
        {{"verify", "-C", gone, list}, gone + ": no directory to look for the files in: "},
        {{"verify", "-C", Dir / "a.txt", list}, "a.txt: no directory to look for the files "},
        {{"compare", Dir.Dir(), gone}, gone + ": cannot be listed: "},
        {{"compare", gone, Dir.Dir(), "a.txt"}, gone + ": cannot be listed: "},
        {{"create", "-C", Dir.Dir(), "--separate", "c.bin", "a.txt"},
         "create: 1 per-file list would be replaced, the first " + (Dir / "c.bin.md5") +
             "; --force replaces them"},
        {{"create", "-C", Dir.Dir(), "--separate", "--force", "c.bin"}, "c.bin.md5" + notList},
        {{"create", "-C", Dir.Dir(), "-o", "notes.md5", "a.txt"}, "notes.md5" + notList},
        // A typo: nothing is hashed, the list that exists keeps its three entries.
        {{"create", "-C", Dir.Dir(), "a.txt", "nothere.txt"},
         (Dir / "nothere.txt") + ": no such file; nothing written"},
    };
    for (const auto& [args, message] : cases) {
        const TRunResult result = Hashkeep(args);
        EXPECT_EQ(result.Status, HashkeepFailed) << message;
        EXPECT_TRUE(Contains(result.Err, message)) << result.Err;
        EXPECT_EQ(result.Out, "");
    }
    EXPECT_EQ(ReadAll(Dir / "notes.md5"), "prose\r\n");
    EXPECT_EQ(ReadAll(Dir / "c.bin.md5"), "");
    EXPECT_EQ(ReadAll(Dir / "hashlist.md5"), three);
    // A list of the algorithm is replaced, per file with --force.
    WriteFile(Dir / "c.bin.md5", ReadAll(list));
    EXPECT_EQ(Hashkeep({"create", "-C", Dir.Dir(), "--separate", "--force", "c.bin"}).Status, 0);
    EXPECT_EQ(Hashkeep({"verify", Dir / "c.bin.md5"}).Status, HashkeepAllWell);
}

// A run that skipped files (unreadable for a moment, a folder named without
// -r) never replaces a list with one that lacks some of its entries, unless
// --force; a clean run replaces it, and entries are told apart as paths
// ("./a.txt" is a.txt).
TEST_F(HashkeepTest, ARunThatSkippedFilesNeverShrinksAList) {
    std::filesystem::create_directory(Dir.Path() / "sub");
    const std::string a = "2c1743a391305fbf367df8e4f069f9f9 *a.txt",
                      b = "987bcab01b929eb2c07877b224215c92 *b.txt",
                      c = "4f5d3a5d5c5e6b51d0ac1b2a6d2f1e0b *c.bin",
                      kept = "00112233445566778899aabbccddeeff *kept";
    const struct {
        std::vector<std::string> Args;
        std::string Old;
        int Status;
        std::string Err; // a part of it
        bool Replaced;
    } cases[] = {
        {{"a.txt", "b.txt", "c.bin"},
         a + "\n" + b + "\n",
         2,
         "create: 1 file skipped; " + (Dir / "hashlist.md5") +
             " not replaced: the new list would lack 1 entry of it, the first b.txt; --force "
             "replaces it",
         false},
        {{"--force", "a.txt", "b.txt", "c.bin"},
         a + "\n" + b + "\n",
         1,
         "b.txt: cannot be read",
         true},
        {{"a.txt", "sub"}, a + "\n" + c + "\n", 2, "the first c.bin", false},
        {{"a.txt", "b.txt"},
         "2c1743a391305fbf367df8e4f069f9f9  ./a.txt\n",
         1,
         "b.txt: cannot be read",
         true},
        {{"a.txt", "c.bin"}, a + "\n" + kept + "\n", 0, "", true},
    };
    for (const auto& [args, old, status, err, replaced] : cases) {
        SCOPED_TRACE(args.front() + " " + args.back());
        WriteFile(Dir / "hashlist.md5", old);
        TFaultPlan faults;
        faults.FailPath(FileOperation::Open, "b.txt");
        std::vector<std::string> command{"create", "-C", Dir.Dir()};
        command.insert(command.end(), args.begin(), args.end());
        const TRunResult result = Hashkeep(command);
        EXPECT_EQ(result.Status, status);
        EXPECT_TRUE(Contains(result.Err, err)) << result.Err;
        EXPECT_EQ(ReadAll(Dir / "hashlist.md5") != old, replaced);
    }
}

#ifndef _WIN32
// Names from a list or a directory reach the terminal escaped as GNU tools
// escape them, so none can erase "FAILED" or retitle the window.
TEST_F(HashkeepTest, ControlCharactersInNamesAreShownEscaped) {
    const std::string erase = "x\x1b[2K\r", title = "t\x1b]0;pwned\x07.txt", line = "b\\s\nl";
    for (const std::string& name : {erase, title, line})
        WriteFile(Dir / name, "abc");
    // U+009B, CSI in UTF-8, is escaped; the byte 0x9B alone is a letter.
    WriteFile(Dir / "list.md5", "00112233445566778899aabbccddeeff *" + title + "\r\n" +
                                    "900150983cd24fb0d6963f7d28e17f72 *gone\x1b[A\r\n" +
                                    "900150983cd24fb0d6963f7d28e17f72 *c1\xC2\x9B"
                                    "2J\x9B\r\n");
    TempDirectory other;
    WriteFile(other / erase, "abd");
    const TRunResult verified = Hashkeep({"verify", Dir / "list.md5"}),
                     compared = Hashkeep({"compare", Dir.Dir(), other.Dir(), erase, line});
    EXPECT_EQ(verified.Out.substr(0, verified.Out.find('/')),
              "\\t\\033]0;pwned\\007.txt: FAILED\n\\gone\\033[A: MISSING\n"
              "\\c1\\302\\2332J\x9B: MISSING\n");
    EXPECT_EQ(compared.Out.substr(0, compared.Out.find('/')),
              "\\x\\033[2K\\r: DIFFERENT\n\\b\\\\s\\nl: MISSING in ");
    const TRunResult refused = Hashkeep({"create", "-o", "\x1b[2J.md5", "\x1b[2J"});
    EXPECT_TRUE(Contains(refused.Err, "'\\033[2J' cannot stand in a list")) << refused.Err;
}

// The peers checking strictly read every list we write, of every algorithm
// and with files in subfolders (create -r); and we read theirs, plain and
// tagged, naming exactly the one file changed since.
class HashkeepPeers : public HashkeepTest {
protected:
    void SetUp() override {
        HashkeepTest::SetUp();
        std::filesystem::create_directories(Dir.Path() / "disc 1" / "sub");
        WriteFile(Dir / "disc 1/t01.flac", "one");
        WriteFile(Dir / "disc 1/sub/t02.flac", "two");
    }
    int Run(const std::string& command) {
        return std::system(("cd '" + Dir.Dir() + "' && (" + command + ") >/dev/null 2>&1").c_str());
    }
};

TEST_F(HashkeepPeers, StrictReadersAcceptOurLists) {
    for (const TAlgoDefinition& row : AlgoDefinitions) {
        std::string tool = row.Name;
        for (char& c : tool)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char* mark : {"--text", "-q"}) { // the text mark, the binary mark
            const std::string list = "sums" + std::string(row.Extension);
            ASSERT_EQ(Hashkeep({"create", mark, "-r", "-a", tool, "-C", Dir.Dir(), "-o", list,
                                "a.txt", "disc 1/"})
                          .Status,
                      HashkeepAllWell);
            TFileChecker read(Dir.Dir());
            ASSERT_TRUE(read.LoadList(list));
            std::vector<std::string> names;
            for (const TFileCheckerItem& item : read.Items)
                names.push_back(item.FileName);
            EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "disc 1/sub/t02.flac",
                                                       "disc 1/t01.flac"}));
            // Every reader installed here that reads lists of the algorithm.
            std::vector<std::string> peers{"rhash -c --skip-ok "};
            if (row.HashFirst)
                peers.insert(peers.end(),
                             {tool + "sum -c --strict ", "busybox " + tool + "sum -c "});
            if (row.Id == haSha1 || row.Id == haSha256)
                peers.push_back("shasum -a " + tool.substr(3) + " -c ");
            if (row.Id == haCrc32)
                peers.push_back("cksfv -q -f ");
            for (const std::string& peer : peers)
                EXPECT_EQ(Run(peer + list), 0) << peer << list;
        }
    }
}

TEST_F(HashkeepPeers, ListsThePeersWriteVerifyNamingTheOneChangedFile) {
    const std::string files = "a.txt 'disc 1/t01.flac' 'disc 1/sub/t02.flac'";
    ASSERT_EQ(Run("sha256sum " + files + " > SHA256SUMS && sha256sum --tag " + files +
                  " > tagged.sha256"),
              0);
    const std::vector<std::string> verify{"verify", "-v", "--quiet-ok", Dir / "SHA256SUMS",
                                          Dir / "tagged.sha256"};
    const auto expected = [&](const std::string& counts) {
        std::string err;
        for (const std::string list : {"SHA256SUMS", "tagged.sha256"})
            err += "--( Verifying " + (Dir / list) + " )--\n" + (Dir / list) +
                   ": 3 files: " + counts + "\n";
        return err;
    };
    TRunResult result = Hashkeep(verify);
    EXPECT_EQ(result.Status, HashkeepAllWell);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, expected("all OK"));
    WriteFile(Dir / "disc 1/sub/t02.flac", "changed");
    result = Hashkeep(verify);
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_EQ(result.Out, "disc 1/sub/t02.flac: FAILED\ndisc 1/sub/t02.flac: FAILED\n");
    EXPECT_EQ(result.Err, expected("1 FAILED, 0 missing, 0 skipped"));
}
#endif

// Lists that releases name as they like (CHECKSUMS), read as their
// digests or -a tell, and a digest from a web page against one file.
TEST_F(HashkeepTest, VerifyReadsListsOfAnyNameAndPublishedDigests) {
    const std::string alphaSha1 = "be76331b95dfc399cd776d2fc68021e0db03cc4f";
    WriteFile(Dir / "CHECKSUMS", "# release\n" + alphaSha1 + "  a.txt\n");
    WriteFile(Dir / "sums.txt", "SHA1 (a.txt) = " + alphaSha1 + "\n");
    std::string upper = alphaSha1;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const struct {
        std::vector<std::string> Args;
        int Status;
        std::string Line;
    } cases[] = {
        {{"verify", Dir / "CHECKSUMS"}, 0, "a.txt: OK\n"},
        {{"verify", "-a", "SHA1", Dir / "sums.txt"}, 0, "a.txt: OK\n"},
        {{"verify", "--digest", "sha1:" + upper, Dir / "a.txt"}, 0, (Dir / "a.txt") + ": OK\n"},
        {{"verify", "--digest", std::string(40, '0'), Dir / "a.txt"},
         1,
         (Dir / "a.txt") + ": FAILED\n"},
        {{"verify", "--digest", std::string(8, '0'), Dir / "gone"},
         1,
         (Dir / "gone") + ": MISSING\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.back());
        const TRunResult result = Hashkeep(c.Args);
        EXPECT_EQ(result.Status, c.Status) << result.Err;
        EXPECT_EQ(result.Out.substr(0, c.Line.size()), c.Line);
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
    WriteFile(Dir / "bad.md5", "; header\r\n900150983cd24fb0d6963f7d28e17f72 *..\\a.txt\r\n");
    TRunResult result = Hashkeep({"verify", Dir / "bad.md5"});
    EXPECT_EQ(result.Status, HashkeepFailed);
    EXPECT_EQ(result.Err, "hashkeep: " + (Dir / "bad.md5") +
                              ": not a usable hash list: line 2 names the directory itself or its "
                              "parent\n");

    // A name that tells no algorithm leaves it to the digests.
    WriteFile(Dir / "list.txt", "a.txt zzzzzzzz\r\n");
    result = Hashkeep({"verify", Dir / "list.txt"});
    EXPECT_EQ(result.Status, HashkeepFailed);
    EXPECT_TRUE(
        Contains(result.Err, "list.txt: not a usable hash list: line 1 is no line of a list of "))
        << result.Err;

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
    WriteFile(Dir / "subdir/x", "x");                         // nor, without -r, what they hold
    const TRunResult result = Hashkeep({"compare", "-v", "-a", "sha1", Dir.Dir(), other.Dir()});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_EQ(result.Out, "a.txt: OK\nb.txt: DIFFERENT\nc.bin: MISSING in " + other.Dir() +
                              "\nnew.txt: MISSING in " + Dir.Dir() + "\n");
    EXPECT_EQ(result.Err, "4 files compared: 1 different, 2 missing, 0 skipped\n");
    EXPECT_EQ(Hashkeep({"compare", Dir.Dir(), other.Dir(), "a.txt"}).Status, HashkeepAllWell);

    // With -r, files pair by their paths below the two directories.
    std::filesystem::create_directories(Dir.Path() / "sub");
    std::filesystem::create_directories(other.Path() / "sub" / "deep");
    WriteFile(Dir / "sub/same", "s");
    WriteFile(other / "sub/same", "s");
    WriteFile(Dir / "sub/b.txt", "beta");
    WriteFile(other / "sub/b.txt", "BETA");
    WriteFile(other / "sub/deep/new", "only here");
    const TRunResult deep = Hashkeep({"compare", "-r", Dir.Dir(), other.Dir(), "sub"});
    // A file only below the named folder in DIR_B makes the folders differ.
    EXPECT_EQ(deep.Out,
              "sub/b.txt: DIFFERENT\nsub/same: OK\nsub/deep/new: MISSING in " + Dir.Dir() + "\n");
    EXPECT_EQ(Hashkeep({"compare", "-r", Dir.Dir(), other.Dir()}).Out,
              "a.txt: OK\nb.txt: DIFFERENT\nc.bin: MISSING in " + other.Dir() +
                  "\nsub/b.txt: DIFFERENT\nsub/same: OK\nsubdir/x: MISSING in " + other.Dir() +
                  "\nnew.txt: MISSING in " + Dir.Dir() + "\nsub/deep/new: MISSING in " + Dir.Dir() +
                  "\n");
    EXPECT_TRUE(Contains(Hashkeep({"compare", other.Dir(), Dir.Dir(), "zz"}).Out,
                         "zz: MISSING in " + other.Dir()));
}

TEST_F(HashkeepTest, UnreadableFilesAreSkippedOrStopTheRun) {
    TFaultPlan faults;
    faults.FailPath(FileOperation::Open, "b.txt");
    TRunResult result = Hashkeep({"create", "-C", Dir.Dir(), "a.txt", "b.txt", "c.bin"});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_TRUE(Contains(result.Err, "b.txt: cannot be read: ")) << result.Err;
    EXPECT_TRUE(Contains(result.Err, "; skipped\n")) << result.Err;
    const std::string list = ReadAll(Dir / "hashlist.md5");
    EXPECT_TRUE(Contains(list, "*a.txt" + ListLineEnd) && Contains(list, "*c.bin" + ListLineEnd) &&
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
    Platform::OpenFileForReading(Dir / "c.bin"); // fails as the run's open did
    EXPECT_EQ(result.Out, "c.bin: SKIPPED\n");
    EXPECT_TRUE(Contains(result.Err, "c.bin: cannot be read: " + Platform::LastErrorText()))
        << result.Err;
}

// What scripts rely on, as md5sum -c gives it: standard output holds one
// line per entry and nothing else (--quiet-ok only the problems, --status
// nothing); headings, counts and the speed go to standard error on a
// terminal or with -v, messages always; --ignore-missing leaves missing
// files out, and a list none of whose files was verified gives 1; '-' reads
// the list from standard input. The exit status is the worst of the lists.
TEST_F(HashkeepTest, VerifyPrintsOneLinePerEntryAndTheRestOnStandardError) {
    ASSERT_EQ(Hashkeep({"create", "-C", Dir.Dir(), "-o", "one.md5", "a.txt", "b.txt"}).Status, 0);
    ASSERT_EQ(Hashkeep({"create", "-C", Dir.Dir(), "-o", "two.md5", "c.bin"}).Status, 0);
    TempDirectory elsewhere; // the originals, and no c.bin
    WriteFile(elsewhere / "a.txt", "alpha");
    WriteFile(elsewhere / "b.txt", "beta");
    std::filesystem::create_directory(elsewhere.Path() / "sub");
    WriteFile(elsewhere / "sub/a.txt", "alpha");
    WriteFile(elsewhere / "win.md5", // made on Windows: a backslash between the parts
              "\r\n2c1743a391305fbf367df8e4f069f9f9 *sub\\a.txt\r\n"
              "987bcab01b929eb2c07877b224215c92 *b.txt\r\n");
    WriteFile(Dir / "b.txt", "Beta");
    const std::string one = Dir / "one.md5", two = Dir / "two.md5", gone = Dir / "gone.md5";
    const std::string oneFailed = one + ": 2 files: 1 FAILED, 0 missing, 0 skipped\n";
    Platform::OpenFileForReading(gone);
    const std::string unusable =
        "hashkeep: " + gone +
        ": not a usable hash list: cannot be opened: " + Platform::LastErrorText() + "\n";
    const std::string oneOut = "a.txt: OK\nb.txt: FAILED\n";
    const struct {
        std::vector<std::string> Args;
        int Status;
        std::string Out, Err;
        std::string Hashed; // the start of the speed line, when it is shown
        std::string Input = {};
    } cases[] = {
        {{one}, 1, oneOut, "", ""},
        {{"-v", one}, 1, oneOut, oneFailed, "hashed 2 files (9 B) in "},
        {{"--quiet-ok", one}, 1, "b.txt: FAILED\n", "", ""},
        {{"--status", "-v", one}, 1, "", oneFailed, "hashed 2 files"},
        {{"--status", two}, 0, "", "", ""},
        {{two, one}, 1, "c.bin: OK\n" + oneOut, "", ""},
        {{"-v", two, one},
         1,
         "c.bin: OK\n" + oneOut,
         "--( Verifying " + two + " )--\n" + two + ": 1 file: all OK\n--( Verifying " + one +
             " )--\n" + oneFailed,
         "hashed 3 files (100.0 kB) in "},
        {{two, gone}, 2, "c.bin: OK\n", unusable, ""},
        {{"-C", elsewhere.Dir(), two, one}, 1, "c.bin: MISSING\na.txt: OK\nb.txt: OK\n", "", ""},
        {{"--ignore-missing", "-C", elsewhere.Dir(), one, two},
         1,
         "a.txt: OK\nb.txt: OK\n",
         "hashkeep: " + two + ": no file was verified\n",
         ""},
        {{"--ignore-missing", "-v", "-C", elsewhere.Dir(), one},
         0,
         "a.txt: OK\nb.txt: OK\n",
         one + ": 2 files: all OK\n",
         "hashed 2 files (9 B) in "},
        {{"-v", elsewhere / "win.md5"},
         0,
         // The separator a list made on Windows means: on POSIX a '/'.
         (Platform::PathSeparator == '\\' ? "sub\\a.txt" : "sub/a.txt") + ": OK\nb.txt: OK\n"s,
         (elsewhere / "win.md5") + ": 2 files: all OK\n",
         "hashed 2 files (9 B) in "},
        {{"-C", Dir.Dir(), "-"}, 1, oneOut, "", "", ReadAll(one)},
        {{"-"}, 2, "", "hashkeep: -: not a usable hash list: it holds no entries\n", "", "\n"},
    };
    for (const auto& [args, status, out, err, hashed, input] : cases) {
        std::vector<std::string> command{"verify"};
        command.insert(command.end(), args.begin(), args.end());
        const TRunResult result = Hashkeep(command, false, input);
        SCOPED_TRACE(args.front() + " " + args.back());
        EXPECT_EQ(result.Status, status);
        EXPECT_EQ(result.Out, out);
        EXPECT_EQ(result.Err, err);
        EXPECT_EQ(result.Throughput.substr(0, hashed.size()), hashed);
        // No speed from a run of milliseconds over a few bytes.
        EXPECT_FALSE(Contains(result.Throughput, "MB/s")) << result.Throughput;
    }
}

// However many workers hash, and whether MD5 runs 16 small files at once in
// lanes (where the processor has them) or one file at a time, the user gets
// what one worker gives: the same lines in the same order on both streams,
// the same list, the same exit status; with --on-error abort the first
// failing file in list order stops the run. A big file first lets the others
// finish out of order, and too big for a lane it is hashed on its own.
TEST_F(HashkeepTest, ManyWorkersReportExactlyAsOne) {
    std::vector<std::string> names{"big"};
    WriteFile(Dir / "big", std::string(3 << 20, 'B'));
    for (int i = 10; i < 50; ++i) {
        names.push_back(std::to_string(i));
        names.back().insert(0, 1, 'f');
        WriteFile(Dir / names.back(), std::string(static_cast<size_t>(i * 997), char(i)));
    }
    TempDirectory other;
    for (const std::string& name : names)
        std::filesystem::copy_file(Dir.Path() / name, other.Path() / name);
    std::vector<std::string> create{"create", "-C", Dir.Dir(), "-o", "x.md5"};
    create.insert(create.end(), names.begin(), names.end());
    ASSERT_EQ(Hashkeep(create).Status, HashkeepAllWell);
    const std::string listed = ReadAll(Dir / "x.md5");
    WriteFile(Dir / "f23", "changed");
    std::filesystem::remove(Dir.Path() / "f30");
    TFaultPlan faults;
    faults.FailPath(FileOperation::Open, "f17");
    faults.FailPath(FileOperation::Open, "f41");
    // Created again without the file gone (a usage error now), and with
    // --force, since skipped files cost the list their entries.
    std::vector<std::string> recreate = create;
    recreate.insert(recreate.begin() + 1, "--force");
    std::erase(recreate, "f30");
    const std::vector<std::vector<std::string>> commands{
        recreate, {"verify", Dir / "x.md5"}, {"compare", Dir.Dir(), other.Dir()}};
    const uint32_t every = ActiveDigestPaths();
    const uint32_t lanes =
        DigestPathBit(DigestPath::Md5Avx2) | DigestPathBit(DigestPath::Md5Avx512);
    if ((every & lanes) == 0)
        std::printf("MD5 lanes not tested: this processor or build lacks them\n");
    const std::pair<const char*, uint32_t> ways[] = {
        {"-j1", every & ~lanes}, {"-j4", every & ~lanes}, {"-j1", every}, {"-j4", every}};
    for (const auto& command : commands) {
        for (const char* onError : {"skip", "abort"}) {
            SCOPED_TRACE(command.front() + " --on-error " + onError);
            std::vector<TRunResult> runs;
            std::vector<std::string> lists;
            for (const auto& [jobs, paths] : ways) {
                std::vector<std::string> args = command;
                args.insert(args.begin() + 1, {jobs, "--on-error", onError});
                WriteFile(Dir / "x.md5", listed);
                SelectDigestPaths(paths);
                runs.push_back(Hashkeep(args));
                SelectDigestPaths(every);
                lists.push_back(ReadAll(Dir / "x.md5"));
            }
            for (size_t i = 1; i < runs.size(); ++i) {
                SCOPED_TRACE(std::string(ways[i].first) +
                             ((ways[i].second & lanes) != 0 ? " with lanes" : ""));
                EXPECT_EQ(runs[0].Status, runs[i].Status);
                EXPECT_EQ(runs[0].Out, runs[i].Out);
                EXPECT_EQ(runs[0].Err, runs[i].Err);
                EXPECT_EQ(lists[0], lists[i]);
            }
            // One worker stops at the first failing file, before the second.
            EXPECT_TRUE(Contains(runs[0].Err, "f17: cannot be read")) << runs[0].Err;
            EXPECT_NE(Contains(runs[0].Err, "f41: cannot be read"), onError == "abort"s);
        }
    }
}

// On a terminal, a live line on standard error names the file being hashed
// and counts the files and bytes of all workers, the speed and the time
// left; it is redrawn at most ten times a second and erased at the end. Off
// a terminal, or with -q, there is none.
TEST_F(HashkeepTest, LiveLineOnlyOnATerminalAndNotWhenQuiet) {
    // The first read of c.bin (after a.txt and b.txt) takes 0.5 s, time for
    // several redraws even on a loaded machine.
    struct TStall {
        bool Armed = false;
    } stall;
    Platform::SetFileFaultHook(
        [](FileOperation operation, const std::string& path, void* context) {
            auto& self = *static_cast<TStall*>(context);
            if (operation == FileOperation::Open)
                self.Armed = path.size() >= 5 && path.compare(path.size() - 5, 5, "c.bin") == 0;
            if (operation == FileOperation::Read && std::exchange(self.Armed, false))
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
            return false;
        },
        &stall);
    for (const auto& [quiet, terminal] : {std::pair{"", true}, {"-q", true}, {"", false}}) {
        SCOPED_TRACE(std::string(quiet) + (terminal ? " on a terminal" : " off a terminal"));
        std::vector<std::string> args{"create", "-j1", "-C", Dir.Dir(), "a.txt", "b.txt", "c.bin"};
        if (*quiet != 0)
            args.push_back(quiet);
        const auto start = std::chrono::steady_clock::now();
        const TRunResult result = Hashkeep(args, terminal);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        ASSERT_EQ(result.Status, HashkeepAllWell);
        // The counts follow the live line on a terminal, -q or not.
        const size_t counts = result.Err.find("wrote ");
        EXPECT_EQ(counts != std::string::npos, terminal) << result.Err;
        const std::string live = result.Err.substr(0, counts);
        if (!terminal || *quiet != 0) {
            EXPECT_EQ(live, "");
            continue;
        }
        EXPECT_TRUE(Contains(live, "\rc.bin  2/3 files  9 B/100.0 kB  0.0 MB/s  ") &&
                    Contains(live, " left"))
            << live;
        size_t draws = 0;
        for (size_t at = 0; (at = live.find(" files  ", at)) != std::string::npos; ++at)
            ++draws;
        // Drawn at the start and again while c.bin is read; how often
        // depends on the machine's load, only the bound below does not.
        EXPECT_GE(draws, 2u);
        EXPECT_LE(draws, 1 + static_cast<size_t>(elapsed / std::chrono::milliseconds(100)));
        EXPECT_EQ(live.back(), '\r'); // erased
        EXPECT_EQ(live.find_first_not_of(" \r", live.rfind(" left") + 5), std::string::npos);
    }
    Platform::SetFileFaultHook(nullptr, nullptr);
}

TEST_F(HashkeepTest, DemoShowsTheOneMismatchByVerifyingAndComparing) {
    const std::string directory = Dir / "demo";
    const TRunResult result = Hashkeep({"demo", directory});
    EXPECT_EQ(result.Status, HashkeepAllWell) << result.Err;
    EXPECT_TRUE(Contains(result.Out, "notes.txt: FAILED\n")) << result.Out;
    EXPECT_TRUE(Contains(result.Err, "3 files: 1 FAILED, 0 missing, 0 skipped")) << result.Err;
    EXPECT_TRUE(Contains(result.Out, "notes.txt: DIFFERENT\n")) << result.Out;
    // A second demo will not overwrite the first.
    EXPECT_EQ(Hashkeep({"demo", directory}).Status, HashkeepFailed);
}

} // namespace
