// SHA-512 on SSE2 alone, for the 32-bit build: every 32-bit x86 processor
// with SSE2 runs it. Rotations are two shifts and an OR, the three-input
// functions two or three logic instructions.
#include "digest_kernels.h"

#if defined(HASHKEEP_X86_DIGESTS) && defined(__i386__)

#define HK_SHA512_TARGET __attribute__((target("sse2")))
#include "sha512_vector_kernel.h"

namespace DigestDetail {

namespace {

struct TSse2 {
    template <int N> HK_SHA512_TARGET static __m128i Rotate(__m128i x) {
        return _mm_or_si128(_mm_srli_epi64(x, N), _mm_slli_epi64(x, 64 - N));
    }
    HK_SHA512_TARGET static __m128i Xor3(__m128i x, __m128i y, __m128i z) {
        return _mm_xor_si128(_mm_xor_si128(x, y), z);
    }
    HK_SHA512_TARGET static __m128i Choose(__m128i x, __m128i y, __m128i z) {
        return _mm_xor_si128(z, _mm_and_si128(x, _mm_xor_si128(y, z)));
    }
    HK_SHA512_TARGET static __m128i Majority(__m128i x, __m128i y, __m128i z) {
        return _mm_or_si128(_mm_and_si128(x, y), _mm_and_si128(z, _mm_or_si128(x, y)));
    }
    // Bytes swapped within each 16-bit word, then the four words of each
    // half reversed: SSE2 has no byte shuffle.
    HK_SHA512_TARGET static __m128i ByteSwap(__m128i x) {
        x = _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0x1B), 0x1B);
    }
};

} // namespace

void Sha512BlocksSse2(uint64_t State[8], const uint8_t* Data, size_t Blocks) {
    TSha512VectorKernel<TSse2>::Compress(State, Data, Blocks);
}

} // namespace DigestDetail

#endif
