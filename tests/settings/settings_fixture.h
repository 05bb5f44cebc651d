// A settings tree of the test's own, an accepted fake host pointing at it,
// and helpers to put values under RootKey\Hashkeep as another writer would
// and to read back what the plug-in wrote.
#pragma once

#include "fake_host.h"
#include "host/far1x/far1x.h"
#include "platform/registry.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace SettingsTest {

using Platform::RegistryValue;
using Platform::RegistryValueType;

struct KeyCloser {
    void operator()(Platform::RegistryKey* key) const { Platform::CloseRegistryKey(key); }
};
using KeyHandle = std::unique_ptr<Platform::RegistryKey, KeyCloser>;

inline RegistryValue Text(const std::string& text,
                          RegistryValueType type = RegistryValueType::Text) {
    RegistryValue value;
    value.Type = type;
    value.Text = text;
    return value;
}

inline RegistryValue Number(uint32_t number) {
    RegistryValue value;
    value.Type = RegistryValueType::Number;
    value.Number = number;
    return value;
}

inline RegistryValue Bytes(std::vector<uint8_t> bytes) {
    RegistryValue value;
    value.Type = RegistryValueType::Bytes;
    value.Bytes = std::move(bytes);
    return value;
}

// Values compared as the settings see them: type, then text or number.
inline std::string Describe(const RegistryValue& value) {
    switch (value.Type) {
    case RegistryValueType::Text:
        return "text \"" + value.Text + "\"";
    case RegistryValueType::ExpandableText:
        return "expandable \"" + value.Text + "\"";
    case RegistryValueType::Number:
        return "number " + std::to_string(value.Number);
    case RegistryValueType::Bytes:
        return "bytes " + std::to_string(value.Bytes.size());
    case RegistryValueType::Other:
        break;
    }
    return "other";
}

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Host.RootKey = Registry.Root;
        const PluginStartupInfo info = Host.Info();
        SetStartupInfo(&info);
        ASSERT_TRUE(StartupInfoValid);
        MarkFields();
    }

    // Values no load would give, so a field left unset shows.
    static void MarkFields() {
        PluginSettings.AutoLoadList = false;
        PluginSettings.UseMode = 99;
        PluginSettings.ClearSelectionAfter = false;
        PluginSettings.ConfirmAbort = false;
        PluginSettings.TextModeForHashes = true;
        CopyItemText(PluginSettings.Prefix, "before");
        PluginSettings.ProcessSubfolders = true;
    }

    KeyHandle SettingsKey(Platform::RegistryAccess access, bool create) {
        return KeyHandle(Platform::OpenRegistryKey(Registry.Root + "\\Hashkeep", access, create));
    }

    void Put(const std::string& name, const RegistryValue& value) {
        KeyHandle key = SettingsKey(Platform::RegistryAccess::Write, true);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(Platform::WriteRegistryValue(key.get(), name, value));
    }

    void Remove(const std::string& name) {
        KeyHandle key = SettingsKey(Platform::RegistryAccess::Write, false);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(Platform::DeleteRegistryValue(key.get(), name));
    }

    bool SettingsKeyExists() {
        return SettingsKey(Platform::RegistryAccess::Read, false) != nullptr;
    }

    // Every value under RootKey\Hashkeep, described; empty without the key.
    std::map<std::string, std::string> Stored() {
        std::map<std::string, std::string> described;
        KeyHandle key = SettingsKey(Platform::RegistryAccess::Read, false);
        if (key == nullptr)
            return described;
        std::vector<std::pair<std::string, RegistryValue>> values;
        EXPECT_TRUE(Platform::ListRegistryValues(key.get(), values));
        for (const auto& [name, value] : values)
            described[name] = Describe(value);
        return described;
    }

    Fake::PrivateRegistry Registry;
    Fake::FakeHost Host;
};

} // namespace SettingsTest
