// POSIX substitute of the Windows file services: the engine sees the same
// behaviour on both, down to "a directory is not a file".
#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <pthread.h>
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

// Causes of our own beside the system's errno values (which are positive).
enum : int {
    NotRegularFifo = -1,
    NotRegularCharacterDevice = -2,
    NotRegularBlockDevice = -3,
    NotRegularSocket = -4,
    NotRegularOther = -5,
    ThroughFolderLink = -6,
    LeavesFolder = -7,
};

// True for a regular file; otherwise LastError says what the file is.
bool IsRegularFile(const struct stat& status) {
    if (S_ISREG(status.st_mode))
        return true;
    if (S_ISDIR(status.st_mode))
        LastError = EISDIR; // Windows will not open a directory as a file either
    else if (S_ISFIFO(status.st_mode))
        LastError = NotRegularFifo;
    else if (S_ISCHR(status.st_mode))
        LastError = NotRegularCharacterDevice;
    else if (S_ISBLK(status.st_mode))
        LastError = NotRegularBlockDevice;
    else if (S_ISSOCK(status.st_mode))
        LastError = NotRegularSocket;
    else
        LastError = NotRegularOther;
    return false;
}

// --- The temporary file an interrupt removes ------------------------------------
// A signal handler may only touch plain memory and call async-signal-safe
// functions: it reads the name from a fixed buffer and calls unlink.

char PendingTemporary[PATH_MAX];
volatile sig_atomic_t HavePendingTemporary = 0;
std::atomic<bool> InterruptsHandled{false};
constexpr int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTemporaryAndEnd(int signal) {
    if (HavePendingTemporary != 0)
        ::unlink(PendingTemporary);
    ::signal(signal, SIG_DFL);
    ::raise(signal); // delivered, with its default action, once the handler returns
}

// Holds the interrupts back while a temporary file is created or taken away,
// so the handler never sees a file that exists but is not yet remembered, or
// one remembered that has already become the list.
class TInterruptsHeld {
public:
    TInterruptsHeld() : Active_(InterruptsHandled.load()) {
        if (!Active_)
            return;
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : InterruptSignals)
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &Previous_);
    }
    ~TInterruptsHeld() {
        if (Active_)
            pthread_sigmask(SIG_SETMASK, &Previous_, nullptr);
    }
    TInterruptsHeld(const TInterruptsHeld&) = delete;
    TInterruptsHeld& operator=(const TInterruptsHeld&) = delete;

private:
    const bool Active_;
    sigset_t Previous_{};
};

void RememberTemporary(const std::string& path) {
    HavePendingTemporary = 0;
    if (path.size() >= sizeof PendingTemporary)
        return;
    std::memcpy(PendingTemporary, path.c_str(), path.size() + 1);
    HavePendingTemporary = 1;
}

void ForgetTemporary(const std::string& path) {
    if (HavePendingTemporary != 0 && path == PendingTemporary)
        HavePendingTemporary = 0;
}

// Twelve hexadecimal digits that differ from process to process and from
// call to call; O_EXCL, not this, is what makes the name exclusive.
std::string UniqueText() {
    static std::atomic<uint64_t> calls{0};
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t x = static_cast<uint64_t>(::getpid()) << 40 ^
                 static_cast<uint64_t>(now.tv_sec) * 1000000000u ^
                 static_cast<uint64_t>(now.tv_nsec) ^ ++calls * 0x9E3779B97F4A7C15u;
    // splitmix64's finaliser spreads every input bit over the whole value.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    x ^= x >> 31;
    char text[16];
    std::snprintf(text, sizeof text, "%012llx",
                  static_cast<unsigned long long>(x & 0xFFFFFFFFFFFFu));
    return text;
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

bool GetFileSizeByName(const std::string& path, uint64_t& size) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return Fail();
    if (S_ISDIR(status.st_mode)) {
        LastError = EISDIR;
        return false;
    }
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool IsDeviceName(std::string_view) {
    return false;
}

bool NameIsLost(std::string_view) {
    return false;
}

std::string NameFromList(std::string name, bool) {
    return name;
}

std::string ShownName(std::string_view name) {
    return std::string(name);
}

std::string TrimmedListedName(std::string_view name) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!name.empty() && blank(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && blank(name.back()))
        name.remove_suffix(1);
    return std::string(name);
}

