// The operation driver: from the host's call to the last panel request.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "platform/files.h"
#include "settings/settings.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>

using namespace OperationsDetail;

namespace {

constexpr const char* NameWrittenAlike = "two files of the folder have this name in the code page";

// "Error" with a line and, when there is one, the detail under it: a list or
// a name the run cannot use.
void ShowError(const std::string& line, const std::string& detail) {
    ShowBox(TBoxKind::Error, true, TButtons::Ok,
            {GetMessageText(MError), line, OptionalLine(detail)});
}

void ShowNotAHashList(const std::string& name, const std::string& reason) {
    ShowError(FormatMessageText(MNotAHashList, name.c_str()), reason);
}

// True when some list format could hold Name, a name typed on the command
// line, as an entry: a name with a directory part, or one that no format
// reads back, can never be listed.
bool AnyListCanHoldName(const std::string& name) {
    return TopLevelName(name) == name &&
           std::any_of(std::begin(AlgoDefinitions), std::end(AlgoDefinitions),
                       [&](const TAlgoDefinition& row) {
                           return ListCanHoldName(static_cast<uint32_t>(row.Id), name);
                       });
}

// True when Name, a panel item's name or a path below a selected folder,
// can stand in a list of the checker's algorithm as that very file. A
// backslash, which a POSIX name may hold, would read back as a separator.
// A name the code page cannot hold goes on: the read-error prompt says so
// when it is hashed.
bool CanList(const TFileChecker& Checker, const std::string& name) {
    return Platform::NameIsLost(name) ||
           (name.find('\\') == std::string::npos &&
            ListCanHoldName(Checker.Algorithm, name, Checker.MaxNameLength));
}

// The files below the selected folder Folder, appended to FileNames; false,
// after saying which folder and why, when it cannot be read whole.
bool GatherFolder(const TPanel& ActivePanel, const std::string& Folder,
                  std::vector<std::string>& FileNames) {
    const TFileChecker walker(ActivePanel.Directory);
    std::string reason;
    if (walker.CollectFiles(Folder, FileNames, &reason))
        return true;
    ShowError(FormatMessageText(MFolderNotRead, Folder.c_str()), reason);
    return false;
}

// The item under the panel's cursor, or null when the host reports none.
const TPanelItem* CursorItem(const TPanel& Panel) {
    if (Panel.CurrentItem < 0 || static_cast<size_t>(Panel.CurrentItem) >= Panel.Items.size())
        return nullptr;
    return &Panel.Items[static_cast<size_t>(Panel.CurrentItem)];
}

void ShowNoFilesSelected() {
    ShowMessageBox(TBoxKind::NoFiles, GetMessageText(MNoData), GetMessageText(MNoFilesSelected),
                   false);
}

// Text without the blanks at its ends and then one pair of double quotes
// around it, as a name is often typed or pasted after "check:".
std::string Unquoted(std::string_view text) {
    auto trim = [](std::string_view& t) {
        while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ')
            t.remove_prefix(1);
        while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ')
            t.remove_suffix(1);
    };
    trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
        trim(text);
    }
    return std::string(text);
}

// check:DIGEST, a digest published on a web page: the file under the
// cursor is hashed with the algorithm the digest's length tells, and the
// answer is a box with its name and whether it matches; a file that does
// not is selected.
void CheckDigestUnderCursor(TPanel& ActivePanel, const TAlgoDefinition& Row,
                            const std::string& Digest) {
    const TPanelItem* item = CursorItem(ActivePanel);
    if (item == nullptr || item->Directory) {
        ShowNoFilesSelected();
        return;
    }
    TFileChecker checker(ActivePanel.Directory);
    checker.OnBeginFile = OnBeginFile;
    checker.OnEndFile = OnEndFile;
    checker.OnProgress = OnProgress;
    checker.OnReadError = OnReadError;
    checker.Algorithm = static_cast<uint32_t>(Row.Id);
    TFileCheckerItem file{item->Name, {}};
    switch (checker.HashItem(file)) {
    case crOk:
        break;
    case crMissing:
        checker.LastError = file.FileName + ": " + Platform::LastErrorText();
        [[fallthrough]];
    case crFailed:
        ShowRunStopped(checker);
        return;
    default: // aborted, or skipped at the user's word
        return;
    }
    const bool matches = SameDigest(file.Hash, Digest);
    const std::string answer =
        FormatMessageText(matches ? MDigestMatches : MDigestDiffers, Row.Name);
    const char* title = GetMessageText(MFinished);
    if (!matches)
        TPanelMarks(ActivePanel).Mark(file.FileName, true);
    ShowBox(TBoxKind::DigestAnswer, !matches, TButtons::Ok, {title, file.FileName, answer});
}

