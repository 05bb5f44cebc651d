// Conversions through the system's own tables, with the flags that make a
// character it cannot map an error instead of a replacement.
#include "platform/unicode.h"

#include <windows.h>

#include <shellapi.h>

#include <climits>

namespace Platform {

namespace {

// Windows opens no plain path of MAX_PATH characters or more and makes no
// folder of MAX_PATH - 12 or more (room for an 8.3 name).
constexpr size_t LongPathThreshold = MAX_PATH - 12;

bool FromCodePage(UINT codePage, std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    const int count = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), count, nullptr, 0);
    if (length <= 0)
        return false;
    wide.resize(static_cast<size_t>(length));
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), count, wide.data(),
                            length) != length) {
        wide.clear();
        return false;
    }
    return true;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// True when every part of Tail (separated by either slash) is a name the
// "\\?\" form takes exactly as the plain form would.
bool PlainParts(std::wstring_view tail) {
    size_t start = 0;
    while (start <= tail.size()) {
        size_t end = start;
        while (end < tail.size() && !IsSeparator(tail[end]))
            ++end;
        const std::wstring_view part = tail.substr(start, end - start);
        // A trailing separator leaves one empty part at the end: a folder.
        if (part.empty() && end < tail.size())
            return false;
        if (part == L"." || part == L".." ||
            (!part.empty() && (part.back() == L'.' || part.back() == L' ')))
            return false;
        start = end + 1;
    }
    return true;
}

std::wstring Backslashed(std::wstring_view path) {
    std::wstring result(path);
    for (wchar_t& c : result)
        if (c == L'/')
            c = L'\\';
    return result;
}

} // namespace

bool Utf8ToWide(std::string_view utf8, std::wstring& wide) {
    return FromCodePage(CP_UTF8, utf8, wide);
}

bool WideToUtf8(std::wstring_view wide, std::string& utf8) {
    utf8.clear();
    if (wide.empty())
        return true;
    if (wide.size() > INT_MAX)
        return false;
    const int count = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), count, nullptr,
                                         0, nullptr, nullptr);
    if (size <= 0)
        return false;
    utf8.resize(static_cast<size_t>(size));
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), count, utf8.data(), size,
                            nullptr, nullptr) != size) {
        utf8.clear();
        return false;
    }
    return true;
}

bool LegacyTextToUtf8(std::string_view text, std::string& utf8) {
    std::wstring wide;
    return FromCodePage(CP_OEMCP, text, wide) && WideToUtf8(wide, utf8);
}

std::wstring LongPathForm(std::wstring_view path) {
    if (path.size() < LongPathThreshold)
        return std::wstring(path);
    // "X:\" and the rest.
    if (path.size() > 3 && ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') &&
        path[1] == L':' && IsSeparator(path[2]) && PlainParts(path.substr(3)))
        return L"\\\\?\\" + Backslashed(path);
    // "\\server\share" and the rest; not "\\?\" nor "\\.\", which are forms already.
    if (path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' &&
        path[2] != L'.' && PlainParts(path.substr(2)))
        return L"\\\\?\\UNC\\" + Backslashed(path.substr(2));
    return std::wstring(path);
}

std::vector<std::string> HostArgumentsInOemCodePage() {
    std::vector<std::string> result;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return result;
    for (int i = 1; i < count; ++i) {
        const int size =
            WideCharToMultiByte(CP_OEMCP, 0, arguments[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? static_cast<size_t>(size) : 1, '\0');
        if (size > 0)
            WideCharToMultiByte(CP_OEMCP, 0, arguments[i], -1, text.data(), size, nullptr, nullptr);
        text.resize(std::char_traits<char>::length(text.c_str()));
        result.push_back(std::move(text));
    }
    LocalFree(arguments);
    return result;
}

} // namespace Platform