TListedFile FindListedFile(const std::string& directory, std::string& name, bool probe) {
    return !probe || FileExists(directory + name) ? TListedFile::Found : TListedFile::NoFile;
}

std::vector<std::string> UseUtf8Names(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

namespace {

// Whether the last failed open on this thread found no file at all.
thread_local bool FoundNoFile = false;

// Errors that say nothing is there, as opposed to something that is there
// but cannot be reached or opened (EACCES, ELOOP, ENAMETOOLONG, EIO...).
bool IsNothingThere(int error) {
    return error == ENOENT || error == ENOTDIR;
}

FileState StateOf(const struct stat& status) {
    auto nanoseconds = [](const timespec& time) {
        return static_cast<uint64_t>(time.tv_sec) * 1000000000u +
               static_cast<uint64_t>(time.tv_nsec);
    };
#ifdef __APPLE__
    return {static_cast<uint64_t>(status.st_size), nanoseconds(status.st_mtimespec),
            nanoseconds(status.st_ctimespec), static_cast<uint64_t>(status.st_dev),
            static_cast<uint64_t>(status.st_ino)};
#else
    return {static_cast<uint64_t>(status.st_size), nanoseconds(status.st_mtim),
            nanoseconds(status.st_ctim), static_cast<uint64_t>(status.st_dev),
            static_cast<uint64_t>(status.st_ino)};
#endif
}

// Files larger than this are read in several pieces, and only then does the
// sequential-scan hint pay for its call: a small file is one read.
constexpr off_t SequentialHintFrom = off_t{1} << 20;

// Opens Name, taken from the folder Folder (AT_FDCWD: as a path), as
// OpenFileForReading promises; Path is the whole path, for the locks and the
// seam. One lookup, one open, one fstat, nothing more for a small file.
// Below a folder the seam is asked only once the lookup found the file: a
// missing entry stays missing whatever the seam fails.
FileHandle OpenRegularAt(int folder, const char* name, const std::string& path, FileState* state) {
    if (folder == AT_FDCWD && FaultInjected(FileOperation::Open, path))
        return InvalidFileHandle;
    // Opening a device can have effects of its own (a tape rewinds, a
    // terminal becomes ours), so what is no regular file is not opened.
    struct stat status {};
    if (::fstatat(folder, name, &status, 0) != 0) {
        // A name too long for a folder's entry names nothing there; a path
        // too long names what may well be there.
        FoundNoFile = IsNothingThere(errno) || (errno == ENAMETOOLONG && folder != AT_FDCWD);
        Fail();
        return InvalidFileHandle;
    }
    if (!IsRegularFile(status)) {
        FoundNoFile = S_ISDIR(status.st_mode); // a directory is no file, as on Windows
        return InvalidFileHandle;
    }
    if (folder != AT_FDCWD && FaultInjected(FileOperation::Open, path))
        return InvalidFileHandle;
    if (HeldByAnotherProgram(path)) {
        LastError = EBUSY;
        return InvalidFileHandle;
    }
    // Without O_NONBLOCK, a FIFO put in the file's place meanwhile would hold
    // the open until some writer came; with it the open returns at once, and
    // the type is checked again on what was really opened. On a regular file
    // the flag changes nothing, so it stays.
    const int descriptor = ::openat(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) { // gone between the lookup and the open, it was there: a read error
        Fail();
        return InvalidFileHandle;
    }
    if (::fstat(descriptor, &status) != 0 || !IsRegularFile(status)) {
        if (S_ISREG(status.st_mode))
            Fail();
        ::close(descriptor);
        return InvalidFileHandle;
    }
    if (status.st_size > SequentialHintFrom)
        ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (state != nullptr)
        *state = StateOf(status);
    return descriptor;
}

// True when Name in the folder Folder is a symbolic link.
bool IsLinkIn(int folder, const std::string& name) {
    const int cause = errno;
    struct stat status {};
    const bool link = ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISLNK(status.st_mode);
    errno = cause;
    return link;
}

// A folder opened only to open what is in it: O_PATH needs no read
// permission, so a folder one may search but not list serves, as it does
// for a path.
#if defined(O_PATH)
constexpr int FolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// Opens Directory, then each folder of Folders ('/' between them) from the
// one before it and never through a link, so that what is opened lies
// below Directory whatever changes there meanwhile. -1 on failure, with
// LastError and FoundNoFile set.
int OpenFolderBelow(const std::string& directory, const std::string& folders) {
    int folder = ::open(directory.empty() ? "." : directory.c_str(), FolderFlags);
    if (folder < 0) {
        FoundNoFile = IsNothingThere(errno);
        Fail();
        return -1;
    }
    for (size_t start = 0, end = 0; start <= folders.size(); start = end + 1) {
        end = std::min(folders.find('/', start), folders.size());
        const std::string part = folders.substr(start, end - start);
        if (part.empty() || part == ".")
            continue;
        int next = -1;
        if (part == "..") {
            LastError = LeavesFolder;
        } else if ((next = ::openat(folder, part.c_str(), FolderFlags | O_NOFOLLOW)) < 0) {
            const bool link = IsLinkIn(folder, part);
            FoundNoFile = !link && (IsNothingThere(errno) || errno == ENAMETOOLONG);
            LastError = link ? ThroughFolderLink : errno;
        }
        ::close(folder);
        if (next < 0)
            return -1;
        folder = next;
    }
    return folder;
}

} // namespace

FileHandle OpenFileForReading(const std::string& path, FileState* state) {
    FoundNoFile = false;
    return OpenRegularAt(AT_FDCWD, path.c_str(), path, state);
}

bool LastOpenFoundNoFile() {
    return FoundNoFile;
}

bool NoFileAt(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode);
    return IsNothingThere(errno);
}

