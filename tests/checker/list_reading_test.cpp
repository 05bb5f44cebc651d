// Reading lists: every rule that accepts or rejects a list, lists written by
// md5sum and sha1sum, and the bounds that keep a hostile list from taking
// unbounded memory.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace EngineTest;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;
using Entries = std::vector<std::pair<std::string, std::string>>;

namespace {

const std::string Md5Abc = "900150983cd24fb0d6963f7d28e17f72";
const std::string Sha1Abc = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string Sha256Abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

struct TListCase {
    const char* What;
    std::string ListName;
    std::string Content;
    Entries Expected; // empty: the list is rejected
};

// POSIX names hold what Windows keeps for drives; on Windows such a list
// leads out of its directory. What Windows keeps out of names, and a
// backslash that only an escaped line can give, are entries everywhere (on
// Windows of names that cannot exist there).
constexpr bool Posix = Platform::PathSeparator == '/';
Entries OnPosix(Entries entries) {
    return Posix ? entries : Entries{};
}

// A PGP clear-signed list, as releases sign their SHA256SUMS; Headers and
// Signature stand in the armour's header and in its signature block.
std::string ClearSigned(const std::string& entries, const std::string& after = "",
                        const std::string& headers = "", const std::string& signature = "",
                        const std::string& signatureHeaders = "") {
    return "-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n" + headers + "\n" + entries +
           "-----BEGIN PGP SIGNATURE-----\n" + signatureHeaders + "\niQEzBAEBCAAdFiEE/x+y\n" +
           signature + "=AbCd\n-----END PGP SIGNATURE-----\n" + after;
}

std::string Repeat(char c, size_t count) {
    return std::string(count, c);
}

std::string Repeat(const std::string& text, size_t count) {
    std::string repeated;
    for (size_t i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

// A CRC32 line of exactly Length characters.
std::string SfvLineOfLength(size_t length) {
    return Repeat('n', length - 9) + " 352441c2";
}

std::vector<TListCase> Cases() {
    return {
        {"header and one entry", "a.sfv", "\r\nabc.txt 352441c2\r\n", {{"abc.txt", "352441c2"}}},
        {"comment as header", "a.sfv", "; Hashkeep\r\nabc.txt 352441c2", {{"abc.txt", "352441c2"}}},
        {"extension in capitals", "A.SFV", "abc.txt 352441c2", {{"abc.txt", "352441c2"}}},
        {"extension not in the table", "a.txt", "abc.txt 352441c2", {}},
        {"no extension", "sfv", "abc.txt 352441c2", {}},
        {"extension of a directory only",
         "dir.sfv" + std::string(1, Platform::PathSeparator) + "list",
         "abc.txt 352441c2",
         {}},
        {"268 characters", "a.sfv", SfvLineOfLength(268), {{Repeat('n', 259), "352441c2"}}},
        {"269 characters", "a.sfv", SfvLineOfLength(269), {}},
        {"268 characters between long runs of blanks",
         "a.sfv",
         Repeat(' ', 40000) + "\t" + SfvLineOfLength(268) + Repeat('\t', 70000) + "\r\n",
         {{Repeat('n', 259), "352441c2"}}},
        {"269 characters after long blanks",
         "a.sfv",
         Repeat(' ', 40000) + SfvLineOfLength(269),
         {}},
        {"md5 line of 293 with a mark: a name of 259",
         "a.md5",
         Md5Abc + " *" + Repeat('m', 259),
         {{Repeat('m', 259), Md5Abc}}},
        {"md5 line of 293 without a mark: a name of 260",
         "a.md5",
         Md5Abc + " " + Repeat('m', 260),
         {}},
        {"md5 line of 294 with a mark", "a.md5", Md5Abc + " *" + Repeat('m', 260), {}},
        {"sha1 line of 301 in text mode: a name of 259",
         "a.sha1",
         Sha1Abc + "  " + Repeat('s', 259),
         {{Repeat('s', 259), Sha1Abc}}},
        {"sha1 line of 301 without a mark", "a.sha1", Sha1Abc + " " + Repeat('s', 260), {}},
        {"a long blank run inside a line",
         "a.sfv",
         Repeat('a', 1) + Repeat(' ', 300) + "b 352441c2",
         {}},
        {"tab as separator", "a.sfv", "abc.txt\t352441c2", {}},
        {"sfv name with spaces", "a.sfv", "my file.txt 352441c2", {{"my file.txt", "352441c2"}}},
        {"md5 text, binary and no mark",
         "a.md5",
         Md5Abc + "  text name.txt\n" + Md5Abc + " *binary.bin\n" + Md5Abc + " bare\n",
         {{"text name.txt", Md5Abc}, {"binary.bin", Md5Abc}, {"bare", Md5Abc}}},
        {"only one mark is removed", "a.md5", Md5Abc + "   two.txt", {{" two.txt", Md5Abc}}},
        {"a second asterisk stays", "a.md5", Md5Abc + " **a.txt", {{"*a.txt", Md5Abc}}},
        {"upper-case digits are kept",
         "a.sha1",
         "A9993E364706816ABA3E25717850C26C9CD0D89D *abc.txt",
         {{"abc.txt", "A9993E364706816ABA3E25717850C26C9CD0D89D"}}},
        {"digits are not checked", "a.sfv", "abc.txt zzzzzzzz", {{"abc.txt", "zzzzzzzz"}}},
        {"crc32 lines in an md5 list", "a.md5", "abc.txt 352441c2", {}},
        {"digest one short", "a.md5", Md5Abc.substr(1) + " *abc.txt", {}},
        // A NUL would hide every entry behind it from the check.
        {"NUL after entries", "a.sfv", std::string("abc.txt 352441c2\n\0b.txt 00000000", 32), {}},
        {"NUL in a comment", "a.sfv", std::string("; \0\nabc.txt 352441c2\n", 21), {}},
        {"NUL in the first line",
         "a.sfv",
         std::string("abc.txt 3524\0"
                     "41c2",
                     17),
         {}},
        {"CR, LF and CR LF, blank lines between",
         "a.sfv",
         "a 00000000\rb 11111111\nc 22222222\r\n\r\n\n\rd 33333333",
         {{"a", "00000000"}, {"b", "11111111"}, {"c", "22222222"}, {"d", "33333333"}}},
        {"comments, also indented and long",
         "a.md5",
         "; one\r\n// two\r\n   ; four\r\n\t// five\r\n;" + Repeat('x', 100000) + "\r\n" + Md5Abc +
             " *abc.txt\r\n",
         {{"abc.txt", Md5Abc}}},
        // cksfv writes absolute paths: such a line is an entry, refused by
        // the name rules, never a comment that leaves its file unchecked.
        {"one slash: an entry", "a.sfv", "/home/abc.txt 352441c2\r\n", {}},
        {"a slash alone", "a.md5", Md5Abc + " *abc.txt\r\n/\r\n", {}},
        {"slash, blank, slash", "a.md5", Md5Abc + " *abc.txt\r\n / /x\r\n", {}},
        {"mark, header", "a.sfv", "\xEF\xBB\xBF;\r\nabc.txt 352441c2", {{"abc.txt", "352441c2"}}},
        {"mark, entry", "a.md5", "\xEF\xBB\xBF" + Md5Abc + " *abc.txt", {{"abc.txt", Md5Abc}}},
        {"mark not first", "a.sfv", "abc.txt 352441c2\r\n\xEF\xBB\xBF;\r\n", {}},
        {"half a mark",
         "a.sfv",
         "\xEF\xBB" + SfvLineOfLength(16),
         {{"\xEF\xBBnnnnnnn", "352441c2"}}},
        // Blanks at a name's end of the line are the name's own (verifying
        // falls back to the name without them); those past the digits not.
        {"blanks before an SFV name are kept, those after its digits not",
         "a.sfv",
         " \t abc.txt 352441c2 \t \x01\r\n \x01lead.bin 729DA062",
         {{" \t abc.txt", "352441c2"}, {" \x01lead.bin", "729DA062"}}},
        {"blanks after an md5 name are kept, those before its digits not",
         "a.md5",
         "  " + Md5Abc + "  report.pdf \n" + Md5Abc + " *tab\t\nMD5 (tagged) = " + Md5Abc + " \n",
         {{"report.pdf ", Md5Abc}, {"tab\t", Md5Abc}, {"tagged", Md5Abc}}},
        {"blanks beyond a name's bound are stray",
         "a.md5",
         Md5Abc + " *" + Repeat('m', 259) + " \t",
         {{Repeat('m', 259), Md5Abc}}},
        {"empty file", "a.sfv", "", {}},
        {"only the header and comments", "a.sfv", "\r\n; nothing\r\n", {}},
        // Entries in subfolders, as sha256sum, cksfv and Windows tools write them.
        {"paths with either separator",
         "a.md5",
         Md5Abc + " *sub\\abc.txt\n" + Md5Abc + "  ./d1/d 2/abc.txt\n",
         {{Posix ? "sub/abc.txt" : "sub\\abc.txt", Md5Abc}, {"./d1/d 2/abc.txt", Md5Abc}}},
        {"sfv path", "a.sfv", "cd 1/t 01.flac 352441C2", {{"cd 1/t 01.flac", "352441C2"}}},
        {"path of 259",
         "a.sfv",
         "sub/" + SfvLineOfLength(264),
         {{"sub/" + Repeat('n', 255), "352441c2"}}},
        {"path of 260", "a.sfv", "sub/" + SfvLineOfLength(265), {}},
        {"absolute path", "a.md5", Md5Abc + " */etc/passwd", {}},
        {"rooted path", "a.sfv", "\\x 352441c2", {}},
        {"UNC path", "a.md5", Md5Abc + " *\\\\srv\\x", {}},
        {"drive and path", "a.md5", Md5Abc + " *c:/x", OnPosix({{"c:/x", Md5Abc}})},
        {"up and out", "a.md5", Md5Abc + " *sub/../../x", {}},
        {"up by Windows' trailing-dot rule", "a.md5", Md5Abc + " *sub/. ./x", {}},
        {"an empty part", "a.md5", Md5Abc + " *sub//x", {}},
        {"a folder, not a file", "a.md5", Md5Abc + " *sub/", {}},
        {"the folder itself at the end", "a.md5", Md5Abc + " *sub/.", {}},
        // The lists that releases ship: coreutils' tagged and escaped lines.
        {"SHA256SUMS, tagged",
         "SHA256SUMS",
         "SHA256 (a) = b) = " + Sha256Abc + "\nSHA256 (iso/x.iso) = " + Sha256Abc + "\n",
         {{"a) = b", Sha256Abc}, {"iso/x.iso", Sha256Abc}}},
        {"sha256sums in lower case",
         "sha256sums",
         Sha256Abc + " *abc.txt",
         {{"abc.txt", Sha256Abc}}},
        {"SUMS with an extension", "SHA256SUMS.gpg", Sha256Abc + " *abc.txt", {}},
        {"tag of another algorithm", "a.sha256", "SHA1 (abc.txt) = " + Sha1Abc, {}},
        {"tag without its ') = '", "MD5SUMS", "MD5 (abc.txt) =" + Md5Abc, {}},
        {"a tagged path of 259",
         "x.sha256",
         "SHA256 (sub/" + Repeat('t', 255) + ") = " + Sha256Abc,
         {{"sub/" + Repeat('t', 255), Sha256Abc}}},
        {"escaped names",
         "SHA1SUMS",
         "\\" + Sha1Abc + "  a\\\\b\\nc\\r\n\\SHA1 (new\\nline) = " + Sha1Abc,
         {{"a\\b\nc\r", Sha1Abc}, {"new\nline", Sha1Abc}}},
        {"an escaped name of 259",
         "a.md5",
         "\\" + Md5Abc + " *n" + Repeat("\\n", 258),
         {{"n" + Repeat('\n', 258), Md5Abc}}},
        {"an unknown escape", "a.md5", "\\" + Md5Abc + " *a\\tb", {}},
        {"an escape cut short", "a.md5", "\\" + Md5Abc + " *ab\\", {}},
        // coreutils' \\ is a backslash of the name where names hold one.
        {"an escaped backslash",
         "a.md5",
         "\\" + Md5Abc + " *..\\\\x\n\\" + Md5Abc + " *\\\\y",
         {{"..\\x", Md5Abc}, {"\\y", Md5Abc}}},
        {"no escapes in SFV lists", "a.sfv", "\\abc.txt 352441c2", {}},
        {"an SFV name that looks tagged",
         "a.sfv",
         "MD5 (a) = 352441c2",
         {{"MD5 (a) =", "352441c2"}}},
        {"name with a drive", "a.sfv", "c:abc.txt 352441c2", OnPosix({{"c:abc.txt", "352441c2"}})},
        {"name with a wildcard", "a.sfv", "*.txt 352441c2", {{"*.txt", "352441c2"}}},
        {"names with what Windows keeps out of names",
         "a.md5",
         Md5Abc + " *12:30 a?b*<c>|\"d\"",
         {{"12:30 a?b*<c>|\"d\"", Md5Abc}}},
        // What releases ship: signed lists, comments, other tools' tags.
        {"PGP clear-signed",
         "SHA256SUMS",
         ClearSigned("# release 1.0\n" + Sha256Abc + " *abc.txt\n", "\n"),
         {{"abc.txt", Sha256Abc}}},
        {"signed, the signature cut off",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n").substr(0, 120),
         {}},
        {"a line after the signature",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n", Sha256Abc + " *x\n"),
         {}},
        {"armour that does not start the list",
         "SHA256SUMS",
         Sha256Abc + " *x\n" + ClearSigned(""),
         {}},
        // gpg calls a list BAD that holds anything but armour around the
        // signed lines; no reader checks a digest line standing there.
        {"the signature's own headers and lines",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n", "", "Hash: SHA1, SHA512\n", "",
                     "Version: GnuPG v2\nComment: x\n"),
         {{"abc.txt", Sha256Abc}}},
        {"a digest line among the armour headers",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n", "", Sha256Abc + " *b\n"),
         {}},
        {"a header gpg refuses",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n", "", "NotDashEscaped: yes\n"),
         {}},
        {"a digest line in the signature",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n", "", "", Sha256Abc + " *b\n"),
         {}},
        {"a digest line among the signature's headers",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n", "", "", "", Sha256Abc + " *b\n"),
         {}},
        {"signed, cut inside the signature",
         "SHA256SUMS",
         ClearSigned(Sha256Abc + " *abc.txt\n")
             .substr(0, ClearSigned(Sha256Abc + " *abc.txt\n").find("=AbCd")),
         {}},
        // gpg signs a line that starts with '-' as "- " and the line.
        {"dash-escaped lines",
         "a.sfv",
         ClearSigned("- -x.bin 352441c2\n- - y 352441c2\n"),
         {{"-x.bin", "352441c2"}, {"- y", "352441c2"}}},
        {"a signed line starting with '-' but not escaped",
         "a.sfv",
         ClearSigned("abc.txt 352441c2\n-x.bin 352441c2\n"),
         {}},
        // CRC32 lists with the digest first, as 7-Zip and rhash --simple
        // write them; .sfv stays SFV's name.
        {"7-Zip's .crc32",
         "x.crc32",
         "EFDCC385  c.txt\n352441c2 *d e\n",
         {{"c.txt", "EFDCC385"}, {"d e", "352441c2"}}},
        {"cksfv's lines in .crc32", "x.CRC32", "20240101 46EA081F\n", {{"20240101", "46EA081F"}}},
        {"the digest first in .sfv", "a.sfv", "EFDCC385  c.txt\n", {}},
        // What gpg --print-md prints is recognised and refused, never read
        // as entries of another form.
        {"gpg --print-md in .sha256",
         "x.sha256",
         "c.txt: BA7816BF 8F01CFEA 414140DE 5DAE2223 B00361A3 96177A9C B410FF61 F20015AD\n",
         {}},
        {"# comments where a digest comes first, not in SFV lists",
         "a.sfv",
         "#1 intro.flac 352441c2",
         {{"#1 intro.flac", "352441c2"}}},
        {"openssl's and rhash's tags",
         "a.md5",
         "MD5(a b)= " + Md5Abc + "\nMD5   (c) = " + Md5Abc + "\nMD5(d )= " + Md5Abc,
         {{"a b", Md5Abc}, {"c", Md5Abc}, {"d ", Md5Abc}}},
        {"openssl 3's SHA2-256 and its SHA256",
         "a.sha256",
         "SHA2-256(a)= " + Sha256Abc + "\nSHA256(b)= " + Sha256Abc,
         {{"a", Sha256Abc}, {"b", Sha256Abc}}},
        {"openssl's tag of another algorithm", "a.sha1", "MD5(a)= " + Md5Abc, {}},
        {"a tag padded too far", "a.md5", "MD5        (a) = " + Md5Abc, {}},
        {"empty name", "a.md5", Md5Abc + " *", {}},
        {"the directory itself", "a.md5", Md5Abc + " *.", {}},
        {"the parent", "a.sfv", ".. 352441c2", {}},
        {"the parent by Windows' trailing-dot rule", "a.sfv", ".. . 352441c2", {}},
        {"one bad line spoils the list",
         "a.sfv",
         "a 00000000\r\nb\t11111111\r\nc 22222222\r\n",
         {}},
    };
}

class ListReadingTest : public ::testing::Test {
protected:
    TempDirectory Dir;
    TFileChecker Checker{Dir.Dir()};
};

TEST_F(ListReadingTest, ReadingRules) {
    for (const TListCase& c : Cases()) {
        SCOPED_TRACE(c.What);
        if (c.ListName.find(Platform::PathSeparator) != std::string::npos)
            std::filesystem::create_directories(Dir.Path() / "dir.sfv");
        WriteFile(Dir / c.ListName, c.Content);
        Checker.ClearItems();
        Checker.Algorithm = haNone;
        std::string reason;
        const bool loaded = Checker.LoadList(c.ListName, &reason);
        EXPECT_EQ(loaded, !c.Expected.empty()) << reason;
        Entries got;
        for (const TFileCheckerItem& item : Checker.Items)
            got.emplace_back(Platform::ShownName(item.FileName), item.Hash);
        EXPECT_EQ(got, c.Expected);
        EXPECT_EQ(reason.empty(), loaded) << reason;
    }
}

TEST_F(ListReadingTest, AlgorithmComesFromTheExtensionAlone) {
    WriteFile(Dir / "x.Md5", Md5Abc + " *abc.txt");
    ASSERT_TRUE(Checker.LoadList("x.Md5"));
    EXPECT_EQ(Checker.Algorithm, haMd5);
    WriteFile(Dir / "x.sha1", Sha1Abc + " *abc.txt");
    ASSERT_TRUE(Checker.LoadList(Dir / "x.sha1")); // absolute names are taken as they are
    EXPECT_EQ(Checker.Algorithm, haSha1);
}

TEST_F(ListReadingTest, AFailedLoadKeepsTheEntriesAndAlgorithmItHad) {
    WriteFile(Dir / "good.sfv", "a 00000000\r\nb 11111111\r\n");
    WriteFile(Dir / "bad.md5", "a 00000000\r\n");
    ASSERT_TRUE(Checker.LoadList("good.sfv"));
    std::string reason;
    EXPECT_FALSE(Checker.LoadList("bad.md5", &reason));
    EXPECT_EQ(reason, "line 1 has a digest of 1 characters instead of 32");
    EXPECT_FALSE(Checker.LoadList("missing.md5", &reason));
    EXPECT_NE(reason.find("cannot be opened"), std::string::npos) << reason;
    EXPECT_EQ(Checker.Count(), 2);
    EXPECT_EQ(Checker.Algorithm, haCrc32);

    // Loading replaces; it never appends.
    WriteFile(Dir / "other.sfv", "c 22222222\r\n");
    ASSERT_TRUE(Checker.LoadList("other.sfv"));
    EXPECT_EQ(Checker.Count(), 1);
}

TEST_F(ListReadingTest, ReasonsNameTheLineAsAnEditorCountsIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"a 00000000\r\n\r\nb 11111111\rc\n", "line 4 has no space between digest and name"},
        {std::string("a 00000000\r\n\r\nb 111\00011111\r\n", 28), "line 3 holds a NUL byte"},
        {"\xEF\xBB\xBF/x 00000000\r\n", "line 1 holds an absolute path"},
        {ClearSigned("a 00000000\n", "\nb 11111111\n"),
         "line 11 follows the PGP signature, which does not sign it"},
        {ClearSigned("a 00000000\n", "", "b 11111111\n"),
         "line 3 is no \"Hash:\" header, the only one a signed list holds"},
        {ClearSigned("a 00000000\n", "", "", "b 11111111\n"),
         "line 8 is no line of a PGP signature"},
    };
    for (const auto& [content, expected] : cases) {
        WriteFile(Dir / "a.sfv", content);
        std::string reason;
        EXPECT_FALSE(Checker.LoadList("a.sfv", &reason));
        EXPECT_EQ(reason, expected);
    }
}

