// Odd inputs a user's disk can hold: lines at the length bound with every
// line end, a list that names itself, files that change, vanish or turn out
// to be directories between the listing and the hashing, and a registry file
// cut short anywhere.

#include "checker_test_support.h"
#include "hashkeep_run.h"
#include "platform/registry.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#ifndef _WIN32
#include <unistd.h>
#endif

using namespace EngineTest;
using Platform::FileOperation;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

// Runs Action before every call of the file layer, failing none: a second
// writer at work while the engine reads.
class TMeanwhile {
public:
    using TAction = std::function<void(FileOperation, const std::string&)>;
    explicit TMeanwhile(TAction action) : Action_(std::move(action)) {
        Platform::SetFileFaultHook(&Hook, this);
    }
    ~TMeanwhile() { Platform::SetFileFaultHook(nullptr, nullptr); }
    TMeanwhile(const TMeanwhile&) = delete;
    TMeanwhile& operator=(const TMeanwhile&) = delete;

private:
    static bool Hook(FileOperation operation, const std::string& path, void* context) {
        static_cast<TMeanwhile*>(context)->Action_(operation, path);
        return false;
    }
    TAction Action_;
};

// --- Lines at the bound -------------------------------------------------------------

TEST(OddLists, LinesAtTheLengthBoundInEveryLineEnding) {
    const std::string md5(32, 'a'), sha1(40, 'b');
    // Digits, space, mark and name: 259 characters of name at the bound.
    const auto hashLine = [](const std::string& digits, size_t length, char mark) {
        return digits + ' ' + mark + std::string(length - digits.size() - 2, 'n');
    };
    struct {
        std::string List;
        std::string Line;
        size_t NameLength; // 0: the list is refused
    } const cases[] = {
        {"a.sfv", std::string(259, 'n') + " 12345678", 259}, // 268
        {"a.sfv", std::string(260, 'n') + " 12345678", 0},   // 269
        {"a.md5", hashLine(md5, 292, '*'), 258},
        {"a.md5", hashLine(md5, 293, '*'), 259},
        {"a.md5", hashLine(md5, 294, '*'), 0},
        {"a.md5", md5 + ' ' + std::string(259, 'n'), 259}, // 292 without a mark
        {"a.md5", md5 + ' ' + std::string(260, 'n'), 0},   // 293 without a mark
        {"a.sha1", hashLine(sha1, 300, ' '), 258},
        {"a.sha1", hashLine(sha1, 301, ' '), 259},
        {"a.sha1", hashLine(sha1, 302, ' '), 0},
    };
    TempDirectory dir;
    TFileChecker checker(dir.Dir());
    for (const auto& c : cases) {
        for (const char* end : {"\r\n", "\n", "\r", ""}) {
            SCOPED_TRACE(c.List + ", a line of " + std::to_string(c.Line.size()) +
                         " characters, ended by " + std::to_string(std::string(end).size()));
            // The line at the bound after an ordinary entry, blanks around
            // it, and another entry after it unless it ends the file.
            const std::string other = c.List == "a.sfv"   ? "x 00000000"
                                      : c.List == "a.md5" ? md5 + " *x"
                                                          : sha1 + " *x";
            const std::string last = *end == '\0' ? "" : other + end;
            WriteFile(dir / c.List, other + "\n \t" + c.Line + " \t" + end + last);
            checker.ClearItems();
            const bool loaded = checker.LoadList(c.List);
            EXPECT_EQ(loaded, c.NameLength != 0);
            if (loaded) {
                ASSERT_EQ(checker.Count(), last.empty() ? 2 : 3);
                EXPECT_EQ(checker.Items[1].FileName, std::string(c.NameLength, 'n'));
            }
        }
    }
}

// --- A list that names itself ----------------------------------------------------