enum class TCommandLineText {
    FileName, // FileNames holds the file it names
    Done,     // a digest was checked, or the user was told why not: the panel requests follow
    Nothing,  // return without a panel request
};

// What the text after the prefix is, in this order: a file of that name as
// the host passed it; a file of that name without the blanks and quotes
// around it; a digest to check the file under the cursor against. A list
// name that names none of these is said to be unusable, with LoadList's
// reason; any other text does nothing.
TCommandLineText ReadCommandLine(const std::string& given, TPanel& ActivePanel,
                                 std::vector<std::string>& FileNames) {
    const std::string unquoted = Unquoted(given);
    // A relative name is the operating system's to resolve; a name Windows
    // would open as another ("x.md5 ") is not the one typed.
    for (const std::string* name : {&given, &unquoted})
        if (!name->empty() && Platform::NameCanExist(*name) && Platform::FileExists(*name)) {
            FileNames.push_back(*name);
            return TCommandLineText::FileName;
        }
    TAlgoDefinition row;
    std::string digest;
    if (ParseDigestText(unquoted, row, digest)) {
        CheckDigestUnderCursor(ActivePanel, row, digest);
        return TCommandLineText::Done;
    }
    if (PluginSettings.AutoLoadList && IsHashListName(unquoted)) {
        TFileChecker checker(ActivePanel.Directory);
        std::string reason;
        if (!checker.LoadList(unquoted, &reason))
            ShowNotAHashList(unquoted, reason);
    }
    return TCommandLineText::Nothing;
}

// The names to work on, or false to return without a panel request: the
// panel reports nothing selected, only directories are selected or the
// cursor stands on ".." with nothing selected (the cases the user is told
// about), or a selected folder cannot be read (said too).
bool GatherFileNames(const TPanel& ActivePanel, std::vector<std::string>& FileNames) {
    // far2l and FAR 3 report no item at all for ".." under the cursor,
    // where FAR 1.70 reports ".." itself: the same answer for both.
    if (const TPanelItem* cursor = CursorItem(ActivePanel);
        ActivePanel.Selection.empty() && cursor != nullptr && cursor->Directory &&
        cursor->Name == "..") {
        ShowNoFilesSelected();
        return false;
    }
    if (ActivePanel.Selection.empty())
        return false;
    for (const TPanelItem& item : ActivePanel.Selection) {
        const std::string& name = item.Name;
        if (!item.Directory)
            FileNames.push_back(name);
        // Every file below a folder, when the user asked for it; never the
        // parent (the ".." under the cursor) or the folder itself.
        else if (PluginSettings.ProcessSubfolders && !IsDirectoryAlias(name) &&
                 !GatherFolder(ActivePanel, name, FileNames))
            return false;
    }
    if (FileNames.empty()) {
        ShowNoFilesSelected();
        return false;
    }
    return true;
}

// FAR hands a 1.x plug-in its names in its code page, a character the code
// page lacks as its best fit: "abc.txt" with a fullwidth a (U+FF41) comes as
// "abc.txt", the name of another file, which would be read in its place.
// Such a name names two items of the panel. False, after naming the first
// selected one and why, when a selected item's name is one of them: nothing
// is read.
bool SelectedNamesAreTheirOwn(const TPanel& Panel) {
    std::unordered_map<std::string, int> items;
    for (const TPanelItem& item : Panel.Items)
        ++items[item.Name];
    for (const TPanelItem& selected : Panel.Selection) {
        const std::string& name = selected.Name;
        if (items[name] > 1) {
            ShowError(FormatMessageText(MErrorReadingFile, name.c_str()), NameWrittenAlike);
            return false;
        }
    }
    return true;
}

