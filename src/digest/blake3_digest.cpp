// BLAKE3 behind the digest interface: the reference C implementation's hasher
// (third_party/blake3) held in the caller's Blake3Context. Which of its units
// runs follows the active digest paths (SyncBlake3Paths).
#include "blake3.h"
#include "digest.h"
#include "digest_kernels.h"

#include <new>

static_assert(sizeof(blake3_hasher) <= sizeof(Blake3Context::Hasher),
              "Blake3Context holds the reference's hasher");
static_assert(alignof(blake3_hasher) <= alignof(Blake3Context));
static_assert(BLAKE3_OUT_LEN == Blake3DigestSize);

namespace {

blake3_hasher* HasherOf(Blake3Context& Context) {
    return std::launder(reinterpret_cast<blake3_hasher*>(Context.Hasher));
}

void Wipe(Blake3Context& Context) {
    volatile uint8_t* bytes = Context.Hasher;
    for (size_t i = 0; i < sizeof Context.Hasher; ++i)
        bytes[i] = 0;
}

} // namespace

void Blake3Init(Blake3Context& Context) {
    DigestDetail::SyncBlake3Paths();
    // Zeroed first, so that two contexts fed the same bytes hold the same bytes.
    blake3_hasher_init(new (Context.Hasher) blake3_hasher{});
}

void Blake3Update(Blake3Context& Context, const void* Data, size_t Count) {
    if (Count > 0)
        blake3_hasher_update(HasherOf(Context), Data, Count);
}

void Blake3Final(Blake3Context& Context, Blake3Digest& Digest) {
    blake3_hasher_finalize(HasherOf(Context), Digest.data(), Digest.size());
    Wipe(Context);
}
