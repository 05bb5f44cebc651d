// Chooses the code behind the public digest functions. The processor is asked
// once; afterwards every call costs one load and a branch. Each operation tries
// its fastest active path first and ends with the portable reference.
#include "digest.h"
#include "digest_kernels.h"
#include "digest_paths.h"
#include "hash_context.h"

#include <atomic>
#include <cstring>

#if defined(HASHKEEP_X86_DIGESTS)
#include <cpuid.h>
#endif

using namespace DigestDetail;

namespace {

// Bit 31 marks "not detected yet"; no path uses it.
constexpr uint32_t NotDetected = 0x80000000u;
std::atomic<uint32_t> SupportedPaths{NotDetected};
std::atomic<uint32_t> ActivePaths{NotDetected};

#if defined(HASHKEEP_X86_DIGESTS)
// XMM, YMM, opmask and both halves of the upper ZMM state.
constexpr uint32_t Xcr0Avx512State = 0xE6u;
// XMM and YMM state.
constexpr uint32_t Xcr0AvxState = 0x06u;

uint32_t ReadXcr0() {
    uint32_t low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return low;
}
#endif

// Runs once: compiled for size (cold), like the rest of the plug-in's code.
__attribute__((cold)) uint32_t DetectPaths() {
    uint32_t paths = 0;
#if !defined(HASHKEEP_REFERENCE_DIGESTS_ONLY)
    paths |= DigestPathBit(DigestPath::Crc32Slicing8) | DigestPathBit(DigestPath::Md5Scheduled);
#endif
#if defined(HASHKEEP_X86_DIGESTS)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) {
        // SSE2 is not a given for a 32-bit process; every SIMD path needs it.
        const bool sse2 = (edx & bit_SSE2) != 0;
        const bool ssse3 = (ecx & bit_SSSE3) != 0;
        const bool sse41 = (ecx & bit_SSE4_1) != 0;
        const bool pclmul = (ecx & bit_PCLMUL) != 0;
        if (sse2 && sse41 && pclmul)
            paths |= DigestPathBit(DigestPath::Crc32Clmul);
        unsigned leaf7[4] = {};
        const bool sha = __get_cpuid_count(7, 0, &leaf7[0], &leaf7[1], &leaf7[2], &leaf7[3]) != 0 &&
                         (leaf7[1] & bit_SHA) != 0;
        if (sse2 && ssse3 && sse41 && sha)
            paths |= DigestPathBit(DigestPath::Sha1ShaNi) | DigestPathBit(DigestPath::Sha256ShaNi);
        // 256- and 512-bit registers also need the system to save them on a
        // switch (XGETBV exists only where OSXSAVE is set).
        const bool osSavesVectors = (ecx & bit_OSXSAVE) != 0;
        const uint32_t xcr0 = osSavesVectors ? ReadXcr0() : 0;
        const bool avx = (ecx & bit_AVX) != 0;
        const bool avx2 = (leaf7[1] & bit_AVX2) != 0;
        const bool avx512f = (leaf7[1] & bit_AVX512F) != 0;
        const bool vpclmul = (leaf7[2] & bit_VPCLMULQDQ) != 0;
        const bool foldBase = sse2 && sse41 && pclmul && vpclmul;
        if (foldBase && avx && avx2 && (xcr0 & Xcr0AvxState) == Xcr0AvxState)
            paths |= DigestPathBit(DigestPath::Crc32Vpclmul256);
        if (foldBase && avx512f && (xcr0 & Xcr0Avx512State) == Xcr0Avx512State)
            paths |= DigestPathBit(DigestPath::Crc32Vpclmul);
        if (avx && avx2 && (xcr0 & Xcr0AvxState) == Xcr0AvxState)
            paths |= DigestPathBit(DigestPath::Md5Avx2);
        // AVX-512VL's instructions on 256-bit registers need the system to
        // save the whole AVX-512 state all the same.
        const bool avx512vl = (leaf7[1] & bit_AVX512VL) != 0;
        if (avx && avx2 && avx512f && avx512vl && (xcr0 & Xcr0Avx512State) == Xcr0Avx512State)
            paths |= DigestPathBit(DigestPath::Md5Avx512);

#if defined(__i386__)
        if (sse2)
            paths |= DigestPathBit(DigestPath::Sha512Sse2);
#endif
#if defined(__x86_64__)
        // The integer rounds take BMI's instructions.
        const bool bmi = (leaf7[1] & bit_BMI) != 0 && (leaf7[1] & bit_BMI2) != 0;
        const bool sha512Base = avx && avx2 && bmi && (xcr0 & Xcr0AvxState) == Xcr0AvxState;
        if (sha512Base)
            paths |= DigestPathBit(DigestPath::Sha512Avx2);
#else
        const bool sha512Base = sse2 && ssse3 && avx && avx2;
#endif
        if (sha512Base && avx512f && avx512vl && (xcr0 & Xcr0Avx512State) == Xcr0Avx512State)
            paths |= DigestPathBit(DigestPath::Sha512Avx512);

        // The reference BLAKE3's own conditions for each of its units.
        if (sse2)
            paths |= DigestPathBit(DigestPath::Blake3Sse2);
        if (ssse3 && sse41)
            paths |= DigestPathBit(DigestPath::Blake3Sse41);
        if (avx && avx2 && (xcr0 & Xcr0AvxState) == Xcr0AvxState)
            paths |= DigestPathBit(DigestPath::Blake3Avx2);
        if (avx512f && avx512vl && (xcr0 & Xcr0Avx512State) == Xcr0Avx512State)
            paths |= DigestPathBit(DigestPath::Blake3Avx512);
    }
#endif
    return paths;
}

