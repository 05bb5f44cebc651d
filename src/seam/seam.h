// The one interface through which operations/ and settings/ speak to a
// host: FAR Manager 1.70 (and FAR 3's wrapper for its plug-ins), far2l, and
// any family to come. A family is a folder under host/ whose entry points
// install one THost; what the user sees and does is decided above this
// line, once, and a family only carries it to its host and back.
//
// Texts and names cross as bytes in std::string, in the build's one
// encoding: the host's code page for the single-byte families, UTF-8 for
// FAR 3 and POSIX. No host record crosses: the panels with their items and
// marks, the boxes and the two dialogs are our own small records.
//
// Beside the interface, what both sides of it need: the message texts with
// their identifiers and formatting, and the helpers that lay out a dialog
// from its texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
// null or an empty text. Stays valid until the host is asked for the same
// identifier again; an identifier outside the table gives an empty text.
const char* GetMessageText(int msgId);

// The message with its one "%s" replaced by Argument and "%%" turned into
// "%"; flags, a width and a precision on that "%s" pad or cut the argument
// as printf would ("%-12s", "%.20s"). A translated text is never used as a
// printf format: any other directive, a second "%s" or a width beyond 512
// makes the result the text unformatted.
std::string FormatMessageText(int msgId, const char* argument);

// How the host's texts are written, which decides how many screen cells
// they take: one byte a cell in a single-byte code page, one character a
// cell in UTF-8.
enum class TTextEncoding { SingleByte, Utf8 };

// Screen cells Text takes in Encoding. Continuation bytes of UTF-8
// (10xxxxxx) start no character.
int TextCells(std::string_view Text, TTextEncoding Encoding);

// Path as it fits in Cells screen cells of the current host's texts,
// shortened in its middle as the host shortens paths: its start up to the
// first folder, "...", and as many of its last parts as fit, the file name
// always among them ("C:\Backup\...\left_panel\file.txt"). Only a file name
// too long by itself loses its start. Both "/" and "\" separate parts; a
// character of the host's text is never split.
std::string ShortenedPath(std::string_view Path, int Cells);

// A line as the plug-in's boxes show it, up to a NUL if it holds one:
// control characters (codes 1 to 31 and 127), which a file name may hold and
// which would move the cursor or retitle a terminal, become "?". Every line
// of every box goes through it.
std::string ShownText(std::string_view text);

// --- Boxes -------------------------------------------------------------------

// Which of the plug-in's boxes a box is. The text says what it is to the
// user; the kind names it to a host that keeps an identity per box (FAR 3's
// GUIDs) and to the tests.
enum class TBoxKind {
    NoFiles,        // "No data": nothing to work on
    Error,          // a list or a name the run cannot use, a folder not read
    ListOffer,      // "List file found": verify against it?
    Overwrite,      // "File ... already exists. Override?"
    WrongExtension, // a list name of another algorithm than the one chosen
    ReplaceLists,   // one list per file where some exist already
    Progress,       // the name and percentage of the file being read
    AbortQuestion,  // "Abort operation?" after Esc
    ReadError,      // Skip, Retry or Abort a file that cannot be read
    RunStopped,     // a file could not be hashed and the run ended
    SaveFailed,     // a list could not be saved
    Report,         // "Finished": the counts of a verification or comparison
    DigestAnswer,   // check:DIGEST, whether the file under the cursor matches
};

// The buttons of a box: the host's own sets, drawn in the host's language,
// or none; with none, OwnButtons of the last lines are buttons instead.
enum class TButtons { None, Ok, YesNo, YesNoCancel };

struct TBox {
    TBoxKind Kind;
    bool Warning = false; // drawn in the host's warning colours
    TButtons Buttons = TButtons::Ok;
    int OwnButtons = 0;
    std::vector<std::string> Lines; // the title first
};

// The answers of the host's button sets, in the order they are drawn;
// Cancel (the third) and Esc are what neither Yes nor No is.
constexpr int YesButton = 0;
constexpr int NoButton = 1;

// Shows a box of these lines, the title first, each through ShownText since
// names from panels and lists may hold control characters: the host's
// answer (THost::Message). A line given as OptionalLine of an empty text is
// left out.
int ShowBox(TBoxKind Kind, bool Warning, TButtons Buttons,
            std::initializer_list<std::string_view> Lines, int OwnButtons = 0);

// A line of a box that is left out when Text is empty (a cause or a detail
// the run may not have).
inline std::string_view OptionalLine(const std::string& Text) {
    return Text.empty() ? std::string_view() : std::string_view(Text);
}

// A box with Title, one line of Text and an OK button, marked as a warning
// when asked. True when closed with the button, false on Esc.
bool ShowMessageBox(TBoxKind Kind, const char* title, const char* text, bool warning);

// --- Dialogs -----------------------------------------------------------------

