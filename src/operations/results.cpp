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
    return ShowBox(TBoxKind::ListOffer, false, TButtons::YesNo,
                   {GetMessageText(MListFileFound), offer, GetMessageText(MUseForVerification)}) ==
           YesButton;
}

namespace {

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
bool MarkMatches(std::vector<TPanelItem>& items, const std::string& fileName, bool select,
                 const Matches& matches) {
    bool matched = false;
    bool exact = false;
    matches([&](size_t index) {
        matched = true;
        exact = exact || items[index].Name == fileName;
    });
    matches([&](size_t index) {
        if (select || !exact || items[index].Name == fileName)
            items[index].Selected = select;
    });
    return matched;
}

} // namespace

bool MarkPanelFile(TPanel& Panel, const std::string& FileName, bool Select) {
    if (FileName.empty())
        return false;
    // Every item, selected or not, but no directory.
    return MarkMatches(Panel.Items, FileName, Select, [&](auto each) {
        for (size_t i = 0; i < Panel.Items.size(); ++i)
            if (!Panel.Items[i].Directory && SameTextIgnoringCase(Panel.Items[i].Name, FileName))
                each(i);
    });
}

TPanelMarks::TPanelMarks(TPanel& Panel) : Items_(Panel.Items) {
    Files_.reserve(Items_.size());
    for (size_t i = 0; i < Items_.size(); ++i)
        (Items_[i].Directory ? Folders_ : Files_).emplace_back(FoldedName(Items_[i].Name), i);
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
    if (Name.empty())
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
    // No warning colours, even with mismatches: the box reports, it does not warn.
    const char* title = GetMessageText(MFinished);
    const std::string mismatches =
        FormatMessageText(MMismatchesFound, count(MismatchCount).c_str());
    const std::string missing =
        MissingCount > 0 ? FormatMessageText(MFilesNotFound, count(MissingCount).c_str()) : "";
    const std::string skipped =
        SkippedCount > 0 ? FormatMessageText(MFilesSkipped, count(SkippedCount).c_str()) : "";
    ShowBox(TBoxKind::Report, false, TButtons::Ok,
            {title, mismatches, OptionalLine(missing), OptionalLine(skipped)});
}

void ShowRunStopped(const TFileChecker& Checker) {
    ShowBox(
        TBoxKind::RunStopped, true, TButtons::Ok,
        {GetMessageText(MIOError), GetMessageText(MRunStopped), OptionalLine(Checker.LastError)});
}
