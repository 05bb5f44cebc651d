// The file services only programs use, in a file of their own so that the
// plug-in, which never calls them, does not carry them.
#include "files_internal.h"

#include <cstdlib>

// The C runtime's own reading of the wide-character command line, by the
// rules argv follows.
extern "C" int __wgetmainargs(int* count, wchar_t*** arguments, wchar_t*** environment,
                              int expandWildcards, int* startInfo);

namespace Platform {

using namespace FilesDetail;

namespace {

UINT PreviousConsoleOutput = 0;

void RestoreConsoleOutput() {
    SetConsoleOutputCP(PreviousConsoleOutput);
}

BOOL WINAPI RemoveTemporaryAndEnd(DWORD) {
    TPendingLock lock;
    // The file is open for writing on the main thread, shared for deletion:
    // it goes when the process ends and closes it.
    if (HavePendingTemporary)
        DeleteFileW(PendingTemporary);
    HavePendingTemporary = false;
    return FALSE; // and the default handling ends the process
}

} // namespace

std::vector<std::string> UseUtf8Names(int argc, char** argv) {
    Utf8Names = true;
    // The console keeps its code page after the program: it gets its own back.
    PreviousConsoleOutput = GetConsoleOutputCP();
    if (PreviousConsoleOutput != 0 && PreviousConsoleOutput != CP_UTF8 &&
        SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreConsoleOutput);
    int count = 0, startInfo = 0;
    wchar_t** arguments = nullptr;
    wchar_t** environment = nullptr;
    if (__wgetmainargs(&count, &arguments, &environment, 0, &startInfo) < 0 || arguments == nullptr)
        return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> result;
    // An unpaired surrogate, which no UTF-8 holds, is the lost mark: the
    // name is one no call opens, never another with U+FFFD in its place.
    for (int i = 1; i < count; ++i)
        result.push_back(Narrow(arguments[i], static_cast<int>(wcslen(arguments[i])), CP_UTF8));
    return result;
}

TPathKind GetPathKind(const std::string& path) {
    if (IsDeviceName(path))
        return TPathKind::Other;
    const TWideName wide(path);
    const DWORD attributes = wide.Valid ? GetFileAttributesW(wide.Text) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TPathKind::Folder : TPathKind::Other;
    if (wide.Valid)
        Fail();
    return LastError == ERROR_FILE_NOT_FOUND || LastError == ERROR_PATH_NOT_FOUND ||
                   LastError == ERROR_INVALID_NAME
               ? TPathKind::Nothing
               : TPathKind::Unknown;
}

bool CreateFolder(const std::string& path) {
    const TWideName wide(path);
    return wide.Valid && (CreateDirectoryW(wide.Text, nullptr) || Fail());
}

bool GetFileSizeByName(const std::string& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (IsDeviceName(path) || path.find('*') != std::string::npos) {
        LastError = ERROR_FILE_NOT_FOUND;
        return false;
    }
    const TWideName wide(path);
    if (!wide.Valid)
        return false;
    if (!GetFileAttributesExW(wide.Text, GetFileExInfoStandard, &data))
        return Fail();
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        LastError = ERROR_DIRECTORY;
        return false;
    }
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

FileHandle CreateFileForWriting(const std::string& path) {
    if (FaultInjected(FileOperation::Create, path))
        return InvalidFileHandle;
    const TWideName wide(path);
    if (!wide.Valid)
        return InvalidFileHandle;
    const HANDLE file = CreateFileW(wide.Text, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail();
        return InvalidFileHandle;
    }
    return reinterpret_cast<FileHandle>(file);
}

void RemoveTemporaryFileOnInterrupt() {
    if (InterruptsHandled)
        return;
    InitializeCriticalSection(&PendingLock);
    InterruptsHandled = true;
    SetConsoleCtrlHandler(RemoveTemporaryAndEnd, TRUE);
}

} // namespace Platform
