// Windows: FormatMessage's texts, trimmed of their final ".\r\n" as the file
// layer trims them.
#include "system_texts.h"

#include <windows.h>

namespace HkHost {

namespace {

std::string SystemText(DWORD code) {
    char text[512];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string result(text, length);
    while (!result.empty() &&
           (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
        result.pop_back();
    return result;
}

} // namespace

std::vector<std::pair<std::string, std::string>> SystemErrorTexts() {
    return {{SystemText(ERROR_FILE_NOT_FOUND), "no such file"},
            {SystemText(ERROR_PATH_NOT_FOUND), "no such file"},
            {SystemText(ERROR_SHARING_VIOLATION), "file in use"},
            {SystemText(ERROR_LOCK_VIOLATION), "file in use"},
            {SystemText(ERROR_ACCESS_DENIED), "access denied"}};
}

} // namespace HkHost
