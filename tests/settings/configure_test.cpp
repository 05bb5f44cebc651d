// The configuration dialog as the user meets it: its layout and width, the
// settings it shows, and what OK, Cancel and Esc leave in the registry.
#include "settings_fixture.h"

#include <functional>
#include <string>

namespace SettingsTest {
namespace {

using Fake::DialogCall;

class ConfigureDialog : public SettingsFixture {
protected:
    // Shows the dialog once, answering with Answer; the call as the host saw it.
    DialogCall Run(Fake::DialogAnswer answer, int expectedResult) {
        Host.DialogAnswers.push_back(std::move(answer));
        EXPECT_EQ(Configure(0), expectedResult);
        EXPECT_EQ(Host.Unanswered, 0);
        if (Host.Dialogs.empty()) {
            ADD_FAILURE() << "no dialog shown";
            return {};
        }
        return Host.Dialogs.back();
    }

    // OK after the user's changes.
    static Fake::DialogAnswer OkAfter(std::function<void(FarDialogItem*)> edit) {
        return [edit](FarDialogItem* items, int) {
            edit(items);
            return 15;
        };
    }
};

TEST_F(ConfigureDialog, LayoutWithTheBuiltInTexts) {
    const DialogCall dialog = Run(Fake::CloseWith(-1), 0);
    EXPECT_EQ(dialog.PluginNumber, Fake::FakeHost::ModuleNumber);
    EXPECT_EQ(dialog.X1, -1);
    EXPECT_EQ(dialog.Y1, -1);
    EXPECT_EQ(dialog.X2, 43); // width: W = 29 + 4 for "Clear Selection After Hashing"
    EXPECT_EQ(dialog.Y2, 18);
    EXPECT_FALSE(dialog.HelpTopicGiven);
    ASSERT_EQ(dialog.Items.size(), 17u);

    struct Row {
        int Type, X1, Y1, X2, Y2, Focus;
        DWORD Flags;
        int DefaultButton;
        const char* Text;
    };
    const Row rows[17] = {
        {DI_DOUBLEBOX, 3, 1, 39, 16, 0, 0, 0, "Configuration"},
        {DI_TEXT, 5, 2, 0, 0, 0, 0, 0, "Default Algorithm"},
        {DI_RADIOBUTTON, 5, 3, 0, 0, 0, 0, 0, "&1. CRC32"},
        {DI_RADIOBUTTON, 5, 4, 0, 0, 0, 0, 0, "&2. MD5"},
        {DI_RADIOBUTTON, 5, 5, 0, 0, 0, 0, 0, "&3. SHA1"},
        {DI_RADIOBUTTON, 5, 6, 0, 0, 0, 0, 0, "&4. SHA256"},
        {DI_TEXT, 0, 7, 0, 0, 0, DIF_SEPARATOR, 0, ""},
        {DI_CHECKBOX, 5, 8, 0, 0, 0, 0, 0, "Auto Load Hash Files"},
        {DI_CHECKBOX, 5, 9, 0, 0, 0, 0, 0, "Clear Selection After Hashing"},
        {DI_CHECKBOX, 5, 10, 0, 0, 0, 0, 0, "Confirm Abort"},
        {DI_CHECKBOX, 5, 11, 0, 0, 0, 0, 0, "Use Text Mode For MD5 + SHA1"},
        {DI_CHECKBOX, 5, 12, 0, 0, 0, 0, 0, "Process &subfolders"},
        {DI_TEXT, 5, 13, 0, 0, 0, 0, 0, "Prefix:"},
        {DI_EDIT, 13, 13, 33, 0, 0, 0, 0, "before"},
        {DI_TEXT, 0, 14, 0, 0, 0, DIF_SEPARATOR, 0, ""},
        {DI_BUTTON, 0, 15, 0, 0, 0, DIF_CENTERGROUP, 1, "OK"},
        {DI_BUTTON, 0, 15, 0, 0, 1, DIF_CENTERGROUP, 0, "Cancel"},
    };
    for (size_t i = 0; i < 17; ++i) {
        const FarDialogItem& item = dialog.Items[i];
        const Row& row = rows[i];
        EXPECT_EQ(item.Type, row.Type) << "item " << i;
        EXPECT_EQ(item.X1, row.X1) << "item " << i;
        EXPECT_EQ(item.Y1, row.Y1) << "item " << i;
        EXPECT_EQ(item.X2, row.X2) << "item " << i;
        EXPECT_EQ(item.Y2, row.Y2) << "item " << i;
        EXPECT_EQ(item.Focus, row.Focus) << "item " << i;
        EXPECT_EQ(item.Flags, row.Flags) << "item " << i;
        EXPECT_EQ(item.DefaultButton, row.DefaultButton) << "item " << i;
        EXPECT_STREQ(item.Data, row.Text) << "item " << i;
    }
    // Fresh defaults: MD5 and the three switches that start on.
    for (size_t i : {3u, 7u, 8u, 9u})
        EXPECT_EQ(dialog.Items[i].Selected, 1) << "item " << i;
    for (size_t i : {2u, 4u, 5u, 10u, 11u})
        EXPECT_EQ(dialog.Items[i].Selected, 0) << "item " << i;
}

TEST_F(ConfigureDialog, ALongerTranslationWidensTheDialog) {
    Host.Language[MClearSelectionAfter] = std::string(40, 'c');
    DialogCall dialog = Run(Fake::CloseWith(-1), 0);
    EXPECT_EQ(dialog.Items[0].X2, 40 + 4 + 6);
    EXPECT_EQ(dialog.X2, 40 + 4 + 10);
    EXPECT_EQ(dialog.Items[8].Data, std::string(40, 'c'));

    // A text longer than an item holds counts as cut.
    Host.Language[MConfiguration] = std::string(600, 't');
    dialog = Run(Fake::CloseWith(-1), 0);
    EXPECT_EQ(dialog.X2, 511 + 4 + 10);
}

TEST_F(ConfigureDialog, ShowsTheSettingsTheRegistryHoldsNow) {
    Put("AutoLoadList", Text("0"));
    Put("UseMode", Number(8));
    Put("ClearSelectionAfter", Text("1"));
    Put("ConfirmAbort", Number(0));
    Put("TextModeForHashes", Text("1"));
    Put("Prefix", Text("hk"));
    Put("ProcessSubfolders", Text("1"));
    const DialogCall dialog = Run(Fake::CloseWith(-1), 0);
    const int expected[17] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < 17; ++i)
        EXPECT_EQ(dialog.Items[i].Selected, expected[i]) << "item " << i;
    EXPECT_STREQ(dialog.Items[13].Data, "hk");
}

TEST_F(ConfigureDialog, AnUseModeNamingNoAlgorithmSelectsNoneAndIsStoredAgain) {
    Put("UseMode", Number(3));
    const DialogCall dialog = Run(Fake::CloseWith(15), 1);
    for (size_t i : {2u, 3u, 4u, 5u})
        EXPECT_EQ(dialog.Items[i].Selected, 0) << "item " << i;
    EXPECT_EQ(Stored()["UseMode"], "number 3");
}

TEST_F(ConfigureDialog, EscOrCancelLeaveTheRegistryUntouched) {
    // Nothing stored yet: no sub-key appears.
    Run(Fake::CloseWith(-1), 0);
    EXPECT_FALSE(SettingsKeyExists());

    Put("UseMode", Text("4"));
    Put("AutoLoadList", Number(1));
    const auto before = Stored();
    const auto changeEverything = [](FarDialogItem* items) {
        items[2].Selected = 1;
        items[4].Selected = 0;
        items[7].Selected = 0;
        items[11].Selected = 1;
        CopyItemText(items[13].Data, "changed");
    };
    for (int way : {-1, 16, 0, 13}) { // Esc, Cancel, or any item but OK
        Run(
            [&](FarDialogItem* items, int) {
                changeEverything(items);
                return way;
            },
            0);
        EXPECT_EQ(Stored(), before) << "closed by " << way;
    }
    // The record keeps the values just loaded, not the user's changes.
    EXPECT_EQ(PluginSettings.UseMode, 4);
    EXPECT_TRUE(PluginSettings.AutoLoadList);
    EXPECT_STREQ(PluginSettings.Prefix, "before");
}

TEST_F(ConfigureDialog, FirstOkWritesAllSevenValues) {
    Run(Fake::CloseWith(15), 1);
    const std::map<std::string, std::string> expected = {
        {"AutoLoadList", "text \"1\""},        {"UseMode", "number 2"},
        {"ClearSelectionAfter", "text \"1\""}, {"ConfirmAbort", "text \"1\""},
        {"TextModeForHashes", "text \"0\""},   {"Prefix", "text \"before\""},
        {"ProcessSubfolders", "text \"0\""},
    };
    EXPECT_EQ(Stored(), expected);
}

TEST_F(ConfigureDialog, OkStoresWhatTheUserSet) {
    const std::string sixty = std::string(49, 'p') + std::string(11, 'q');
    Run(OkAfter([&](FarDialogItem* items) {
            items[3].Selected = 0;
            items[5].Selected = 1; // SHA256
            items[7].Selected = 0;
            items[10].Selected = 2; // any positive state counts as on
            items[11].Selected = 1;
            CopyItemText(items[13].Data, sixty.c_str());
        }),
        1);
    const std::map<std::string, std::string> expected = {
        {"AutoLoadList", "text \"0\""},        {"UseMode", "number 8"},
        {"ClearSelectionAfter", "text \"1\""}, {"ConfirmAbort", "text \"1\""},
        {"TextModeForHashes", "text \"1\""},   {"Prefix", "text \"" + std::string(49, 'p') + "\""},
        {"ProcessSubfolders", "text \"1\""},
    };
    EXPECT_EQ(Stored(), expected);

    // The host's prefix is the new one at once.
    PluginInfo info{};
    GetPluginInfo(&info);
    EXPECT_EQ(std::string(info.CommandPrefix), std::string(49, 'p'));
}

TEST_F(ConfigureDialog, LaterAlgorithmButtonsOverrideEarlierOnes) {
    Run(OkAfter([](FarDialogItem* items) {
            items[2].Selected = 1;
            items[3].Selected = 1;
            items[4].Selected = 0;
        }),
        1);
    EXPECT_EQ(PluginSettings.UseMode, 2);
    EXPECT_EQ(Stored()["UseMode"], "number 2");
}

TEST_F(ConfigureDialog, AnEmptyPrefixIsStoredAndHandedToTheHostEmpty) {
    Run(OkAfter([](FarDialogItem* items) { items[13].Data[0] = '\0'; }), 1);
    EXPECT_EQ(Stored()["Prefix"], "text \"\"");
    PluginInfo info{};
    GetPluginInfo(&info);
    EXPECT_STREQ(info.CommandPrefix, "");
}

} // namespace
} // namespace SettingsTest
