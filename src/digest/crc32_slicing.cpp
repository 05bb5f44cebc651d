// CRC-32 eight bytes a step ("slicing-by-8"): eight tables, table k giving the
// effect of a byte followed by k zero bytes, so the eight look-ups of one step
// are independent of each other. The portable path for processors without
// carry-less multiplication. The tables (8 KiB) are made on first use, not
// shipped as data: most processors never take this path, and the plug-in
// DLL has better use for 8 KiB.
#include "digest_kernels.h"
#include "hash_context.h"

#include <array>

namespace {

constexpr uint32_t Crc32Polynomial = 0xEDB88320u; // 0x04C11DB7 reflected, x^32 implied
constexpr int SliceCount = 8;

using SliceTables = std::array<std::array<uint32_t, 256>, SliceCount>;

constexpr SliceTables MakeSliceTables(uint32_t polynomial) {
    SliceTables tables{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t value = n;
        for (int step = 0; step < 8; ++step)
            value = (value & 1u) ? (value >> 1) ^ polynomial : value >> 1;
        tables[0][n] = value;
    }
    for (size_t k = 1; k < SliceCount; ++k)
        for (size_t n = 0; n < 256; ++n)
            tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xFFu];
    return tables;
}

// Checked where the compiler can run the generator.
constexpr SliceTables Checked = MakeSliceTables(Crc32Polynomial);
static_assert(Checked[0][1] == 0x77073096u && Checked[0][255] == 0x2D02EF8Du);
// One byte 0x01 followed by a zero byte.
static_assert(Checked[1][1] == ((Checked[0][1] >> 8) ^ Checked[0][Checked[0][1] & 0xFFu]));

// Made once, on first use, by whichever thread comes first (a guarded
// static); the polynomial read at run time keeps the compiler from baking
// the tables into the program.
const SliceTables& MadeTables() {
    static const SliceTables tables = [] {
        const volatile uint32_t polynomial = Crc32Polynomial;
        return MakeSliceTables(polynomial);
    }();
    return tables;
}

} // namespace

uint32_t DigestDetail::Crc32Slicing8(uint32_t Crc, const uint8_t* Data, size_t Count) {
    const SliceTables& Slices = MadeTables();
    for (; Count >= SliceCount; Count -= SliceCount, Data += SliceCount) {
        const uint32_t low = LoadLittleEndian32(Data) ^ Crc;
        const uint32_t high = LoadLittleEndian32(Data + 4);
        Crc = Slices[7][low & 0xFFu] ^ Slices[6][(low >> 8) & 0xFFu] ^
              Slices[5][(low >> 16) & 0xFFu] ^ Slices[4][low >> 24] ^ Slices[3][high & 0xFFu] ^
              Slices[2][(high >> 8) & 0xFFu] ^ Slices[1][(high >> 16) & 0xFFu] ^
              Slices[0][high >> 24];
    }
    for (; Count > 0; --Count, ++Data)
        Crc = (Crc >> 8) ^ Slices[0][(Crc ^ *Data) & 0xFFu];
    return Crc;
}