// A list cannot hold its own digest: the digest changes the list. So the list
// being written is left out of its own entries, and in per-file mode so is
// one file's list among the files; the lists then verify clean.
TEST(OddLists, AListIsNeverAnEntryOfItself) {
    TempDirectory dir;
    WriteFile(dir / "a.txt", "abc");
    // The first two runs make the lists that the last two are given.
    const std::vector<std::vector<std::string>> runs{
        {"-oself.md5", "a.txt"},
        {"--separate", "a.txt", "self.md5"},
        {"-oself.md5", "a.txt", "self.md5", "a.txt.md5"},
        {"--separate", "a.txt", "self.md5", "a.txt.md5"}};
    for (const std::vector<std::string>& names : runs) {
        std::vector<std::string> args{"create", "-q", "--force", "-C", dir.Dir()};
        args.insert(args.end(), names.begin(), names.end());
        EXPECT_EQ(Hashkeep(args).Status, HashkeepAllWell) << names.front();
    }
    EXPECT_FALSE(Contains(ReadAll(dir / "self.md5"), "self.md5"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "a.txt.md5.md5"));
    for (const char* list : {"self.md5", "a.txt.md5", "self.md5.md5"})
        EXPECT_EQ(Hashkeep({"verify", dir / list}).Status, HashkeepAllWell) << list;
}

// --- Files that change under the reader --------------------------------------------

class ChangingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(Dir / "a.txt", "alpha");
        WriteFile(Dir / "big.bin", std::string(98304, 'b'));
        ASSERT_EQ(Hashkeep({"create", "-q", "-C", Dir.Dir(), "a.txt", "big.bin"}).Status,
                  HashkeepAllWell);
    }
    TempDirectory Dir;
};

#ifndef _WIN32
// On Windows nobody may write a file that is open for hashing; elsewhere a
// second writer can. A file that grows or shrinks while it is read, or is
// written in place at the same size (its times tell), is never called good
// (nor anything else): it is skipped, naming the cause, or stops the run.
TEST_F(ChangingFiles, FileThatChangesWhileReadIsSkippedNamingTheCause) {
    using namespace std::chrono_literals;
    const std::string path = Dir / "big.bin";
    const std::vector<std::pair<std::function<void()>, std::string>> writers{
        {[&] { std::filesystem::resize_file(path, 40000); }, "changed size while it was read"},
        {[&] { std::filesystem::resize_file(path, 98305); }, "changed size while it was read"},
        // Bytes already hashed rewritten; the clock moved on (set, so that a
        // coarse clock cannot hide it).
        {[&] {
             WriteFile(path, std::string(98304, 'B'));
             std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - 1h);
         },
         "changed while it was read"},
        // ... and the modification time put back, as touch -r and rsync
        // --inplace -t do: only the change time tells.
        {[&] {
             const auto was = std::filesystem::last_write_time(path);
             WriteFile(path, std::string(98304, 'B'));
             std::filesystem::last_write_time(path, was);
         },
         "changed while it was read"}};
    for (const auto& [change, cause] : writers) {
        WriteFile(path, std::string(98304, 'b'));
        int reads = 0;
        // Between the read of the whole file and the read that sees its end.
        TMeanwhile writer([&, change = change](FileOperation operation, const std::string& at) {
            if (operation == FileOperation::Open)
                reads = at == path ? 0 : -1000;
            if (operation == FileOperation::Read && ++reads == 2)
                change();
        });
        const TRunResult result = Hashkeep({"verify", "-j", "1", Dir / "hashlist.md5"});
        EXPECT_EQ(result.Status, HashkeepProblemsFound);
        EXPECT_TRUE(Contains(result.Err, path + ": cannot be read: " + cause)) << result.Err;
        EXPECT_EQ(result.Out, "a.txt: OK\nbig.bin: SKIPPED\n");
    }
}
#endif

