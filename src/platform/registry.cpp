// What both registry implementations share: the two writes the settings use
// are values of one type each.
#include "platform/registry.h"

namespace Platform {

bool WriteRegistryText(RegistryKey* key, const std::string& name, const std::string& text) {
    RegistryValue value;
    value.Type = RegistryValueType::Text;
    value.Text = text;
    return WriteRegistryValue(key, name, value);
}

bool WriteRegistryNumber(RegistryKey* key, const std::string& name, uint32_t number) {
    RegistryValue value;
    value.Type = RegistryValueType::Number;
    value.Number = number;
    return WriteRegistryValue(key, name, value);
}

} // namespace Platform
