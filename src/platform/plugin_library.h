// Loading a plug-in library by path, for the substitute host: dlopen on POSIX,
// LoadLibrary on Windows.
#pragma once

#include <string>

namespace Platform {

class PluginLibrary; // opaque

// Null on failure, with the system's reason in Error.
PluginLibrary* LoadPluginLibrary(const std::string& path, std::string& error);
void* FindLibraryEntry(PluginLibrary* library, const char* name);
void FreePluginLibrary(PluginLibrary* library);

} // namespace Platform
