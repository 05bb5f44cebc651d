// The file operations the engine needs, and nothing more: the only place that
// knows whether it runs on Windows or POSIX. Failures are results (false or
// an invalid handle), never exceptions.
//
// Windows: the separator is the backslash, and a name is absolute when it
// starts with a drive letter, colon and backslash ("X:\...") or with two
// backslashes ("\\server\..."), at least 4 characters. Names are texts in the
// code page of the names: by default the one the system's ANSI file calls
// take at the moment of the call, the ANSI code page, or the OEM code page
// while the host has switched those calls to it (FAR does, for the length of
// every call into a 1.x plug-in); UTF-8 once a program asks for it
// (UseUtf8Names). Every call reaches the file system through the
// wide-character calls, and a name found there that the code page cannot
// hold is never handed over as a look-alike (a fullwidth "a" as "a", a
// fullwidth slash as "/"): each character it cannot hold becomes '?', which
// no Windows name holds, and a call given such a name fails with the cause
// "the name cannot be written in this code page" (NameIsLost).
// POSIX: the separator is '/', an absolute name starts with '/', and names
// are bytes, taken and given as they are.
#pragma once

#include <climits>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

#ifdef _WIN32
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif
// What separates the parts of a path below a directory: '/' in every build,
// and the platform's own.
constexpr char PathSeparators[] = {'/', PathSeparator, '\0'};

// Characters no name on this system holds: Windows keeps them for
// wildcards, drives and streams ("a:b" opens the stream b of the file a); a
// POSIX name holds every character but '/' and NUL (a list made there may
// name "12:30 notes.txt"). No list is written with them; an entry read with
// one is a name that cannot exist here (FindListedFile).
#ifdef _WIN32
constexpr std::string_view ReservedNameCharacters = "\"*:<>?|";
#else
constexpr std::string_view ReservedNameCharacters = "";
#endif

// True when Path starts as a drive does on this system ("c:", "C:x" on
// Windows): a list entry so written names another drive, whatever follows.
// POSIX names may start so.
inline bool StartsWithDrive(std::string_view path) {
#ifdef _WIN32
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
#else
    (void)path;
    return false;
#endif
}

// What an escaped backslash of a list line (coreutils' "\\") becomes in
// the name read: the backslash itself where a name may hold one; on Windows,
// where it would separate folders, a NUL, which no other line gives, so that
// NameFromList makes the name one that cannot exist here.
constexpr char EscapedBackslash = PathSeparator == '/' ? '\\' : '\0';

// True when Relative, parts separated by '/' or PathSeparator, is a name
// this system can hold as it is written. Windows drops the dots and blanks
// at the end of every part, so "x.", "sub./f" or "report.pdf " would open
// "x", "sub/f" or "report.pdf": another file than the one named. A part "."
// or ".." is a folder's own name for itself or its parent (no list entry
// holds ".."). POSIX names may end in anything.
inline bool NameCanExist(std::string_view relative) {
#ifdef _WIN32
    for (size_t start = 0; start <= relative.size();) {
        size_t end = relative.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = relative.size();
        const std::string_view part = relative.substr(start, end - start);
        if (!part.empty() && part != "." && part != ".." &&
            (part.back() == '.' || part.back() == ' '))
            return false;
        start = end + 1;
    }
#else
    (void)relative;
#endif
    return true;
}

// The absolute-name rule of the checker's ExpandName.
bool IsAbsolutePath(std::string_view name);
// Directory with PathSeparator appended when it does not already end in one.
std::string WithTrailingSeparator(std::string directory);

// Text files of the system end their lines in CR LF (Windows) or in LF.
#ifdef _WIN32
constexpr bool CrLfLineEnds = true;
#else
constexpr bool CrLfLineEnds = false;
#endif

using FileHandle = intptr_t;
constexpr FileHandle InvalidFileHandle = -1;

// True when the path names something that exists and is not a directory.
// On Windows a device name (see IsDeviceName) always exists.
bool FileExists(const std::string& path);

// Windows: the last part of Path is one of the names Windows keeps for its
// devices in every directory (NUL, CON, PRN, AUX, COM1-9, LPT1-9, CONIN$,
// CONOUT$), in any case and with any extension ("nul.txt", "Com1.md5").
// Opening such a name reaches the device, never a file, so nothing here ever
// opens one. POSIX: always false; these are ordinary names there.
bool IsDeviceName(std::string_view path);