enum class TListRoad {
    NoList,  // the dialog road
    Verify,  // the checker holds the list, the user wants it
    Refused, // a list named on the command line is not valid; the user was told
};

// Whether the single gathered file is a hash list to verify against. Its
// size plays no part: LoadList's own bound on entries keeps the memory
// bounded, and a list of any length the reader accepts is offered.
TListRoad ListUnderCursor(TOpenFrom OpenFrom, const TPanel& ActivePanel,
                          const std::vector<std::string>& FileNames, TFileChecker& Checker) {
    if (!PluginSettings.AutoLoadList || FileNames.size() != 1 || !IsHashListName(FileNames.front()))
        return TListRoad::NoList;
    const bool fromCommandLine = OpenFrom == TOpenFrom::CommandLine;
    const bool oneSelected = ActivePanel.Selection.size() == 1;
    // far2l and FAR 3 report no item with ".." under the cursor, FAR 1.70
    // that one item; two or more selected items lead to the dialog.
    const bool atMostOneSelected = ActivePanel.Selection.size() < 2;
    // From the menu a list among other selected items is no list to verify,
    // nor is the one file of a selected folder.
    if (!fromCommandLine && (!oneSelected || FileNames.front().find('/') != std::string::npos))
        return TListRoad::NoList;
    std::string reason;
    if (!Checker.LoadList(FileNames.front(), &reason)) {
        // The user named it as a list: say why it is none, rather than
        // offer a dialog that cannot use it.
        if (fromCommandLine) {
            ShowNotAHashList(FileNames.front(), reason);
            return TListRoad::Refused;
        }
        return TListRoad::NoList;
    }
    if (fromCommandLine ? !atMostOneSelected : !ConfirmUseList(FileNames.front())) {
        Checker.ClearItems();
        return TListRoad::NoList;
    }
    return TListRoad::Verify;
}

// Every entry of the loaded list, relative to the active panel's directory.
// Only a run that reached the end marks and reports; one that stopped on a
// file that could not be hashed says which and why.
void VerifyList(TFileChecker& Checker, TPanel& ActivePanel) {
    std::vector<std::string> mismatches;
    int32_t missing = 0;
    int32_t skipped = 0;
    const TCheckResult result = Checker.VerifyAll(mismatches, missing, skipped);
    if (result == crFailed)
        ShowRunStopped(Checker);
    if (result != crOk)
        return;
    // A file in a subfolder is shown by the folder it lies in.
    TPanelMarks marks(ActivePanel);
    for (const std::string& name : mismatches)
        marks.MarkHolder(name, true);
    ShowResultReport(static_cast<int32_t>(mismatches.size()), missing, skipped);
}

// One list per file replaces what the files' lists held, often checksums
// published with the files: asked once, before anything is hashed. Yes
// replaces them; No leaves those files out (not hashed, no list, their
// selection kept); Cancel or Esc ends the run. False to end the run.
bool ConfirmReplaceLists(const TFileChecker& Checker, const TAlgoDefinition& Row,
                         std::vector<std::string>& Names) {
    std::vector<std::string> existing;
    for (const std::string& name : Names)
        if (Platform::FileExists(Checker.EntryPath(name) + Row.Extension))
            existing.push_back(name);
    if (existing.empty())
        return true;
    const std::string count =
        FormatMessageText(MListsExist, std::to_string(existing.size()).c_str());
    const std::string first = existing.front() + Row.Extension;
    switch (ShowBox(TBoxKind::ReplaceLists, true, TButtons::YesNoCancel,
                    {GetMessageText(MConfirm), count, first, GetMessageText(MReplaceLists)})) {
    case YesButton:
        return true;
    case NoButton:
        Names.erase(std::remove_if(Names.begin(), Names.end(),
                                   [&](const std::string& name) {
                                       return std::find(existing.begin(), existing.end(), name) !=
                                              existing.end();
                                   }),
                    Names.end());
        return true;
    default:
        return false;
    }
}

