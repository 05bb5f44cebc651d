// Recognising a list file by its name, the offer to verify against it, the
// panel marks and the final report.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include <algorithm>

using namespace OperationsDetail;

bool IsHashListName(const std::string& FileName) {
    // The engine's one rule, which LoadList and the program's -o follow too.
    TAlgoDefinition row;
    return FindAlgoByListName(FileName, row);
}

bool ConfirmUseList(const std::string& FileName) {
    const std::string offer = FormatMessageText(MValidHashList, FileName.c_str());
    const char* const items[] = {GetMessageText(MListFileFound), offer.c_str(),
                                 GetMessageText(MUseForVerification)};
    return HostMessage(FMSG_MB_YESNO, items, 3, 2) == YesButton;
}

namespace {

void SetMark(PluginPanelItem& item, bool select) {
    // Only PPIF_SELECTED is ours; the host's other bits stay.
    if (select)
        item.Flags |= PPIF_SELECTED;
    else
        item.Flags &= ~static_cast<DWORD>(PPIF_SELECTED);
}

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// Selecting a file says "look at this one" and reaches every item whose name
// differs from it only in case. Unselecting says "this one is fine": where
// the file system tells such names apart, another file that merely shares
// the name but for case must not be unselected with it, so an item of
// exactly that name, when there is one, takes the unmark alone.
template <typename Matches>
bool MarkMatches(PluginPanelItem* items, const std::string& fileName, bool select,
                 const Matches& matches) {
    bool matched = false;
    bool exact = false;
    matches([&](int index) {
        matched = true;
        exact = exact || ItemName(items[index]) == fileName;
    });
    matches([&](int index) {
        if (select || !exact || ItemName(items[index]) == fileName)
            SetMark(items[index], select);
    });
    return matched;
}

} // namespace

bool MarkPanelFile(const PanelInfo& Panel, const std::string& FileName, bool Select) {
    if (FileName.empty() || Panel.PanelItems == nullptr)
        return false;
    // Every item, selected or not, but no directory.
    return MarkMatches(Panel.PanelItems, FileName, Select, [&](auto each) {
        for (int i = 0; i < Panel.ItemsNumber; ++i)
            if (!IsDirectoryItem(Panel.PanelItems[i]) &&
                SameTextIgnoringCase(ItemName(Panel.PanelItems[i]), FileName))
                each(i);
    });
}

TPanelMarks::TPanelMarks(const PanelInfo& Panel) : Items_(Panel.PanelItems) {
    if (Items_ == nullptr)
        return;
    Files_.reserve(static_cast<size_t>(std::max(Panel.ItemsNumber, 0)));
    for (int i = 0; i < Panel.ItemsNumber; ++i)
        (IsDirectoryItem(Items_[i]) ? Folders_ : Files_)
            .emplace_back(FoldedName(ItemName(Items_[i])), i);
    std::sort(Files_.begin(), Files_.end());
    std::sort(Folders_.begin(), Folders_.end());
}

bool TPanelMarks::Mark(const std::string& FileName, bool Select) {
    return MarkIn(Files_, FileName, Select);
}

bool TPanelMarks::MarkHolder(const std::string& Path, bool Select) {
    bool inFolder = false;
    const std::string item(PanelItemOf(Path, inFolder));
    return MarkIn(inFolder ? Folders_ : Files_, item, Select);
}

bool TPanelMarks::MarkIn(const TIndex& Index, const std::string& Name, bool Select) {
    if (Name.empty() || Items_ == nullptr)
        return false;
    const std::string folded = FoldedName(Name);
    const auto first = std::lower_bound(
        Index.begin(), Index.end(), folded,
        [](const auto& entry, const std::string& name) { return entry.first < name; });
    return MarkMatches(Items_, Name, Select, [&](auto each) {
        for (auto at = first; at != Index.end() && at->first == folded; ++at)
            each(at->second);
    });
}

void ShowResultReport(int32_t MismatchCount, int32_t MissingCount, int32_t SkippedCount) {
    // Plain decimal; a negative count reads as 0 and leaves its line out.
    auto count = [](int32_t value) { return std::to_string(std::max<int32_t>(value, 0)); };
    std::string lines[3];
    const char* items[4] = {GetMessageText(MFinished)};
    int itemCount = 1;
    lines[0] = FormatMessageText(MMismatchesFound, count(MismatchCount).c_str());
    items[itemCount++] = lines[0].c_str();
    if (MissingCount > 0) {
        lines[1] = FormatMessageText(MFilesNotFound, count(MissingCount).c_str());
        items[itemCount++] = lines[1].c_str();
    }
    if (SkippedCount > 0) {
        lines[2] = FormatMessageText(MFilesSkipped, count(SkippedCount).c_str());
        items[itemCount++] = lines[2].c_str();
    }
    // No warning colours, even with mismatches: the box reports, it does not warn.
    HostMessage(FMSG_MB_OK, items, itemCount, 1);
}

void ShowRunStopped(const TFileChecker& Checker) {
    const char* const items[] = {GetMessageText(MIOError), GetMessageText(MRunStopped),
                                 Checker.LastError.c_str()};
    HostMessage(FMSG_WARNING | FMSG_MB_OK, items, Checker.LastError.empty() ? 2 : 3, 1);
}
