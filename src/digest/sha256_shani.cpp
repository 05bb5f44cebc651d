// SHA-256 block function on the SHA extensions: SHA256RNDS2 does two rounds,
// SHA256MSG1 and SHA256MSG2 compute four schedule words beside them. The
// instructions keep the eight working values as two registers, ABEF and CDGH.
// Runs of blocks are taken in one call so the state stays in registers
// between blocks, as the SHA1 path does.
#include "digest_kernels.h"

#if defined(HASHKEEP_X86_DIGESTS)

#include <immintrin.h>

// Four rounds, number I of 16, on the message words in msg[I % 4]. From the
// 4th group to the 15th, the schedule words of the next group are finished
// (their W[t-7] term added, then SHA256MSG2); from the 2nd to the 13th, those
// three groups ahead are begun (SHA256MSG1), both in the shadow of the rounds.
#define SHA256_FOUR_ROUNDS(I)                                                                      \
    do {                                                                                           \
        __m128i words = _mm_add_epi32(                                                             \
            msg[(I) % 4],                                                                          \
            _mm_load_si128(reinterpret_cast<const __m128i*>(Sha256RoundConstants + 4 * (I))));     \
        cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);                                           \
        if ((I) >= 3 && (I) <= 14) {                                                               \
            const __m128i earlier = _mm_alignr_epi8(msg[(I) % 4], msg[((I) + 3) % 4], 4);          \
            msg[((I) + 1) % 4] =                                                                   \
                _mm_sha256msg2_epu32(_mm_add_epi32(msg[((I) + 1) % 4], earlier), msg[(I) % 4]);    \
        }                                                                                          \
        words = _mm_shuffle_epi32(words, 0x0E);                                                    \
        abef = _mm_sha256rnds2_epu32(abef, cdgh, words);                                           \
        if ((I) >= 1 && (I) <= 12)                                                                 \
            msg[((I) + 3) % 4] = _mm_sha256msg1_epu32(msg[((I) + 3) % 4], msg[(I) % 4]);           \
    } while (false)

__attribute__((target("sha,sse2,ssse3,sse4.1"))) void
DigestDetail::Sha256BlocksShaNi(uint32_t State[8], const uint8_t* Data, size_t Blocks) {
    // Words big-endian; the state from A..D, E..H to ABEF, CDGH (A in the top lane).
    const __m128i byteOrder = _mm_set_epi64x(0x0C0D0E0F08090A0BLL, 0x0405060700010203LL);
    const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(State));
    const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(State + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    for (; Blocks > 0; --Blocks, Data += 64) {
        const __m128i abefSaved = abef;
        const __m128i cdghSaved = cdgh;
        __m128i msg[4];
        for (int i = 0; i < 4; ++i)
            msg[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + 16 * i)), byteOrder);

        SHA256_FOUR_ROUNDS(0);
        SHA256_FOUR_ROUNDS(1);
        SHA256_FOUR_ROUNDS(2);
        SHA256_FOUR_ROUNDS(3);
        SHA256_FOUR_ROUNDS(4);
        SHA256_FOUR_ROUNDS(5);
        SHA256_FOUR_ROUNDS(6);
        SHA256_FOUR_ROUNDS(7);
        SHA256_FOUR_ROUNDS(8);
        SHA256_FOUR_ROUNDS(9);
        SHA256_FOUR_ROUNDS(10);
        SHA256_FOUR_ROUNDS(11);
        SHA256_FOUR_ROUNDS(12);
        SHA256_FOUR_ROUNDS(13);
        SHA256_FOUR_ROUNDS(14);
        SHA256_FOUR_ROUNDS(15);

        abef = _mm_add_epi32(abef, abefSaved);
        cdgh = _mm_add_epi32(cdgh, cdghSaved);
    }

    // Back from ABEF, CDGH to A..D, E..H.
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(State), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(State + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#undef SHA256_FOUR_ROUNDS

#endif
