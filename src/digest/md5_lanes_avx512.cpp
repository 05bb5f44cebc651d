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

struct TAvx512Vl : TLanes256 {
    template <int S> HK_LANES_TARGET static Vector Rotate(Vector v) {
        return _mm256_rol_epi32(v, S);
    }
    template <int R> HK_LANES_TARGET static Vector Round(Vector b, Vector c, Vector d) {
        return _mm256_ternarylogic_epi32(b, c, d, Md5RoundTable(R));
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
