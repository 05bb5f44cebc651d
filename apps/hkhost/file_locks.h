// Files held open by "another program" while a scenario runs, so that the
// plug-in's open fails for real and its read-error prompt can be played.
// Windows: the host opens the file with share mode 0, and every other open
// fails with a sharing violation. POSIX has no such locks: the host lists the
// files in HASHKEEP_LOCKED_FILES, which the POSIX file layer honours as the
// stand-in for them.
#pragma once

#include <string>
#include <vector>

namespace HkHost {

class FileLocks {
public:
    FileLocks() = default;
    ~FileLocks() { ReleaseAll(); }
    FileLocks(const FileLocks&) = delete;
    FileLocks& operator=(const FileLocks&) = delete;

    // Path is a file's full path. False with the reason when it cannot be held.
    bool Lock(const std::string& path, std::string& error);
    // False when the path is not held.
    bool Unlock(const std::string& path);
    void ReleaseAll();

    struct Held {
        std::string Path;
        void* Handle = nullptr; // Windows: the open file
    };

private:
    std::vector<Held> Held_;
};

} // namespace HkHost
