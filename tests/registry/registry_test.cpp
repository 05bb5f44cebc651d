// The per-user settings tree: the real registry on Windows (a key of its own
// per test), the REGEDIT4 file elsewhere (a file of its own per test).
#include "platform/files.h"
#include "platform/registry.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <random>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace Platform;

namespace {

struct KeyCloser {
    void operator()(RegistryKey* key) const { CloseRegistryKey(key); }
};
using KeyPtr = std::unique_ptr<RegistryKey, KeyCloser>;

const bool UsesRegistryFile = PathSeparator == '/';

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        TestSupport::SetEnvironment("HASHKEEP_REGISTRY_FILE", Dir / "registry.reg");
        std::random_device seed;
        Root = "Software\\HashkeepTests\\Run" + std::to_string(seed());
    }

    KeyPtr Open(const std::string& path, RegistryAccess access, bool create) {
        return KeyPtr(OpenRegistryKey(path, access, create));
    }

    TestSupport::TempDirectory Dir;
    std::string Root;
};

TEST_F(Registry, KeysAreCreatedOnlyWhenAsked) {
    EXPECT_EQ(Open(Root, RegistryAccess::Read, false), nullptr);
    auto root = Open(Root, RegistryAccess::Read, true);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(Open(Root, RegistryAccess::Read, false), nullptr);
    EXPECT_EQ(KeyPtr(OpenRegistrySubKey(root.get(), "Hashkeep", RegistryAccess::Read, false)),
              nullptr);
    EXPECT_NE(KeyPtr(OpenRegistrySubKey(root.get(), "Hashkeep", RegistryAccess::Write, true)),
              nullptr);
    // Key names compare without regard to case, as in the registry.
    EXPECT_NE(KeyPtr(OpenRegistrySubKey(root.get(), "HASHKEEP", RegistryAccess::Read, false)),
              nullptr);
}

