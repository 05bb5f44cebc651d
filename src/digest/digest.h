// Streaming digests of the hash lists: CRC32 (".sfv"), MD5 (".md5"), SHA1
// (".sha1"), SHA-256, SHA-512 and BLAKE3, and the lower-case hexadecimal text
// that the lists hold.
//
// Every digest has the same shape: init prepares a caller-owned context, update
// folds a run of bytes into it (any number of calls, at most 65535 bytes each),
// final hands out the digest. The result depends only on the bytes fed, never
// on how they were split over update calls. Nothing here allocates, fails or
// keeps shared mutable state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The context of MD5, SHA1, SHA-256 and SHA-512. Sized for digests of up to
// 512 bits of state and 128-byte blocks; the parts an algorithm does not use
// stay zero.
struct HashContext {
    uint32_t State[16];    // chaining state: MD5 words 0-3, SHA1 0-4, SHA-256 0-7,
                           // SHA-512 all (its eight 64-bit words in memory order)
    uint32_t BitLength[4]; // message bits fed so far, least significant word first
    uint8_t Buffer[128];   // bytes of the block not yet complete (0-63 used; SHA-512 0-127)
    int32_t Index;         // bytes waiting in Buffer, 0 to 63 between calls (SHA-512 127)
};

using HashDigest = std::array<uint8_t, 64>;
using Md5Digest = std::array<uint8_t, 16>;
using Sha1Digest = std::array<uint8_t, 20>;
using Sha256Digest = std::array<uint8_t, 32>;
using Sha512Digest = std::array<uint8_t, 64>;
using Blake3Digest = std::array<uint8_t, 32>;

constexpr int Md5DigestSize = 16;
constexpr int Sha1DigestSize = 20;
constexpr int Sha256DigestSize = 32; // 64 hexadecimal digits
constexpr int Sha512DigestSize = 64; // 128 hexadecimal digits
constexpr int Blake3DigestSize = 32; // 64 digits, as b3sum writes by default
constexpr int DigestBlockSize = 64;
constexpr int Sha512BlockSize = 128;

// The algorithm ids the lists' algorithm table gives the digests: one bit
// each, the bits of the plug-in's stored work mode.
enum DigestAlgorithmId : uint32_t {
    DigestCrc32 = 1,
    DigestMd5 = 2,
    DigestSha1 = 4,
    DigestSha256 = 8,
    DigestSha512 = 16,
    DigestBlake3 = 32,
};

// CRC-32 of ISO 3309 / ITU-T V.42 / IEEE 802.3; the register is the context.
void Crc32Init(uint32_t& Crc);
void Crc32Update(uint32_t& Crc, const void* Data, uint16_t Count);
void Crc32Final(uint32_t& Crc);

// MD5 of RFC 1321.
void Md5Init(HashContext& Context);
void Md5Update(HashContext& Context, const void* Data, uint16_t Count);
void Md5Final(HashContext& Context, Md5Digest& Digest);
// One application of the block function to the 64 bytes at Block.
void Md5Compress(uint32_t State[4], const uint8_t* Block);

// SHA-1 of FIPS 180-1.
void Sha1Init(HashContext& Context);
void Sha1Update(HashContext& Context, const void* Data, uint16_t Count);
void Sha1Final(HashContext& Context, Sha1Digest& Digest);
// One application of the block function to the 64 bytes of Context.Buffer.
void Sha1Compress(HashContext& Context);

// SHA-256 of FIPS 180-4: the 64-bit length and update scheme of SHA1, the
// state words and digest big-endian.
void Sha256Init(HashContext& Context);
void Sha256Update(HashContext& Context, const void* Data, uint16_t Count);
void Sha256Final(HashContext& Context, Sha256Digest& Digest);
// One application of the block function to the 64 bytes at Block.
void Sha256Compress(uint32_t State[8], const uint8_t* Block);

// SHA-512 of FIPS 180-4: 64-bit words, 128-byte blocks, a 128-bit length; the
// state words and digest big-endian.
void Sha512Init(HashContext& Context);
void Sha512Update(HashContext& Context, const void* Data, uint16_t Count);
void Sha512Final(HashContext& Context, Sha512Digest& Digest);
// One application of the block function to the 128 bytes at Block.
void Sha512Compress(uint64_t State[8], const uint8_t* Block);

// BLAKE3's hash (the reference C implementation, third_party/blake3) with its
// default 32-byte output. Its tree of 1024-byte chunks needs more state than
// HashContext holds: the context holds the reference's hasher. Update takes
// any count. It hashes up to 16 chunks of 1024 bytes side by side only within
// one call and where a run of 2^k whole chunks starts on a multiple of 2^k
// chunks: feed it whole reads (1 MiB at multiples of 1 MiB ran 1.6 times as
// fast as the 65472-byte updates the other digests take).
struct Blake3Context {
    alignas(8) uint8_t Hasher[1912];
};
void Blake3Init(Blake3Context& Context);
void Blake3Update(Blake3Context& Context, const void* Data, size_t Count);
void Blake3Final(Blake3Context& Context, Blake3Digest& Digest);

// Hexadecimal text, digits from "0123456789abcdef", high nibble first.
std::string ByteToHex(uint8_t Byte);
// Empty for a null pointer or a count of 0 or less; no separators.
std::string BytesToHex(const void* Data, int32_t Count);
// A CRC32 value as exactly 8 digits, most significant first.
std::string Crc32ToHex(uint32_t Crc);
