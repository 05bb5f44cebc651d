// The lanes of TMd5Lanes: each keeps the update scheme of the single stream
// (whole blocks where they lie, a partial block in Tail, padding at the end)
// while the kernel compresses the blocks of all lanes in one pass.
#include "md5_lanes.h"

#include "digest_kernels.h"
#include "digest_paths.h"
#include "hash_context.h"

#include <algorithm>
#include <cassert>
#include <cstring>

using namespace DigestDetail;

namespace {

constexpr uint32_t Md5InitialState[4] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};

static_assert(TMd5Lanes::Width == Md5KernelLanes);

uint32_t LanePaths() {
    return ActiveDigestPaths() &
           (DigestPathBit(DigestPath::Md5Avx2) | DigestPathBit(DigestPath::Md5Avx512));
}

// Without a multi-buffer path: the single stream's block function, lane after
// lane. Lanes with no message of their own carry a copy of another lane's
// data; this path skips none, so that each stays what the kernels do.
void CompressLaneAfterLane(uint32_t* State, const uint8_t* const* Data, size_t Blocks) {
    for (int lane = 0; lane < Md5KernelLanes; ++lane) {
        uint32_t words[4];
        for (int w = 0; w < 4; ++w)
            words[w] = State[w * Md5KernelLanes + lane];
        for (size_t block = 0; block < Blocks; ++block)
            Md5Compress(words, Data[lane] + block * DigestBlockSize);
        for (int w = 0; w < 4; ++w)
            State[w * Md5KernelLanes + lane] = words[w];
    }
}

} // namespace

bool Md5LanesActive() {
    return LanePaths() != 0;
}

TMd5Lanes::TMd5Lanes() : State_{}, Kernel_(CompressLaneAfterLane) {
#if defined(HASHKEEP_X86_DIGESTS)
    const uint32_t paths = LanePaths();
    if ((paths & DigestPathBit(DigestPath::Md5Avx512)) != 0)
        Kernel_ = Md5LanesAvx512;
    else if ((paths & DigestPathBit(DigestPath::Md5Avx2)) != 0)
        Kernel_ = Md5LanesAvx2;
#endif
}

void TMd5Lanes::Start(int Lane) {
    Wipe(Lane);
    for (int w = 0; w < 4; ++w)
        State_[w * Width + Lane] = Md5InitialState[w];
    Lanes_[Lane].State = lsHungry;
}

void TMd5Lanes::Feed(int Lane, const void* Data, size_t Count) {
    TLane& lane = Lanes_[Lane];
    assert(lane.State == lsHungry);
    const auto* bytes = static_cast<const uint8_t*>(Data);
    lane.Length += Count;
    // A partial block is completed first and taken as a block of its own.
    if (lane.TailCount > 0 || Count < DigestBlockSize) {
        const size_t take = std::min<size_t>(DigestBlockSize - lane.TailCount, Count);
        if (take > 0)
            std::memcpy(lane.Tail + lane.TailCount, bytes, take);
        lane.TailCount += static_cast<uint32_t>(take);
        bytes += take;
        Count -= take;
        if (lane.TailCount < DigestBlockSize)
            return;
        lane.TailCount = 0;
        lane.Next = lane.Tail;
        lane.NextBlocks = 1;
        lane.Then = bytes;
        lane.ThenBlocks = Count / DigestBlockSize;
    } else {
        lane.Next = bytes;
        lane.NextBlocks = Count / DigestBlockSize;
        lane.Then = nullptr;
        lane.ThenBlocks = 0;
    }
    lane.Rest = bytes + Count / DigestBlockSize * DigestBlockSize;
    lane.RestCount = Count % DigestBlockSize;
    lane.State = lsBusy;
}

