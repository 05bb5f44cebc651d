// The Windows file services the engine needs. Names come and go as texts in
// the code page of the names (see files.h); the file system is reached
// through the wide-character calls, so that no name is ever replaced by a
// look-alike of it, and a name the code page cannot hold is said to be so.
#include "files_internal.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>

// <windows.h> maps ReplaceFile to ReplaceFileA; ours is Platform::ReplaceFile.
#undef ReplaceFile

namespace Platform {

namespace FilesDetail {

bool Utf8Names = false;
thread_local DWORD LastError = 0;

namespace {

// What follows the NUL of a name read from a list (NameFromList): the tag
// of its form, then what the form needs.
constexpr char Readings = 'R';     // the list's own bytes, each reading yet to be tried
constexpr char WideForm = 'W';     // in UTF-8, the characters the lost marks stand for
constexpr char NoneCanExist = 'C'; // a name this system cannot hold
constexpr char NotUtf8Form = 'X';  // a name of a UTF-8 list that is not valid UTF-8

// Narrow, and with Lost (when given) the characters it marked lost appended
// in UTF-8, so that the name can be written as one to open.
std::string NarrowKeeping(const wchar_t* text, int length, UINT codePage, std::string* lost) {
    std::string result;
    // UTF-8 holds every character but an unpaired surrogate, which the
    // flag refuses instead of writing U+FFFD.
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : 0;
    for (int i = 0; i < length;) {
        // A pair of surrogates is one character.
        const int count =
            IS_HIGH_SURROGATE(text[i]) && i + 1 < length && IS_LOW_SURROGATE(text[i + 1]) ? 2 : 1;
        char bytes[8];
        wchar_t back[2];
        const int size = WideCharToMultiByte(codePage, flags, text + i, count, bytes, sizeof bytes,
                                             nullptr, nullptr);
        if (size > 0 && MultiByteToWideChar(codePage, 0, bytes, size, back, 2) == count &&
            back[0] == text[i] && back[count - 1] == text[i + count - 1]) {
            result.append(bytes, static_cast<size_t>(size));
        } else {
            result += LostCharacter;
            const int kept =
                lost == nullptr ? 0
                                : WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text + i,
                                                      count, bytes, sizeof bytes, nullptr, nullptr);
            if (lost != nullptr)
                lost->append(bytes, static_cast<size_t>(kept));
        }
        i += count;
    }
    return result;
}

FileFaultHook FaultHook = nullptr;
void* FaultContext = nullptr;

} // namespace

bool FaultInjected(FileOperation operation, const std::string& path) {
    if (FaultHook == nullptr || !FaultHook(operation, path, FaultContext))
        return false;
    LastError = ERROR_IO_DEVICE;
    return true;
}

bool Fail() {
    LastError = GetLastError();
    return false;
}

TWideName::TWideName(std::string_view name, UINT codePage) {
    Text[0] = L'\0';
    // A name of a list's entry may carry, behind a NUL, how it is to be
    // read (NameFromList); only one that names its characters the code page
    // lacks is a name to open, the others say why not.
    const size_t tail = name.find('\0');
    const std::string_view form = tail == std::string_view::npos ? "" : name.substr(tail + 1);
    const bool wide = !form.empty() && form.front() == WideForm;
    if (tail != std::string_view::npos && !wide) {
        LastError = form.empty()                   ? LostNameError
                    : form.front() == NoneCanExist ? CannotExistError
                    : form.front() == NotUtf8Form  ? NotUtf8Error
                                                   : LostNameError;
        return;
    }
    name = name.substr(0, tail);
    if (!wide && NameIsLost(name)) {
        LastError = LostNameError;
        return;
    }
    // Invalid UTF-8 is no name: converted leniently it would open a name
    // with U+FFFD in its place, which is another file's.
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int length = name.empty()
                           ? 0
                           : MultiByteToWideChar(codePage, flags, name.data(),
                                                 static_cast<int>(name.size()), Text, Capacity - 1);
    if (length == 0 && !name.empty()) {
        LastError = GetLastError() == ERROR_NO_UNICODE_TRANSLATION ? NotUtf8Error
                                                                   : ERROR_FILENAME_EXCED_RANGE;
        return;
    }
    Text[length] = L'\0';
    Length = length;
    // Each lost mark stands for the next of the characters behind the form.
    if (wide) {
        wchar_t lost[Capacity];
        const std::string_view those = form.substr(1);
        const int count = those.empty()
                              ? 0
                              : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, those.data(),
                                                    static_cast<int>(those.size()), lost, Capacity);
        int next = 0;
        for (int i = 0; i < Length; ++i) {
            if (Text[i] != L'?')
                continue;
            if (next == count) {
                LastError = LostNameError;
                return;
            }
            // A character beyond the first plane is a pair of surrogates.
            const bool pair = IS_HIGH_SURROGATE(lost[next]) && next + 1 < count;
            if (pair) {
                if (Length + 1 >= Capacity) {
                    LastError = ERROR_FILENAME_EXCED_RANGE;
                    return;
                }
                std::memmove(Text + i + 1, Text + i, (Length - i + 1) * sizeof(wchar_t));
                ++Length;
                Text[i++] = lost[next++];
            }
            Text[i] = lost[next++];
        }
        if (next != count) {
            LastError = LostNameError;
            return;
        }
    }
    Valid = true;
}

