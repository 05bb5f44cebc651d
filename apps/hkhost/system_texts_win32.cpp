// Windows: FormatMessage's texts, trimmed of their final ".\r\n" as the file
// layer trims them, in the OEM code page, in which the plug-in shows them
// while the host has the file calls take it.
#include "system_texts.h"

#include <windows.h>

namespace HkHost {

namespace {

std::string SystemText(DWORD code) {
    wchar_t wide[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, wide, 512, nullptr);
    char text[1024];
    const int size = WideCharToMultiByte(CP_OEMCP, 0, wide, static_cast<int>(length), text,
                                         sizeof text, nullptr, nullptr);
    std::string result(text, static_cast<size_t>(size > 0 ? size : 0));
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