// Adds every file and writes the list only when none failed or was aborted.
// A name no list can hold is refused before anything is hashed; a file that
// cannot be hashed ends the run with its name and the cause; a list that
// cannot be saved is named with the cause.
void CreateLists(TFileChecker& Checker, TPanel& ActivePanel,
                 const std::vector<std::string>& FileNames, const std::string& ListFileName,
                 bool SeparateFiles) {
    // The list being written never lists itself, nor, per file, one file's
    // list another file; no user means them, so they go without a word.
    std::vector<std::string> names = FileNames;
    Checker.LeaveOutOwnLists(names, ListFileName, SeparateFiles);
    // Without an algorithm the first file fails and says so.
    if (TAlgoDefinition row; FindAlgoById(Checker.Algorithm, row)) {
        for (const std::string& name : names)
            if (!CanList(Checker, name)) {
                ShowError(FormatMessageText(MNameNotHeld, name.c_str()), {});
                return;
            }
        if (SeparateFiles && !ConfirmReplaceLists(Checker, row, names))
            return;
    }
    // A selected folder loses its selection once every file below it is in.
    std::map<std::string_view, size_t> left;
    for (const std::string& name : names)
        ++left[TopLevelName(name)];
    TPanelMarks marks(ActivePanel);
    for (const std::string& name : names) {
        const TCheckResult result = Checker.AddFile(name);
        if (result == crOk) {
            if (PluginSettings.ClearSelectionAfter && --left[TopLevelName(name)] == 0)
                marks.MarkHolder(name, false);
        } else if (result == crFailed) {
            ShowRunStopped(Checker);
            return;
        } else if (result == crAborted) {
            return;
        }
        // A skipped file gets no entry; the others go on.
    }
    std::string reason;
    if (Checker.Count() > 0 && !Checker.SaveList(ListFileName, SeparateFiles, &reason)) {
        ShowBox(TBoxKind::SaveFailed, true, TButtons::Ok,
                {GetMessageText(MIOError), GetMessageText(MCannotSaveList), OptionalLine(reason)});
    }
}

// True when the two panels show one folder, however each spells it (a link,
// another case, "dir/." ...): told by identity where it can be taken, by the
// spelling, case aside, where it cannot.
bool SameFolder(const std::string& a, const std::string& b) {
    Platform::FileIdentity first, second;
    if (Platform::GetFileIdentity(a, first) && Platform::GetFileIdentity(b, second))
        return first == second;
    return SameTextIgnoringCase(a, b);
}

