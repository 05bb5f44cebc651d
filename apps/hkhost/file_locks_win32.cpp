// Windows: the host holds each locked file open with share mode 0, so the
// plug-in's open fails with a real sharing violation. Paths are UTF-8.
#include "file_locks.h"
#include "host_code_page.h"

#include <windows.h>

#include <algorithm>

namespace HkHost {

bool FileLocks::Lock(const std::string& path, std::string& error) {
    const HANDLE file = CreateFileW(PathOf(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error =
            "cannot open the file with share mode 0 (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    Held_.push_back(Held{path, file});
    return true;
}

bool FileLocks::Unlock(const std::string& path) {
    const auto found =
        std::find_if(Held_.begin(), Held_.end(), [&](const Held& h) { return h.Path == path; });
    if (found == Held_.end())
        return false;
    CloseHandle(found->Handle);
    Held_.erase(found);
    return true;
}

void FileLocks::ReleaseAll() {
    for (const Held& held : Held_)
        CloseHandle(held.Handle);
    Held_.clear();
}

} // namespace HkHost
