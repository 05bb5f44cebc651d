// TFileChecker: hashing one file with progress and error callbacks, and the
// operations built on it (adding, verifying, comparing).
#include "checker_internal.h"

#include <algorithm>
#include <memory>

using namespace CheckerDetail;

namespace {

// Asks OnReadError what to do about a failed open or read; Retry true means
// try again, otherwise Result says how the file ends.
bool AskRetry(TFileChecker* checker, const std::string& fileName, TCheckResult& result) {
    checker->LastError = fileName + ": " + Platform::LastErrorText();
    if (checker->OnReadError == nullptr) {
        result = crFailed;
        return false;
    }
    int32_t action = 0;
    checker->OnReadError(checker, fileName, action);
    switch (action) {
    case raRetry:
        return true;
    case raAbort:
        result = crAborted;
        return false;
    case raSkip:
        result = crSkipped;
        return false;
    default:
        result = crFailed;
        return false;
    }
}

int32_t Percentage(uint64_t hashed, uint64_t size) {
    return static_cast<int32_t>(static_cast<double>(hashed * 100) / static_cast<double>(size));
}

} // namespace

TFileChecker::TFileChecker(const std::string& Directory)
    : BaseDir(Platform::WithTrailingSeparator(Directory)) {}

TFileChecker::~TFileChecker() = default;

int32_t TFileChecker::Count() const {
    return static_cast<int32_t>(Items.size());
}

void TFileChecker::ClearItems() {
    Items.clear();
}

std::string TFileChecker::ExpandName(const std::string& Name) const {
    return Platform::IsAbsolutePath(Name) ? Name : BaseDir + Name;
}

TCheckResult TFileChecker::HashItem(TFileCheckerItem& Item) {
    LastError.clear();
    TAlgoDefinition row;
    if (Item.FileName.empty()) {
        LastError = "a file without a name cannot be hashed";
        return crFailed;
    }
    if (!FindAlgoById(Algorithm, row)) {
        LastError = Item.FileName + ": no hash algorithm is chosen";
        return crFailed;
    }
    const std::string path = ExpandName(Item.FileName);
    if (!Platform::FileExists(path))
        return crMissing;
    Item.Hash.clear();

    TCheckResult result = crOk;
    Platform::FileHandle opened;
    while ((opened = Platform::OpenFileForReading(path)) == Platform::InvalidFileHandle)
        if (!AskRetry(this, Item.FileName, result))
            return result;
    TFileGuard file(opened);

    // Allocated before OnBeginFile so that nothing can fail between it and
    // OnEndFile, which the host needs to restore its screen.
    auto buffer = std::make_unique_for_overwrite<uint8_t[]>(ReadBufferSize);
    intptr_t token = 0;
    if (OnBeginFile != nullptr)
        OnBeginFile(this, Item.FileName, token);

    TDigestRunner digest;
    digest.Start(Algorithm);
    uint64_t size = 0;
    if (!Platform::GetFileSize64(file.Get(), size)) {
        LastError = Item.FileName + ": its size cannot be taken: " + Platform::LastErrorText();
        result = crFailed;
    }
    uint64_t hashed = 0;
    int32_t lastPercent = 0;
    // The size taken at the open bounds the reading: a file that grows
    // meanwhile is hashed as it was, and the percentage stays within 100.
    while (result == crOk && hashed < size) {
        const auto wanted =
            static_cast<uint32_t>(std::min<uint64_t>(ReadBufferSize, size - hashed));
        uint32_t got = 0;
        bool read;
        while (!(read = Platform::ReadFromFile(file.Get(), buffer.get(), wanted, got)))
            if (!AskRetry(this, Item.FileName, result))
                break;
        if (!read)
            break;
        // The file became shorter than it was at the open.
        if (got == 0) {
            LastError = Item.FileName + ": changed size while it was read";
            result = crFailed;
            break;
        }
        digest.Update(buffer.get(), static_cast<uint16_t>(got));
        hashed += got;
        const int32_t percent = Percentage(hashed, size);
        if (OnProgress != nullptr && percent != lastPercent) {
            lastPercent = percent;
            bool go = true;
            OnProgress(this, Item.FileName, percent, go);
            if (!go)
                result = crAborted;
        }
    }
    buffer.reset();
    file.Close();

    if (OnEndFile != nullptr)
        OnEndFile(this, Item.FileName, token);
    if (result != crOk)
        return result;
    Item.Hash = digest.Finish();
    return crOk;
}

TCheckResult TFileChecker::AddFile(const std::string& Name) {
    try {
        LastError.clear();
        if (!Platform::FileExists(BaseDir + Name)) {
            LastError = Name + ": no such file";
            return crFailed;
        }
        TFileCheckerItem item{Name, {}};
        const TCheckResult result = HashItem(item);
        if (result == crOk)
            Items.push_back(std::move(item));
        return result;
    } catch (...) {
        LastError = Name + ": not enough memory";
        return crFailed;
    }
}

TCheckResult TFileChecker::VerifyItem(int32_t Index) {
    if (Index < 0 || Index >= Count())
        return crMissing;
    TFileCheckerItem copy{Items[static_cast<size_t>(Index)].FileName, {}};
    const TCheckResult result = HashItem(copy);
    if (result == crOk && !SameDigest(copy.Hash, Items[static_cast<size_t>(Index)].Hash))
        return crMismatch;
    return result;
}

TCheckResult TFileChecker::VerifyAll(std::vector<std::string>& Mismatches, int32_t& MissingCount,
                                     int32_t& SkippedCount) {
    Mismatches.clear();
    MissingCount = 0;
    SkippedCount = 0;
    for (int32_t index = 0; index < Count(); ++index) {
        switch (const TCheckResult result = VerifyItem(index)) {
        case crFailed:
        case crAborted:
            return result;
        case crSkipped:
            ++SkippedCount;
            break;
        case crMismatch:
            Mismatches.push_back(Items[static_cast<size_t>(index)].FileName);
            break;
        case crMissing:
            ++MissingCount;
            break;
        case crOk:
            break;
        }
    }
    return crOk;
}

TCheckResult TFileChecker::CompareFiles(const std::string& First, const std::string& Second) {
    TFileCheckerItem first{First, {}};
    const TCheckResult result = HashItem(first);
    if (result != crOk)
        return result;
    TFileCheckerItem second{Second, {}};
    const TCheckResult secondResult = HashItem(second);
    if (secondResult == crOk && !SameDigest(first.Hash, second.Hash))
        return crMismatch;
    return secondResult;
}
