// The checker's callbacks: the user's whole interface while files are read.
// They run inside the checker's read loop, between a saved screen and its
// restoration, so none of them may let a failure escape: the screen would
// stay saved and the host's frames would be unwound.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "settings/settings.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

using namespace OperationsDetail;

namespace {

// A box without buttons cuts its lines at this many cells on an 80-column
// console, the narrowest the host runs in; a longer path is shortened in its
// middle first, so the end that names the file stays in sight.
constexpr int ProgressNameCells = 64;

// Buttons of the read-error prompt, in the order they are drawn.
constexpr int32_t ReadErrorActions[] = {raSkip, raRetry, raAbort};

} // namespace

void OnBeginFile(TFileChecker* /*Sender*/, const std::string& /*FileName*/, intptr_t& Token) {
    Token = 0; // as it stays when the host fails
    Token = CurrentHost().SaveScreen();
}

void OnEndFile(TFileChecker* /*Sender*/, const std::string& /*FileName*/, intptr_t Token) {
    if (Token != 0)
        CurrentHost().RestoreScreen(Token);
}

void OnProgress(TFileChecker* /*Sender*/, const std::string& FileName, int32_t Percent,
                bool& Continue) {
    try {
        Continue = !CurrentHost().EscapePressed();
        if (!Continue && PluginSettings.ConfirmAbort) {
            // Yes, Esc and a closed box all abort; only No goes on.
            Continue =
                ShowBox(TBoxKind::AbortQuestion, false, TButtons::YesNo,
                        {GetMessageText(MConfirm), GetMessageText(MAbortOperation)}) == NoButton;
        }
        if (!Continue)
            return;
        // Right-aligned in four columns ("  7%", "100%"), as "%3d%%" prints it.
        std::string percent = std::to_string(Percent) + '%';
        percent.insert(0, 4 - std::min<size_t>(percent.size(), 4), ' ');
        const std::string name = ShortenedPath(FileName, ProgressNameCells);
        // Without buttons the host draws the box and returns at once; it stays
        // until the screen saved for this file is restored.
        ShowBox(TBoxKind::Progress, false, TButtons::None,
                {GetMessageText(MProgress), name, percent});
    } catch (...) {
        // A host service failed: end the run as an abort, so the checker
        // still restores the screen it saved for this file.
        Continue = false;
    }
}

void OnReadError(TFileChecker* Sender, const std::string& FileName, int32_t& Action) {
    Action = raAbort;
    try {
        const std::string text = FormatMessageText(MErrorReadingFile, FileName.c_str());
        // The cause under the name: the checker's LastError, without the name
        // it starts with, which the line above already shows.
        std::string cause = Sender != nullptr ? Sender->LastError : std::string();
        if (cause.rfind(FileName + ": ", 0) == 0)
            cause.erase(0, FileName.size() + 2);
        const int button =
            ShowBox(TBoxKind::ReadError, true, TButtons::None,
                    {GetMessageText(MIOError), text, OptionalLine(cause), GetMessageText(MSkip),
                     GetMessageText(MRetry), GetMessageText(MAbort)},
                    static_cast<int>(std::size(ReadErrorActions)));
        if (button >= 0 && button < static_cast<int>(std::size(ReadErrorActions)))
            Action = ReadErrorActions[button];
    } catch (...) {
        // No memory for the prompt's text: give up the run rather than loop.
    }
}
