// CheckerClass: the algorithm table, the hash-list formats and TFileChecker,
// the one object through which every file is hashed, every list loaded and
// written, every file verified or compared, and every folder walked.
//
// Nothing here talks to the user: failures come back as check result codes or
// false, and every question (retry? abort?) goes out through the callbacks.
// Files are reached only through platform/files.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// --- Algorithm table ----------------------------------------------------------

// HashAlgorithm identifiers: single bits, 0 for none. Other values have no row.
enum : uint32_t { haNone = 0, haCrc32 = 1, haMd5 = 2, haSha1 = 4, haSha256 = 8 };

// The forms a list's entry lines take, as bits; a list is read in one form
// throughout. Name first: "name digest", SFV's form. Digest first: the form
// of the coreutils *sum tools, read as those tools read it: besides "digest
// name" lines (a mode mark, ' ' or '*', before the name), tagged lines
// "NAME (file) = digest" with the row's Name (or OtherTag), also as rhash
// pads them ("MD5   (file) = ") and openssl writes them ("SHA2-256(file)= "),
// and lines starting with a backslash, whose file name holds the escapes
// \\, \n and \r. Grouped: what "gpg --print-md" prints, the name, ": " and
// the digits in groups, carried on over indented lines; recognised, so that
// such a list is never taken for another form, and refused. Lists are
// written in the row's plain form only.
enum : uint32_t { lfNameFirst = 1, lfDigestFirst = 2, lfGrouped = 4 };

struct TAlgoDefinition {
    int32_t Id;
    const char* Name;      // also the tag of tagged lines
    int32_t HashLength;    // hexadecimal digits of the digest text
    const char* Extension; // of the algorithm's list files, with its dot
    bool HashFirst;        // line is "digest name" (else "name digest")
    bool HasModeMark;      // a mode mark stands between separator and name
    const char* SumsName;  // the name releases give such lists ("SHA256SUMS"), or null
    // Other names releases and tools give such lists: an extension
    // ("x.sha256sum"; "x.crc32", as 7-Zip and rhash name CRC32 lists with
    // the digest first) and a whole name ("SHASUMS256"), or null; a SumsName
    // or OtherSumsName may end in ".txt" as well.
    const char* SumsExtension;
    const char* OtherSumsName;
    const char* OtherTag; // what openssl 3 tags the lines with ("SHA2-256"), or null
    // The forms its lists are read in (lf bits). A list named with the
    // Extension of a row that writes the name first is read in that form
    // alone: ".sfv" names a format, not only an algorithm.
    uint32_t LineForms;
    // Whether a list that names no algorithm (CHECKSUMS, standard input) may
    // be read as this row's because its digits have its length; false for
    // an algorithm whose digests have another's length.
    bool ToldByDigits;
};

inline constexpr TAlgoDefinition AlgoDefinitions[] = {
    {haCrc32, "CRC32", 8, ".sfv", false, false, nullptr, ".crc32", nullptr, nullptr,
     lfNameFirst | lfDigestFirst, true},
    {haMd5, "MD5", 32, ".md5", true, true, "MD5SUMS", ".md5sum", nullptr, nullptr,
     lfDigestFirst | lfGrouped, true},
    {haSha1, "SHA1", 40, ".sha1", true, true, "SHA1SUMS", ".sha1sum", nullptr, nullptr,
     lfDigestFirst | lfGrouped, true},
    {haSha256, "SHA256", 64, ".sha256", true, true, "SHA256SUMS", ".sha256sum", "SHASUMS256",
     "SHA2-256", lfDigestFirst | lfGrouped, true},
};

// A tag and the blanks after it, at most: rhash pads its tags to six
// characters ("MD5   (x) = "), openssl's longest is "SHA2-256".
inline constexpr int32_t MaxTagWidth = 10;

// Extension of lists proposed under an identifier that has no row; SaveList
// refuses to write such a list.
inline constexpr const char* FallbackExtension = ".hk";

// The first line of a list written in the classic form: empty, so that it
// ends in the bare line break. Every reader skips it, md5sum --strict and
// sha1sum --strict included (a comment line there makes them refuse the
// list); busybox counts it as a bad line, hence the other form.
inline constexpr const char* ListHeaderLine = "";

