// SHA-256 as FIPS 180-4 defines it (section 6.2). The schedule is expanded in
// full before the rounds; the 64 rounds run as a loop eight rounds deep in
// which the roles of the eight working values rotate instead of the values
// being moved, as SHA1's five-deep loops do. Whole input blocks are compressed
// where they lie, as MD5's are: the block function takes any block, so there
// is nothing to gain from copying them into the context first.
#include "digest.h"
#include "digest_kernels.h"
#include "hash_context.h"

using namespace DigestDetail;

// The first 32 bits of the fractional parts of the cube roots of the first 64
// primes (FIPS 180-4, 4.2.2).
alignas(16) const uint32_t DigestDetail::Sha256RoundConstants[64] = {
    0x428A2F98u, 0x71374491u, 0xB5C0FBCFu, 0xE9B5DBA5u, 0x3956C25Bu, 0x59F111F1u, 0x923F82A4u,
    0xAB1C5ED5u, 0xD807AA98u, 0x12835B01u, 0x243185BEu, 0x550C7DC3u, 0x72BE5D74u, 0x80DEB1FEu,
    0x9BDC06A7u, 0xC19BF174u, 0xE49B69C1u, 0xEFBE4786u, 0x0FC19DC6u, 0x240CA1CCu, 0x2DE92C6Fu,
    0x4A7484AAu, 0x5CB0A9DCu, 0x76F988DAu, 0x983E5152u, 0xA831C66Du, 0xB00327C8u, 0xBF597FC7u,
    0xC6E00BF3u, 0xD5A79147u, 0x06CA6351u, 0x14292967u, 0x27B70A85u, 0x2E1B2138u, 0x4D2C6DFCu,
    0x53380D13u, 0x650A7354u, 0x766A0ABBu, 0x81C2C92Eu, 0x92722C85u, 0xA2BFE8A1u, 0xA81A664Bu,
    0xC24B8B70u, 0xC76C51A3u, 0xD192E819u, 0xD6990624u, 0xF40E3585u, 0x106AA070u, 0x19A4C116u,
    0x1E376C08u, 0x2748774Cu, 0x34B0BCB5u, 0x391C0CB3u, 0x4ED8AA4Au, 0x5B9CCA4Fu, 0x682E6FF3u,
    0x748F82EEu, 0x78A5636Fu, 0x84C87814u, 0x8CC70208u, 0x90BEFFFAu, 0xA4506CEBu, 0xBEF9A3F7u,
    0xC67178F2u,
};

namespace {

// The first 32 bits of the fractional parts of the square roots of the first
// eight primes (FIPS 180-4, 5.3.3).
constexpr uint32_t Sha256InitialState[8] = {0x6A09E667u, 0xBB67AE85u, 0x3C6EF372u, 0xA54FF53Au,
                                            0x510E527Fu, 0x9B05688Cu, 0x1F83D9ABu, 0x5BE0CD19u};

inline uint32_t RotateRight(uint32_t value, int bits) {
    return (value >> bits) | (value << (32 - bits));
}

// Ch and Maj in the equivalent forms with one operation fewer than the
// standard's: they select and vote bit by bit the same way.
#define SHA256_CH(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define SHA256_MAJ(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))
#define SHA256_SIGMA0(x) (RotateRight(x, 2) ^ RotateRight(x, 13) ^ RotateRight(x, 22))
#define SHA256_SIGMA1(x) (RotateRight(x, 6) ^ RotateRight(x, 11) ^ RotateRight(x, 25))
#define SHA256_ROUND(a, b, c, d, e, f, g, h, t)                                                    \
    h += SHA256_SIGMA1(e) + SHA256_CH(e, f, g) + Sha256RoundConstants[t] + w[t];                   \
    d += h;                                                                                        \
    h += SHA256_SIGMA0(a) + SHA256_MAJ(a, b, c);

} // namespace

void DigestDetail::Sha256CompressReference(uint32_t State[8], const uint8_t* Block) {
    uint32_t w[64];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBigEndian32(Block + 4 * t);
    for (int t = 16; t < 64; ++t) {
        const uint32_t s0 =
            RotateRight(w[t - 15], 7) ^ RotateRight(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const uint32_t s1 =
            RotateRight(w[t - 2], 17) ^ RotateRight(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }

    uint32_t a = State[0], b = State[1], c = State[2], d = State[3], e = State[4], f = State[5],
             g = State[6], h = State[7];
    for (int t = 0; t < 64; t += 8) {
        SHA256_ROUND(a, b, c, d, e, f, g, h, t + 0)
        SHA256_ROUND(h, a, b, c, d, e, f, g, t + 1)
        SHA256_ROUND(g, h, a, b, c, d, e, f, t + 2)
        SHA256_ROUND(f, g, h, a, b, c, d, e, t + 3)
        SHA256_ROUND(e, f, g, h, a, b, c, d, t + 4)
        SHA256_ROUND(d, e, f, g, h, a, b, c, t + 5)
        SHA256_ROUND(c, d, e, f, g, h, a, b, t + 6)
        SHA256_ROUND(b, c, d, e, f, g, h, a, t + 7)
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

#undef SHA256_CH
#undef SHA256_MAJ
#undef SHA256_SIGMA0
#undef SHA256_SIGMA1
#undef SHA256_ROUND

void Sha256Init(HashContext& Context) {
    Context = HashContext{};
    for (int i = 0; i < 8; ++i)
        Context.State[i] = Sha256InitialState[i];
}

void Sha256Compress(uint32_t State[8], const uint8_t* Block) {
    Sha256Blocks(State, Block, 1);
}

void Sha256Update(HashContext& Context, const void* Data, uint16_t Count) {
    UpdateHashContext(
        Context, Data, Count, [&] { Sha256Blocks(Context.State, Context.Buffer, 1); },
        [&](const uint8_t* blocks, int32_t count) {
            Sha256Blocks(Context.State, blocks, static_cast<size_t>(count));
        });
}

void Sha256Final(HashContext& Context, Sha256Digest& Digest) {
    const uint32_t lowBits = Context.BitLength[0];
    const uint32_t highBits = Context.BitLength[1];
    PadHashContext(
        Context, [&] { Sha256Blocks(Context.State, Context.Buffer, 1); },
        [&](uint8_t* length) {
            StoreBigEndian32(length, highBits);
            StoreBigEndian32(length + 4, lowBits);
        });
    HashDigest full{};
    for (int i = 0; i < 8; ++i)
        StoreBigEndian32(full.data() + 4 * i, Context.State[i]);
    WipeHashContext(Context);
    std::memcpy(Digest.data(), full.data(), Digest.size());
}
