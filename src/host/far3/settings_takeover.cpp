// The 1.x plug-in's settings copied once from the registry into FAR 3's
// store. The registry is only ever opened for reading here.
#include "host/far3/far3.h"

#include "platform/registry.h"
#include "platform/unicode.h"

#include <memory>

namespace Far3 {

namespace {

using namespace Platform;

// The settings in the order the 1.x plug-in reads them, and what it takes
// for each: switches and UseMode as a number or a text, Prefix as text or
// expandable text (taken as it stands).
enum class TKind { Number, Prefix };
struct TLegacyValue {
    const char* Name;
    TKind Kind;
};
constexpr TLegacyValue LegacyValues[] = {
    {"AutoLoadList", TKind::Number},        {"UseMode", TKind::Number},
    {"ClearSelectionAfter", TKind::Number}, {"ConfirmAbort", TKind::Number},
    {"TextModeForHashes", TKind::Number},   {"Prefix", TKind::Prefix},
    {"ProcessSubfolders", TKind::Number},
};
constexpr const char* LegacyKeyName = "Hashkeep";

struct KeyCloser {
    void operator()(RegistryKey* key) const { CloseRegistryKey(key); }
};
using KeyHandle = std::unique_ptr<RegistryKey, KeyCloser>;

bool EqualNoCase(const std::string& text, const char* word) {
    size_t i = 0;
    for (; i < text.size() && word[i] != '\0'; ++i) {
        const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (a != word[i])
            return false;
    }
    return i == text.size() && word[i] == '\0';
}

} // namespace

std::string LegacySettingsRoot(const std::vector<std::string>& farArguments) {
    std::string user;
    // As FAR reads its options: "-u" or "/u" takes the next argument.
    for (size_t i = 0; i + 1 < farArguments.size(); ++i)
        if (EqualNoCase(farArguments[i], "-u") || EqualNoCase(farArguments[i], "/u"))
            user = farArguments[++i];
    if (user.empty())
        return "Software\\Far Manager\\Plugins";
    return "Software\\Far Manager\\Users\\" + user + "\\Plugins";
}

TTakeOver TakeOverLegacySettings(TSettingsStore& store, const std::string& legacyRoot) {
    for (const TLegacyValue& value : LegacyValues)
        if (store.Holds(value.Name))
            return TTakeOver::StoreInUse;
    // Read only, created nowhere: a FAR that never ran the 1.x plug-in gets
    // no key from this.
    KeyHandle root(OpenRegistryKey(legacyRoot, RegistryAccess::Read, false));
    if (root == nullptr)
        return TTakeOver::NothingFound;
    KeyHandle key(OpenRegistrySubKey(root.get(), LegacyKeyName, RegistryAccess::Read, false));
    if (key == nullptr)
        return TTakeOver::NothingFound;
    bool taken = false;
    for (const TLegacyValue& wanted : LegacyValues) {
        RegistryValue value;
        const RegistryReadResult read = ReadRegistryValue(key.get(), wanted.Name, value);
        if (read == RegistryReadResult::Missing)
            continue;
        if (read == RegistryReadResult::Failed)
            break;
        bool written = false;
        if (value.Type == RegistryValueType::Number && wanted.Kind == TKind::Number) {
            written = store.SetNumber(wanted.Name, value.Number);
        } else if (value.Type == RegistryValueType::Text ||
                   (value.Type == RegistryValueType::ExpandableText &&
                    wanted.Kind == TKind::Prefix)) {
            std::string text;
            if (!LegacyTextToUtf8(value.Text, text))
                break;
            written = store.SetText(wanted.Name, text);
        } else {
            break; // a type the 1.x load refuses ends it
        }
        if (!written)
            return TTakeOver::Failed;
        taken = true;
    }
    return taken ? TTakeOver::TakenOver : TTakeOver::NothingFound;
}

} // namespace Far3
