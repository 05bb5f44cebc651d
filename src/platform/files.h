// The file operations the engine needs, and nothing more: the only place that
// knows whether it runs on Windows or POSIX. Failures are results (false or
// an invalid handle), never exceptions.
//
// Windows: names are ANSI-code-page texts, the separator is the backslash, and
// a name is absolute when it starts with a drive letter, colon and backslash
// ("X:\...") or with two backslashes ("\\server\..."), at least 4 characters.
// POSIX: the separator is '/' and an absolute name starts with '/'.
#pragma once

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

// The absolute-name rule of the checker's ExpandName.
bool IsAbsolutePath(std::string_view name);
// Directory with PathSeparator appended when it does not already end in one.
std::string WithTrailingSeparator(std::string directory);

using FileHandle = intptr_t;
constexpr FileHandle InvalidFileHandle = -1;

// True when the path names something that exists and is not a directory.
bool FileExists(const std::string& path);

// Opens an existing file for reading; others may read it meanwhile but not
// write it; sequential-scan hint.
FileHandle OpenFileForReading(const std::string& path);
bool GetFileSize64(FileHandle file, uint64_t& size);
// Reads up to Count bytes; BytesRead 0 at the end of the file. False on error.
bool ReadFromFile(FileHandle file, void* buffer, uint32_t count, uint32_t& bytesRead);

// Creates the file for writing, replacing any file of that name; no other
// opener is allowed while it is open.
FileHandle CreateFileForWriting(const std::string& path);
bool WriteToFile(FileHandle file, const void* data, uint32_t count, uint32_t& bytesWritten);

void CloseFile(FileHandle file);
bool RemoveFile(const std::string& path);
// Renames From to To, replacing an existing To in one step.
bool ReplaceFile(const std::string& from, const std::string& to);

struct DirectoryEntry {
    std::string Name;
    bool IsDirectory = false;
    uint64_t Size = 0;
};
// The entries of a directory except "." and "..", in no particular order.
bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries);

// The system's words for why the last failed call above (on this thread)
// failed, for messages that name the cause.
std::string LastErrorText();

// --- Fault seam --------------------------------------------------------------
// Tests make a chosen call fail for real: the hook runs before every operation
// below and returns true to make that call fail without doing anything. Path
// is the file's path where the call names one (for Rename the target), else
// empty.
enum class FileOperation { Open, Read, Create, Write, Rename, Remove };
using FileFaultHook = bool (*)(FileOperation operation, const std::string& path, void* context);
void SetFileFaultHook(FileFaultHook hook, void* context);

} // namespace Platform
