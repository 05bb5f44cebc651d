// The work-mode dialog: compare with the other panel, or create a list under
// a name and with an algorithm; the dialog procedure keeps the name's
// extension in step with the algorithm buttons.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "platform/files.h"

#include <cstring>
#include <iterator>

using namespace OperationsDetail;

namespace {

// Item numbers; the dialog procedure and the host's answer refer to them.
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
    {DI_DOUBLEBOX, 3, 1, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {DI_RADIOBUTTON, 5, 2, 0, 0, 0, 0, DIF_GROUP, 0, "(work mode)"},
    {DI_RADIOBUTTON, 5, 4, 0, 0, 0, 1, 0, 0, "(work mode)"},
    {DI_CHECKBOX, 7, 3, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {DI_EDIT, 7, 5, 0, 0, 1, 0, 0, 0, "(list name)"},
    {DI_CHECKBOX, 7, 6, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {DI_TEXT, 0, 7, 0, 0, 0, 0, DIF_SEPARATOR, 0, ""},
    {DI_TEXT, 5, 8, 0, 0, 0, 0, 0, 0, "(work mode)"},
    {DI_RADIOBUTTON, 5, 9, 0, 0, 0, 0, DIF_GROUP, 0, "&1. CRC32"},
    {DI_RADIOBUTTON, 5, 10, 0, 0, 0, 0, 0, 0, "&2. MD5"},
    {DI_RADIOBUTTON, 5, 11, 0, 0, 0, 0, 0, 0, "&3. SHA1"},
    {DI_RADIOBUTTON, 5, 12, 0, 0, 0, 0, 0, 0, "&4. SHA256"},
    {DI_TEXT, 0, 13, 0, 0, 0, 0, DIF_SEPARATOR, 0, ""},
    {DI_BUTTON, 0, 14, 0, 0, 0, 0, DIF_CENTERGROUP, 1, "OK"},
    {DI_BUTTON, 0, 14, 0, 0, 0, 0, DIF_CENTERGROUP, 0, CancelLabel},
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
constexpr size_t ItemTextCapacity = sizeof(FarDialogItem::Data);

LONG_PTR SendToDialog(HANDLE Dialog, int Message, int Item, LONG_PTR Param) {
    if (StartupInfo.SendDlgMessage == nullptr)
        return 0;
    return StartupInfo.SendDlgMessage(Dialog, Message, Item, Param);
}

// The name field's extension follows the algorithm turned on, but only when
// it is another algorithm's, written as the table writes it: a name the user
// gave another extension, or one in capitals, is left alone.
void FollowAlgorithm(HANDLE Dialog, const TAlgoDefinition& Chosen) {
    std::string name;
    if (!GetDialogItemText(Dialog, wiListName, name))
        return;
    const std::string_view extension = NameExtension(name);
    for (const TAlgoDefinition& row : AlgoDefinitions)
        if (extension == row.Extension) {
            name.replace(name.size() - extension.size(), extension.size(), Chosen.Extension);
            break;
        }
    SendToDialog(Dialog, DM_SETTEXTPTR, wiListName, reinterpret_cast<LONG_PTR>(name.c_str()));
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
bool AgreeNameWithAlgorithm(std::string& Name, uint32_t& Chosen, FarDialogItem* Items) {
    TAlgoDefinition named, chosen;
    if (!FindAlgoByListName(Name, named) || !FindAlgoById(Chosen, chosen) || named.Id == chosen.Id)
        return true;
    const std::string line = FormatMessageText(MOtherAlgorithmName, Name.c_str());
    const char* const lines[] = {GetMessageText(MWrongExtension), line.c_str(),
                                 GetMessageText(MUseItsAlgorithm), GetMessageText(MCorrectTheName),
                                 CancelLabel};
    switch (HostMessage(FMSG_WARNING, lines, static_cast<int>(std::size(lines)), 3)) {
    case wnUseItsAlgorithm:
        Chosen = static_cast<uint32_t>(named.Id);
        for (int i = 0; i < AlgorithmButtonCount; ++i)
            Items[wiCrc32 + i].Selected = AlgoDefinitions[i].Id == named.Id ? 1 : 0;
        return true;
    case wnCorrectTheName:
        CorrectListName(Name, named, chosen);
        CopyItemText(Items[wiListName].Data, Name.c_str());
        return true;
    default:
        return false;
    }
}

} // namespace

bool ConfirmOverwrite(const std::string& ListFileName) {
    const std::string question = FormatMessageText(MFileExists, ListFileName.c_str());
    const char* const items[] = {GetMessageText(MConfirm), question.c_str()};
    return HostMessage(FMSG_WARNING | FMSG_MB_YESNO, items, 2, 2) == YesButton;
}

HK_REALIGN_STACK LONG_PTR HK_WINAPI WorkModeDialogProc(HANDLE hDlg, int Msg, int Param1,
                                                       LONG_PTR Param2) noexcept {
    // The host calls this from inside DialogEx; a failure of one of its own
    // services called from here must not unwind into it (nor end the
    // process at this noexcept frame).
    try {
        if (Msg == DN_BTNCLICK) {
            if (Param2 > 0 && Param1 >= wiCrc32 && Param1 <= wiSha256) {
                try {
                    FollowAlgorithm(hDlg, AlgoDefinitions[Param1 - wiCrc32]);
                } catch (...) {
                    // No memory for the name: the field stays as it is.
                }
                return 1;
            }
            if (Param1 == wiSeparateFiles) {
                // One list per file takes its names from the files: no name to edit.
                SendToDialog(hDlg, DM_ENABLE, wiListName, 1 - Param2);
                return 1;
            }
        }
        if (StartupInfo.DefDlgProc == nullptr)
            return 0;
        return StartupInfo.DefDlgProc(hDlg, Msg, Param1, Param2);
    } catch (...) {
        return 0;
    }
}

TWorkMode ShowWorkModeDialog(const std::string& Directory, bool CanCompare,
                             std::string& ListFileName, uint32_t& Algorithm, bool& IgnoreMissing,
                             bool& SeparateFiles) {
    if (StartupInfo.DialogEx == nullptr)
        return wmCancel;
    FarDialogItem items[WorkModeItemCount];
    BuildDialogItems(WorkModeTemplate, items);
    if (!CanCompare) {
        items[wiComparePanels].Flags |= DIF_DISABLE;
        items[wiIgnoreMissing].Flags |= DIF_DISABLE;
    }

    // The box follows the texts as stored (ampersands counted), so a longer
    // translation widens the dialog.
    const int width = PutDialogMessages(items, LabelledItems);
    CopyItemText(items[wiListName].Data, ListFileName.c_str());
    items[wiListName].X2 = items[wiListName].X1 + width - ListNameMargin;
    for (int i = 0; i < AlgorithmButtonCount; ++i)
        if (static_cast<uint32_t>(AlgoDefinitions[i].Id) == Algorithm)
            items[wiCrc32 + i].Selected = 1;
    items[wiBox].X2 = width + 6;
    items[wiBox].Y2 = BoxBottom;

    // No to the overwrite question brings the dialog back as the user left it.
    for (;;) {
        const int closedBy =
            StartupInfo.DialogEx(StartupInfo.ModuleNumber, -1, -1, width + 10, DialogHeight,
                                 nullptr, items, WorkModeItemCount, 0, 0, WorkModeDialogProc, 0);
        if (closedBy != wiOk)
            return wmCancel;
        if (items[wiCreateList].Selected > 0) {
            uint32_t chosen = haNone;
            for (int i = 0; i < AlgorithmButtonCount; ++i)
                if (items[wiCrc32 + i].Selected > 0)
                    chosen = static_cast<uint32_t>(AlgoDefinitions[i].Id);
            std::string name(items[wiListName].Data,
                             strnlen(items[wiListName].Data, ItemTextCapacity));
            const bool separate = items[wiSeparateFiles].Selected > 0;
            // One list per file never writes the single list's name, so
            // neither its extension nor its existence is a question; the
            // per-file lists are asked about before they are written.
            if (!separate && !AgreeNameWithAlgorithm(name, chosen, items))
                continue;
            if (!separate && Platform::FileExists(ListTarget(Directory, name)) &&
                !ConfirmOverwrite(name))
                continue;
            Algorithm = chosen;
            ListFileName = name;
            SeparateFiles = separate;
            return wmCreateList;
        }
        if (items[wiComparePanels].Selected > 0) {
            IgnoreMissing = items[wiIgnoreMissing].Selected > 0;
            return wmComparePanels;
        }
        return wmCancel;
    }
}
