// WinPort, far2l's Win32-like layer, as the plug-in sees it: the far2l
// program exports these functions and binds them when it loads the plug-in,
// so nothing here is linked in. Its registry functions take wide (UTF-32)
// names and texts; the helpers convert from and to the plug-in's UTF-8.
#pragma once

#ifndef WINPORT_REGISTRY
#define WINPORT_REGISTRY
#endif
#include <WinPort.h>

#include <string>

namespace Platform::WinPortText {

inline std::wstring Wide(const std::string& text) {
    if (text.empty())
        return {};
    const int length = WINPORT(MultiByteToWideChar)(CP_UTF8, 0, text.data(),
                                                    static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        WINPORT(MultiByteToWideChar)
    (CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

inline std::string Utf8(const wchar_t* text, size_t length) {
    if (length == 0)
        return {};
    const int size = WINPORT(WideCharToMultiByte)(CP_UTF8, 0, text, static_cast<int>(length),
                                                  nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WINPORT(WideCharToMultiByte)
    (CP_UTF8, 0, text, static_cast<int>(length), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

} // namespace Platform::WinPortText