FileHandle OpenFileBelow(const std::string& directory, const std::string& relative,
                         FileState* state) {
    TFilesBelow once;
    return once.Open(directory, relative, state);
}

TFilesBelow::~TFilesBelow() {
    for (TFolder& folder : Folders_)
        if (folder.Handle >= 0)
            ::close(static_cast<int>(folder.Handle));
}

FileHandle TFilesBelow::Open(const std::string& directory, const std::string& relative,
                             FileState* state) {
    FoundNoFile = false;
    const size_t split = relative.rfind('/');
    const std::string name = split == std::string::npos ? relative : relative.substr(split + 1);
    if (name == "..") {
        LastError = LeavesFolder;
        return InvalidFileHandle;
    }
    std::string key = directory;
    key += '\0';
    if (split != std::string::npos)
        key.append(relative, 0, split);
    size_t slot = 0;
    while (slot < std::size(Folders_) && (Folders_[slot].Handle < 0 || Folders_[slot].Key != key))
        ++slot;
    if (slot == std::size(Folders_)) {
        const int folder = OpenFolderBelow(
            directory, split == std::string::npos ? std::string() : relative.substr(0, split));
        if (folder < 0)
            return InvalidFileHandle;
        slot = Oldest_;
        if (Folders_[slot].Handle >= 0)
            ::close(static_cast<int>(Folders_[slot].Handle));
        Folders_[slot] = {std::move(key), folder};
    }
    Oldest_ = (slot + 1) % std::size(Folders_);
    return OpenRegularAt(static_cast<int>(Folders_[slot].Handle), name.c_str(),
                         directory + relative, state);
}