// A list whose name tells no algorithm ("CHECKSUMS") is read in the one
// format that reads all of it, its digits hexadecimal; or as the algorithm
// given, whatever its name. Where SFV and a digest-first form both read it,
// two blanks or " *" after every digest mean digest first, and one blank
// between CRC32s is SFV's; anything else is ambiguous, and so is refused.
TEST_F(ListReadingTest, AListNamedForNoAlgorithmIsReadAsItsDigestsOrAsAskedTell) {
    const std::string print256 =
        "c.txt: BA7816BF 8F01CFEA 414140DE 5DAE2223 B00361A3 96177A9C B410FF61 F20015AD\n";
    const struct {
        uint32_t Asked;
        std::string Content;
        uint32_t Read;                  // haNone: refused
        std::string ReasonOrFirstEntry; // the reason, or the first entry's name
    } cases[] = {
        {haNone, "# made by hand\n" + Sha256Abc + "  a.iso\n", haSha256, "a.iso"},
        {haNone, "SHA1 (b) = " + Sha1Abc, haSha1, "b"},
        {haNone, ";\nc d 352441C2\n", haCrc32, "c d"},
        {haNone, Md5Abc + "  a\n" + Sha256Abc + "  b\n", haNone,
         "line 2 has a digest of 64 characters instead of 32"},
        {haNone, Md5Abc + "  a\n" + Repeat('z', 32) + "  b\n", haNone,
         "line 2 has a digest that is no hexadecimal number"},
        {haSha1, Sha1Abc + " *s", haSha1, "s"},
        {haMd5, Sha1Abc + " *s", haNone, "line 1 has a digest of 40 characters instead of 32"},
        // A file named like a CRC32 is no CRC32.
        {haNone, Sha256Abc + "  20240101\n" + Sha256Abc + "  c.txt\n", haSha256, "20240101"},
        {haNone, Sha256Abc + "  20240101\n", haSha256, "20240101"},
        {haNone, "20240101 46EA081F\n", haCrc32, "20240101"},
        {haNone, "352441c2  20240101\n", haCrc32, "20240101"},
        {haNone, "EFDCC385  c.txt\n", haCrc32, "c.txt"},
        {haCrc32, "EFDCC385  c.txt\n", haCrc32, "c.txt"},
        {haNone, "CRC32 (c.txt) = 352441c2\n", haCrc32, "c.txt"},
        {haNone, Md5Abc + " 20240101\n", haNone,
         "it reads as SFV and as MD5 digest first: -a or .sfv tells which"},
        {haCrc32, "20240101 46EA081F\n46EA081F  20240101\n", haNone,
         "it reads as SFV and as CRC32 digest first: -a or .sfv tells which"},
        // A '#' line is a comment in every read, or an entry in every read.
        {haNone, "# made by hand\nc.txt 352441C2\n", haNone,
         "line 2 is no line of a list of CRC32, MD5, SHA1 or SHA256"},
        // gpg --print-md, on one line and carried over two: never made into entries.
        {haNone, print256, haNone,
         "it is SHA256 digests as gpg --print-md prints them, not a list"},
        {haNone,
         "c.txt: 90 01 50 98 3C D2 4F B0  D6 96 3F 7D 28 E1\n       7F 72\n"
         "d: 90 01 50 98 3C D2 4F B0  D6 96 3F 7D 28 E1 7F 72\n",
         haNone, "it is MD5 digests as gpg --print-md prints them, not a list"},
        {haNone, "abc.txt zzzzzzzz", haNone,
         "line 1 is no line of a list of CRC32, MD5, SHA1 or SHA256"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Content);
        WriteFile(Dir / "CHECKSUMS", c.Content);
        Checker.Algorithm = haNone;
        std::string reason;
        const bool loaded = Checker.LoadListOf(c.Asked, "CHECKSUMS", &reason);
        EXPECT_EQ(loaded, c.Read != haNone);
        EXPECT_EQ(Checker.Algorithm, c.Read);
        EXPECT_EQ(loaded ? Checker.Items.at(0).FileName : reason, c.ReasonOrFirstEntry);
    }
}

