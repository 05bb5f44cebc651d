// Files in subfolders: the walk that gathers them, the lists that name them
// (written with '/', read with either separator), verification that never
// leaves the directory, and the lists of the coreutils tools, rhash and
// cksfv in both directions.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace EngineTest;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;
using Paths = std::vector<std::string>;

namespace {

constexpr bool Posix = Platform::PathSeparator == '/';

class SubfoldersTest : public ::testing::Test {
protected:
    void Make(const std::string& path, const std::string& content = "x") {
        std::filesystem::create_directories((Dir.Path() / path).parent_path());
        WriteFile(Dir / path, content);
    }

    // The mismatching entries of the list, or "failed" when it does not load.
    Paths Mismatches(const std::string& list) {
        if (std::string reason; !Checker.LoadList(list, &reason))
            return {"failed: " + reason};
        Paths mismatches;
        int32_t missing = 0, skipped = 0;
        EXPECT_EQ(Checker.VerifyAll(mismatches, missing, skipped), crOk);
        EXPECT_EQ(missing + skipped, 0);
        return mismatches;
    }

    TempDirectory Dir;
    TRecordingChecker Checker{Dir.Dir()};
};

TEST_F(SubfoldersTest, CollectFilesSortsPartByPartAndEntersNoLinkedFolder) {
    for (const char* path : {"b", "a.txt", "a/c/d", "a/b.txt", "a-b/x"})
        Make(path);
    std::filesystem::create_directory(Dir.Path() / "empty");
    // What a save killed half-way leaves beside its list is no one's file.
    std::string leftover;
    Platform::CloseFile(Platform::CreateTemporaryFile(Dir / "a/list.md5", leftover));
    ASSERT_TRUE(std::filesystem::exists(leftover));
    Paths expected{"a/b.txt", "a/c/d", "a-b/x", "a.txt", "b"};
#ifndef _WIN32
    std::filesystem::create_directory_symlink(Dir.Path() / "a", Dir.Path() / "link");
    std::filesystem::create_symlink(Dir.Path() / "a.txt", Dir.Path() / "file-link");
    ASSERT_EQ(::mkfifo((Dir / "fifo").c_str(), 0600), 0);
    expected.push_back("file-link"); // a file, as the panel shows it
#endif
    Paths paths{"kept"};
    std::string reason;
    ASSERT_TRUE(Checker.CollectFiles("", paths, &reason)) << reason;
    expected.insert(expected.begin(), "kept");
    EXPECT_EQ(paths, expected);

    paths.clear();
    ASSERT_TRUE(Checker.CollectFiles("a", paths));
    EXPECT_EQ(paths, (Paths{"a/b.txt", "a/c/d"}));
#ifndef _WIN32
    ASSERT_TRUE(Checker.CollectFiles("link", paths));
    EXPECT_EQ(paths.size(), 2u) << "a linked folder contributes nothing";
#endif

    // What no list can name again is refused, naming it, and adds nothing.
    Checker.MaxNameLength = 6;
    const std::vector<std::pair<std::string, std::string>> refused{
        {"a", "a/b.txt: longer than the 6 characters a list entry may have"},
        {"..", ": it names the directory itself or its parent"},
        {"none", "none: cannot be read: "},
    };
    for (const auto& [folder, why] : refused) {
        EXPECT_FALSE(Checker.CollectFiles(folder, paths, &reason)) << folder;
        EXPECT_NE(reason.find(why), std::string::npos) << reason;
    }
#ifndef _WIN32
    Checker.MaxNameLength = MaxListNameLength;
    Make("odd/back\\slash");
    EXPECT_FALSE(Checker.CollectFiles("odd", paths, &reason));
    EXPECT_EQ(reason, "odd/back\\slash: a list cannot hold a name with a backslash");
#endif
    EXPECT_EQ(paths.size(), 2u);
}

#ifdef _WIN32
// No single-byte code page holds the fullwidth forms, which the ANSI calls
// turned into look-alikes of other names ("\uFF41bc" into "abc", a folder
// "\uFF0E\uFF0E" into ".."). Such a name is given with '?' where the code
// page cannot write it, never entered as a folder, and cannot be read.
TEST_F(SubfoldersTest, NamesTheCodePageCannotHoldAreNeverTakenForOthers) {
    for (const char8_t* name : {u8"\uFF41bc.txt", u8"\uFF0E\uFF0E/f", u8"x\uFF0Fy"}) {
        std::filesystem::create_directories((Dir.Path() / name).parent_path());
        std::ofstream(Dir.Path() / name) << "x";
    }
    Make("abc.txt", "abc");
    Paths paths;
    ASSERT_TRUE(Checker.CollectFiles("", paths));
    EXPECT_EQ(paths, (Paths{"??", "?bc.txt", "abc.txt", "x?y"}));
    for (const std::string lost : {"??", "?bc.txt", "x?y"}) {
        Checker.Answers = {raSkip};
        EXPECT_EQ(Checker.AddFile(lost), crSkipped) << lost;
        EXPECT_EQ(Checker.LastError, lost + ": the name cannot be written in this code page");
    }
    EXPECT_EQ(Checker.Count(), 0);
}
#endif

TEST_F(SubfoldersTest, ListsNameSubfoldersWithSlashesAndVerifyWithEither) {
    Make("sub/abc.txt", "abc");
    Make("sub/deep/e", "");
    Checker.Algorithm = haSha256;
    // The backslash separates folders where it is the system's separator.
    for (const char* name : {"sub/abc.txt", Posix ? "sub/deep/e" : "sub\\deep\\e"})
        ASSERT_EQ(Checker.AddFile(name), crOk) << name;
    ASSERT_TRUE(Checker.SaveList("all.sha256", false));
    ASSERT_TRUE(Checker.SaveList("ignored", true));
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    const std::string empty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    EXPECT_EQ(ReadAll(Dir / "all.sha256"),
              "\r\n" + abc + " *sub/abc.txt\r\n" + empty + " *sub/deep/e\r\n");
    // One list per file lies beside it and names it as its folder does.
    EXPECT_EQ(ReadAll(Dir / "sub/deep/e.sha256"), "\r\n" + empty + " *e\r\n");

    WriteFile(Dir / "mixed.sfv", "sub\\abc.txt 352441c2\r\n./sub/deep/e 00000000\r\n");
    EXPECT_EQ(Mismatches("mixed.sfv"), Paths{});
    EXPECT_EQ(Mismatches("all.sha256"), Paths{});
    WriteFile(Dir / "sub/deep/e", "changed");
    EXPECT_EQ(Mismatches("all.sha256"), Paths{"sub/deep/e"});
}

// A list's entry is the file named exactly as the list gives it, blanks at
// its ends included; the name without them only when no file has that name;
// and on Windows never a name Windows would open as another ("x." as "x"):
// such a name is skipped, so that no option hiding missing files hides it.
TEST_F(SubfoldersTest, VerifyingChecksTheFileNamedExactlyAsListed) {
    const std::string md5 = "900150983cd24fb0d6963f7d28e17f72"; // of the intact "abc"
    const struct {
        const char* ListName;
        std::string Line;
        const char* Damaged; // beside the intact twin, where the system can hold it
        const char* Checked;
        TCheckResult Result;
    } cases[] = {
        {"l.md5", md5 + "  report.pdf ", "report.pdf ", Posix ? "report.pdf " : "report.pdf",
         Posix ? crMismatch : crOk},
        {"l.md5", md5 + "  report.pdf \t", "", "report.pdf", crOk},
        {"l.sfv", " lead.bin 352441c2", " lead.bin", " lead.bin", crMismatch},
        {"l.md5", md5 + " *x.", "x.", "x.", Posix ? crMismatch : crSkipped},
        {"l.md5", md5 + " *sub./f ", "", "sub./f", Posix ? crMissing : crSkipped},
    };
    for (const char* intact : {"report.pdf", "lead.bin", "x", "sub/f"})
        Make(intact, "abc");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        if (*c.Damaged != 0 && Platform::NameCanExist(c.Damaged))
            Make(c.Damaged, "abd");
        WriteFile(Dir / c.ListName, c.Line);
        ASSERT_TRUE(Checker.LoadList(c.ListName));
        std::string checked;
        EXPECT_EQ(Checker.VerifyEntry(Checker.Items.at(0), &checked), c.Result);
        EXPECT_EQ(checked, c.Checked);
        if (!Platform::NameCanExist(c.Checked)) {
            EXPECT_EQ(Checker.LastError, checked + ": cannot exist on this system");
        }
    }
}

