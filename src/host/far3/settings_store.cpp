// FAR 3's settings service for the plug-in, as the take-over needs it.
#include "host/far3/far3_internal.h"

#include "platform/unicode.h"

namespace Far3 {

TFarSettingsStore::TFarSettingsStore() {
    if (!StartupInfoValid || StartupInfo.SettingsControl == nullptr)
        return;
    FarSettingsCreate create{sizeof create, ToGuid(PluginGuid), INVALID_HANDLE_VALUE};
    if (StartupInfo.SettingsControl(INVALID_HANDLE_VALUE, SCTL_CREATE, PSL_ROAMING, &create) != 0)
        Handle_ = create.Handle;
}

TFarSettingsStore::~TFarSettingsStore() {
    if (Handle_ != nullptr)
        StartupInfo.SettingsControl(Handle_, SCTL_FREE, 0, nullptr);
}

bool TFarSettingsStore::Holds(const std::string& name) {
    std::wstring wide;
    if (Handle_ == nullptr || !Platform::Utf8ToWide(name, wide))
        return false;
    // Any type counts: the names of the plug-in's root, as FAR lists them.
    FarSettingsEnum names{sizeof names, 0, 0, {nullptr}};
    if (StartupInfo.SettingsControl(Handle_, SCTL_ENUM, 0, &names) == 0 || names.Items == nullptr)
        return false;
    for (size_t i = 0; i < names.Count; ++i)
        if (names.Items[i].Type != FST_SUBKEY && names.Items[i].Name != nullptr &&
            wide == names.Items[i].Name)
            return true;
    return false;
}

bool TFarSettingsStore::SetText(const std::string& name, const std::string& text) {
    std::wstring wideName, wideText;
    if (Handle_ == nullptr || !Platform::Utf8ToWide(name, wideName) ||
        !Platform::Utf8ToWide(text, wideText))
        return false;
    FarSettingsItem item{sizeof item, 0, wideName.c_str(), FST_STRING, {}};
    item.String = wideText.c_str();
    return StartupInfo.SettingsControl(Handle_, SCTL_SET, 0, &item) != 0;
}

bool TFarSettingsStore::SetNumber(const std::string& name, uint64_t number) {
    std::wstring wideName;
    if (Handle_ == nullptr || !Platform::Utf8ToWide(name, wideName))
        return false;
    FarSettingsItem item{sizeof item, 0, wideName.c_str(), FST_QWORD, {}};
    item.Number = number;
    return StartupInfo.SettingsControl(Handle_, SCTL_SET, 0, &item) != 0;
}

} // namespace Far3