TWideName::TWideName(std::wstring_view name) {
    Length = static_cast<int>(std::min<size_t>(name.size(), Capacity - 1));
    std::memcpy(Text, name.data(), static_cast<size_t>(Length) * sizeof(wchar_t));
    Text[Length] = L'\0';
    Valid = name.size() < Capacity;
    if (!Valid)
        LastError = ERROR_FILENAME_EXCED_RANGE;
}

std::string Narrow(const wchar_t* text, int length, UINT codePage) {
    return NarrowKeeping(text, length, codePage, nullptr);
}

wchar_t PendingTemporary[TWideName::Capacity];
bool HavePendingTemporary = false;
bool InterruptsHandled = false;
CRITICAL_SECTION PendingLock;

} // namespace FilesDetail

using namespace FilesDetail;

namespace {

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// --- Names ---------------------------------------------------------------------

// --- The temporary file an interrupt removes ------------------------------------

char PendingTemporaryName[TWideName::Capacity * 4];

void RememberTemporary(const std::string& path, const TWideName& wide) {
    HavePendingTemporary = path.size() < sizeof PendingTemporaryName;
    if (!HavePendingTemporary)
        return;
    std::memcpy(PendingTemporary, wide.Text, sizeof PendingTemporary);
    std::memcpy(PendingTemporaryName, path.c_str(), path.size() + 1);
}

void ForgetTemporary(const std::string& path) {
    if (HavePendingTemporary && path == PendingTemporaryName)
        HavePendingTemporary = false;
}

// "~hashkeep-" and twelve hexadecimal digits that differ from process to
// process (the last four are its number's) and from call to call, then
// ".tmp"; the native call's FILE_CREATE, not this, makes the name exclusive.
constexpr char UniqueNamePattern[] = "~hashkeep-000000000000.tmp";
void UniqueName(char (&name)[sizeof UniqueNamePattern]) {
    static volatile LONG calls = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint32_t x = static_cast<uint32_t>(now.QuadPart) ^
                 static_cast<uint32_t>(InterlockedIncrement(&calls)) * 0x9E3779B1u;
    // murmur3's finaliser spreads every input bit over the whole value.
    x = (x ^ (x >> 16)) * 0x85EBCA6Bu;
    x = (x ^ (x >> 13)) * 0xC2B2AE35u;
    x ^= x >> 16;
    const uint32_t process = GetCurrentProcessId();
    std::memcpy(name, UniqueNamePattern, sizeof name);
    for (int digit = 21; digit >= 10; --digit)
        name[digit] = "0123456789abcdef"[(digit > 17 ? process >> (4 * (21 - digit))
                                                     : x >> (4 * (17 - digit))) &
                                         0xF];
}

// The attributes a rewritten list keeps; read-only is not among them: a
// read-only list is not replaced at all (the rename is refused).
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

HANDLE ToHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

DWORD AttributesOf(const std::string& path) {
    const TWideName wide(path);
    return wide.Valid ? GetFileAttributesW(wide.Text) : INVALID_FILE_ATTRIBUTES;
}

// --- Folders held open ------------------------------------------------------------
// The ANSI calls open nothing from a folder handle; the native call does, as
// openat does on POSIX. A folder so opened is held without delete sharing,
// so that on Windows nobody renames or removes it while it is held.

// The path the handle stands for, links resolved; empty where unknown.
// Windows Vista and later name it; older systems have no links but
// junctions, which their attributes reveal, and the loader must not need
// the call.
std::wstring_view FinalPath(HANDLE handle, wchar_t (&path)[TWideName::Capacity]) {
    using TFinalPathName = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
    const auto call = reinterpret_cast<TFinalPathName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
    const DWORD length = call == nullptr ? 0 : call(handle, path, TWideName::Capacity, 0);
    return length < TWideName::Capacity ? std::wstring_view(path, length) : std::wstring_view();
}

constexpr NTSTATUS ObjectNameCollision = static_cast<NTSTATUS>(0xC0000035);

// Opens Name, one part of a path, from the folder Parent.
HANDLE OpenFrom(HANDLE parent, std::wstring_view name, ACCESS_MASK access, ULONG share,
                ULONG disposition, ULONG options, NTSTATUS& status) {
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.data());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE handle = INVALID_HANDLE_VALUE;
    status = NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr,
                          FILE_ATTRIBUTE_NORMAL, share, disposition,
                          options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        LastError = RtlNtStatusToDosError(status);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

// Opens the folder Name from Parent as a folder in its own right; Path
// names it. A link there (a junction, a symbolic link; under Wine a POSIX
// link, which it opens as the folder it leads to) is refused by the
// attributes its path has: the folders above are held, so that path names
// the folder just opened. Held without delete sharing, which only a handle
// that may read the folder keeps.
HANDLE OpenFolderFrom(HANDLE parent, std::wstring_view name, const wchar_t* path) {
    NTSTATUS status;
    const HANDLE folder = OpenFrom(parent, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
                                   FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, status);
    const DWORD attributes =
        folder == INVALID_HANDLE_VALUE ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        CloseHandle(folder);
        LastError = ThroughFolderLinkError;
        return INVALID_HANDLE_VALUE;
    }
    return folder;
}

