// BLAKE3 of one long message on two threads, for programs that hash one big
// file and have a second core (the CLI); apart from hk_digest so that the
// plug-in, which starts no threads, does not carry it. The digest is the one
// Blake3Init/Update/Final give for the same bytes, however they are split.
//
// BLAKE3's tree lets the halves of a subtree of chunks be hashed apart: each
// update of at least TBlake3TwoThreads::ParallelMinimum bytes that lies on
// its own subtree (1 MiB reads at multiples of 1 MiB do) is hashed half here
// and half on a helper thread, which this object starts and stops; the rest
// goes through the single-thread hasher. An update returns once its bytes are
// hashed, so the caller may reuse its buffer at once.
#pragma once

#include "digest.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

class TBlake3TwoThreads {
public:
    // A subtree smaller than this is not worth a hand-over (about 10 us).
    static constexpr size_t ParallelMinimum = 64 * 1024;

    TBlake3TwoThreads();
    ~TBlake3TwoThreads();
    TBlake3TwoThreads(const TBlake3TwoThreads&) = delete;
    TBlake3TwoThreads& operator=(const TBlake3TwoThreads&) = delete;

    void Init();
    void Update(const void* Data, size_t Count);
    void Final(Blake3Digest& Digest);

private:
    struct Job {
        const uint8_t* Input = nullptr;
        size_t Length = 0;
        uint64_t Counter = 0;
        uint8_t Value[Blake3DigestSize] = {};
    };
    void Helper();

    Blake3Context Context_;
    std::mutex Lock_;
    std::condition_variable Wake_;
    Job Job_;
    bool Pending_ = false; // a job waits for the helper or is being hashed
    bool Stop_ = false;
    std::thread Thread_;
};
