// Writing lists: the exact bytes of each format, lists per file, and saves
// that fail part-way, which must leave no partial list and must not harm an
// older list of the same name.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace EngineTest;
using Platform::FileOperation;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

// Empty: strict readers (md5sum --strict) refuse a comment line.
const std::string Header = "\r\n";

class ListWritingTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(Dir / "abc.txt", "abc");
        WriteFile(Dir / "b", "");
        WriteFile(Dir / "c", "c");
    }

    // A checker holding abc.txt, b and c, hashed with Algorithm.
    void AddAll(uint32_t algorithm) {
        Checker.Algorithm = algorithm;
        for (const char* name : {"abc.txt", "b", "c"})
            ASSERT_EQ(Checker.AddFile(name), crOk);
    }

    TempDirectory Dir;
    TFileChecker Checker{Dir.Dir()};
};

TEST_F(ListWritingTest, ExactBytesOfEachFormat) {
    struct {
        uint32_t Algorithm;
        int32_t ModeMark;
        std::string Line;
    } const cases[] = {
        {haCrc32, BinaryModeMarkValue, "abc.txt 352441c2"},
        {haCrc32, TextModeMarkValue, "abc.txt 352441c2"},
        {haMd5, BinaryModeMarkValue, "900150983cd24fb0d6963f7d28e17f72 *abc.txt"},
        {haMd5, TextModeMarkValue, "900150983cd24fb0d6963f7d28e17f72  abc.txt"},
        {haSha1, 0, "a9993e364706816aba3e25717850c26c9cd0d89d *abc.txt"},
    };
    for (const auto& c : cases) {
        Checker.ClearItems();
        Checker.Algorithm = c.Algorithm;
        Checker.ModeMark = c.ModeMark;
        ASSERT_EQ(Checker.AddFile("abc.txt"), crOk);
        const std::string list = "list" + AlgoExtension(c.Algorithm);
        ASSERT_TRUE(Checker.SaveList(list, false));
        EXPECT_EQ(ReadAll(Dir / list), Header + c.Line + "\r\n");
    }
    // Nothing but the lists and the data: no temporary file is left behind.
    EXPECT_EQ(Names(Dir.Path()),
              (std::vector<std::string>{"abc.txt", "b", "c", "list.md5", "list.sfv", "list.sha1"}));
}

TEST_F(ListWritingTest, WrittenListsReadBackAsTheyWere) {
    AddAll(haSha1);
    ASSERT_TRUE(Checker.SaveList("all.sha1", false));
    TFileChecker reader(Dir.Dir());
    ASSERT_TRUE(reader.LoadList("all.sha1"));
    ASSERT_EQ(reader.Count(), 3);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(reader.Items[i].FileName, Checker.Items[i].FileName);
        EXPECT_EQ(reader.Items[i].Hash, Checker.Items[i].Hash);
    }
}

TEST_F(ListWritingTest, OneListPerFileBesideEachFile) {
    AddAll(haCrc32);
    ASSERT_TRUE(Checker.SaveList("ignored.sfv", true));
    EXPECT_EQ(ReadAll(Dir / "abc.txt.sfv"), Header + "abc.txt 352441c2\r\n");
    EXPECT_EQ(ReadAll(Dir / "b.sfv"), Header + "b 00000000\r\n");
    EXPECT_EQ(Names(Dir.Path()),
              (std::vector<std::string>{"abc.txt", "abc.txt.sfv", "b", "b.sfv", "c", "c.sfv"}));
}

TEST_F(ListWritingTest, NothingToWriteWritesNothing) {
    Checker.Algorithm = haMd5;
    std::string reason;
    EXPECT_FALSE(Checker.SaveList("empty.md5", false, &reason));
    EXPECT_EQ(reason, "there are no entries to write");
    Checker.Items = {{"abc.txt", "900150983cd24fb0d6963f7d28e17f72"}};
    for (const uint32_t algorithm : std::vector<uint32_t>{haNone, 3}) {
        Checker.Algorithm = algorithm;
        EXPECT_FALSE(Checker.SaveList("x.hk", false));
        EXPECT_FALSE(Checker.SaveList("x.hk", true));
    }
    EXPECT_EQ(Names(Dir.Path()), (std::vector<std::string>{"abc.txt", "b", "c"}));
}

