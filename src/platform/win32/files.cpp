// The Windows file services the engine needs, with ANSI names as the host's
// panels hand them over.
#include "platform/files.h"

#include <windows.h>

#include <cstring>

// <windows.h> maps ReplaceFile to ReplaceFileA; ours is Platform::ReplaceFile.
#undef ReplaceFile

namespace Platform {

namespace {

FileFaultHook FaultHook = nullptr;
void* FaultContext = nullptr;
thread_local DWORD LastError = 0;

// Runs the test hook; a call it fails looks like an I/O error to the caller.
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

// Causes of our own, in the range Windows leaves to applications (bit 29).
constexpr DWORD DeviceNameError = 0x20000001;
constexpr DWORD NotRegularDeviceError = 0x20000002;
constexpr DWORD NotRegularPipeError = 0x20000003;
constexpr DWORD NotRegularOtherError = 0x20000004;
constexpr DWORD ThroughFolderLinkError = 0x20000005;
constexpr DWORD LeavesFolderError = 0x20000006;
constexpr DWORD PathTooLongError = 0x20000007;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// --- The temporary file an interrupt removes ------------------------------------
// The console control handler runs on a thread of its own; the lock keeps it
// from removing a temporary file that is just becoming the list.

char PendingTemporary[MAX_PATH * 4];
bool HavePendingTemporary = false;
bool InterruptsHandled = false;
CRITICAL_SECTION PendingLock;

class TPendingLock {
public:
    TPendingLock() : Active_(InterruptsHandled) {
        if (Active_)
            EnterCriticalSection(&PendingLock);
    }
    ~TPendingLock() {
        if (Active_)
            LeaveCriticalSection(&PendingLock);
    }
    TPendingLock(const TPendingLock&) = delete;
    TPendingLock& operator=(const TPendingLock&) = delete;

private:
    const bool Active_;
};

void RememberTemporary(const std::string& path) {
    HavePendingTemporary = path.size() < sizeof PendingTemporary;
    if (HavePendingTemporary)
        std::memcpy(PendingTemporary, path.c_str(), path.size() + 1);
}

void ForgetTemporary(const std::string& path) {
    if (HavePendingTemporary && path == PendingTemporary)
        HavePendingTemporary = false;
}

BOOL WINAPI RemoveTemporaryAndEnd(DWORD) {
    TPendingLock lock;
    // The file is open for writing on the main thread, shared for deletion:
    // it goes when the process ends and closes it.
    if (HavePendingTemporary)
        DeleteFileA(PendingTemporary);
    HavePendingTemporary = false;
    return FALSE; // and the default handling ends the process
}

// Twelve hexadecimal digits that differ from process to process and from
// call to call; CREATE_NEW, not this, is what makes the name exclusive.
std::string UniqueText() {
    static volatile LONG calls = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint64_t x = static_cast<uint64_t>(GetCurrentProcessId()) << 40 ^
                 static_cast<uint64_t>(now.QuadPart) ^
                 static_cast<uint64_t>(InterlockedIncrement(&calls)) * 0x9E3779B97F4A7C15u;
    // splitmix64's finaliser spreads every input bit over the whole value.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    x ^= x >> 31;
    std::string text(12, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit, x >>= 4)
        *digit = "0123456789abcdef"[x & 0xF];
    return text;
}

// The attributes a rewritten list keeps; read-only is not among them: a
// read-only list is not replaced at all (the rename is refused).
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

HANDLE ToHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileHandle FromHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        Fail();
        return InvalidFileHandle;
    }
    return reinterpret_cast<FileHandle>(handle);
}

} // namespace

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

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