TEST_F(ListReadingTest, EntryCountIsBounded) {
    std::string content;
    content.reserve(static_cast<size_t>(ListEntryLimit + 1) * 11);
    for (int32_t i = 0; i < ListEntryLimit; ++i)
        content += "a 00000000\n";
    WriteFile(Dir / "full.sfv", content);
    ASSERT_TRUE(Checker.LoadList("full.sfv"));
    EXPECT_EQ(Checker.Count(), ListEntryLimit);

    content += "b 00000000\n";
    WriteFile(Dir / "over.sfv", content);
    std::string reason;
    EXPECT_FALSE(Checker.LoadList("over.sfv", &reason));
    EXPECT_EQ(reason, "it holds more than " + std::to_string(ListEntryLimit) + " entries");
    EXPECT_EQ(Checker.Count(), ListEntryLimit);
}

// Lines as md5sum and sha1sum write them: LF ends, no header, two spaces
// before a name read in text mode, an asterisk for binary mode.
TEST_F(ListReadingTest, ListsOfMd5sumAndSha1sumVerify) {
    WriteFile(Dir / "abc.txt", "abc");
    WriteFile(Dir / "my file", "");
    const std::string emptyMd5 = "d41d8cd98f00b204e9800998ecf8427e";
    const std::string emptySha1 = "da39a3ee5e6b4b0d3255bfef95601890afd80709";
    WriteFile(Dir / "sums.md5", Md5Abc + "  abc.txt\n" + emptyMd5 + " *my file\n");
    WriteFile(Dir / "sums.sha1", Sha1Abc + " *abc.txt\n" + emptySha1 + "  my file\n");
    for (const char* list : {"sums.md5", "sums.sha1"}) {
        SCOPED_TRACE(list);
        ASSERT_TRUE(Checker.LoadList(list));
        ASSERT_EQ(Checker.Count(), 2);
        EXPECT_EQ(Checker.Items[1].FileName, "my file");
        std::vector<std::string> mismatches;
        int32_t missing = 0, skipped = 0;
        EXPECT_EQ(Checker.VerifyAll(mismatches, missing, skipped), crOk);
        EXPECT_TRUE(mismatches.empty());
        EXPECT_EQ(missing, 0);
        EXPECT_EQ(skipped, 0);
    }
}

