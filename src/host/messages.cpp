// The texts the plug-in shows: the host's language file first, the built-in
// English table where it has none; formatting and the two-line message box.
#include "host/host.h"

const char* const MessageTable[MessageCount] = {
    "Hashkeep",
    "Hashkeep",
    "Configuration",
    "Default Algorithm",
    "Auto Load Hash Files",
    "Clear Selection After Hashing",
    "Confirm Abort",
    "Use Text Mode For MD5 + SHA1",
    "List file found",
    "File %s is a valid hash list file.",
    "Do you want to use it for verification?",
    "Confirm",
    "Abort operation?",
    "Progress",
    "I/O Error",
    "Error reading file %s",
    "Skip",
    "Retry",
    "Abort",
    "No data",
    "No files selected",
    "Finished",
    "%s mismatch(es) found",
    "Can not save hash list to file",
    "File %s already exists. Override?",
    "Work Mode",
    "Compare Against Another &Panel",
    "Create Hash &File",
    "&Ignore Missing Files",
    "Algorithm",
    "&Separate Hash Files",
    "%s files not found",
    "%s files skipped",
};

const char* GetMessageText(int msgId) {
    if (msgId < 0 || msgId >= MessageCount)
        return "";
    if (StartupInfoValid && StartupInfo.GetMsg != nullptr) {
        const char* text = StartupInfo.GetMsg(StartupInfo.ModuleNumber, msgId);
        // A language file without this line, or with an empty one, falls back to English.
        if (text != nullptr && *text != '\0')
            return text;
    }
    return MessageTable[msgId];
}

std::string FormatMessageText(int msgId, const char* argument) {
    const char* text = GetMessageText(msgId);
    std::string formatted;
    bool argumentUsed = false;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at != '%') {
            formatted += *at;
        } else if (at[1] == '%') {
            formatted += '%';
            ++at;
        } else if (at[1] == 's' && !argumentUsed) {
            formatted += argument != nullptr ? argument : "";
            argumentUsed = true;
            ++at;
        } else {
            // A directive that would want a number or a second argument: as
            // a printf format it would read the stack, so show the text as is.
            return text;
        }
    }
    return formatted;
}

bool ShowMessageBox(const char* title, const char* text, bool warning) {
    if (!StartupInfoValid || StartupInfo.Message == nullptr)
        return false;
    const char* const lines[] = {title, text};
    const DWORD flags = FMSG_MB_OK | (warning ? static_cast<DWORD>(FMSG_WARNING) : 0u);
    return StartupInfo.Message(StartupInfo.ModuleNumber, flags, nullptr, lines, 2, 1) >= 0;
}
