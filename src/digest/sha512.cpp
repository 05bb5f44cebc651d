// SHA-512 as FIPS 180-4 defines it (section 6.4): SHA-256's scheme on 64-bit
// words, 80 rounds a 128-byte block and a 128-bit message length. The
// reference expands the schedule in full, then runs the rounds eight deep with
// the roles of the working values rotating, as SHA-256 does. The eight state
// words live in the HashContext's sixteen 32-bit words, copied in and out
// around each run of blocks so that no word is read through another type.
#include "digest.h"
#include "digest_kernels.h"
#include "hash_context.h"

using namespace DigestDetail;

// The first 64 bits of the fractional parts of the cube roots of the first 80
// primes (FIPS 180-4, 4.2.3).
alignas(64) const uint64_t DigestDetail::Sha512RoundConstants[80] = {
    0x428A2F98D728AE22ULL, 0x7137449123EF65CDULL, 0xB5C0FBCFEC4D3B2FULL, 0xE9B5DBA58189DBBCULL,
    0x3956C25BF348B538ULL, 0x59F111F1B605D019ULL, 0x923F82A4AF194F9BULL, 0xAB1C5ED5DA6D8118ULL,
    0xD807AA98A3030242ULL, 0x12835B0145706FBEULL, 0x243185BE4EE4B28CULL, 0x550C7DC3D5FFB4E2ULL,
    0x72BE5D74F27B896FULL, 0x80DEB1FE3B1696B1ULL, 0x9BDC06A725C71235ULL, 0xC19BF174CF692694ULL,
    0xE49B69C19EF14AD2ULL, 0xEFBE4786384F25E3ULL, 0x0FC19DC68B8CD5B5ULL, 0x240CA1CC77AC9C65ULL,
    0x2DE92C6F592B0275ULL, 0x4A7484AA6EA6E483ULL, 0x5CB0A9DCBD41FBD4ULL, 0x76F988DA831153B5ULL,
    0x983E5152EE66DFABULL, 0xA831C66D2DB43210ULL, 0xB00327C898FB213FULL, 0xBF597FC7BEEF0EE4ULL,
    0xC6E00BF33DA88FC2ULL, 0xD5A79147930AA725ULL, 0x06CA6351E003826FULL, 0x142929670A0E6E70ULL,
    0x27B70A8546D22FFCULL, 0x2E1B21385C26C926ULL, 0x4D2C6DFC5AC42AEDULL, 0x53380D139D95B3DFULL,
    0x650A73548BAF63DEULL, 0x766A0ABB3C77B2A8ULL, 0x81C2C92E47EDAEE6ULL, 0x92722C851482353BULL,
    0xA2BFE8A14CF10364ULL, 0xA81A664BBC423001ULL, 0xC24B8B70D0F89791ULL, 0xC76C51A30654BE30ULL,
    0xD192E819D6EF5218ULL, 0xD69906245565A910ULL, 0xF40E35855771202AULL, 0x106AA07032BBD1B8ULL,
    0x19A4C116B8D2D0C8ULL, 0x1E376C085141AB53ULL, 0x2748774CDF8EEB99ULL, 0x34B0BCB5E19B48A8ULL,
    0x391C0CB3C5C95A63ULL, 0x4ED8AA4AE3418ACBULL, 0x5B9CCA4F7763E373ULL, 0x682E6FF3D6B2B8A3ULL,
    0x748F82EE5DEFB2FCULL, 0x78A5636F43172F60ULL, 0x84C87814A1F0AB72ULL, 0x8CC702081A6439ECULL,
    0x90BEFFFA23631E28ULL, 0xA4506CEBDE82BDE9ULL, 0xBEF9A3F7B2C67915ULL, 0xC67178F2E372532BULL,
    0xCA273ECEEA26619CULL, 0xD186B8C721C0C207ULL, 0xEADA7DD6CDE0EB1EULL, 0xF57D4F7FEE6ED178ULL,
    0x06F067AA72176FBAULL, 0x0A637DC5A2C898A6ULL, 0x113F9804BEF90DAEULL, 0x1B710B35131C471BULL,
    0x28DB77F523047D84ULL, 0x32CAAB7B40C72493ULL, 0x3C9EBE0A15C9BEBCULL, 0x431D67C49C100D4CULL,
    0x4CC5D4BECB3E42B6ULL, 0x597F299CFC657E2AULL, 0x5FCB6FAB3AD6FAECULL, 0x6C44198C4A475817ULL,
};

