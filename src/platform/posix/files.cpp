// POSIX substitute of the Windows file services: the engine sees the same
// behaviour on both, down to "a directory is not a file".
#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

FileFaultHook FaultHook = nullptr;
void* FaultContext = nullptr;
thread_local int LastError = 0;

// Runs the test hook; a call it fails looks like an I/O error to the caller.
bool FaultInjected(FileOperation operation, const std::string& path) {
    if (FaultHook == nullptr || !FaultHook(operation, path, FaultContext))
        return false;
    LastError = EIO;
    return true;
}

bool Fail() {
    LastError = errno;
    return false;
}

int ToDescriptor(FileHandle file) {
    return static_cast<int>(file);
}

// The POSIX stand-in for Windows share locks. On Windows another program can
// hold a file open with share mode 0, and every open of ours then fails;
// POSIX has no such lock (and root reads any file whatever its permissions).
// The files named in this variable, one path a line, therefore fail to open
// for reading as if another program held them. The substitute host sets it to
// play the read-error prompt; nothing else does.
constexpr const char* LockedFilesVariable = "HASHKEEP_LOCKED_FILES";

bool HeldByAnotherProgram(const std::string& path) {
    const char* list = std::getenv(LockedFilesVariable);
    if (list == nullptr || *list == '\0')
        return false;
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return false;
    // The same file however its path is written: compared by identity.
    char entry[PATH_MAX];
    while (*list != '\0') {
        const char* end = std::strchr(list, '\n');
        const size_t length = end != nullptr ? static_cast<size_t>(end - list) : std::strlen(list);
        if (length > 0 && length < sizeof entry) {
            std::memcpy(entry, list, length);
            entry[length] = '\0';
            struct stat held {};
            if (::stat(entry, &held) == 0 && held.st_dev == target.st_dev &&
                held.st_ino == target.st_ino)
                return true;
        }
        list += length + (end != nullptr ? 1 : 0);
    }
    return false;
}

} // namespace

bool IsAbsolutePath(std::string_view name) {
    return !name.empty() && name.front() == '/';
}

std::string WithTrailingSeparator(std::string directory) {
    if (directory.empty() || directory.back() != PathSeparator)
        directory += PathSeparator;
    return directory;
}

bool FileExists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

FileHandle OpenFileForReading(const std::string& path) {
    if (FaultInjected(FileOperation::Open, path))
        return InvalidFileHandle;
    if (HeldByAnotherProgram(path)) {
        LastError = EBUSY;
        return InvalidFileHandle;
    }
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        Fail();
        return InvalidFileHandle;
    }
    // Windows will not open a directory as a file; neither do we.
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        LastError = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(descriptor);
        return InvalidFileHandle;
    }
    ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    return descriptor;
}

bool GetFileSize64(FileHandle file, uint64_t& size) {
    struct stat status {};
    if (file == InvalidFileHandle || ::fstat(ToDescriptor(file), &status) != 0)
        return Fail();
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t count, uint32_t& bytesRead) {
    bytesRead = 0;
    if (FaultInjected(FileOperation::Read, {}))
        return false;
    for (;;) {
        const ssize_t result = ::read(ToDescriptor(file), buffer, count);
        if (result >= 0) {
            bytesRead = static_cast<uint32_t>(result);
            return true;
        }
        if (errno != EINTR)
            return Fail();
    }
}

FileHandle CreateFileForWriting(const std::string& path) {
    if (FaultInjected(FileOperation::Create, path))
        return InvalidFileHandle;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        Fail();
        return InvalidFileHandle;
    }
    return descriptor;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (FaultInjected(FileOperation::Write, {}))
        return false;
    // One call on Windows writes everything to a disk file; write(2) may stop
    // short, so go on until it has.
    const auto* bytes = static_cast<const char*>(data);
    while (bytesWritten < count) {
        const ssize_t result =
            ::write(ToDescriptor(file), bytes + bytesWritten, count - bytesWritten);
        if (result < 0) {
            if (errno == EINTR)
                continue;
            return Fail();
        }
        if (result == 0) {
            LastError = ENOSPC;
            return false;
        }
        bytesWritten += static_cast<uint32_t>(result);
    }
    return true;
}

void CloseFile(FileHandle file) {
    if (file != InvalidFileHandle)
        ::close(ToDescriptor(file));
}

bool RemoveFile(const std::string& path) {
    if (FaultInjected(FileOperation::Remove, path))
        return false;
    return ::unlink(path.c_str()) == 0 || Fail();
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    if (FaultInjected(FileOperation::Rename, to))
        return false;
    return ::rename(from.c_str(), to.c_str()) == 0 || Fail();
}

bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    DIR* stream = ::opendir(directory.c_str());
    if (stream == nullptr)
        return Fail();
    const int descriptor = ::dirfd(stream);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (entry == nullptr)
            break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status {};
        // An entry that vanished since readdir saw it is simply not listed.
        if (::fstatat(descriptor, entry->d_name, &status, 0) != 0)
            continue;
        entries.push_back({name, S_ISDIR(status.st_mode), static_cast<uint64_t>(status.st_size)});
    }
    const bool complete = errno == 0;
    if (!complete)
        Fail();
    ::closedir(stream);
    return complete;
}

std::string LastErrorText() {
    return LastError == 0 ? std::string("unknown error") : std::string(std::strerror(LastError));
}

void SetFileFaultHook(FileFaultHook hook, void* context) {
    FaultHook = hook;
    FaultContext = context;
}

} // namespace Platform
