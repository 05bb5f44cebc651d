// The Windows file services the engine needs, with ANSI names as the host's
// panels hand them over.
#include "platform/files.h"

#include <windows.h>

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

bool FileExists(const std::string& path) {
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

FileHandle OpenFileForReading(const std::string& path) {
    if (FaultInjected(FileOperation::Open, path))
        return InvalidFileHandle;
    return FromHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool GetFileSize64(FileHandle file, uint64_t& size) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(ToHandle(file), &value))
        return Fail();
    size = static_cast<uint64_t>(value.QuadPart);
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

void CloseFile(FileHandle file) {
    if (file != InvalidFileHandle)
        CloseHandle(ToHandle(file));
}

bool RemoveFile(const std::string& path) {
    if (FaultInjected(FileOperation::Remove, path))
        return false;
    return DeleteFileA(path.c_str()) || Fail();
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    if (FaultInjected(FileOperation::Rename, to))
        return false;
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) || Fail();
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
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, size});
    } while (FindNextFileA(search, &data));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    if (!complete)
        Fail();
    FindClose(search);
    return complete;
}

std::string LastErrorText() {
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
