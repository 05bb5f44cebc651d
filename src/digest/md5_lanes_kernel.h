// The MD5 block function (RFC 1321, section 3.4) on several messages at once,
// one per 32-bit lane of 256-bit registers, written once for every
// instruction set that has them. Internal to digest/: each file that
// instantiates it defines HK_LANES_TARGET (its instruction sets) first and
// supplies the operations of its registers (md5_lanes_avx2.cpp,
// md5_lanes_avx512.cpp).
//
// A single MD5 is one long dependency chain: each step needs the one before,
// so a core spends most of its time waiting. Lanes do not shorten the chain;
// they make each link of it serve 8 messages, and two sets of 8 interleaved
// fill each other's waits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#if !defined(HK_LANES_TARGET)
#error "define HK_LANES_TARGET before including md5_lanes_kernel.h"
#endif

// GCC 12's intrinsics start some results as "undefined" by initialising a
// value with itself, which its own uninitialised-use warning then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace DigestDetail {

// The message word that step I (0-63) adds.
constexpr int Md5StepWord(int I) {
    return I < 16 ? I : I < 32 ? (5 * I + 1) % 16 : I < 48 ? (3 * I + 5) % 16 : (7 * I) % 16;
}
constexpr int Md5StepShift[4][4] = {
    {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
// floor(abs(sin(I + 1)) * 2^32), the RFC's table T.
inline constexpr uint32_t Md5StepConstant[64] = {
    0xd76aa478u, 0xe8c7b756u, 0x242070dbu, 0xc1bdceeeu, 0xf57c0fafu, 0x4787c62au, 0xa8304613u,
    0xfd469501u, 0x698098d8u, 0x8b44f7afu, 0xffff5bb1u, 0x895cd7beu, 0x6b901122u, 0xfd987193u,
    0xa679438eu, 0x49b40821u, 0xf61e2562u, 0xc040b340u, 0x265e5a51u, 0xe9b6c7aau, 0xd62f105du,
    0x02441453u, 0xd8a1e681u, 0xe7d3fbc8u, 0x21e1cde6u, 0xc33707d6u, 0xf4d50d87u, 0x455a14edu,
    0xa9e3e905u, 0xfcefa3f8u, 0x676f02d9u, 0x8d2a4c8au, 0xfffa3942u, 0x8771f681u, 0x6d9d6122u,
    0xfde5380cu, 0xa4beea44u, 0x4bdecfa9u, 0xf6bb4b60u, 0xbebfbc70u, 0x289b7ec6u, 0xeaa127fau,
    0xd4ef3085u, 0x04881d05u, 0xd9d4d039u, 0xe6db99e5u, 0x1fa27cf8u, 0xc4ac5665u, 0xf4292244u,
    0x432aff97u, 0xab9423a7u, 0xfc93a039u, 0x655b59c3u, 0x8f0ccc92u, 0xffeff47du, 0x85845dd1u,
    0x6fa87e4fu, 0xfe2ce6e0u, 0xa3014314u, 0x4e0811a1u, 0xf7537e82u, 0xbd3af235u, 0x2ad7d2bbu,
    0xeb86d391u};

// The four round functions as they act on each bit; the truth table of each
// is the 8-bit immediate of a three-input logic instruction (AVX-512's
// VPTERNLOGD takes its inputs' bits as 0xF0, 0xCC, 0xAA).
constexpr uint32_t Md5RoundFunction(int Round, uint32_t b, uint32_t c, uint32_t d) {
    switch (Round) {
    case 0:
        return (b & c) | (~b & d);
    case 1:
        return (b & d) | (c & ~d);
    case 2:
        return b ^ c ^ d;
    default:
        return c ^ (b | ~d);
    }
}
constexpr int Md5RoundTable(int Round) {
    return static_cast<int>(Md5RoundFunction(Round, 0xF0u, 0xCCu, 0xAAu) & 0xFFu);
}
static_assert(Md5RoundTable(0) == 0xCA && Md5RoundTable(1) == 0xE4 && Md5RoundTable(2) == 0x96 &&
              Md5RoundTable(3) == 0x39);

namespace {

// Block word w of the message at Data[l] into lane l of X[w], for 8 lanes:
// words 4q to 4q + 3 of lanes l and l + 4 share a register from the loads
// on, so two rounds of interleaving transpose them.
HK_LANES_TARGET inline void LoadMessage8(__m256i (&X)[16], const uint8_t* const* Data) {
    for (int q = 0; q < 4; ++q) {
        __m256i row[4];
        for (int l = 0; l < 4; ++l)
            row[l] = _mm256_inserti128_si256(
                _mm256_castsi128_si256(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data[l] + 16 * q))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data[l + 4] + 16 * q)), 1);
        const __m256i t0 = _mm256_unpacklo_epi32(row[0], row[1]);
        const __m256i t1 = _mm256_unpackhi_epi32(row[0], row[1]);
        const __m256i t2 = _mm256_unpacklo_epi32(row[2], row[3]);
        const __m256i t3 = _mm256_unpackhi_epi32(row[2], row[3]);
        X[4 * q + 0] = _mm256_unpacklo_epi64(t0, t2);
        X[4 * q + 1] = _mm256_unpackhi_epi64(t0, t2);
        X[4 * q + 2] = _mm256_unpacklo_epi64(t1, t3);
        X[4 * q + 3] = _mm256_unpackhi_epi64(t1, t3);
    }
}