// Missing is only what is not there. A file that is there but cannot be
// reached is a read error naming why, never "MISSING", so that neither a
// count of missing files nor "Ignore Missing Files" hides it: a folder that
// cannot be searched, a link that leads nowhere but round, a path Windows
// cannot open; and on Windows a name is the same file in any case.
TEST_F(ChangingFiles, MissingOnlyWhenNothingIsThere) {
    TempDirectory other;
    std::vector<std::pair<std::string, std::string>> unreadable; // entry, cause
#ifdef _WIN32
    const std::string deep = std::string(260 - Dir.Dir().size(), 'd');
    std::filesystem::create_directory(Dir.Path() / "sub");
    WriteFile(Dir / ("sub\\" + deep), "far down");
    unreadable.emplace_back("sub/" + deep,
                            "its path is longer than the 259 characters Windows opens");
    WriteFile(other / "A.TXT", "alpha");
    const TRunResult compared = Hashkeep({"compare", Dir.Dir(), other.Dir(), "a.txt"});
    EXPECT_EQ(compared.Out, "a.txt: OK\n");
    EXPECT_EQ(Hashkeep({"compare", Dir.Dir(), other.Dir()}).Out.find("MISSING in " + Dir.Dir()),
              std::string::npos);
#else
    std::filesystem::create_symlink("loop", Dir.Path() / "loop");
    unreadable.emplace_back("loop", std::strerror(ELOOP));
    std::filesystem::create_directory(Dir.Path() / "locked");
    WriteFile(Dir / "locked/f", "in a folder nobody may search");
    unreadable.emplace_back("locked/f", std::strerror(EACCES));
#endif
    std::string list;
    for (const auto& [entry, cause] : unreadable)
        list += "00000000000000000000000000000000 *" + entry + "\n";
    WriteFile(Dir / "odd.md5", list);
    // What is amiss in the verification; empty when every entry is skipped
    // (not missing) with its cause.
    auto amiss = [&] {
        const TRunResult result = Hashkeep({"verify", Dir / "odd.md5"});
        std::string wrong;
        for (const auto& [entry, cause] : unreadable)
            if (!Contains(result.Out, entry + ": SKIPPED\n") ||
                !Contains(result.Err, entry + ": cannot be read: " + cause))
                wrong += entry + " is not skipped with its cause\n";
        return wrong.empty() ? wrong : wrong + result.Out + result.Err;
    };
#ifdef _WIN32
    EXPECT_EQ(amiss(), "");
#else
    // Root searches every folder: the check runs where root is given up
    // (and ends without the exit handlers a sanitizer would run as nobody).
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::all);
    std::filesystem::permissions(Dir.Path() / "locked", std::filesystem::perms::none);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(99);
            const std::string wrong = amiss();
            std::fputs(wrong.c_str(), stderr);
            ::_exit(wrong.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::filesystem::permissions(Dir.Path() / "locked", std::filesystem::perms::owner_all);
#endif
}

TEST_F(ChangingFiles, FileDeletedBetweenListingAndHashingIsMissingOrSkipped) {
    TempDirectory other;
    WriteFile(other / "a.txt", "alpha");
    WriteFile(other / "big.bin", std::string(98304, 'b'));
    // Gone before its turn: missing, on the side where it went.
    {
        TMeanwhile deleter([&](FileOperation operation, const std::string& path) {
            if (operation == FileOperation::Open && path == Dir / "a.txt")
                Platform::RemoveFile(Dir / "big.bin");
        });
        const TRunResult result =
            Hashkeep({"compare", "-j", "1", Dir.Dir(), other.Dir(), "a.txt", "big.bin"});
        EXPECT_EQ(result.Status, HashkeepProblemsFound);
        EXPECT_EQ(result.Out, "a.txt: OK\nbig.bin: MISSING in " + Dir.Dir() + "\n");
    }
    // Gone between the check that it exists and the open: a read error,
    // skipped with the system's reason.
    WriteFile(Dir / "big.bin", std::string(98304, 'b'));
    {
        TMeanwhile deleter([&](FileOperation operation, const std::string& path) {
            if (operation == FileOperation::Open && path == Dir / "big.bin")
                std::filesystem::remove(Dir.Path() / "big.bin");
        });
        const TRunResult result = Hashkeep({"verify", "-j", "1", Dir / "hashlist.md5"});
        EXPECT_EQ(result.Status, HashkeepProblemsFound);
        EXPECT_EQ(result.Out, "a.txt: OK\nbig.bin: SKIPPED\n");
        EXPECT_TRUE(Contains(result.Err, (Dir / "big.bin") + ": cannot be read: ")) << result.Err;
    }
}