// The open itself refuses "..", whoever handed it the name: a list reader
// refuses such entries long before, the compare command's FILEs too.
TEST_F(SubfoldersTest, DotDotRefusedInsideTheOpen) {
    const TempDirectory outer;
    WriteFile(outer / "outside.txt", "abc");
    std::filesystem::create_directories(outer.Path() / "base" / "sub");
    TRecordingChecker checker(outer / "base");
    for (const char* name : {"../outside.txt", "sub/../../outside.txt", "sub/.."}) {
        checker.Answers = {raSkip};
        TFileCheckerItem item{name, {}};
        EXPECT_EQ(checker.HashItem(item), crSkipped) << name;
        EXPECT_EQ(checker.LastError, name + std::string(": its path leaves the folder (\"..\")"));
    }
}

#ifndef _WIN32
TEST_F(SubfoldersTest, NoEntryReachesOutThroughALinkedFolder) {
    const TempDirectory outside;
    WriteFile(outside / "secret", "abc");
    std::filesystem::create_directory_symlink(outside.Path(), Dir.Path() / "out");
    WriteFile(Dir / "l.md5", "900150983cd24fb0d6963f7d28e17f72 *out/secret\r\n");
    ASSERT_TRUE(Checker.LoadList("l.md5"));
    Checker.Answers = {raSkip};
    EXPECT_EQ(Checker.VerifyItem(0), crSkipped);
    EXPECT_EQ(Checker.LastError,
              "out/secret: a folder on its path is a symbolic link, which is not followed");
    EXPECT_EQ(Checker.Events, Paths{"error out/secret"});
}

