// Every digest path against the portable reference: the same digests and,
// after every update call, the same context (CRC register; HashContext state,
// bit length, buffer bytes and index), whatever the data, its length, its
// alignment and its split over update calls.
#include "digest/digest.h"
#include "digest/digest_kernels.h"
#include "digest/digest_paths.h"
#include "path_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

enum class Algo { Crc32, Md5, Sha1, Sha256, Sha512, Blake3 };
constexpr Algo EveryAlgo[] = {Algo::Crc32,  Algo::Md5,    Algo::Sha1,
                              Algo::Sha256, Algo::Sha512, Algo::Blake3};
const char* AlgoName(Algo algo) {
    constexpr const char* Names[] = {"CRC32", "MD5", "SHA1", "SHA-256", "SHA-512", "BLAKE3"};
    return Names[static_cast<int>(algo)];
}

// Every path, the digest it computes and what it needs to run.
struct PathCase {
    DigestPath Path;
    Algo Computes;
    const char* Needs;
};
constexpr PathCase EveryPath[] = {
    {DigestPath::Crc32Slicing8, Algo::Crc32, "the accelerated build"},
    {DigestPath::Crc32Clmul, Algo::Crc32, "PCLMULQDQ and SSE4.1"},
    {DigestPath::Crc32Vpclmul256, Algo::Crc32,
     "VPCLMULQDQ and AVX2, and a system that saves YMM registers"},
    {DigestPath::Crc32Vpclmul, Algo::Crc32,
     "VPCLMULQDQ and AVX-512F, and a system that saves ZMM registers"},
    {DigestPath::Md5Scheduled, Algo::Md5, "the accelerated build"},
    {DigestPath::Sha1ShaNi, Algo::Sha1, "the SHA extensions, SSSE3 and SSE4.1"},
    {DigestPath::Sha256ShaNi, Algo::Sha256, "the SHA extensions, SSSE3 and SSE4.1"},
    // Multi-buffer paths (md5_lanes_test): the single stream must not notice them.
    {DigestPath::Md5Avx2, Algo::Md5, "AVX2, and a system that saves YMM registers"},
    {DigestPath::Md5Avx512, Algo::Md5, "AVX-512F and VL, and a system that saves ZMM registers"},
    {DigestPath::Sha512Sse2, Algo::Sha512, "SSE2 in a 32-bit build"},
    {DigestPath::Sha512Avx2, Algo::Sha512, "AVX2 and BMI2 in a 64-bit build"},
    {DigestPath::Sha512Avx512, Algo::Sha512,
     "AVX-512F and VL (with AVX2 and BMI2 in a 64-bit build), and a system that saves ZMM "
     "registers"},
    {DigestPath::Blake3Sse2, Algo::Blake3, "SSE2"},
    {DigestPath::Blake3Sse41, Algo::Blake3, "SSE4.1"},
    {DigestPath::Blake3Avx2, Algo::Blake3, "AVX2, and a system that saves YMM registers"},
    {DigestPath::Blake3Avx512, Algo::Blake3,
     "AVX-512F and VL, and a system that saves ZMM registers"},
};
constexpr size_t PathCount = sizeof EveryPath / sizeof EveryPath[0];
constexpr size_t MaxUpdateCount = 65535;

// Puts back the selection a test changes.
class PathGuard {
public:
    PathGuard() : Saved_(ActiveDigestPaths()) {}
    ~PathGuard() { SelectDigestPaths(Saved_); }
    PathGuard(const PathGuard&) = delete;
    PathGuard& operator=(const PathGuard&) = delete;

private:
    uint32_t Saved_;
};

struct PathSet {
    std::string Name;
    uint32_t Paths;
};

// Each path this processor has on its own, then all of them together.
std::vector<PathSet> FasterPathSets() {
    const uint32_t supported = SupportedDigestPaths();
    std::vector<PathSet> sets;
    for (const PathCase& path : EveryPath)
        if ((supported & DigestPathBit(path.Path)) != 0)
            sets.push_back({DigestPathName(path.Path), DigestPathBit(path.Path)});
    if (sets.size() > 1)
        sets.push_back({"all", supported});
    return sets;
}

