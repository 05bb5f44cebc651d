// The 1.x plug-in's settings taken over into FAR 3's store, through a fake
// of that store; the registry is the real one (Windows) or its file (POSIX).
#include "host/far3/far3.h"
#include "platform/registry.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

using namespace Far3;
using namespace Platform;

namespace {

// Each value as "text:..." or "number:...", so a test says type and value at once.
class TFakeStore final : public TSettingsStore {
public:
    bool Holds(const std::string& name) override { return Values.count(name) != 0; }
    bool SetText(const std::string& name, const std::string& text) override {
        return Set(name, "text:" + text);
    }
    bool SetNumber(const std::string& name, uint64_t number) override {
        return Set(name, "number:" + std::to_string(number));
    }
    bool Set(const std::string& name, const std::string& value) {
        return WritesAllowed-- > 0 && Values.emplace(name, value).second;
    }
    std::map<std::string, std::string> Values;
    int WritesAllowed = 100;
};

RegistryValue Value(RegistryValueType type, std::string text, uint32_t number = 0) {
    return RegistryValue{type, std::move(text), number, {1, 2}};
}
RegistryValue Text(std::string text) {
    return Value(RegistryValueType::Text, std::move(text));
}
RegistryValue Number(uint32_t n) {
    return Value(RegistryValueType::Number, "", n);
}

using TValues = std::vector<std::pair<std::string, RegistryValue>>;

class TakeOver : public ::testing::Test {
protected:
    void SetUp() override {
        TestSupport::SetEnvironment("HASHKEEP_REGISTRY_FILE", Dir / "registry.reg");
        Root = "Software\\HashkeepTests\\Far3Run" + std::to_string(std::random_device()());
    }
    void TearDown() override {
#ifdef _WIN32
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\HashkeepTests");
#endif
    }
    void Plant(const TValues& values) {
        if (values.empty())
            return;
        RegistryKey* key = OpenRegistryKey(Root + "\\Hashkeep", RegistryAccess::Write, true);
        ASSERT_NE(key, nullptr);
        for (const auto& [name, value] : values)
            ASSERT_TRUE(WriteRegistryValue(key, name, value)) << name;
        CloseRegistryKey(key);
    }
    // Every value of the key, type and contents, as one text each.
    std::vector<std::string> Registry() {
        TValues values;
        RegistryKey* key = OpenRegistryKey(Root + "\\Hashkeep", RegistryAccess::Read, false);
        std::vector<std::string> texts;
        for (const auto& [name, value] : key&& ListRegistryValues(key, values) ? values : TValues())
            texts.push_back(name + "=" + std::to_string(int(value.Type)) + ":" + value.Text + ":" +
                            std::to_string(value.Number));
        CloseRegistryKey(key);
        return texts;
    }

    TestSupport::TempDirectory Dir;
    std::string Root;
};

} // namespace

TEST_F(TakeOver, CopiesWhatTheClassicLoadReadsAndLeavesTheRegistryAsItWas) {
    using M = std::map<std::string, std::string>;
    const struct {
        const char* Case;
        TValues Planted;
        TTakeOver Result;
        M Store;
    } cases[] = {
        {"every value, as the 1.x plug-in saves them",
         {{"AutoLoadList", Text("0")},
          {"UseMode", Number(4)},
          {"ClearSelectionAfter", Text("1")},
          {"ConfirmAbort", Text("0")},
          {"TextModeForHashes", Text("1")},
          {"Prefix", Text("hk")},
          {"ProcessSubfolders", Text("1")}},
         TTakeOver::TakenOver,
         {{"AutoLoadList", "text:0"},
          {"UseMode", "number:4"},
          {"ClearSelectionAfter", "text:1"},
          {"ConfirmAbort", "text:0"},
          {"TextModeForHashes", "text:1"},
          {"Prefix", "text:hk"},
          {"ProcessSubfolders", "text:1"}}},
        {"another writer's types, and text that is no number, kept for the reader's rule",
         {{"UseMode", Text("8")},
          {"ConfirmAbort", Number(0)},
          {"AutoLoadList", Text("yes")},
          {"Prefix", Value(RegistryValueType::ExpandableText, "%TEMP%x")}},
         TTakeOver::TakenOver,
         {{"UseMode", "text:8"},
          {"ConfirmAbort", "number:0"},
          {"AutoLoadList", "text:yes"},
          {"Prefix", "text:%TEMP%x"}}},
        {"a value of a refused type stops there, as the 1.x load does",
         {{"AutoLoadList", Text("0")},
          {"UseMode", Number(1)},
          {"ClearSelectionAfter", Value(RegistryValueType::Bytes, "")},
          {"ConfirmAbort", Text("0")},
          {"Prefix", Text("p")}},
         TTakeOver::TakenOver,
         {{"AutoLoadList", "text:0"}, {"UseMode", "number:1"}}},
        {"expandable text is a prefix's only",
         {{"AutoLoadList", Value(RegistryValueType::ExpandableText, "0")}, {"UseMode", Number(1)}},
         TTakeOver::NothingFound,
         {}},
        {"no key at all", {}, TTakeOver::NothingFound, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        SetUp();
        Plant(c.Planted);
        const auto before = Registry();
        TFakeStore store;
        EXPECT_EQ(TakeOverLegacySettings(store, Root), c.Result);
        EXPECT_EQ(store.Values, c.Store);
        EXPECT_EQ(Registry(), before) << "the registry values must stay as they were";
        if (c.Planted.empty()) { // read, never created
            EXPECT_EQ(OpenRegistryKey(Root, RegistryAccess::Read, false), nullptr);
        }
    }
}

TEST_F(TakeOver, AStoreInUseIsNeverOverwritten) {
    Plant({{"UseMode", Number(4)}, {"Prefix", Text("old")}});
    TFakeStore store;
    store.Values["Prefix"] = "text:mine";
    EXPECT_EQ(TakeOverLegacySettings(store, Root), TTakeOver::StoreInUse);
    EXPECT_EQ(store.Values, (std::map<std::string, std::string>{{"Prefix", "text:mine"}}));
}

TEST_F(TakeOver, ARefusedWriteEndsItAsAFailure) {
    Plant({{"AutoLoadList", Text("0")}, {"UseMode", Number(1)}, {"ConfirmAbort", Text("0")}});
    TFakeStore store;
    store.WritesAllowed = 1;
    EXPECT_EQ(TakeOverLegacySettings(store, Root), TTakeOver::Failed);
    EXPECT_EQ(store.Values, (std::map<std::string, std::string>{{"AutoLoadList", "text:0"}}));
}

TEST(LegacySettingsRoot, TheWrappersKeyForFarsUser) {
    const struct {
        std::vector<std::string> Arguments;
        const char* Root;
    } cases[] = {
        {{}, "Software\\Far Manager\\Plugins"},
        {{"-u", "bob", "C:\\x"}, "Software\\Far Manager\\Users\\bob\\Plugins"},
        {{"/U", "Ann"}, "Software\\Far Manager\\Users\\Ann\\Plugins"},
        {{"-u", "a", "-p", "D:\\P", "-U", "b"}, "Software\\Far Manager\\Users\\b\\Plugins"},
        {{"-u"}, "Software\\Far Manager\\Plugins"},
        {{"-ub", "x", "C:\\-u"}, "Software\\Far Manager\\Plugins"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LegacySettingsRoot(c.Arguments), c.Root) << testing::PrintToString(c.Arguments);
}