// The two forms of the lists written. Classic: CR LF line ends and the
// header line first, what the FAR host family and Windows tools expect.
// Sums: sha256sum's own, LF alone and no header line, the only form that
// busybox and perl's shasum read (the CR of CR LF becomes part of their
// names). LoadList reads both.
enum class TListForm { Classic, Sums };

// Mode marks of MD5 and SHA1 lines; ModeMark 1 chooses the text mark.
inline constexpr char BinaryModeMark = '*';
inline constexpr char TextModeMark = ' ';
inline constexpr int32_t TextModeMarkValue = 1;
inline constexpr int32_t BinaryModeMarkValue = 2;

// Row whose Extension equals Extension, ASCII letters compared without case.
bool FindAlgoByExtension(std::string_view Extension, TAlgoDefinition& Definition);
bool FindAlgoById(int64_t Id, TAlgoDefinition& Definition);
// The row's Extension, or FallbackExtension.
std::string AlgoExtension(int64_t Id);
// The row of the algorithm whose lists are named like ListName (a path may
// stand before the name). The one place that decides what a list name is:
// the extension after the name's last dot, compared as FindAlgoByExtension
// compares, a row's SumsExtension, or the whole name a row's SumsName or
// OtherSumsName, with ".txt" or without, in any case ("sha256sums.txt").
bool FindAlgoByListName(std::string_view ListName, TAlgoDefinition& Definition);
// "the name does not end in .sfv, .md5, ... and is none of MD5SUMS, ...":
// why ListName is no list name, for messages; empty when it is one.
std::string WhyNoListName(std::string_view ListName);
// True when ListName is a list name of Algorithm (FindAlgoByListName).
bool IsListNameOf(uint32_t Algorithm, std::string_view ListName);

// True when Name is not empty and holds none of " * / : < > ? \ |, so it can
// name neither a drive, nor a directory part, nor a wildcard: a name as a
// panel shows it.
bool IsValidFileName(std::string_view Name);
// True for names made only of dots and spaces: ".", ".." and the names that
// Windows path rules turn into them. A list entry may not be one.
bool IsDirectoryAlias(std::string_view Name);

// The longest entry a list may hold by default: the host's panel names hold
// 259 characters and the terminator, and a path in a subfolder is held to
// the same bound so that every list the plug-in writes, it reads.
inline constexpr int32_t MaxListNameLength = 259;

// Why Path cannot be a list entry ("holds an absolute path"), or empty when
// it can. An entry names a
// file below the directory the list's names resolve against: one or more
// names separated by '/' (or the platform's separator), "." allowed before
// the last; never absolute, never with a drive, never with an empty part or
// "..", so that no entry leaves its directory; at most MaxLength characters
// in all. On POSIX a backslash is a character of a name like any other. A
// name that the platform keeps out of names ("12:30 notes.txt" on Windows)
// is an entry all the same, one that cannot exist here (FindListedFile).
std::string ListPathFault(std::string_view Path, int32_t MaxLength = MaxListNameLength);
// The part of an entry's path that names the item in its directory: "disc1"
// for "./disc1/track01.flac", the name itself for a plain name; a part of
// Path itself. Parts are separated as ListPathFault separates them.
std::string_view TopLevelName(std::string_view Path);
// Splits Line at its first space (HashFirst) or its last; false without one.
bool SplitLine(std::string_view Line, bool HashFirst, std::string& First, std::string& Second);
// 1-based position of the first (or, FromEnd, the last) Character; -1 if none.
int32_t FindChar(std::string_view Text, char Character, bool FromEnd);

// True when an entry named Name, written into a list of Algorithm, reads
// back as the same name (its separators written as '/'). SaveList writes no
// list holding any other: ";x" in an SFV list reads as a comment, "..." is
// refused, and so is a path longer than MaxLength. Nor does it write a name
// with blanks at its start or end: a reader takes such blanks for stray ones
// when no file has them, and editors and mail drop them in silence.
bool ListCanHoldName(uint32_t Algorithm, std::string_view Name,
                     int32_t MaxLength = MaxListNameLength);

