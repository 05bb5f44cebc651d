// The work-mode dialog: compare with the other panel, or create a list under
// a name and with an algorithm; the dialog's events keep the name's
// extension in step with the algorithm buttons.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "platform/files.h"

#include <cstring>
#include <iterator>
#include <memory>

using namespace OperationsDetail;

namespace {

// Item numbers; the dialog's events and the host's answer refer to them.
enum WorkModeItem : int {
    wiBox,
    wiComparePanels,
    wiCreateList,
    wiIgnoreMissing,
    wiListName,
    wiSeparateFiles,
    wiSeparator1,
    wiAlgorithmLabel,
    wiCrc32,
    wiMd5,
    wiSha1,
    wiSha256,
    wiSeparator2,
    wiOk,
    wiCancel,
    WorkModeItemCount
};

// The dialog's own label, which the message table does not hold; the
// wrong-extension box takes it too.
constexpr const char* CancelLabel = "Cancel";

// The ignore-missing box stands under the compare button, the name field and
// the separate-files box under the list button. The list button is always
// preselected; the name field has the focus.
constexpr DialogItemTemplate WorkModeTemplate[WorkModeItemCount] = {
    {TItemKind::DoubleBox, 3, 1, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {TItemKind::RadioButton, 5, 2, 0, 0, 0, 0, ifGroup, 0, "(work mode)"},
    {TItemKind::RadioButton, 5, 4, 0, 0, 0, 1, 0, 0, "(work mode)"},
    {TItemKind::CheckBox, 7, 3, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {TItemKind::Edit, 7, 5, 0, 0, 1, 0, 0, 0, "(list name)"},
    {TItemKind::CheckBox, 7, 6, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {TItemKind::Text, 0, 7, 0, 0, 0, 0, ifSeparator, 0, ""},
    {TItemKind::Text, 5, 8, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {TItemKind::RadioButton, 5, 9, 0, 0, 0, 0, ifGroup, 0, "&1. CRC32"},
    {TItemKind::RadioButton, 5, 10, 0, 0, 0, 0, 0, 0, "&2. MD5"},
    {TItemKind::RadioButton, 5, 11, 0, 0, 0, 0, 0, 0, "&3. SHA1"},
    {TItemKind::RadioButton, 5, 12, 0, 0, 0, 0, 0, 0, "&4. SHA256"},
    {TItemKind::Text, 0, 13, 0, 0, 0, 0, ifSeparator, 0, ""},
    {TItemKind::Button, 0, 14, 0, 0, 0, 0, ifCentreGroup, 1, "OK"},
    {TItemKind::Button, 0, 14, 0, 0, 0, 0, ifCentreGroup, 0, CancelLabel},
};

// The algorithm buttons are the rows of the algorithm table, in its order.
constexpr int AlgorithmButtonCount = wiSha256 - wiCrc32 + 1;
static_assert(std::size(AlgoDefinitions) == static_cast<size_t>(AlgorithmButtonCount));
static_assert(AlgoDefinitions[wiCrc32 - wiCrc32].Id == haCrc32 &&
              AlgoDefinitions[wiMd5 - wiCrc32].Id == haMd5 &&
              AlgoDefinitions[wiSha1 - wiCrc32].Id == haSha1 &&
              AlgoDefinitions[wiSha256 - wiCrc32].Id == haSha256);

// The items whose texts come from the message table, in the order their
// widths are measured. Check boxes stand two columns further in.
constexpr DialogMessageItem LabelledItems[] = {
    {wiBox, MWorkMode, 4},
    {wiComparePanels, MComparePanels, 4},
    {wiCreateList, MCreateHashFile, 4},
    {wiIgnoreMissing, MIgnoreMissing, 6},
    {wiSeparateFiles, MSeparateFiles, 6},
    {wiAlgorithmLabel, MAlgorithm, 4},
};

constexpr int BoxBottom = 15;
constexpr int DialogHeight = 17;
// The name field ends three columns before the box's inner margin.
constexpr int ListNameMargin = 3;

// The name field's extension follows the algorithm turned on, but only when
// it is another algorithm's, written as the table writes it: a name the user
// gave another extension, or one in capitals, is left alone.
void FollowAlgorithm(TOpenDialog& Dialog, const TAlgoDefinition& Chosen) {
    std::string name;
    if (!Dialog.GetText(wiListName, name))
        return;
    const std::string_view extension = NameExtension(name);
    for (const TAlgoDefinition& row : AlgoDefinitions)
        if (extension == row.Extension) {
            name.replace(name.size() - extension.size(), extension.size(), Chosen.Extension);
            break;
        }
    Dialog.SetText(wiListName, name);
}

// The path SaveList will write: the checker's ExpandName keeps an absolute
// name and resolves any other against the panel's directory, so an existing
// list is asked about however its name was entered.
std::string ListTarget(const std::string& Directory, const std::string& ListFileName) {
    return Platform::IsAbsolutePath(ListFileName)
               ? ListFileName
               : Platform::WithTrailingSeparator(Directory) + ListFileName;
}

// Answers of the wrong-extension box, in the order its buttons are drawn;
// Cancel and Esc are what neither is.
enum WrongNameAnswer : int { wnUseItsAlgorithm, wnCorrectTheName };

// The name with the chosen algorithm's ending in place of the one it has, of
// Named: an extension is replaced; a release's name ("MD5SUMS") becomes the
// chosen one's ("SHA1SUMS") where it has one, else gets its extension.
void CorrectListName(std::string& Name, const TAlgoDefinition& Named,
                     const TAlgoDefinition& Chosen) {
    const std::string_view extension = NameExtension(Name);
    TAlgoDefinition row;
    if (FindAlgoByExtension(extension, row))
        Name.replace(Name.size() - extension.size(), extension.size(), Chosen.Extension);
    else if (Named.SumsName != nullptr && Chosen.SumsName != nullptr)
        Name.replace(Name.size() - std::strlen(Named.SumsName), std::string::npos, Chosen.SumsName);
    else
        Name += Chosen.Extension;
}

// A list under another algorithm's name (SHA1 lines in "a.md5") is one that
// no reader, ours included, would take: the user chooses which of the two
// to follow. Either answer is put into the items as well, so a dialog shown
// again (No to the overwrite question) shows what will be written. False
// for Cancel and Esc: back to the dialog as the user left it.
bool AgreeNameWithAlgorithm(std::string& Name, uint32_t& Chosen, TDialog& Dialog) {
    TAlgoDefinition named, chosen;
    if (!FindAlgoByListName(Name, named) || !FindAlgoById(Chosen, chosen) || named.Id == chosen.Id)
        return true;
    const std::string line = FormatMessageText(MOtherAlgorithmName, Name.c_str());
    switch (ShowBox(TBoxKind::WrongExtension, true, TButtons::None,
                    {GetMessageText(MWrongExtension), line, GetMessageText(MUseItsAlgorithm),
                     GetMessageText(MCorrectTheName), CancelLabel},
                    3)) {
    case wnUseItsAlgorithm:
        Chosen = static_cast<uint32_t>(named.Id);
        for (int i = 0; i < AlgorithmButtonCount; ++i)
            Dialog.SetChecked(wiCrc32 + i, AlgoDefinitions[i].Id == named.Id);
        return true;
    case wnCorrectTheName:
        CorrectListName(Name, named, chosen);
        Dialog.SetText(wiListName, Name);
        return true;
    default:
        return false;
    }
}

} // namespace

bool ConfirmOverwrite(const std::string& ListFileName) {
    const std::string question = FormatMessageText(MFileExists, ListFileName.c_str());
    return ShowBox(TBoxKind::Overwrite, true, TButtons::YesNo,
                   {GetMessageText(MConfirm), question}) == YesButton;
}

bool TWorkModeEvents::OnClick(TOpenDialog& Dialog, int Item, intptr_t State) {
    if (State > 0 && Item >= wiCrc32 && Item <= wiSha256) {
        try {
            FollowAlgorithm(Dialog, AlgoDefinitions[Item - wiCrc32]);
        } catch (...) {
            // No memory for the name, or the host failed: the field stays as it is.
        }
        return true;
    }
    if (Item == wiSeparateFiles) {
        // One list per file takes its names from the files: no name to edit.
        Dialog.Enable(wiListName, State == 0);
        return true;
    }
    return false;
}

TWorkMode ShowWorkModeDialog(const std::string& Directory, bool CanCompare,
                             std::string& ListFileName, uint32_t& Algorithm, bool& IgnoreMissing,
                             bool& SeparateFiles) {
    TDialogLayout layout;
    layout.Kind = TDialogKind::WorkMode;
    layout.Items = BuildDialogItems(WorkModeTemplate);
    std::vector<TDialogItem>& items = layout.Items;
    if (!CanCompare) {
        items[wiComparePanels].Flags |= ifDisabled;
        items[wiIgnoreMissing].Flags |= ifDisabled;
    }

    // The box follows the texts as stored (ampersands counted), so a longer
    // translation widens the dialog.
    const int width = PutDialogMessages(items, LabelledItems);
    items[wiListName].Text = ListFileName;
    items[wiListName].X2 = items[wiListName].X1 + width - ListNameMargin;
    for (int i = 0; i < AlgorithmButtonCount; ++i)
        if (static_cast<uint32_t>(AlgoDefinitions[i].Id) == Algorithm)
            items[wiCrc32 + i].Selected = 1;
    items[wiBox].X2 = width + 6;
    items[wiBox].Y2 = BoxBottom;
    layout.Width = width + 10;
    layout.Height = DialogHeight;

    TWorkModeEvents events;
    const std::unique_ptr<TDialog> dialog = CurrentHost().MakeDialog(layout, &events);
    if (dialog == nullptr)
        return wmCancel;
    // No to the overwrite question brings the dialog back as the user left it.
    for (;;) {
        if (dialog->Show() != wiOk)
            return wmCancel;
        if (dialog->Checked(wiCreateList)) {
            uint32_t chosen = haNone;
            for (int i = 0; i < AlgorithmButtonCount; ++i)
                if (dialog->Checked(wiCrc32 + i))
                    chosen = static_cast<uint32_t>(AlgoDefinitions[i].Id);
            std::string name = dialog->Text(wiListName);
            const bool separate = dialog->Checked(wiSeparateFiles);
            // One list per file never writes the single list's name, so
            // neither its extension nor its existence is a question; the
            // per-file lists are asked about before they are written.
            if (!separate && !AgreeNameWithAlgorithm(name, chosen, *dialog))
                continue;
            if (!separate && Platform::FileExists(ListTarget(Directory, name)) &&
                !ConfirmOverwrite(name))
                continue;
            Algorithm = chosen;
            ListFileName = name;
            SeparateFiles = separate;
            return wmCreateList;
        }
        if (dialog->Checked(wiComparePanels)) {
            IgnoreMissing = dialog->Checked(wiIgnoreMissing);
            return wmComparePanels;
        }
        return wmCancel;
    }
}
