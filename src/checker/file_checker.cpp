// TFileChecker: hashing one file with progress and error callbacks, and the
// operations built on it (adding, verifying, comparing).
#include "checker_internal.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <utility>

using namespace CheckerDetail;

namespace {

int32_t Percentage(uint64_t hashed, uint64_t size) {
    return static_cast<int32_t>(static_cast<double>(hashed * 100) / static_cast<double>(size));
}

constexpr const char* SizeChanged = "changed size while it was read";
// The same size after the last read, but the file was written meanwhile (its
// modification or change time moved): bytes already hashed may be gone.
constexpr const char* ContentChanged = "changed while it was read";

struct TAlignedDelete {
    void operator()(uint8_t* buffer) const {
        ::operator delete[](buffer, std::align_val_t{ReadBufferAlignment});
    }
};

// Feeds the bytes read from position Hashed on, reporting progress at every
// ProgressStepSize boundary they pass (and at the end of the file) whose
// percentage differs from the last one reported, the digest fed up to that
// boundary first. False when OnProgress asked to stop.
// Without a Digest, the bytes are only counted: the caller digests them.
bool FeedAndReport(TFileChecker& checker, const std::string& name, TDigestRunner* digest,
                   const uint8_t* bytes, uint32_t count, uint64_t& hashed, uint64_t size,
                   int32_t& lastPercent) {
    const uint64_t end = hashed + count;
    uint64_t fed = hashed;
    auto feedUpTo = [&](uint64_t position) {
        while (digest != nullptr && fed < position) {
            const auto piece =
                static_cast<uint16_t>(std::min<uint64_t>(DigestFeedSize, position - fed));
            digest->Update(bytes + (fed - hashed), piece);
            fed += piece;
        }
    };
    bool go = true;
    if (checker.OnProgress != nullptr) {
        uint64_t boundary = (hashed / ProgressStepSize + 1) * ProgressStepSize;
        for (; go && (boundary <= end || (end == size && boundary - ProgressStepSize < end));
             boundary += ProgressStepSize) {
            const uint64_t at = std::min(boundary, size);
            const int32_t percent = Percentage(at, size);
            if (percent == lastPercent)
                continue;
            feedUpTo(at);
            lastPercent = percent;
            checker.OnProgress(&checker, name, percent, go);
        }
    }
    if (go)
        feedUpTo(end);
    hashed = end;
    return go;
}

// One pass over an opened file, between OnBeginFile and OnEndFile. Read
// failures are asked about as they happen; a content that does not match the
// state taken at the open (its size, its times) only sets Mismatch, to be
// asked about once the file is closed. DigestText receives the text when the
// pass gives crOk and no Mismatch. A file of at most WholeLimit bytes is read
// whole into Whole, when given, and left undigested.
TCheckResult HashOpenedFile(TFileChecker& checker, Platform::FileHandle opened,
                            const Platform::FileState& atOpen, const std::string& name,
                            std::string& digestText, std::string& mismatch, TFileBytes* whole,
                            uint64_t wholeLimit) {
    TFileGuard file(opened);
    const uint64_t size = atOpen.Size;
    checker.FileSize = size;
    // Allocated before OnBeginFile so that nothing can fail between it and
    // OnEndFile, which the host needs to restore its screen.
    if (size > wholeLimit)
        whole = nullptr;
    const auto bufferSize = static_cast<uint32_t>(std::clamp<uint64_t>(size, 1, HashReadSize));
    std::unique_ptr<uint8_t[], TAlignedDelete> ownBuffer;
    uint8_t* buffer = nullptr;
    if (whole != nullptr) {
        // The read past the end lands after the last byte.
        buffer = whole->Prepare(size + 1, size);
    } else {
        ownBuffer.reset(static_cast<uint8_t*>(
            ::operator new[](bufferSize, std::align_val_t{ReadBufferAlignment})));
        buffer = ownBuffer.get();
    }
    intptr_t token = 0;
    if (checker.OnBeginFile != nullptr)
        checker.OnBeginFile(&checker, name, token);

    TDigestRunner digest;
    digest.Start(checker.Algorithm);
    TDigestRunner* const digesting = whole == nullptr ? &digest : nullptr;
    TCheckResult result = crOk;
    uint64_t hashed = 0;
    int32_t lastPercent = 0;
    // The size taken at the open bounds the reading, one more byte is asked
    // for at its end, and the size is taken again then: a file that grew or
    // shrank meanwhile, or a pseudo-file whose size reads as 0 (/proc), is
    // never given a digest of some of its bytes.
    while (result == crOk && mismatch.empty()) {
        const bool atTheEnd = hashed == size;
        const auto wanted =
            atTheEnd ? 1u : static_cast<uint32_t>(std::min<uint64_t>(bufferSize, size - hashed));
        uint8_t* const at = whole != nullptr ? buffer + hashed : buffer;
        uint32_t got = 0;
        bool read;
        while (!(read = Platform::ReadFromFile(file.Get(), at, wanted, got)))
            if (!checker.AskRetry(name, Platform::LastErrorText(), result))
                break;
        if (!read)
            break;
        if (atTheEnd || got == 0) {
            // The state is taken again after the last read: a file written
            // in place at the same size is caught by its times.
            Platform::FileState now;
            if (got != 0 || !atTheEnd)
                mismatch = SizeChanged;
            else if (!Platform::GetFileState(file.Get(), now))
                mismatch = "its state cannot be taken: " + Platform::LastErrorText();
            else if (now.Size != size)
                mismatch = SizeChanged;
            else if (now != atOpen)
                mismatch = ContentChanged;
            break;
        }
        if (!FeedAndReport(checker, name, digesting, at, got, hashed, size, lastPercent))
            result = crAborted;
    }
    ownBuffer.reset();
    file.Close();

    if (checker.OnEndFile != nullptr)
        checker.OnEndFile(&checker, name, token);
    if (result == crOk && mismatch.empty() && digesting != nullptr)
        digestText = digest.Finish();
    return result;
}

// An entry's relative path with the platform's separator between its parts:
// '/' is one in every build, the backslash only on Windows (a POSIX name may
// hold one).
std::string NativePath(std::string name) {
    std::replace(name.begin(), name.end(), '/', Platform::PathSeparator);
    return name;
}

// TFileChecker::CollectFiles; allocation failures are the caller's.
bool CollectFilesBelow(const TFileChecker& checker, const std::string& folder,
                       std::vector<std::string>& paths, std::string& reason) {
    auto fail = [&](const std::string& why) {
        reason = why;
        return false;
    };
    std::string start = folder;
    while (!start.empty() && (start.back() == '/' || start.back() == '\\'))
        start.pop_back();
    if (!start.empty()) {
        if (const std::string fault = ListPathFault(start, checker.MaxNameLength); !fault.empty())
            return fail(folder + ": no folder of " + checker.BaseDir + ": it " + fault);
        // Lists take a backslash for a separator; on POSIX it would be a
        // character of the folder's name, which no list could give back.
        if (Platform::PathSeparator == '/' && start.find('\\') != std::string::npos)
            return fail(folder + ": a list cannot hold a name with a backslash");
        std::replace(start.begin(), start.end(), '\\', '/');
        // A linked folder is not entered, nor one reached through a link.
        for (size_t end = start.find('/');; end = start.find('/', end + 1)) {
            if (Platform::IsSymbolicLink(checker.EntryPath(start.substr(0, end))))
                return true;
            if (end == std::string::npos)
                break;
        }
    }
    // What is still to be looked at, each folder's entries pushed in
    // reverse order: a folder's files come out where its name stands among
    // its siblings', so the paths are sorted part by part.
    struct TPending {
        std::string Path; // as entries name it, '/' between the parts
        bool IsFolder;
    };
    std::vector<TPending> pending{{start, true}};
    std::vector<std::string> found;
    std::vector<Platform::DirectoryEntry> entries;
    const auto maxName = static_cast<size_t>(std::max(checker.MaxNameLength, 0));
    while (!pending.empty()) {
        TPending next = std::move(pending.back());
        pending.pop_back();
        if (!next.IsFolder) {
            if (found.size() >= static_cast<size_t>(ListEntryLimit))
                return fail(folder + ": more than " + std::to_string(ListEntryLimit) +
                            " files, more than a list holds");
            found.push_back(std::move(next.Path));
            continue;
        }
        const std::string directory =
            next.Path.empty() ? checker.BaseDir : checker.EntryPath(next.Path + "/");
        if (!Platform::ListDirectory(directory, entries))
            return fail((next.Path.empty() ? checker.BaseDir : next.Path) +
                        ": cannot be read: " + Platform::LastErrorText());
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.Name > b.Name; });
        const std::string prefix = next.Path.empty() ? "" : next.Path + "/";
        for (Platform::DirectoryEntry& entry : entries) {
            // A name the code page cannot hold is never entered nor passed
            // over: it is given as a file, which cannot be read and says so.
            const bool lost = Platform::NameIsLost(entry.Name);
            const bool isFolder = entry.IsDirectory && !entry.IsLink && !lost;
            if (!isFolder && !lost &&
                (!entry.IsRegularFile || Platform::IsTemporaryFileName(entry.Name)))
                continue; // a linked folder, a FIFO, a device, a socket, a dangling link,
                          // what a save killed half-way left behind
            std::string path = prefix + entry.Name;
            // Lists take a backslash for a separator, so such a name (POSIX
            // allows it) would never be found again.
            if (entry.Name.find('\\') != std::string::npos)
                return fail(path + ": a list cannot hold a name with a backslash");
            if (path.size() > maxName)
                return fail(path + ": longer than the " + std::to_string(maxName) +
                            " characters a list entry may have");
            pending.push_back({std::move(path), isFolder});
        }
    }
    paths.insert(paths.end(), std::make_move_iterator(found.begin()),
                 std::make_move_iterator(found.end()));
    return true;
}

} // namespace

