// Multi-buffer MD5 with the AVX-512 instructions on 256-bit registers
// (AVX-512VL): 16 messages in two interleaved sets of 8 lanes, each round
// function one three-input logic instruction and each rotation one
// instruction, where AVX2 needs two to four and three. 6.0 GB/s against 5.4
// for the AVX2 path; 16 lanes of 512-bit registers gave no more (5.7-6.0)
// and slow some processors' clocks (AMD EPYC, one core, 64 KiB a message).
#include "digest_kernels.h"

#if defined(HASHKEEP_X86_DIGESTS)

#define HK_LANES_TARGET __attribute__((target("avx,avx2,avx512f,avx512vl")))
#include "md5_lanes_kernel.h"

namespace DigestDetail {

namespace {

struct TAvx512Vl {
    using Vector = __m256i;
    static constexpr int Lanes = 8;

    HK_LANES_TARGET static Vector Load(const uint32_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    HK_LANES_TARGET static void Store(uint32_t* p, Vector v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }
    HK_LANES_TARGET static Vector Add(Vector a, Vector b) { return _mm256_add_epi32(a, b); }
    HK_LANES_TARGET static Vector Splat(uint32_t v) {
        return _mm256_set1_epi32(static_cast<int>(v));
    }
    template <int S> HK_LANES_TARGET static Vector Rotate(Vector v) {
        return _mm256_rol_epi32(v, S);
    }
    template <int R> HK_LANES_TARGET static Vector Round(Vector b, Vector c, Vector d) {
        return _mm256_ternarylogic_epi32(b, c, d, Md5RoundTable(R));
    }
    HK_LANES_TARGET static void LoadMessage(Vector (&x)[16], const uint8_t* const* data) {
        LoadMessage8(x, data);
    }
};

static_assert(TMd5LanesKernel<TAvx512Vl, 2>::Lanes == Md5KernelLanes);

} // namespace

void Md5LanesAvx512(uint32_t State[4 * Md5KernelLanes], const uint8_t* const Data[Md5KernelLanes],
                    size_t Blocks) {
    TMd5LanesKernel<TAvx512Vl, 2>::Compress(State, Data, Blocks);
}

} // namespace DigestDetail

#endif
