// CRC-32 as HDLC, V.42 and Ethernet define it: polynomial 0x04C11DB7 processed
// least significant bit first, register preset to all ones, result inverted.
// One table look-up per byte; the table is constant data of the image.
#include "digest.h"
#include "digest_kernels.h"

#include <array>

namespace {

constexpr uint32_t Crc32Polynomial = 0xEDB88320u; // 0x04C11DB7 reflected, x^32 implied

constexpr std::array<uint32_t, 256> MakeCrc32Table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t value = n;
        for (int step = 0; step < 8; ++step)
            value = (value & 1u) ? (value >> 1) ^ Crc32Polynomial : value >> 1;
        table[n] = value;
    }
    return table;
}

constexpr std::array<uint32_t, 256> Crc32Table = MakeCrc32Table();
static_assert(Crc32Table[0] == 0x00000000u);
static_assert(Crc32Table[1] == 0x77073096u);
static_assert(Crc32Table[128] == 0xEDB88320u);
static_assert(Crc32Table[255] == 0x2D02EF8Du);

} // namespace

void Crc32Init(uint32_t& Crc) {
    Crc = 0xFFFFFFFFu;
}

void DigestDetail::Crc32UpdateReference(uint32_t& Crc, const void* Data, uint16_t Count) {
    if (Count == 0)
        return;
    const auto* bytes = static_cast<const uint8_t*>(Data);
    uint32_t crc = Crc;
    for (int32_t i = 0; i < static_cast<int32_t>(Count); ++i)
        crc = (crc >> 8) ^ Crc32Table[(crc ^ bytes[i]) & 0xFFu];
    Crc = crc;
}

void Crc32Final(uint32_t& Crc) {
    Crc ^= 0xFFFFFFFFu;
}