TFileChecker::TFileChecker(const std::string& Directory)
    : BaseDir(Platform::WithTrailingSeparator(Directory)),
      Files_(std::make_unique<Platform::TFilesBelow>()) {}

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

std::string TFileChecker::EntryPath(const std::string& Name) const {
    return Platform::IsAbsolutePath(Name) ? Name : BaseDir + NativePath(Name);
}

bool TFileChecker::AskRetry(const std::string& FileName, const std::string& Cause,
                            TCheckResult& Result) {
    LastError = FileName + ": " + Cause;
    int32_t action = 0;
    if (OnReadError != nullptr)
        OnReadError(this, FileName, action);
    if (action == raRetry)
        return true;
    Result = action == raAbort ? crAborted : action == raSkip ? crSkipped : crFailed;
    return false;
}

TCheckResult TFileChecker::HashFile(const std::string& Directory, const std::string& Name,
                                    bool ShowPath, std::string& Digest, TFileBytes* Whole,
                                    uint64_t WholeLimit) {
    LastError.clear();
    const std::string relative = NativePath(Name);
    const std::string shown = Platform::ShownName(ShowPath ? Directory + relative : Name);
    if (Name.empty()) {
        LastError = "a file without a name cannot be hashed";
        return crFailed;
    }
    if (TAlgoDefinition row; !FindAlgoById(Algorithm, row)) {
        LastError = shown + ": no hash algorithm is chosen";
        return crFailed;
    }
    // A file below the directory is reached through real folders only, and
    // opened relative to the folder it lies in: the lookup of its name is the
    // test whether it exists, so a missing file costs one call.
    const bool below = !Directory.empty();
    for (bool first = true;; first = false) {
        TCheckResult result = crOk;
        Platform::FileState state;
        Platform::FileHandle opened;
        while ((opened = below ? Files_->Open(Directory, relative, &state)
                               : Platform::OpenFileForReading(Name, &state)) ==
               Platform::InvalidFileHandle) {
            // Missing only when nothing is there; a file that is there but
            // cannot be reached (a folder that cannot be searched, a path
            // too long) is a read error like any other.
            if (first && Platform::LastOpenFoundNoFile())
                return crMissing;
            first = false;
            Digest.clear();
            if (!AskRetry(shown, Platform::LastErrorText(), result))
                return result;
        }
        first = false;
        Digest.clear();
        std::string digest, mismatch;
        result = HashOpenedFile(*this, opened, state, shown, digest, mismatch, Whole, WholeLimit);
        if (!mismatch.empty()) {
            // Asked once the file is closed: Retry hashes it afresh from its
            // start, as it is then.
            if (AskRetry(shown, mismatch, result))
                continue;
            return result;
        }
        if (result == crOk)
            Digest = std::move(digest);
        return result;
    }
}

