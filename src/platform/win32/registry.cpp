// The per-user settings tree on Windows: the real registry below
// HKEY_CURRENT_USER, through the ANSI functions.
#include "platform/registry.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace Platform {

class RegistryKey {
public:
    explicit RegistryKey(HKEY handle) : Handle(handle) {}
    HKEY Handle;
};

namespace {

// No setting comes near this; a larger value is refused rather than read.
constexpr DWORD RegistryValueSizeLimit = 65536;

REGSAM AccessMask(RegistryAccess access) {
    return access == RegistryAccess::Read ? KEY_READ : KEY_WRITE;
}

RegistryKey* OpenBelow(HKEY parent, const std::string& path, RegistryAccess access, bool create) {
    HKEY handle = nullptr;
    LONG status;
    if (create)
        status = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, AccessMask(access), nullptr,
                                 &handle, nullptr);
    else
        status = RegOpenKeyExA(parent, path.c_str(), 0, AccessMask(access), &handle);
    if (status != ERROR_SUCCESS)
        return nullptr;
    return new (std::nothrow) RegistryKey(handle);
}

void FillValue(DWORD type, std::vector<uint8_t>&& data, RegistryValue& value) {
    value = RegistryValue{};
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        value.Type = type == REG_SZ ? RegistryValueType::Text : RegistryValueType::ExpandableText;
        size_t length = 0;
        while (length < data.size() && data[length] != 0)
            ++length;
        value.Text.assign(reinterpret_cast<const char*>(data.data()), length);
        break;
    }
    case REG_DWORD:
        if (data.size() == 4) {
            value.Type = RegistryValueType::Number;
            value.Number = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                           static_cast<uint32_t>(data[2]) << 16 |
                           static_cast<uint32_t>(data[3]) << 24;
        } else {
            value.Type = RegistryValueType::Other;
        }
        break;
    case REG_BINARY:
        value.Type = RegistryValueType::Bytes;
        break;
    default:
        value.Type = RegistryValueType::Other;
        break;
    }
    value.Bytes = std::move(data);
}

} // namespace

RegistryKey* OpenRegistryKey(const std::string& path, RegistryAccess access, bool create) {
    return OpenBelow(HKEY_CURRENT_USER, path, access, create);
}

RegistryKey* OpenRegistrySubKey(RegistryKey* key, const std::string& name, RegistryAccess access,
                                bool create) {
    if (key == nullptr)
        return nullptr;
    return OpenBelow(key->Handle, name, access, create);
}

void CloseRegistryKey(RegistryKey* key) {
    if (key == nullptr)
        return;
    RegCloseKey(key->Handle);
    delete key;
}

RegistryReadResult ReadRegistryValue(RegistryKey* key, const std::string& name,
                                     RegistryValue& value) {
    if (key == nullptr)
        return RegistryReadResult::Failed;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key->Handle, name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return RegistryReadResult::Missing;
    if (status != ERROR_SUCCESS || size > RegistryValueSizeLimit)
        return RegistryReadResult::Failed;
    std::vector<uint8_t> data(size);
    status = RegQueryValueExA(key->Handle, name.c_str(), nullptr, &type, data.data(), &size);
    if (status != ERROR_SUCCESS || size > data.size())
        return RegistryReadResult::Failed;
    data.resize(size);
    FillValue(type, std::move(data), value);
    return RegistryReadResult::Found;
}

bool WriteRegistryValue(RegistryKey* key, const std::string& name, const RegistryValue& value) {
    if (key == nullptr)
        return false;
    DWORD type = REG_BINARY;
    std::vector<uint8_t> data;
    switch (value.Type) {
    case RegistryValueType::Text:
    case RegistryValueType::ExpandableText:
        type = value.Type == RegistryValueType::Text ? REG_SZ : REG_EXPAND_SZ;
        data.assign(value.Text.begin(), value.Text.end());
        data.push_back(0);
        break;
    case RegistryValueType::Number:
        type = REG_DWORD;
        for (int shift = 0; shift < 32; shift += 8)
            data.push_back(static_cast<uint8_t>(value.Number >> shift));
        break;
    case RegistryValueType::Bytes:
        data = value.Bytes;
        break;
    case RegistryValueType::Other:
        type = REG_MULTI_SZ;
        data = value.Bytes;
        break;
    }
    return RegSetValueExA(key->Handle, name.c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool DeleteRegistryValue(RegistryKey* key, const std::string& name) {
    if (key == nullptr)
        return false;
    return RegDeleteValueA(key->Handle, name.c_str()) == ERROR_SUCCESS;
}

bool ListRegistryValues(RegistryKey* key,
                        std::vector<std::pair<std::string, RegistryValue>>& values) {
    values.clear();
    if (key == nullptr)
        return false;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        LONG status =
            RegEnumValueA(key->Handle, index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || size > RegistryValueSizeLimit)
            return false;
        RegistryValue value;
        if (ReadRegistryValue(key, std::string(name, nameLength), value) !=
            RegistryReadResult::Found)
            return false;
        values.emplace_back(std::string(name, nameLength), std::move(value));
    }
    std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) {
        return lstrcmpiA(a.first.c_str(), b.first.c_str()) < 0;
    });
    return true;
}

} // namespace Platform