// A digest as a web page publishes it: 8, 32, 40 or 64 hexadecimal digits in
// either case, optionally after "crc32:", "md5:", "sha1:" or "sha256:" (any
// case) of the row with that many. False for any other text; else Row is
// the row of its length and Digest the digits.
bool ParseDigestText(std::string_view Text, TAlgoDefinition& Row, std::string& Digest);

// Digest texts are equal when they have the same length and the same
// characters, ASCII letters compared without case.
bool SameDigest(std::string_view A, std::string_view B);

// Longest trimmed entry line of a row whose entries hold at most MaxName
// characters, of any form the row reads. A plain line: the digits, the
// space, the mode mark where the row has one, and the name; counting the
// mark lets every list the checker writes be read back. A tagged line of a
// HashFirst row: the tag padded to MaxTagWidth, "(", the name, ") = " and the
// digits; an escaped line: a backslash first and each character of the name
// written as two.
constexpr int32_t MaxListLineLength(const TAlgoDefinition& Row,
                                    int32_t MaxName = MaxListNameLength) {
    if (!Row.HashFirst)
        return Row.HashLength + 1 + (Row.HasModeMark ? 1 : 0) + MaxName;
    return 1 + MaxTagWidth + 1 + 2 * MaxName + 4 + Row.HashLength;
}

// A list holding more entries is rejected, so that no file, however large,
// can make LoadList claim unbounded memory (each entry is at most one line).
// A million files is far more than anyone keeps in one directory's list.
inline constexpr int32_t ListEntryLimit = 1000000;

// --- File checker ---------------------------------------------------------------

enum TCheckResult : int32_t {
    crOk = 0,       // digest computed (and, where compared, equal)
    crFailed = 1,   // no digest; ends a run
    crAborted = 2,  // the user aborted; ends a run
    crSkipped = 3,  // OnReadError answered skip
    crMismatch = 4, // both digests computed, and they differ
    crMissing = 5,  // no such file, or no such entry
};

// Answers of OnReadError; anything else gives up on the file (crFailed).
enum : int32_t { raAbort = 3, raRetry = 4, raSkip = 5 };

struct TFileCheckerItem {
    std::string FileName; // relative to BaseDir, or absolute
    std::string Hash;     // lower case when computed; as written when read
};
using TFileCheckerItemArray = std::vector<TFileCheckerItem>;

class TFileChecker;

namespace Platform {
class TFilesBelow;
}

// The bytes of a file read whole for a caller that digests them itself
// (TFileChecker::ReadItem). The storage starts on a page, where the system
// copies reads fastest, and is kept from one file to the next.
class TFileBytes {
public:
    TFileBytes() = default;
    TFileBytes(TFileBytes&& Other) noexcept;
    TFileBytes& operator=(TFileBytes&& Other) noexcept;
    ~TFileBytes();

    const uint8_t* Data() const { return Data_; }
    uint64_t Size() const { return Size_; }
    // Room for Capacity bytes, the content gone; Size becomes Size. Throws
    // std::bad_alloc.
    uint8_t* Prepare(uint64_t Capacity, uint64_t Size);

private:
    uint8_t* Data_ = nullptr;
    uint64_t Size_ = 0, Capacity_ = 0;
};

// Plain callbacks: the checker first, the entry's FileName (as stored) second.
// A caller that needs state of its own derives from TFileChecker and casts
// Sender back.
// Token starts at 0; it comes back unchanged to OnEndFile (a host screen handle).
using TBeginFileEvent = void (*)(TFileChecker* Sender, const std::string& FileName,
                                 intptr_t& Token);
using TEndFileEvent = void (*)(TFileChecker* Sender, const std::string& FileName, intptr_t Token);
// Percent 1..100, only when it changes; clearing Continue aborts the run.
using TProgressEvent = void (*)(TFileChecker* Sender, const std::string& FileName, int32_t Percent,
                                bool& Continue);
// The file cannot be opened or read: set Action to raAbort, raRetry or raSkip.
using TReadErrorEvent = void (*)(TFileChecker* Sender, const std::string& FileName,
                                 int32_t& Action);

