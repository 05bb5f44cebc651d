// The two-thread BLAKE3 hasher gives the single-thread digest for every
// length and every split, whether its updates lie on whole subtrees (where the
// helper thread takes half) or not.
#include "digest/blake3_threads.h"
#include "digest/digest.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::string SingleThread(const std::vector<uint8_t>& data) {
    Blake3Context context;
    Blake3Init(context);
    Blake3Update(context, data.data(), data.size());
    Blake3Digest digest;
    Blake3Final(context, digest);
    return BytesToHex(digest.data(), Blake3DigestSize);
}

std::string TwoThreads(TBlake3TwoThreads& hasher, const std::vector<uint8_t>& data,
                       const std::vector<size_t>& pieces) {
    hasher.Init();
    size_t at = 0;
    for (size_t piece : pieces) {
        hasher.Update(data.data() + at, piece);
        at += piece;
    }
    hasher.Update(data.data() + at, data.size() - at);
    Blake3Digest digest;
    hasher.Final(digest);
    return BytesToHex(digest.data(), Blake3DigestSize);
}

TEST(Blake3TwoThreads, SameDigestAsOneThread) {
    constexpr size_t MiB = 1 << 20, KiB = 1024;
    std::mt19937 random(0x5EED0005u);
    std::vector<uint8_t> pool(5 * MiB + 3000);
    for (auto& byte : pool)
        byte = static_cast<uint8_t>(random());
    struct Case {
        size_t length;
        std::vector<size_t> pieces; // the rest in one last update
    };
    const Case cases[] = {
        {0, {}},
        {64 * KiB, {}},                       // one subtree of exactly the smallest parallel size
        {64 * KiB - 1, {}},                   // just under it: the single thread only
        {1 * MiB, {}},                        // the whole message one subtree
        {1 * MiB + 1, {}},                    // a subtree, then one byte
        {3 * MiB, {MiB, MiB}},                // reads of 1 MiB, as the engine makes them
        {3 * MiB + 5, {MiB, MiB, MiB}},       // and a short tail
        {5 * MiB, {1000, MiB, 2 * MiB}},      // a read off the chunk grid first
        {2 * MiB, {1024, 1024, 64 * KiB}},    // whole chunks left in the buffer between updates
        {2 * MiB + 3000, {MiB - 1024, 4096}}, // subtrees that do not divide the count so far
    };
    TBlake3TwoThreads hasher;
    for (const Case& c : cases) {
        const std::vector<uint8_t> data(pool.begin(), pool.begin() + static_cast<long>(c.length));
        EXPECT_EQ(TwoThreads(hasher, data, c.pieces), SingleThread(data)) << c.length;
    }
    // Random lengths in random pieces, the same hasher object again and again.
    for (int round = 0; round < 30; ++round) {
        const size_t length = random() % (3 * MiB);
        const std::vector<uint8_t> data(pool.begin(), pool.begin() + static_cast<long>(length));
        std::vector<size_t> pieces;
        for (size_t used = 0; used < length;) {
            const size_t piece = std::min<size_t>(length - used, random() % (600 * KiB));
            pieces.push_back(piece);
            used += piece;
        }
        ASSERT_EQ(TwoThreads(hasher, data, pieces), SingleThread(data)) << length;
    }
}

} // namespace
