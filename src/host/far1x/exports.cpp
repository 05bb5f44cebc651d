// The five entry points the host calls. Each one is a no-throw boundary: an
// exception must never unwind into the host, so everything is caught here
// and the call gives its neutral result.
#include "host/far1x/far1x.h"
#include "operations/operations.h"
#include "settings/settings.h"

#include <cstring>

namespace {

// The host keeps the pointers it gets from GetPluginInfo, so the arrays live
// as long as the library.
const char* PluginMenuStrings[1];
const char* PluginConfigStrings[1];

} // namespace

extern "C" {

HK_REALIGN_STACK int HK_WINAPI GetMinFarVersion() noexcept {
    return MinFarVersion;
}

HK_REALIGN_STACK void HK_WINAPI SetStartupInfo(const PluginStartupInfo* Info) noexcept {
    try {
        // A table of another size comes from a host whose layout we do not
        // know; the plug-in then stays inert rather than misreading it.
        StartupInfoValid = Info != nullptr && Info->StructSize == sizeof(PluginStartupInfo);
        if (StartupInfoValid)
            std::memcpy(&StartupInfo, Info, sizeof(PluginStartupInfo));
    } catch (...) {
        StartupInfoValid = false;
    }
    // From now on operations/ and settings/ reach the host through this
    // table, or, when it was refused, reach nothing.
    InstallHost(StartupInfoValid ? &Far1xHost() : nullptr);
}

HK_REALIGN_STACK void HK_WINAPI GetPluginInfo(PluginInfo* Info) noexcept {
    try {
        if (Info == nullptr)
            return;
        Info->StructSize = PluginInfoStructSize;
        Info->Flags = 0;
        if (!StartupInfoValid)
            return;
        PluginMenuStrings[0] = GetMessageText(MPluginMenu);
        PluginConfigStrings[0] = GetMessageText(MConfigMenu);
        Info->PluginMenuStrings = PluginMenuStrings;
        Info->PluginMenuStringsNumber = 1;
        Info->PluginConfigStrings = PluginConfigStrings;
        Info->PluginConfigStringsNumber = 1;
        // The buffer itself, not a copy: the host may read it at any time,
        // and a saved configuration changes it in place.
        Info->CommandPrefix = PluginSettings.Prefix;
    } catch (...) {
    }
}

HK_REALIGN_STACK HANDLE HK_WINAPI OpenPlugin(int OpenFrom, INT_PTR Item) noexcept {
    try {
        if (StartupInfoValid && OpenFrom == OPEN_PLUGINSMENU) {
            RunOperation(TOpenFrom::PluginsMenu, {});
        } else if (StartupInfoValid && OpenFrom == OPEN_COMMANDLINE) {
            // The text after the prefix.
            const char* text = reinterpret_cast<const char*>(Item);
            RunOperation(TOpenFrom::CommandLine, text != nullptr ? text : "");
        }
    } catch (...) {
    }
    // The plug-in has no panel of its own; any other handle would make the
    // host call panel functions it does not export.
    return INVALID_HANDLE_VALUE;
}

// The item number is ignored: there is one configuration entry.
HK_REALIGN_STACK int HK_WINAPI Configure(int /*ItemNumber*/) noexcept {
    try {
        if (!StartupInfoValid)
            return 0;
        return ShowConfigurationDialog() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // extern "C"