TEST_F(Registry, ValuesOfEveryTypeReadBackWithTheirType) {
    auto key = Open(Root + "\\Hashkeep", RegistryAccess::Write, true);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(WriteRegistryText(key.get(), "Prefix", "say \"hi\" C:\\x"));
    EXPECT_TRUE(WriteRegistryNumber(key.get(), "UseMode", 0xFFFFFFFEu));
    RegistryValue expandable;
    expandable.Type = RegistryValueType::ExpandableText;
    expandable.Text = "%HOME%\\bin";
    EXPECT_TRUE(WriteRegistryValue(key.get(), "Expand", expandable));
    RegistryValue bytes;
    bytes.Type = RegistryValueType::Bytes;
    bytes.Bytes = {0x00, 0x01, 0xFF};
    EXPECT_TRUE(WriteRegistryValue(key.get(), "Raw", bytes));
    EXPECT_TRUE(WriteRegistryText(key.get(), "Lines", "one\r\ntwo"));

    auto reader = Open(Root + "\\Hashkeep", RegistryAccess::Read, false);
    ASSERT_NE(reader, nullptr);
    RegistryValue value;
    ASSERT_EQ(ReadRegistryValue(reader.get(), "prefix", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Type, RegistryValueType::Text);
    EXPECT_EQ(value.Text, "say \"hi\" C:\\x");
    ASSERT_EQ(ReadRegistryValue(reader.get(), "UseMode", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Type, RegistryValueType::Number);
    EXPECT_EQ(value.Number, 0xFFFFFFFEu);
    ASSERT_EQ(ReadRegistryValue(reader.get(), "Expand", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Type, RegistryValueType::ExpandableText);
    EXPECT_EQ(value.Text, "%HOME%\\bin");
    ASSERT_EQ(ReadRegistryValue(reader.get(), "Raw", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Type, RegistryValueType::Bytes);
    EXPECT_EQ(value.Bytes, (std::vector<uint8_t>{0x00, 0x01, 0xFF}));
    ASSERT_EQ(ReadRegistryValue(reader.get(), "Lines", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Text, "one\r\ntwo");
    EXPECT_EQ(ReadRegistryValue(reader.get(), "Absent", value), RegistryReadResult::Missing);
}

TEST_F(Registry, WritingReplacesTheTypeAndDeletingRemoves) {
    auto key = Open(Root, RegistryAccess::Write, true);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(WriteRegistryText(key.get(), "UseMode", "4"));
    ASSERT_TRUE(WriteRegistryNumber(key.get(), "UseMode", 4));
    auto reader = Open(Root, RegistryAccess::Read, false);
    RegistryValue value;
    ASSERT_EQ(ReadRegistryValue(reader.get(), "UseMode", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Type, RegistryValueType::Number);
    EXPECT_TRUE(DeleteRegistryValue(key.get(), "UseMode"));
    EXPECT_EQ(ReadRegistryValue(reader.get(), "UseMode", value), RegistryReadResult::Missing);
    EXPECT_FALSE(DeleteRegistryValue(key.get(), "UseMode"));
}

TEST_F(Registry, ListsEveryValueByName) {
    auto key = Open(Root, RegistryAccess::Write, true);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(WriteRegistryText(key.get(), "b", "2"));
    ASSERT_TRUE(WriteRegistryNumber(key.get(), "a", 1));
    std::vector<std::pair<std::string, RegistryValue>> values;
    ASSERT_TRUE(ListRegistryValues(Open(Root, RegistryAccess::Read, false).get(), values));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].first, "a");
    EXPECT_EQ(values[1].first, "b");
    EXPECT_EQ(values[1].second.Text, "2");
}

TEST_F(Registry, ReadOnlyKeyRefusesWrites) {
    auto created = Open(Root, RegistryAccess::Write, true);
    auto key = Open(Root, RegistryAccess::Read, false);
    ASSERT_NE(key, nullptr);
    EXPECT_FALSE(WriteRegistryText(key.get(), "x", "y"));
}

// The file form, for the platforms that keep the tree in a file.
TEST_F(Registry, FileIsRegedit4Text) {
    if (!UsesRegistryFile)
        GTEST_SKIP() << "the tree is the real registry here";
    auto key = Open("Software\\Far\\Plugins\\Hashkeep", RegistryAccess::Write, true);
    ASSERT_TRUE(WriteRegistryText(key.get(), "AutoLoadList", "1"));
    ASSERT_TRUE(WriteRegistryNumber(key.get(), "UseMode", 2));
    const std::string text = TestSupport::ReadFile(Dir / "registry.reg");
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Hashkeep]\n"
                        "\"AutoLoadList\"=\"1\"\n\"UseMode\"=dword:00000002\n"),
              std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Far]\n"), std::string::npos);
}

TEST_F(Registry, HandWrittenFileIsRead) {
    if (!UsesRegistryFile)
        GTEST_SKIP() << "the tree is the real registry here";
    TestSupport::WriteFile(
        Dir / "registry.reg",
        "REGEDIT4\r\n\r\n; exported by hand\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n"
        "\"Prefix\"=hex(2):63,68,65,\\\r\n  63,6b,00\r\n\"Other\"=hex(7):00,00\r\n");
    auto key = Open("software\\x", RegistryAccess::Read, false);
    ASSERT_NE(key, nullptr);
    RegistryValue value;
    ASSERT_EQ(ReadRegistryValue(key.get(), "Prefix", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Type, RegistryValueType::ExpandableText);
    EXPECT_EQ(value.Text, "check");
    ASSERT_EQ(ReadRegistryValue(key.get(), "Other", value), RegistryReadResult::Found);
    EXPECT_EQ(value.Type, RegistryValueType::Other);
}

TEST_F(Registry, CorruptOrTruncatedFileReadsAsEmpty) {
    if (!UsesRegistryFile)
        GTEST_SKIP() << "the tree is the real registry here";
    const std::string good =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\X]\n\"UseMode\"=dword:00000004\n";
    const std::string damaged[] = {
        good.substr(0, good.size() - 5),           // cut inside the dword
        good.substr(0, good.find("\"Use") + 4),    // cut inside the name
        "REGEDIT5\n" + good.substr(9),             // unknown header
        std::string("\0\0\0\xff", 4),              // binary rubbish
        good + "\"Bad\"=dword:12\n",               // short dword
        good + "\"Bad\"=hex:1\n",                  // odd hex
        good + "[HKEY_LOCAL_MACHINE\\Software]\n", // another root
        good + "\"Open\"=\"unterminated\n",
    };
    for (const std::string& content : damaged) {
        TestSupport::WriteFile(Dir / "registry.reg", content);
        auto key = Open("Software\\X", RegistryAccess::Read, false);
        EXPECT_EQ(key, nullptr) << content;
    }
    // A write over a corrupt file starts a fresh, valid one and keeps the
    // corrupt one beside it, byte for byte, for mending by hand; a second
    // and a third damaged file go beside the first, never over it.
    const char* const aside[] = {"registry.reg.damaged", "registry.reg.damaged-2",
                                 "registry.reg.damaged-3"};
    for (size_t i = 0; i < std::size(aside); ++i) {
        const std::string content = damaged[i];
        TestSupport::WriteFile(Dir / "registry.reg", content);
        auto key = Open("Software\\X", RegistryAccess::Write, true);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(WriteRegistryNumber(key.get(), "UseMode", 1));
        RegistryValue value;
        EXPECT_EQ(ReadRegistryValue(Open("Software\\X", RegistryAccess::Read, false).get(),
                                    "UseMode", value),
                  RegistryReadResult::Found);
        EXPECT_EQ(value.Number, 1u);
    }
    for (size_t i = 0; i < std::size(aside); ++i)
        EXPECT_EQ(TestSupport::ReadFile(Dir / aside[i]), damaged[i]) << aside[i];
}

// What another writer left that this store does not own, comments and
// types it cannot read included, is written back line for line, in its
// place, when one value is written (CR LF line ends become LF).
TEST_F(Registry, WhatTheStoreDoesNotOwnSurvivesARewrite) {
    if (!UsesRegistryFile)
        GTEST_SKIP() << "the tree is the real registry here";
    const std::string head =
        "REGEDIT4\n; exported by hand\n\n[HKEY_CURRENT_USER\\Software\\Y]\n"
        "@=\"default\"\n\"Many\"=hex(7):61,00,62,00,00,\\\n  00\n"
        "; about the next one\n\"Wide\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\"None\"=hex(0):\n\"Upper\"=dword:0000ABCD\n\"Spelt\"=hex(1):61,62,00\n"
        "\n[HKEY_CURRENT_USER\\Software\\X]\n";
    std::string file;
    for (const char c : head + "\"UseMode\"=\"2\"\n; trailing comment\n")
        file += c == '\n' ? std::string("\r\n") : std::string(1, c);
    TestSupport::WriteFile(Dir / "registry.reg", file);
    auto key = Open("Software\\X", RegistryAccess::Write, false);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(WriteRegistryNumber(key.get(), "UseMode", 4));
    ASSERT_TRUE(WriteRegistryText(key.get(), "Prefix", "check"));
    EXPECT_EQ(TestSupport::ReadFile(Dir / "registry.reg"),
              head + "\"UseMode\"=dword:00000004\n; trailing comment\n\"Prefix\"=\"check\"\n");
}

#ifndef _WIN32
// A directory or a FIFO where the file should be is nobody's damaged
// settings: writing fails, and it stays where and what it is.
TEST_F(Registry, WhatIsNoFileAtThePathIsNeverMoved) {
    for (const bool fifo : {false, true}) {
        const std::string path = Dir / "registry.reg";
        ASSERT_EQ(fifo ? ::mkfifo(path.c_str(), 0600) : ::mkdir(path.c_str(), 0700), 0);
        EXPECT_EQ(Open("Software\\X", RegistryAccess::Write, true), nullptr);
        EXPECT_EQ(Open("Software\\X", RegistryAccess::Read, false), nullptr);
        struct stat info {};
        ASSERT_EQ(::lstat(path.c_str(), &info), 0);
        EXPECT_TRUE(fifo ? S_ISFIFO(info.st_mode) : S_ISDIR(info.st_mode));
        EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));
        std::filesystem::remove(path);
    }
}
#endif

TEST_F(Registry, KeyPathsThatTheFileCannotHoldAreRefused) {
    if (!UsesRegistryFile)
        GTEST_SKIP() << "the tree is the real registry here";
    for (const char* path : {"", "\\Software", "Software\\", "Soft\\\\ware", "Soft[ware]"})
        EXPECT_EQ(Open(path, RegistryAccess::Write, true), nullptr) << path;
}

} // namespace