// One digest in progress.
class Digester {
public:
    explicit Digester(Algo algo) : Algo_(algo) {
        std::memset(&Context_, 0, sizeof Context_);
        std::memset(&Blake3_, 0, sizeof Blake3_);
        if (algo == Algo::Sha512)
            Sha512Init(Context_);
        else if (algo == Algo::Blake3)
            Blake3Init(Blake3_);
        else if (algo == Algo::Crc32)
            Crc32Init(Crc_);
        else if (algo == Algo::Md5)
            Md5Init(Context_);
        else if (algo == Algo::Sha1)
            Sha1Init(Context_);
        else
            Sha256Init(Context_);
    }

    void Update(const uint8_t* data, uint16_t count) {
        if (Algo_ == Algo::Sha512)
            Sha512Update(Context_, data, count);
        else if (Algo_ == Algo::Blake3)
            Blake3Update(Blake3_, data, count);
        else if (Algo_ == Algo::Crc32)
            Crc32Update(Crc_, data, count);
        else if (Algo_ == Algo::Md5)
            Md5Update(Context_, data, count);
        else if (Algo_ == Algo::Sha1)
            Sha1Update(Context_, data, count);
        else
            Sha256Update(Context_, data, count);
    }

    std::string Final() {
        if (Algo_ == Algo::Sha512) {
            Sha512Digest digest;
            Sha512Final(Context_, digest);
            return BytesToHex(digest.data(), Sha512DigestSize);
        }
        if (Algo_ == Algo::Blake3) {
            Blake3Digest digest;
            Blake3Final(Blake3_, digest);
            return BytesToHex(digest.data(), Blake3DigestSize);
        }
        if (Algo_ == Algo::Crc32) {
            Crc32Final(Crc_);
            return Crc32ToHex(Crc_);
        }
        if (Algo_ == Algo::Md5) {
            Md5Digest digest;
            Md5Final(Context_, digest);
            return BytesToHex(digest.data(), Md5DigestSize);
        }
        if (Algo_ == Algo::Sha1) {
            Sha1Digest digest;
            Sha1Final(Context_, digest);
            return BytesToHex(digest.data(), Sha1DigestSize);
        }
        Sha256Digest digest;
        Sha256Final(Context_, digest);
        return BytesToHex(digest.data(), Sha256DigestSize);
    }

    bool SameStateAs(const Digester& other) const {
        return Crc_ == other.Crc_ &&
               std::memcmp(&Context_, &other.Context_, sizeof Context_) == 0 &&
               std::memcmp(&Blake3_, &other.Blake3_, sizeof Blake3_) == 0;
    }

private:
    Algo Algo_;
    uint32_t Crc_ = 0;
    HashContext Context_;
    Blake3Context Blake3_;
};

// The digest of count bytes at data, fed in pieces of at most 65535 bytes.
std::string DigestOf(Algo algo, const uint8_t* data, size_t count) {
    Digester digester(algo);
    for (size_t offset = 0; offset < count; offset += MaxUpdateCount)
        digester.Update(data + offset,
                        static_cast<uint16_t>(std::min(MaxUpdateCount, count - offset)));
    return digester.Final();
}

