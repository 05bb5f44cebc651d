// The multi-buffer MD5 against the single-stream reference, on every path
// this processor has (and lane after lane without one): the digest of every
// message, whatever its length, however it is cut into Feed calls, when the
// lanes finish at different times and are refilled, when a message is
// started over, and when it leaves its lane halfway for Md5Update.
#include "digest/digest.h"
#include "digest/digest_paths.h"
#include "digest/md5_lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

std::string ReferenceMd5(const uint8_t* data, size_t count) {
    const uint32_t saved = ActiveDigestPaths();
    SelectDigestPaths(0);
    HashContext context;
    Md5Init(context);
    for (size_t done = 0; done < count;) {
        const size_t piece = std::min<size_t>(count - done, 65535);
        Md5Update(context, data + done, static_cast<uint16_t>(piece));
        done += piece;
    }
    Md5Digest digest;
    Md5Final(context, digest);
    SelectDigestPaths(saved);
    return BytesToHex(digest.data(), Md5DigestSize);
}

// How a run feeds its messages.
struct TPlan {
    const char* Name;
    std::vector<size_t> Lengths; // the messages, in the order the lanes take them up
    size_t MaxPiece;             // bytes a Feed call at most; 0: the whole message at once
    bool RandomPieces;           // pieces of 0 to MaxPiece bytes, else MaxPiece each
    size_t DetachBelow;          // with no message left to start, fewer busy lanes than
                                 // this leave for Md5Update
    size_t RestartEvery;         // every so many messages start over after one piece; 0: none
};

std::vector<size_t> Range(size_t first, size_t last) {
    std::vector<size_t> lengths;
    for (size_t length = first; length <= last; ++length)
        lengths.push_back(length);
    return lengths;
}

std::vector<TPlan> Plans() {
    std::mt19937 random(0x1A4E5u);
    std::vector<size_t> mixed, tens;
    for (int i = 0; i < 40; ++i)
        mixed.push_back(i % 5 == 0 ? random() % 300000 : random() % 2000);
    for (int i = 0; i < 10; ++i)
        tens.push_back(5000 + random() % 5000);
    const std::vector<size_t> edges = {0,   1,   55,  56,  57,  63,  64,  65,   119,
                                       120, 121, 127, 128, 129, 183, 184, 1000, 4096};
    return {
        {"every length to 200, whole", Range(0, 200), 0, false, 0, 0},
        {"block edges, a byte a call", edges, 1, false, 0, 0},
        {"block edges, 0 to 130 bytes a call", edges, 130, true, 0, 0},
        {"every length to 200, 0 to 70 bytes a call", Range(0, 200), 70, true, 0, 0},
        {"long and short, 32 KiB reads", mixed, 32768, false, 0, 0},
        {"long and short, odd reads", mixed, 20000, true, 0, 0},
        {"fewer messages than lanes", {3, 100, 64, 5000, 0}, 1000, false, 0, 0},
        {"the last ones leave their lanes", mixed, 4096, true, 12, 0},
        {"the last one leaves its lane at once", tens, 500, false, 2, 0},
        {"started over after a piece", Range(50, 150), 64, false, 0, 3},
    };
}

// One message on its way through a lane.
struct TMessage {
    size_t Index = 0;
    size_t Fed = 0;
    bool Restarted = false;
};

struct TPathCase {
    const char* Name;
    uint32_t Paths;
};
// By name: printed as bytes, the padding would be read uninitialised.
void PrintTo(const TPathCase& path, std::ostream* out) {
    *out << path.Name;
}

class Md5LanesAgainstReference : public ::testing::TestWithParam<TPathCase> {};

