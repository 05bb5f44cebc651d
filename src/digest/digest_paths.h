// Which code computes the digests of digest.h. The processor's features are
// detected once and the best path is taken; every path gives exactly the
// result of the portable reference (byte-table CRC32, RFC 1321 MD5 steps,
// FIPS 180-1 SHA1 rounds, FIPS 180-4 SHA-256 and SHA-512 rounds, the
// reference BLAKE3's portable unit), which runs whenever no path below is
// active. CRC32 takes the widest fold active for the run's length: 512-bit
// registers, then 256-bit, then 128-bit, then slicing-by-8. SHA-512 takes
// AVX-512, then AVX2 (64-bit builds) or SSE2 (32-bit builds). BLAKE3 hashes
// runs of chunks with its widest active unit and single blocks with the first
// active of AVX-512, SSE4.1 and SSE2, as the reference chooses them.
//
// For tests and benchmarks only: the product never changes the selection.
// Tests and benchmarks read the variable HASHKEEP_DIGEST_PATHS: unset or "all"
// keeps every path the processor supports, "none" runs only the reference,
// otherwise a comma-separated list of path names ("crc32-clmul,sha1-shani")
// keeps just those. A build with HASHKEEP_ACCELERATED_DIGESTS=OFF has no path
// but the reference.
#pragma once

#include <cstdint>

enum class DigestPath : uint32_t {
    Crc32Slicing8 = 1u << 0,   // eight bytes a step with eight tables; any processor
    Crc32Clmul = 1u << 1,      // carry-less multiply folding (PCLMULQDQ, SSE4.1)
    Md5Scheduled = 1u << 2,    // block function with shorter dependency chains; any processor
    Sha1ShaNi = 1u << 3,       // SHA extensions (SHA, SSSE3, SSE4.1)
    Crc32Vpclmul = 1u << 4,    // the folding on 512-bit registers (VPCLMULQDQ, AVX-512F)
    Sha256ShaNi = 1u << 5,     // SHA extensions (SHA, SSSE3, SSE4.1)
    Crc32Vpclmul256 = 1u << 6, // the folding on 256-bit registers (VPCLMULQDQ, AVX2)
    Md5Avx2 = 1u << 7,         // 16 MD5 messages side by side (AVX2; md5_lanes.h only)
    Md5Avx512 = 1u << 8,       // the same with AVX-512's instructions (AVX-512F and VL)
    Sha512Sse2 = 1u << 9,      // rounds in vector registers (SSE2; 32-bit builds only)
    Sha512Avx512 = 1u << 10,   // AVX-512VL's rotations and logic: the schedule (64-bit
                               // builds, with AVX2 and BMI2) or the rounds (32-bit builds)
    Sha512Avx2 = 1u << 11,     // schedule of 4 blocks in vectors (AVX2, BMI2; 64-bit builds only)
    Blake3Sse2 = 1u << 12,     // the reference BLAKE3's SSE2 unit
    Blake3Sse41 = 1u << 13,    // its SSE4.1 unit
    Blake3Avx2 = 1u << 14,     // its AVX2 unit (8 chunks at once)
    Blake3Avx512 = 1u << 15,   // its AVX-512 unit (16 chunks at once; AVX-512F and VL)
};

constexpr uint32_t AllDigestPaths = 0xFFFFu;
constexpr const char* DigestPathsVariable = "HASHKEEP_DIGEST_PATHS";

constexpr uint32_t DigestPathBit(DigestPath Path) {
    return static_cast<uint32_t>(Path);
}

// Paths compiled in and usable on this processor (detected once, then cached).
uint32_t SupportedDigestPaths();
// Paths in use now; all supported ones until SelectDigestPaths is called.
uint32_t ActiveDigestPaths();
// Uses the wanted paths that are supported; returns the paths now in use.
uint32_t SelectDigestPaths(uint32_t Wanted);

// "crc32-slicing8", "crc32-clmul", "md5-scheduled", "sha1-shani", "crc32-vpclmul",
// "sha256-shani", "crc32-vpclmul256", "md5-avx2", "md5-avx512", "sha512-sse2",
// "sha512-avx512", "sha512-avx2", "blake3-sse2", "blake3-sse41", "blake3-avx2",
// "blake3-avx512".
const char* DigestPathName(DigestPath Path);
// The value of HASHKEEP_DIGEST_PATHS as a set of paths; null or empty means
// all. False for an unknown name.
bool ParseDigestPaths(const char* Text, uint32_t& Paths);
