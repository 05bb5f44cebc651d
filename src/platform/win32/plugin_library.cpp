// Plug-in libraries on Windows: LoadLibraryA, as the host loads a plug-in DLL.
#include "platform/plugin_library.h"

#include <windows.h>

#include <cstdio>

namespace Platform {

PluginLibrary* LoadPluginLibrary(const std::string& path, std::string& error) {
    // No error box for a DLL that cannot be found or loaded: the caller reports it.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    if (module == nullptr) {
        char text[64];
        std::snprintf(text, sizeof text, "LoadLibrary failed with error %lu",
                      static_cast<unsigned long>(code));
        error = text;
        return nullptr;
    }
    error.clear();
    return reinterpret_cast<PluginLibrary*>(module);
}

void* FindLibraryEntry(PluginLibrary* library, const char* name) {
    if (library == nullptr || name == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void FreePluginLibrary(PluginLibrary* library) {
    if (library != nullptr)
        FreeLibrary(reinterpret_cast<HMODULE>(library));
}

} // namespace Platform
