// Pieces the checker's sources share and nobody else needs.
#pragma once

#include "checker.h"
#include "digest/digest.h"
#include "platform/files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace CheckerDetail {

// Lists are read in pieces of this size.
inline constexpr uint32_t ReadBufferSize = 32768;

// Files are hashed from reads of up to 1 MiB, so that the calls into the
// system cost little beside the bytes: CRC32 runs near the speed at which the
// page cache hands them over. A buffer is never larger than its file, so
// small files cost no more memory than before.
inline constexpr uint32_t HashReadSize = 1u << 20;
// The digests take at most 65535 bytes a call; 1023 whole 64-byte blocks a
// call spare MD5, SHA1 and SHA-256 the copy of a partial block between calls.
inline constexpr uint32_t DigestFeedSize = 1023 * 64;
// The system copies a read fastest into a buffer that starts on a page: a
// buffer 16 bytes past one (as the heap hands it out) took a third more
// system time to fill from the page cache (AMD EPYC, 1 GiB: 0.19 s
// against 0.14 s).
inline constexpr size_t ReadBufferAlignment = 4096;
// Progress is reported where the classic reading loop, one read of this size
// after another, reported it: the same percentages after the same bytes, so
// the host's progress box and its Esc poll come exactly as often as before.
inline constexpr uint32_t ProgressStepSize = 32768;

// Closes the file however the scope is left.
class TFileGuard {
public:
    explicit TFileGuard(Platform::FileHandle file) : File_(file) {}
    ~TFileGuard() { Close(); }
    TFileGuard(const TFileGuard&) = delete;
    TFileGuard& operator=(const TFileGuard&) = delete;

    Platform::FileHandle Get() const { return File_; }
    void Close() {
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

// LoadList's reading rules as a stream: the bytes of a list go in piece by
// piece, however they are cut, and the entries come out as each line ends, so
// a list costs one line of memory beyond its entries. Tests feed it from
// memory to reach the same rules without a file.
class TListParser {
public:
    // Entries hold paths of at most MaxName characters; a list of more than
    // EntryLimit entries is refused (0: no limit). The entries are appended
    // to Entries, which the caller may empty between Feeds to read a list
    // of any length in little memory.
    TListParser(const TAlgoDefinition& row, TFileCheckerItemArray& entries,
                int32_t maxName = MaxListNameLength, uint64_t entryLimit = ListEntryLimit);

    // False when the list is rejected (Reason says why).
    bool Feed(const char* bytes, size_t count);
    // The end of the file; true when the list is accepted.
    bool Finish();

    std::string Reason;
    // Entries accepted so far.
    uint64_t Count() const { return Accepted_; }

private:
    // A UTF-8 byte-order mark, which Windows editors put at the start of a
    // text; skipped there, and only there.
    static constexpr char ByteOrderMark[] = {'\xEF', '\xBB', '\xBF'};

    bool Step(char c);
    bool Take(char c);
    bool Push(char c);
    bool EndLine();
    bool AddEntry(std::string_view line);
    // The longest line of the form Line takes (Line's start tells it).
    size_t LineBound(std::string_view line) const;
    bool Reject(const std::string& why, bool aboutLine = false);

    const TAlgoDefinition& Row_;
    TFileCheckerItemArray& Entries_;
    const int32_t MaxName_;
    const uint64_t EntryLimit_;
    uint64_t Accepted_ = 0;
    const size_t MaxLength_;    // of every form
    std::string Line_;          // the line from its first non-blank on
    size_t ContentEnd_ = 0;     // end of Line_ without its trailing blanks
    bool Started_ = false;      // a non-blank has been seen on this line
    bool Skipping_ = false;     // the line is a comment
    bool PendingSlash_ = false; // the line began with '/'; is it "//"?
    bool AfterCarriageReturn_ = false;
    bool PastByteOrderMark_ = false;
    size_t ByteOrderMarkSeen_ = 0;
    uint64_t LineNumber_ = 1;
};

} // namespace CheckerDetail
