// The SHA-512 block function with the 64-bit words in vector registers,
// written once for every instruction set that has 64-bit vector lanes.
// Internal to digest/: each file that instantiates it defines
// HK_SHA512_TARGET (its instruction sets) first and supplies the rotations
// and three-input functions of its registers (sha512_sse2.cpp,
// sha512_avx512.cpp).
//
// A 32-bit process has no 64-bit integer registers: each rotation of a word
// held in two 32-bit registers takes four to six instructions, and eight
// working words do not fit in seven registers. The vector registers hold a
// whole word each and add, shift and combine it in one instruction, so the
// rounds run there, one word in the low lane; the schedule takes both lanes,
// two words at a time (W[t] needs W[t-2], so a pair never needs itself).
#pragma once

#include "digest_kernels.h"

#include <cstddef>
#include <cstdint>

#if !defined(HK_SHA512_TARGET)
#error "define HK_SHA512_TARGET before including sha512_vector_kernel.h"
#endif

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace DigestDetail {

// Ops supplies, on __m128i holding two 64-bit words:
//   template <int N> Rotate(x)  each word rotated right by N bits;
//   Xor3(x, y, z), Choose(x, y, z) (x ? y : z, bit by bit), Majority(x, y, z);
//   ByteSwap(x)                 each word's bytes reversed.
template <typename Ops> struct TSha512VectorKernel {
    using V = __m128i;

    HK_SHA512_TARGET static V BigSigma0(V x) {
        return Ops::Xor3(Ops::template Rotate<28>(x), Ops::template Rotate<34>(x),
                         Ops::template Rotate<39>(x));
    }
    HK_SHA512_TARGET static V BigSigma1(V x) {
        return Ops::Xor3(Ops::template Rotate<14>(x), Ops::template Rotate<18>(x),
                         Ops::template Rotate<41>(x));
    }
    HK_SHA512_TARGET static V SmallSigma0(V x) {
        return Ops::Xor3(Ops::template Rotate<1>(x), Ops::template Rotate<8>(x),
                         _mm_srli_epi64(x, 7));
    }
    HK_SHA512_TARGET static V SmallSigma1(V x) {
        return Ops::Xor3(Ops::template Rotate<19>(x), Ops::template Rotate<61>(x),
                         _mm_srli_epi64(x, 6));
    }
    // The high word of x and the low word of y: a pair that straddles two.
    HK_SHA512_TARGET static V Straddle(V x, V y) {
        return _mm_castpd_si128(_mm_shuffle_pd(_mm_castsi128_pd(x), _mm_castsi128_pd(y), 1));
    }

    // W[t] + K[t] for the 80 rounds of the 128-byte block at Data.
    HK_SHA512_TARGET static void Schedule(const uint8_t* Data, uint64_t Added[80]) {
        V w[8]; // the last 16 words, pair k at w[k % 8]
        for (int k = 0; k < 8; ++k) {
            w[k] = Ops::ByteSwap(_mm_loadu_si128(reinterpret_cast<const V*>(Data + 16 * k)));
            _mm_store_si128(reinterpret_cast<V*>(Added + 2 * k),
                            _mm_add_epi64(w[k], _mm_load_si128(reinterpret_cast<const V*>(
                                                    Sha512RoundConstants + 2 * k))));
        }
        // Unrolled, so that the ring of pairs stays in registers.
#pragma GCC unroll 32
        for (int k = 8; k < 40; ++k) {
            const V next = _mm_add_epi64(
                _mm_add_epi64(SmallSigma1(w[(k - 1) % 8]),
                              Straddle(w[(k - 4) % 8], w[(k - 3) % 8])),
                _mm_add_epi64(SmallSigma0(Straddle(w[k % 8], w[(k - 7) % 8])), w[k % 8]));
            w[k % 8] = next;
            _mm_store_si128(reinterpret_cast<V*>(Added + 2 * k),
                            _mm_add_epi64(next, _mm_load_si128(reinterpret_cast<const V*>(
                                                    Sha512RoundConstants + 2 * k))));
        }
    }

    HK_SHA512_TARGET static void Compress(uint64_t State[8], const uint8_t* Data, size_t Blocks) {
        alignas(16) uint64_t added[80];
        V a = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 0));
        V b = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 1));
        V c = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 2));
        V d = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 3));
        V e = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 4));
        V f = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 5));
        V g = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 6));
        V h = _mm_loadl_epi64(reinterpret_cast<const V*>(State + 7));
        for (; Blocks > 0; --Blocks, Data += Sha512BlockSize) {
            Schedule(Data, added);
            const V a0 = a, b0 = b, c0 = c, d0 = d, e0 = e, f0 = f, g0 = g, h0 = h;
#define HK_SHA512_ROUND(a, b, c, d, e, f, g, h, t)                                                 \
    h = _mm_add_epi64(_mm_add_epi64(h, _mm_loadl_epi64(reinterpret_cast<const V*>(added + (t)))),  \
                      _mm_add_epi64(BigSigma1(e), Ops::Choose(e, f, g)));                          \
    d = _mm_add_epi64(d, h);                                                                       \
    h = _mm_add_epi64(h, _mm_add_epi64(BigSigma0(a), Ops::Majority(a, b, c)));
            for (int t = 0; t < 80; t += 8) {
                HK_SHA512_ROUND(a, b, c, d, e, f, g, h, t + 0)
                HK_SHA512_ROUND(h, a, b, c, d, e, f, g, t + 1)
                HK_SHA512_ROUND(g, h, a, b, c, d, e, f, t + 2)
                HK_SHA512_ROUND(f, g, h, a, b, c, d, e, t + 3)
                HK_SHA512_ROUND(e, f, g, h, a, b, c, d, t + 4)
                HK_SHA512_ROUND(d, e, f, g, h, a, b, c, t + 5)
                HK_SHA512_ROUND(c, d, e, f, g, h, a, b, t + 6)
                HK_SHA512_ROUND(b, c, d, e, f, g, h, a, t + 7)
            }
#undef HK_SHA512_ROUND
            a = _mm_add_epi64(a, a0);
            b = _mm_add_epi64(b, b0);
            c = _mm_add_epi64(c, c0);
            d = _mm_add_epi64(d, d0);
            e = _mm_add_epi64(e, e0);
            f = _mm_add_epi64(f, f0);
            g = _mm_add_epi64(g, g0);
            h = _mm_add_epi64(h, h0);
        }
        _mm_storel_epi64(reinterpret_cast<V*>(State + 0), a);
        _mm_storel_epi64(reinterpret_cast<V*>(State + 1), b);
        _mm_storel_epi64(reinterpret_cast<V*>(State + 2), c);
        _mm_storel_epi64(reinterpret_cast<V*>(State + 3), d);
        _mm_storel_epi64(reinterpret_cast<V*>(State + 4), e);
        _mm_storel_epi64(reinterpret_cast<V*>(State + 5), f);
        _mm_storel_epi64(reinterpret_cast<V*>(State + 6), g);
        _mm_storel_epi64(reinterpret_cast<V*>(State + 7), h);
    }
};

} // namespace DigestDetail