TEST(ListHelpers, TableLookUpsAndLineSplitting) {
    TAlgoDefinition row{};
    EXPECT_TRUE(FindAlgoByExtension(".Sha1", row));
    EXPECT_EQ(row.Id, haSha1);
    EXPECT_FALSE(FindAlgoByExtension(".sha", row));
    EXPECT_FALSE(FindAlgoByExtension("sfv", row));
    EXPECT_TRUE(FindAlgoById(haCrc32, row));
    EXPECT_EQ(std::string(row.Name), "CRC32");
    EXPECT_FALSE(FindAlgoById(3, row));
    EXPECT_EQ(AlgoExtension(haMd5), ".md5");
    EXPECT_EQ(AlgoExtension(0), ".hk");
    EXPECT_EQ(AlgoExtension(3), ".hk");

    // What a list name is, decided in one place for LoadList, the plug-in
    // and the program's -o.
    const std::string sep(1, Platform::PathSeparator);
    for (const auto& [name, algorithm] :
         std::vector<std::pair<std::string, uint32_t>>{{"x.SHA256", haSha256},
                                                       {"rel" + sep + "SHA256SUMS", haSha256},
                                                       {"Md5Sums", haMd5},
                                                       {"sha1sums", haSha1},
                                                       {"CRC32SUMS", haNone},
                                                       {"SHA256SUMS.txt", haSha256},
                                                       {"sha1sums.TXT", haSha1},
                                                       {"SHASUMS256.txt", haSha256},
                                                       {"x.Sha256Sum", haSha256},
                                                       {"x.md5sum", haMd5},
                                                       {"7z.Crc32", haCrc32},
                                                       {"CHECKSUMS", haNone},
                                                       {"checksums.txt", haNone},
                                                       {"SHA256SUMS.asc", haNone},
                                                       {"x.sha256.txt", haNone},
                                                       {"SHA256SUMS" + sep + "x", haNone}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FindAlgoByListName(name, row) ? static_cast<uint32_t>(row.Id) : haNone,
                  algorithm);
        EXPECT_EQ(IsListNameOf(haSha256, name), algorithm == haSha256);
        EXPECT_EQ(WhyNoListName(name).empty(), algorithm != haNone);
    }
    EXPECT_EQ(
        WhyNoListName("a.txt"),
        "the extension \".txt\" is not one of .sfv, .crc32, .md5, .md5sum, .sha1, .sha1sum, "
        ".sha256, .sha256sum, and the name is none of MD5SUMS, SHA1SUMS, SHA256SUMS, SHASUMS256 "
        "(each also with .txt)");
    EXPECT_EQ(TopLevelName(Posix ? "./disc1/cd/t.flac" : "./disc1\\cd/t.flac"), "disc1");
    EXPECT_EQ(TopLevelName("t.flac"), "t.flac");

    std::string first, second;
    ASSERT_TRUE(SplitLine("a b c", true, first, second));
    EXPECT_EQ(first + "|" + second, "a|b c");
    ASSERT_TRUE(SplitLine("a b c", false, first, second));
    EXPECT_EQ(first + "|" + second, "a b|c");
    ASSERT_TRUE(SplitLine(" ", true, first, second));
    EXPECT_EQ(first + "|" + second, "|");
    EXPECT_FALSE(SplitLine("a\tb", true, first, second));
    EXPECT_EQ(FindChar("abcb", 'b', false), 2);
    EXPECT_EQ(FindChar("abcb", 'b', true), 4);
    EXPECT_EQ(FindChar("", 'b', true), -1);

    for (const char* bad : {"", "a\"b", "a*b", "a/b", "a:b", "a<b", "a>b", "a?b", "a\\b", "a|b"})
        EXPECT_FALSE(IsValidFileName(bad)) << bad;
    EXPECT_TRUE(IsValidFileName("a\x01 b.txt"));
    EXPECT_TRUE(IsDirectoryAlias("."));
    EXPECT_TRUE(IsDirectoryAlias("..."));
    EXPECT_FALSE(IsDirectoryAlias(".profile"));
    EXPECT_TRUE(SameDigest("ABCdef", "abcDEF"));
    EXPECT_FALSE(SameDigest("abc", "abc0"));
    EXPECT_FALSE(SameDigest("abc", "abd"));
}

