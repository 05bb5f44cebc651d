// The platform file layer against the real file system: what exists, what a
// replace leaves behind, 64-bit sizes, and the fault seam the engine's tests
// rely on.
#include "platform/files.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace Platform;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string content(static_cast<size_t>(std::filesystem::file_size(path)), '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    return content;
}

// Records every call the seam sees and fails the ones of one operation.
struct TRecordingHook {
    FileOperation FailOperation = FileOperation::Open;
    bool FailAll = false;
    std::vector<std::pair<FileOperation, std::string>> Calls;

    static bool Hook(FileOperation operation, const std::string& path, void* context) {
        auto* self = static_cast<TRecordingHook*>(context);
        self->Calls.emplace_back(operation, path);
        return self->FailAll && operation == self->FailOperation;
    }
};

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { SetFileFaultHook(&TRecordingHook::Hook, &Hook); }
    void TearDown() override { SetFileFaultHook(nullptr, nullptr); }

    void FailEvery(FileOperation operation) {
        Hook.FailOperation = operation;
        Hook.FailAll = true;
    }

    TempDirectory Dir;
    TRecordingHook Hook;
};

TEST_F(FilesTest, WritesReadsAndReportsTheEndOfTheFile) {
    const std::string path = Dir / "data.bin";
    const FileHandle out = CreateFileForWriting(path);
    ASSERT_NE(out, InvalidFileHandle);
    uint32_t written = 0;
    ASSERT_TRUE(WriteToFile(out, "hello", 5, written));
    EXPECT_EQ(written, 5u);
    CloseFile(out);

    const FileHandle in = OpenFileForReading(path);
    ASSERT_NE(in, InvalidFileHandle);
    FileState state;
    ASSERT_TRUE(GetFileState(in, state));
    EXPECT_EQ(state.Size, 5u);
    char buffer[16];
    uint32_t got = 0;
    ASSERT_TRUE(ReadFromFile(in, buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), "hello");
    ASSERT_TRUE(ReadFromFile(in, buffer, sizeof buffer, got));
    EXPECT_EQ(got, 0u);
    CloseFile(in);

    const std::vector<std::pair<FileOperation, std::string>> expected{{FileOperation::Create, path},
                                                                      {FileOperation::Write, ""},
                                                                      {FileOperation::Open, path},
                                                                      {FileOperation::Read, ""},
                                                                      {FileOperation::Read, ""}};
    EXPECT_EQ(Hook.Calls, expected);
}

TEST_F(FilesTest, ADirectoryIsNoFile) {
    std::filesystem::create_directory(Dir.Path() / "sub");
    WriteFile(Dir / "file", "x");
    EXPECT_TRUE(FileExists(Dir / "file"));
    EXPECT_FALSE(FileExists(Dir / "sub"));
    EXPECT_FALSE(FileExists(Dir / "missing"));
    EXPECT_EQ(OpenFileForReading(Dir / "sub"), InvalidFileHandle);
    EXPECT_EQ(OpenFileForReading(Dir / "missing"), InvalidFileHandle);
    EXPECT_FALSE(LastErrorText().empty());
}

TEST_F(FilesTest, ReplaceFileTakesThePlaceOfAnExistingFile) {
    WriteFile(Dir / "list.md5", "old contents");
    WriteFile(Dir / "new.tmp", "new");
    ASSERT_TRUE(ReplaceFile(Dir / "new.tmp", Dir / "list.md5"));
    EXPECT_EQ(ReadFile(Dir / "list.md5"), "new");
    EXPECT_FALSE(FileExists(Dir / "new.tmp"));
    EXPECT_FALSE(ReplaceFile(Dir / "new.tmp", Dir / "list.md5"));
    EXPECT_EQ(ReadFile(Dir / "list.md5"), "new");
}

TEST_F(FilesTest, SizesBeyondFourGibibytesAreExact) {
    const uint64_t big = (uint64_t{5} << 30) + 3;
    const std::string path = Dir / "sparse.img";
    WriteFile(path, "");
    std::filesystem::resize_file(path, big);

    const FileHandle in = OpenFileForReading(path);
    ASSERT_NE(in, InvalidFileHandle);
    FileState state;
    EXPECT_TRUE(GetFileState(in, state));
    EXPECT_EQ(state.Size, big);
    CloseFile(in);

    std::filesystem::create_directory(Dir.Path() / "sub");
    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(ListDirectory(Dir.Dir(), entries));
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, "sparse.img");
    EXPECT_FALSE(entries[0].IsDirectory);
    EXPECT_EQ(entries[0].Size, big);
    EXPECT_EQ(entries[1].Name, "sub");
    EXPECT_TRUE(entries[1].IsDirectory);
    EXPECT_FALSE(ListDirectory(Dir / "missing", entries));
}

