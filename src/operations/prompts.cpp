// The checker's callbacks: the user's whole interface while files are read.
// They run inside the checker's read loop, between a saved screen and its
// restoration, so none of them may let a failure escape: the screen would
// stay saved and the host's frames would be unwound.
#include "operations/operations.h"
#include "operations/operations_internal.h"

#include "platform/console.h"
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

// Out of line: every box of the operations goes through it, and the plug-in
// is kept small.
int OperationsDetail::HostMessage(DWORD Flags, const char* const* Items, int ItemsNumber,
                                  int ButtonsNumber) {
    if (StartupInfo.Message == nullptr)
        return -1;
    std::vector<std::string> lines;
    std::vector<const char*> shown;
    lines.reserve(static_cast<size_t>(std::max(ItemsNumber, 0)));
    for (int i = 0; i < ItemsNumber; ++i)
        lines.push_back(ShownText(Items[i]));
    for (const std::string& line : lines)
        shown.push_back(line.c_str());
    return StartupInfo.Message(StartupInfo.ModuleNumber, Flags, nullptr, shown.data(), ItemsNumber,
                               ButtonsNumber);
}

void OnBeginFile(TFileChecker* /*Sender*/, const std::string& /*FileName*/, intptr_t& Token) {
    Token = 0;
    if (StartupInfo.SaveScreen != nullptr)
        Token = reinterpret_cast<intptr_t>(StartupInfo.SaveScreen(0, 0, -1, -1));
}

void OnEndFile(TFileChecker* /*Sender*/, const std::string& /*FileName*/, intptr_t Token) {
    if (Token != 0 && StartupInfo.RestoreScreen != nullptr)
        StartupInfo.RestoreScreen(reinterpret_cast<HANDLE>(Token));
}

void OnProgress(TFileChecker* /*Sender*/, const std::string& FileName, int32_t Percent,
                bool& Continue) {
    try {
        Continue = !Platform::EscapePressed();
        if (!Continue && PluginSettings.ConfirmAbort) {
            const char* const items[] = {GetMessageText(MConfirm), GetMessageText(MAbortOperation)};
            // Yes, Esc and a closed box all abort; only No goes on.
            Continue = HostMessage(FMSG_MB_YESNO, items, 2, 2) == NoButton;
        }
        if (!Continue)
            return;
        // Right-aligned in four columns ("  7%", "100%"), as "%3d%%" prints it.
        std::string percent = std::to_string(Percent) + '%';
        percent.insert(0, 4 - std::min<size_t>(percent.size(), 4), ' ');
        const std::string name = ShortenedPath(FileName, ProgressNameCells);
        const char* const items[] = {GetMessageText(MProgress), name.c_str(), percent.c_str()};
        // Without buttons the host draws the box and returns at once; it stays
        // until the screen saved for this file is restored.
        HostMessage(0, items, 3, 0);
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
        std::vector<const char*> items = {GetMessageText(MIOError), text.c_str()};
        if (!cause.empty())
            items.push_back(cause.c_str());
        for (int label : {MSkip, MRetry, MAbort})
            items.push_back(GetMessageText(label));
        const int button = HostMessage(FMSG_WARNING, items.data(), static_cast<int>(items.size()),
                                       static_cast<int>(std::size(ReadErrorActions)));
        if (button >= 0 && button < static_cast<int>(std::size(ReadErrorActions)))
            Action = ReadErrorActions[button];
    } catch (...) {
        // No memory for the prompt's text: give up the run rather than loop.
    }
}
