// MD5 of many messages at once ("multi-buffer" hashing), for hashing many
// files: one MD5 is a chain of steps each waiting on the one before, which
// leaves most of a core idle; 16 messages side by side, one per lane of the
// vector registers, share every instruction and go about seven times as
// fast in all (AVX2 or AVX-512, see digest_paths.h). One message alone gains
// nothing: a single large file is hashed with Md5Update.
//
// Each lane carries one message at a time through Start, Feed (any number
// of times), Finish, and hands out its digest once Done. Run does the work
// of all lanes together and returns as soon as one of them waits for the
// caller. A message under way can leave its lane for the single-stream
// functions (Detach) when too few lanes are left busy for the width to pay.
// The result is exactly Md5Init, Md5Update..., Md5Final of the same bytes,
// on every path. Nothing here allocates or fails; a call in a state that
// does not allow it is the caller's fault.
#pragma once

#include "digest.h"

#include <cstddef>
#include <cstdint>

// True when a multi-buffer path is active. Without one, TMd5Lanes still gives
// the right digests, through the single-stream block function lane after
// lane, but no faster than Md5Update would.
bool Md5LanesActive();

class TMd5Lanes {
public:
    static constexpr int Width = 16;

    enum TLaneState : uint8_t {
        lsIdle,      // no message: Start one
        lsHungry,    // every byte fed is taken: Feed more, Finish, Detach or Stop
        lsBusy,      // bytes fed wait for Run
        lsFinishing, // Finish was called; the last blocks wait for Run
        lsDone,      // the digest waits to be taken
    };

    // The path is the one active now, for the object's life.
    TMd5Lanes();

    // A new message on Lane, whatever the lane held: Hungry.
    void Start(int Lane);
    // Hands Lane (Hungry) Count more bytes of its message. Whole blocks are
    // read where they lie: Data must stay unchanged until the lane is no
    // longer Busy.
    void Feed(int Lane, const void* Data, size_t Count);
    // The message on Lane (Hungry) has all its bytes: Finishing.
    void Finish(int Lane);
    // Compresses the blocks of every Busy and Finishing lane until a lane is
    // Hungry or Done (at once, when one already is); Idle lanes wait.
    void Run();

    TLaneState State(int Lane) const { return Lanes_[Lane].State; }
    // The digest of the message on Lane (Done), which becomes Idle.
    void Digest(int Lane, Md5Digest& Digest);
    // The message on Lane (Hungry or Busy) as a context of the single-stream
    // functions, which go on with it (Md5Update, Md5Final); the bytes fed and
    // not yet taken are taken by the single stream's block function. The
    // lane is Idle.
    void Detach(int Lane, HashContext& Context);
    // Gives up the message on Lane: Idle.
    void Stop(int Lane);

private:
    struct TLane {
        TLaneState State = lsIdle;
        // The whole blocks Run takes next, and those it takes after them.
        const uint8_t* Next = nullptr;
        size_t NextBlocks = 0;
        const uint8_t* Then = nullptr;
        size_t ThenBlocks = 0;
        // Bytes after the last whole block, copied to Tail once the blocks are taken.
        const uint8_t* Rest = nullptr;
        size_t RestCount = 0;
        uint64_t Length = 0; // bytes fed
        uint32_t TailCount = 0;
        uint8_t Tail[2 * DigestBlockSize]; // a partial block; at the end, the padding
    };

    void Advance(int Lane, size_t Blocks);
    void Wipe(int Lane);

    // Word w of lane l at [w * Width + l], as the kernels take it.
    alignas(64) uint32_t State_[4 * Width];
    TLane Lanes_[Width];
    void (*Kernel_)(uint32_t*, const uint8_t* const*, size_t);
};
