// The operation driver: from the host's call to the last panel request.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "platform/files.h"
#include "settings/settings.h"

using namespace OperationsDetail;

namespace {

// The names to work on, or false to return without a panel request: the
// command-line name names no file, the panel reports nothing selected, or
// only directories are selected (the one case the user is told about).
bool GatherFileNames(int OpenFrom, INT_PTR Item, const PanelInfo& ActivePanel,
                     std::vector<std::string>& FileNames) {
    if (OpenFrom == OPEN_COMMANDLINE) {
        // Taken as the host passed it: not trimmed, not unquoted, not made
        // absolute. A relative name is the operating system's to resolve.
        const char* text = reinterpret_cast<const char*>(Item);
        const std::string name = text != nullptr ? text : "";
        if (!Platform::FileExists(name))
            return false;
        FileNames.push_back(name);
        return true;
    }
    if (ActivePanel.ItemsNumber <= 0 || ActivePanel.SelectedItemsNumber <= 0 ||
        ActivePanel.SelectedItems == nullptr)
        return false;
    for (int i = 0; i < ActivePanel.SelectedItemsNumber; ++i) {
        const PluginPanelItem& item = ActivePanel.SelectedItems[i];
        if (!IsDirectoryItem(item))
            FileNames.push_back(ItemName(item));
    }
    if (FileNames.empty()) {
        ShowMessageBox(GetMessageText(MNoData), GetMessageText(MNoFilesSelected), false);
        return false;
    }
    return true;
}

// The size of the panel's first selected item, whatever the names came from;
// compared as a signed number.
int64_t FirstSelectedSize(const PanelInfo& ActivePanel) {
    return static_cast<int64_t>(ItemFileSize(ActivePanel.SelectedItems[0]));
}

// True when the single gathered file is a hash list the user wants (or, from
// the command line, is taken without a question); the checker then holds it.
bool UseListUnderCursor(int OpenFrom, const PanelInfo& ActivePanel,
                        const std::vector<std::string>& FileNames, TFileChecker& Checker) {
    if (!PluginSettings.AutoLoadList || ActivePanel.SelectedItemsNumber != 1 ||
        ActivePanel.SelectedItems == nullptr || FileNames.size() != 1 ||
        FirstSelectedSize(ActivePanel) >= ListSizeLimit || !IsHashListName(FileNames.front()) ||
        !Checker.LoadList(FileNames.front()))
        return false;
    if (OpenFrom == OPEN_PLUGINSMENU && !ConfirmUseList(FileNames.front())) {
        Checker.ClearItems();
        return false;
    }
    return true;
}

// Every entry of the loaded list, relative to the active panel's directory.
// Only a run that reached the end marks and reports.
void VerifyList(TFileChecker& Checker, const PanelInfo& ActivePanel) {
    std::vector<std::string> mismatches;
    int32_t missing = 0;
    int32_t skipped = 0;
    if (Checker.VerifyAll(mismatches, missing, skipped) != crOk)
        return;
    for (const std::string& name : mismatches)
        MarkPanelFile(ActivePanel, name, true);
    ShowResultReport(static_cast<int32_t>(mismatches.size()), missing, skipped);
}

// Adds every file and writes the list only when none failed or was aborted.
void CreateLists(TFileChecker& Checker, const PanelInfo& ActivePanel,
                 const std::vector<std::string>& FileNames, const std::string& ListFileName,
                 bool SeparateFiles) {
    // The list being written never lists itself, nor, per file, one file's
    // list another file; no user means them, so they go without a word.
    std::vector<std::string> names = FileNames;
    Checker.LeaveOutOwnLists(names, ListFileName, SeparateFiles);
    bool allHashed = true;
    for (const std::string& name : names) {
        const TCheckResult result = Checker.AddFile(name);
        if (result == crOk) {
            if (PluginSettings.ClearSelectionAfter)
                MarkPanelFile(ActivePanel, name, false);
        } else if (result == crFailed || result == crAborted) {
            allHashed = false;
            break;
        }
        // A skipped file gets no entry; the others go on.
    }
    if (allHashed && Checker.Count() > 0 && !Checker.SaveList(ListFileName, SeparateFiles))
        ShowMessageBox(GetMessageText(MIOError), GetMessageText(MCannotSaveList), true);
}

// The work-mode dialog and what the user chose in it.
void RunWorkMode(int OpenFrom, const PanelInfo& ActivePanel,
                 const std::vector<std::string>& FileNames, TFileChecker& Checker) {
    Checker.Algorithm = static_cast<uint32_t>(PluginSettings.UseMode);
    Checker.ModeMark = PluginSettings.TextModeForHashes ? TextModeMarkValue : BinaryModeMarkValue;
    std::string listFileName = (FileNames.size() == 1 ? FileNames.front() : DefaultListName) +
                               AlgoExtension(PluginSettings.UseMode);

    PanelInfo otherPanel{};
    HostControl(FCTL_GETANOTHERPANELINFO, &otherPanel);
    // Never from the command line, and never against the same directory.
    const bool canCompare =
        otherPanel.PanelType == PTYPE_FILEPANEL && otherPanel.Plugin == 0 &&
        !SameTextIgnoringCase(PanelDirectory(ActivePanel), PanelDirectory(otherPanel)) &&
        OpenFrom == OPEN_PLUGINSMENU;

    bool ignoreMissing = false;
    bool separateFiles = false;
    // The checker keeps UseMode for a comparison, whatever button was on.
    const TWorkMode mode = ShowWorkModeDialog(PanelDirectory(ActivePanel), canCompare, listFileName,
                                              Checker.Algorithm, ignoreMissing, separateFiles);
    bool compared = false;
    if (mode == wmCreateList) {
        CreateLists(Checker, ActivePanel, FileNames, listFileName, separateFiles);
    } else if (mode == wmComparePanels) {
        compared = true;
        int32_t missing = 0;
        int32_t skipped = 0;
        const int32_t mismatches =
            ComparePanels(Checker, ActivePanel, otherPanel, FileNames, missing, skipped);
        if (mismatches >= 0)
            ShowResultReport(mismatches, ignoreMissing ? -1 : missing, skipped);
    }
    if (canCompare) {
        // The differing files are marked in the other panel's items only;
        // the host learns of them through its selection request.
        if (compared)
            HostControl(FCTL_SETANOTHERSELECTION, &otherPanel);
        HostControl(FCTL_UPDATEANOTHERPANEL, &otherPanel);
        HostControl(FCTL_REDRAWANOTHERPANEL, nullptr);
    }
}

void RunOperation(int OpenFrom, INT_PTR Item) {
    if (!StartupInfoValid || (OpenFrom != OPEN_PLUGINSMENU && OpenFrom != OPEN_COMMANDLINE))
        return;
    LoadSettings();
    PanelInfo activePanel{};
    HostControl(FCTL_GETPANELINFO, &activePanel);
    if (activePanel.PanelType != PTYPE_FILEPANEL || activePanel.Plugin > 0)
        return;
    std::vector<std::string> fileNames;
    if (!GatherFileNames(OpenFrom, Item, activePanel, fileNames))
        return;

    {
        TFileChecker checker(PanelDirectory(activePanel));
        checker.OnBeginFile = OnBeginFile;
        checker.OnEndFile = OnEndFile;
        checker.OnProgress = OnProgress;
        checker.OnReadError = OnReadError;
        if (UseListUnderCursor(OpenFrom, activePanel, fileNames, checker))
            VerifyList(checker, activePanel);
        else
            RunWorkMode(OpenFrom, activePanel, fileNames, checker);
    }

    // On every road past the gathering, a cancelled dialog included: the
    // marks made in the item array become the panel's selection.
    HostControl(FCTL_SETSELECTION, &activePanel);
    HostControl(FCTL_UPDATEPANEL, &activePanel);
    HostControl(FCTL_REDRAWPANEL, nullptr);
}

} // namespace

HANDLE OpenPluginOperation(int OpenFrom, INT_PTR Item) {
    try {
        RunOperation(OpenFrom, Item);
    } catch (...) {
        // Only an allocation can fail here; what was made is released on the way.
    }
    return INVALID_HANDLE_VALUE;
}