bool GetFileState(FileHandle file, FileState& state) {
    struct stat status {};
    if (file == InvalidFileHandle || ::fstat(ToDescriptor(file), &status) != 0)
        return Fail();
    state = StateOf(status);
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

bool ResolveLinks(const std::string& path, std::string& destination) {
    destination = path;
    // The system's own bound on links followed in one path name.
    constexpr int MaxLinksFollowed = 40;
    for (int followed = 0; followed <= MaxLinksFollowed; ++followed) {
        struct stat status {};
        if (::lstat(destination.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return true; // no link (or nothing yet): the file goes there itself
        char target[PATH_MAX];
        const ssize_t length = ::readlink(destination.c_str(), target, sizeof target);
        if (length < 0)
            return Fail();
        if (static_cast<size_t>(length) >= sizeof target) {
            LastError = ENAMETOOLONG;
            return false;
        }
        const std::string text(target, static_cast<size_t>(length));
        const size_t part = destination.rfind('/');
        destination = text.front() == '/' || part == std::string::npos
                          ? text
                          : destination.substr(0, part + 1) + text;
    }
    LastError = ELOOP;
    return false;
}

namespace {

// The folder of the last CreateTemporaryFileBelow on this thread and the
// temporary file made there, until ReplaceFile or RemoveFile takes it away:
// both act in that very folder.
thread_local int HeldFolder = -1;
thread_local char HeldTemporary[PATH_MAX];

void ReleaseHeldFolder() {
    if (HeldFolder >= 0)
        ::close(HeldFolder);
    HeldFolder = -1;
}

// The part of Path after the held temporary's folder, when Path is a name in
// that folder; null otherwise.
const char* InHeldFolder(const std::string& path) {
    const char* part = std::strrchr(HeldTemporary, '/');
    const size_t folder = part == nullptr ? 0 : static_cast<size_t>(part - HeldTemporary + 1);
    if (HeldFolder < 0 || path.size() <= folder ||
        path.compare(0, folder, HeldTemporary, folder) != 0 ||
        path.find('/', folder) != std::string::npos)
        return nullptr;
    return path.c_str() + folder;
}

// The loop of CreateTemporaryFile, in the folder Folder (AT_FDCWD: as a
// path) whose path is Directory; Old is the file it goes beside.
FileHandle CreateUniqueFile(int folder, const std::string& directory, const struct stat* old,
                            std::string& temporary) {
    // Each try takes a new name; one that exists, whoever left it there,
    // only costs a try.
    constexpr int Tries = 100;
    for (int attempt = 0; attempt < Tries; ++attempt) {
        const std::string name = "~hashkeep-" + UniqueText() + ".tmp";
        temporary = directory + name;
        if (FaultInjected(FileOperation::Create, temporary))
            return InvalidFileHandle;
        int descriptor;
        {
            TInterruptsHeld held;
            descriptor = ::openat(folder, folder == AT_FDCWD ? temporary.c_str() : name.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (descriptor >= 0)
                RememberTemporary(temporary);
        }
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            Fail();
            return InvalidFileHandle;
        }
        if (old != nullptr) {
            // The owner only where the process may (root may; others may
            // pass the file to a group of theirs); the permission bits always.
            const bool ours = old->st_uid == ::geteuid() && old->st_gid == ::getegid();
            if (!ours && ::fchown(descriptor, old->st_uid, old->st_gid) != 0) {
                // Not ours to give away: the group at least, where it is ours.
                [[maybe_unused]] const int grouped =
                    ::fchown(descriptor, static_cast<uid_t>(-1), old->st_gid);
            }
            ::fchmod(descriptor, old->st_mode & 07777);
        }
        return descriptor;
    }
    LastError = EEXIST;
    return InvalidFileHandle;
}

std::string DirectoryOf(const std::string& path) {
    const size_t part = path.rfind('/');
    return part == std::string::npos ? "" : path.substr(0, part + 1);
}

} // namespace

FileHandle CreateTemporaryFile(const std::string& beside, std::string& temporary) {
    struct stat old {};
    const bool replacing = ::stat(beside.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    return CreateUniqueFile(AT_FDCWD, DirectoryOf(beside), replacing ? &old : nullptr, temporary);
}

FileHandle CreateTemporaryFileBelow(const std::string& directory, const std::string& relative,
                                    std::string& temporary) {
    const std::string beside = directory + relative;
    ReleaseHeldFolder();
    // Each folder is opened from the one before it and never through a
    // link, as OpenFileBelow opens them.
    int folder =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        Fail();
        return InvalidFileHandle;
    }
    size_t start = 0;
    for (size_t end; (end = relative.find('/', start)) != std::string::npos; start = end + 1) {
        const std::string part = relative.substr(start, end - start);
        if (part.empty() || part == ".")
            continue;
        int next = -1;
        if (part == "..")
            LastError = LeavesFolder;
        else if ((next = ::openat(folder, part.c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) < 0)
            LastError = IsLinkIn(folder, part) ? ThroughFolderLink : errno;
        ::close(folder);
        if (next < 0)
            return InvalidFileHandle;
        folder = next;
    }
    const std::string name = relative.substr(start);
    struct stat old {};
    const bool replacing = ::fstatat(folder, name.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode);
    FileHandle file = InvalidFileHandle;
    if (name == ".." || name.empty())
        LastError = LeavesFolder;
    else
        file = CreateUniqueFile(folder, DirectoryOf(beside), replacing ? &old : nullptr, temporary);
    if (file == InvalidFileHandle || temporary.size() >= sizeof HeldTemporary) {
        ::close(folder);
        return file;
    }
    HeldFolder = folder;
    std::memcpy(HeldTemporary, temporary.c_str(), temporary.size() + 1);
    return file;
}

bool FlushFile(FileHandle file) {
    if (FaultInjected(FileOperation::Flush, {}))
        return false;
    return ::fsync(ToDescriptor(file)) == 0 || Fail();
}

void CloseFile(FileHandle file) {
    if (file != InvalidFileHandle)
        ::close(ToDescriptor(file));
}

bool RemoveFile(const std::string& path) {
    if (FaultInjected(FileOperation::Remove, path))
        return false;
    const char* here = path == HeldTemporary ? InHeldFolder(path) : nullptr;
    TInterruptsHeld held;
    const bool removed =
        (here != nullptr ? ::unlinkat(HeldFolder, here, 0) : ::unlink(path.c_str())) == 0 || Fail();
    if (removed)
        ForgetTemporary(path);
    if (here != nullptr)
        ReleaseHeldFolder();
    return removed;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    if (FaultInjected(FileOperation::Rename, to))
        return false;
    // The temporary file of a folder held goes over a file of that folder.
    const char* here = from == HeldTemporary ? InHeldFolder(from) : nullptr;
    const char* there = here != nullptr ? InHeldFolder(to) : nullptr;
    TInterruptsHeld held;
    const bool moved = (there != nullptr ? ::renameat(HeldFolder, here, HeldFolder, there)
                                         : ::rename(from.c_str(), to.c_str())) == 0 ||
                       Fail();
    if (moved)
        ForgetTemporary(from);
    if (here != nullptr)
        ReleaseHeldFolder();
    return moved;
}

void FlushFolder(const std::string& folder) {
    // A name lives in its folder: until the folder is on the disk, a power
    // cut may bring back the old name.
    if (FaultInjected(FileOperation::FlushFolder, folder))
        return;
    const int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

void RemoveTemporaryFileOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int signal : InterruptSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : InterruptSignals) {
        struct sigaction previous {};
        // A signal the program was started to ignore (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
    InterruptsHandled = true;
}

bool GetFileIdentity(const std::string& path, FileIdentity& identity) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return Fail();
    identity = {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
    return true;
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
        if (::fstatat(descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool link = S_ISLNK(status.st_mode);
        // A link to nothing is listed as what it is: a link, neither file nor folder.
        if (link && ::fstatat(descriptor, entry->d_name, &status, 0) != 0)
            status.st_mode = S_IFLNK;
        entries.push_back({name, S_ISDIR(status.st_mode), static_cast<uint64_t>(status.st_size),
                           link, S_ISREG(status.st_mode)});
    }
    const bool complete = errno == 0;
    if (!complete)
        Fail();
    ::closedir(stream);
    return complete;
}

bool IsSymbolicLink(const std::string& path) {
    std::string name = path;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    struct stat status {};
    return ::lstat(name.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string FileNameKey(std::string_view name) {
    return std::string(name);
}

TPathKind GetPathKind(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode) ? TPathKind::Folder : TPathKind::Other;
    Fail();
    return errno == ENOENT || errno == ENOTDIR ? TPathKind::Nothing : TPathKind::Unknown;
}

bool CreateFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 || Fail();
}

std::string LastErrorText() {
    switch (LastError) {
    case 0:
        return "unknown error";
    case NotRegularFifo:
        return "not a regular file (a FIFO)";
    case NotRegularCharacterDevice:
        return "not a regular file (a character device)";
    case NotRegularBlockDevice:
        return "not a regular file (a block device)";
    case NotRegularSocket:
        return "not a regular file (a socket)";
    case NotRegularOther:
        return "not a regular file";
    case ThroughFolderLink:
        return "a folder on its path is a symbolic link, which is not followed";
    case LeavesFolder:
        return "its path leaves the folder (\"..\")";
    default:
        return std::strerror(LastError);
    }
}

void SetFileFaultHook(FileFaultHook hook, void* context) {
    FaultHook = hook;
    FaultContext = context;
}

} // namespace Platform
