// Throughput of each digest path fed the way the file checker feeds it: one
// update call per read of up to 32768 bytes. "reference" calls the portable
// code directly, as it was before any dispatch; "dispatch-none" goes through
// the public functions with every faster path switched off (the cost of the
// dispatch itself); the other rows force one path each. HASHKEEP_DIGEST_PATHS
// limits the forced paths to those named.
#include "digest/digest.h"
#include "digest/digest_kernels.h"
#include "digest/digest_paths.h"
#include "digest/hash_context.h"
#include "digest/md5_lanes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace DigestDetail;

namespace {

constexpr size_t ReadBufferSize = 32768;
constexpr int64_t Sizes[] = {64, 4096, 32768, 1 << 20};

// Runs feed(piece, count) over a buffer of state.range(0) bytes with the
// given paths selected.
template <typename Feed> void RunDigest(benchmark::State& state, uint32_t paths, Feed feed) {
    const uint32_t previous = ActiveDigestPaths();
    SelectDigestPaths(paths);
    const auto size = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    for (auto _ : state) {
        for (size_t offset = 0; offset < size; offset += ReadBufferSize) {
            const size_t count = std::min(ReadBufferSize, size - offset);
            feed(data.data() + offset, static_cast<uint16_t>(count));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    SelectDigestPaths(previous);
}

void Crc32Dispatched(benchmark::State& state, uint32_t paths) {
    uint32_t crc;
    Crc32Init(crc);
    RunDigest(state, paths, [&](const uint8_t* p, uint16_t n) { Crc32Update(crc, p, n); });
    benchmark::DoNotOptimize(crc);
}

void Crc32Reference(benchmark::State& state) {
    uint32_t crc;
    Crc32Init(crc);
    RunDigest(state, 0, [&](const uint8_t* p, uint16_t n) { Crc32UpdateReference(crc, p, n); });
    benchmark::DoNotOptimize(crc);
}

void Md5Dispatched(benchmark::State& state, uint32_t paths) {
    HashContext context;
    Md5Init(context);
    RunDigest(state, paths, [&](const uint8_t* p, uint16_t n) { Md5Update(context, p, n); });
    benchmark::DoNotOptimize(context);
}

void Md5Reference(benchmark::State& state) {
    HashContext context;
    Md5Init(context);
    RunDigest(state, 0, [&](const uint8_t* p, uint16_t n) {
        UpdateHashContext(
            context, p, n, [&] { Md5CompressReference(context.State, context.Buffer); },
            [&](const uint8_t* blocks, int32_t count) {
                for (; count > 0; --count, blocks += DigestBlockSize)
                    Md5CompressReference(context.State, blocks);
            });
    });
    benchmark::DoNotOptimize(context);
}

// 16 messages of state.range(0) bytes each, every lane fed one read at a time.
void Md5Lanes(benchmark::State& state, uint32_t paths, uint32_t wanted) {
    if (paths != 0 && (wanted & SupportedDigestPaths() & paths) == 0) {
        state.SkipWithError("n/a: this processor, build or HASHKEEP_DIGEST_PATHS lacks the path");
        return;
    }
    const uint32_t previous = ActiveDigestPaths();
    SelectDigestPaths(paths);
    const auto size = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> data(size * TMd5Lanes::Width);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    TMd5Lanes lanes;
    size_t fed[TMd5Lanes::Width];
    for (auto _ : state) {
        for (int l = 0; l < TMd5Lanes::Width; ++l) {
            lanes.Start(l);
            fed[l] = 0;
        }
        for (int done = 0; done < TMd5Lanes::Width;) {
            for (int l = 0; l < TMd5Lanes::Width; ++l) {
                if (lanes.State(l) == TMd5Lanes::lsDone) {
                    Md5Digest digest;
                    lanes.Digest(l, digest);
                    benchmark::DoNotOptimize(digest);
                    ++done;
                } else if (lanes.State(l) == TMd5Lanes::lsHungry && fed[l] == size) {
                    lanes.Finish(l);
                } else if (lanes.State(l) == TMd5Lanes::lsHungry) {
                    const size_t count = std::min(ReadBufferSize, size - fed[l]);
                    lanes.Feed(l, data.data() + l * size + fed[l], count);
                    fed[l] += count;
                }
            }
            lanes.Run();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) *
                            TMd5Lanes::Width);
    SelectDigestPaths(previous);
}

void Sha1Dispatched(benchmark::State& state, uint32_t paths) {
    HashContext context;
    Sha1Init(context);
    RunDigest(state, paths, [&](const uint8_t* p, uint16_t n) { Sha1Update(context, p, n); });
    benchmark::DoNotOptimize(context);
}

// The reference update shape (each block copied into the buffer) with the
// given block function: shows what taking runs of blocks in one call gains.
template <typename Compress> void Sha1BlockAtATime(benchmark::State& state, Compress compress) {
    HashContext context;
    Sha1Init(context);
    RunDigest(state, 0, [&](const uint8_t* p, uint16_t n) {
        UpdateHashContext(
            context, p, n, [&] { compress(context); },
            [&](const uint8_t* blocks, int32_t count) {
                for (; count > 0; --count, blocks += DigestBlockSize) {
                    std::memcpy(context.Buffer, blocks, DigestBlockSize);
                    compress(context);
                }
            });
    });
    benchmark::DoNotOptimize(context);
}

void Sha256Dispatched(benchmark::State& state, uint32_t paths) {
    HashContext context;
    Sha256Init(context);
    RunDigest(state, paths, [&](const uint8_t* p, uint16_t n) { Sha256Update(context, p, n); });
    benchmark::DoNotOptimize(context);
}

void Sha256Reference(benchmark::State& state) {
    HashContext context;
    Sha256Init(context);
    RunDigest(state, 0, [&](const uint8_t* p, uint16_t n) {
        UpdateHashContext(
            context, p, n, [&] { Sha256CompressReference(context.State, context.Buffer); },
            [&](const uint8_t* blocks, int32_t count) {
                for (; count > 0; --count, blocks += DigestBlockSize)
                    Sha256CompressReference(context.State, blocks);
            });
    });
    benchmark::DoNotOptimize(context);
}

void Sha512Dispatched(benchmark::State& state, uint32_t paths) {
    HashContext context;
    Sha512Init(context);
    RunDigest(state, paths, [&](const uint8_t* p, uint16_t n) { Sha512Update(context, p, n); });
    benchmark::DoNotOptimize(context);
}

// BLAKE3 fed Feed bytes an update (it takes any count). The reference hashes
// up to 16 chunks side by side only where a run of whole 1024-byte chunks
// starts on a multiple of as many, so feeds that are not a multiple of 1024
// bytes (the engine's 65472) cost it width.
void Blake3Dispatched(benchmark::State& state, uint32_t paths, size_t feed) {
    const uint32_t previous = ActiveDigestPaths();
    SelectDigestPaths(paths);
    const auto size = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    Blake3Context context;
    Blake3Init(context);
    for (auto _ : state)
        for (size_t offset = 0; offset < size; offset += feed)
            Blake3Update(context, data.data() + offset, std::min(feed, size - offset));
    benchmark::DoNotOptimize(context);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    SelectDigestPaths(previous);
}

void Register(const std::string& name, std::function<void(benchmark::State&)> run) {
    auto* bench = benchmark::RegisterBenchmark(name.c_str(), std::move(run));
    for (int64_t size : Sizes)
        bench->Arg(size);
}

} // namespace

int main(int argc, char** argv) {
    uint32_t wanted = AllDigestPaths;
    if (!ParseDigestPaths(std::getenv(DigestPathsVariable), wanted)) {
        std::fprintf(stderr, "%s: unknown path name\n", DigestPathsVariable);
        return 2;
    }
    const uint32_t paths = wanted & SupportedDigestPaths();
    auto has = [&](DigestPath path) { return (paths & DigestPathBit(path)) != 0; };

    Register("Crc32/reference", Crc32Reference);
    Register("Crc32/dispatch-none", [](benchmark::State& s) { Crc32Dispatched(s, 0); });
    if (has(DigestPath::Crc32Slicing8))
        Register("Crc32/slicing8", [](benchmark::State& s) {
            Crc32Dispatched(s, DigestPathBit(DigestPath::Crc32Slicing8));
        });
    if (has(DigestPath::Crc32Clmul))
        Register("Crc32/clmul", [](benchmark::State& s) {
            Crc32Dispatched(s, DigestPathBit(DigestPath::Crc32Clmul));
        });
    if (has(DigestPath::Crc32Vpclmul256))
        Register("Crc32/vpclmul256", [](benchmark::State& s) {
            Crc32Dispatched(s, DigestPathBit(DigestPath::Crc32Vpclmul256) |
                                   DigestPathBit(DigestPath::Crc32Clmul));
        });
    if (has(DigestPath::Crc32Vpclmul))
        Register("Crc32/vpclmul", [](benchmark::State& s) {
            Crc32Dispatched(s, DigestPathBit(DigestPath::Crc32Vpclmul) |
                                   DigestPathBit(DigestPath::Crc32Clmul));
        });

    Register("Md5/reference", Md5Reference);
    Register("Md5/dispatch-none", [](benchmark::State& s) { Md5Dispatched(s, 0); });
    if (has(DigestPath::Md5Scheduled))
        Register("Md5/scheduled", [](benchmark::State& s) {
            Md5Dispatched(s, DigestPathBit(DigestPath::Md5Scheduled));
        });

    // Rows whatever the processor, so that a missing path shows as n/a.
    Register("Md5Lanes/lane-after-lane", [](benchmark::State& s) { Md5Lanes(s, 0, 0); });
    Register("Md5Lanes/avx2", [wanted](benchmark::State& s) {
        Md5Lanes(s, DigestPathBit(DigestPath::Md5Avx2), wanted);
    });
    Register("Md5Lanes/avx512", [wanted](benchmark::State& s) {
        Md5Lanes(s, DigestPathBit(DigestPath::Md5Avx512), wanted);
    });

    Register("Sha1/reference",
             [](benchmark::State& s) { Sha1BlockAtATime(s, Sha1CompressReference); });
    Register("Sha1/dispatch-none", [](benchmark::State& s) { Sha1Dispatched(s, 0); });
#if defined(HASHKEEP_X86_DIGESTS)
    if (has(DigestPath::Sha1ShaNi)) {
        Register("Sha1/shani", [](benchmark::State& s) {
            Sha1Dispatched(s, DigestPathBit(DigestPath::Sha1ShaNi));
        });
        Register("Sha1/shani-block-at-a-time", [](benchmark::State& s) {
            Sha1BlockAtATime(s, [](HashContext& c) { Sha1BlocksShaNi(c.State, c.Buffer, 1); });
        });
    }
#endif

    Register("Sha256/reference", Sha256Reference);
    Register("Sha256/dispatch-none", [](benchmark::State& s) { Sha256Dispatched(s, 0); });
    if (has(DigestPath::Sha256ShaNi))
        Register("Sha256/shani", [](benchmark::State& s) {
            Sha256Dispatched(s, DigestPathBit(DigestPath::Sha256ShaNi));
        });

    Register("Sha512/reference", [](benchmark::State& s) { Sha512Dispatched(s, 0); });
    for (DigestPath path :
         {DigestPath::Sha512Sse2, DigestPath::Sha512Avx512, DigestPath::Sha512Avx2})
        if (has(path))
            Register(std::string("Sha512/") + (DigestPathName(path) + 7),
                     [path](benchmark::State& s) { Sha512Dispatched(s, DigestPathBit(path)); });

    Register("Blake3/portable",
             [](benchmark::State& s) { Blake3Dispatched(s, 0, ReadBufferSize); });
    for (DigestPath path : {DigestPath::Blake3Sse2, DigestPath::Blake3Sse41, DigestPath::Blake3Avx2,
                            DigestPath::Blake3Avx512})
        if (has(path))
            Register(std::string("Blake3/") + (DigestPathName(path) + 7),
                     [path](benchmark::State& s) {
                         Blake3Dispatched(s, DigestPathBit(path), ReadBufferSize);
                     });
    // Every path this processor has, fed as the engine feeds the other
    // digests (1023 blocks of 64 bytes) and in 1 MiB reads whole.
    Register("Blake3/all-65472-byte-feeds",
             [paths](benchmark::State& s) { Blake3Dispatched(s, paths, 1023 * 64); });
    Register("Blake3/all-1MiB-feeds",
             [paths](benchmark::State& s) { Blake3Dispatched(s, paths, 1 << 20); });

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
