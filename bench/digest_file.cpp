// Hashes one file the way the file checker does: reads of 32768 bytes, one
// update call per read. Prints the digest text. Lets bench/compare.sh time the
// digest library on its own, on any set of paths (HASHKEEP_DIGEST_PATHS).
#include "digest/digest.h"
#include "digest/digest_paths.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr size_t ReadBufferSize = 32768;

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: digest_file crc32|md5|sha1|sha256|sha512|blake3 FILE\n");
        return 2;
    }
    const std::string algo = argv[1];
    if (algo != "crc32" && algo != "md5" && algo != "sha1" && algo != "sha256" &&
        algo != "sha512" && algo != "blake3") {
        std::fprintf(stderr, "digest_file: unknown algorithm %s\n", argv[1]);
        return 2;
    }
    uint32_t paths = AllDigestPaths;
    if (!ParseDigestPaths(std::getenv(DigestPathsVariable), paths)) {
        std::fprintf(stderr, "digest_file: %s names an unknown path\n", DigestPathsVariable);
        return 2;
    }
    SelectDigestPaths(paths);

    std::FILE* file = std::fopen(argv[2], "rb");
    if (file == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    std::setvbuf(file, nullptr, _IONBF, 0); // each fread is one read of the file
    std::vector<uint8_t> buffer(ReadBufferSize);
    uint32_t crc = 0;
    HashContext context;
    Blake3Context blake3;
    if (algo == "sha512")
        Sha512Init(context);
    else if (algo == "blake3")
        Blake3Init(blake3);
    else if (algo == "crc32")
        Crc32Init(crc);
    else if (algo == "md5")
        Md5Init(context);
    else if (algo == "sha1")
        Sha1Init(context);
    else
        Sha256Init(context);
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got == 0)
            break;
        const auto count = static_cast<uint16_t>(got);
        if (algo == "sha512")
            Sha512Update(context, buffer.data(), count);
        else if (algo == "blake3")
            Blake3Update(blake3, buffer.data(), got);
        else if (algo == "crc32")
            Crc32Update(crc, buffer.data(), count);
        else if (algo == "md5")
            Md5Update(context, buffer.data(), count);
        else if (algo == "sha1")
            Sha1Update(context, buffer.data(), count);
        else
            Sha256Update(context, buffer.data(), count);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "digest_file: read error\n");
        return 1;
    }

    std::string text;
    if (algo == "sha512") {
        Sha512Digest digest;
        Sha512Final(context, digest);
        text = BytesToHex(digest.data(), Sha512DigestSize);
    } else if (algo == "blake3") {
        Blake3Digest digest;
        Blake3Final(blake3, digest);
        text = BytesToHex(digest.data(), Blake3DigestSize);
    } else if (algo == "crc32") {
        Crc32Final(crc);
        text = Crc32ToHex(crc);
    } else if (algo == "md5") {
        Md5Digest digest;
        Md5Final(context, digest);
        text = BytesToHex(digest.data(), Md5DigestSize);
    } else if (algo == "sha1") {
        Sha1Digest digest;
        Sha1Final(context, digest);
        text = BytesToHex(digest.data(), Sha1DigestSize);
    } else {
        Sha256Digest digest;
        Sha256Final(context, digest);
        text = BytesToHex(digest.data(), Sha256DigestSize);
    }
    std::printf("%s\n", text.c_str());
    return 0;
}
