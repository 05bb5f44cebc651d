// The settings record and its registry store. Every registry call goes
// through the platform layer; nothing here throws past the two functions.
#include "settings/settings.h"

#include "host/host.h"
#include "platform/registry.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

TPluginSettings PluginSettings = {true, 2, true, true, false, "check", false};

namespace {

using namespace Platform;

struct KeyCloser {
    void operator()(RegistryKey* key) const { CloseRegistryKey(key); }
};
using KeyHandle = std::unique_ptr<RegistryKey, KeyCloser>;

constexpr bool DefaultAutoLoadList = true;
constexpr int32_t DefaultUseMode = 2; // MD5
constexpr bool DefaultClearSelectionAfter = true;
constexpr bool DefaultConfirmAbort = true;
constexpr bool DefaultTextModeForHashes = false;
// Off, so that a selected folder is passed over as the classic plug-in does.
constexpr bool DefaultProcessSubfolders = false;

// A decimal integer in the 32-bit range, optionally signed and surrounded by
// blanks, as another writer of the key may have left it.
bool ParseInteger(const std::string& text, int32_t& number) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    const size_t digitsStart = at;
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            return false;
    }
    if (at == digitsStart)
        return false;
    while (at < text.size() && text[at] == ' ')
        ++at;
    if (at != text.size())
        return false;
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max())
        return false;
    number = static_cast<int32_t>(value);
    return true;
}

enum class ReadOutcome { Read, Missing, Failed };

ReadOutcome ReadValue(RegistryKey* key, const char* name, RegistryValue& value) {
    switch (ReadRegistryValue(key, name, value)) {
    case RegistryReadResult::Found:
        return ReadOutcome::Read;
    case RegistryReadResult::Missing:
        return ReadOutcome::Missing;
    case RegistryReadResult::Failed:
        break;
    }
    return ReadOutcome::Failed;
}

// A switch: text holding an integer, or a number; non-zero is true. Text
// that is no integer keeps the field as it is.
bool ReadSwitch(RegistryKey* key, const char* name, bool& field) {
    RegistryValue value;
    switch (ReadValue(key, name, value)) {
    case ReadOutcome::Missing:
        return true;
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Read:
        break;
    }
    if (value.Type == RegistryValueType::Number) {
        field = value.Number != 0;
        return true;
    }
    if (value.Type == RegistryValueType::Text) {
        int32_t number = 0;
        if (ParseInteger(value.Text, number))
            field = number != 0;
        return true;
    }
    return false;
}

// UseMode takes whatever integer is stored; only the algorithm table decides
// what it names.
bool ReadUseMode(RegistryKey* key, int32_t& field) {
    RegistryValue value;
    switch (ReadValue(key, "UseMode", value)) {
    case ReadOutcome::Missing:
        return true;
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Read:
        break;
    }
    if (value.Type == RegistryValueType::Number) {
        field = static_cast<int32_t>(value.Number);
        return true;
    }
    if (value.Type == RegistryValueType::Text) {
        int32_t number = 0;
        if (ParseInteger(value.Text, number))
            field = number;
        return true;
    }
    return false;
}

// Expandable text is taken as it stands: the prefix is typed on the host's
// command line, not a path to expand. A longer text is cut to the buffer.
bool ReadPrefix(RegistryKey* key, char (&field)[PrefixCapacity]) {
    RegistryValue value;
    switch (ReadValue(key, "Prefix", value)) {
    case ReadOutcome::Missing:
        return true;
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Read:
        break;
    }
    if (value.Type != RegistryValueType::Text && value.Type != RegistryValueType::ExpandableText)
        return false;
    CopyItemText(field, value.Text.c_str());
    return true;
}

const char* SwitchText(bool on) {
    return on ? "1" : "0";
}

// The record is open to every part; never read past the buffer.
size_t PrefixLength(const char (&prefix)[PrefixCapacity]) {
    size_t length = 0;
    while (length < PrefixCapacity && prefix[length] != '\0')
        ++length;
    return length;
}

bool LoadFromRegistry() {
    const char* rootKey = SettingsRootKey(StartupInfo.RootKey);
    if (rootKey == nullptr)
        return false;
    // The host's own path is created when missing; our sub-key only by a save.
    KeyHandle root(OpenRegistryKey(rootKey, RegistryAccess::Read, true));
    if (root == nullptr)
        return false;
    KeyHandle key(OpenRegistrySubKey(root.get(), SettingsKeyName, RegistryAccess::Read, false));
    if (key == nullptr)
        return true;
    TPluginSettings& s = PluginSettings;
    // In this order, stopping at the first value of a type its field refuses
    // (the rest keep their defaults); the seventh comes last, so the six
    // classic values load exactly as before it existed.
    return ReadSwitch(key.get(), "AutoLoadList", s.AutoLoadList) &&
           ReadUseMode(key.get(), s.UseMode) &&
           ReadSwitch(key.get(), "ClearSelectionAfter", s.ClearSelectionAfter) &&
           ReadSwitch(key.get(), "ConfirmAbort", s.ConfirmAbort) &&
           ReadSwitch(key.get(), "TextModeForHashes", s.TextModeForHashes) &&
           ReadPrefix(key.get(), s.Prefix) &&
           ReadSwitch(key.get(), "ProcessSubfolders", s.ProcessSubfolders);
}

bool SaveToRegistry() {
    const char* rootKey = SettingsRootKey(StartupInfo.RootKey);
    if (rootKey == nullptr)
        return false;
    KeyHandle root(OpenRegistryKey(rootKey, RegistryAccess::Write, true));
    if (root == nullptr)
        return false;
    KeyHandle key(OpenRegistrySubKey(root.get(), SettingsKeyName, RegistryAccess::Write, true));
    if (key == nullptr)
        return false;
    const TPluginSettings& s = PluginSettings;
    // Writing a number replaces a text "UseMode" that another writer left.
    return WriteRegistryText(key.get(), "AutoLoadList", SwitchText(s.AutoLoadList)) &&
           WriteRegistryNumber(key.get(), "UseMode", static_cast<uint32_t>(s.UseMode)) &&
           WriteRegistryText(key.get(), "ClearSelectionAfter", SwitchText(s.ClearSelectionAfter)) &&
           WriteRegistryText(key.get(), "ConfirmAbort", SwitchText(s.ConfirmAbort)) &&
           WriteRegistryText(key.get(), "TextModeForHashes", SwitchText(s.TextModeForHashes)) &&
           WriteRegistryText(key.get(), "Prefix", std::string(s.Prefix, PrefixLength(s.Prefix))) &&
           WriteRegistryText(key.get(), "ProcessSubfolders", SwitchText(s.ProcessSubfolders));
}

} // namespace

bool LoadSettings() {
    TPluginSettings& s = PluginSettings;
    s.AutoLoadList = DefaultAutoLoadList;
    s.UseMode = DefaultUseMode;
    s.ClearSelectionAfter = DefaultClearSelectionAfter;
    s.ConfirmAbort = DefaultConfirmAbort;
    s.TextModeForHashes = DefaultTextModeForHashes;
    s.ProcessSubfolders = DefaultProcessSubfolders;
    try {
        return LoadFromRegistry();
    } catch (...) {
        return false;
    }
}

bool SaveSettings() {
    try {
        return SaveToRegistry();
    } catch (...) {
        return false;
    }
}
