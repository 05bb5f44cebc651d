// SHA-512 on a 64-bit processor with vector registers: the rounds stay in
// the integer registers (BMI2's RORX rotates without a copy and without
// touching the flags), and the schedule of four blocks at once goes to the
// vector registers, one block per 64-bit lane, where it costs a fraction of
// its integer instructions. The rounds then read W[t] + K[t] of each block
// from memory as the integer reference reads K. Internal to digest/: each
// file that instantiates it defines HK_SHA512_TARGET (its instruction sets)
// first and supplies the rotations of its registers (sha512_avx2.cpp,
// sha512_avx512.cpp).
#pragma once

#include "digest_kernels.h"

#include <cstddef>
#include <cstdint>

#if !defined(HK_SHA512_TARGET)
#error "define HK_SHA512_TARGET before including sha512_integer_kernel.h"
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

// Ops supplies, on __m256i holding four 64-bit words:
//   template <int N> Rotate(x)  each word rotated right by N bits;
//   Xor3(x, y, z).
template <typename Ops> struct TSha512IntegerKernel {
    static constexpr int Width = 4; // blocks scheduled at once

    HK_SHA512_TARGET static __m256i SmallSigma0(__m256i x) {
        return Ops::Xor3(Ops::template Rotate<1>(x), Ops::template Rotate<8>(x),
                         _mm256_srli_epi64(x, 7));
    }
    HK_SHA512_TARGET static __m256i SmallSigma1(__m256i x) {
        return Ops::Xor3(Ops::template Rotate<19>(x), Ops::template Rotate<61>(x),
                         _mm256_srli_epi64(x, 6));
    }

    // W[t] + K[t] of the blocks at Block[0..3], word t of block l at Added[t][l].
    HK_SHA512_TARGET static void Schedule(const uint8_t* const Block[Width],
                                          uint64_t (*Added)[Width]) {
        const __m256i byteOrder = _mm256_set_epi64x(0x08090A0B0C0D0E0FLL, 0x0001020304050607LL,
                                                    0x08090A0B0C0D0E0FLL, 0x0001020304050607LL);
        __m256i w[16];
        for (int j = 0; j < 16; j += 4) {
            // Words j..j+3 of each block, then a 4x4 transpose: word j+i of every block in w[j+i].
            __m256i rows[Width];
            for (int l = 0; l < Width; ++l)
                rows[l] = _mm256_shuffle_epi8(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Block[l] + 8 * j)),
                    byteOrder);
            const __m256i low01 = _mm256_unpacklo_epi64(rows[0], rows[1]);
            const __m256i high01 = _mm256_unpackhi_epi64(rows[0], rows[1]);
            const __m256i low23 = _mm256_unpacklo_epi64(rows[2], rows[3]);
            const __m256i high23 = _mm256_unpackhi_epi64(rows[2], rows[3]);
            w[j + 0] = _mm256_permute2x128_si256(low01, low23, 0x20);
            w[j + 1] = _mm256_permute2x128_si256(high01, high23, 0x20);
            w[j + 2] = _mm256_permute2x128_si256(low01, low23, 0x31);
            w[j + 3] = _mm256_permute2x128_si256(high01, high23, 0x31);
        }
        // Unrolled, so that the ring of 16 words stays in registers.
#pragma GCC unroll 80
        for (int t = 0; t < 80; ++t) {
            if (t >= 16)
                w[t % 16] = _mm256_add_epi64(
                    _mm256_add_epi64(SmallSigma1(w[(t - 2) % 16]), w[(t - 7) % 16]),
                    _mm256_add_epi64(SmallSigma0(w[(t - 15) % 16]), w[t % 16]));
            _mm256_store_si256(
                reinterpret_cast<__m256i*>(Added[t]),
                _mm256_add_epi64(w[t % 16], _mm256_set1_epi64x(
                                                static_cast<long long>(Sha512RoundConstants[t]))));
        }
    }

    HK_SHA512_TARGET static uint64_t RotateRight(uint64_t value, int bits) {
        return (value >> bits) | (value << (64 - bits));
    }

    // The rounds of lane Lane of Added into State. Each round's terms known
    // before E and A (H, W + K, D, Choose, the two halves of Majority, A & B
    // and C & (A ^ B), whose bits never overlap) are written first, so that
    // E and A wait for one addition after their Sigma. (Empty assembly
    // statements forcing that order made no difference: the compiler keeps
    // it, or the processor finds it.)
    HK_SHA512_TARGET static void Rounds(uint64_t State[8], const uint64_t (*Added)[Width],
                                        int Lane) {
        uint64_t a = State[0], b = State[1], c = State[2], d = State[3], e = State[4], f = State[5],
                 g = State[6], h = State[7];
#define HK_SHA512_ROUND(a, b, c, d, e, f, g, h, t)                                                 \
    {                                                                                              \
        uint64_t early = h + Added[t][Lane] + (e & f);                                             \
        early += ~e & g;                                                                           \
        const uint64_t sigma1 = RotateRight(e, 14) ^ RotateRight(e, 18) ^ RotateRight(e, 41);      \
        d += early;                                                                                \
        d += sigma1;                                                                               \
        h = early + sigma1 + (a & b);                                                              \
        h += c & (a ^ b);                                                                          \
        h += RotateRight(a, 28) ^ RotateRight(a, 34) ^ RotateRight(a, 39);                         \
    }
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
        State[0] += a;
        State[1] += b;
        State[2] += c;
        State[3] += d;
        State[4] += e;
        State[5] += f;
        State[6] += g;
        State[7] += h;
    }

    HK_SHA512_TARGET static void Compress(uint64_t State[8], const uint8_t* Data, size_t Blocks) {
        alignas(32) uint64_t added[80][Width];
        while (Blocks > 0) {
            const int count = Blocks < Width ? static_cast<int>(Blocks) : Width;
            // Lanes past the last block schedule the first block again, unused.
            const uint8_t* blocks[Width];
            for (int l = 0; l < Width; ++l)
                blocks[l] = Data + Sha512BlockSize * (l < count ? l : 0);
            Schedule(blocks, added);
            for (int l = 0; l < count; ++l)
                Rounds(State, added, l);
            Data += Sha512BlockSize * count;
            Blocks -= static_cast<size_t>(count);
        }
    }
};

} // namespace DigestDetail
