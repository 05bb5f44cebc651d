// The FAR 3 family: what FAR 3's native plug-in needs of its own, apart from
// the operations and settings every family shares. Its GUIDs are in
// guids.h; its entry points (GetGlobalInfoW, SetStartupInfoW,
// GetPluginInfoW, OpenW, ConfigureW, ExitFARW) in exports.cpp, built as
// Hashkeep.dll for the 64-bit and the 32-bit FAR 3 against FAR's own
// header (third_party/far3/plugin.hpp). Names inside this build are UTF-8;
// platform/unicode.h converts at the system's edge.
//
// What is here needs no Windows header, so that its tests run natively too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Far3 {

// The plug-in's version, as GetGlobalInfoW gives it.
constexpr uint32_t VersionMajor = 1, VersionMinor = 0, VersionRevision = 0, VersionBuild = 0;

// The oldest FAR 3 the plug-in loads in: 3.0 build 3787. Every record and
// call the plug-in uses had its present layout by build 2834 (the settings
// items' StructSize in 2821, the command line's OpenCommandLineInfo in 2802,
// int and DWORD widened to pointer size in 2830 and 2831, the panel item's
// user data in 2834), and build 3787 mended DM_GETTEXT, which "returned
// garbage in some cases": the dialogs read their edited texts through it.
// Nothing the plug-in calls changed meaning after it (FAR's changelog).
constexpr uint32_t MinFarMajor = 3, MinFarMinor = 0, MinFarRevision = 0, MinFarBuild = 3787;

// --- Settings taken over from the 1.x plug-in -----------------------------------
//
// FAR 3 keeps a native plug-in's settings in a store of its own
// (<profile>\PluginsData\<GUID>.db); its wrapper gave the 1.x DLL a
// registry key instead. A user moving to the native plug-in keeps the
// settings made there: while FAR 3's store holds none of the plug-in's
// values, those found in the registry are copied into it, once. The registry
// values are never changed or deleted: the 1.x DLL may still be used, in
// FAR 1.70 or in this FAR through the wrapper.

// The few calls the take-over makes on FAR 3's store for the plug-in (names
// and texts in UTF-8); a fake stands in for it in the tests.
class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    // True when the store holds a value of that name, of any type.
    virtual bool Holds(const std::string& name) = 0;
    virtual bool SetText(const std::string& name, const std::string& text) = 0;
    virtual bool SetNumber(const std::string& name, uint64_t number) = 0;
};

// The key below HKEY_CURRENT_USER where FAR 3's wrapper kept the 1.x
// plug-ins' settings: "Software\Far Manager\Plugins", or, when FAR was
// started with "-u NAME" (or "/u NAME", in any case; the last one counts),
// "Software\Far Manager\Users\NAME\Plugins". Arguments: FAR's command line
// without the program, NAME in the bytes the wrapper used (the OEM code
// page). FAR gives only its 1.x plug-ins the name, so the native plug-in
// reads it from FAR's command line.
std::string LegacySettingsRoot(const std::vector<std::string>& farArguments);

enum class TTakeOver {
    StoreInUse,   // the store holds a value of the plug-in already: nothing read
    NothingFound, // no value in the registry to take
    TakenOver,    // at least one value copied
    Failed,       // the store refused a write; what was written stays
};

// Reads Root\Hashkeep in the order and by the rules of the 1.x plug-in's
// load and writes each value it accepts into the store: a switch or
// UseMode given as a number as a number, as text as that text (the store's
// reader applies the same rule to it), Prefix as text in UTF-8. Where the
// 1.x load would stop (a value of a type its field refuses, a text that is
// no text of the OEM code page), the take-over stops too, so the values
// after it keep their defaults in both.
TTakeOver TakeOverLegacySettings(TSettingsStore& store, const std::string& legacyRoot);

} // namespace Far3
