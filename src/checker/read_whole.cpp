// The entry points for a caller that digests small files itself (the
// command-line tool's MD5 lanes), apart from the rest of the checker so that
// a program without such a caller (the plug-in) does not carry them.
#include "checker_internal.h"

#include <new>
#include <utility>

namespace {

// As file_checker.cpp allocates the storage.
void FreeBytes(uint8_t* data) {
    ::operator delete[](data, std::align_val_t{CheckerDetail::ReadBufferAlignment});
}

} // namespace

TCheckResult TFileChecker::ReadItem(TFileCheckerItem& Item, uint64_t Limit, TFileBytes& Bytes) {
    return HashItem(Item, &Bytes, Limit);
}

TCheckResult TFileChecker::ReadFile(const std::string& Name, uint64_t Limit, TFileBytes& Bytes) {
    return AddFile(Name, &Bytes, Limit);
}

TFileBytes::TFileBytes(TFileBytes&& Other) noexcept
    : Data_(std::exchange(Other.Data_, nullptr)), Size_(std::exchange(Other.Size_, 0)),
      Capacity_(std::exchange(Other.Capacity_, 0)) {}

TFileBytes& TFileBytes::operator=(TFileBytes&& Other) noexcept {
    if (this != &Other) {
        FreeBytes(Data_);
        Data_ = std::exchange(Other.Data_, nullptr);
        Size_ = std::exchange(Other.Size_, 0);
        Capacity_ = std::exchange(Other.Capacity_, 0);
    }
    return *this;
}

TFileBytes::~TFileBytes() {
    FreeBytes(Data_);
}