TCheckResult TFileChecker::HashItem(TFileCheckerItem& Item) {
    return HashItem(Item, nullptr, 0);
}

TCheckResult TFileChecker::HashItem(TFileCheckerItem& Item, TFileBytes* Whole,
                                    uint64_t WholeLimit) {
    return HashFile(Platform::IsAbsolutePath(Item.FileName) ? std::string() : BaseDir,
                    Item.FileName, false, Item.Hash, Whole, WholeLimit);
}

TCheckResult TFileChecker::AddFile(const std::string& Name) {
    return AddFile(Name, nullptr, 0);
}

TCheckResult TFileChecker::AddFile(const std::string& Name, TFileBytes* Whole,
                                   uint64_t WholeLimit) {
    try {
        // BaseDir and Name joined as they are: an absolute name is looked
        // for below BaseDir too, where it is no file.
        TFileCheckerItem item{Name, {}};
        TCheckResult result = HashFile(BaseDir, Name, false, item.Hash, Whole, WholeLimit);
        if (result == crMissing) {
            LastError = Name + ": " + Platform::LastErrorText();
            result = crFailed;
        }
        if (result == crOk)
            Items.push_back(std::move(item));
        return result;
    } catch (...) {
        LastError = Name + ": not enough memory";
        return crFailed;
    }
}

