// The digest text of the hash lists: lower-case hexadecimal, high nibble first.
#include "digest.h"

namespace {
constexpr char HexDigits[] = "0123456789abcdef";
}

std::string ByteToHex(uint8_t Byte) {
    return std::string{HexDigits[Byte >> 4], HexDigits[Byte & 0x0F]};
}

std::string BytesToHex(const void* Data, int32_t Count) {
    std::string text;
    if (Data == nullptr || Count <= 0)
        return text;
    const auto* bytes = static_cast<const uint8_t*>(Data);
    text.reserve(static_cast<size_t>(Count) * 2);
    for (int32_t i = 0; i < Count; ++i) {
        text += HexDigits[bytes[i] >> 4];
        text += HexDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string Crc32ToHex(uint32_t Crc) {
    std::string text(8, '0');
    for (int digit = 7; digit >= 0; --digit, Crc >>= 4)
        text[static_cast<size_t>(digit)] = HexDigits[Crc & 0x0F];
    return text;
}
