// Registry faults under the settings: a registry file cut at every byte,
// values of types the settings do not accept, and a registry that cannot be
// written. The load keeps exactly what it could read in order and the
// defaults for the rest, the plug-in goes on creating lists with that
// record, and a save that fails leaves the values the user chose in memory.
#include "plugin_stage.h"

#include "platform/registry.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

using namespace PluginStage;
using Platform::RegistryValue;
using Platform::RegistryValueType;

namespace {

struct KeyCloser {
    void operator()(Platform::RegistryKey* key) const { Platform::CloseRegistryKey(key); }
};
using KeyHandle = std::unique_ptr<Platform::RegistryKey, KeyCloser>;

RegistryValue Text(const std::string& text, RegistryValueType type = RegistryValueType::Text) {
    RegistryValue value;
    value.Type = type;
    value.Text = text;
    return value;
}

RegistryValue Number(uint32_t number) {
    RegistryValue value;
    value.Type = RegistryValueType::Number;
    value.Number = number;
    return value;
}

RegistryValue Bytes(std::vector<uint8_t> bytes) {
    RegistryValue value;
    value.Type = RegistryValueType::Bytes;
    value.Bytes = std::move(bytes);
    return value;
}

// The six values in the order the load reads them, each set away from its
// default, as another writer of the key would leave them.
struct TStored {
    const char* Name;
    RegistryValue Value;
};
const TStored Stored[] = {{"AutoLoadList", Text("0")},        {"UseMode", Number(4)},
                          {"ClearSelectionAfter", Text("0")}, {"ConfirmAbort", Number(0)},
                          {"TextModeForHashes", Text("1")},   {"Prefix", Text("hk")}};
constexpr size_t StoredCount = std::size(Stored);

// The record a load gives when the first Read values of Stored were taken
// and the rest kept their defaults (the prefix: what it held before).
struct TRecord {
    bool AutoLoadList = true;
    int32_t UseMode = 2;
    bool ClearSelectionAfter = true;
    bool ConfirmAbort = true;
    bool TextModeForHashes = false;
    std::string Prefix = "before";
};

TRecord RecordWith(const std::vector<bool>& taken) {
    TRecord record;
    if (taken[0])
        record.AutoLoadList = false;
    if (taken[1])
        record.UseMode = 4;
    if (taken[2])
        record.ClearSelectionAfter = false;
    if (taken[3])
        record.ConfirmAbort = false;
    if (taken[4])
        record.TextModeForHashes = true;
    if (taken[5])
        record.Prefix = "hk";
    return record;
}

void ExpectRecord(const TRecord& expected) {
    const TPluginSettings& s = PluginSettings;
    EXPECT_EQ(s.AutoLoadList, expected.AutoLoadList);
    EXPECT_EQ(s.UseMode, expected.UseMode);
    EXPECT_EQ(s.ClearSelectionAfter, expected.ClearSelectionAfter);
    EXPECT_EQ(s.ConfirmAbort, expected.ConfirmAbort);
    EXPECT_EQ(s.TextModeForHashes, expected.TextModeForHashes);
    EXPECT_EQ(std::string(s.Prefix), expected.Prefix);
}

void Put(const TStage& stage, const std::string& name, const RegistryValue& value) {
    KeyHandle key(Platform::OpenRegistryKey(stage.RootKey() + "\\Hashkeep",
                                            Platform::RegistryAccess::Write, true));
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(Platform::WriteRegistryValue(key.get(), name, value));
}

// Creates a list of the one file a.txt from the menu, accepting the dialog
// as proposed, and checks that the record the load gave is the one used:
// the algorithm and its extension, the mode mark, the selection after.
void ExpectListCreatedWith(const TStage& stage, const TRecord& record) {
    CopyItemText(PluginSettings.Prefix, "before");
    const TPlayed played = stage.Play("panel active dir \"work\"\n"
                                      "panel active select \"a.txt\"\n"
                                      "call menu\n"
                                      "dialog\n  close 13\n");
    ExpectOrderlyEnd(played);
    ExpectRecord(record);
    const bool sha1 = record.UseMode == 4;
    const std::string list = sha1 ? "work/a.txt.sha1" : "work/a.txt.md5";
    const std::string digest =
        sha1 ? "a9993e364706816aba3e25717850c26c9cd0d89d" : "900150983cd24fb0d6963f7d28e17f72";
    const Contents files = stage.Files();
    EXPECT_EQ(files.size(), 2u);
    if (files.count(list) != 0)
        EXPECT_EQ(files.at(list),
                  "\r\n" + digest + (record.TextModeForHashes ? "  " : " *") + "a.txt\r\n");
    else
        ADD_FAILURE() << "no " << list;
    EXPECT_EQ(Selection(played.Transcript, "active").count("a.txt"),
              record.ClearSelectionAfter ? 0u : 1u);
    std::filesystem::remove(stage.Path(list));
}

#ifndef _WIN32
bool SameValue(const RegistryValue& a, const RegistryValue& b) {
    return a.Type == b.Type && a.Text == b.Text && a.Number == b.Number &&
           (a.Type != RegistryValueType::Bytes || a.Bytes == b.Bytes);
}

// Which of the six values the registry layer finds: whole values or none.
std::vector<bool> ValuesFound(const TStage& stage) {
    std::vector<bool> found(StoredCount, false);
    KeyHandle key(Platform::OpenRegistryKey(stage.RootKey() + "\\Hashkeep",
                                            Platform::RegistryAccess::Read, false));
    for (size_t i = 0; key != nullptr && i < StoredCount; ++i) {
        RegistryValue value;
        found[i] = Platform::ReadRegistryValue(key.get(), Stored[i].Name, value) ==
                   Platform::RegistryReadResult::Found;
        EXPECT_TRUE(!found[i] || SameValue(value, Stored[i].Value)) << Stored[i].Name;
    }
    return found;
}

// Only where the registry is a file of ours; Windows keeps its own.
TEST(SettingsFaults, ARegistryFileCutAtEveryByteGivesOnlyValuesItHeld) {
    TStage stage;
    stage.MakeDirectory("work");
    stage.Write("work/a.txt", "abc");
    for (const TStored& stored : Stored)
        Put(stage, stored.Name, stored.Value);
    const char* file = std::getenv("HASHKEEP_REGISTRY_FILE");
    ASSERT_NE(file, nullptr);
    const std::string whole = TestSupport::ReadFile(file);
    ASSERT_GT(whole.size(), 100u);

    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE("the file cut after " + std::to_string(cut) + " bytes");
        TestSupport::WriteFile(file, whole.substr(0, cut));
        const std::vector<bool> taken = ValuesFound(stage);
        ExpectListCreatedWith(stage, RecordWith(taken));
        EXPECT_EQ(ValuesFound(stage), taken) << "a load loses no value";
        if (::testing::Test::HasFailure())
            return;
    }
}
#endif