// The work-mode dialog and what the user chose in it.
void RunWorkMode(TOpenFrom OpenFrom, TPanel& ActivePanel, const std::vector<std::string>& FileNames,
                 TFileChecker& Checker) {
    // A stored UseMode that names no algorithm is taken as MD5 here, in the
    // dialog and the comparison alike; the configuration dialog keeps it.
    TAlgoDefinition row;
    const auto algorithm =
        FindAlgoById(PluginSettings.UseMode, row) ? static_cast<uint32_t>(row.Id) : haMd5;
    // A command-line name with a directory part, or one no list reads back,
    // could only lead to a dialog whose OK fails: say what it is instead.
    if (OpenFrom == TOpenFrom::CommandLine && FileNames.size() == 1 &&
        !AnyListCanHoldName(FileNames.front())) {
        std::string reason;
        if (!Checker.LoadList(FileNames.front(), &reason)) {
            ShowNotAHashList(FileNames.front(), reason);
            return;
        }
        Checker.ClearItems();
    }
    Checker.Algorithm = algorithm;
    Checker.ModeMark = PluginSettings.TextModeForHashes ? TextModeMarkValue : BinaryModeMarkValue;
    // Named after the one file, or the one folder, that gave every name.
    const std::string_view top = TopLevelName(FileNames.front());
    const bool oneItem = std::all_of(FileNames.begin(), FileNames.end(),
                                     [&](const auto& name) { return TopLevelName(name) == top; });
    std::string listFileName =
        (oneItem ? std::string(top) : DefaultListName) + AlgoExtension(algorithm);

    THost& host = CurrentHost();
    TPanel otherPanel;
    // Never from the command line, and never against the same directory.
    const bool canCompare = host.GetPanel(TPanelSide::Passive, otherPanel) &&
                            otherPanel.FileSystem &&
                            !SameFolder(ActivePanel.Directory, otherPanel.Directory) &&
                            OpenFrom == TOpenFrom::PluginsMenu;

    bool ignoreMissing = false;
    bool separateFiles = false;
    // The checker keeps the algorithm for a comparison, whatever button was on.
    const TWorkMode mode = ShowWorkModeDialog(ActivePanel.Directory, canCompare, listFileName,
                                              Checker.Algorithm, ignoreMissing, separateFiles);
    bool compared = false;
    if (mode == wmCreateList) {
        CreateLists(Checker, ActivePanel, FileNames, listFileName, separateFiles);
    } else if (mode == wmComparePanels) {
        compared = true;
        int32_t missing = 0;
        int32_t skipped = 0;
        TCheckResult stoppedBy = crOk;
        const int32_t mismatches = ComparePanels(Checker, ActivePanel, otherPanel, FileNames,
                                                 missing, skipped, &stoppedBy);
        if (mismatches >= 0)
            ShowResultReport(mismatches, ignoreMissing ? -1 : missing, skipped);
        else if (stoppedBy == crFailed)
            ShowRunStopped(Checker);
    }
    if (canCompare) {
        // The differing files are marked in the other panel's record only;
        // the host learns of them through its selection request.
        if (compared)
            host.SetSelection(TPanelSide::Passive, otherPanel);
        host.RefreshPanel(TPanelSide::Passive);
    }
}

void Run(TOpenFrom OpenFrom, const std::string& CommandLine) {
    LoadSettings();
    THost& host = CurrentHost();
    TPanel activePanel;
    if (!host.GetPanel(TPanelSide::Active, activePanel) || !activePanel.FileSystem)
        return;
    std::vector<std::string> fileNames;
    const TCommandLineText commandLine = OpenFrom == TOpenFrom::CommandLine
                                             ? ReadCommandLine(CommandLine, activePanel, fileNames)
                                             : TCommandLineText::FileName;
    if (commandLine == TCommandLineText::Nothing ||
        (OpenFrom != TOpenFrom::CommandLine && !GatherFileNames(activePanel, fileNames)))
        return;
    if (OpenFrom == TOpenFrom::PluginsMenu && !SelectedNamesAreTheirOwn(activePanel))
        return;

    if (commandLine == TCommandLineText::FileName) {
        TFileChecker checker(activePanel.Directory);
        checker.SetListForm(host.ListsInSumsForm() ? TListForm::Sums : TListForm::Classic);
        checker.OnBeginFile = OnBeginFile;
        checker.OnEndFile = OnEndFile;
        checker.OnProgress = OnProgress;
        checker.OnReadError = OnReadError;
        switch (ListUnderCursor(OpenFrom, activePanel, fileNames, checker)) {
        case TListRoad::Verify:
            VerifyList(checker, activePanel);
            break;
        case TListRoad::Refused:
            break;
        case TListRoad::NoList:
            RunWorkMode(OpenFrom, activePanel, fileNames, checker);
            break;
        }
    }

    // On every road past the gathering, a cancelled dialog included: the
    // marks made in the panel's record become its selection.
    host.SetSelection(TPanelSide::Active, activePanel);
    host.RefreshPanel(TPanelSide::Active);
}

} // namespace

void RunOperation(TOpenFrom From, const std::string& CommandLine) {
    try {
        Run(From, CommandLine);
    } catch (...) {
        // Only an allocation can fail here; what was made is released on the way.
    }
}