class TFileChecker {
public:
    // BaseDir becomes Directory with the platform's separator at its end.
    explicit TFileChecker(const std::string& Directory);
    ~TFileChecker();
    TFileChecker(const TFileChecker&) = delete;
    TFileChecker& operator=(const TFileChecker&) = delete;

    int32_t Count() const;
    // Empties Items; Algorithm stays.
    void ClearItems();

    // Hashes BaseDir + Name and appends it on crOk; crFailed when that is no
    // existing file or anything fails. Never throws.
    TCheckResult AddFile(const std::string& Name);
    // Computes Item.Hash with Algorithm, through the callbacks.
    TCheckResult HashItem(TFileCheckerItem& Item);
    // Re-hashes entry Index and compares; crMissing for an index out of range.
    TCheckResult VerifyItem(int32_t Index);
    // Re-hashes the file of Entry, an entry read from a list, and compares.
    // The file is the one FindListedFile finds; what it finds instead of a
    // file is the result. CheckedName, when given, receives the name of the
    // file looked for, as it is shown, for reports and marks.
    TCheckResult VerifyEntry(const TFileCheckerItem& Entry, std::string* CheckedName = nullptr);
    // What VerifyEntry looks for: Name, an entry's file name as a list gives
    // it (Platform::NameFromList), becomes the name of the file to check. The
    // file named exactly as the list gives it, blanks at its ends included,
    // is the one checked; only when no file has that name is the name
    // without those blanks looked for, so lists with stray blanks keep
    // working while a damaged "x " is never passed over for an intact "x".
    // crOk: Name is the file to hash. Else Name is what to show, and the
    // result is the entry's: crMissing when nothing has the name; crSkipped
    // when it is a name this system cannot hold (Windows: "12:30 notes.txt",
    // "x.", which Windows would open as "x"), no list option hiding it as
    // missing; crMismatch when it reads as two different files (Windows, a
    // list in no code page it tells), so that neither is called good; each
    // of the last two with LastError saying so.
    TCheckResult FindListedFile(std::string& Name);
    // Every entry in order: names of mismatches collected, missing and skipped
    // counted; stops with crFailed or crAborted, else gives crOk.
    TCheckResult VerifyAll(std::vector<std::string>& Mismatches, int32_t& MissingCount,
                           int32_t& SkippedCount);
    // Hashes First, then (only when that worked) Second, and compares.
    TCheckResult CompareFiles(const std::string& First, const std::string& Second);
    // CompareFiles of the files Name (a path as entries name them) below
    // FirstDirectory and below SecondDirectory (each ending in the
    // platform's separator), each opened as a list's
    // entry is below BaseDir: never through a linked folder, never out of
    // the directory. The callbacks and LastError name each file by its
    // directory and Name, so the user sees which side it is on.
    TCheckResult CompareFilesBelow(const std::string& FirstDirectory,
                                   const std::string& SecondDirectory, const std::string& Name);

    // HashItem and AddFile for a caller that computes the digests of small
    // files itself, several at once: a file of at most Limit bytes is read
    // whole into Bytes by every rule they hash a file by (the callbacks, the
    // questions about read errors, the checks of its size and state), and
    // crOk leaves its digest empty (ReadFile: that of the entry appended).
    // A larger file is hashed as they hash it.
    TCheckResult ReadItem(TFileCheckerItem& Item, uint64_t Limit, TFileBytes& Bytes);
    TCheckResult ReadFile(const std::string& Name, uint64_t Limit, TFileBytes& Bytes);

