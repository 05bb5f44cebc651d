// The configuration dialog: default algorithm, the five switches and the
// command-line prefix, shown as the registry holds them and saved on OK.
#include "checker/checker.h"
#include "host/host.h"
#include "settings/settings.h"

#include <iterator>

namespace {

enum ConfigItem : int {
    CBox,
    CAlgorithmLabel,
    CCrc32,
    CMd5,
    CSha1,
    CSha256,
    CSeparator1,
    CAutoLoadList,
    CClearSelectionAfter,
    CConfirmAbort,
    CTextModeForHashes,
    CProcessSubfolders,
    CPrefixLabel,
    CPrefix,
    CSeparator2,
    COk,
    CCancel,
    ConfigItemCount
};

// Focus starts on Cancel rather than on the first radio button, while OK is
// the default button. No radio button carries DIF_GROUP: the four form the
// dialog's only group.
constexpr DialogItemTemplate ConfigTemplate[ConfigItemCount] = {
    {DI_DOUBLEBOX, 3, 1, 0, 0, 0, 0, 0, 0, "(config)"},
    {DI_TEXT, 5, 2, 0, 0, 0, 0, 0, 0, "(config)"},
    {DI_RADIOBUTTON, 5, 3, 0, 0, 0, 0, 0, 0, "&1. CRC32"},
    {DI_RADIOBUTTON, 5, 4, 0, 0, 0, 0, 0, 0, "&2. MD5"},
    {DI_RADIOBUTTON, 5, 5, 0, 0, 0, 0, 0, 0, "&3. SHA1"},
    {DI_RADIOBUTTON, 5, 6, 0, 0, 0, 0, 0, 0, "&4. SHA256"},
    {DI_TEXT, 0, 7, 0, 0, 0, 0, DIF_SEPARATOR, 0, ""},
    {DI_CHECKBOX, 5, 8, 0, 0, 0, 0, 0, 0, "(config)"},
    {DI_CHECKBOX, 5, 9, 0, 0, 0, 0, 0, 0, "(config)"},
    {DI_CHECKBOX, 5, 10, 0, 0, 0, 0, 0, 0, "(config)"},
    {DI_CHECKBOX, 5, 11, 0, 0, 0, 0, 0, 0, "(config)"},
    {DI_CHECKBOX, 5, 12, 0, 0, 0, 0, 0, 0, "(config)"},
    {DI_TEXT, 5, 13, 0, 0, 0, 0, 0, 0, "Prefix:"},
    {DI_EDIT, 13, 13, 33, 0, 0, 0, 0, 0, "(prefix)"},
    {DI_TEXT, 0, 14, 0, 0, 0, 0, DIF_SEPARATOR, 0, ""},
    {DI_BUTTON, 0, 15, 0, 0, 0, 0, DIF_CENTERGROUP, 1, "OK"},
    {DI_BUTTON, 0, 15, 0, 0, 1, 0, DIF_CENTERGROUP, 0, "Cancel"},
};

// The algorithm buttons are the rows of the algorithm table, in its order,
// and a button selects the UseMode of its row.
constexpr int AlgorithmButtonCount = CSha256 - CCrc32 + 1;
static_assert(std::size(AlgoDefinitions) == static_cast<size_t>(AlgorithmButtonCount));
static_assert(AlgoDefinitions[CCrc32 - CCrc32].Id == haCrc32 &&
              AlgoDefinitions[CMd5 - CCrc32].Id == haMd5 &&
              AlgoDefinitions[CSha1 - CCrc32].Id == haSha1 &&
              AlgoDefinitions[CSha256 - CCrc32].Id == haSha256);

// Room for a check box's mark before its text and a margin after it.
constexpr int LabelMargin = 4;

// The items whose texts come from the message table, in the order their
// widths are measured.
constexpr DialogMessageItem LabelledItems[] = {
    {CBox, MConfiguration, LabelMargin},
    {CAlgorithmLabel, MDefaultAlgorithm, LabelMargin},
    {CAutoLoadList, MAutoLoadHashFiles, LabelMargin},
    {CClearSelectionAfter, MClearSelectionAfter, LabelMargin},
    {CConfirmAbort, MConfirmAbort, LabelMargin},
    {CTextModeForHashes, MUseTextMode, LabelMargin},
    {CProcessSubfolders, MProcessSubfolders, LabelMargin},
};

constexpr int BoxBottom = 16;
constexpr int DialogHeight = 18;

} // namespace

bool ShowConfigurationDialog() {
    if (StartupInfo.Dialog == nullptr)
        return false;
    LoadSettings();
    TPluginSettings& s = PluginSettings;

    FarDialogItem items[ConfigItemCount];
    BuildDialogItems(ConfigTemplate, items);

    // The box follows the texts, so a longer translation widens the dialog.
    const int width = PutDialogMessages(items, LabelledItems);
    items[CBox].X2 = width + 6;
    items[CBox].Y2 = BoxBottom;

    items[CAutoLoadList].Selected = s.AutoLoadList ? 1 : 0;
    items[CClearSelectionAfter].Selected = s.ClearSelectionAfter ? 1 : 0;
    items[CConfirmAbort].Selected = s.ConfirmAbort ? 1 : 0;
    items[CTextModeForHashes].Selected = s.TextModeForHashes ? 1 : 0;
    items[CProcessSubfolders].Selected = s.ProcessSubfolders ? 1 : 0;
    CopyItemText(items[CPrefix].Data, s.Prefix);
    // A UseMode that names no algorithm shows no button selected.
    for (int i = 0; i < AlgorithmButtonCount; ++i)
        if (s.UseMode == AlgoDefinitions[i].Id)
            items[CCrc32 + i].Selected = 1;

    const int closedBy = StartupInfo.Dialog(StartupInfo.ModuleNumber, -1, -1, width + 10,
                                            DialogHeight, nullptr, items, ConfigItemCount);
    if (closedBy != COk)
        return false;

    s.AutoLoadList = items[CAutoLoadList].Selected > 0;
    s.ClearSelectionAfter = items[CClearSelectionAfter].Selected > 0;
    s.ConfirmAbort = items[CConfirmAbort].Selected > 0;
    s.TextModeForHashes = items[CTextModeForHashes].Selected > 0;
    s.ProcessSubfolders = items[CProcessSubfolders].Selected > 0;
    CopyItemText(s.Prefix, items[CPrefix].Data);
    // With none selected UseMode keeps what was loaded, so a value this
    // dialog cannot show survives a save.
    for (int i = 0; i < AlgorithmButtonCount; ++i)
        if (items[CCrc32 + i].Selected > 0)
            s.UseMode = AlgoDefinitions[i].Id;
    SaveSettings();
    return true;
}
