// Loading and saving the seven settings under RootKey\Hashkeep: the types each
// value accepts, the defaults, where a bad value stops the load, and the
// form in which values are written back.
#include "settings_fixture.h"

#include <cstdint>
#include <string>

namespace SettingsTest {
namespace {

using Store = SettingsFixture;

TEST_F(Store, WithoutTheSubKeyEveryFieldButThePrefixTakesItsDefault) {
    EXPECT_TRUE(LoadSettings());
    EXPECT_TRUE(PluginSettings.AutoLoadList);
    EXPECT_EQ(PluginSettings.UseMode, 2);
    EXPECT_TRUE(PluginSettings.ClearSelectionAfter);
    EXPECT_TRUE(PluginSettings.ConfirmAbort);
    EXPECT_FALSE(PluginSettings.TextModeForHashes);
    EXPECT_STREQ(PluginSettings.Prefix, "before");
    EXPECT_FALSE(PluginSettings.ProcessSubfolders);
    // The host's path is made, our own sub-key only by a save.
    KeyHandle root(Platform::OpenRegistryKey(Registry.Root, Platform::RegistryAccess::Read, false));
    EXPECT_NE(root, nullptr);
    EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(Store, SwitchesAcceptIntegerTextsAndNumbers) {
    struct Case {
        RegistryValue Stored;
        bool Expected;
    };
    // Each case follows one that read false, so a field not reset shows.
    // One case a row, as the table reads.
    // clang-format off
    const Case autoLoad[] = {
        {Text("0"), false},
        {Text("yes"), true}, // not an integer: the default
        {Text("0"), false},
        {Text("7"), true},
        {Text("0"), false},
        {Text("-1"), true},
        {Text("0"), false},
        {Text("1x"), true},
        {Text("0"), false},
        {Text(""), true},
        {Text("0"), false},
        {Text("99999999999"), true}, // beyond 32 bits: not an integer either
        {Number(0), false},
        {Number(0x80000000u), true},
    };
    // clang-format on
    for (const Case& c : autoLoad) {
        Put("AutoLoadList", c.Stored);
        EXPECT_TRUE(LoadSettings()) << Describe(c.Stored);
        EXPECT_EQ(PluginSettings.AutoLoadList, c.Expected) << Describe(c.Stored);
    }
    // The default of TextModeForHashes is false, so rubbish reads as false.
    Put("TextModeForHashes", Text("on"));
    Put("ConfirmAbort", Number(0));
    Put("ClearSelectionAfter", Text("0"));
    EXPECT_TRUE(LoadSettings());
    EXPECT_FALSE(PluginSettings.TextModeForHashes);
    EXPECT_FALSE(PluginSettings.ConfirmAbort);
    EXPECT_FALSE(PluginSettings.ClearSelectionAfter);
    Put("TextModeForHashes", Text("1"));
    EXPECT_TRUE(LoadSettings());
    EXPECT_TRUE(PluginSettings.TextModeForHashes);
}

TEST_F(Store, UseModeTakesAnyIntegerAsTextOrNumber) {
    struct Case {
        RegistryValue Stored;
        int32_t Expected;
    };
    // One case a row, as the table reads.
    // clang-format off
    const Case cases[] = {
        {Text("4"), 4},
        {Text("abc"), 2},
        {Text("-2147483648"), INT32_MIN},
        {Text("2147483648"), 2},
        {Number(1), 1},
        {Number(3), 3},
        {Number(0xFFFFFFFEu), -2},
    };
    // clang-format on
    for (const Case& c : cases) {
        Put("UseMode", c.Stored);
        EXPECT_TRUE(LoadSettings()) << Describe(c.Stored);
        EXPECT_EQ(PluginSettings.UseMode, c.Expected) << Describe(c.Stored);
    }
}

TEST_F(Store, TextUseModeLeftByAnotherWriterIsSavedAsANumber) {
    Put("UseMode", Text("4"));
    ASSERT_TRUE(LoadSettings());
    ASSERT_EQ(PluginSettings.UseMode, 4);
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(Stored()["UseMode"], "number 4");
}

TEST_F(Store, AValueOfAThirdTypeStopsTheLoadWhereItStands) {
    const RegistryValue thirdTypes[] = {Bytes({1, 0, 0, 0}),
                                        Text("1", RegistryValueType::ExpandableText)};
    for (const RegistryValue& third : thirdTypes) {
        MarkFields();
        Put("AutoLoadList", Text("0"));
        Put("UseMode", Number(1));
        Put("ClearSelectionAfter", third);
        Put("ConfirmAbort", Text("0"));
        Put("TextModeForHashes", Text("1"));
        Put("Prefix", Text("hk"));
        Put("ProcessSubfolders", Text("1"));
        EXPECT_FALSE(LoadSettings()) << Describe(third);
        // Read before the stop.
        EXPECT_FALSE(PluginSettings.AutoLoadList);
        EXPECT_EQ(PluginSettings.UseMode, 1);
        // Defaults from the stop on; the prefix as it was.
        EXPECT_TRUE(PluginSettings.ClearSelectionAfter);
        EXPECT_TRUE(PluginSettings.ConfirmAbort);
        EXPECT_FALSE(PluginSettings.TextModeForHashes);
        EXPECT_STREQ(PluginSettings.Prefix, "before");
        EXPECT_FALSE(PluginSettings.ProcessSubfolders);
    }
}

TEST_F(Store, UseModeAndPrefixRefuseTypesTheyDoNotAccept) {
    Put("UseMode", Text("4", RegistryValueType::ExpandableText));
    Put("ConfirmAbort", Text("0"));
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(PluginSettings.UseMode, 2);
    EXPECT_TRUE(PluginSettings.ConfirmAbort);

    Put("UseMode", Number(4));
    Put("Prefix", Number(1));
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(PluginSettings.UseMode, 4);
    EXPECT_FALSE(PluginSettings.ConfirmAbort);
    EXPECT_STREQ(PluginSettings.Prefix, "before");
}

TEST_F(Store, PrefixIsTakenAsStoredAndKeptWhenTheValueGoes) {
    // Expandable text is not expanded: the prefix is typed, not a path.
    Put("Prefix", Text("%USERPROFILE%", RegistryValueType::ExpandableText));
    EXPECT_TRUE(LoadSettings());
    EXPECT_STREQ(PluginSettings.Prefix, "%USERPROFILE%");

    Put("Prefix", Text("hk"));
    EXPECT_TRUE(LoadSettings());
    EXPECT_STREQ(PluginSettings.Prefix, "hk");
    // Deleted while the library stays loaded: the last one read, not "check".
    Remove("Prefix");
    EXPECT_TRUE(LoadSettings());
    EXPECT_STREQ(PluginSettings.Prefix, "hk");

    Put("Prefix", Text(""));
    EXPECT_TRUE(LoadSettings());
    EXPECT_STREQ(PluginSettings.Prefix, "");
}

TEST_F(Store, LongPrefixFromTheRegistryIsCutTo49Characters) {
    const std::string sixty = std::string(49, 'a') + std::string(11, 'b');
    Put("Prefix", Text(sixty));
    EXPECT_TRUE(LoadSettings());
    EXPECT_EQ(std::string(PluginSettings.Prefix), std::string(49, 'a'));
}

TEST_F(Store, SaveWritesSwitchesAsOneCharacterTexts) {
    PluginSettings.AutoLoadList = true;
    PluginSettings.UseMode = -7;
    PluginSettings.ClearSelectionAfter = false;
    PluginSettings.ConfirmAbort = true;
    PluginSettings.TextModeForHashes = false;
    CopyItemText(PluginSettings.Prefix, "hk \"quoted\"\\");
    PluginSettings.ProcessSubfolders = true;
    ASSERT_TRUE(SaveSettings());
    const std::map<std::string, std::string> expected = {
        {"AutoLoadList", "text \"1\""},        {"UseMode", "number 4294967289"},
        {"ClearSelectionAfter", "text \"0\""}, {"ConfirmAbort", "text \"1\""},
        {"TextModeForHashes", "text \"0\""},   {"Prefix", "text \"hk \"quoted\"\\\""},
        {"ProcessSubfolders", "text \"1\""},
    };
    EXPECT_EQ(Stored(), expected);

    // What was saved loads back as it was.
    PluginSettings = TPluginSettings{};
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(PluginSettings.AutoLoadList);
    EXPECT_EQ(PluginSettings.UseMode, -7);
    EXPECT_FALSE(PluginSettings.ClearSelectionAfter);
    EXPECT_TRUE(PluginSettings.ConfirmAbort);
    EXPECT_FALSE(PluginSettings.TextModeForHashes);
    EXPECT_STREQ(PluginSettings.Prefix, "hk \"quoted\"\\");
    EXPECT_TRUE(PluginSettings.ProcessSubfolders);
}

TEST_F(Store, WithoutARootKeyNothingIsReadOrWritten) {
    Host.RootKey.clear();
    PluginStartupInfo info = Host.Info();
    info.RootKey = nullptr;
    SetStartupInfo(&info);
    EXPECT_FALSE(LoadSettings());
    EXPECT_TRUE(PluginSettings.AutoLoadList); // the defaults all the same
    EXPECT_FALSE(SaveSettings());
}

} // namespace
} // namespace SettingsTest