void TMd5Lanes::Finish(int Lane) {
    TLane& lane = Lanes_[Lane];
    assert(lane.State == lsHungry);
    // As Md5Final pads: 0x80, zeros, and the length in bits, least significant byte first.
    const uint32_t index = lane.TailCount;
    const uint32_t blocks = index >= DigestBlockSize - 8 ? 2 : 1;
    lane.Tail[index] = 0x80;
    std::memset(lane.Tail + index + 1, 0, blocks * DigestBlockSize - index - 1);
    const uint64_t bits = lane.Length * 8;
    uint8_t* length = lane.Tail + blocks * DigestBlockSize - 8;
    StoreLittleEndian32(length, static_cast<uint32_t>(bits));
    StoreLittleEndian32(length + 4, static_cast<uint32_t>(bits >> 32));
    lane.Next = lane.Tail;
    lane.NextBlocks = blocks;
    lane.Then = nullptr;
    lane.ThenBlocks = 0;
    lane.RestCount = 0;
    lane.State = lsFinishing;
}

void TMd5Lanes::Run() {
    for (;;) {
        size_t blocks = 0;
        int working = -1;
        for (int l = 0; l < Width; ++l) {
            const TLaneState state = Lanes_[l].State;
            if (state == lsHungry || state == lsDone)
                return;
            if (state == lsBusy || state == lsFinishing) {
                blocks =
                    working < 0 ? Lanes_[l].NextBlocks : std::min(blocks, Lanes_[l].NextBlocks);
                working = l;
            }
        }
        if (working < 0)
            return;
        // An idle lane is given a working lane's blocks, which are there to
        // be read, and its result is never looked at.
        const uint8_t* data[Width];
        for (int l = 0; l < Width; ++l)
            data[l] = Lanes_[l].State == lsIdle ? Lanes_[working].Next : Lanes_[l].Next;
        Kernel_(State_, data, blocks);
        for (int l = 0; l < Width; ++l)
            if (Lanes_[l].State != lsIdle)
                Advance(l, blocks);
    }
}

void TMd5Lanes::Advance(int Lane, size_t Blocks) {
    TLane& lane = Lanes_[Lane];
    lane.Next += Blocks * DigestBlockSize;
    lane.NextBlocks -= Blocks;
    if (lane.NextBlocks > 0)
        return;
    if (lane.ThenBlocks > 0) {
        lane.Next = lane.Then;
        lane.NextBlocks = lane.ThenBlocks;
        lane.ThenBlocks = 0;
        return;
    }
    if (lane.State == lsFinishing) {
        lane.State = lsDone;
        return;
    }
    if (lane.RestCount > 0)
        std::memcpy(lane.Tail, lane.Rest, lane.RestCount);
    lane.TailCount = static_cast<uint32_t>(lane.RestCount);
    lane.RestCount = 0;
    lane.State = lsHungry;
}

void TMd5Lanes::Digest(int Lane, Md5Digest& Digest) {
    assert(Lanes_[Lane].State == lsDone);
    for (int w = 0; w < 4; ++w)
        StoreLittleEndian32(Digest.data() + 4 * w, State_[w * Width + Lane]);
    Wipe(Lane);
}

void TMd5Lanes::Detach(int Lane, HashContext& Context) {
    TLane& lane = Lanes_[Lane];
    assert(lane.State == lsHungry || lane.State == lsBusy);
    Md5Init(Context);
    for (int w = 0; w < 4; ++w)
        Context.State[w] = State_[w * Width + Lane];
    for (; lane.State == lsBusy; Advance(Lane, 1))
        Md5Compress(Context.State, lane.Next);
    const uint64_t bits = lane.Length * 8;
    Context.BitLength[0] = static_cast<uint32_t>(bits);
    Context.BitLength[1] = static_cast<uint32_t>(bits >> 32);
    std::memcpy(Context.Buffer, lane.Tail, lane.TailCount);
    Context.Index = static_cast<int32_t>(lane.TailCount);
    Wipe(Lane);
}

void TMd5Lanes::Stop(int Lane) {
    Wipe(Lane);
}

void TMd5Lanes::Wipe(int Lane) {
    // As Md5Final wipes its context: no byte of a file stays behind.
    Lanes_[Lane] = TLane{};
    for (int w = 0; w < 4; ++w)
        State_[w * Width + Lane] = 0;
}