TEST(SettingsFaults, AValueOfAnotherTypeStopsTheLoadThereAndThePluginGoesOn) {
    for (size_t at = 0; at < StoredCount; ++at) {
        const bool prefix = std::string(Stored[at].Name) == "Prefix";
        // Switches and UseMode take text and numbers, the prefix texts of both kinds.
        const RegistryValue others[] = {prefix ? Number(1)
                                               : Text("1", RegistryValueType::ExpandableText),
                                        Bytes({'1', 0, 0, 0})};
        for (const RegistryValue& other : others) {
            SCOPED_TRACE(std::string(Stored[at].Name) + " of another type");
            TStage stage;
            stage.MakeDirectory("work");
            stage.Write("work/a.txt", "abc");
            for (size_t i = 0; i < StoredCount; ++i)
                Put(stage, Stored[i].Name, i == at ? other : Stored[i].Value);
            std::vector<bool> taken(StoredCount, false);
            std::fill(taken.begin(), taken.begin() + static_cast<std::ptrdiff_t>(at), true);
            ExpectListCreatedWith(stage, RecordWith(taken));
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

// A registry whose settings key cannot be created: natively the file's
// directory is a file; on Windows the path holds a name longer than the
// registry allows.
void MakeUnwritable(TStage& stage) {
#ifdef _WIN32
    stage.UseRootKey(stage.RootKey() + "\\" + std::string(300, 'k'));
#else
    stage.Write("not a directory", "");
    TestSupport::SetEnvironment("HASHKEEP_REGISTRY_FILE",
                                stage.Path("not a directory") + "/registry.reg");
#endif
    KeyHandle key(Platform::OpenRegistryKey(stage.RootKey() + "\\Hashkeep",
                                            Platform::RegistryAccess::Write, true));
    ASSERT_EQ(key, nullptr) << "the registry can be written after all";
}

TEST(SettingsFaults, ARegistryThatCannotBeWrittenKeepsTheUsersValuesInMemory) {
    TStage stage;
    MakeUnwritable(stage);
    CopyItemText(PluginSettings.Prefix, "check");
    // SHA1, Auto Load off, the prefix "hk", OK.
    const TPlayed played = stage.Play("call config 0\n"
                                      "dialog\n  radio 4\n  check 7 off\n  edit 13 \"hk\"\n"
                                      "  close 15\n"
                                      "call info\n");
    for (const std::string& error : played.Errors)
        ADD_FAILURE() << "host error: " << error;
    EXPECT_NE(played.Transcript.find("\n-> 1\n== GetPluginInfo\n"), std::string::npos)
        << "Configure gives 1 after OK\n"
        << played.Transcript;
    EXPECT_NE(played.Transcript.find("  command prefix: \"hk\"\n"), std::string::npos)
        << played.Transcript;
    TRecord chosen;
    chosen.UseMode = 4;
    chosen.AutoLoadList = false;
    chosen.Prefix = "hk";
    ExpectRecord(chosen);
}

} // namespace
