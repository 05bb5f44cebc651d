// Plug-in libraries on POSIX: dlopen with every symbol resolved at load, so a
// library that cannot link fails here rather than in the middle of a call.
#include "platform/plugin_library.h"

#include <dlfcn.h>

namespace Platform {

PluginLibrary* LoadPluginLibrary(const std::string& path, std::string& error) {
    // RTLD_LOCAL: two plug-ins (or a plug-in and the host) may define the same names.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : "dlopen failed";
        return nullptr;
    }
    error.clear();
    return static_cast<PluginLibrary*>(handle);
}

void* FindLibraryEntry(PluginLibrary* library, const char* name) {
    if (library == nullptr || name == nullptr)
        return nullptr;
    return ::dlsym(static_cast<void*>(library), name);
}

void FreePluginLibrary(PluginLibrary* library) {
    if (library != nullptr)
        ::dlclose(static_cast<void*>(library));
}

} // namespace Platform
