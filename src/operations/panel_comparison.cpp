// Comparing the gathered files with the like-named files of the other
// panel's directory, digest against digest.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "platform/files.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

using namespace OperationsDetail;

int32_t ComparePanels(TFileChecker& Checker, TPanel& ActivePanel, TPanel& OtherPanel,
                      const std::vector<std::string>& FileNames, int32_t& MissingCount,
                      int32_t& SkippedCount, TCheckResult* StoppedBy) {
    int32_t mismatches = 0;
    MissingCount = 0;
    SkippedCount = 0;
    // Each side's file is opened below its panel's directory, as a list's
    // entry is below the list's: a linked folder on the other side is
    // refused, not followed to the very files of this side. The prompts name
    // the files by their full paths, so the user sees which side is meant.
    const std::string activeDirectory = Platform::WithTrailingSeparator(ActivePanel.Directory);
    const std::string otherDirectory = Platform::WithTrailingSeparator(OtherPanel.Directory);
    TPanelMarks activeMarks(ActivePanel);
    TPanelMarks otherMarks(OtherPanel);
    // The walk writes '/' between the parts of a path below a selected
    // folder; a panel's own names hold no '/' (POSIX ones may hold a
    // backslash, which is no separator here).
    auto inFolder = [](const std::string& name) { return name.find('/') != std::string::npos; };
    auto item = [&](const std::string& name) {
        return inFolder(name) ? TopLevelName(name) : std::string_view(name);
    };
    auto mark = [&](TPanelMarks& marks, const std::string& name, bool select) {
        return inFolder(name) ? marks.MarkHolder(name, select) : marks.Mark(name, select);
    };
    // Per item of the active panel: the files below it still to be found
    // equal before it loses its selection (one for a plain file).
    std::map<std::string_view, size_t> unequal;
    for (const std::string& name : FileNames)
        ++unequal[item(name)];
    // A file only below the other panel's like-named folder makes the two
    // folders differ as a missing file does: it is counted, the other folder
    // is selected and this one keeps its selection. A folder the other side
    // lacks is left to the files compared one by one; one it has but cannot
    // list whole is a read error of that folder, so that the two are never
    // called equal on the files this side has alone.
    {
        // Names are told apart as the file system tells them: on Windows
        // "Disc 1/A.txt" there is this side's "disc 1/a.txt".
        std::vector<std::string> keys;
        keys.reserve(FileNames.size());
        for (const std::string& name : FileNames)
            keys.push_back(Platform::FileNameKey(name));
        std::set<std::string_view> ours;
        for (const std::string& key : keys)
            ours.insert(key);
        std::set<std::string_view> folders;
        for (const std::string& name : FileNames)
            if (inFolder(name))
                folders.insert(TopLevelName(name));
        TFileChecker otherWalker(OtherPanel.Directory);
        otherWalker.MaxNameLength = Checker.MaxNameLength;
        for (const std::string_view folder : folders) {
            std::vector<std::string> theirs;
            const std::string shown = otherDirectory + std::string(folder);
            // A folder there that cannot be listed whole is asked about as
            // a file that cannot be read; one that is not there is not.
            std::string reason;
            TCheckResult asked = crOk;
            while (!otherWalker.CollectFiles(std::string(folder), theirs, &reason) &&
                   Platform::IsFolder(shown) && Checker.AskRetry(shown, reason, asked)) {
            }
            if (asked == crSkipped) { // counted, and it keeps its selection
                ++SkippedCount;
                ++unequal[std::string_view(folder)];
            } else if (asked != crOk) {
                if (StoppedBy != nullptr)
                    *StoppedBy = asked;
                return -1;
            }
            for (const std::string& path : theirs)
                if (ours.count(Platform::FileNameKey(path)) == 0) {
                    ++MissingCount;
                    ++unequal[std::string_view(folder)];
                    otherMarks.MarkHolder(path, true);
                }
        }
    }
    for (const std::string& name : FileNames) {
        std::string relative = name;
        std::replace(relative.begin(), relative.end(), '/', Platform::PathSeparator);
        // The active side is not tested: a file gone from there stops the
        // run. Missing is only what is surely not there; a file that cannot
        // be reached (a folder that cannot be searched, a path too long) is
        // hashed and so reported, even with "Ignore Missing Files".
        if (Platform::NoFileAt(otherDirectory + relative)) {
            ++MissingCount;
            continue;
        }
        switch (const TCheckResult result =
                    Checker.CompareFilesBelow(activeDirectory, otherDirectory, name)) {
        case crOk:
            if (--unequal[item(name)] == 0)
                mark(activeMarks, name, false);
            break;
        case crMismatch:
            // Left selected on the active panel, and shown on the other one.
            ++mismatches;
            mark(otherMarks, name, true);
            break;
        case crSkipped:
            ++SkippedCount;
            break;
        default:
            // The active side's file is gone: the checker says nothing of
            // a missing file, the user is told all the same.
            if (result == crMissing && Checker.LastError.empty())
                Checker.LastError = activeDirectory + name + ": no such file";
            if (StoppedBy != nullptr)
                *StoppedBy = result == crAborted ? crAborted : crFailed;
            return -1;
        }
    }
    return mismatches;
}