// Folders held open, the innermost last.
struct THeldFolders {
    // A path of MAX_PATH characters passes through fewer folders.
    static constexpr int MaxDepth = 130;
    // Zero at first: every THeldFolders is value-initialised or static.
    HANDLE Handles[MaxDepth];
    int Count;

    HANDLE Innermost() const { return Handles[Count - 1]; }
    [[gnu::always_inline]] bool Hold(HANDLE folder) {
        if (folder == INVALID_HANDLE_VALUE || Count == MaxDepth) {
            if (folder != INVALID_HANDLE_VALUE) {
                CloseHandle(folder);
                LastError = ERROR_FILENAME_EXCED_RANGE;
            }
            return Release();
        }
        Handles[Count++] = folder;
        return true;
    }
    bool Release() {
        while (Count > 0)
            CloseHandle(Handles[--Count]);
        return false;
    }
};

// Opens the folder Directory and from it, one after the other, the folders
// of Relative before its last part, which Last receives (a part of
// Relative's text), each from the one before, as openat does on POSIX. Each
// stays held, without delete sharing, until Held is released: while they
// are, nobody renames or removes them, so no path through them leads
// elsewhere. False, with LastError and nothing held, on failure.
bool OpenFolderBelow(std::string_view directory, const TWideName& relative, std::wstring_view& last,
                     THeldFolders& held) {
    const TWideName base(directory.empty() ? std::string_view(".") : directory);
    if (!base.Valid || !relative.Valid)
        return false;
    // A name holding what Windows keeps out of names is none: "a:b" would
    // open the stream b of the file a.
    if (std::wstring_view(relative.Text, static_cast<size_t>(relative.Length))
            .find_first_of(L"\"*:<>?|") != std::wstring_view::npos) {
        LastError = CannotExistError;
        return false;
    }
    // The directory itself is the user's; it may be a link.
    const HANDLE start = CreateFileW(base.Text, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (start == INVALID_HANDLE_VALUE)
        Fail();
    if (!held.Hold(start))
        return false;
    // Directory + Relative, cut after each folder in turn.
    wchar_t path[TWideName::Capacity * 2];
    auto prefix = static_cast<size_t>(base.Length);
    std::memcpy(path, base.Text, prefix * sizeof(wchar_t));
    if (prefix > 0 && path[prefix - 1] != L'\\' && path[prefix - 1] != L'/')
        path[prefix++] = L'\\';
    std::memcpy(path + prefix, relative.Text,
                (static_cast<size_t>(relative.Length) + 1) * sizeof(wchar_t));
    const wchar_t* part = relative.Text;
    for (const wchar_t* end = part; *end != L'\0'; ++end) {
        if (*end != L'\\' && *end != L'/')
            continue;
        const auto length = static_cast<size_t>(end - part);
        wchar_t& cut = path[prefix + static_cast<size_t>(end - relative.Text)];
        const bool dots =
            length <= 2 && (length == 0 || (part[0] == L'.' && part[length - 1] == L'.'));
        if (dots && length == 2) {
            LastError = LeavesFolderError;
            return held.Release();
        }
        cut = L'\0';
        if (!dots &&
            !held.Hold(OpenFolderFrom(held.Innermost(), std::wstring_view(part, length), path)))
            return false;
        cut = *end;
        part = end + 1;
    }
    // Windows drops the dots and blanks that end a name.
    size_t length = static_cast<size_t>(relative.Text + relative.Length - part);
    while (length > 0 && (part[length - 1] == L'.' || part[length - 1] == L' '))
        --length;
    last = std::wstring_view(part, length);
    if (length == 0) {
        LastError = LeavesFolderError;
        return held.Release();
    }
    return true;
}

// The folders of the last CreateTemporaryFileBelow on this thread, held
// until its file is renamed or removed.
thread_local THeldFolders HeldForTemporary;

} // namespace

