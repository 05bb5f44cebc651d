// The worker that hashes small files 16 at once in the MD5 lanes
// (digest/md5_lanes.h). Each lane holds one file, read whole by the engine
// under every rule of a file hashed on its own (only regular files, the size
// at the open read and not a byte more, the checks for a change meanwhile,
// read errors asked about and named); the lanes then compute the digests
// side by side, and a lane whose file is done takes the next. What the
// results say, and in which order they are reported, is the pool's affair,
// as for any worker.
#include "cli_internal.h"

#include "digest/md5_lanes.h"

#include <algorithm>
#include <array>

namespace HashkeepCli {

namespace {

// Files of at most this many bytes are read whole into a lane; larger ones
// are hashed by the engine in its usual reads on the single stream, so a
// worker holds at most 16 of these (4 MiB), and a large file never keeps a
// lane to itself while the others have run dry. The lanes gain as much on
// 1 MiB files (verify of 400 on 2 cores: 0.43 s against 2.8 s without) but
// held 37 MB at the peak against 6 MB; files of 256 KiB, 12 MB.
constexpr uint64_t LaneFileLimit = uint64_t{256} << 10;
// A file of fewer bytes is digested at once on the single stream: the
// system calls of reading it cost far more than its few blocks, so a lane
// would save nothing measurable (10,000 files of 256 bytes: no difference;
// of 4 KiB: 6 microseconds a file) and keep its result waiting.
constexpr uint64_t LaneFileMinimum = 1024;
// With no file left to start, fewer busy lanes than this finish on the
// single stream: one MD5 alone goes about twice as fast as a lane among 16.
constexpr int LastFewLanes = 3;
// Bytes an Md5Update call takes: whole blocks, so that none is copied.
constexpr uint64_t UpdateSize = 1023 * DigestBlockSize;

struct TLaneSlot {
    size_t Job = 0;
    THashJob Result;
    TFileBytes Bytes;
};

std::string HexOf(const Md5Digest& digest) {
    return BytesToHex(digest.data(), Md5DigestSize);
}

// The digest of a context once Bytes more are fed to it.
std::string FinalDigest(HashContext& context, const uint8_t* bytes, uint64_t count) {
    for (uint64_t done = 0; done < count; done += UpdateSize)
        Md5Update(context, bytes + done,
                  static_cast<uint16_t>(std::min<uint64_t>(count - done, UpdateSize)));
    Md5Digest digest;
    Md5Final(context, digest);
    return HexOf(digest);
}

} // namespace

void HashInLanes(TJobQueue& Queue, const THashJobs& Jobs) {
    TMd5Lanes lanes;
    std::array<TLaneSlot, TMd5Lanes::Width> slots;
    auto slotOf = [&](int lane) -> TLaneSlot& { return slots[static_cast<size_t>(lane)]; };
    int busy = 0;     // lanes whose job is taken and not yet handed in
    bool more = true; // jobs may be left to take
    // Completes the job of Lane from the digest Digest() gives (unless
    // Waits is false: the job is complete) and hands it in.
    auto complete = [&](int lane, bool waits, auto digest) {
        TLaneSlot& slot = slotOf(lane);
        try {
            if (waits)
                Jobs.Finish(digest(), slot.Result);
        } catch (...) {
            slot.Result.Result = crFailed;
            slot.Result.Cause = "not enough memory";
        }
        Queue.Post(slot.Job, std::move(slot.Result));
        --busy;
    };
    while (!Queue.Stopping()) {
        // Each idle lane takes files until one waits for its digest. With no
        // lane busy the worker waits for room among the results; with some,
        // they go on meanwhile.
        for (int lane = 0; more && lane < TMd5Lanes::Width; ++lane) {
            if (lanes.State(lane) != TMd5Lanes::lsIdle)
                continue;
            TLaneSlot& slot = slotOf(lane);
            const TJobQueue::TTake take = Queue.Take(slot.Job, slot.Result, busy == 0);
            if (take != TJobQueue::tkJob) {
                more = take == TJobQueue::tkWindowFull;
                break;
            }
            ++busy;
            bool waits = false;
            try {
                waits = Jobs.Read(Queue.Checker(), LaneFileLimit, slot.Bytes, slot.Result);
            } catch (...) {
                slot.Result.Result = crFailed;
                slot.Result.Cause = "not enough memory";
            }
            if (!waits || slot.Bytes.Size() < LaneFileMinimum) {
                complete(lane, waits, [&] {
                    HashContext context;
                    Md5Init(context);
                    return FinalDigest(context, slot.Bytes.Data(), slot.Bytes.Size());
                });
                --lane; // the same lane takes the next file
                continue;
            }
            lanes.Start(lane);
            lanes.Feed(lane, slot.Bytes.Data(), static_cast<size_t>(slot.Bytes.Size()));
        }
        if (busy == 0)
            return; // with none busy, Take waited: no job is left
        if (!more && busy < LastFewLanes) {
            for (int lane = 0; lane < TMd5Lanes::Width; ++lane) {
                const TMd5Lanes::TLaneState state = lanes.State(lane);
                if (state != TMd5Lanes::lsBusy && state != TMd5Lanes::lsHungry)
                    continue;
                HashContext context;
                lanes.Detach(lane, context);
                complete(lane, true, [&] { return FinalDigest(context, nullptr, 0); });
            }
        }
        lanes.Run();
        for (int lane = 0; lane < TMd5Lanes::Width; ++lane) {
            if (lanes.State(lane) == TMd5Lanes::lsHungry) {
                lanes.Finish(lane); // its file is fed whole
            } else if (lanes.State(lane) == TMd5Lanes::lsDone) {
                Md5Digest digest;
                lanes.Digest(lane, digest);
                complete(lane, true, [&] { return HexOf(digest); });
            }
        }
    }
}

} // namespace HashkeepCli