// verify reads a list twice: checked whole, then entry by entry as the
// workers need them. A long list (many pieces of it, many windows of
// results) comes out whole and in order, however many workers. A list that
// is not the list checked when it is read again stops the run (exit 2)
// saying the list changed, whatever was printed before: cut, garbled or
// grown; edited with its modification time put back (on Windows only the
// digest of its bytes tells); replaced by a copy of itself with its times
// (only its identity tells); rewritten as more, shorter entries of the same
// size, or a FAILED digest forged in a later piece, while it is read; or
// written while it was checked.
TEST_F(ChangingFiles, AListIsVerifiedAsItWasCheckedOrNotAtAll) {
    TFileChecker listed(Dir.Dir());
    ASSERT_TRUE(listed.LoadList("hashlist.md5"));
    WriteFile(Dir / "big.bin", "changed");
    std::string list, expected;
    for (int i = 0; i < 5000; ++i) {
        const TFileCheckerItem& entry = listed.Items[static_cast<size_t>(i % 2)];
        const std::string name = i % 3 == 2 ? "gone" + std::to_string(i) : entry.FileName;
        list += entry.Hash + " *" + name + "\n";
        expected += name + (i % 3 == 2 ? ": MISSING\n" : i % 2 == 0 ? ": OK\n" : ": FAILED\n");
    }
    const std::string path = Dir / "long.md5";
    const auto to = [&](std::string text) { return [&, text] { WriteFile(path, text); }; };
    std::string garbled = list, forged = list, shorter;
    garbled.replace(garbled.size() / 2, 3, "x\n ");
    // big.bin's last digest made its digest now
    forged.replace(forged.rfind(listed.Items[1].Hash), 32, "8977dfac2f8e04cb96e66882235f5aba");
    while (shorter.size() + 72 <= list.size())
        shorter += listed.Items[0].Hash + " *f\n";
    shorter += listed.Items[0].Hash + " *" + std::string(list.size() - shorter.size() - 35, 'g');
    const std::string changed = "the list changed since it was checked: ";
    const struct {
        const char* What;
        int Open, Read; // the change comes before this read (0: the open) of this open
        std::function<void()> Change;
        const char* Jobs;
        int Status;
        std::string Err;
    } cases[] = {
        {"unchanged", 0, 0, [] {}, "-j1", 1, ""},
        {"unchanged", 0, 0, [] {}, "-j4", 1, ""},
        {"grown", 2, 0, to(list + list.substr(0, 200)), "-j4", 2, changed + "its size changed"},
        {"cut", 2, 0, to(list.substr(0, 100 * 44)), "-j4", 2, changed + "its size changed"},
        {"garbled", 2, 0, to(garbled), "-j4", 2, changed},
        {"its time put back", 2, 0,
         [&] {
             const auto was = std::filesystem::last_write_time(path);
             WriteFile(path, garbled);
             std::filesystem::last_write_time(path, was);
         },
         "-j4", 2, changed},
        {"a copy of itself", 2, 0,
         [&] {
             WriteFile(path + ".new", list);
             std::filesystem::last_write_time(path + ".new",
                                              std::filesystem::last_write_time(path));
             std::filesystem::remove(path);
             std::filesystem::rename(path + ".new", path);
         },
         "-j4", 2, changed + "another file is in its place"},
        {"more, shorter entries", 2, 1, to(shorter), "-j1", 2, changed + "it holds more entries"},
        {"forged", 2, 2, to(forged), "-j1", 2, changed},
        {"written while checked", 1, 2, to(forged), "-j1", 2, "it changed while it was read: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.What) + ", " + c.Jobs);
#ifdef _WIN32
        if (c.Read != 0)
            continue; // nobody may write the list while it is open for reading
#endif
        WriteFile(path, list);
        int opens = 0, reads = 0;
        TMeanwhile changer([&](FileOperation operation, const std::string& at) {
            if (operation == FileOperation::Open && at == path && ++opens == c.Open && c.Read == 0)
                c.Change();
            if (operation == FileOperation::Read && opens == c.Open && ++reads == c.Read)
                c.Change();
        });
        const TRunResult result = Hashkeep({"verify", c.Jobs, path});
        EXPECT_EQ(result.Status, c.Status);
        EXPECT_TRUE(Contains(result.Err, c.Err)) << result.Err;
        if (c.Open == 2 && c.Read == 0) {
            EXPECT_EQ(result.Out, ""); // refused before the first entry
        }
        if (c.Status != 2) {
            EXPECT_EQ(result.Out, expected);
        }
    }
}

// A directory is never hashed and never "ok", whatever its name.
TEST_F(ChangingFiles, DirectoriesNamedLikeListedFilesAreMissing) {
    std::filesystem::remove(Dir.Path() / "a.txt");
    std::filesystem::create_directory(Dir.Path() / "a.txt");
    TRecordingChecker checker(Dir.Dir());
    ASSERT_TRUE(checker.LoadList("hashlist.md5"));
    std::vector<std::string> mismatches;
    int32_t missing = -1, skipped = -1;
    EXPECT_EQ(checker.VerifyAll(mismatches, missing, skipped), crOk);
    EXPECT_EQ(missing, 1);
    EXPECT_TRUE(mismatches.empty());
    EXPECT_EQ(std::count(checker.Events.begin(), checker.Events.end(), "begin a.txt"), 0);

    TRunResult result = Hashkeep({"verify", Dir / "hashlist.md5"});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_TRUE(Contains(result.Out, "a.txt: MISSING\n")) << result.Out;

    TempDirectory other;
    WriteFile(other / "a.txt", "alpha");
    result = Hashkeep({"compare", other.Dir(), Dir.Dir(), "a.txt"});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_TRUE(Contains(result.Out, "a.txt: MISSING in " + Dir.Dir())) << result.Out;

    std::filesystem::remove(Dir.Path() / "hashlist.md5");
    result = Hashkeep({"create", "-C", Dir.Dir(), "a.txt"});
    EXPECT_EQ(result.Status, HashkeepProblemsFound);
    EXPECT_TRUE(Contains(result.Err, (Dir / "a.txt") + ": is a folder, not a file")) << result.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "hashlist.md5"));
}