    // Reads the list ExpandName(ListName) (algorithm from its extension); on
    // success replaces Items and sets Algorithm, else changes nothing. On
    // failure Reason, when given, says why ("line 7 has no space between
    // digest and name"). Never throws.
    bool LoadList(const std::string& ListName, std::string* Reason = nullptr);
    // LoadList with the algorithm given rather than read from the list's
    // name: any file is read as a list of ListAlgorithm. With haNone the
    // format is told by the whole list, for lists whose names say nothing
    // ("CHECKSUMS"): each form of each row ToldByDigits reads it, its digits
    // hexadecimal, and the one that reads every line is taken; of SFV and
    // a digest-first form that both do, the digest comes first when every
    // line marks it (two blanks or " *" after it), SFV when none does and
    // both are CRC32, and the list is refused as ambiguous otherwise. None,
    // and the list is refused naming the line where the last of them failed.
    bool LoadListOf(uint32_t ListAlgorithm, const std::string& ListName,
                    std::string* Reason = nullptr);
    // Writes every entry: to ExpandName(ListName), or (PerFile) each to
    // BaseDir + FileName + extension. Each file appears whole or not at all;
    // an older file of that name survives a failure. Nothing is written when
    // an entry would not read back as it is (ListCanHoldName). On failure
    // Reason, when given, names the file and the cause.
    bool SaveList(const std::string& ListName, bool PerFile, std::string* Reason = nullptr);

    // Name itself when absolute, else BaseDir + Name: where a list is read
    // or written.
    std::string ExpandName(const std::string& Name) const;
    // The path an entry's file is opened at: Name itself when absolute, else
    // BaseDir + Name with its '/' turned into the platform's separator, so
    // that lists written on either system verify on both (a list read on
    // POSIX has the backslashes of its plain lines turned into '/'). A
    // folder on the way that is a symbolic link is not followed when the
    // file is hashed: no entry reaches out of BaseDir through one.
    std::string EntryPath(const std::string& Name) const;

    // Every regular file below the folder Folder of BaseDir ("" for BaseDir
    // itself), appended to Paths as entries name them: relative to BaseDir,
    // with '/' between the parts in every build ("disc1/cd2/track.flac"),
    // sorted part by part in byte order, so that the order never depends on
    // the separator or on the order the system lists a folder in. Folders
    // reached through a symbolic link (a junction on Windows) are not
    // entered, a Folder that is one included; FIFOs, devices and sockets are
    // left out, and so are the temporary files a save that never ended left
    // behind (Platform::IsTemporaryFileName), which no user means to list.
    // False, with Reason naming the path and the cause, when a
    // folder cannot be read, a name there holds a backslash (POSIX: a list
    // would take it for a separator), a path is longer than MaxNameLength, or
    // more than ListEntryLimit files are found; Paths then holds what it
    // held. Never throws.
    bool CollectFiles(const std::string& Folder, std::vector<std::string>& Paths,
                      std::string* Reason = nullptr) const;

    // Takes out of Names (files of BaseDir, as AddFile takes them) the files
    // that must not become entries of the list about to be written, since no
    // user means them: the list ExpandName(ListName) itself, or, PerFile, a
    // file that is the per-file list of another of the Names. Files are told
    // apart as files, not by how their names are written. The others keep
    // their order.
    void LeaveOutOwnLists(std::vector<std::string>& Names, const std::string& ListName,
                          bool PerFile) const;

    std::string BaseDir;
    TFileCheckerItemArray Items;
    // Why the file at hand could not be hashed, for the user to read: set
    // whenever HashItem (and so AddFile, VerifyItem, CompareFiles) is about to
    // call OnReadError or returns crFailed or crSkipped, to the file's name as
    // stored and the cause, in the system's words where it has some
    // ("notes.txt: Permission denied", "fifo: not a regular file (a FIFO)",
    // "big.bin: changed size while it was read"). Emptied when hashing starts.
    std::string LastError;
    std::string LineBreak = "\r\n";
    // Whether a list written opens with ListHeaderLine.
    bool HeaderLine = true;
    // Sets LineBreak and HeaderLine for lists of that form.
    void SetListForm(TListForm Form);
    // The longest entry path a list that is read or written may hold, and
    // that CollectFiles gives: the plug-in's panels' bound by default; a
    // program on POSIX may allow what the system allows.
    int32_t MaxNameLength = MaxListNameLength;
    TBeginFileEvent OnBeginFile = nullptr;
    TEndFileEvent OnEndFile = nullptr;
    TProgressEvent OnProgress = nullptr;
    TReadErrorEvent OnReadError = nullptr;
    uint32_t Algorithm = haNone;
    int32_t ModeMark = BinaryModeMarkValue;
    // The size of the file being hashed, taken from it when it was opened:
    // for the callbacks, from OnBeginFile to OnEndFile.
    uint64_t FileSize = 0;

