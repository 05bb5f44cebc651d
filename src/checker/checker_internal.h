// Pieces the checker's sources share and nobody else needs.
#pragma once

#include "checker.h"
#include "digest/digest.h"
#include "platform/files.h"

#include <cstdint>
#include <string>

namespace CheckerDetail {

// Files are read in pieces of this size: one update call per piece, and the
// piece fits the 16-bit count of the digests' update operations.
inline constexpr uint32_t ReadBufferSize = 32768;

// Closes the file however the scope is left.
class TFileGuard {
public:
    explicit TFileGuard(Platform::FileHandle file) : File_(file) {}
    ~TFileGuard() { Close(); }
    TFileGuard(const TFileGuard&) = delete;
    TFileGuard& operator=(const TFileGuard&) = delete;

    Platform::FileHandle Get() const { return File_; }
    void Close()
    {
        Platform::CloseFile(File_);
        File_ = Platform::InvalidFileHandle;
    }

private:
    Platform::FileHandle File_;
};

// One digest of the algorithm table, driven init, update..., final.
class TDigestRunner {
public:
    // False when Algorithm has no row in the table.
    bool Start(uint32_t Algorithm);
    void Update(const void* Data, uint16_t Count);
    // The digest text: lower case, the row's HashLength digits.
    std::string Finish();

    struct State {
        uint32_t Crc;
        HashContext Context;
    };
    struct Operations {
        int32_t Id;
        void (*Init)(State&);
        void (*Update)(State&, const void*, uint16_t);
        std::string (*Finish)(State&);
    };

private:
    const Operations* Operations_ = nullptr;
    State State_{};
};

} // namespace CheckerDetail