// --- Registry file cut short -------------------------------------------------------

#ifndef _WIN32
// Cut anywhere, the file reads as no values, or as values it really held
// (a hex list cut between bytes reads as its first bytes); nothing else.
TEST(OddRegistry, FileCutAtEveryByteReadsOnlyWhatItHeld) {
    using namespace Platform;
    TempDirectory dir;
    TestSupport::SetEnvironment("HASHKEEP_REGISTRY_FILE", dir / "registry.reg");
    const std::string full =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Hashkeep]\r\n"
        "\"AutoLoadList\"=\"1\"\r\n\"UseMode\"=dword:00000004\r\n"
        "\"ClearSelectionAfter\"=hex:01,00,00,00\r\n\"ConfirmAbort\"=hex(7):61,00,00\r\n"
        "\"TextModeForHashes\"=hex(1):30,00\r\n\"Prefix\"=hex(2):63,68,65,\\\r\n  63,6b,00\r\n";
    const auto readAll = [](std::vector<std::pair<std::string, RegistryValue>>& values) {
        values.clear();
        std::unique_ptr<RegistryKey, void (*)(RegistryKey*)> key(
            OpenRegistryKey("Software\\Far\\Plugins\\Hashkeep", RegistryAccess::Read, false),
            CloseRegistryKey);
        return key && ListRegistryValues(key.get(), values);
    };
    WriteFile(dir / "registry.reg", full);
    std::vector<std::pair<std::string, RegistryValue>> whole;
    ASSERT_TRUE(readAll(whole));
    ASSERT_EQ(whole.size(), 6u);
    std::map<std::string, RegistryValue> held(whole.begin(), whole.end());

    for (size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE("cut after " + std::to_string(length) + " bytes");
        WriteFile(dir / "registry.reg", full.substr(0, length));
        std::vector<std::pair<std::string, RegistryValue>> values;
        readAll(values);
        for (const auto& [name, value] : values) {
            ASSERT_EQ(held.count(name), 1u) << name;
            const RegistryValue& was = held[name];
            EXPECT_EQ(value.Type, was.Type) << name;
            EXPECT_EQ(was.Text.compare(0, value.Text.size(), value.Text), 0) << name;
            EXPECT_TRUE(value.Bytes.size() <= was.Bytes.size() &&
                        std::equal(value.Bytes.begin(), value.Bytes.end(), was.Bytes.begin()))
                << name;
            EXPECT_EQ(value.Number, was.Number) << name;
        }
    }
}
#endif

} // namespace
