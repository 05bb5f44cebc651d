// Digests against the published vectors (RFC 1321 A.5, FIPS 180-1, FIPS 180-4,
// the CRC-32 check value) and the streaming property: any split gives the one-shot digest.
#include "digest/digest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Algo { Crc32, Md5, Sha1, Sha256, Sha512 };

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
    else if (algo == Algo::Sha512)
        Sha512Init(context);
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
            else if (algo == Algo::Sha512)
                Sha512Update(context, p, count);
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
    if (algo == Algo::Sha512) {
        Sha512Digest digest;
        Sha512Final(context, digest);
        return BytesToHex(digest.data(), Sha512DigestSize);
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

// SHA-512's 128-byte block: the length takes its last 16 bytes, so 111 bytes
// pad within the block and 112 need another. Values from Python's hashlib.
TEST(KnownVectors, Sha512PaddingBoundaries) {
    const std::pair<size_t, const char*> cases[] = {
        {111, "ca42f829cbc9e2c24e0cdcf754d6cc5794c6e7a7467b37d88706d1e7d8a8ed17"
              "e49c0485cb4423d43970135539ec7acaeeaeac1bf275757fa2b946532fd1a557"},
        {112, "ff7d52fc3a61de5265b1f12a31ddaf4d7b1d810512d9ff05a1749e9af2b6e154"
              "aca9df6f38f74d1fe9e9a17e2751c28e0a9f22a0cff74af4a11551da33c04384"},
        {113, "468118ee2a6625ee1e25951fabfe234ca1f3e6a717b976e1744228693c724336"
              "aaa4005187c7e1a6413b3466ceec9a5a4cc84556256a63a1615c680d116fd42c"},
        {127, "d1b18bf347c967bf6b44ccbed5afa82c532c3c67b12300fdb7c92c00ad046ecd"
              "bb073335d1d765884712c3c9d9a097bbd6b52ae3bf57f4a69886db984df980ff"},
        {128, "f225e70ebaf47c24482148ef1610c2eafaf640fbee9f860c0f883b79a72e764f"
              "3a788f69ce19b09aaa2b38eba4c0631f4ea86b0a8c01c623e9c8966d8bffe956"},
        {129, "b54f0317be5b89da560cacd77a26276f4b38a630cde21f1dcfa6762fed691aa2"
              "b9758c7a429696996e7b6c35ebbc6888b833a92a399e285759a20332e12c0e12"},
        {239, "dccfdd5bf11ad724331f20c88ad76b5f9f5a5984951beb1a0924239ceb4bae99"
              "ced414a3fe56c7021260be6b8749f44bc5345349c169133f87543c94d8574540"},
        {240, "ea73a27e0dd47d8448e78a57613cb53954b401c7dc06b93c4cad9c42c9356a13"
              "61376adb87095d73c4bd82cecf364244b96b75d8d16d2a0c8c57b1e29b99c807"},
        {256, "6c8ee98ccddf57d6260246e0f0c625b9e5716a84905c6988916b15c327dbb875"
              "5a3cbcddb3b40312be2ca1d286a0600107e1d77c14c5ff9f15afa4f47d426cff"},
    };
    for (const auto& [length, digest] : cases) {
        EXPECT_EQ(DigestOf(Algo::Sha512, Pattern(length)), digest) << length;
        EXPECT_EQ(DigestOf(Algo::Sha512, Pattern(length), {length / 3, 1}), digest) << length;
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
        for (Algo algo : {Algo::Crc32, Algo::Md5, Algo::Sha1, Algo::Sha256, Algo::Sha512})
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

    Sha512Init(context);
    Sha512Update(context, data.data(), 100);
    Sha512Digest sha512;
    Sha512Final(context, sha512);
    EXPECT_TRUE(IsAllZero(context));

    Blake3Context blake3;
    Blake3Init(blake3);
    Blake3Update(blake3, data.data(), 100);
    Blake3Digest digest;
    Blake3Final(blake3, digest);
    for (uint8_t byte : blake3.Hasher)
        ASSERT_EQ(byte, 0);
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

// 2^32 bits are 512 MiB; each case starts just below a carry instead of
// feeding that much. SHA-512 counts 128 bits; the 64-bit counts keep their
// two unused words zero.
TEST(Context, BitCountCarriesIntoHigherWords) {
    struct Case {
        Algo algo;
        uint32_t start[4], expected[4];
    };
    const Case cases[] = {
        {Algo::Md5, {0xFFFFFE00u, 0, 0, 0}, {0, 1, 0, 0}},
        {Algo::Sha256, {0xFFFFFE00u, 0xFFFFFFFFu, 0, 0}, {0, 0, 0, 0}},
        {Algo::Sha512, {0xFFFFFE00u, 0, 0, 0}, {0, 1, 0, 0}},
        {Algo::Sha512, {0xFFFFFE00u, 0xFFFFFFFFu, 0, 0}, {0, 0, 1, 0}},
        {Algo::Sha512, {0xFFFFFE00u, 0xFFFFFFFFu, 0xFFFFFFFFu, 7}, {0, 0, 0, 8}},
    };
    const auto data = Pattern(64);
    for (const Case& c : cases) {
        HashContext context;
        if (c.algo == Algo::Md5)
            Md5Init(context);
        else if (c.algo == Algo::Sha256)
            Sha256Init(context);
        else
            Sha512Init(context);
        std::memcpy(context.BitLength, c.start, sizeof c.start);
        if (c.algo == Algo::Md5)
            Md5Update(context, data.data(), 64);
        else if (c.algo == Algo::Sha256)
            Sha256Update(context, data.data(), 64);
        else
            Sha512Update(context, data.data(), 64);
        EXPECT_EQ(std::memcmp(context.BitLength, c.expected, sizeof c.expected), 0)
            << static_cast<int>(c.algo) << ": " << context.BitLength[0] << " "
            << context.BitLength[1] << " " << context.BitLength[2] << " " << context.BitLength[3];
    }
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
