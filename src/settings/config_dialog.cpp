// The configuration dialog: default algorithm, the five switches and the
// command-line prefix, shown as the store holds them and saved on OK.
#include "checker/checker.h"
#include "seam/seam.h"
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
// the default button. No radio button carries ifGroup: the four form the
// dialog's only group.
constexpr DialogItemTemplate ConfigTemplate[ConfigItemCount] = {
    {TItemKind::DoubleBox, 3, 1, 0, 0, 0, 0, 0, 0, "(config)"},
    {TItemKind::Text, 5, 2, 0, 0, 0, 0, 0, 0, "(config)"},
    {TItemKind::RadioButton, 5, 3, 0, 0, 0, 0, 0, 0, "&1. CRC32"},
    {TItemKind::RadioButton, 5, 4, 0, 0, 0, 0, 0, 0, "&2. MD5"},
    {TItemKind::RadioButton, 5, 5, 0, 0, 0, 0, 0, 0, "&3. SHA1"},
    {TItemKind::RadioButton, 5, 6, 0, 0, 0, 0, 0, 0, "&4. SHA256"},
    {TItemKind::Text, 0, 7, 0, 0, 0, 0, ifSeparator, 0, ""},
    {TItemKind::CheckBox, 5, 8, 0, 0, 0, 0, 0, 0, "(config)"},
    {TItemKind::CheckBox, 5, 9, 0, 0, 0, 0, 0, 0, "(config)"},
    {TItemKind::CheckBox, 5, 10, 0, 0, 0, 0, 0, 0, "(config)"},
    {TItemKind::CheckBox, 5, 11, 0, 0, 0, 0, 0, 0, "(config)"},
    {TItemKind::CheckBox, 5, 12, 0, 0, 0, 0, 0, 0, "(config)"},
    {TItemKind::Text, 5, 13, 0, 0, 0, 0, 0, 0, "Prefix:"},
    {TItemKind::Edit, 13, 13, 33, 0, 0, 0, 0, 0, "(prefix)"},
    {TItemKind::Text, 0, 14, 0, 0, 0, 0, ifSeparator, 0, ""},
    {TItemKind::Button, 0, 15, 0, 0, 0, 0, ifCentreGroup, 1, "OK"},
    {TItemKind::Button, 0, 15, 0, 0, 1, 0, ifCentreGroup, 0, "Cancel"},
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
    LoadSettings();
    TPluginSettings& s = PluginSettings;

    TDialogLayout layout;
    layout.Kind = TDialogKind::Configuration;
    layout.Items = BuildDialogItems(ConfigTemplate);
    std::vector<TDialogItem>& items = layout.Items;

    // The box follows the texts, so a longer translation widens the dialog.
    const int width = PutDialogMessages(items, LabelledItems);
    items[CBox].X2 = width + 6;
    items[CBox].Y2 = BoxBottom;

    items[CAutoLoadList].Selected = s.AutoLoadList ? 1 : 0;
    items[CClearSelectionAfter].Selected = s.ClearSelectionAfter ? 1 : 0;
    items[CConfirmAbort].Selected = s.ConfirmAbort ? 1 : 0;
    items[CTextModeForHashes].Selected = s.TextModeForHashes ? 1 : 0;
    items[CProcessSubfolders].Selected = s.ProcessSubfolders ? 1 : 0;
    items[CPrefix].Text = s.Prefix;
    // A UseMode that names no algorithm shows no button selected.
    for (int i = 0; i < AlgorithmButtonCount; ++i)
        if (s.UseMode == AlgoDefinitions[i].Id)
            items[CCrc32 + i].Selected = 1;
    layout.Width = width + 10;
    layout.Height = DialogHeight;

    // No events: the host's own handling answers every click.
    const std::unique_ptr<TDialog> dialog = CurrentHost().MakeDialog(layout, nullptr);
    if (dialog == nullptr || dialog->Show() != COk)
        return false;

    s.AutoLoadList = dialog->Checked(CAutoLoadList);
    s.ClearSelectionAfter = dialog->Checked(CClearSelectionAfter);
    s.ConfirmAbort = dialog->Checked(CConfirmAbort);
    s.TextModeForHashes = dialog->Checked(CTextModeForHashes);
    s.ProcessSubfolders = dialog->Checked(CProcessSubfolders);
    CopyItemText(s.Prefix, dialog->Text(CPrefix).c_str());
    // With none selected UseMode keeps what was loaded, so a value this
    // dialog cannot show survives a save.
    for (int i = 0; i < AlgorithmButtonCount; ++i)
        if (dialog->Checked(CCrc32 + i))
            s.UseMode = AlgoDefinitions[i].Id;
    SaveSettings();
    return true;
}
