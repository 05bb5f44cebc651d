/* Sets the feature word from which the reference BLAKE3 chooses its units
   (third_party/blake3/blake3_dispatch.c, built with BLAKE3_TESTING so that
   the word is ours to set). C, so that the word is declared with the
   reference's own type. */
#include <stdint.h>

enum cpu_feature {
  SSE2 = 1 << 0,
  SSSE3 = 1 << 1,
  SSE41 = 1 << 2,
  AVX = 1 << 3,
  AVX2 = 1 << 4,
  AVX512F = 1 << 5,
  AVX512VL = 1 << 6,
  UNDEFINED = 1 << 30
};

extern enum cpu_feature g_cpu_features;

void HashkeepSetBlake3Features(uint32_t Features);

void HashkeepSetBlake3Features(uint32_t Features) {
  g_cpu_features = (enum cpu_feature)Features;
}
