// POSIX: the locked files are published in HASHKEEP_LOCKED_FILES, one full
// path a line; the POSIX file layer refuses to open them for reading, as
// Windows refuses a file another program holds with share mode 0.
#include "file_locks.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

namespace HkHost {

namespace {

constexpr const char* LockedFilesVariable = "HASHKEEP_LOCKED_FILES";

void Publish(const std::vector<FileLocks::Held>& held) {
    if (held.empty()) {
        ::unsetenv(LockedFilesVariable);
        return;
    }
    std::string list;
    for (const FileLocks::Held& file : held)
        list += (list.empty() ? "" : "\n") + file.Path;
    ::setenv(LockedFilesVariable, list.c_str(), 1);
}

} // namespace

bool FileLocks::Lock(const std::string& path, std::string& error) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) {
        error = "no such file to lock";
        return false;
    }
    Held_.push_back(Held{path, nullptr});
    Publish(Held_);
    return true;
}

bool FileLocks::Unlock(const std::string& path) {
    const auto found =
        std::find_if(Held_.begin(), Held_.end(), [&](const Held& h) { return h.Path == path; });
    if (found == Held_.end())
        return false;
    Held_.erase(found);
    Publish(Held_);
    return true;
}

void FileLocks::ReleaseAll() {
    Held_.clear();
    Publish(Held_);
}

} // namespace HkHost
