// The per-user settings tree: keys addressed by backslash-separated paths
// below the per-user root, values of the four types the settings know.
// Windows: the real registry below HKEY_CURRENT_USER. POSIX: a REGEDIT4-format
// text file, written atomically, at $HASHKEEP_REGISTRY_FILE or else
// $HOME/.hashkeep/registry.reg; a corrupt file reads as holding no values.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Platform {

enum class RegistryValueType { Text, ExpandableText, Number, Bytes, Other };

struct RegistryValue {
    RegistryValueType Type = RegistryValueType::Other;
    std::string Text;           // Text and ExpandableText
    uint32_t Number = 0;        // Number
    std::vector<uint8_t> Bytes; // Bytes and Other: the raw data
};

// As on Windows, a key opened for writing may not be readable through the same handle.
enum class RegistryAccess { Read, Write };

class RegistryKey; // opaque; one open key

// Opens the key at Path below the per-user root; with Create, the missing
// keys of the path are created first. Null on failure.
RegistryKey* OpenRegistryKey(const std::string& path, RegistryAccess access, bool create);
// Opens or creates the sub-key Name of an open key. Null on failure.
RegistryKey* OpenRegistrySubKey(RegistryKey* key, const std::string& name, RegistryAccess access,
                                bool create);
void CloseRegistryKey(RegistryKey* key);

enum class RegistryReadResult { Found, Missing, Failed };
RegistryReadResult ReadRegistryValue(RegistryKey* key, const std::string& name,
                                     RegistryValue& value);
bool WriteRegistryText(RegistryKey* key, const std::string& name, const std::string& text);
bool WriteRegistryNumber(RegistryKey* key, const std::string& name, uint32_t number);
// Writes a value of any of the four types (Text, ExpandableText: Text is
// stored; Number; Bytes), as another writer of the tree might leave it.
bool WriteRegistryValue(RegistryKey* key, const std::string& name, const RegistryValue& value);
bool DeleteRegistryValue(RegistryKey* key, const std::string& name);
// Every value of the key, sorted by name (for transcripts and tests).
bool ListRegistryValues(RegistryKey* key,
                        std::vector<std::pair<std::string, RegistryValue>>& values);

} // namespace Platform