inline uint32_t Active() {
    const uint32_t paths = ActivePaths.load(std::memory_order_relaxed);
    if (paths != NotDetected)
        return paths;
    const uint32_t supported = SupportedDigestPaths();
    uint32_t expected = NotDetected;
    ActivePaths.compare_exchange_strong(expected, supported, std::memory_order_relaxed);
    return ActivePaths.load(std::memory_order_relaxed);
}

[[maybe_unused]] inline bool IsActive(uint32_t paths, DigestPath path) {
    return (paths & DigestPathBit(path)) != 0;
}

} // namespace

uint32_t SupportedDigestPaths() {
    uint32_t paths = SupportedPaths.load(std::memory_order_relaxed);
    if (paths == NotDetected) {
        paths = DetectPaths();
        SupportedPaths.store(paths, std::memory_order_relaxed);
    }
    return paths;
}

uint32_t ActiveDigestPaths() {
    return Active();
}

// The reference BLAKE3 chooses its units from a feature word of its own
// (blake3_dispatch.c), which the build lets us set (BLAKE3_TESTING);
// blake3_paths.c writes it.
extern "C" void HashkeepSetBlake3Features(uint32_t Features);

namespace {

// The reference's feature bits (blake3_dispatch.c's enum cpu_feature).
constexpr uint32_t Blake3FeatureSse2 = 1u << 0, Blake3FeatureSse41 = 1u << 2,
                   Blake3FeatureAvx2 = 1u << 4, Blake3FeatureAvx512F = 1u << 5,
                   Blake3FeatureAvx512Vl = 1u << 6;

void ApplyBlake3Paths(uint32_t paths) {
    uint32_t features = 0;
    if (IsActive(paths, DigestPath::Blake3Sse2))
        features |= Blake3FeatureSse2;
    if (IsActive(paths, DigestPath::Blake3Sse41))
        features |= Blake3FeatureSse41;
    if (IsActive(paths, DigestPath::Blake3Avx2))
        features |= Blake3FeatureAvx2;
    if (IsActive(paths, DigestPath::Blake3Avx512))
        features |= Blake3FeatureAvx512F | Blake3FeatureAvx512Vl;
    HashkeepSetBlake3Features(features);
}

} // namespace

void DigestDetail::SyncBlake3Paths() {
    // Once per process, before the first BLAKE3 digest: afterwards the
    // reference only reads its word, whatever the threads.
    static const bool synced = [] {
        ApplyBlake3Paths(Active());
        return true;
    }();
    (void)synced;
}

uint32_t SelectDigestPaths(uint32_t Wanted) {
    const uint32_t paths = Wanted & SupportedDigestPaths();
    ActivePaths.store(paths, std::memory_order_relaxed);
    SyncBlake3Paths();
    ApplyBlake3Paths(paths);
    return paths;
}

