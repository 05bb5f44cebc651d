// The per-user settings tree in far2l: its emulated registry (one folder per
// key in the profile), through WinPort. Key paths may use '/' (far2l's own
// RootKey does) or '\'; names and texts go to WinPort as wide text and come
// back as UTF-8.
#include "platform/registry.h"
#include "platform/far2l/winport.h"

#include <algorithm>
#include <new>

namespace Platform {

class RegistryKey {
public:
    explicit RegistryKey(HKEY handle) : Handle(handle) {}
    HKEY Handle;
};

namespace {

using WinPortText::Utf8;
using WinPortText::Wide;

// No setting comes near this; a larger value is refused rather than read.
constexpr DWORD RegistryValueSizeLimit = 65536;

// WinPort knows only '/' between keys; a backslash would become part of a
// key's name.
std::wstring KeyPath(const std::string& path) {
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return Wide(slashed);
}

RegistryKey* OpenBelow(HKEY parent, const std::string& path, RegistryAccess access, bool create) {
    const REGSAM mask = access == RegistryAccess::Read ? KEY_READ : KEY_WRITE;
    const std::wstring wide = KeyPath(path);
    HKEY handle = nullptr;
    const LONG status = create ? WINPORT(RegCreateKeyEx)(parent, wide.c_str(), 0, nullptr, 0, mask,
                                                         nullptr, &handle, nullptr)
                               : WINPORT(RegOpenKeyEx)(parent, wide.c_str(), 0, mask, &handle);
    if (status != ERROR_SUCCESS)
        return nullptr;
    auto* key = new (std::nothrow) RegistryKey(handle);
    if (key == nullptr)
        WINPORT(RegCloseKey)(handle);
    return key;
}

// Texts end at their first NUL, as the Windows registry's do.
std::string WideValueText(const std::vector<uint8_t>& data) {
    const auto* text = reinterpret_cast<const wchar_t*>(data.data());
    const size_t count = data.size() / sizeof(wchar_t);
    return Utf8(text, std::find(text, text + count, L'\0') - text);
}

std::string ByteValueText(const std::vector<uint8_t>& data) {
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    return std::string(data.begin(), end);
}

void FillValue(DWORD type, std::vector<uint8_t>&& data, RegistryValue& value) {
    value = RegistryValue{};
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        value.Type = type == REG_SZ ? RegistryValueType::Text : RegistryValueType::ExpandableText;
        value.Text = WideValueText(data);
        break;
    case REG_SZ_MB:
    case REG_EXPAND_SZ_MB:
        value.Type =
            type == REG_SZ_MB ? RegistryValueType::Text : RegistryValueType::ExpandableText;
        value.Text = ByteValueText(data);
        break;
    case REG_DWORD:
        value.Type = data.size() == 4 ? RegistryValueType::Number : RegistryValueType::Other;
        for (size_t i = 0; i < data.size() && i < 4; ++i)
            value.Number |= static_cast<uint32_t>(data[i]) << (8 * i);
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
    return key != nullptr ? OpenBelow(key->Handle, name, access, create) : nullptr;
}

void CloseRegistryKey(RegistryKey* key) {
    if (key == nullptr)
        return;
    WINPORT(RegCloseKey)(key->Handle);
    delete key;
}

RegistryReadResult ReadRegistryValue(RegistryKey* key, const std::string& name,
                                     RegistryValue& value) {
    if (key == nullptr)
        return RegistryReadResult::Failed;
    const std::wstring wide = Wide(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG status =
        WINPORT(RegQueryValueEx)(key->Handle, wide.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return RegistryReadResult::Missing;
    if (status != ERROR_SUCCESS || size > RegistryValueSizeLimit)
        return RegistryReadResult::Failed;
    // Room for a terminator WinPort may add after a text.
    std::vector<uint8_t> data(size + sizeof(wchar_t));
    DWORD capacity = static_cast<DWORD>(data.size());
    status =
        WINPORT(RegQueryValueEx)(key->Handle, wide.c_str(), nullptr, &type, data.data(), &capacity);
    if (status != ERROR_SUCCESS || capacity > size)
        return RegistryReadResult::Failed;
    data.resize(capacity);
    FillValue(type, std::move(data), value);
    return RegistryReadResult::Found;
}

bool WriteRegistryValue(RegistryKey* key, const std::string& name, const RegistryValue& value) {
    if (key == nullptr)
        return false;
    DWORD type = REG_BINARY;
    std::vector<uint8_t> data;
    std::wstring text;
    switch (value.Type) {
    case RegistryValueType::Text:
    case RegistryValueType::ExpandableText:
        type = value.Type == RegistryValueType::Text ? REG_SZ : REG_EXPAND_SZ;
        text = Wide(value.Text);
        data.assign(reinterpret_cast<const uint8_t*>(text.data()),
                    reinterpret_cast<const uint8_t*>(text.data() + text.size()));
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
    return WINPORT(RegSetValueEx)(key->Handle, Wide(name).c_str(), 0, type, data.data(),
                                  static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool DeleteRegistryValue(RegistryKey* key, const std::string& name) {
    return key != nullptr &&
           WINPORT(RegDeleteValue)(key->Handle, Wide(name).c_str()) == ERROR_SUCCESS;
}

bool ListRegistryValues(RegistryKey* key,
                        std::vector<std::pair<std::string, RegistryValue>>& values) {
    values.clear();
    if (key == nullptr)
        return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[1024];
        DWORD nameLength = sizeof name / sizeof name[0];
        const LONG status = WINPORT(RegEnumValue)(key->Handle, index, name, &nameLength, nullptr,
                                                  nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || nameLength >= sizeof name / sizeof name[0])
            return false;
        const std::string utf8 = Utf8(name, nameLength);
        RegistryValue value;
        if (ReadRegistryValue(key, utf8, value) != RegistryReadResult::Found)
            return false;
        values.emplace_back(utf8, std::move(value));
    }
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

} // namespace Platform
