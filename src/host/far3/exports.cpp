// The FAR 3 plug-in's entry points. Every one is a no-throw boundary:
// nothing raised inside reaches FAR. Until the operations and the settings
// come through the host seam, opening the plug-in (from the menu, the
// command line or the configuration menu) takes over the 1.x settings and
// shows one box; the entries, the GUIDs and the checks are the product's.
#include "host/far3/far3_internal.h"

#include "platform/callconv.h"
#include "platform/unicode.h"

#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>

namespace Far3 {

PluginStartupInfo StartupInfo;
bool StartupInfoValid = false;

namespace {

// FAR hands the standard functions in a record that lives only for the
// call of SetStartupInfoW: the plug-in keeps a copy and points to that.
FarStandardFunctions StandardFunctions;

} // namespace

} // namespace Far3

using namespace Far3;

namespace {

// The box of this first build, until the operations arrive: no box of the
// product, so not among the fixed GUIDs of guids.h.
constexpr TGuid SkeletonBoxGuid = {
    0x0E6F9C67, 0x0882, 0x4E37, {0x8B, 0x33, 0x83, 0x59, 0xA5, 0x44, 0x5C, 0xFA}};

constexpr GUID FarPluginGuid = ToGuid(PluginGuid);
constexpr GUID FarMenuItemGuid = ToGuid(MenuItemGuid);
constexpr GUID FarConfigItemGuid = ToGuid(ConfigItemGuid);
constexpr GUID FarSkeletonBoxGuid = ToGuid(SkeletonBoxGuid);

constexpr const wchar_t* Title = L"Hashkeep";
// The prefix of the plug-in's command line until the settings come in.
constexpr const wchar_t* DefaultPrefix = L"check";
// Message 0 of the language files: the plug-in's name in the menus.
constexpr intptr_t MenuTitleMessage = 0;

// The services called, and so the part of the table that must be there:
// up to SettingsControl. An older or damaged table is not kept.
constexpr size_t NeededStartupInfoSize =
    offsetof(PluginStartupInfo, SettingsControl) + sizeof(FARAPISETTINGSCONTROL);

const wchar_t* MenuTitle() {
    const wchar_t* text = StartupInfo.GetMsg != nullptr
                              ? StartupInfo.GetMsg(&FarPluginGuid, MenuTitleMessage)
                              : nullptr;
    return text != nullptr && *text != L'\0' ? text : Title;
}

// Once a load: FAR's store is asked at the first opening, not at start-up,
// so FAR starts no slower for it.
void TakeOverOnce() {
    static bool done = false;
    if (done)
        return;
    done = true;
    TFarSettingsStore store;
    TakeOverLegacySettings(store, LegacySettingsRoot(Platform::HostArgumentsInOemCodePage()));
}

void ShowBox(const std::wstring& line) {
    if (StartupInfo.Message == nullptr)
        return;
    const wchar_t* const items[] = {Title, line.c_str()};
    StartupInfo.Message(&FarPluginGuid, &FarSkeletonBoxGuid, FMSG_MB_OK, nullptr, items,
                        std::size(items), 0);
}

} // namespace

extern "C" {

HK_REALIGN_STACK void WINAPI GetGlobalInfoW(GlobalInfo* Info) {
    if (Info == nullptr)
        return;
    // Field by field: FAR's record may be shorter or longer than this header's.
    Info->MinFarVersion = {MinFarMajor, MinFarMinor, MinFarRevision, MinFarBuild, VS_RELEASE};
    Info->Version = {VersionMajor, VersionMinor, VersionRevision, VersionBuild, VS_RELEASE};
    Info->Guid = FarPluginGuid;
    Info->Title = Title;
    Info->Description = L"Hash lists: create, verify, compare (CRC32, MD5, SHA1, SHA-256)";
    Info->Author = L"Hashkeep";
}

HK_REALIGN_STACK void WINAPI SetStartupInfoW(const PluginStartupInfo* Info) {
    StartupInfoValid = false;
    if (Info == nullptr || Info->StructSize < NeededStartupInfoSize)
        return;
    StartupInfo = {};
    const size_t size =
        Info->StructSize < sizeof StartupInfo ? Info->StructSize : sizeof StartupInfo;
    std::memcpy(&StartupInfo, Info, size);
    StandardFunctions = {};
    if (Info->FSF != nullptr) {
        const size_t functions = Info->FSF->StructSize < sizeof StandardFunctions
                                     ? Info->FSF->StructSize
                                     : sizeof StandardFunctions;
        std::memcpy(&StandardFunctions, Info->FSF, functions);
    }
    StartupInfo.FSF = &StandardFunctions;
    StartupInfoValid = true;
}

HK_REALIGN_STACK void WINAPI GetPluginInfoW(PluginInfo* Info) {
    if (Info == nullptr)
        return;
    try {
        Info->Flags = PF_NONE;
        if (!StartupInfoValid) {
            Info->PluginMenu = {};
            Info->PluginConfig = {};
            Info->CommandPrefix = nullptr;
            return;
        }
        static const wchar_t* menuStrings[1];
        menuStrings[0] = MenuTitle();
        Info->PluginMenu = {&FarMenuItemGuid, menuStrings, 1};
        Info->PluginConfig = {&FarConfigItemGuid, menuStrings, 1};
        Info->CommandPrefix = DefaultPrefix;
    } catch (...) {
    }
}

HK_REALIGN_STACK HANDLE WINAPI OpenW(const OpenInfo* Info) {
    if (!StartupInfoValid || Info == nullptr)
        return nullptr;
    try {
        TakeOverOnce();
        std::wstring line = L"Hashkeep for FAR Manager 3";
        if (Info->OpenFrom == OPEN_COMMANDLINE && Info->Data != 0) {
            const auto* command = reinterpret_cast<const OpenCommandLineInfo*>(Info->Data);
            if (command->CommandLine != nullptr)
                line = std::wstring(DefaultPrefix) + L":" + command->CommandLine;
        }
        ShowBox(line);
    } catch (...) {
    }
    return nullptr;
}

HK_REALIGN_STACK intptr_t WINAPI ConfigureW(const ConfigureInfo* Info) {
    if (!StartupInfoValid || Info == nullptr)
        return FALSE;
    try {
        TakeOverOnce();
        ShowBox(L"Configuration");
    } catch (...) {
    }
    return FALSE;
}

HK_REALIGN_STACK void WINAPI ExitFARW(const ExitInfo* /*Info*/) {
    StartupInfoValid = false;
}

} // extern "C"