TEST_F(ListWritingTest, FailedSaveLeavesNoListAndAnOldListIntact) {
    AddAll(haMd5);
    const std::string old = "; older\r\n0123 *old\r\n\x01\x02 binary \xff\r\n";
    WriteFile(Dir / "kept.md5", old);
    const std::vector<std::pair<FileOperation, int>> faults{{FileOperation::Write, 3}, // third line
                                                            {FileOperation::Write, 1}, // header
                                                            {FileOperation::Create, 1},
                                                            {FileOperation::Rename, 1}};
    for (const auto& [operation, call] : faults) {
        SCOPED_TRACE(static_cast<int>(operation));
        for (const std::string list : {"new.md5", "kept.md5"}) {
            TFaultPlan plan;
            plan.FailCall(operation, call);
            std::string reason;
            EXPECT_FALSE(Checker.SaveList(list, false, &reason));
            EXPECT_NE(reason.find(Dir / list), std::string::npos) << reason;
        }
        EXPECT_EQ(ReadAll(Dir / "kept.md5"), old);
        EXPECT_EQ(Names(Dir.Path()), (std::vector<std::string>{"abc.txt", "b", "c", "kept.md5"}));
    }
}

TEST_F(ListWritingTest, FailedPerFileSaveKeepsTheListsWrittenBeforeIt) {
    AddAll(haMd5);
    const std::string old = "; older\r\nold\r\n";
    WriteFile(Dir / "b.md5", old);
    TFaultPlan plan;
    plan.FailCall(FileOperation::Write, 3); // the header of the second file
    EXPECT_FALSE(Checker.SaveList("", true));
    EXPECT_EQ(ReadAll(Dir / "abc.txt.md5"),
              Header + "900150983cd24fb0d6963f7d28e17f72 *abc.txt\r\n");
    EXPECT_EQ(ReadAll(Dir / "b.md5"), old);
    EXPECT_EQ(Names(Dir.Path()),
              (std::vector<std::string>{"abc.txt", "abc.txt.md5", "b", "b.md5", "c"}));
}

// A list is never an entry of itself, however its name is written; in
// per-file mode a file that is the per-file list of another chosen file is
// left out. Everything else stays, in its order.
TEST_F(ListWritingTest, TheListBeingWrittenIsNeverAnEntryOfItself) {
    for (const char* name : {"hashlist.md5", "abc.txt.md5", "c.md5.md5"})
        WriteFile(Dir / name, "");
    std::filesystem::create_directory(Dir.Path() / "sub");
    const std::vector<std::string> chosen{"abc.txt", "hashlist.md5", "abc.txt.md5", "c.md5.md5",
                                          "c"};
    const std::vector<std::string> withoutList{"abc.txt", "abc.txt.md5", "c.md5.md5", "c"};
    const std::string up =
        std::string("sub") + Platform::PathSeparator + ".." + Platform::PathSeparator;
    const std::tuple<std::string, bool, std::vector<std::string>> cases[] = {
        {"hashlist.md5", false, withoutList},
        {Dir / "hashlist.md5", false, withoutList},
        {up + "hashlist.md5", false, withoutList},
#ifdef _WIN32
        {"HashList.MD5", false, withoutList},
#endif
        {"new.md5", false, chosen},
        // abc.txt.md5 is the list of abc.txt; c.md5 is no chosen file.
        {"hashlist.md5", true, {"abc.txt", "hashlist.md5", "c.md5.md5", "c"}},
    };
    Checker.Algorithm = haMd5;
    for (const auto& [list, perFile, kept] : cases) {
        std::vector<std::string> names = chosen;
        Checker.LeaveOutOwnLists(names, list, perFile);
        EXPECT_EQ(names, kept) << list;
    }
}

