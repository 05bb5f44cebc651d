// SHA-1 as FIPS 180-1 defines it. The schedule is expanded in full before the
// rounds; each group of 20 rounds is a loop five rounds deep in which the
// roles of the five working values rotate instead of the values being moved.
#include "digest.h"
#include "digest_kernels.h"
#include "hash_context.h"

using namespace DigestDetail;

namespace {

constexpr uint32_t Sha1InitialState[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u,
                                          0xC3D2E1F0u};

#define SHA1_CH(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define SHA1_PARITY(x, y, z) ((x) ^ (y) ^ (z))
#define SHA1_MAJ(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))
#define SHA1_ROUND(f, k, a, b, c, d, e, t)                                                         \
    e += RotateLeft(a, 5) + f(b, c, d) + (k) + w[t];                                               \
    b = RotateLeft(b, 30);
#define SHA1_FIVE_ROUNDS(f, k, t)                                                                  \
    SHA1_ROUND(f, k, a, b, c, d, e, (t) + 0)                                                       \
    SHA1_ROUND(f, k, e, a, b, c, d, (t) + 1)                                                       \
    SHA1_ROUND(f, k, d, e, a, b, c, (t) + 2)                                                       \
    SHA1_ROUND(f, k, c, d, e, a, b, (t) + 3)                                                       \
    SHA1_ROUND(f, k, b, c, d, e, a, (t) + 4)

} // namespace

void DigestDetail::Sha1CompressReference(HashContext& Context) {
    uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBigEndian32(Context.Buffer + 4 * t);
    for (int t = 16; t < 80; ++t)
        w[t] = RotateLeft(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

    uint32_t a = Context.State[0], b = Context.State[1], c = Context.State[2], d = Context.State[3],
             e = Context.State[4];

    for (int t = 0; t < 20; t += 5) {
        SHA1_FIVE_ROUNDS(SHA1_CH, 0x5A827999u, t)
    }
    for (int t = 20; t < 40; t += 5) {
        SHA1_FIVE_ROUNDS(SHA1_PARITY, 0x6ED9EBA1u, t)
    }
    for (int t = 40; t < 60; t += 5) {
        SHA1_FIVE_ROUNDS(SHA1_MAJ, 0x8F1BBCDCu, t)
    }
    for (int t = 60; t < 80; t += 5) {
        SHA1_FIVE_ROUNDS(SHA1_PARITY, 0xCA62C1D6u, t)
    }

    Context.State[0] += a;
    Context.State[1] += b;
    Context.State[2] += c;
    Context.State[3] += d;
    Context.State[4] += e;
}

#undef SHA1_CH
#undef SHA1_PARITY
#undef SHA1_MAJ
#undef SHA1_ROUND
#undef SHA1_FIVE_ROUNDS

void Sha1Init(HashContext& Context) {
    Context = HashContext{};
    for (int i = 0; i < 5; ++i)
        Context.State[i] = Sha1InitialState[i];
}

void DigestDetail::Sha1UpdateReference(HashContext& Context, const void* Data, uint16_t Count) {
    // The block function reads only the context's buffer, so every whole
    // input block is copied there once before it is compressed.
    UpdateHashContext(
        Context, Data, Count, [&] { Sha1Compress(Context); },
        [&](const uint8_t* blocks, int32_t count) {
            for (; count > 0; --count, blocks += DigestBlockSize) {
                std::memcpy(Context.Buffer, blocks, DigestBlockSize);
                Sha1Compress(Context);
            }
        });
}

void Sha1Final(HashContext& Context, Sha1Digest& Digest) {
    const uint32_t lowBits = Context.BitLength[0];
    const uint32_t highBits = Context.BitLength[1];
    PadHashContext(
        Context, [&] { Sha1Compress(Context); },
        [&](uint8_t* length) {
            StoreBigEndian32(length, highBits);
            StoreBigEndian32(length + 4, lowBits);
        });
    HashDigest full{};
    for (int i = 0; i < 5; ++i)
        StoreBigEndian32(full.data() + 4 * i, Context.State[i]);
    WipeHashContext(Context);
    std::memcpy(Digest.data(), full.data(), Digest.size());
}