// What every path on 256-bit registers does alike; each adds its own
// Rotate and Round, where the instruction sets differ.
struct TLanes256 {
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
    HK_LANES_TARGET static void LoadMessage(Vector (&x)[16], const uint8_t* const* data) {
        LoadMessage8(x, data);
    }
};

} // namespace

// Ops: the register type Vector of Ops::Lanes 32-bit lanes and its Add,
// Splat, Round<R>(b, c, d), Rotate<S> and LoadMessage(x, data), which loads
// block word w of the message at data[l] into lane l of x[w]. Groups sets of
// lanes run interleaved, so that the steps of one set fill the waits of the
// other. State holds word w of lane l at State[w * Lanes + l].
template <class Ops, int Groups> struct TMd5LanesKernel {
    using Vector = typename Ops::Vector;
    static constexpr int Lanes = Ops::Lanes * Groups;
    using Registers = Vector[Groups][4];
    using Message = Vector[Groups][16];

    // Step I changes a, d, c, b in turn; the others take the places after it.
    template <int I>
    HK_LANES_TARGET __attribute__((always_inline)) static inline void Step(Registers& r,
                                                                           const Message& x) {
        constexpr int Round = I / 16;
        constexpr int A = (4 - I % 4) % 4, B = (A + 1) % 4, C = (A + 2) % 4, D = (A + 3) % 4;
        const Vector constant = Ops::Splat(Md5StepConstant[I]);
        for (int g = 0; g < Groups; ++g) {
            // The terms that do not wait for B, the previous step's result, go first.
            Vector sum = Ops::Add(r[g][A], Ops::Add(x[g][Md5StepWord(I)], constant));
            sum = Ops::Add(sum, Ops::template Round<Round>(r[g][B], r[g][C], r[g][D]));
            r[g][A] = Ops::Add(Ops::template Rotate<Md5StepShift[Round][I % 4]>(sum), r[g][B]);
        }
    }

    template <size_t... I>
    HK_LANES_TARGET __attribute__((always_inline)) static inline void
    AllSteps(Registers& r, const Message& x, std::index_sequence<I...>) {
        (Step<static_cast<int>(I)>(r, x), ...);
    }

    // Compresses Blocks blocks of every lane, lane l's at Data[l] one after
    // the other.
    HK_LANES_TARGET static void Compress(uint32_t* State, const uint8_t* const* Data,
                                         size_t Blocks) {
        Registers r;
        for (int g = 0; g < Groups; ++g)
            for (int w = 0; w < 4; ++w)
                r[g][w] = Ops::Load(State + w * Lanes + g * Ops::Lanes);
        const uint8_t* data[Lanes];
        for (int l = 0; l < Lanes; ++l)
            data[l] = Data[l];
        for (; Blocks > 0; --Blocks) {
            Message x;
            for (int g = 0; g < Groups; ++g)
                Ops::LoadMessage(x[g], data + g * Ops::Lanes);
            Registers start;
            for (int g = 0; g < Groups; ++g)
                for (int w = 0; w < 4; ++w)
                    start[g][w] = r[g][w];
            AllSteps(r, x, std::make_index_sequence<64>());
            for (int g = 0; g < Groups; ++g)
                for (int w = 0; w < 4; ++w)
                    r[g][w] = Ops::Add(r[g][w], start[g][w]);
            for (int l = 0; l < Lanes; ++l)
                data[l] += 64;
        }
        for (int g = 0; g < Groups; ++g)
            for (int w = 0; w < 4; ++w)
                Ops::Store(State + w * Lanes + g * Ops::Lanes, r[g][w]);
    }
};

} // namespace DigestDetail
