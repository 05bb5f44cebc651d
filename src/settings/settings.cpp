// The settings record and what the values in the host's store mean: the
// types each value accepts, as another writer of the registry may have left
// them, the order of the reading and the form of the writing. The store
// itself is the host's (THost::OpenSettings); nothing here throws past the
// two functions.
#include "settings/settings.h"

#include "seam/seam.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

TPluginSettings PluginSettings = {true, 2, true, true, false, "check", false};

namespace {

using TType = TStoredValue::TType;

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

ReadOutcome ReadValue(TSettingsStore& store, const char* name, TStoredValue& value) {
    switch (store.Read(name, value)) {
    case TStoredRead::Found:
        return ReadOutcome::Read;
    case TStoredRead::Missing:
        return ReadOutcome::Missing;
    case TStoredRead::Failed:
        break;
    }
    return ReadOutcome::Failed;
}

// A switch: text holding an integer, or a number; non-zero is true. Text
// that is no integer keeps the field as it is.
bool ReadSwitch(TSettingsStore& store, const char* name, bool& field) {
    TStoredValue value;
    switch (ReadValue(store, name, value)) {
    case ReadOutcome::Missing:
        return true;
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Read:
        break;
    }
    if (value.Type == TType::Number) {
        field = value.Number != 0;
        return true;
    }
    if (value.Type == TType::Text) {
        int32_t number = 0;
        if (ParseInteger(value.Text, number))
            field = number != 0;
        return true;
    }
    return false;
}

// UseMode takes whatever integer is stored; only the algorithm table decides
// what it names.
bool ReadUseMode(TSettingsStore& store, int32_t& field) {
    TStoredValue value;
    switch (ReadValue(store, "UseMode", value)) {
    case ReadOutcome::Missing:
        return true;
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Read:
        break;
    }
    if (value.Type == TType::Number) {
        field = static_cast<int32_t>(value.Number);
        return true;
    }
    if (value.Type == TType::Text) {
        int32_t number = 0;
        if (ParseInteger(value.Text, number))
            field = number;
        return true;
    }
    return false;
}

// Expandable text is taken as it stands: the prefix is typed on the host's
// command line, not a path to expand. A longer text is cut to the buffer.
bool ReadPrefix(TSettingsStore& store, char (&field)[PrefixCapacity]) {
    TStoredValue value;
    switch (ReadValue(store, "Prefix", value)) {
    case ReadOutcome::Missing:
        return true;
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Read:
        break;
    }
    if (value.Type != TType::Text && value.Type != TType::ExpandableText)
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

bool LoadFromStore() {
    // Nothing saved yet: the defaults stand (the store makes our key only for a save).
    std::unique_ptr<TSettingsStore> store;
    switch (CurrentHost().OpenSettings(false, store)) {
    case TStoreOpening::Opened:
        break;
    case TStoreOpening::Missing:
        return true;
    case TStoreOpening::Failed:
        return false;
    }
    TSettingsStore& key = *store;
    TPluginSettings& s = PluginSettings;
    // In this order, stopping at the first value of a type its field refuses
    // (the rest keep their defaults); the seventh comes last, so the six
    // classic values load exactly as before it existed.
    return ReadSwitch(key, "AutoLoadList", s.AutoLoadList) && ReadUseMode(key, s.UseMode) &&
           ReadSwitch(key, "ClearSelectionAfter", s.ClearSelectionAfter) &&
           ReadSwitch(key, "ConfirmAbort", s.ConfirmAbort) &&
           ReadSwitch(key, "TextModeForHashes", s.TextModeForHashes) && ReadPrefix(key, s.Prefix) &&
           ReadSwitch(key, "ProcessSubfolders", s.ProcessSubfolders);
}

bool SaveToStore() {
    std::unique_ptr<TSettingsStore> store;
    if (CurrentHost().OpenSettings(true, store) != TStoreOpening::Opened)
        return false;
    TSettingsStore& key = *store;
    const TPluginSettings& s = PluginSettings;
    // Stops at the first failed write. Writing a number replaces a text
    // "UseMode" that another writer left.
    return key.WriteText("AutoLoadList", SwitchText(s.AutoLoadList)) &&
           key.WriteNumber("UseMode", static_cast<uint32_t>(s.UseMode)) &&
           key.WriteText("ClearSelectionAfter", SwitchText(s.ClearSelectionAfter)) &&
           key.WriteText("ConfirmAbort", SwitchText(s.ConfirmAbort)) &&
           key.WriteText("TextModeForHashes", SwitchText(s.TextModeForHashes)) &&
           key.WriteText("Prefix", std::string_view(s.Prefix, PrefixLength(s.Prefix))) &&
           key.WriteText("ProcessSubfolders", SwitchText(s.ProcessSubfolders));
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
        return LoadFromStore();
    } catch (...) {
        return false;
    }
}

bool SaveSettings() {
    try {
        return SaveToStore();
    } catch (...) {
        return false;
    }
}