// The temporary list is created exclusively and never through a link: what
// another run (or an attacker) put at the very name tried first is neither
// truncated nor followed; another name is taken.
TEST_F(ListWritingTest, TemporaryListIsCreatedExclusivelyAndNeverThroughALink) {
    AddAll(haMd5);
    struct TPlant {
        bool Link;
        std::string Content;
        std::string Planted; // the name tried first
    };
    for (const bool link : {false, true}) {
#ifdef _WIN32
        if (link)
            continue; // links need rights a test does not have on Windows
#endif
        SCOPED_TRACE(link ? "a link planted" : "a file of another run");
        TPlant plant{link, "another run's list, half written", {}};
        Platform::SetFileFaultHook(
            [](FileOperation operation, const std::string& path, void* context) {
                auto& self = *static_cast<TPlant*>(context);
                if (operation != FileOperation::Create || !self.Planted.empty())
                    return false;
                self.Planted = path;
                if (self.Link)
                    std::filesystem::create_symlink(
                        std::filesystem::path(path).parent_path() / "victim", path);
                else
                    WriteFile(path, self.Content);
                return false;
            },
            &plant);
        const bool saved = Checker.SaveList("list.md5", false);
        Platform::SetFileFaultHook(nullptr, nullptr);
        ASSERT_TRUE(saved);
        ASSERT_NE(plant.Planted.find("~hashkeep-"), std::string::npos) << plant.Planted;
        EXPECT_EQ(ReadAll(Dir / "list.md5").substr(0, 4), "\r\n90");
        EXPECT_FALSE(std::filesystem::exists(Dir / "victim"));
        EXPECT_EQ(std::filesystem::is_symlink(plant.Planted), link);
        if (!link) {
            EXPECT_EQ(ReadAll(plant.Planted), plant.Content);
        }
        std::filesystem::remove(plant.Planted);
    }
}

#ifndef _WIN32
// A list that is a link is written through to the file it names, the link
// stays, and the list keeps its mode; a loop is refused.
TEST_F(ListWritingTest, SavingKeepsLinksAndModes) {
    AddAll(haMd5);
    std::filesystem::create_directory(Dir.Path() / "real");
    WriteFile(Dir / "real/list.md5", "; older\r\n");
    std::filesystem::permissions(Dir / "real/list.md5", std::filesystem::perms(0640));
    std::filesystem::create_symlink("real/list.md5", Dir.Path() / "list.md5");
    std::string reason;
    ASSERT_TRUE(Checker.SaveList("list.md5", false, &reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(Dir.Path() / "list.md5"));
    EXPECT_EQ(ReadAll(Dir / "real/list.md5").substr(0, 4), "\r\n90");
    EXPECT_EQ(std::filesystem::status(Dir / "real/list.md5").permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(Names(Dir.Path() / "real"), std::vector<std::string>{"list.md5"});
    // The link names the list too: the list is left out of its own entries.
    std::vector<std::string> names{"abc.txt", "real/list.md5"};
    Checker.LeaveOutOwnLists(names, "list.md5", false);
    EXPECT_EQ(names, std::vector<std::string>{"abc.txt"});

    std::filesystem::create_symlink("loop2.md5", Dir.Path() / "loop1.md5");
    std::filesystem::create_symlink("loop1.md5", Dir.Path() / "loop2.md5");
    EXPECT_FALSE(Checker.SaveList("loop1.md5", false, &reason));
    EXPECT_NE(reason.find("loop1.md5: cannot be created: "), std::string::npos) << reason;
}
#endif

#ifndef _WIN32
// A name a rename gave lives in its folder: the folder of a list is flushed
// after its rename (Windows writes the move through instead).
TEST_F(ListWritingTest, EachFolderIsFlushedAfterTheRenames) {
    AddAll(haMd5);
    std::vector<std::string> calls;
    Platform::SetFileFaultHook(
        [](FileOperation operation, const std::string& path, void* context) {
            if (operation == FileOperation::Rename || operation == FileOperation::FlushFolder)
                static_cast<std::vector<std::string>*>(context)->push_back(path);
            return false;
        },
        &calls);
    const bool saved = Checker.SaveList("list.md5", false);
    Platform::SetFileFaultHook(nullptr, nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(calls, (std::vector<std::string>{Dir / "list.md5", Dir.Dir()}));
}
#endif

} // namespace