void Crc32Update(uint32_t& Crc, const void* Data, uint16_t Count) {
    if (Count == 0)
        return;
#if !defined(HASHKEEP_REFERENCE_DIGESTS_ONLY)
    const uint32_t paths = Active();
    const auto* bytes = static_cast<const uint8_t*>(Data);
#if defined(HASHKEEP_X86_DIGESTS)
    if (IsActive(paths, DigestPath::Crc32Vpclmul) && Count >= Crc32WideFoldMinimum) {
        Crc = Crc32Vpclmul(Crc, bytes, Count);
        return;
    }
    if (IsActive(paths, DigestPath::Crc32Vpclmul256) && Count >= Crc32MediumFoldMinimum) {
        Crc = Crc32Vpclmul256(Crc, bytes, Count);
        return;
    }
    if (IsActive(paths, DigestPath::Crc32Clmul) && Count >= Crc32FoldMinimum) {
        Crc = Crc32Clmul(Crc, bytes, Count);
        return;
    }
#endif
    if (IsActive(paths, DigestPath::Crc32Slicing8)) {
        Crc = Crc32Slicing8(Crc, bytes, Count);
        return;
    }
#endif
    Crc32UpdateReference(Crc, Data, Count);
}

void Md5Compress(uint32_t State[4], const uint8_t* Block) {
#if !defined(HASHKEEP_REFERENCE_DIGESTS_ONLY)
    if (IsActive(Active(), DigestPath::Md5Scheduled)) {
        Md5CompressScheduled(State, Block);
        return;
    }
#endif
    Md5CompressReference(State, Block);
}

void Sha1Compress(HashContext& Context) {
#if defined(HASHKEEP_X86_DIGESTS)
    if (IsActive(Active(), DigestPath::Sha1ShaNi)) {
        Sha1BlocksShaNi(Context.State, Context.Buffer, 1);
        return;
    }
#endif
    Sha1CompressReference(Context);
}

#if defined(HASHKEEP_X86_DIGESTS)
namespace {

// The reference update scheme with runs of whole input blocks compressed in
// one call where they lie. The last of them is still copied into the buffer,
// so the context ends exactly as the reference leaves it (the reference
// copies every block there before compressing it).
void Sha1UpdateBlocks(HashContext& Context, const void* Data, uint16_t Count) {
    UpdateHashContext(
        Context, Data, Count, [&] { Sha1BlocksShaNi(Context.State, Context.Buffer, 1); },
        [&](const uint8_t* blocks, int32_t count) {
            Sha1BlocksShaNi(Context.State, blocks, static_cast<size_t>(count));
            std::memcpy(Context.Buffer, blocks + (count - 1) * DigestBlockSize, DigestBlockSize);
        });
}

} // namespace
#endif

void Sha1Update(HashContext& Context, const void* Data, uint16_t Count) {
#if defined(HASHKEEP_X86_DIGESTS)
    if (IsActive(Active(), DigestPath::Sha1ShaNi)) {
        Sha1UpdateBlocks(Context, Data, Count);
        return;
    }
#endif
    Sha1UpdateReference(Context, Data, Count);
}

void DigestDetail::Sha256Blocks(uint32_t State[8], const uint8_t* Data, size_t Blocks) {
#if defined(HASHKEEP_X86_DIGESTS)
    if (IsActive(Active(), DigestPath::Sha256ShaNi)) {
        Sha256BlocksShaNi(State, Data, Blocks);
        return;
    }
#endif
    for (; Blocks > 0; --Blocks, Data += DigestBlockSize)
        Sha256CompressReference(State, Data);
}

void DigestDetail::Sha512Blocks(uint64_t State[8], const uint8_t* Data, size_t Blocks) {
#if defined(HASHKEEP_X86_DIGESTS)
    const uint32_t paths = Active();
    if (IsActive(paths, DigestPath::Sha512Avx512)) {
        Sha512BlocksAvx512(State, Data, Blocks);
        return;
    }
#if defined(__x86_64__)
    if (IsActive(paths, DigestPath::Sha512Avx2)) {
        Sha512BlocksAvx2(State, Data, Blocks);
        return;
    }
#else
    if (IsActive(paths, DigestPath::Sha512Sse2)) {
        Sha512BlocksSse2(State, Data, Blocks);
        return;
    }
#endif
#endif
    for (; Blocks > 0; --Blocks, Data += Sha512BlockSize)
        Sha512CompressReference(State, Data);
}