#ifdef _WIN32
// A list in UTF-8 (with the byte-order mark or without, as lists from
// elsewhere are) names its files in UTF-8 whatever the code page, and a list
// in the code page's bytes names them so. A name the code page cannot hold
// is opened by its own name.
TEST(Utf8Lists, NamesOfAListInUtf8AreReadAsUtf8) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the names are chosen for code page 1252";
    TempDirectory dir;
    for (const char8_t* name : {u8"caf\u00E9.txt", u8"\u0444.txt"})
        std::ofstream(dir.Path() / name) << "abc";
    const struct {
        const char* What;
        std::string List;
        int32_t Skipped;
    } cases[] = {
        {"UTF-8", Md5Abc + " *caf\xC3\xA9.txt\n", 0},
        {"UTF-8 after the byte-order mark", "\xEF\xBB\xBF" + Md5Abc + " *caf\xC3\xA9.txt\n", 0},
        {"the code page's own bytes", Md5Abc + " *caf\xE9.txt\n", 0},
        {"UTF-8 the code page cannot hold", Md5Abc + " *\xD1\x84.txt\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TRecordingChecker checker(dir.Dir());
        checker.Answers = {raSkip};
        WriteFile(dir / "l.md5", c.List);
        ASSERT_TRUE(checker.LoadList("l.md5"));
        std::vector<std::string> mismatches;
        int32_t missing = 0, skipped = 0;
        EXPECT_EQ(checker.VerifyAll(mismatches, missing, skipped), crOk);
        EXPECT_EQ(mismatches.size() + static_cast<size_t>(missing), 0u);
        EXPECT_EQ(skipped, c.Skipped);
    }
}
#endif

} // namespace
