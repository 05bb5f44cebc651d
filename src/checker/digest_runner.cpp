// The digests of the algorithm table, one row of operations per table row, so
// that which digest runs is a look-up and not a switch.
#include "checker_internal.h"

#include <iterator>

namespace CheckerDetail {

namespace {

using State = TDigestRunner::State;

constexpr TDigestRunner::Operations DigestOperations[] = {
    {haCrc32, [](State& s) { Crc32Init(s.Crc); },
     [](State& s, const void* data, uint16_t count) { Crc32Update(s.Crc, data, count); },
     [](State& s) {
         Crc32Final(s.Crc);
         return Crc32ToHex(s.Crc);
     }},
    {haMd5, [](State& s) { Md5Init(s.Context); },
     [](State& s, const void* data, uint16_t count) { Md5Update(s.Context, data, count); },
     [](State& s) {
         Md5Digest digest;
         Md5Final(s.Context, digest);
         return BytesToHex(digest.data(), Md5DigestSize);
     }},
    {haSha1, [](State& s) { Sha1Init(s.Context); },
     [](State& s, const void* data, uint16_t count) { Sha1Update(s.Context, data, count); },
     [](State& s) {
         Sha1Digest digest;
         Sha1Final(s.Context, digest);
         return BytesToHex(digest.data(), Sha1DigestSize);
     }},
    {haSha256, [](State& s) { Sha256Init(s.Context); },
     [](State& s, const void* data, uint16_t count) { Sha256Update(s.Context, data, count); },
     [](State& s) {
         Sha256Digest digest;
         Sha256Final(s.Context, digest);
         return BytesToHex(digest.data(), Sha256DigestSize);
     }},
};

constexpr bool MatchesAlgoDefinitions() {
    if (std::size(DigestOperations) != std::size(AlgoDefinitions))
        return false;
    for (size_t i = 0; i < std::size(AlgoDefinitions); ++i)
        if (DigestOperations[i].Id != AlgoDefinitions[i].Id)
            return false;
    return true;
}
static_assert(MatchesAlgoDefinitions(), "one row of digest operations per algorithm");

} // namespace

bool TDigestRunner::Start(uint32_t Algorithm) {
    Operations_ = nullptr;
    for (const Operations& row : DigestOperations)
        if (static_cast<uint32_t>(row.Id) == Algorithm)
            Operations_ = &row;
    if (Operations_ == nullptr)
        return false;
    Operations_->Init(State_);
    return true;
}

void TDigestRunner::Update(const void* Data, uint16_t Count) {
    Operations_->Update(State_, Data, Count);
}

std::string TDigestRunner::Finish() {
    return Operations_->Finish(State_);
}

} // namespace CheckerDetail