bool IsDeviceName(std::string_view path) {
    const size_t part = path.find_last_of("\\/:");
    std::string_view name = part == std::string_view::npos ? path : path.substr(part + 1);
    // Windows takes "nul.txt", "NUL " and "nul..md5" for NUL as well.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    std::string upper(name);
    for (char& c : upper)
        c = UpperAscii(c);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (upper == device)
            return true;
    // COM1 to COM9 and LPT1 to LPT9; the code page's superscript digits
    // 1, 2 and 3 count as digits too.
    if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0))
        return false;
    const char digit = upper[3];
    return (digit >= '1' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

bool FileExists(const std::string& path) {
    // A device name is there in every directory. It counts as existing so
    // that whoever asks for it hears that it is not a file, not "missing".
    if (IsDeviceName(path))
        return true;
    // A directory search would take '*' and '?' as a pattern and find some
    // other file; no file's name holds them.
    if (path.find_first_of("*?") != std::string::npos)
        return false;
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return Fail();
    FindClose(search);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

// Whether the last failed open on this thread found no file at all.
thread_local bool FoundNoFile = false;

// Errors that say nothing of that name is there, as opposed to something
// that is there but cannot be reached or opened.
bool IsNothingThere(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}

// The ANSI calls refuse a longer path as if it were not there; it is there,
// and too long to be opened.
bool TooLong(const std::string& path) {
    if (path.size() <= static_cast<size_t>(MaxPathLength))
        return false;
    LastError = PathTooLongError;
    return true;
}

FileHandle OpenExisting(const std::string& path, FileState* state) {
    FoundNoFile = false;
    // Opening a device name would reach the device: NUL reads as empty,
    // CON waits for the keyboard, COM1 for a modem.
    if (IsDeviceName(path)) {
        LastError = DeviceNameError;
        return InvalidFileHandle;
    }
    if (TooLong(path))
        return InvalidFileHandle;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail();
        // A directory refuses to be opened as a file with "access denied".
        FoundNoFile =
            IsNothingThere(LastError) || (LastError == ERROR_ACCESS_DENIED && IsFolder(path));
        return InvalidFileHandle;
    }
    // A path such as \\.\pipe\name opens something other than a disk file.
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

} // namespace

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
    if (IsDeviceName(path) || TooLong(path))
        return false;
    if (path.find_first_of("*?") != std::string::npos)
        return true;
    const DWORD attributes = GetFileAttributesA(path.c_str());
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
    // Each folder on the way is tested before the path is opened; the ANSI
    // calls offer no way to open a file from a folder handle.
    size_t start = 0;
    for (size_t end;; start = end + 1) {
        end = relative.find_first_of("\\/", start);
        const std::string part = relative.substr(start, end - start);
        if (part == "..") {
            LastError = LeavesFolderError;
            return InvalidFileHandle;
        }
        if (end == std::string::npos)
            break;
        const DWORD attributes = GetFileAttributesA(path.substr(0, directory.size() + end).c_str());
        if (!part.empty() && part != "." && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            LastError = ThroughFolderLinkError;
            return InvalidFileHandle;
        }
    }
    const FileHandle file = OpenExisting(path, state);
    // Gone between the lookup and the open, it was there: a read error.
    FoundNoFile = FoundNoFile && !found;
    return file;
}

bool GetFileSizeByName(const std::string& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (IsDeviceName(path) || path.find_first_of("*?") != std::string::npos) {
        LastError = ERROR_FILE_NOT_FOUND;
        return false;
    }
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return Fail();
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        LastError = ERROR_DIRECTORY;
        return false;
    }
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool GetFileState(FileHandle file, FileState& state) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(ToHandle(file), &information))
        return Fail();
    state = {static_cast<uint64_t>(information.nFileSizeHigh) << 32 | information.nFileSizeLow,
             static_cast<uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32 |
                 information.ftLastWriteTime.dwLowDateTime,
             0};
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

FileHandle CreateFileForWriting(const std::string& path) {
    if (FaultInjected(FileOperation::Create, path))
        return InvalidFileHandle;
    return FromHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
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
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return true;
    // Windows Vista and later name the file at the end of the links; older
    // systems have no file links, and the loader must not need the call.
    using TFinalPathName = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto finalPathName = kernel == nullptr
                                   ? nullptr
                                   : reinterpret_cast<TFinalPathName>(reinterpret_cast<void (*)()>(
                                         GetProcAddress(kernel, "GetFinalPathNameByHandleA")));
    if (finalPathName == nullptr)
        return true;
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true; // a link to nothing yet: the list goes where the link is
    char final[MAX_PATH * 4];
    const DWORD length = finalPathName(file, final, sizeof final, 0);
    CloseHandle(file);
    if (length == 0 || length >= sizeof final)
        return Fail();
    std::string resolved(final, length);
    // The answer comes as \\?\C:\... or \\?\UNC\server\...
    if (resolved.rfind("\\\\?\\UNC\\", 0) == 0)
        resolved = "\\\\" + resolved.substr(8);
    else if (resolved.rfind("\\\\?\\", 0) == 0)
        resolved = resolved.substr(4);
    destination = resolved;
    return true;
}

