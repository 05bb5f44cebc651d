// What happens when the user opens the plug-in from the plug-ins menu or its
// command line: gathering the files, automatic verification against a hash
// list, the work-mode dialog, list creation and panel comparison, the
// prompts shown while files are read, the final report and the panel
// requests at the end.
//
// Everything runs on the host's thread inside the host's call; nothing is
// kept between calls. The host is the one installed (CurrentHost); the user
// hears of failures only through its boxes.
#pragma once

#include "checker/checker.h"
#include "seam/seam.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// --- Operation driver --------------------------------------------------------

// Where the user opened the plug-in from.
enum class TOpenFrom { PluginsMenu, CommandLine };

// Called by a family's entry point when the user opens the plug-in from the
// plug-ins menu or from the command line with the text after the prefix.
// The plug-in opens no panel of its own. Releases everything it made before
// it returns and lets nothing escape.
void RunOperation(TOpenFrom From, const std::string& CommandLine);

// The proposed list name when more than one file is gathered.
constexpr const char* DefaultListName = "hashlist";

// --- Work-mode dialog --------------------------------------------------------

enum TWorkMode : int { wmCancel = -1, wmCreateList = 0, wmComparePanels = 1 };

// Asks what to do with the gathered files. Directory is the active panel's;
// ListFileName and Algorithm come in as proposed. Only wmCreateList writes
// ListFileName, Algorithm (0 when no algorithm button is on) and
// SeparateFiles; only wmComparePanels writes IgnoreMissing. OK on the list
// mode (one list, not one per file) with the name of an existing file asks
// ConfirmOverwrite first and shows the dialog again, as the user left it,
// on No.
TWorkMode ShowWorkModeDialog(const std::string& Directory, bool CanCompare,
                             std::string& ListFileName, uint32_t& Algorithm, bool& IgnoreMissing,
                             bool& SeparateFiles);

// The dialog's events: an algorithm button turned on changes the list name's
// extension to the algorithm's when it is another algorithm's (case
// sensitive), and the separate-files box disables the name field. Every
// other click is the host's.
class TWorkModeEvents final : public TDialogEvents {
public:
    bool OnClick(TOpenDialog& Dialog, int Item, intptr_t State) override;
};

// "File ... already exists. Override?" with the name as entered; true on Yes.
bool ConfirmOverwrite(const std::string& ListFileName);

// --- Progress, abort and I/O-error prompts -----------------------------------
// The four callbacks installed into every checker the driver creates.

// Saves the whole screen; Token becomes the host's screen token.
void OnBeginFile(TFileChecker* Sender, const std::string& FileName, intptr_t& Token);
// Restores the screen saved for this file, unless the token is 0.
void OnEndFile(TFileChecker* Sender, const std::string& FileName, intptr_t Token);
// Polls the console for Esc (asking "Abort operation?" when ConfirmAbort is
// on), then draws the progress box with the name and the percentage.
// Continue false aborts the run.
void OnProgress(TFileChecker* Sender, const std::string& FileName, int32_t Percent, bool& Continue);
// The Skip / Retry / Abort prompt, with the cause (the checker's LastError)
// under the name: Action becomes raSkip, raRetry or raAbort (Esc and
// anything unforeseen abort).
void OnReadError(TFileChecker* Sender, const std::string& FileName, int32_t& Action);

// --- Results, list-file prompt and panel selection ---------------------------

// True when the name is a list name of one of the algorithms: its extension
// is one of the table's (".sfv", ".md5", ".sha1", ".sha256") or it is
// "MD5SUMS", "SHA1SUMS" or "SHA256SUMS", in any case of the letters A to Z.
bool IsHashListName(const std::string& FileName);

// "File ... is a valid hash list file. Do you want to use it for
// verification?"; true only on Yes.
bool ConfirmUseList(const std::string& FileName);

// Sets (Select) or clears the mark of every item of the panel whose name
// equals FileName, ignoring the case of the letters A to Z; directories are
// never marked. Clearing, which tells the user a file is fine, spares the
// items whose names differ in case when one item has exactly FileName. The
// marks become the panel's selection through THost::SetSelection. True when
// any item matched.
bool MarkPanelFile(TPanel& Panel, const std::string& FileName, bool Select);

// MarkPanelFile for many names on one panel: the items are indexed by name
// once, so marking each of 20,000 files never walks the whole panel again.
// The panel's items must not change while the marks are in use.
class TPanelMarks {
public:
    explicit TPanelMarks(TPanel& Panel);
    // As MarkPanelFile(Panel, FileName, Select).
    bool Mark(const std::string& FileName, bool Select);
    // Marks the item that holds the file at Path: the file itself for a
    // plain name (as Mark), the folder item its path starts in otherwise
    // ("disc1" for "disc1/cd2/track.flac").
    bool MarkHolder(const std::string& Path, bool Select);

private:
    // Items' names, their letters A to Z folded, with their indices; sorted.
    using TIndex = std::vector<std::pair<std::string, size_t>>;
    bool MarkIn(const TIndex& Index, const std::string& Name, bool Select);

    std::vector<TPanelItem>& Items_;
    TIndex Files_;
    TIndex Folders_;
};

// The "Finished" box: the mismatch line, then the not-found and skipped lines
// when their counts are above 0 (the driver passes -1 to leave one out).
void ShowResultReport(int32_t MismatchCount, int32_t MissingCount, int32_t SkippedCount);

// --- Panel comparison --------------------------------------------------------

// Compares each name of the active panel's directory with the like-named
// file of the other panel's: equal files are unselected on the active panel,
// differing ones selected on the other panel, absent ones counted as missing
// and skipped ones as skipped. A path in a subfolder ("disc1/t01.flac") is
// paired with the same path there, and its marks go to the folder it starts
// in: selected on the other panel when a file below differs, unselected on
// the active panel once every file below it was equal. The number of
// differing files, or -1 when a file failed or the user aborted (marks and
// counts made so far stay); then StoppedBy, when given, says which (crFailed
// or crAborted).
int32_t ComparePanels(TFileChecker& Checker, TPanel& ActivePanel, TPanel& OtherPanel,
                      const std::vector<std::string>& FileNames, int32_t& MissingCount,
                      int32_t& SkippedCount, TCheckResult* StoppedBy = nullptr);

// --- Failures the user is told of ----------------------------------------------

// A run ended on a file that could not be hashed (crFailed): "I/O Error",
// what stopped, and the checker's LastError (the file and the cause).
void ShowRunStopped(const TFileChecker& Checker);
