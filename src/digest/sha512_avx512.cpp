// SHA-512 with the AVX-512 instructions on 128- and 256-bit registers
// (AVX-512VL): each rotation is one instruction and each three-input
// function one logic instruction, where SSE2 and AVX2 need three and two to
// four. The 64-bit build keeps its integer rounds and takes them for the
// schedule of four blocks (sha512_integer_kernel.h); the 32-bit build, whose
// integer registers hold half a word, runs its rounds in vector registers
// (sha512_vector_kernel.h).
#include "digest_kernels.h"

#if defined(HASHKEEP_X86_DIGESTS)

#if defined(__x86_64__)
#define HK_SHA512_TARGET __attribute__((target("avx,avx2,bmi,bmi2,avx512f,avx512vl")))
#include "sha512_integer_kernel.h"
#else
#define HK_SHA512_TARGET __attribute__((target("sse2,ssse3,avx,avx2,avx512f,avx512vl")))
#include "sha512_vector_kernel.h"
#endif

namespace DigestDetail {

namespace {

struct TAvx512Vl {
    template <int N> HK_SHA512_TARGET static __m128i Rotate(__m128i x) {
        return _mm_ror_epi64(x, N);
    }
    template <int N> HK_SHA512_TARGET static __m256i Rotate(__m256i x) {
        return _mm256_ror_epi64(x, N);
    }
    HK_SHA512_TARGET static __m128i Xor3(__m128i x, __m128i y, __m128i z) {
        return _mm_ternarylogic_epi64(x, y, z, 0x96);
    }
    HK_SHA512_TARGET static __m256i Xor3(__m256i x, __m256i y, __m256i z) {
        return _mm256_ternarylogic_epi64(x, y, z, 0x96);
    }
    HK_SHA512_TARGET static __m128i Choose(__m128i x, __m128i y, __m128i z) {
        return _mm_ternarylogic_epi64(x, y, z, 0xCA);
    }
    HK_SHA512_TARGET static __m128i Majority(__m128i x, __m128i y, __m128i z) {
        return _mm_ternarylogic_epi64(x, y, z, 0xE8);
    }
    HK_SHA512_TARGET static __m128i ByteSwap(__m128i x) {
        return _mm_shuffle_epi8(x, _mm_set_epi64x(0x08090A0B0C0D0E0FLL, 0x0001020304050607LL));
    }
};

} // namespace

void Sha512BlocksAvx512(uint64_t State[8], const uint8_t* Data, size_t Blocks) {
#if defined(__x86_64__)
    TSha512IntegerKernel<TAvx512Vl>::Compress(State, Data, Blocks);
#else
    TSha512VectorKernel<TAvx512Vl>::Compress(State, Data, Blocks);
#endif
}

} // namespace DigestDetail

#endif
