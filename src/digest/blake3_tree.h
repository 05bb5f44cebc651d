/* Two internal steps of the reference BLAKE3 hasher, for the two-thread
   hasher (blake3_threads.cpp); internal to digest/. */
#pragma once

#include "blake3.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The chaining value of the subtree of Length bytes at Input (a power of two
   of whole chunks, or one chunk) whose first chunk is number Counter, under
   the hasher's key and flags. Never the root. */
void HashkeepBlake3SubtreeValue(const blake3_hasher* Hasher, const uint8_t* Input, size_t Length,
                                uint64_t Counter, uint8_t Value[BLAKE3_OUT_LEN]);
/* Pushes the values of the two halves of a subtree of Chunks chunks (a power
   of two, at least 2) that starts at the hasher's chunk counter, whose chunk
   state must be empty, and moves the counter past it: what
   blake3_hasher_update does with a subtree it hashes itself. */
void HashkeepBlake3PushSubtree(blake3_hasher* Hasher, const uint8_t Left[BLAKE3_OUT_LEN],
                               const uint8_t Right[BLAKE3_OUT_LEN], uint64_t Chunks);
/* A full chunk in the chunk state is pushed and the state emptied, as
   blake3_hasher_update does when more input follows: call it only then.
   Returns 1 when it pushed. */
int HashkeepBlake3FlushFullChunk(blake3_hasher* Hasher);
/* Bytes in the hasher's chunk state, 0 to 1024. */
size_t HashkeepBlake3ChunkLength(const blake3_hasher* Hasher);

#ifdef __cplusplus
}
#endif