// Each check that keeps an entry inside the directory, held by a test that
// plants exactly what it refuses. The walk tests every folder along the
// path for a link, not only the last: "link/c" is a real folder reached
// through one.
TEST_F(SubfoldersTest, LinkTestOnEveryFolderAlongThePath) {
    Make("a/c/d");
    std::filesystem::create_directory_symlink(Dir.Path() / "a", Dir.Path() / "link");
    Paths paths;
    ASSERT_TRUE(Checker.CollectFiles("link/c", paths));
    EXPECT_EQ(paths, Paths{});
}

// The peers as Debian ships them read our lists of a file and a folder, in
// every format, and we read theirs (--tag, escaped names, subfolders): each
// verifies clean, and after one change shows exactly that file.
TEST_F(SubfoldersTest, ThePeersAndWeReadEachOthersLists) {
    Make("a.txt", "abc");
    Make("disc 1/t01.flac", "one");
    Make("disc 1/sub/t02.flac", "two");
    Make("odd/new\nline", "three");
    // Names that POSIX allows and lists hold: the twin without the blank
    // differs, so only the file of exactly the listed name verifies.
    Make("12:30 report.pdf ", "four");
    Make("12:30 report.pdf", "twin");
    Make(" lead.bin", "five");
    Make("lead.bin", "twin");
    auto run = [&](const std::string& command) {
        return std::system(("cd '" + Dir.Dir() + "' && (" + command + ") >/dev/null 2>&1").c_str());
    };
    Paths lists, paths{"a.txt"};
    ASSERT_TRUE(Checker.CollectFiles("disc 1", paths));
    for (const TAlgoDefinition& row : AlgoDefinitions) {
        Checker.ClearItems();
        Checker.Algorithm = static_cast<uint32_t>(row.Id);
        for (const std::string& path : paths)
            ASSERT_EQ(Checker.AddFile(path), crOk);
        lists.push_back(std::string("ours") + row.Extension);
        ASSERT_TRUE(Checker.SaveList(lists.back(), false));
        std::string tool = row.Name;
        std::transform(tool.begin(), tool.end(), tool.begin(), [](char c) { return c | 0x20; });
        EXPECT_EQ(run("rhash -c --skip-ok " + lists.back()), 0) << lists.back();
        EXPECT_EQ(run(row.HashFirst ? tool + "sum -c --strict " + lists.back()
                                    : "cksfv -q -f " + lists.back()),
                  0)
            << lists.back();
    }
    // busybox writes a line break in a name as it is, which no list holds.
    const std::string plain = "a.txt 'disc 1'/t01.flac 'disc 1/sub/t02.flac' '12:30 report.pdf '",
                      files = plain + " odd/*";
    const std::string armour = "{ echo '-----BEGIN PGP SIGNED MESSAGE-----'; echo 'Hash: SHA256'; "
                               "echo; sha256sum " +
                               files +
                               "; echo '-----BEGIN PGP SIGNATURE-----'; echo; echo 'iQEz=='; "
                               "echo '-----END PGP SIGNATURE-----'; }";
    for (const auto& [command, list] : std::vector<std::pair<std::string, std::string>>{
             {"sha256sum " + files, "SHA256SUMS"},
             {"sha256sum --tag " + files, "tagged.sha256"},
             {"md5sum --tag " + files, "MD5SUMS"},
             {"sha1sum " + files, "sums.sha1"},
             {"rhash --sha256 -r 'disc 1'", "rhash.sha256"},
             {"cksfv -q 'disc 1'/t01.flac 'disc 1/sub/t02.flac' ' lead.bin'", "sums.sfv"},
             {"{ echo '# release 1.0'; busybox sha256sum " + plain + "; }", "SHA256SUMS.txt"},
             {"busybox md5sum " + plain, "x.md5sum"},
             {"busybox sha1sum " + plain, "sha1sums.txt"},
             {"shasum -a 256 " + files, "SHASUMS256.txt"},
             {"shasum -a 1 --tag " + files, "y.sha1sum"},
             {"openssl dgst -sha256 " + plain, "openssl.sha256"},
             {"openssl dgst -md5 " + plain, "openssl.md5"},
             {"openssl dgst -sha1 " + plain, "openssl.sha1"},
             {"rhash --bsd --md5 " + plain, "rhash.md5"},
             {"rhash --bsd --sha1 " + plain, "rhash.sha1"},
             {armour, "signed.sha256"}}) {
        ASSERT_EQ(run(command + " > " + list), 0) << command;
        lists.push_back(list);
    }
    for (const std::string& list : lists)
        EXPECT_EQ(Mismatches(list), Paths{}) << list;
    WriteFile(Dir / "disc 1/sub/t02.flac", "changed");
    for (const std::string& list : lists)
        EXPECT_EQ(Mismatches(list), Paths{"disc 1/sub/t02.flac"}) << list;
}
#endif

} // namespace
