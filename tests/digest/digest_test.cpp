// Digests against the published vectors (RFC 1321 A.5, FIPS 180-1, FIPS 180-4,
// the CRC-32 check value) and the streaming property: any split gives the one-shot digest.
#include "digest/digest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Algo { Crc32, Md5, Sha1, Sha256 };

// Digest text of Data fed in the given piece sizes (the rest in one last piece).
std::string DigestOf(Algo algo, const std::vector<uint8_t>& data,
                     const std::vector<size_t>& pieces = {}) {
    uint32_t crc = 0;
    HashContext context;
    if (algo == Algo::Crc32)
        Crc32Init(crc);
    else if (algo == Algo::Md5)
        Md5Init(context);
    else if (algo == Algo::Sha1)
        Sha1Init(context);
    else
        Sha256Init(context);

    auto feed = [&](const uint8_t* p, size_t n) {
        while (n > 0) {
            const auto count = static_cast<uint16_t>(n > 65535 ? 65535 : n);
            if (algo == Algo::Crc32)
                Crc32Update(crc, p, count);
            else if (algo == Algo::Md5)
                Md5Update(context, p, count);
            else if (algo == Algo::Sha1)
                Sha1Update(context, p, count);
            else
                Sha256Update(context, p, count);
            p += count;
            n -= count;
        }
    };
    size_t offset = 0;
    for (size_t piece : pieces) {
        feed(data.data() + offset, piece);
        offset += piece;
    }
    feed(data.data() + offset, data.size() - offset);

    if (algo == Algo::Crc32) {
        Crc32Final(crc);
        return Crc32ToHex(crc);
    }
    if (algo == Algo::Md5) {
        Md5Digest digest;
        Md5Final(context, digest);
        return BytesToHex(digest.data(), Md5DigestSize);
    }
    if (algo == Algo::Sha1) {
        Sha1Digest digest;
        Sha1Final(context, digest);
        return BytesToHex(digest.data(), Sha1DigestSize);
    }
    Sha256Digest digest;
    Sha256Final(context, digest);
    return BytesToHex(digest.data(), Sha256DigestSize);
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = static_cast<uint8_t>(i * 131 + 7);
    return data;
}

bool IsAllZero(const HashContext& context) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&context);
    for (size_t i = 0; i < sizeof context; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

TEST(KnownVectors, Rfc1321TestSuite) {
    const std::pair<const char*, const char*> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [message, digest] : suite)
        EXPECT_EQ(DigestOf(Algo::Md5, Bytes(message)), digest) << '"' << message << '"';
}