// The plug-in's two dialogs; a host that keeps an identity per dialog
// (FAR 3's GUIDs) tells them apart by this.
enum class TDialogKind { WorkMode, Configuration };

enum class TItemKind { DoubleBox, Text, Edit, Button, CheckBox, RadioButton };

// What an item is besides its kind; each family turns these into its own.
enum TItemFlag : uint32_t {
    ifGroup = 1,       // the first radio button of a group
    ifCentreGroup = 2, // a button centred in its row with the others there
    ifSeparator = 4,   // a text drawn as a line across the box
    ifDisabled = 8,    // shown, but not for the user to change
};

// The longest text an item holds, in bytes: the single-byte families keep
// an item's text in 512 bytes with its terminator, and the widths of our
// dialogs are measured on the texts as they are held.
constexpr size_t ItemTextLimit = 511;

// Positions are the host's dialog coordinates: columns and rows from the
// dialog's top left corner; 0 for X1 centres an item (a separator spans
// the box). Selected is a check box's or radio button's state, 1 for on.
struct TDialogItem {
    TItemKind Kind = TItemKind::Text;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool Focus = false;
    int Selected = 0;
    uint32_t Flags = 0;
    bool Default = false; // the button that Enter presses
    std::string Text;
};

// A dialog centred on the screen, Width by Height cells; its items in the
// order whose indices the dialog's events and answers use.
struct TDialogLayout {
    TDialogKind Kind = TDialogKind::WorkMode;
    int Width = 0;
    int Height = 0;
    std::vector<TDialogItem> Items;
};

// One constant row per item, from which a dialog is laid out afresh at
// every showing. Rows whose text the caller always replaces carry a
// placeholder in parentheses.
struct DialogItemTemplate {
    TItemKind Kind;
    int X1;
    int Y1;
    int X2;
    int Y2;
    int Focus;
    int Selected;
    uint32_t Flags;
    int DefaultButton;
    const char* Text;
};

// The items the rows describe, in their order.
std::vector<TDialogItem> BuildDialogItems(const DialogItemTemplate* rows, size_t count);

template <size_t Count>
std::vector<TDialogItem> BuildDialogItems(const DialogItemTemplate (&rows)[Count]) {
    return BuildDialogItems(rows, Count);
}

// An item whose text comes from the message table, with the columns its
// mark and margin take beside the text.
struct DialogMessageItem {
    int Item;
    int Message;
    int Margin;
};

// Puts each message, cut to ItemTextLimit, into its item and gives the
// widest text in screen cells plus its margin: the dialog's width figure,
// so a longer translation widens the dialog.
int PutDialogMessages(std::vector<TDialogItem>& items, const DialogMessageItem* rows, size_t count);

template <size_t Count>
int PutDialogMessages(std::vector<TDialogItem>& items, const DialogMessageItem (&rows)[Count]) {
    return PutDialogMessages(items, rows, Count);
}

// The dialog while it is shown, as its events see it.
class TOpenDialog {
public:
    // An edit field's text as it now stands. False when the host gives none,
    // an empty one or one longer than an item holds: the caller then leaves
    // the item alone.
    virtual bool GetText(int Item, std::string& Text) = 0;
    virtual void SetText(int Item, const std::string& Text) = 0;
    // Greys an item out, or gives it back to the user.
    virtual void Enable(int Item, bool Enabled) = 0;

protected:
    ~TOpenDialog() = default;
};

// What the plug-in does while one of its dialogs is shown.
class TDialogEvents {
public:
    // The user clicked a button, check box or radio button; State is its new
    // state (for a radio button, first the one going off hears 0, then the
    // one going on 1). True when the click is handled here and stands, false
    // to leave it to the host's own handling. Nothing it raises reaches the
    // host: the family answers as a refusal.
    virtual bool OnClick(TOpenDialog& Dialog, int Item, intptr_t State) = 0;

protected:
    ~TDialogEvents() = default;
};

// A dialog made from a layout, to be shown as often as the caller likes.
class TDialog {
public:
    virtual ~TDialog() = default;
    // Shows the dialog and waits for the user: the index of the item that
    // closed it, or -1 for Esc. Shown again, it is as the user left it, with
    // what SetChecked and SetText changed since.
    virtual int Show() = 0;
    // An item's state and text as the user left them (a state above 0 is on;
    // a text is read no further than an item holds).
    virtual bool Checked(int Item) const = 0;
    virtual std::string Text(int Item) const = 0;
    virtual void SetChecked(int Item, bool On) = 0;
    virtual void SetText(int Item, const std::string& Text) = 0;
};

// --- Panels ------------------------------------------------------------------

enum class TPanelSide { Active, Passive };

// An item as the panel shows it. Selected is the mark: as the host reported
// it, then as the plug-in sets it for SetSelection.
struct TPanelItem {
    std::string Name;
    bool Directory = false;
    bool Selected = false;
};

