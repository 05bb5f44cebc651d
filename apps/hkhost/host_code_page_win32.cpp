#include "host_code_page.h"

#include <windows.h>

namespace HkHost {

std::string ToHostCodePage(const std::string& utf8) {
    if (utf8.empty())
        return utf8;
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                        static_cast<int>(utf8.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
    // As FAR's encoding::oem::get_bytes: no flags, so best fits are taken.
    std::string oem(wide.size() * 2, '\0');
    oem.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_OEMCP, 0, wide.data(), static_cast<int>(wide.size()), oem.data(),
                            static_cast<int>(oem.size()), nullptr, nullptr)));
    return oem;
}

TPluginCall::TPluginCall() {
    SetFileApisToOEM();
}

TPluginCall::~TPluginCall() {
    SetFileApisToANSI();
}

} // namespace HkHost