FileHandle CreateTemporaryFile(const std::string& beside, std::string& temporary) {
    const size_t part = beside.find_last_of("\\/");
    const std::string directory = part == std::string::npos ? "" : beside.substr(0, part + 1);
    const DWORD old = GetFileAttributesA(beside.c_str());
    // Each try takes a new name; one that exists, whoever left it there,
    // only costs a try. CREATE_NEW never opens what is there, a link
    // included. Shared for deletion so that an interrupt can remove it.
    constexpr int Tries = 100;
    for (int attempt = 0; attempt < Tries; ++attempt) {
        temporary = directory + "~hashkeep-" + UniqueText() + ".tmp";
        if (FaultInjected(FileOperation::Create, temporary))
            return InvalidFileHandle;
        TPendingLock lock;
        const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            Fail();
            return InvalidFileHandle;
        }
        RememberTemporary(temporary);
        if (old != INVALID_FILE_ATTRIBUTES && (old & KeptAttributes) != 0)
            SetFileAttributesA(temporary.c_str(), old & KeptAttributes);
        return reinterpret_cast<FileHandle>(file);
    }
    LastError = ERROR_FILE_EXISTS;
    return InvalidFileHandle;
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
    TPendingLock lock;
    if (!DeleteFileA(path.c_str()))
        return Fail();
    ForgetTemporary(path);
    return true;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    if (FaultInjected(FileOperation::Rename, to))
        return false;
    TPendingLock lock;
    // Written through: the move is on the disk when the call returns.
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Fail();
    ForgetTemporary(from);
    return true;
}

void FlushFolder(const std::string&) {
    // ReplaceFile writes the move through.
}

void RemoveTemporaryFileOnInterrupt() {
    if (InterruptsHandled)
        return;
    InitializeCriticalSection(&PendingLock);
    InterruptsHandled = true;
    SetConsoleCtrlHandler(RemoveTemporaryAndEnd, TRUE);
}

bool GetFileIdentity(const std::string& path, FileIdentity& identity) {
    if (IsDeviceName(path)) {
        LastError = DeviceNameError;
        return false;
    }
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA((WithTrailingSeparator(directory) + "*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return Fail();
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        const uint64_t size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back({name, folder, size,
                           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                           !folder && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0});
    } while (FindNextFileA(search, &data));
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
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string FileNameKey(std::string_view name) {
    // The names are in the code page the file calls take them in (FAR
    // switches those to OEM); the invariant upper case is the file system's.
    // Names of a list or a panel fit the buffers; a longer one, or one no
    // code page holds, stands as it is.
    wchar_t text[2 * MAX_PATH], upper[2 * MAX_PATH];
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int length = static_cast<int>(name.size());
    const int wide = length < MAX_PATH * 2
                         ? MultiByteToWideChar(codePage, 0, name.data(), length, text, MAX_PATH * 2)
                         : 0;
    if (wide <= 0 ||
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text, wide, upper, MAX_PATH * 2) != wide)
        return std::string(name);
    return std::string(reinterpret_cast<const char*>(upper),
                       static_cast<size_t>(wide) * sizeof(wchar_t));
}

std::string LastErrorText() {
    switch (LastError) {
    case ThroughFolderLinkError:
        return "a folder on its path is a link, which is not followed";
    case LeavesFolderError:
        return "its path leaves the folder (\"..\")";
    case DeviceNameError:
        return "a device name, not a file";
    case PathTooLongError:
        static_assert(MaxPathLength == 259, "the text names the bound");
        return "its path is longer than the 259 characters Windows opens";
    case NotRegularDeviceError:
        return "not a regular file (a device)";
    case NotRegularPipeError:
        return "not a regular file (a pipe)";
    case NotRegularOtherError:
        return "not a regular file";
    default:
        break;
    }
    char text[512];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, LastError, 0, text, sizeof text, nullptr);
    std::string result(text, length);
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