    // Asks OnReadError what to do about FileName (a file, or a folder to
    // walk) that cannot be opened or read, LastError given the name and the
    // Cause first. True means try again; otherwise Result says how it ends:
    // crAborted, crSkipped, or crFailed (no callback, or another answer).
    bool AskRetry(const std::string& FileName, const std::string& Cause, TCheckResult& Result);

private:
    // Hashes First below FirstDirectory, then (only when that worked) Second
    // below SecondDirectory, and compares; an empty directory takes the name
    // as it is. ShowPaths as for HashFile.
    TCheckResult ComparePair(const std::string& FirstDirectory, const std::string& First,
                             const std::string& SecondDirectory, const std::string& Second,
                             bool ShowPaths);
    // HashItem of Name below Directory (Name itself when Directory is
    // empty); the callbacks and LastError name the file by Name, or with
    // ShowPath by Directory and Name. A file of at most WholeLimit bytes is
    // read whole into Whole, when given, and left undigested.
    TCheckResult HashFile(const std::string& Directory, const std::string& Name, bool ShowPath,
                          std::string& Digest, TFileBytes* Whole, uint64_t WholeLimit);
    // HashItem and AddFile, a file of at most WholeLimit bytes read whole
    // into Whole, when given, and left undigested.
    TCheckResult HashItem(TFileCheckerItem& Item, TFileBytes* Whole, uint64_t WholeLimit);
    TCheckResult AddFile(const std::string& Name, TFileBytes* Whole, uint64_t WholeLimit);

    // The folders of the files opened last, kept open for the next ones.
    std::unique_ptr<Platform::TFilesBelow> Files_;
};

// --- A list read as a stream ----------------------------------------------------

// A list verified without holding its entries, so that memory does not grow
// with the list: Open checks it whole by LoadList's rules, reading it once
// and keeping nothing but the count, so that a list that will be refused is
// refused before the first file is hashed; then Next hands its entries out
// in order, reading it a second time as they are asked for, in the format
// the first reading chose. A list that cannot be read twice (standard input)
// is held as text instead. A list file must be the same file, of the same
// size, times and bytes (a digest of them) at both readings: else Next
// stops, the list changed.
class TListStream {
public:
    TListStream();
    ~TListStream();
    TListStream(const TListStream&) = delete;
    TListStream& operator=(const TListStream&) = delete;

    // Entries of at most MaxName characters, as many as the list holds
    // (EntryLimit 0) or at most EntryLimit; Weigh, when given, weighs each
    // entry as the list is checked (the size of its file), and Weight sums
    // it over the entries of the format chosen.
    struct TRules {
        int32_t MaxName = MaxListNameLength;
        uint64_t EntryLimit = ListEntryLimit;
        std::function<uint64_t(const TFileCheckerItem& Entry)> Weigh;
    };
    // The list in the file at Path, or held as Text (which the caller keeps
    // as long as the stream is used), read as a list of Algorithm; with
    // haNone, as the algorithm the file's name states, or (Text, or a name
    // that states none) as LoadListOf tells it. False, with Reason as
    // LoadList gives it, when it is refused.
    bool OpenFile(const std::string& Path, uint32_t Algorithm, const TRules& Rules,
                  std::string& Reason);
    bool OpenText(const std::string& Text, uint32_t Algorithm, const TRules& Rules,
                  std::string& Reason);

    uint64_t Count() const;
    uint64_t Weight() const;
    // The row the list is read by.
    const TAlgoDefinition& Row() const;
    // The next entry in list order. False when every entry has been handed
    // out, or (with Reason) when the list can no longer be read or is no
    // longer the list that was checked ("the list changed since it was
    // checked: ...").
    bool Next(TFileCheckerItem& Entry, std::string& Reason);

private:
    struct TState;
    std::unique_ptr<TState> State_;
    bool Open(const std::string& Path, const std::string* Text, uint32_t Algorithm,
              const TRules& Rules, std::string& Reason);
};