std::string DigestOf(Algo algo, const std::string& text) {
    return DigestOf(algo, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t count) {
    std::vector<uint8_t> data(count);
    for (auto& byte : data)
        byte = static_cast<uint8_t>(random());
    return data;
}

TEST(DigestPaths, ProcessorFeaturesSelectTheirPaths) {
    const uint32_t supported = SupportedDigestPaths();
    // Until a test or benchmark chooses otherwise, the best paths run.
    EXPECT_EQ(StartupDigestPaths(), supported);
#if defined(HASHKEEP_REFERENCE_DIGESTS_ONLY)
    EXPECT_EQ(supported, 0u);
#else
    EXPECT_NE(supported & DigestPathBit(DigestPath::Crc32Slicing8), 0u);
    EXPECT_NE(supported & DigestPathBit(DigestPath::Md5Scheduled), 0u);
#endif
#if defined(HASHKEEP_X86_DIGESTS)
    // The compiler's own feature probe, independent of the digest library's CPUID reading.
    __builtin_cpu_init();
    const bool clmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1") &&
                       __builtin_cpu_supports("sse2");
    const bool shaNi = __builtin_cpu_supports("sha") && __builtin_cpu_supports("ssse3") &&
                       __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("sse2");
    EXPECT_EQ((supported & DigestPathBit(DigestPath::Crc32Clmul)) != 0, clmul);
    EXPECT_EQ((supported & DigestPathBit(DigestPath::Sha1ShaNi)) != 0, shaNi);
    EXPECT_EQ((supported & DigestPathBit(DigestPath::Sha256ShaNi)) != 0, shaNi);
    // The wide folds also depend on the system saving the registers, which
    // the compiler's probe does not see; they are never there without them.
    const bool vpclmul = clmul && __builtin_cpu_supports("vpclmulqdq");
    if (!(vpclmul && __builtin_cpu_supports("avx512f"))) {
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Crc32Vpclmul), 0u);
    }
    if (!(vpclmul && __builtin_cpu_supports("avx2"))) {
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Crc32Vpclmul256), 0u);
    }
    if (!__builtin_cpu_supports("avx2")) {
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Md5Avx2), 0u);
    }
    if (!(__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"))) {
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Md5Avx512), 0u);
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Sha512Avx512), 0u);
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Blake3Avx512), 0u);
    }
    if (!__builtin_cpu_supports("avx2")) {
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Sha512Avx2), 0u);
        EXPECT_EQ(supported & DigestPathBit(DigestPath::Blake3Avx2), 0u);
    }
    // The reference BLAKE3's narrower units and SHA-512's SSE2 rounds need
    // nothing the system must save.
    const bool sse2 = __builtin_cpu_supports("sse2") != 0;
    EXPECT_EQ((supported & DigestPathBit(DigestPath::Blake3Sse2)) != 0, sse2);
    EXPECT_EQ((supported & DigestPathBit(DigestPath::Blake3Sse41)) != 0,
              __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("ssse3"));
#if defined(__i386__)
    EXPECT_EQ((supported & DigestPathBit(DigestPath::Sha512Sse2)) != 0, sse2);
    EXPECT_EQ(supported & DigestPathBit(DigestPath::Sha512Avx2), 0u) << "64-bit builds only";
#else
    EXPECT_EQ(supported & DigestPathBit(DigestPath::Sha512Sse2), 0u) << "32-bit builds only";
#endif
    // Where the 512-bit fold runs, the system saves the wide registers, so
    // the 256-bit fold runs too if the processor has AVX2.
    if ((supported & DigestPathBit(DigestPath::Crc32Vpclmul)) != 0 &&
        __builtin_cpu_supports("avx2")) {
        EXPECT_NE(supported & DigestPathBit(DigestPath::Crc32Vpclmul256), 0u);
        EXPECT_NE(supported & DigestPathBit(DigestPath::Md5Avx2), 0u);
    }
#endif
    std::string names;
    for (const PathCase& path : EveryPath)
        if ((supported & DigestPathBit(path.Path)) != 0)
            names += std::string(names.empty() ? "" : ",") + DigestPathName(path.Path);
    RecordProperty("SupportedDigestPaths", names);
    std::printf("digest paths of this processor: %s\n", names.empty() ? "none" : names.c_str());
}

TEST(DigestPaths, SelectionKeepsOnlySupportedPaths) {
    PathGuard guard;
    const uint32_t supported = SupportedDigestPaths();
    EXPECT_EQ(SelectDigestPaths(AllDigestPaths | 0xF0u), supported);
    EXPECT_EQ(ActiveDigestPaths(), supported);
    EXPECT_EQ(SelectDigestPaths(0), 0u);
    EXPECT_EQ(ActiveDigestPaths(), 0u);
}

