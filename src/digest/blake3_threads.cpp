#include "blake3_threads.h"

#include "blake3_tree.h"

#include <algorithm>
#include <new>

namespace {

blake3_hasher* HasherOf(Blake3Context& Context) {
    return std::launder(reinterpret_cast<blake3_hasher*>(Context.Hasher));
}

constexpr size_t ChunkSize = 1024;

// The largest whole subtree the hasher may take next from Count bytes, by
// blake3_hasher_update's own rule: a power of two of chunks that divides the
// chunks hashed so far.
size_t NextSubtree(uint64_t counter, size_t count) {
    size_t subtree = 1;
    while (subtree <= count / 2)
        subtree *= 2;
    while (((subtree - 1) & counter * ChunkSize) != 0)
        subtree /= 2;
    return subtree;
}

} // namespace

TBlake3TwoThreads::TBlake3TwoThreads() : Thread_([this] { Helper(); }) {
    Init();
}

TBlake3TwoThreads::~TBlake3TwoThreads() {
    {
        std::lock_guard<std::mutex> guard(Lock_);
        Stop_ = true;
    }
    Wake_.notify_all();
    Thread_.join();
}

void TBlake3TwoThreads::Helper() {
    std::unique_lock<std::mutex> guard(Lock_);
    for (;;) {
        Wake_.wait(guard, [this] { return Stop_ || Pending_; });
        if (Stop_)
            return;
        Job job = Job_;
        guard.unlock();
        HashkeepBlake3SubtreeValue(HasherOf(Context_), job.Input, job.Length, job.Counter,
                                   job.Value);
        guard.lock();
        std::copy(job.Value, job.Value + Blake3DigestSize, Job_.Value);
        Pending_ = false;
        Wake_.notify_all();
    }
}

void TBlake3TwoThreads::Init() {
    Blake3Init(Context_);
}

void TBlake3TwoThreads::Update(const void* Data, size_t Count) {
    blake3_hasher* hasher = HasherOf(Context_);
    const auto* bytes = static_cast<const uint8_t*>(Data);
    while (Count > 0) {
        HashkeepBlake3FlushFullChunk(hasher); // more bytes follow
        size_t take = Count;
        if (const size_t buffered = HashkeepBlake3ChunkLength(hasher); buffered > 0) {
            take = std::min(Count, ChunkSize - buffered);
        } else {
            const uint64_t counter = hasher->chunk.chunk_counter;
            const size_t subtree = Count > ChunkSize ? NextSubtree(counter, Count) : 0;
            if (subtree >= ParallelMinimum) {
                // The right half on the helper, the left one here.
                const size_t half = subtree / 2;
                const uint64_t chunks = subtree / ChunkSize;
                {
                    std::lock_guard<std::mutex> guard(Lock_);
                    Job_.Input = bytes + half;
                    Job_.Length = half;
                    Job_.Counter = counter + chunks / 2;
                    Pending_ = true;
                }
                Wake_.notify_all();
                uint8_t left[Blake3DigestSize];
                HashkeepBlake3SubtreeValue(hasher, bytes, half, counter, left);
                uint8_t right[Blake3DigestSize];
                {
                    std::unique_lock<std::mutex> guard(Lock_);
                    Wake_.wait(guard, [this] { return !Pending_; });
                    std::copy(Job_.Value, Job_.Value + Blake3DigestSize, right);
                }
                HashkeepBlake3PushSubtree(hasher, left, right, chunks);
                bytes += subtree;
                Count -= subtree;
                continue;
            }
            // Up to where a subtree large enough could start.
            const auto toBoundary =
                static_cast<size_t>(ParallelMinimum - counter * ChunkSize % ParallelMinimum);
            take = std::min(Count, toBoundary);
        }
        Blake3Update(Context_, bytes, take);
        bytes += take;
        Count -= take;
    }
}

void TBlake3TwoThreads::Final(Blake3Digest& Digest) {
    Blake3Final(Context_, Digest);
}