TEST(KnownVectors, Fips180_1Messages) {
    EXPECT_EQ(DigestOf(Algo::Sha1, Bytes("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(
        DigestOf(Algo::Sha1, Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
        "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(DigestOf(Algo::Sha1, std::vector<uint8_t>(1000000, 'a')),
              "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

// FIPS 180-4's examples (B.1 to B.3) and the empty message.
TEST(KnownVectors, Fips180_4Messages) {
    EXPECT_EQ(DigestOf(Algo::Sha256, Bytes("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(
        DigestOf(Algo::Sha256, Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(DigestOf(Algo::Sha256, std::vector<uint8_t>(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(DigestOf(Algo::Sha256, {}),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(KnownVectors, Crc32CheckValueAndEmptyInput) {
    EXPECT_EQ(DigestOf(Algo::Crc32, Bytes("123456789")), "cbf43926");
    EXPECT_EQ(DigestOf(Algo::Crc32, {}), "00000000");
    EXPECT_EQ(DigestOf(Algo::Crc32, Bytes("abc")), "352441c2");
    EXPECT_EQ(DigestOf(Algo::Md5, {}), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(DigestOf(Algo::Sha1, {}), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

// Lengths around the padding boundaries; values from an independent
// implementation (SHA-256 from Python's hashlib).
TEST(KnownVectors, PaddingBoundaries) {
    struct Case {
        size_t length;
        const char *crc32, *md5, *sha1, *sha256;
    };
    // One case a row (its SHA-256 on a second line), as the table reads.
    // clang-format off
    const Case cases[] = {
        {55, "e564326e", "852e13533f66e414bbbbb3348de4f81f", "9e5a20c2604688df0b1eecf4474b58bfe7227881",
         "16ed9c4697ca11d5f6fb25ea7900252dd4cb97215d7f6d0b2bb3e2a86ac0ec72"},
        {56, "4a35ab03", "98e8cb3457434649644b5fe9f4e5e4fa", "bd367cf3b85dc2cac8f6b4827cb850e4c83c521c",
         "939ada93b2fe1e9c596d767bb408567c83e253667f0b25e5be8e16f35f2cbac9"},
        {63, "337301c0", "c9803ddca3b148d91d5f214be64197d4", "a8f606c343b26fa851dfd149f7b12fc2dbf1af34",
         "6073f83b09ae82016cdbe24c18996c48f0eaa08ca675d0f6b90b807fc29e0149"},
        {64, "38e4dbb5", "bc00c8534af1e5aef0ede584d8ad5bc3", "1abec92bfbde4197236cfba30b6b61c69d605d88",
         "b337ba9b0c69c391364e985fdcb23a889887e59800832c92fbfa22b8a3c40304"},
        {65, "6c311b46", "4e114d3e0baf5ace365e0552a3273291", "362ce7bc4bc2b47979741db349c65fd550840dc3",
         "9d6a3fb113b586b4ab97bc11c993a27bd9b7bbcb756e0646083dc47a679600e6"},
        {119, "20d55d1a", "e0c0cb3cbc027ba4d5a6c983754f2dc1", "e7ceee9817914eef9ec7001a43033f16a086b7c7",
         "9773fbac8194c3d789af101b49b6a26073076895ef6e0f658432849dd477a43f"},
        {120, "86fc6df9", "3d7a96a57e721a4e2c2cbe55937e10e2", "9c9d46758300bc1f2c6953d4a2652ed72a202cf3",
         "070a538f085dd94821d4dc197c5c8b791051891d4fa2a1bf25d3c275236676f7"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto data = Pattern(c.length);
        EXPECT_EQ(DigestOf(Algo::Crc32, data), c.crc32) << c.length;
        EXPECT_EQ(DigestOf(Algo::Md5, data), c.md5) << c.length;
        EXPECT_EQ(DigestOf(Algo::Sha1, data), c.sha1) << c.length;
        EXPECT_EQ(DigestOf(Algo::Sha256, data), c.sha256) << c.length;
    }
}

TEST(Streaming, FixedSplitsOf700BytesMatchOneShot) {
    const auto data = Pattern(700);
    const std::vector<size_t> splits = {1, 70, 200, 429};
    EXPECT_EQ(DigestOf(Algo::Crc32, data, splits), "eccbdb59");
    EXPECT_EQ(DigestOf(Algo::Md5, data, splits), "c751c588c8ef306e456643fdce12138c");
    EXPECT_EQ(DigestOf(Algo::Sha1, data, splits), "df99fb551db5aa136e8080ee992f526dbad74d27");
    EXPECT_EQ(DigestOf(Algo::Sha256, data, splits),
              "7dffcf8eae88f697fe539c1147783f14b2ef435c6e3b2fa374cf0e4f50bdb247");
}

TEST(Streaming, RandomSplitsMatchOneShot) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 200; ++round) {
        const size_t length = random() % 5000;
        std::vector<uint8_t> data(length);
        for (auto& byte : data)
            byte = static_cast<uint8_t>(random());
        std::vector<size_t> pieces;
        for (size_t used = 0; used < length;) {
            const size_t piece = std::min<size_t>(length - used, random() % 300);
            pieces.push_back(piece);
            used += piece;
        }
        for (Algo algo : {Algo::Crc32, Algo::Md5, Algo::Sha1, Algo::Sha256})
            ASSERT_EQ(DigestOf(algo, data, pieces), DigestOf(algo, data))
                << "length " << length << " algo " << static_cast<int>(algo);
    }
}

TEST(Streaming, LargestUpdateCountIsTakenWhole) {
    // 65535 bytes in one call, then one byte: the 16-bit count is not truncated.
    const auto data = Pattern(65536);
    EXPECT_EQ(DigestOf(Algo::Md5, data, {65535}), DigestOf(Algo::Md5, data, {32768}));
    EXPECT_EQ(DigestOf(Algo::Sha1, data, {65535}), DigestOf(Algo::Sha1, data, {32768}));
    EXPECT_EQ(DigestOf(Algo::Crc32, data, {65535}), DigestOf(Algo::Crc32, data, {32768}));
    EXPECT_EQ(DigestOf(Algo::Sha256, data, {65535}), DigestOf(Algo::Sha256, data, {32768}));
}

TEST(Context, ZeroCountChangesNothing) {
    uint32_t crc = 0x12345678u;
    Crc32Update(crc, nullptr, 0);
    EXPECT_EQ(crc, 0x12345678u);

    HashContext md5, before;
    Md5Init(md5);
    Md5Update(md5, "abc", 3);
    before = md5;
    Md5Update(md5, nullptr, 0);
    EXPECT_EQ(std::memcmp(&md5, &before, sizeof md5), 0);
}

TEST(Context, WipedAfterFinal) {
    const auto data = Pattern(100);
    HashContext context;
    Md5Init(context);
    Md5Update(context, data.data(), 100);
    Md5Digest md5;
    Md5Final(context, md5);
    EXPECT_TRUE(IsAllZero(context));

    Sha1Init(context);
    Sha1Update(context, data.data(), 100);
    Sha1Digest sha1;
    Sha1Final(context, sha1);
    EXPECT_TRUE(IsAllZero(context));

    Sha256Init(context);
    Sha256Update(context, data.data(), 100);
    Sha256Digest sha256;
    Sha256Final(context, sha256);
    EXPECT_TRUE(IsAllZero(context));
}

TEST(Context, InitLeavesUnusedFieldsZero) {
    HashContext context;
    std::memset(&context, 0xAB, sizeof context);
    Sha1Init(context);
    EXPECT_EQ(context.State[4], 0xC3D2E1F0u);
    for (int i = 5; i < 16; ++i)
        EXPECT_EQ(context.State[i], 0u);
    EXPECT_EQ(context.Index, 0);
    EXPECT_EQ(context.BitLength[0], 0u);
}

TEST(Context, BitCountCarriesIntoHighWord) {
    // 2^32 bits are 512 MiB; start just below the carry instead of feeding that much.
    HashContext context;
    Md5Init(context);
    context.BitLength[0] = 0xFFFFFE00u;
    const auto data = Pattern(64);
    Md5Update(context, data.data(), 64);
    EXPECT_EQ(context.BitLength[0], 0u);
    EXPECT_EQ(context.BitLength[1], 1u);
}

TEST(Hex, Encoding) {
    const uint8_t bytes[] = {0x0F, 0xA0};
    EXPECT_EQ(BytesToHex(bytes, 2), "0fa0");
    EXPECT_EQ(BytesToHex(bytes, 0), "");
    EXPECT_EQ(BytesToHex(bytes, -1), "");
    EXPECT_EQ(BytesToHex(nullptr, 2), "");
    EXPECT_EQ(ByteToHex(0xFF), "ff");
    EXPECT_EQ(ByteToHex(0x00), "00");
    EXPECT_EQ(Crc32ToHex(0x0000ABCDu), "0000abcd");
    EXPECT_EQ(Crc32ToHex(0xCBF43926u), "cbf43926");
}

} // namespace
