// POSIX: strerror's texts, as the file layer reports them. A locked file is
// the environment's stand-in, which fails as EBUSY.
#include "system_texts.h"

#include <cerrno>
#include <cstring>

namespace HkHost {

std::vector<std::pair<std::string, std::string>> SystemErrorTexts() {
    return {{std::strerror(ENOENT), "no such file"},
            {std::strerror(EBUSY), "file in use"},
            {std::strerror(EACCES), "access denied"}};
}

} // namespace HkHost
