// The buffering scheme that the digests share on a HashContext: the bit count
// (64 bits for 64-byte blocks, 128 for SHA-512's 128-byte blocks), the partial
// block in Buffer, padding and the wipe after final. Internal to digest/; the
// algorithms differ only in their block function, their block size and the
// byte order of the stored length.
#pragma once

#include "digest.h"

#include <cstring>

namespace DigestDetail {

// CompressBuffer() runs the block function on Context.Buffer;
// CompressBlocks(p, n) runs it on the n whole blocks of the caller's data at p
// (n >= 1) that follow a filled buffer.
template <int32_t BlockSize = DigestBlockSize, typename CompressBuffer, typename CompressBlocks>
inline void UpdateHashContext(HashContext& Context, const void* Data, uint16_t Count,
                              CompressBuffer compressBuffer, CompressBlocks compressBlocks) {
    static_assert(BlockSize == DigestBlockSize || BlockSize == 2 * DigestBlockSize);
    int32_t remaining = Count;
    if (remaining == 0)
        return;
    const uint32_t addedBits = static_cast<uint32_t>(remaining) * 8u;
    Context.BitLength[0] += addedBits;
    if (Context.BitLength[0] < addedBits) {
        // The count of 128-byte-block digests runs to 128 bits; the others
        // keep their two unused words zero.
        if (++Context.BitLength[1] == 0 && BlockSize > DigestBlockSize)
            if (++Context.BitLength[2] == 0)
                ++Context.BitLength[3];
    }

    const auto* bytes = static_cast<const uint8_t*>(Data);
    while (remaining > 0) {
        const int32_t room = BlockSize - Context.Index;
        const int32_t take = remaining < room ? remaining : room;
        std::memcpy(Context.Buffer + Context.Index, bytes, static_cast<size_t>(take));
        Context.Index += take;
        bytes += take;
        remaining -= take;
        if (Context.Index < BlockSize)
            break;
        Context.Index = 0;
        compressBuffer();
        if (const int32_t blocks = remaining / BlockSize; blocks > 0) {
            compressBlocks(bytes, blocks);
            bytes += blocks * BlockSize;
            remaining -= blocks * BlockSize;
        }
    }
}

// Pads the message, stores the bit length (StoreLength writes the last
// eighth of the block: bytes 56-63, or 112-127 of a 128-byte block) and runs
// the last one or two blocks.
template <int32_t BlockSize = DigestBlockSize, typename CompressBuffer, typename StoreLength>
inline void PadHashContext(HashContext& Context, CompressBuffer compressBuffer,
                           StoreLength storeLength) {
    constexpr int32_t lengthAt = BlockSize - BlockSize / 8;
    const int32_t index = Context.Index;
    Context.Buffer[index] = 0x80;
    std::memset(Context.Buffer + index + 1, 0, static_cast<size_t>(BlockSize - index - 1));
    if (index >= lengthAt) {
        compressBuffer();
        std::memset(Context.Buffer, 0, lengthAt);
    }
    storeLength(Context.Buffer + lengthAt);
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

inline uint64_t LoadBigEndian64(const uint8_t* p) {
    return static_cast<uint64_t>(LoadBigEndian32(p)) << 32 | LoadBigEndian32(p + 4);
}

inline void StoreBigEndian64(uint8_t* p, uint64_t value) {
    StoreBigEndian32(p, static_cast<uint32_t>(value >> 32));
    StoreBigEndian32(p + 4, static_cast<uint32_t>(value));
}

} // namespace DigestDetail