TEST(DigestPaths, VariableNamesPaths) {
    uint32_t paths = 123;
    EXPECT_TRUE(ParseDigestPaths(nullptr, paths));
    EXPECT_EQ(paths, AllDigestPaths);
    EXPECT_TRUE(ParseDigestPaths("none", paths));
    EXPECT_EQ(paths, 0u);
    EXPECT_TRUE(ParseDigestPaths("all", paths));
    EXPECT_EQ(paths, AllDigestPaths);
    EXPECT_TRUE(ParseDigestPaths("sha1-shani,crc32-clmul", paths));
    EXPECT_EQ(paths, DigestPathBit(DigestPath::Sha1ShaNi) | DigestPathBit(DigestPath::Crc32Clmul));
    for (const PathCase& path : EveryPath) {
        EXPECT_TRUE(ParseDigestPaths(DigestPathName(path.Path), paths));
        EXPECT_EQ(paths, DigestPathBit(path.Path));
    }

    paths = 7;
    EXPECT_FALSE(ParseDigestPaths("crc32-clmul,fast", paths));
    EXPECT_FALSE(ParseDigestPaths("crc32-clmul,", paths));
    EXPECT_FALSE(ParseDigestPaths("CRC32-CLMUL", paths));
    EXPECT_EQ(paths, 7u) << "a rejected text leaves the set as it was";
}

