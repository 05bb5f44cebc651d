// The plug-in's face towards FAR Manager: the five exported entry points, the
// service table the host hands over, the message table with its lookup and
// formatting helpers, and the templates from which dialogs are built.
//
// Every service is called through the stored table; the helpers below run
// only while StartupInfoValid is true. The entry points are no-throw
// boundaries: nothing the plug-in raises reaches the host.
#pragma once

#include "host/host_records.h"

#include <cstddef>
#include <string>
#include <string_view>

// --- Entry points ------------------------------------------------------------

// The host finds these by their plain names and calls them __stdcall with a
// 4-byte-aligned stack.
extern "C" {
HK_REALIGN_STACK int HK_WINAPI GetMinFarVersion() noexcept;
HK_REALIGN_STACK void HK_WINAPI SetStartupInfo(const PluginStartupInfo* Info) noexcept;
HK_REALIGN_STACK void HK_WINAPI GetPluginInfo(PluginInfo* Info) noexcept;
HK_REALIGN_STACK HANDLE HK_WINAPI OpenPlugin(int OpenFrom, INT_PTR Item) noexcept;
HK_REALIGN_STACK int HK_WINAPI Configure(int ItemNumber) noexcept;
}

// --- Stored service table ----------------------------------------------------

// A byte copy of the table the host passed, kept for the life of the library;
// RootKey and the service pointers stay the host's.
extern PluginStartupInfo StartupInfo;
// True while the last table handed to SetStartupInfo had our record's size.
extern bool StartupInfoValid;

// --- Messages ----------------------------------------------------------------

// Identifiers of the texts the plug-in shows; the host's language files give
// one line per identifier, in this order.
enum MessageId : int {
    MPluginMenu,          // "Hashkeep" (plug-ins menu)
    MConfigMenu,          // "Hashkeep" (configuration menu)
    MConfiguration,       // "Configuration"
    MDefaultAlgorithm,    // "Default Algorithm"
    MAutoLoadHashFiles,   // "Auto Load Hash Files"
    MClearSelectionAfter, // "Clear Selection After Hashing"
    MConfirmAbort,        // "Confirm Abort"
    MUseTextMode,         // "Use Text Mode For MD5 + SHA1"
    MListFileFound,       // "List file found"
    MValidHashList,       // "File %s is a valid hash list file."
    MUseForVerification,  // "Do you want to use it for verification?"
    MConfirm,             // "Confirm"
    MAbortOperation,      // "Abort operation?"
    MProgress,            // "Progress"
    MIOError,             // "I/O Error"
    MErrorReadingFile,    // "Error reading file %s"
    MSkip,                // "Skip"
    MRetry,               // "Retry"
    MAbort,               // "Abort"
    MNoData,              // "No data"
    MNoFilesSelected,     // "No files selected"
    MFinished,            // "Finished"
    MMismatchesFound,     // "%s mismatch(es) found"
    MCannotSaveList,      // "Can not save hash list to file"
    MFileExists,          // "File %s already exists. Override?"
    MWorkMode,            // "Work Mode"
    MComparePanels,       // "Compare Against Another &Panel"
    MCreateHashFile,      // "Create Hash &File"
    MIgnoreMissing,       // "&Ignore Missing Files"
    MAlgorithm,           // "Algorithm"
    MSeparateFiles,       // "&Separate Hash Files"
    MFilesNotFound,       // "%s files not found"
    MFilesSkipped,        // "%s files skipped"
    // Beyond the classic table: failures that name their file and cause.
    MError,        // "Error"
    MNotAHashList, // "File %s is not a valid hash list"
    MNameNotHeld,  // "A hash list can not hold the name %s"
    MRunStopped,   // "Stopped: a file could not be hashed"
    MListsExist,   // "%s hash list(s) already exist, the first:"
    MReplaceLists, // "Replace them? No leaves those files out."
    // Folders in the selection.
    MProcessSubfolders, // "Process &subfolders"
    MFolderNotRead,     // "Can not read the folder %s"
    // A list name of another algorithm than the one chosen.
    MWrongExtension,     // "Wrong extension"
    MOtherAlgorithmName, // "%s is a name for another algorithm"
    MUseItsAlgorithm,    // "Use its &algorithm"
    MCorrectTheName,     // "&Correct the name"
    // check:DIGEST, the answer about the file under the cursor.
    MDigestMatches, // "matches the %s digest"
    MDigestDiffers, // "does NOT match the %s digest"
    MessageCount
};

