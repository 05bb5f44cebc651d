/* The reference BLAKE3 hasher (third_party/blake3/blake3.c, unchanged) is
   compiled here, inside this file, so that the two-thread hasher
   (blake3_threads.h) can reach two of its internal steps: the chaining value
   of a whole subtree of chunks, and the push of a pair of them on the
   hasher's stack exactly as blake3_hasher_update pushes its own. */
#include "blake3.c"

#include "blake3_tree.h"

void HashkeepBlake3SubtreeValue(const blake3_hasher *Hasher, const uint8_t *Input, size_t Length,
                                uint64_t Counter, uint8_t Value[BLAKE3_OUT_LEN]) {
  if (Length <= BLAKE3_CHUNK_LEN) {
    blake3_chunk_state chunk;
    chunk_state_init(&chunk, Hasher->key, Hasher->chunk.flags);
    chunk.chunk_counter = Counter;
    chunk_state_update(&chunk, Input, Length);
    output_t output = chunk_state_output(&chunk);
    output_chaining_value(&output, Value);
    return;
  }
  uint8_t pair[2 * BLAKE3_OUT_LEN];
  compress_subtree_to_parent_node(Input, Length, Hasher->key, Counter, Hasher->chunk.flags, pair);
  output_t output = parent_output(pair, Hasher->key, Hasher->chunk.flags);
  output_chaining_value(&output, Value);
}

void HashkeepBlake3PushSubtree(blake3_hasher *Hasher, const uint8_t Left[BLAKE3_OUT_LEN],
                               const uint8_t Right[BLAKE3_OUT_LEN], uint64_t Chunks) {
  uint8_t left[BLAKE3_OUT_LEN], right[BLAKE3_OUT_LEN];
  memcpy(left, Left, sizeof left);
  memcpy(right, Right, sizeof right);
  hasher_push_cv(Hasher, left, Hasher->chunk.chunk_counter);
  hasher_push_cv(Hasher, right, Hasher->chunk.chunk_counter + Chunks / 2);
  Hasher->chunk.chunk_counter += Chunks;
}

int HashkeepBlake3FlushFullChunk(blake3_hasher *Hasher) {
  if (chunk_state_len(&Hasher->chunk) != BLAKE3_CHUNK_LEN)
    return 0;
  output_t output = chunk_state_output(&Hasher->chunk);
  uint8_t value[BLAKE3_OUT_LEN];
  output_chaining_value(&output, value);
  hasher_push_cv(Hasher, value, Hasher->chunk.chunk_counter);
  chunk_state_reset(&Hasher->chunk, Hasher->key, Hasher->chunk.chunk_counter + 1);
  return 1;
}

size_t HashkeepBlake3ChunkLength(const blake3_hasher *Hasher) {
  return chunk_state_len(&Hasher->chunk);
}