// What reading a file relies on staying as it was from the open to the last
// read (or from one reading to the next): which file it is, its size and
// the times the system stamps on every write. Equal states before and after
// mean that, as far as the file system tells, no byte changed in between.
struct FileState {
    uint64_t Size = 0;
    uint64_t Modified = 0; // POSIX: st_mtim in nanoseconds; Windows: the last-write time
    uint64_t Changed = 0;  // POSIX: st_ctim in nanoseconds; Windows: 0 (no such time)
    uint64_t Volume = 0;   // the file's identity, as FileIdentity's
    uint64_t Index = 0;
    friend bool operator==(const FileState&, const FileState&) = default;
};

// Opens an existing regular file for reading; others may read it meanwhile
// but not write it; sequential-scan hint for a file larger than a read.
// Anything else is refused before a single byte is read and the open never
// waits: a directory, a FIFO, a device, a socket, and on Windows a device
// name, which is not even opened. LastErrorText then says what it is ("not a
// regular file (a FIFO)"). State, when given, receives the state of what was
// opened, taken from the open file.
FileHandle OpenFileForReading(const std::string& path, FileState* state = nullptr);
// After an open above failed: true when no file is there to open (nothing
// of that name, a folder on the way missing or no folder, a directory of
// that name), so the file is missing; false when something there could not
// be opened or reached (a folder on the way that cannot be searched, a path
// too long to open, a linked folder, a file that cannot be read), so it is
// unreadable, not missing.
bool LastOpenFoundNoFile();
// True when Path names no file, as an open would find (LastOpenFoundNoFile);
// false when a file is there or when that cannot be told, so that the open
// says why. Nothing is opened.
bool NoFileAt(const std::string& path);
bool GetFileState(FileHandle file, FileState& state);
// The size of the file Path names, taken without opening it: what a progress
// display counts on before the file is read. False for what is no file
// (a directory; on Windows a device name) or cannot be found.
bool GetFileSizeByName(const std::string& path, uint64_t& size);
// OpenFileForReading of Directory + Relative, whose parts are separated by
// PathSeparator, through real folders only: when a folder on the way below
// Directory is a symbolic link (a junction or another reparse point on
// Windows), or a part is "..", nothing is opened and LastErrorText says so.
// The file itself may be a link, as for OpenFileForReading. POSIX walks the
// parts with openat, so no folder swapped for a link meanwhile is followed;
// Windows opens each part from the folder before it, holds each open so that
// none is renamed or removed meanwhile, and refuses one that is a link.
FileHandle OpenFileBelow(const std::string& directory, const std::string& relative,
                         FileState* state = nullptr);

// OpenFileBelow for a run over many files, with the same checks. On POSIX the
// folders it went through last stay open, so that the next file in one of
// them costs one lookup and one open relative to it, not a walk from the
// directory; two are kept, so that a comparison going back and forth
// between two directories keeps both. A folder held is the one that was
// below the directory when it was opened: dropped with the object, at the
// end of a run. Windows opens each file as OpenFileBelow does.
class TFilesBelow {
public:
    TFilesBelow() = default;
    ~TFilesBelow();
    TFilesBelow(const TFilesBelow&) = delete;
    TFilesBelow& operator=(const TFilesBelow&) = delete;

    FileHandle Open(const std::string& directory, const std::string& relative,
                    FileState* state = nullptr);

private:
    struct TFolder {
        std::string Key; // the directory, a NUL, the folders below it
        intptr_t Handle = -1;
    };
    TFolder Folders_[2];
    size_t Oldest_ = 0;
};

#ifdef _WIN32
// Each open holds the folders it passes through for its own length.
inline TFilesBelow::~TFilesBelow() = default;
inline FileHandle TFilesBelow::Open(const std::string& directory, const std::string& relative,
                                    FileState* state) {
    return OpenFileBelow(directory, relative, state);
}
#endif
// Reads up to Count bytes; BytesRead 0 at the end of the file. False on error.
bool ReadFromFile(FileHandle file, void* buffer, uint32_t count, uint32_t& bytesRead);

// Creates the file for writing, replacing any file of that name; no other
// opener is allowed while it is open.
FileHandle CreateFileForWriting(const std::string& path);
bool WriteToFile(FileHandle file, const void* data, uint32_t count, uint32_t& bytesWritten);

