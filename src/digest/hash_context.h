// The buffering scheme that MD5 and SHA1 share on a HashContext: the 64-bit
// bit count, the partial block in Buffer, padding and the wipe after final.
// Internal to digest/; the algorithms differ only in their block function and
// in the byte order of the stored length.
#pragma once

#include "digest.h"

#include <cstring>

namespace DigestDetail {

// CompressBuffer() runs the block function on Context.Buffer;
// CompressBlocks(p, n) runs it on the n whole blocks of the caller's data at p
// (n >= 1) that follow a filled buffer.
template <typename CompressBuffer, typename CompressBlocks>
inline void UpdateHashContext(HashContext& Context, const void* Data, uint16_t Count,
                              CompressBuffer compressBuffer, CompressBlocks compressBlocks) {
    int32_t remaining = Count;
    if (remaining == 0)
        return;
    const uint32_t addedBits = static_cast<uint32_t>(remaining) * 8u;
    Context.BitLength[0] += addedBits;
    if (Context.BitLength[0] < addedBits)
        ++Context.BitLength[1];

    const auto* bytes = static_cast<const uint8_t*>(Data);
    while (remaining > 0) {
        const int32_t room = DigestBlockSize - Context.Index;
        const int32_t take = remaining < room ? remaining : room;
        std::memcpy(Context.Buffer + Context.Index, bytes, static_cast<size_t>(take));
        Context.Index += take;
        bytes += take;
        remaining -= take;
        if (Context.Index < DigestBlockSize)
            break;
        Context.Index = 0;
        compressBuffer();
        if (const int32_t blocks = remaining / DigestBlockSize; blocks > 0) {
            compressBlocks(bytes, blocks);
            bytes += blocks * DigestBlockSize;
            remaining -= blocks * DigestBlockSize;
        }
    }
}

// Pads the message, stores the bit length (StoreLength writes bytes 56-63)
// and runs the last one or two blocks.
template <typename CompressBuffer, typename StoreLength>
inline void PadHashContext(HashContext& Context, CompressBuffer compressBuffer,
                           StoreLength storeLength) {
    const int32_t index = Context.Index;
    Context.Buffer[index] = 0x80;
    std::memset(Context.Buffer + index + 1, 0, static_cast<size_t>(DigestBlockSize - index - 1));
    if (index >= 56) {
        compressBuffer();
        std::memset(Context.Buffer, 0, 56);
    }
    storeLength(Context.Buffer + 56);
    compressBuffer();
}

inline void WipeHashContext(HashContext& Context) {
    // volatile so that the wipe is kept even where the context is not read again
    volatile uint8_t* bytes = reinterpret_cast<volatile uint8_t*>(&Context);
    for (size_t i = 0; i < sizeof(HashContext); ++i)
        bytes[i] = 0;
}

inline uint32_t LoadLittleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreLittleEndian32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

// The byte-order reversal of one word that the SHA1 schedule, length and digest use.
inline uint32_t ByteSwap32(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
           (value << 24);
}

inline uint32_t LoadBigEndian32(const uint8_t* p) {
    return ByteSwap32(LoadLittleEndian32(p));
}

inline void StoreBigEndian32(uint8_t* p, uint32_t value) {
    StoreLittleEndian32(p, ByteSwap32(value));
}

inline uint32_t RotateLeft(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

} // namespace DigestDetail
