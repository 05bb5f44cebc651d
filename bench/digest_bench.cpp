// Throughput of each digest fed the way the file checker feeds it: one update
// call per read of up to 32768 bytes.
#include "digest/digest.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr size_t ReadBufferSize = 32768;

template <typename Feed>
void RunDigest(benchmark::State& state, Feed feed)
{
    const auto size = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> data(size, 0x5A);
    for (auto _ : state) {
        for (size_t offset = 0; offset < size; offset += ReadBufferSize) {
            const size_t count = std::min(ReadBufferSize, size - offset);
            feed(data.data() + offset, static_cast<uint16_t>(count));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Crc32(benchmark::State& state)
{
    uint32_t crc;
    Crc32Init(crc);
    RunDigest(state, [&](const uint8_t* p, uint16_t n) { Crc32Update(crc, p, n); });
    benchmark::DoNotOptimize(crc);
}

void BM_Md5(benchmark::State& state)
{
    HashContext context;
    Md5Init(context);
    RunDigest(state, [&](const uint8_t* p, uint16_t n) { Md5Update(context, p, n); });
    benchmark::DoNotOptimize(context);
}

void BM_Sha1(benchmark::State& state)
{
    HashContext context;
    Sha1Init(context);
    RunDigest(state, [&](const uint8_t* p, uint16_t n) { Sha1Update(context, p, n); });
    benchmark::DoNotOptimize(context);
}

} // namespace

BENCHMARK(BM_Crc32)->Arg(64)->Arg(4096)->Arg(32768)->Arg(1 << 20);
BENCHMARK(BM_Md5)->Arg(64)->Arg(4096)->Arg(32768)->Arg(1 << 20);
BENCHMARK(BM_Sha1)->Arg(64)->Arg(4096)->Arg(32768)->Arg(1 << 20);