// Where a file written in place of Path must go: Path itself, or, when Path
// is a symbolic link, the file it names at the end of its chain of links (a
// relative link is taken from the link's own directory), so that the link
// stays. False, with LastErrorText, for a chain that does not end (a loop).
bool ResolveLinks(const std::string& path, std::string& destination);

// True when Name holds the mark of a character the code page of the names
// could not hold (Windows: '?'): no call opens it, and whoever meets it says
// so rather than calling the file missing. POSIX: always false.
bool NameIsLost(std::string_view name);

// --- Names read from lists ------------------------------------------------------
// A list does not say in which code page its names are written, and a name
// of bytes above ASCII reads as another name in each (the plug-in under
// code page 866 writes "\u0441\u0430\u0434.txt" as E1 A0 A4, valid UTF-8 of
// another name). Windows: a list that starts with the UTF-8 byte-order mark
// is UTF-8 throughout; any other list's name is read in UTF-8 (where its
// bytes are valid UTF-8), in the OEM and in the ANSI code page, and the
// file is the one that exactly one of these readings names. POSIX: names
// are bytes, taken as they are.
//
// NameFromList gives the name of an entry as the list holds it, Utf8 when
// the list starts with the byte-order mark; FindListedFile then looks for
// it below a directory. Until then the name may carry its readings behind
// a NUL, as may a name whose characters the code page of the names cannot
// hold (one opened by its own name, the code page's text showing '?' for
// them): such a name is passed on and joined after a directory as it is,
// and shown as ShownName gives it.
std::string NameFromList(std::string name, bool utf8);
// The part of Name to show the user, in the code page of the names.
std::string ShownName(std::string_view name);
// Name, as NameFromList gives it, without the blanks at its ends.
std::string TrimmedListedName(std::string_view name);

enum class TListedFile {
    Found,       // Name is the file to open: the one reading that names something
    NoFile,      // no reading names anything
    CannotExist, // a name this system cannot hold (LastErrorText says so)
    TwoFiles,    // two readings name two different things (LastErrorText says so)
};
// What Name, an entry's relative path as NameFromList gives it, names below
// Directory (ending in the separator). Every reading is looked for by the
// open that reads files below a directory (OpenFileBelow): through real
// folders only, and anything there counts (a locked or unreadable file, a
// folder, a device), only "no such file" as nothing. Windows: a name with a
// reserved character, a part ending in a dot or a blank, or an escaped
// backslash cannot exist. A name of one reading is looked for only when
// Probe is set; otherwise it is Found, and its open tells the rest. Found
// leaves in Name what to open, any other result what to show.
TListedFile FindListedFile(const std::string& directory, std::string& name, bool probe);

// For programs, never for a plug-in: from now on names are UTF-8 (Windows;
// POSIX names are bytes anyway), and what the program writes on a console
// shows as UTF-8. Gives the program's arguments as such names (Windows: read
// from the wide-character command line).
std::vector<std::string> UseUtf8Names(int argc, char** argv);

