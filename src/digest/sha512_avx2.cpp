// SHA-512 on a 64-bit processor with AVX2 and BMI2 (sha512_integer_kernel.h):
// the schedule's rotations are two shifts and an OR.
#include "digest_kernels.h"

#if defined(HASHKEEP_X86_DIGESTS) && defined(__x86_64__)

#define HK_SHA512_TARGET __attribute__((target("avx,avx2,bmi,bmi2")))
#include "sha512_integer_kernel.h"

namespace DigestDetail {

namespace {

struct TAvx2 {
    template <int N> HK_SHA512_TARGET static __m256i Rotate(__m256i x) {
        return _mm256_or_si256(_mm256_srli_epi64(x, N), _mm256_slli_epi64(x, 64 - N));
    }
    HK_SHA512_TARGET static __m256i Xor3(__m256i x, __m256i y, __m256i z) {
        return _mm256_xor_si256(_mm256_xor_si256(x, y), z);
    }
};

} // namespace

void Sha512BlocksAvx2(uint64_t State[8], const uint8_t* Data, size_t Blocks) {
    TSha512IntegerKernel<TAvx2>::Compress(State, Data, Blocks);
}

} // namespace DigestDetail

#endif