TEST_P(Md5LanesAgainstReference, EveryPlanGivesTheReferenceDigests) {
    const TPathCase& path = GetParam();
    const uint32_t saved = ActiveDigestPaths();
    if (path.Paths != 0 && (SupportedDigestPaths() & path.Paths) == 0)
        GTEST_SKIP() << path.Name << " not tested: this processor or build lacks it";
    std::mt19937 random(0x1A4E6u);
    std::vector<uint8_t> pool(300000 + 64);
    for (auto& byte : pool)
        byte = static_cast<uint8_t>(random());

    for (const TPlan& plan : Plans()) {
        SCOPED_TRACE(std::string(path.Name) + ", " + plan.Name);
        // Each message at an offset of its own: whole blocks are read where they lie.
        auto data = [&](size_t index) { return pool.data() + index % 61; };
        std::vector<std::string> expected, got(plan.Lengths.size());
        for (size_t i = 0; i < plan.Lengths.size(); ++i)
            expected.push_back(ReferenceMd5(data(i), plan.Lengths[i]));

        SelectDigestPaths(path.Paths);
        EXPECT_EQ(Md5LanesActive(), path.Paths != 0);
        TMd5Lanes lanes;
        TMessage messages[TMd5Lanes::Width];
        size_t next = 0, finished = 0;
        auto piece = [&](const TMessage& m) {
            const size_t left = plan.Lengths[m.Index] - m.Fed;
            if (plan.MaxPiece == 0)
                return left;
            return std::min(left,
                            plan.RandomPieces ? random() % (plan.MaxPiece + 1) : plan.MaxPiece);
        };
        for (int rounds = 0; finished < plan.Lengths.size(); ++rounds) {
            ASSERT_LT(rounds, 1000000) << "the lanes stopped making progress";
            size_t busy = 0;
            for (int l = 0; l < TMd5Lanes::Width; ++l)
                busy += lanes.State(l) != TMd5Lanes::lsIdle ? 1 : 0;
            const bool detach = next == plan.Lengths.size() && busy < plan.DetachBelow;
            for (int l = 0; l < TMd5Lanes::Width; ++l) {
                TMessage& m = messages[l];
                if (lanes.State(l) == TMd5Lanes::lsDone) {
                    Md5Digest digest;
                    lanes.Digest(l, digest);
                    got[m.Index] = BytesToHex(digest.data(), Md5DigestSize);
                    ++finished;
                }
                if (lanes.State(l) == TMd5Lanes::lsIdle && next < plan.Lengths.size()) {
                    m = TMessage{next++};
                    lanes.Start(l);
                }
                const size_t length = plan.Lengths[m.Index];
                const TMd5Lanes::TLaneState state = lanes.State(l);
                if (detach && (state == TMd5Lanes::lsHungry || state == TMd5Lanes::lsBusy)) {
                    // Blocks fed and not yet taken go with the message.
                    HashContext context;
                    lanes.Detach(l, context);
                    for (; m.Fed < length; m.Fed += std::min<size_t>(length - m.Fed, 65535))
                        Md5Update(context, data(m.Index) + m.Fed,
                                  static_cast<uint16_t>(std::min<size_t>(length - m.Fed, 65535)));
                    Md5Digest digest;
                    Md5Final(context, digest);
                    got[m.Index] = BytesToHex(digest.data(), Md5DigestSize);
                    ++finished;
                    continue;
                }
                if (state != TMd5Lanes::lsHungry)
                    continue;
                if (plan.RestartEvery != 0 && m.Index % plan.RestartEvery == 0 && m.Fed > 0 &&
                    !m.Restarted) {
                    m = TMessage{m.Index, 0, true};
                    lanes.Start(l);
                }
                if (m.Fed == length) {
                    lanes.Finish(l);
                } else {
                    const size_t count = piece(m);
                    lanes.Feed(l, data(m.Index) + m.Fed, count);
                    m.Fed += count;
                }
            }
            lanes.Run();
        }
        SelectDigestPaths(saved);
        for (size_t i = 0; i < plan.Lengths.size(); ++i)
            ASSERT_EQ(got[i], expected[i])
                << "message " << i << " of " << plan.Lengths[i] << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Md5Lanes, Md5LanesAgainstReference,
    ::testing::Values(TPathCase{"lane after lane", 0},
                      TPathCase{"md5-avx2", DigestPathBit(DigestPath::Md5Avx2)},
                      TPathCase{"md5-avx512", DigestPathBit(DigestPath::Md5Avx512)}),
    [](const ::testing::TestParamInfo<TPathCase>& param) {
        std::string name = param.param.Name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

} // namespace