// A call the seam fails must not have happened at all.
TEST_F(FilesTest, FaultSeamFailsEachOperationWithoutDoingIt) {
    WriteFile(Dir / "a", "abc");

    FailEvery(FileOperation::Create);
    EXPECT_EQ(CreateFileForWriting(Dir / "b"), InvalidFileHandle);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "b"));

    FailEvery(FileOperation::Open);
    EXPECT_EQ(OpenFileForReading(Dir / "a"), InvalidFileHandle);

    FailEvery(FileOperation::Rename);
    EXPECT_FALSE(ReplaceFile(Dir / "a", Dir / "c"));
    EXPECT_TRUE(FileExists(Dir / "a"));
    EXPECT_FALSE(FileExists(Dir / "c"));

    FailEvery(FileOperation::Remove);
    EXPECT_FALSE(RemoveFile(Dir / "a"));
    EXPECT_TRUE(FileExists(Dir / "a"));

    FailEvery(FileOperation::Read);
    FileHandle file = OpenFileForReading(Dir / "a");
    ASSERT_NE(file, InvalidFileHandle);
    char buffer[4];
    uint32_t got = 99;
    EXPECT_FALSE(ReadFromFile(file, buffer, sizeof buffer, got));
    EXPECT_EQ(got, 0u);
    CloseFile(file);

    FailEvery(FileOperation::Write);
    file = CreateFileForWriting(Dir / "d");
    ASSERT_NE(file, InvalidFileHandle);
    uint32_t written = 99;
    EXPECT_FALSE(WriteToFile(file, "xyz", 3, written));
    EXPECT_EQ(written, 0u);
    CloseFile(file);
    EXPECT_EQ(ReadFile(Dir / "d"), "");
    EXPECT_FALSE(LastErrorText().empty());

    SetFileFaultHook(nullptr, nullptr);
    EXPECT_TRUE(RemoveFile(Dir / "a"));
    EXPECT_FALSE(FileExists(Dir / "a"));
}

TEST(PathRules, AbsoluteNamesAndTrailingSeparators) {
#ifdef _WIN32
    EXPECT_TRUE(IsAbsolutePath("C:\\x"));
    EXPECT_TRUE(IsAbsolutePath("\\\\srv\\share"));
    EXPECT_FALSE(IsAbsolutePath("C:\\"));  // too short to be taken as absolute
    EXPECT_FALSE(IsAbsolutePath("\\\\a")); // likewise
    EXPECT_FALSE(IsAbsolutePath("\\dir\\x"));
    EXPECT_FALSE(IsAbsolutePath("C:x\\y"));
    EXPECT_FALSE(IsAbsolutePath("/tmp/x"));
    EXPECT_EQ(WithTrailingSeparator("C:\\dir"), "C:\\dir\\");
    EXPECT_EQ(WithTrailingSeparator("C:\\dir\\"), "C:\\dir\\");
#else
    EXPECT_TRUE(IsAbsolutePath("/"));
    EXPECT_TRUE(IsAbsolutePath("/tmp/x"));
    EXPECT_FALSE(IsAbsolutePath("tmp/x"));
    EXPECT_FALSE(IsAbsolutePath("C:\\x"));
    EXPECT_FALSE(IsAbsolutePath(""));
    EXPECT_EQ(WithTrailingSeparator("/dir"), "/dir/");
    EXPECT_EQ(WithTrailingSeparator("/dir/"), "/dir/");
#endif
}

#ifdef _WIN32
// The checker relies on the sharing rules: nobody writes a file while it is
// hashed, and nobody opens a list while it is written.
TEST_F(FilesTest, SharingRulesKeepWritersAndReadersApart) {
    WriteFile(Dir / "a", "abc");
    const FileHandle reading = OpenFileForReading(Dir / "a");
    ASSERT_NE(reading, InvalidFileHandle);
    EXPECT_EQ(CreateFileForWriting(Dir / "a"), InvalidFileHandle);
    const FileHandle secondReader = OpenFileForReading(Dir / "a");
    EXPECT_NE(secondReader, InvalidFileHandle);
    CloseFile(secondReader);
    CloseFile(reading);

    const FileHandle writing = CreateFileForWriting(Dir / "b");
    ASSERT_NE(writing, InvalidFileHandle);
    EXPECT_EQ(OpenFileForReading(Dir / "b"), InvalidFileHandle);
    CloseFile(writing);
}

// Below a directory, "ab:c" would open the stream c of the file ab: no name
// holding what Windows keeps out of names is opened there.
TEST_F(FilesTest, ReservedCharactersRefusedInsideTheOpen) {
    WriteFile(Dir / "ab", "abc");
    for (const char* name : {"ab:c", "ab::$DATA", "a*", "a|b"}) {
        EXPECT_EQ(OpenFileBelow(Dir.Dir(), name), InvalidFileHandle) << name;
        EXPECT_EQ(LastErrorText(), "cannot exist on this system") << name;
    }
}
#endif

} // namespace