namespace {

// The first 64 bits of the fractional parts of the square roots of the first
// eight primes (FIPS 180-4, 5.3.5).
constexpr uint64_t Sha512InitialState[8] = {
    0x6A09E667F3BCC908ULL, 0xBB67AE8584CAA73BULL, 0x3C6EF372FE94F82BULL, 0xA54FF53A5F1D36F1ULL,
    0x510E527FADE682D1ULL, 0x9B05688C2B3E6C1FULL, 0x1F83D9ABFB41BD6BULL, 0x5BE0CD19137E2179ULL};

inline uint64_t RotateRight64(uint64_t value, int bits) {
    return (value >> bits) | (value << (64 - bits));
}

#define SHA512_CH(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define SHA512_MAJ(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))
#define SHA512_SIGMA0(x) (RotateRight64(x, 28) ^ RotateRight64(x, 34) ^ RotateRight64(x, 39))
#define SHA512_SIGMA1(x) (RotateRight64(x, 14) ^ RotateRight64(x, 18) ^ RotateRight64(x, 41))
#define SHA512_ROUND(a, b, c, d, e, f, g, h, t)                                                    \
    h += SHA512_SIGMA1(e) + SHA512_CH(e, f, g) + Sha512RoundConstants[t] + w[t];                   \
    d += h;                                                                                        \
    h += SHA512_SIGMA0(a) + SHA512_MAJ(a, b, c);

void LoadState(const HashContext& Context, uint64_t State[8]) {
    std::memcpy(State, Context.State, 8 * sizeof(uint64_t));
}

void StoreState(HashContext& Context, const uint64_t State[8]) {
    std::memcpy(Context.State, State, 8 * sizeof(uint64_t));
}

} // namespace

void DigestDetail::Sha512CompressReference(uint64_t State[8], const uint8_t* Block) {
    uint64_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBigEndian64(Block + 8 * t);
    for (int t = 16; t < 80; ++t) {
        const uint64_t s0 =
            RotateRight64(w[t - 15], 1) ^ RotateRight64(w[t - 15], 8) ^ (w[t - 15] >> 7);
        const uint64_t s1 =
            RotateRight64(w[t - 2], 19) ^ RotateRight64(w[t - 2], 61) ^ (w[t - 2] >> 6);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }

    uint64_t a = State[0], b = State[1], c = State[2], d = State[3], e = State[4], f = State[5],
             g = State[6], h = State[7];
    for (int t = 0; t < 80; t += 8) {
        SHA512_ROUND(a, b, c, d, e, f, g, h, t + 0)
        SHA512_ROUND(h, a, b, c, d, e, f, g, t + 1)
        SHA512_ROUND(g, h, a, b, c, d, e, f, t + 2)
        SHA512_ROUND(f, g, h, a, b, c, d, e, t + 3)
        SHA512_ROUND(e, f, g, h, a, b, c, d, t + 4)
        SHA512_ROUND(d, e, f, g, h, a, b, c, t + 5)
        SHA512_ROUND(c, d, e, f, g, h, a, b, t + 6)
        SHA512_ROUND(b, c, d, e, f, g, h, a, t + 7)
    }

    State[0] += a;
    State[1] += b;
    State[2] += c;
    State[3] += d;
    State[4] += e;
    State[5] += f;
    State[6] += g;
    State[7] += h;
}

#undef SHA512_CH
#undef SHA512_MAJ
#undef SHA512_SIGMA0
#undef SHA512_SIGMA1
#undef SHA512_ROUND

void Sha512Init(HashContext& Context) {
    Context = HashContext{};
    StoreState(Context, Sha512InitialState);
}

void Sha512Compress(uint64_t State[8], const uint8_t* Block) {
    Sha512Blocks(State, Block, 1);
}

void Sha512Update(HashContext& Context, const void* Data, uint16_t Count) {
    if (Count == 0)
        return;
    uint64_t state[8];
    LoadState(Context, state);
    UpdateHashContext<Sha512BlockSize>(
        Context, Data, Count, [&] { Sha512Blocks(state, Context.Buffer, 1); },
        [&](const uint8_t* blocks, int32_t count) {
            Sha512Blocks(state, blocks, static_cast<size_t>(count));
        });
    StoreState(Context, state);
}

void Sha512Final(HashContext& Context, Sha512Digest& Digest) {
    uint64_t state[8];
    LoadState(Context, state);
    const uint32_t* bits = Context.BitLength;
    PadHashContext<Sha512BlockSize>(
        Context, [&] { Sha512Blocks(state, Context.Buffer, 1); },
        [&](uint8_t* length) {
            for (int i = 0; i < 4; ++i)
                StoreBigEndian32(length + 4 * i, bits[3 - i]);
        });
    for (int i = 0; i < 8; ++i)
        StoreBigEndian64(Digest.data() + 8 * i, state[i]);
    WipeHashContext(Context);
    volatile uint64_t* words = state;
    for (int i = 0; i < 8; ++i)
        words[i] = 0;
}
