// The names of the digest paths, which tests, benchmarks and
// HASHKEEP_DIGEST_PATHS use; apart from dispatch.cpp so that a program that
// never names a path (the plug-in) does not carry them.
#include "digest_paths.h"

#include <string_view>

namespace {

struct PathName {
    DigestPath Path;
    const char* Name;
};
constexpr PathName PathNames[] = {
    {DigestPath::Crc32Slicing8, "crc32-slicing8"},
    {DigestPath::Crc32Clmul, "crc32-clmul"},
    {DigestPath::Md5Scheduled, "md5-scheduled"},
    {DigestPath::Sha1ShaNi, "sha1-shani"},
    {DigestPath::Crc32Vpclmul, "crc32-vpclmul"},
    {DigestPath::Sha256ShaNi, "sha256-shani"},
    {DigestPath::Crc32Vpclmul256, "crc32-vpclmul256"},
    {DigestPath::Md5Avx2, "md5-avx2"},
    {DigestPath::Md5Avx512, "md5-avx512"},
    {DigestPath::Sha512Sse2, "sha512-sse2"},
    {DigestPath::Sha512Avx512, "sha512-avx512"},
    {DigestPath::Sha512Avx2, "sha512-avx2"},
    {DigestPath::Blake3Sse2, "blake3-sse2"},
    {DigestPath::Blake3Sse41, "blake3-sse41"},
    {DigestPath::Blake3Avx2, "blake3-avx2"},
    {DigestPath::Blake3Avx512, "blake3-avx512"},
};
static_assert(sizeof PathNames / sizeof PathNames[0] == 16, "one name per path");

} // namespace

const char* DigestPathName(DigestPath Path) {
    for (const PathName& entry : PathNames)
        if (entry.Path == Path)
            return entry.Name;
    return "";
}

bool ParseDigestPaths(const char* Text, uint32_t& Paths) {
    const std::string_view text = Text != nullptr ? Text : "";
    if (text.empty() || text == "all") {
        Paths = AllDigestPaths;
        return true;
    }
    if (text == "none") {
        Paths = 0;
        return true;
    }
    uint32_t paths = 0;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string_view name = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        bool known = false;
        for (const PathName& entry : PathNames) {
            if (name == entry.Name) {
                paths |= DigestPathBit(entry.Path);
                known = true;
            }
        }
        if (!known)
            return false;
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    Paths = paths;
    return true;
}
