// The code behind each digest path, internal to digest/ (and to its tests and
// benchmarks, which compare the paths with each other). The public functions
// of digest.h choose among these; see digest_paths.h.
#pragma once

#include "digest.h"

#include <cstddef>

#if !defined(HASHKEEP_REFERENCE_DIGESTS_ONLY) && (defined(__i386__) || defined(__x86_64__))
#define HASHKEEP_X86_DIGESTS 1
#endif

namespace DigestDetail {

// The portable reference: one table look-up per byte, the RFC's unrolled MD5
// steps, the FIPS schedule and five-deep SHA1 round loops, the FIPS 180-4
// schedule and an eight-deep SHA-256 round loop.
void Crc32UpdateReference(uint32_t& Crc, const void* Data, uint16_t Count);
void Md5CompressReference(uint32_t State[4], const uint8_t* Block);
void Sha1CompressReference(HashContext& Context);
void Sha1UpdateReference(HashContext& Context, const void* Data, uint16_t Count);
void Sha256CompressReference(uint32_t State[8], const uint8_t* Block);
void Sha512CompressReference(uint64_t State[8], const uint8_t* Block);

// The 64 round constants of SHA-256, 16-byte aligned for the SIMD path.
extern const uint32_t Sha256RoundConstants[64];
// Compresses Blocks whole 64-byte blocks at Data (Blocks >= 1) on the best
// active path; the update scheme and Sha256Compress call this.
void Sha256Blocks(uint32_t State[8], const uint8_t* Data, size_t Blocks);

// The 80 round constants of SHA-512, 64-byte aligned for the SIMD paths.
extern const uint64_t Sha512RoundConstants[80];
// Compresses Blocks whole 128-byte blocks at Data (Blocks >= 1) on the best
// active path; the update scheme and Sha512Compress call this.
void Sha512Blocks(uint64_t State[8], const uint8_t* Data, size_t Blocks);

// Keeps the reference BLAKE3's own choice of instructions to the active
// BLAKE3 paths; the BLAKE3 functions of digest.h call it before they hash.
void SyncBlake3Paths();

// Messages a multi-buffer MD5 kernel compresses side by side.
constexpr int Md5KernelLanes = 16;

#if !defined(HASHKEEP_REFERENCE_DIGESTS_ONLY)
// Portable paths: the register in, the register out (not inverted).
uint32_t Crc32Slicing8(uint32_t Crc, const uint8_t* Data, size_t Count);
void Md5CompressScheduled(uint32_t State[4], const uint8_t* Block);
#endif

#if defined(HASHKEEP_X86_DIGESTS)
// A 32-bit Windows host may call in with the stack aligned to 4 bytes only.
// The build says so (-mincoming-stack-boundary=2); the SIMD paths also realign
// their own frames so they stay safe without it.
#if defined(__i386__)
#define HASHKEEP_SIMD_ENTRY __attribute__((force_align_arg_pointer))
#else
#define HASHKEEP_SIMD_ENTRY
#endif

// Runs of fewer than Crc32FoldMinimum bytes go to the byte table.
constexpr size_t Crc32FoldMinimum = 64;
HASHKEEP_SIMD_ENTRY uint32_t Crc32Clmul(uint32_t Crc, const uint8_t* Data, size_t Count);
// The same with four 512-bit registers of four lanes each (VPCLMULQDQ,
// AVX-512F); runs of fewer than Crc32WideFoldMinimum bytes go to Crc32Clmul.
constexpr size_t Crc32WideFoldMinimum = 256;
HASHKEEP_SIMD_ENTRY uint32_t Crc32Vpclmul(uint32_t Crc, const uint8_t* Data, size_t Count);
// The same with four 256-bit registers of two lanes each (VPCLMULQDQ, AVX2),
// for processors without AVX-512; runs of fewer than Crc32MediumFoldMinimum
// bytes go to Crc32Clmul.
constexpr size_t Crc32MediumFoldMinimum = 128;
HASHKEEP_SIMD_ENTRY uint32_t Crc32Vpclmul256(uint32_t Crc, const uint8_t* Data, size_t Count);
// Compresses Blocks whole 64-byte blocks at Data into the five state words.
HASHKEEP_SIMD_ENTRY void Sha1BlocksShaNi(uint32_t State[5], const uint8_t* Data, size_t Blocks);
// Compresses Blocks whole 64-byte blocks at Data into the eight state words.
HASHKEEP_SIMD_ENTRY void Sha256BlocksShaNi(uint32_t State[8], const uint8_t* Data, size_t Blocks);
// Compresses Blocks blocks of each of 16 messages, message l's at Data[l] one
// after the other, into State, which holds word w of message l at
// State[w * 16 + l] (md5_lanes_kernel.h).
HASHKEEP_SIMD_ENTRY void Md5LanesAvx2(uint32_t State[4 * Md5KernelLanes],
                                      const uint8_t* const Data[Md5KernelLanes], size_t Blocks);
HASHKEEP_SIMD_ENTRY void Md5LanesAvx512(uint32_t State[4 * Md5KernelLanes],
                                        const uint8_t* const Data[Md5KernelLanes], size_t Blocks);
// Compress Blocks whole 128-byte blocks at Data into the eight state words.
// 64-bit builds: the schedule of four blocks in vector registers (AVX2 or
// AVX-512VL), the rounds in integer registers with BMI2. 32-bit builds: the
// rounds in vector registers (SSE2 or AVX-512VL).
#if defined(__i386__)
HASHKEEP_SIMD_ENTRY void Sha512BlocksSse2(uint64_t State[8], const uint8_t* Data, size_t Blocks);
#endif
HASHKEEP_SIMD_ENTRY void Sha512BlocksAvx512(uint64_t State[8], const uint8_t* Data, size_t Blocks);
#if defined(__x86_64__)
void Sha512BlocksAvx2(uint64_t State[8], const uint8_t* Data, size_t Blocks);
#endif
#endif

} // namespace DigestDetail
