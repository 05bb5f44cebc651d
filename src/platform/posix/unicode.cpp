// On POSIX the 1.x build's texts were already the bytes programs use; only
// UTF-8 is taken, so that the FAR 3 build's rule (UTF-8 or an error) holds
// here too.
#include "platform/unicode.h"

#include <cstdint>

namespace Platform {

namespace {

// RFC 3629: shortest forms only, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<uint8_t>(text[at]);
        size_t length = 0;
        uint32_t low = 0x80, high = 0xBF; // the second byte's range
        if (lead < 0x80) {
            ++at;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0; // overlong below
            if (lead == 0xED)
                high = 0x9F; // surrogates above
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (at + length > text.size())
            return false;
        for (size_t i = 1; i < length; ++i) {
            const auto byte = static_cast<uint8_t>(text[at + i]);
            if (byte < (i == 1 ? low : 0x80) || byte > (i == 1 ? high : 0xBF))
                return false;
        }
        at += length;
    }
    return true;
}

} // namespace

bool LegacyTextToUtf8(std::string_view text, std::string& utf8) {
    utf8.clear();
    if (!IsUtf8(text))
        return false;
    utf8.assign(text);
    return true;
}

} // namespace Platform