// Creates a new, empty file for writing in the directory of Beside, under a
// name that no other file has (tried afresh until one is free, so a leftover
// of a killed run never blocks), exclusively and never through a link: two
// runs, two programs, never write into one file, and a link planted at the
// name is not followed. When Beside exists the new file takes its permission
// bits and, where the process may, its owner. Temporary receives its path.
FileHandle CreateTemporaryFile(const std::string& beside, std::string& temporary);
// Waits until what was written to File is on the disk (fsync,
// FlushFileBuffers): a list is flushed before it replaces the old one, so
// that a power cut leaves the old list or the new one, never an empty file.
bool FlushFile(FileHandle file);
// True for a name CreateTemporaryFile gives ("~hashkeep-" and 12 lower-case
// hexadecimal digits, ".tmp"): what a run killed while it saved leaves.
inline bool IsTemporaryFileName(std::string_view name) {
    constexpr std::string_view prefix = "~hashkeep-", suffix = ".tmp";
    constexpr size_t digits = 12;
    if (name.size() != prefix.size() + digits + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return false;
    const std::string_view hex = name.substr(prefix.size(), digits);
    return hex.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// CreateTemporaryFile beside Directory + Relative, whose folders are reached
// as OpenFileBelow reaches them: through real folders only, never through a
// link or "..", each opened from the one before it, so that a folder swapped
// for a link meanwhile cannot lead the file elsewhere. That folder is held
// until ReplaceFile or RemoveFile takes Temporary away on this thread: POSIX
// renames and removes in that very folder, and Windows lets nobody rename or
// remove it meanwhile.
FileHandle CreateTemporaryFileBelow(const std::string& directory, const std::string& relative,
                                    std::string& temporary);

void CloseFile(FileHandle file);
bool RemoveFile(const std::string& path);
// Renames From to To, replacing an existing To in one step (Windows: the
// move is written through to the disk before the call returns).
bool ReplaceFile(const std::string& from, const std::string& to);
// POSIX: waits until Folder ("" for the current one) is on the disk, so
// that the names ReplaceFile gave there survive a power cut. Some file
// systems refuse to flush a folder; that is no failure, the renames stand.
// Windows: nothing to do.
void FlushFolder(const std::string& folder);

// For programs, never for a plug-in (signals are its host's): from now on
// an interrupt (SIGINT, SIGTERM, SIGHUP; Ctrl+C, Ctrl+Break or a closed
// console on Windows) first removes the temporary file that
// CreateTemporaryFile made and no ReplaceFile or RemoveFile has yet taken
// away, then ends the program as the interrupt would have.
void RemoveTemporaryFileOnInterrupt();

// What makes a file the same file whatever path names it: two paths name one
// file (through links, in any spelling, by a hard link) exactly when their
// identities are equal.
struct FileIdentity {
    uint64_t Volume = 0;
    uint64_t Index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};
// False when Path names no file (device names on Windows included).
bool GetFileIdentity(const std::string& path, FileIdentity& identity);

struct DirectoryEntry {
    std::string Name;
    bool IsDirectory = false; // what it names is a directory (links followed)
    uint64_t Size = 0;
    bool IsLink = false;        // it is a symbolic link itself (Windows: a reparse point)
    bool IsRegularFile = false; // what it names is a regular file (links followed)
};
// The entries of a directory except "." and "..", in no particular order.
bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries);
// True when Path (a trailing separator aside) is a symbolic link, or on
// Windows any reparse point (a junction, a linked folder).
bool IsSymbolicLink(const std::string& path);
// True when Path names a directory (through links).
bool IsFolder(const std::string& path);
// What Path names, links followed: nothing (LastErrorText says so), a
// folder, something else (a file, a device), or what cannot be told
// (LastErrorText says why). For programs, which are handed paths to check.
enum class TPathKind { Nothing, Folder, Other, Unknown };
TPathKind GetPathKind(const std::string& path);
// For programs: makes the folder Path, whose parent exists. False, with
// LastErrorText, when it cannot, or when something is there already.
bool CreateFolder(const std::string& path);
// A text equal for two names exactly when the file system takes them for
// one: the name itself on POSIX; on Windows, where names are blind to case,
// the name with every letter of the code page in upper case, as the file
// system folds it. For sets of names, not for showing.
std::string FileNameKey(std::string_view name);

// The longest path the system opens: MAX_PATH's 259 characters on Windows,
// PATH_MAX less its terminator on POSIX.
#ifdef _WIN32
constexpr int32_t MaxPathLength = 259;
#else
constexpr int32_t MaxPathLength = PATH_MAX - 1;
#endif

// The system's words for why the last failed call above (on this thread)
// failed, for messages that name the cause.
std::string LastErrorText();

// --- Fault seam --------------------------------------------------------------
// Tests make a chosen call fail for real: the hook runs before every operation
// below and returns true to make that call fail without doing anything. Path
// is the file's path where the call names one (for Rename the target, for the
// Create of a temporary file the name about to be tried, once per try), else
// empty. An Open below a folder (OpenFileBelow, TFilesBelow) reaches the hook
// only where a file is there to open: a missing entry stays missing.
// FlushFolder (POSIX, Path the folder) cannot fail as the others do: a
// folder that will not be flushed leaves the renames standing, and so does
// the seam.
enum class FileOperation { Open, Read, Create, Write, Rename, Remove, Flush, FlushFolder };
using FileFaultHook = bool (*)(FileOperation operation, const std::string& path, void* context);
void SetFileFaultHook(FileFaultHook hook, void* context);

} // namespace Platform
