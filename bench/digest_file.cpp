// Hashes one file the way the file checker does: reads of 1 MiB into a buffer
// that starts on a page, fed to the digest in updates of 1023 64-byte blocks
// (BLAKE3, which takes any count, the whole read: in 65472-byte updates its
// runs of chunks would rarely line up for its widest unit). Prints the digest
// text. Lets bench/compare.sh time the digest library on its own, on any set
// of paths (HASHKEEP_DIGEST_PATHS), in any build (the 32-bit one under Wine).
// "blake3-threads" hashes each read on two threads (digest/blake3_threads.h).
#include "digest/blake3_threads.h"
#include "digest/digest.h"
#include "digest/digest_paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr size_t ReadSize = 1 << 20;
constexpr size_t FeedSize = 1023 * 64;
constexpr size_t PageSize = 4096;

struct State {
    uint32_t Crc;
    HashContext Context;
    Blake3Context Blake3;
    TBlake3TwoThreads* Threads;
};

// Feeds a read to a digest that takes at most 65535 bytes a call.
template <void (*Update)(HashContext&, const void*, uint16_t)>
void FeedPieces(State& s, const uint8_t* data, size_t count) {
    for (size_t at = 0; at < count; at += FeedSize)
        Update(s.Context, data + at, static_cast<uint16_t>(std::min(FeedSize, count - at)));
}

template <typename Digest, void (*Final)(HashContext&, Digest&)> std::string Text(State& s) {
    Digest digest;
    Final(s.Context, digest);
    return BytesToHex(digest.data(), static_cast<int32_t>(digest.size()));
}

struct Algorithm {
    const char* Name;
    void (*Init)(State&);
    void (*Feed)(State&, const uint8_t*, size_t);
    std::string (*Finish)(State&);
};

const Algorithm Algorithms[] = {
    {"crc32", [](State& s) { Crc32Init(s.Crc); },
     [](State& s, const uint8_t* data, size_t count) {
         for (size_t at = 0; at < count; at += FeedSize)
             Crc32Update(s.Crc, data + at, static_cast<uint16_t>(std::min(FeedSize, count - at)));
     },
     [](State& s) {
         Crc32Final(s.Crc);
         return Crc32ToHex(s.Crc);
     }},
    {"md5", [](State& s) { Md5Init(s.Context); }, FeedPieces<Md5Update>, Text<Md5Digest, Md5Final>},
    {"sha1", [](State& s) { Sha1Init(s.Context); }, FeedPieces<Sha1Update>,
     Text<Sha1Digest, Sha1Final>},
    {"sha256", [](State& s) { Sha256Init(s.Context); }, FeedPieces<Sha256Update>,
     Text<Sha256Digest, Sha256Final>},
    {"sha512", [](State& s) { Sha512Init(s.Context); }, FeedPieces<Sha512Update>,
     Text<Sha512Digest, Sha512Final>},
    {"blake3", [](State& s) { Blake3Init(s.Blake3); },
     [](State& s, const uint8_t* data, size_t count) { Blake3Update(s.Blake3, data, count); },
     [](State& s) {
         Blake3Digest digest;
         Blake3Final(s.Blake3, digest);
         return BytesToHex(digest.data(), Blake3DigestSize);
     }},
    {"blake3-threads", [](State& s) { s.Threads->Init(); },
     [](State& s, const uint8_t* data, size_t count) { s.Threads->Update(data, count); },
     [](State& s) {
         Blake3Digest digest;
         s.Threads->Final(digest);
         return BytesToHex(digest.data(), Blake3DigestSize);
     }},
};

} // namespace

int main(int argc, char** argv) {
    const Algorithm* algorithm = nullptr;
    for (const Algorithm& candidate : Algorithms)
        if (argc == 3 && std::strcmp(argv[1], candidate.Name) == 0)
            algorithm = &candidate;
    if (algorithm == nullptr) {
        std::fprintf(
            stderr, "usage: digest_file crc32|md5|sha1|sha256|sha512|blake3|blake3-threads FILE\n");
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
    auto* buffer = static_cast<uint8_t*>(::operator new (ReadSize, std::align_val_t{PageSize}));
    State state{};
    TBlake3TwoThreads* threads = nullptr;
    if (std::strcmp(algorithm->Name, "blake3-threads") == 0)
        state.Threads = threads = new TBlake3TwoThreads;
    algorithm->Init(state);
    for (;;) {
        const size_t got = std::fread(buffer, 1, ReadSize, file);
        if (got == 0)
            break;
        algorithm->Feed(state, buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    ::operator delete (buffer, std::align_val_t{PageSize});
    if (failed) {
        std::fprintf(stderr, "digest_file: read error\n");
        return 1;
    }
    std::printf("%s\n", algorithm->Finish(state).c_str());
    delete threads;
    return 0;
}