// The built-in English texts, used wherever the host has none.
extern const char* const MessageTable[MessageCount];

// The host's text for the identifier, or the built-in one when the host gives
// null or an empty text. Stays valid (owned by the host or by MessageTable);
// an identifier outside the table gives an empty text.
const char* GetMessageText(int msgId);

// The message with its one "%s" replaced by Argument and "%%" turned into
// "%"; flags, a width and a precision on that "%s" pad or cut the argument
// as printf would ("%-12s", "%.20s"). A translated text is never used as a
// printf format: any other directive, a second "%s" or a width beyond 512
// makes the result the text unformatted.
std::string FormatMessageText(int msgId, const char* argument);

// Path as it fits in Cells screen cells, shortened in its middle as the
// host shortens paths: its start up to the first folder, "...", and as many
// of its last parts as fit, the file name always among them
// ("C:\Backup\...\left_panel\file.txt"). Only a file name too long by
// itself loses its start. Both "/" and "\" separate parts; a character of
// the host's text is never split.
std::string ShortenedPath(std::string_view Path, int Cells);

// A box with Title, one line of Text and an OK button, marked as a warning
// when asked. True when closed with the button, false on Esc.
bool ShowMessageBox(const char* title, const char* text, bool warning);

// A line as the plug-in's boxes show it: control characters (codes 1 to 31
// and 127), which a file name may hold and which would move the cursor or
// retitle a terminal, become "?". Every line of every box goes through it.
std::string ShownText(const char* text);

// --- Dialog templates --------------------------------------------------------

// One constant row per dialog item, copied into a FarDialogItem before every
// showing. Rows whose text the caller always replaces carry a placeholder in
// parentheses.
struct DialogItemTemplate {
    int Type;
    int X1;
    int Y1;
    int X2;
    int Y2;
    int Focus;
    int Selected;
    DWORD Flags;
    int DefaultButton;
    const char* Text;
};

// Copies Source into Destination, at most Capacity - 1 characters and always
// a terminator; returns the number of characters copied. Dialog widths are
// computed from this count, so a cut text counts as cut.
int CopyItemText(char* destination, size_t capacity, const char* source);

template <size_t Capacity> int CopyItemText(char (&destination)[Capacity], const char* source) {
    return CopyItemText(destination, Capacity, source);
}

// Sets the Count items to zero, then copies each row's fields and text into
// the item of the same index.
void BuildDialogItems(const DialogItemTemplate* rows, FarDialogItem* items, int count);

// An item whose text comes from the message table, with the columns its
// mark and margin take beside the text.
struct DialogMessageItem {
    int Item;
    int Message;
    int Margin;
};

// Puts each message into its item's Data and gives the widest text as
// stored (a cut text counts as cut), in screen cells, plus its margin: the
// dialog's width figure, so a longer translation widens the dialog.
int PutDialogMessages(FarDialogItem* items, const DialogMessageItem* rows, size_t count);

template <size_t Count>
int PutDialogMessages(FarDialogItem* items, const DialogMessageItem (&rows)[Count]) {
    return PutDialogMessages(items, rows, Count);
}

// The text of an item of the open dialog, asked of the host. False when the
// host gives no text, an empty one or one longer than an item holds; the
// dialog procedure then leaves the item alone.
bool GetDialogItemText(HANDLE Dialog, int Item, std::string& Text);

template <size_t Count>
void BuildDialogItems(const DialogItemTemplate (&rows)[Count], FarDialogItem (&items)[Count]) {
    BuildDialogItems(rows, items, static_cast<int>(Count));
}