uint8_t* TFileBytes::Prepare(uint64_t Capacity, uint64_t Size) {
    Size_ = 0;
    if (Capacity > Capacity_) {
        TAlignedDelete{}(Data_);
        Data_ = nullptr;
        Capacity_ = 0;
        Data_ = static_cast<uint8_t*>(
            ::operator new[](static_cast<size_t>(Capacity), std::align_val_t{ReadBufferAlignment}));
        Capacity_ = Capacity;
    }
    Size_ = Size;
    return Data_;
}

TCheckResult TFileChecker::VerifyItem(int32_t Index) {
    if (Index < 0 || Index >= Count())
        return crMissing;
    return VerifyEntry(Items[static_cast<size_t>(Index)]);
}

TCheckResult TFileChecker::FindListedFile(std::string& Name) {
    using Platform::TListedFile;
    LastError.clear();
    // The name exactly as listed, unless it has blanks at its ends and no
    // file has it. A name of one reading (ASCII, or a list in UTF-8) costs
    // nothing more, since the file is looked for when it is hashed anyway;
    // one beyond ASCII is looked for in each of its readings first.
    TListedFile found = TListedFile::NoFile;
    if (std::string trimmed = Platform::TrimmedListedName(Name); trimmed != Name) {
        std::string exact = Name;
        found = Platform::FindListedFile(BaseDir, exact, true);
        if (found == TListedFile::Found || found == TListedFile::TwoFiles)
            Name = std::move(exact);
        else
            Name = std::move(trimmed);
    }
    if (found == TListedFile::NoFile || found == TListedFile::CannotExist)
        found = Platform::FindListedFile(BaseDir, Name, false);
    switch (found) {
    case TListedFile::Found:
        return crOk;
    case TListedFile::NoFile:
        return crMissing;
    case TListedFile::CannotExist:
        LastError = Name + ": " + Platform::LastErrorText();
        return crSkipped;
    case TListedFile::TwoFiles:
        LastError = Name + ": " + Platform::LastErrorText();
        return crMismatch;
    }
    return crMissing;
}

