// What the FAR 3 plug-in's own sources share (Windows only): FAR's header,
// the GUIDs as FAR takes them, the service table FAR handed over, and the
// store over FAR's settings service.
#pragma once

#include "host/far3/far3.h"
#include "host/far3/guids.h"

#include <plugin.hpp>

#include <bit>

namespace Far3 {

static_assert(sizeof(TGuid) == sizeof(GUID));
constexpr GUID ToGuid(const TGuid& guid) {
    return std::bit_cast<GUID>(guid);
}

// FAR's service table as SetStartupInfoW handed it over, its FSF pointing
// to the plug-in's own copy of the standard functions; valid only when
// StartupInfoValid.
extern PluginStartupInfo StartupInfo;
extern bool StartupInfoValid;

// FAR 3's settings store for the plug-in (SettingsControl with the plug-in's
// GUID, in the roaming part of the profile), open for the object's life;
// FAR writes what was set when it is freed. A store FAR would not open
// holds nothing and refuses every write.
class TFarSettingsStore final : public TSettingsStore {
public:
    TFarSettingsStore();
    ~TFarSettingsStore() override;
    TFarSettingsStore(const TFarSettingsStore&) = delete;
    TFarSettingsStore& operator=(const TFarSettingsStore&) = delete;

    bool Holds(const std::string& name) override;
    bool SetText(const std::string& name, const std::string& text) override;
    bool SetNumber(const std::string& name, uint64_t number) override;

private:
    HANDLE Handle_ = nullptr;
};

} // namespace Far3
