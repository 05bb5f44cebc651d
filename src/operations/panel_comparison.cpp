// Comparing the gathered files with the like-named files of the other
// panel's directory, digest against digest.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "platform/files.h"

using namespace OperationsDetail;

int32_t ComparePanels(TFileChecker& Checker, const PanelInfo& ActivePanel,
                      const PanelInfo& OtherPanel, const std::vector<std::string>& FileNames,
                      int32_t& MissingCount, int32_t& SkippedCount, TCheckResult* StoppedBy) {
    int32_t mismatches = 0;
    MissingCount = 0;
    SkippedCount = 0;
    // Full paths: the checker's own directory plays no part, and the prompts
    // show which side a file is on.
    const std::string activeDirectory =
        Platform::WithTrailingSeparator(PanelDirectory(ActivePanel));
    const std::string otherDirectory = Platform::WithTrailingSeparator(PanelDirectory(OtherPanel));
    TPanelMarks activeMarks(ActivePanel);
    TPanelMarks otherMarks(OtherPanel);
    for (const std::string& name : FileNames) {
        // The active side is not tested: a file gone from there stops the run.
        if (!Platform::FileExists(otherDirectory + name)) {
            ++MissingCount;
            continue;
        }
        switch (const TCheckResult result =
                    Checker.CompareFiles(activeDirectory + name, otherDirectory + name)) {
        case crOk:
            activeMarks.Mark(name, false);
            break;
        case crMismatch:
            // Left selected on the active panel, and shown on the other one.
            ++mismatches;
            otherMarks.Mark(name, true);
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