TCheckResult TFileChecker::VerifyEntry(const TFileCheckerItem& Entry, std::string* CheckedName) {
    TFileCheckerItem file{Entry.FileName, {}};
    const TCheckResult found = FindListedFile(file.FileName);
    if (CheckedName != nullptr)
        *CheckedName = Platform::ShownName(file.FileName);
    if (found != crOk)
        return found;
    const TCheckResult result = HashItem(file);
    return result == crOk && !SameDigest(file.Hash, Entry.Hash) ? crMismatch : result;
}

TCheckResult TFileChecker::VerifyAll(std::vector<std::string>& Mismatches, int32_t& MissingCount,
                                     int32_t& SkippedCount) {
    Mismatches.clear();
    MissingCount = 0;
    SkippedCount = 0;
    std::string checked;
    for (int32_t index = 0; index < Count(); ++index) {
        switch (const TCheckResult result =
                    VerifyEntry(Items[static_cast<size_t>(index)], &checked)) {
        case crFailed:
        case crAborted:
            return result;
        case crSkipped:
            ++SkippedCount;
            break;
        case crMismatch:
            Mismatches.push_back(checked);
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
    return ComparePair(Platform::IsAbsolutePath(First) ? std::string() : BaseDir, First,
                       Platform::IsAbsolutePath(Second) ? std::string() : BaseDir, Second, false);
}

TCheckResult TFileChecker::CompareFilesBelow(const std::string& FirstDirectory,
                                             const std::string& SecondDirectory,
                                             const std::string& Name) {
    return ComparePair(FirstDirectory, Name, SecondDirectory, Name, true);
}

TCheckResult TFileChecker::ComparePair(const std::string& FirstDirectory, const std::string& First,
                                       const std::string& SecondDirectory,
                                       const std::string& Second, bool ShowPaths) {
    std::string firstDigest, secondDigest;
    const TCheckResult result = HashFile(FirstDirectory, First, ShowPaths, firstDigest, nullptr, 0);
    if (result != crOk)
        return result;
    const TCheckResult secondResult =
        HashFile(SecondDirectory, Second, ShowPaths, secondDigest, nullptr, 0);
    if (secondResult == crOk && !SameDigest(firstDigest, secondDigest))
        return crMismatch;
    return secondResult;
}

void TFileChecker::LeaveOutOwnLists(std::vector<std::string>& Names, const std::string& ListName,
                                    bool PerFile) const {
    // Files are told apart by identity, not by name: "./x.md5", "X.MD5" on
    // Windows, a link to the list and the list itself are one file.
    std::map<Platform::FileIdentity, size_t> lists; // the list -> whose it is
    Platform::FileIdentity identity;
    TAlgoDefinition row;
    if (!PerFile) {
        if (Platform::GetFileIdentity(ExpandName(ListName), identity))
            lists.emplace(identity, Names.size());
    } else if (FindAlgoById(Algorithm, row)) {
        for (size_t i = 0; i < Names.size(); ++i)
            if (Platform::GetFileIdentity(EntryPath(Names[i]) + row.Extension, identity))
                lists.emplace(identity, i);
    }
    if (lists.empty())
        return;
    std::vector<std::string> kept;
    kept.reserve(Names.size());
    for (size_t i = 0; i < Names.size(); ++i) {
        const auto list = Platform::GetFileIdentity(EntryPath(Names[i]), identity)
                              ? lists.find(identity)
                              : lists.end();
        if (list == lists.end() || list->second == i)
            kept.push_back(std::move(Names[i]));
    }
    Names = std::move(kept);
}

bool TFileChecker::CollectFiles(const std::string& Folder, std::vector<std::string>& Paths,
                                std::string* Reason) const {
    std::string reason;
    const bool collected = [&] {
        try {
            return CollectFilesBelow(*this, Folder, Paths, reason);
        } catch (const std::bad_alloc&) {
            reason = Folder + ": not enough memory to list it";
            return false;
        }
    }();
    if (!collected && Reason != nullptr)
        *Reason = reason;
    return collected;
}
