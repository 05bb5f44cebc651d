// What the host does with code pages. The host keeps names as UTF-8 and
// reaches the disk with them through std::filesystem (wide-character calls
// on Windows). It hands them to the plug-in as FAR hands them to a 1.x
// plug-in: on Windows in the OEM code page, a character that code page
// cannot hold as its best fit or '?'; and for the length of every call into
// the plug-in the system's ANSI file calls take the OEM code page
// (SetFileApisToOEM), back to ANSI after it (FAR's PluginA.cpp). A POSIX
// host hands UTF-8 and switches nothing.
#pragma once

#include <filesystem>
#include <string>

namespace HkHost {

// A UTF-8 text as a path, and a path as UTF-8.
inline std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A UTF-8 text as the host hands it to the plug-in.
std::string ToHostCodePage(const std::string& utf8);

// The file calls' code page while a call into the plug-in lasts.
class TPluginCall {
public:
    TPluginCall();
    ~TPluginCall();
    TPluginCall(const TPluginCall&) = delete;
    TPluginCall& operator=(const TPluginCall&) = delete;
};

} // namespace HkHost