TEST(DigestPaths, PublishedVectorsOnEveryPath) {
    PathGuard guard;
    const std::string digits80 =
        "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
    const std::string millionA(1000000, 'a');
    for (const PathSet& set : FasterPathSets()) {
        SelectDigestPaths(set.Paths);
        SCOPED_TRACE(set.Name);
        EXPECT_EQ(DigestOf(Algo::Crc32, "123456789"), "cbf43926");
        EXPECT_EQ(DigestOf(Algo::Crc32, "abc"), "352441c2");
        EXPECT_EQ(DigestOf(Algo::Crc32, ""), "00000000");
        EXPECT_EQ(DigestOf(Algo::Crc32, digits80), "7ca94a72");
        EXPECT_EQ(DigestOf(Algo::Crc32, millionA), "dc25bfbc");
        EXPECT_EQ(DigestOf(Algo::Md5, "abc"), "900150983cd24fb0d6963f7d28e17f72");
        EXPECT_EQ(DigestOf(Algo::Md5, digits80), "57edf4a22be3c955ac49da2e2107b67a");
        EXPECT_EQ(DigestOf(Algo::Md5, millionA), "7707d6ae4e027c70eea2a935c2296f21");
        EXPECT_EQ(DigestOf(Algo::Sha1, "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
        EXPECT_EQ(DigestOf(Algo::Sha1, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
                  "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
        EXPECT_EQ(DigestOf(Algo::Sha1, millionA), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
        EXPECT_EQ(DigestOf(Algo::Sha256, "abc"),
                  "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(DigestOf(Algo::Sha256, millionA),
                  "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }
}

// FIPS 180-4's SHA-512 examples (C.1 to C.3) and the empty message, on the
// reference and on every faster path.
TEST(DigestPaths, Sha512PublishedVectorsOnEveryPath) {
    PathGuard guard;
    const std::string millionA(1000000, 'a');
    auto sets = FasterPathSets();
    sets.push_back({"none", 0});
    for (const PathSet& set : sets) {
        SelectDigestPaths(set.Paths);
        SCOPED_TRACE(set.Name);
        EXPECT_EQ(DigestOf(Algo::Sha512, "abc"),
                  "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                  "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
        EXPECT_EQ(DigestOf(Algo::Sha512,
                           "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmn"
                           "hijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
                  "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
                  "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909");
        EXPECT_EQ(DigestOf(Algo::Sha512, millionA),
                  "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
                  "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b");
        EXPECT_EQ(DigestOf(Algo::Sha512, ""),
                  "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
                  "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e");
    }
}

// BLAKE3's reference inputs (byte i is i mod 251) at the lengths of its
// published test vectors, across the 1024-byte chunks and the tree above
// them; the digests are b3sum's (1.2.0). On the portable unit and every
// faster one, fed whole, in 65535-byte updates, and in pieces of 1000 bytes
// that never line up with a chunk.
TEST(DigestPaths, Blake3ReferenceInputsOnEveryPath) {
    const std::pair<size_t, const char*> vectors[] = {
        {0, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
        {1, "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213"},
        {1023, "10108970eeda3eb932baac1428c7a2163b0e924c9a9e25b35bba72b28f70bd11"},
        {1024, "42214739f095a406f3fc83deb889744ac00df831c10daa55189b5d121c855af7"},
        {1025, "d00278ae47eb27b34faecf67b4fe263f82d5412916c1ffd97c8cb7fb814b8444"},
        {2048, "e776b6028c7cd22a4d0ba182a8bf62205d2ef576467e838ed6f2529b85fba24a"},
        {2049, "5f4d72f40d7a5f82b15ca2b2e44b1de3c2ef86c426c95c1af0b6879522563030"},
        {3072, "b98cb0ff3623be03326b373de6b9095218513e64f1ee2edd2525c7ad1e5cffd2"},
        {3073, "7124b49501012f81cc7f11ca069ec9226cecb8a2c850cfe644e327d22d3e1cd3"},
        {4096, "015094013f57a5277b59d8475c0501042c0b642e531b0a1c8f58d2163229e969"},
        {4097, "9b4052b38f1c5fc8b1f9ff7ac7b27cd242487b3d890d15c96a1c25b8aa0fb995"},
        {5120, "9cadc15fed8b5d854562b26a9536d9707cadeda9b143978f319ab34230535833"},
        {5121, "628bd2cb2004694adaab7bbd778a25df25c47b9d4155a55f8fbd79f2fe154cff"},
        {6144, "3e2e5b74e048f3add6d21faab3f83aa44d3b2278afb83b80b3c35164ebeca205"},
        {6145, "f1323a8631446cc50536a9f705ee5cb619424d46887f3c376c695b70e0f0507f"},
        {7168, "61da957ec2499a95d6b8023e2b0e604ec7f6b50e80a9678b89d2628e99ada77a"},
        {7169, "a003fc7a51754a9b3c7fae0367ab3d782dccf28855a03d435f8cfe74605e7817"},
        {8192, "aae792484c8efe4f19e2ca7d371d8c467ffb10748d8a5a1ae579948f718a2a63"},
        {8193, "bab6c09cb8ce8cf459261398d2e7aef35700bf488116ceb94a36d0f5f1b7bc3b"},
        {16384, "f875d6646de28985646f34ee13be9a576fd515f76b5b0a26bb324735041ddde4"},
        {31744, "62b6960e1a44bcc1eb1a611a8d6235b6b4b78f32e7abc4fb4c6cdcce94895c47"},
        {102400, "bc3e3d41a1146b069abffad3c0d44860cf664390afce4d9661f7902e7943e085"},
    };
    std::vector<uint8_t> input(102400);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<uint8_t>(i % 251);

    PathGuard guard;
    auto sets = FasterPathSets();
    sets.push_back({"none", 0});
    for (const PathSet& set : sets) {
        SelectDigestPaths(set.Paths);
        for (const auto& [length, expected] : vectors) {
            for (size_t piece : {length, MaxUpdateCount, size_t{1000}}) {
                Blake3Context context;
                Blake3Init(context);
                for (size_t at = 0; at < length; at += piece)
                    Blake3Update(context, input.data() + at, std::min(piece, length - at));
                Blake3Digest digest;
                Blake3Final(context, digest);
                EXPECT_EQ(BytesToHex(digest.data(), Blake3DigestSize), expected)
                    << set.Name << ", " << length << " bytes in pieces of " << piece;
            }
        }
    }
}

// One path against the reference, for the digest it computes; the last
// instance takes every path this processor has at once, for every digest. A
// path the processor lacks is skipped, saying so.
class PathAgainstReference : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override {
        const uint32_t supported = SupportedDigestPaths();
        if (GetParam() == PathCount) {
            Name_ = "all";
            Paths_ = supported;
            Algos_.assign(std::begin(EveryAlgo), std::end(EveryAlgo));
            if (Paths_ == 0)
                GTEST_SKIP() << "no path but the reference in this build on this processor";
            return;
        }
        const PathCase& path = EveryPath[GetParam()];
        Name_ = DigestPathName(path.Path);
        Paths_ = DigestPathBit(path.Path);
        Algos_ = {path.Computes};
        // SHA-512 has one path for each processor width; the other width's
        // is no gap in this build's coverage.
#if defined(__i386__)
        const DigestPath otherWidths = DigestPath::Sha512Avx2;
#else
        const DigestPath otherWidths = DigestPath::Sha512Sse2;
#endif
        if (path.Path == otherWidths)
            GTEST_SKIP() << Name_ << " belongs to the build of the other processor width";
        if ((supported & Paths_) == 0)
            GTEST_SKIP() << Name_ << " not tested: it needs " << path.Needs
                         << ", which this processor or build lacks";
    }

    PathGuard Guard_;
    std::string Name_;
    uint32_t Paths_ = 0;
    std::vector<Algo> Algos_;
};

std::string PathCaseName(const ::testing::TestParamInfo<size_t>& info) {
    std::string name = info.param == PathCount ? "all" : DigestPathName(EveryPath[info.param].Path);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(DigestPaths, PathAgainstReference,
                         ::testing::Range<size_t>(0, PathCount + 1), PathCaseName);

// Lengths across the 64-byte block, the CRC folding thresholds (64, 128 and
// 256 bytes) and their 256-, 128-, 64- and 16-byte steps, and the largest
// update, each at every alignment.
TEST_P(PathAgainstReference, BoundaryLengthsAtEveryAlignment) {
    std::mt19937 random(0x5EED0001u);
    const auto data = RandomBytes(random, 70000);
    std::vector<size_t> lengths;
    for (size_t length = 0; length <= 272; ++length)
        lengths.push_back(length);
    // BLAKE3's chunks are 1024 bytes; its widest unit takes 16 at once.
    for (size_t length :
         {319u,   320u,   383u,   384u,   385u,   511u,   512u,   513u,  575u,  576u,
          1023u,  1024u,  1025u,  2047u,  2048u,  2049u,  4095u,  4096u, 4097u, 16383u,
          16384u, 16385u, 17408u, 32767u, 32768u, 32769u, 65534u, 65535u})
        lengths.push_back(length);

    for (Algo algo : Algos_) {
        for (size_t length : lengths) {
            const size_t alignments = length <= 272 ? 16 : 4;
            for (size_t offset = 0; offset < alignments; ++offset) {
                SelectDigestPaths(0);
                const std::string expected = DigestOf(algo, data.data() + offset, length);
                SelectDigestPaths(Paths_);
                ASSERT_EQ(DigestOf(algo, data.data() + offset, length), expected)
                    << AlgoName(algo) << " on " << Name_ << ", " << length << " bytes at offset "
                    << offset;
            }
        }
    }
}

// Random data of random lengths up to 1 MiB, at a random alignment, in random
// pieces: after every update the context equals the reference's.
TEST_P(PathAgainstReference, RandomSplitsLeaveTheReferenceContext) {
    std::mt19937 random(0x5EED0002u);
    constexpr size_t MaxLength = 1 << 20;
    const auto pool = RandomBytes(random, MaxLength + 16);

    for (int round = 0; round < 24; ++round) {
        // A third each of short, medium and long messages.
        const size_t limit = round % 3 == 0 ? 1000 : round % 3 == 1 ? 70000 : MaxLength;
        const size_t length = random() % (limit + 1);
        const uint8_t* data = pool.data() + random() % 16;
        // Pieces up to a few bytes, up to a few blocks, or up to the largest count.
        const size_t pieceLimit = round % 4 == 0 ? 9 : round % 4 == 1 ? 300 : MaxUpdateCount;
        std::vector<uint16_t> pieces;
        for (size_t used = 0; used < length;) {
            const size_t piece = std::min<size_t>(length - used, random() % (pieceLimit + 1));
            pieces.push_back(static_cast<uint16_t>(piece));
            used += piece;
        }

        for (Algo algo : Algos_) {
            Digester reference(algo), candidate(algo);
            size_t offset = 0;
            for (size_t i = 0; i < pieces.size(); ++i) {
                SelectDigestPaths(0);
                reference.Update(data + offset, pieces[i]);
                SelectDigestPaths(Paths_);
                candidate.Update(data + offset, pieces[i]);
                offset += pieces[i];
                ASSERT_TRUE(candidate.SameStateAs(reference))
                    << AlgoName(algo) << " on " << Name_ << ": " << length << " bytes, piece " << i
                    << " of " << pieces.size() << " (" << pieces[i] << " bytes)";
            }
            SelectDigestPaths(0);
            const std::string expected = reference.Final();
            SelectDigestPaths(Paths_);
            ASSERT_EQ(candidate.Final(), expected) << AlgoName(algo) << " on " << Name_;
            ASSERT_TRUE(candidate.SameStateAs(reference)) << "wiped after final";
        }
    }
}

// The block functions of digest.h, as a caller outside the update scheme uses them.
TEST(DigestPaths, BlockFunctionsMatchTheReference) {
    PathGuard guard;
    std::mt19937 random(0x5EED0003u);
    for (int round = 0; round < 50; ++round) {
        const auto wide = RandomBytes(random, Sha512BlockSize + 1);
        uint64_t sha512Start[8], sha512Expected[8];
        for (uint64_t& word : sha512Start)
            word = static_cast<uint64_t>(random()) << 32 | random();
        std::memcpy(sha512Expected, sha512Start, sizeof sha512Expected);
        DigestDetail::Sha512CompressReference(sha512Expected, wide.data() + 1);
        const auto block = RandomBytes(random, DigestBlockSize + 1);
        const uint8_t* unaligned = block.data() + 1;
        HashContext start{};
        for (int i = 0; i < 8; ++i)
            start.State[i] = static_cast<uint32_t>(random());
        std::memcpy(start.Buffer, block.data(), DigestBlockSize);

        uint32_t md5Expected[4];
        std::memcpy(md5Expected, start.State, sizeof md5Expected);
        DigestDetail::Md5CompressReference(md5Expected, unaligned);
        HashContext sha1Expected = start;
        DigestDetail::Sha1CompressReference(sha1Expected);
        uint32_t sha256Expected[8];
        std::memcpy(sha256Expected, start.State, sizeof sha256Expected);
        DigestDetail::Sha256CompressReference(sha256Expected, unaligned);

        for (const PathSet& set : FasterPathSets()) {
            SelectDigestPaths(set.Paths);
            uint32_t md5[4];
            std::memcpy(md5, start.State, sizeof md5);
            Md5Compress(md5, unaligned);
            EXPECT_EQ(std::memcmp(md5, md5Expected, sizeof md5), 0) << set.Name;
            HashContext sha1 = start;
            Sha1Compress(sha1);
            EXPECT_EQ(std::memcmp(&sha1, &sha1Expected, sizeof sha1), 0) << set.Name;
            uint32_t sha256[8];
            std::memcpy(sha256, start.State, sizeof sha256);
            Sha256Compress(sha256, unaligned);
            EXPECT_EQ(std::memcmp(sha256, sha256Expected, sizeof sha256), 0) << set.Name;
            uint64_t sha512[8];
            std::memcpy(sha512, sha512Start, sizeof sha512);
            Sha512Compress(sha512, wide.data() + 1);
            EXPECT_EQ(std::memcmp(sha512, sha512Expected, sizeof sha512), 0) << set.Name;
        }
    }
}

TEST(DigestPaths, ZeroCountTouchesNothingOnAnyPath) {
    PathGuard guard;
    for (const PathSet& set : FasterPathSets()) {
        SelectDigestPaths(set.Paths);
        uint32_t crc = 0x89ABCDEFu;
        Crc32Update(crc, nullptr, 0);
        EXPECT_EQ(crc, 0x89ABCDEFu) << set.Name;
        HashContext context, before;
        Sha1Init(context);
        Sha1Update(context, "abc", 3);
        before = context;
        Sha1Update(context, nullptr, 0);
        EXPECT_EQ(std::memcmp(&context, &before, sizeof context), 0) << set.Name;
        Sha512Init(context);
        Sha512Update(context, "abc", 3);
        before = context;
        Sha512Update(context, nullptr, 0);
        EXPECT_EQ(std::memcmp(&context, &before, sizeof context), 0) << set.Name;
    }
}

#if defined(__i386__)
// Windows promises a 32-bit DLL only 4-byte stack alignment: the host may call
// in with the stack 4, 8 or 12 bytes off the 16 that SIMD spills need. Calls
// Function(Argument) with the stack pointer Misalignment bytes below a 16-byte
// boundary at the call instruction.
template <int Misalignment>
__attribute__((noinline)) void CallWithMisalignedStack(void (*Function)(void*), void* Argument) {
    static_assert(Misalignment % 4 == 0 && Misalignment >= 0 && Misalignment < 16);
    constexpr int Pad = (32 - Misalignment - 4) % 16; // the push of the argument takes 4
    __asm__ volatile("movl %%esp, %%esi\n\t"
                     "andl $-16, %%esp\n\t"
                     "subl %[pad], %%esp\n\t"
                     "pushl %%edi\n\t"
                     "call *%%ebx\n\t"
                     "movl %%esi, %%esp\n\t"
                     :
                     : "b"(Function), "D"(Argument), [pad] "i"(Pad)
                     : "esi", "eax", "ecx", "edx", "memory", "cc");
}

struct MisalignedRun {
    const std::vector<uint8_t>* Data;
    size_t StackAddress;
    std::string Digests;
};

void DigestEverything(void* argument) {
    auto* run = static_cast<MisalignedRun*>(argument);
    // The frame address is taken before the function realigns its own frame.
    run->StackAddress = reinterpret_cast<size_t>(__builtin_frame_address(0));
    for (Algo algo : EveryAlgo)
        run->Digests += DigestOf(algo, run->Data->data(), run->Data->size()) + " ";
}

TEST(DigestPaths, SafeOnAMisalignedStack) {
    PathGuard guard;
    std::mt19937 random(0x5EED0004u);
    // More than 16 of BLAKE3's chunks, so that its widest unit runs too.
    const auto data = RandomBytes(random, 20000);
    SelectDigestPaths(0);
    MisalignedRun expected{&data, 0, {}};
    DigestEverything(&expected);

    // Each path on its own too: with all of them, the 512-bit fold hides the 256-bit one.
    for (const PathSet& set : FasterPathSets()) {
        SelectDigestPaths(set.Paths);
        MisalignedRun runs[4] = {{&data, 0, {}}, {&data, 0, {}}, {&data, 0, {}}, {&data, 0, {}}};
        CallWithMisalignedStack<0>(DigestEverything, &runs[0]);
        CallWithMisalignedStack<4>(DigestEverything, &runs[1]);
        CallWithMisalignedStack<8>(DigestEverything, &runs[2]);
        CallWithMisalignedStack<12>(DigestEverything, &runs[3]);
        for (const MisalignedRun& run : runs)
            EXPECT_EQ(run.Digests, expected.Digests) << set.Name;
        // The trampoline really shifted the stack: four different alignments seen.
        std::vector<size_t> alignments;
        for (const MisalignedRun& run : runs)
            alignments.push_back(run.StackAddress % 16);
        std::sort(alignments.begin(), alignments.end());
        EXPECT_EQ(std::unique(alignments.begin(), alignments.end()) - alignments.begin(), 4);
    }
}
#endif

} // namespace