bool IsAbsolutePath(std::string_view name) {
    if (name.size() < 4)
        return false;
    return (name[1] == ':' && name[2] == '\\') || (name[0] == '\\' && name[1] == '\\');
}

std::string WithTrailingSeparator(std::string directory) {
    if (directory.empty() || directory.back() != PathSeparator)
        directory += PathSeparator;
    return directory;
}

bool NameIsLost(std::string_view name) {
    return std::memchr(name.data(), LostCharacter, name.size()) != nullptr;
}

bool IsDeviceName(std::string_view path) {
    path = path.substr(0, path.find('\0'));
    const size_t part = path.find_last_of("\\/:");
    std::string_view name = part == std::string_view::npos ? path : path.substr(part + 1);
    // Windows takes "nul.txt", "NUL " and "nul..md5" for NUL as well.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    char upper[8] = {};
    if (name.size() >= sizeof upper)
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        upper[i] = UpperAscii(name[i]);
    const std::string_view device(upper, name.size());
    for (const char* each : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (device == each)
            return true;
    // COM1 to COM9 and LPT1 to LPT9; the code page's superscript digits
    // 1, 2 and 3 count as digits too.
    if (device.size() != 4 ||
        (std::memcmp(upper, "COM", 3) != 0 && std::memcmp(upper, "LPT", 3) != 0))
        return false;
    const char digit = device[3];
    return (digit >= '1' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

bool FileExists(const std::string& path) {
    // A device name is there in every directory. It counts as existing so
    // that whoever asks for it hears that it is not a file, not "missing".
    if (IsDeviceName(path))
        return true;
    // A directory search would take '*' and '?' as a pattern and find some
    // other file; no file's name holds them.
    const TWideName wide(path);
    if (!wide.Valid || path.find('*') != std::string::npos)
        return false;
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(wide.Text, &data);
    if (search == INVALID_HANDLE_VALUE)
        return Fail();
    FindClose(search);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

// Whether the last failed open on this thread found no file at all.
thread_local bool FoundNoFile = false;

// Errors that say nothing of that name is there, as opposed to something
// that is there but cannot be reached or opened; a part of the path that is
// a file where a folder should be is no folder there either.
bool IsNothingThere(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_DIRECTORY || error == CannotExistError;
}

// Windows opens no longer path: a file there is there, and too long to be
// opened.
bool TooLong(const std::string& path) {
    if (std::min(path.find('\0'), path.size()) <= static_cast<size_t>(MaxPathLength))
        return false;
    LastError = PathTooLongError;
    return true;
}

// A path such as \\.\pipe\name opens something other than a disk file.
// Inlined, as Hold is: every function of the plug-in costs it unwind
// tables, and its size is bounded. State, when given, receives the state of
// what was opened.
[[gnu::always_inline]] inline FileHandle OnlyADiskFile(HANDLE file, const std::string& path,
                                                       FileState* state) {
    if (file == INVALID_HANDLE_VALUE) {
        // A directory refuses to be opened as a file with "access denied".
        FoundNoFile =
            IsNothingThere(LastError) || (LastError == ERROR_ACCESS_DENIED && IsFolder(path));
        return InvalidFileHandle;
    }
    const DWORD type = GetFileType(file);
    if (type != FILE_TYPE_DISK) {
        LastError = type == FILE_TYPE_CHAR   ? NotRegularDeviceError
                    : type == FILE_TYPE_PIPE ? NotRegularPipeError
                                             : NotRegularOtherError;
        CloseHandle(file);
        return InvalidFileHandle;
    }
    if (state != nullptr && !GetFileState(reinterpret_cast<FileHandle>(file), *state)) {
        CloseHandle(file);
        return InvalidFileHandle;
    }
    return reinterpret_cast<FileHandle>(file);
}

FileHandle OpenExisting(const std::string& path, FileState* state) {
    FoundNoFile = false;
    // Opening a device name would reach the device: NUL reads as empty,
    // CON waits for the keyboard, COM1 for a modem.
    if (IsDeviceName(path)) {
        LastError = DeviceNameError;
        return InvalidFileHandle;
    }
    const TWideName wide(path);
    if (!wide.Valid || TooLong(path))
        return InvalidFileHandle;
    const HANDLE file = CreateFileW(wide.Text, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail();
    return OnlyADiskFile(file, path, state);
}

} // namespace

bool IsFolder(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileHandle OpenFileForReading(const std::string& path, FileState* state) {
    FoundNoFile = false;
    if (FaultInjected(FileOperation::Open, path))
        return InvalidFileHandle;
    return OpenExisting(path, state);
}

bool LastOpenFoundNoFile() {
    return FoundNoFile;
}

bool NoFileAt(const std::string& path) {
    // A name the code page cannot hold is there: its open says why not.
    const TWideName wide(path);
    if (IsDeviceName(path) || !wide.Valid || TooLong(path))
        return false;
    if (path.find('*') != std::string::npos)
        return true;
    const DWORD attributes = GetFileAttributesW(wide.Text);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return IsNothingThere(GetLastError());
}

FileHandle OpenFileBelow(const std::string& directory, const std::string& relative,
                         FileState* state) {
    FoundNoFile = false;
    const std::string path = directory + relative;
    // Below a folder the seam fails the open of what is there only: with a
    // seam, the path is looked up first, as the POSIX build does before every
    // open, so a missing entry stays missing.
    const bool found = FaultHook != nullptr && !NoFileAt(path);
    if (found && FaultInjected(FileOperation::Open, path))
        return InvalidFileHandle;
    if (IsDeviceName(relative)) {
        LastError = DeviceNameError;
        return InvalidFileHandle;
    }
    if (TooLong(path))
        return InvalidFileHandle;
    // Each folder is opened from the one before it and held while the file
    // is opened from the last; the file itself may be a link.
    const TWideName wide(relative);
    std::wstring_view last;
    THeldFolders held{};
    HANDLE file = INVALID_HANDLE_VALUE;
    if (OpenFolderBelow(directory, wide, last, held)) {
        NTSTATUS status;
        file = OpenFrom(held.Innermost(), last, GENERIC_READ, FILE_SHARE_READ, FILE_OPEN,
                        FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, status);
        held.Release();
    }
    const FileHandle opened = OnlyADiskFile(file, path, state);
    // Gone between the lookup and the open, it was there: a read error.
    FoundNoFile = FoundNoFile && !found;
    return opened;
}

// --- Names read from lists ----------------------------------------------------------

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view WithoutBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Name in CodePage; empty when its bytes are no text there.
std::wstring Reading(std::string_view name, UINT codePage, DWORD flags = MB_ERR_INVALID_CHARS) {
    std::wstring wide(name.size(), L'\0');
    const int length =
        name.empty()
            ? 0
            : MultiByteToWideChar(codePage, flags, name.data(), static_cast<int>(name.size()),
                                  wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(std::max(length, 0)));
    return wide;
}

// A name of the characters Wide as the calls here take it: in the code page
// of the names, or, where that lacks some of them, with them behind it.
std::string NameOfWide(std::wstring_view wide) {
    std::string lost;
    std::string name =
        NarrowKeeping(wide.data(), static_cast<int>(wide.size()), NameCodePage(), &lost);
    if (!NameIsLost(name))
        return name;
    return name + '\0' + WideForm + lost;
}

// Raw, a list's bytes, as the user is shown them: read as UTF-8 where the
// list is UTF-8 throughout, else as this build reads its own lists (the
// plug-in's bytes are the code page's; a program's names are UTF-8, and
// what is no UTF-8 was written in the ANSI code page).
std::string ShownRaw(std::string_view raw, bool utf8) {
    if (!utf8 && !Utf8Names)
        return std::string(raw);
    const UINT from = utf8 || !Reading(raw, CP_UTF8).empty() ? CP_UTF8 : CP_ACP;
    std::wstring wide = Reading(raw, from, 0);
    // What is no UTF-8 shows as the lost mark, never as U+FFFD, the name of
    // a file that may well be there.
    std::replace(wide.begin(), wide.end(), L'\xFFFD', static_cast<wchar_t>(LostCharacter));
    return Narrow(wide.data(), static_cast<int>(wide.size()));
}

// Text, the name's characters (LostMarks: with the lost mark where the form
// holds another), holds none that Windows keeps out of names, and no part
// that Windows would open as another name.
bool EntryCanExist(std::string_view text, bool lostMarks) {
    for (const char c : text)
        if (ReservedNameCharacters.find(c) != std::string_view::npos &&
            !(lostMarks && c == LostCharacter))
            return false;
    return NameCanExist(text);
}

enum class TFound { Nothing, Something, Unknown };

// What is at Name in the folder Folder, opened there as the open below a
// folder opens a file, but for its attributes alone: a file that others
// hold open, or that may not be read, is there all the same. Something
// leaves the open file in File.
TFound LookUp(HANDLE folder, std::wstring_view name, HANDLE& file) {
    NTSTATUS status;
    file = OpenFrom(folder, name, FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN, 0, status);
    if (file != INVALID_HANDLE_VALUE)
        return TFound::Something;
    return IsNothingThere(LastError) ? TFound::Nothing : TFound::Unknown;
}

// The identity of the open File; false when it cannot be taken.
bool IdentityOf(HANDLE file, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return false;
    identity = {information.dwVolumeSerialNumber, static_cast<uint64_t>(information.nFileIndexHigh)
                                                          << 32 |
                                                      information.nFileIndexLow};
    return true;
}

} // namespace

std::string NameFromList(std::string name, bool utf8) {
    if (std::all_of(name.begin(), name.end(),
                    [](char c) { return c != '\0' && static_cast<unsigned char>(c) < 0x80; }))
        return name;
    // An escaped backslash (EscapedBackslash) is a character of a name
    // made where names hold one, never a separator here.
    if (name.find('\0') != std::string::npos) {
        std::replace(name.begin(), name.end(), '\0', '\\');
        return ShownRaw(name, utf8) + '\0' + NoneCanExist;
    }
    if (!utf8)
        return ShownRaw(name, false) + '\0' + Readings + name;
    const std::wstring wide = Reading(name, CP_UTF8);
    if (wide.empty())
        return ShownRaw(name, true) + '\0' + NotUtf8Form;
    return NameOfWide(wide);
}

std::string ShownName(std::string_view name) {
    return std::string(name.substr(0, name.find('\0')));
}

std::string TrimmedListedName(std::string_view name) {
    const size_t tail = name.find('\0');
    std::string trimmed(WithoutBlanks(name.substr(0, tail)));
    if (tail == std::string_view::npos)
        return trimmed;
    // The list's bytes lose their blanks as the text shown does.
    const std::string_view form = name.substr(tail);
    if (form.size() > 1 && form[1] == Readings)
        return trimmed + std::string(form.substr(0, 2)) +
               std::string(WithoutBlanks(form.substr(2)));
    return trimmed + std::string(form);
}

TListedFile FindListedFile(const std::string& directory, std::string& name, bool probe) {
    const size_t tail = name.find('\0');
    const char form = tail == std::string::npos || tail + 1 == name.size() ? '\0' : name[tail + 1];
    const std::string raw = form == Readings ? name.substr(tail + 2) : ShownName(name);
    auto without = [&](TListedFile result, DWORD error) {
        LastError = error;
        name.resize(std::min(tail, name.size()));
        return result;
    };
    // A name that is no UTF-8 is opened to say so; what cannot exist is told
    // by ASCII characters, the same in every reading.
    if (form == NotUtf8Form)
        return TListedFile::Found;
    if (form == NoneCanExist || !EntryCanExist(raw, form == WideForm))
        return without(TListedFile::CannotExist, CannotExistError);
    if (form != Readings) {
        // The name itself is the one reading; its open says what it cannot
        // open.
        if (!probe)
            return TListedFile::Found;
        std::string path = directory + name;
        std::replace(path.begin() + static_cast<ptrdiff_t>(directory.size()), path.end(), '/',
                     PathSeparator);
        return FileExists(path) ? TListedFile::Found
                                : without(TListedFile::NoFile, ERROR_FILE_NOT_FOUND);
    }
    std::wstring readings[3];
    int count = 0;
    for (const UINT codePage : {CP_UTF8, CP_OEMCP, CP_ACP}) {
        std::wstring reading = Reading(raw, codePage);
        if (!reading.empty() && std::find(readings, readings + count, reading) == readings + count)
            readings[count++] = std::move(reading);
    }
    if (count == 1 && !probe) {
        name = NameOfWide(readings[0]);
        return TListedFile::Found;
    }
    // Each reading is looked up from its folder, reached as the open below a
    // folder reaches it; readings whose folders read alike share the walk.
    TFound found[3];
    HANDLE files[3] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    THeldFolders held{};
    std::wstring_view folders;
    for (int i = 0; i < count; ++i) {
        const std::wstring_view reading = readings[i];
        const size_t cut = reading.find_last_of(L"\\/");
        const std::wstring_view these = reading.substr(0, cut == std::wstring_view::npos ? 0 : cut);
        if (i == 0 || these != folders) {
            held.Release();
            folders = these;
            std::wstring_view last;
            if (!OpenFolderBelow(directory, TWideName(reading), last, held)) {
                found[i] = IsNothingThere(LastError) ? TFound::Nothing : TFound::Unknown;
                continue;
            }
        } else if (held.Count == 0) {
            found[i] = found[i - 1];
            continue;
        }
        found[i] = LookUp(held.Innermost(), reading.substr(cut + 1), files[i]);
    }
    held.Release();
    // Two readings that name one file (in another case, through a link) are
    // that file; any other two are never taken for each other, nor is a
    // file for what cannot be looked at.
    int something = -1, unknown = -1;
    bool differ = false;
    FileIdentity first, other;
    for (int i = 0; i < count; ++i) {
        if (found[i] == TFound::Unknown)
            unknown = unknown < 0 ? i : unknown;
        if (found[i] != TFound::Something)
            continue;
        if (something < 0)
            something = i;
        else
            differ = differ || !IdentityOf(files[something], first) ||
                     !IdentityOf(files[i], other) || first != other;
    }
    for (const HANDLE file : files)
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    if (differ || (something >= 0 && unknown >= 0))
        return without(TListedFile::TwoFiles, TwoFilesError);
    // Only what cannot be looked at: its open says why.
    const int chosen = something >= 0 ? something : unknown;
    if (chosen < 0)
        return without(TListedFile::NoFile, ERROR_FILE_NOT_FOUND);
    name = NameOfWide(readings[chosen]);
    return TListedFile::Found;
}

bool GetFileState(FileHandle file, FileState& state) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(ToHandle(file), &information))
        return Fail();
    state = {static_cast<uint64_t>(information.nFileSizeHigh) << 32 | information.nFileSizeLow,
             static_cast<uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32 |
                 information.ftLastWriteTime.dwLowDateTime,
             0, information.dwVolumeSerialNumber,
             static_cast<uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
    return true;
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t count, uint32_t& bytesRead) {
    bytesRead = 0;
    if (FaultInjected(FileOperation::Read, {}))
        return false;
    DWORD done = 0;
    if (!ReadFile(ToHandle(file), buffer, count, &done, nullptr))
        return Fail();
    bytesRead = done;
    return true;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (FaultInjected(FileOperation::Write, {}))
        return false;
    DWORD done = 0;
    if (!WriteFile(ToHandle(file), data, count, &done, nullptr))
        return Fail();
    bytesWritten = done;
    return true;
}

bool ResolveLinks(const std::string& path, std::string& destination) {
    destination = path;
    const TWideName wide(path);
    const DWORD attributes = wide.Valid ? GetFileAttributesW(wide.Text) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return true;
    const HANDLE file =
        CreateFileW(wide.Text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true; // a link to nothing yet: the list goes where the link is
    wchar_t final[TWideName::Capacity];
    std::wstring_view named = FinalPath(file, final);
    CloseHandle(file);
    if (named.empty())
        return true; // a system without links to files
    // The answer comes as \\?\C:\... or \\?\UNC\server\...
    const bool network =
        named.size() > 8 && std::memcmp(named.data(), L"\\\\?\\UNC\\", 8 * sizeof(wchar_t)) == 0;
    named.remove_prefix(
        network                                                                               ? 8
        : named.size() > 4 && std::memcmp(named.data(), L"\\\\?\\", 4 * sizeof(wchar_t)) == 0 ? 4
                                                                                              : 0);
    const std::string resolved = Narrow(named.data(), static_cast<int>(named.size()));
    if (NameIsLost(resolved)) {
        LastError = LostNameError;
        return false;
    }
    destination = network ? "\\\\" + resolved : resolved;
    return true;
}

namespace {

// CreateTemporaryFile beside Beside, whose folders from Walk on are passed
// through as OpenFileBelow passes them.
FileHandle CreateTemporaryBeside(const std::string& beside, size_t walk, std::string& temporary) {
    temporary = beside;
    const DWORD old = AttributesOf(beside);
    std::wstring_view last;
    HeldForTemporary.Release();
    if (!OpenFolderBelow(std::string_view(beside.data(), walk),
                         TWideName(std::string_view(beside.data() + walk, beside.size() - walk)),
                         last, HeldForTemporary))
        return InvalidFileHandle;
    temporary.resize(temporary.find_last_of("\\/") + 1); // the folder, or nothing
    const size_t folder = temporary.size();
    // Each try takes a new name; one that exists, whoever left it there,
    // only costs a try. FILE_CREATE never opens what is there, a link
    // included, and the file is made in the folder held, whatever its path
    // leads to meanwhile. Shared for deletion so that an interrupt can
    // remove it.
    constexpr int Tries = 100;
    for (int attempt = 0; attempt < Tries; ++attempt) {
        char name[sizeof UniqueNamePattern];
        wchar_t wideName[sizeof UniqueNamePattern];
        UniqueName(name);
        std::copy(std::begin(name), std::end(name), wideName); // ASCII
        temporary.replace(folder, std::string::npos, name);
        const TWideName wide(temporary);
        if (!wide.Valid || FaultInjected(FileOperation::Create, temporary))
            break;
        TPendingLock lock;
        NTSTATUS status;
        const HANDLE file = OpenFrom(
            HeldForTemporary.Innermost(), std::wstring_view(wideName, sizeof name - 1),
            GENERIC_WRITE, FILE_SHARE_DELETE, FILE_CREATE, FILE_NON_DIRECTORY_FILE, status);
        if (file == INVALID_HANDLE_VALUE) {
            if (status == ObjectNameCollision)
                continue;
            break;
        }
        RememberTemporary(temporary, wide);
        if (old != INVALID_FILE_ATTRIBUTES && (old & KeptAttributes) != 0)
            SetFileAttributesW(wide.Text, old & KeptAttributes);
        return reinterpret_cast<FileHandle>(file);
    }
    if (LastError == ERROR_ALREADY_EXISTS)
        LastError = ERROR_FILE_EXISTS;
    HeldForTemporary.Release();
    return InvalidFileHandle;
}

} // namespace

FileHandle CreateTemporaryFileBelow(const std::string& directory, const std::string& relative,
                                    std::string& temporary) {
    return CreateTemporaryBeside(directory + relative, directory.size(), temporary);
}

FileHandle CreateTemporaryFile(const std::string& beside, std::string& temporary) {
    // The folder of the list is the user's to choose, a link or not.
    return CreateTemporaryBeside(beside, beside.find_last_of("\\/") + 1, temporary);
}

bool FlushFile(FileHandle file) {
    if (FaultInjected(FileOperation::Flush, {}))
        return false;
    return FlushFileBuffers(ToHandle(file)) != 0 || Fail();
}

void CloseFile(FileHandle file) {
    if (file != InvalidFileHandle)
        CloseHandle(ToHandle(file));
}

bool RemoveFile(const std::string& path) {
    if (FaultInjected(FileOperation::Remove, path))
        return false;
    const TWideName wide(path);
    TPendingLock lock;
    const bool removed = wide.Valid && (DeleteFileW(wide.Text) || Fail());
    if (removed)
        ForgetTemporary(path);
    HeldForTemporary.Release();
    return removed;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    if (FaultInjected(FileOperation::Rename, to))
        return false;
    const TWideName wideFrom(from), wideTo(to);
    TPendingLock lock;
    // Written through: the move is on the disk when the call returns.
    const bool moved = wideFrom.Valid && wideTo.Valid &&
                       (MoveFileExW(wideFrom.Text, wideTo.Text,
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                        Fail());
    if (moved)
        ForgetTemporary(from);
    HeldForTemporary.Release();
    return moved;
}

void FlushFolder(const std::string&) {
    // ReplaceFile writes the move through.
}

bool GetFileIdentity(const std::string& path, FileIdentity& identity) {
    if (IsDeviceName(path)) {
        LastError = DeviceNameError;
        return false;
    }
    const TWideName wide(path);
    if (!wide.Valid)
        return false;
    const HANDLE file =
        CreateFileW(wide.Text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail();
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    if (!known)
        Fail();
    CloseHandle(file);
    if (known)
        identity = {information.dwVolumeSerialNumber,
                    static_cast<uint64_t>(information.nFileIndexHigh) << 32 |
                        information.nFileIndexLow};
    return known;
}

bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    const TWideName pattern(WithTrailingSeparator(directory) + "*");
    if (!pattern.Valid)
        return false;
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(pattern.Text, &data);
    if (search == INVALID_HANDLE_VALUE)
        return Fail();
    do {
        if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0)
            continue;
        const uint64_t size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back({Narrow(data.cFileName, static_cast<int>(wcslen(data.cFileName))), folder,
                           size, (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                           !folder && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0});
    } while (FindNextFileW(search, &data));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    if (!complete)
        Fail();
    FindClose(search);
    return complete;
}

bool IsSymbolicLink(const std::string& path) {
    std::string name = path;
    while (name.size() > 3 && (name.back() == '\\' || name.back() == '/'))
        name.pop_back();
    const DWORD attributes = AttributesOf(name);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string FileNameKey(std::string_view name) {
    // The invariant upper case is the file system's. Names of a list or a
    // panel fit the buffer; a longer one, or one no code page holds, stands
    // as it is.
    const TWideName wide(name);
    wchar_t upper[TWideName::Capacity];
    if (!wide.Valid || LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.Text, wide.Length,
                                    upper, TWideName::Capacity) != wide.Length)
        return std::string(name);
    return std::string(reinterpret_cast<const char*>(upper),
                       static_cast<size_t>(wide.Length) * sizeof(wchar_t));
}

std::string LastErrorText() {
    static const char* const OurCauses[] = {
        "a device name, not a file",
        "not a regular file (a device)",
        "not a regular file (a pipe)",
        "not a regular file",
        "a folder on its path is a link, which is not followed",
        "its path leaves the folder (\"..\")",
        "its path is longer than the 259 characters Windows opens",
        "the name cannot be written in this code page",
        "cannot exist on this system",
        "the name is not valid UTF-8",
        "the name reads as two different files",
    };
    static_assert(MaxPathLength == 259, "the text names the bound");
    static_assert(std::size(OurCauses) == TwoFilesError - DeviceNameError + 1);
    if (LastError >= DeviceNameError && LastError <= TwoFilesError)
        return OurCauses[LastError - DeviceNameError];
    // In the code page of the names, as the names they go with.
    wchar_t text[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, LastError, 0, text, 512, nullptr);
    std::string result = Narrow(text, static_cast<int>(length));
    // System messages end in ".\r\n"; ours go on one line.
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
        result.pop_back();
    return result.empty() ? "error " + std::to_string(LastError) : result;
}

void SetFileFaultHook(FileFaultHook hook, void* context) {
    FaultHook = hook;
    FaultContext = context;
}

} // namespace Platform