struct TPanel {
    // A file panel showing the file system: not a tree, an information or
    // quick-view panel, nor another plug-in's panel.
    bool FileSystem = false;
    std::string Directory;
    // Every item, ".." too where the host reports it; empty when the host
    // hands over no items.
    std::vector<TPanelItem> Items;
    // The item under the cursor, an index into Items; -1 when there is none.
    int CurrentItem = -1;
    // The items the host calls selected, for the active panel only (FAR
    // 1.70 reports the item under the cursor when nothing is selected).
    std::vector<TPanelItem> Selection;
};

// --- Settings store ----------------------------------------------------------

// A value as the store holds it. Expandable text is text the store marks as
// holding variables (the registry's expandable strings).
struct TStoredValue {
    enum class TType { Text, ExpandableText, Number, Other };
    TType Type = TType::Other;
    std::string Text;
    uint32_t Number = 0;
};

enum class TStoredRead { Found, Missing, Failed };

// The plug-in's own key of the host's settings store, open.
class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    virtual TStoredRead Read(const char* Name, TStoredValue& Value) = 0;
    virtual bool WriteText(const char* Name, std::string_view Text) = 0;
    virtual bool WriteNumber(const char* Name, uint32_t Number) = 0;
};

enum class TStoreOpening { Opened, Missing, Failed };

// --- The host ------------------------------------------------------------------

// What the plug-in needs of a host, and what each call means for the user.
// Calls run on the host's thread inside an entry point; a host service that
// fails by raising is not caught here, so the callers' own guards decide
// what the user is left with.
class THost {
public:
    virtual ~THost() = default;

    // The host's text for a message identifier (its language file), in the
    // build's encoding; null or empty when it has none. Valid until the same
    // identifier is asked for again.
    virtual const char* Text(int MessageId) = 0;
    // How the host's texts and names are written.
    virtual TTextEncoding Encoding() const = 0;

    // Shows a box and waits: the button chosen, 0 for the first; -1 for Esc
    // or when the host shows no boxes. A box without buttons is drawn and
    // left standing (the progress box) until the screen under it is
    // restored; it answers at once.
    virtual int Message(const TBox& Box) = 0;

    // A dialog of this layout, its clicks told to Events; null when the host
    // shows no dialogs. Without Events the host's own handling answers every
    // click.
    virtual std::unique_ptr<TDialog> MakeDialog(const TDialogLayout& Layout,
                                                TDialogEvents* Events) = 0;

    // The panel on that side as the host shows it now, its selection read for
    // the active side only. False when the host shows none, or one whose
    // selection cannot be read: the plug-in then leaves that panel alone.
    virtual bool GetPanel(TPanelSide Side, TPanel& Panel) = 0;
    // The marks of Panel, the record GetPanel gave for that side in this
    // call, become the panel's selection.
    virtual void SetSelection(TPanelSide Side, const TPanel& Panel) = 0;
    // The panel reads its folder again (a list written there appears) and is
    // drawn anew, with its selection.
    virtual void RefreshPanel(TPanelSide Side) = 0;

    // Saves the whole screen before a file is read, so the progress box drawn
    // over it goes when RestoreScreen gives it back; 0 when the host cannot.
    virtual intptr_t SaveScreen() = 0;
    virtual void RestoreScreen(intptr_t Screen) = 0;
    // True when the user has pressed Esc since the last poll; other keys are
    // left alone.
    virtual bool EscapePressed() = 0;

    // The plug-in's key of the host's settings store. For reading, Missing
    // when nothing was ever saved (the defaults stand); for writing, the key
    // is made. Failed when the store cannot be reached.
    virtual TStoreOpening OpenSettings(bool ForWriting, std::unique_ptr<TSettingsStore>& Store) = 0;

    // True where lists are written as sha256sum writes them (LF line ends,
    // no header line), which the POSIX tools users have there need; false
    // for the classic form (CR LF and the empty first line).
    virtual bool ListsInSumsForm() const = 0;
};

// The host this library serves: the one a family installed, or, before and
// after, a host that offers nothing (no boxes, dialogs, panels, texts or
// settings).
THost& CurrentHost();

// Called by a family's entry points when the host hands over its services
// (the family's THost) and when it refuses them (null).
void InstallHost(THost* Host);

// Copies Source into Destination, at most Capacity - 1 bytes and always a
// terminator; returns the number of bytes copied. For the few fixed buffers
// a host reads from the plug-in (the command-line prefix, the single-byte
// families' item texts).
int CopyItemText(char* destination, size_t capacity, const char* source);

template <size_t Capacity> int CopyItemText(char (&destination)[Capacity], const char* source) {
    return CopyItemText(destination, Capacity, source);
}
