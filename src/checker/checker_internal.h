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

inline bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// LoadList's reading rules as a stream: the bytes of a list go in piece by
// piece, however they are cut, and the entries come out as each line ends, so
// a list costs one line of memory beyond its entries. Tests feed it from
// memory to reach the same rules without a file.
class TListParser {
public:
    // Tells the row from Line, the first entry line, or rejects the list.
    using TTellRow = bool (*)(TListParser& parser, std::string_view line);

    // Entries hold paths of at most MaxName characters; a list of more than
    // EntryLimit entries is refused (0: no limit). The entries are appended
    // to Entries, which the caller may empty between Feeds to read a list
    // of any length in little memory. Without a row, Tell (TellRow, in a
    // source of its own that only the program links) tells it from the first
    // entry: LoadListOf.
    TListParser(const TAlgoDefinition* row, TFileCheckerItemArray& entries,
                int32_t maxName = MaxListNameLength, uint64_t entryLimit = ListEntryLimit,
                TTellRow tell = nullptr);
    TListParser(const TAlgoDefinition& row, TFileCheckerItemArray& entries,
                int32_t maxName = MaxListNameLength, uint64_t entryLimit = ListEntryLimit)
        : TListParser(&row, entries, maxName, entryLimit) {}
    // The row its first digest's length tells (its tag, where it has one);
    // its digests must all be hexadecimal then.
    static bool TellRow(TListParser& parser, std::string_view line);

    // False when the list is rejected (Reason says why).
    bool Feed(const char* bytes, size_t count);
    // The end of the file; true when the list is accepted.
    bool Finish();
    // True for a list that says it is written in UTF-8: one that starts
    // with the byte-order mark. Any other list's names may be in any code
    // page, a list of UTF-8 included (Platform::NameFromList).
    bool Utf8() const { return ByteOrderMarkFound_; }
    // The row the list is read as: the one given, or the one told; null
    // while no entry has told it.
    const TAlgoDefinition* Row() const { return Row_; }

    std::string Reason;
    // Entries accepted so far.
    uint64_t Count() const { return Accepted_; }

private:
    // A UTF-8 byte-order mark, which Windows editors put at the start of a
    // text; skipped there, and only there.
    static constexpr char ByteOrderMark[] = {'\xEF', '\xBB', '\xBF'};

    // Where a line stands in a list that may be PGP clear-signed, as
    // releases sign their SHA256SUMS: the armour's first line, header lines
    // ("Hash: SHA256") up to a blank line, the signed entries, then the
    // signature block, after which nothing but blank lines may follow.
    enum class TPart { Start, Entries, ArmourHeaders, Signed, Signature, AfterSignature };

    bool Step(char c);
    bool Take(char c);
    bool Push(char c);
    bool EndLine();
    bool AddEntry(std::string_view line);
    // The longest line of the form Line takes (Line's start tells it).
    size_t LineBound(std::string_view line) const;
    bool Reject(std::string_view why, bool aboutLine = false);
    // "line N " Before Number After, and Second after that where given.
    bool RejectLine(const char* before, size_t number, const char* after,
                    size_t second = std::string::npos);

    const TAlgoDefinition* Row_;
    const TTellRow Tell_; // the row is told by the digests, which must be hexadecimal
    TFileCheckerItemArray& Entries_;
    const int32_t MaxName_;
    const uint64_t EntryLimit_;
    uint64_t Accepted_ = 0;
    const size_t MaxLength_;    // of every form of every row it may read, and of armour lines
    std::string Lead_;          // the blanks before the line's first non-blank (up to MaxName_)
    bool LeadCut_ = false;      // more blanks stood there
    std::string Line_;          // the line from its first non-blank on
    size_t ContentEnd_ = 0;     // end of Line_ without its trailing blanks
    bool TrailCut_ = false;     // trailing blanks beyond MaxLength_ were dropped
    bool Started_ = false;      // a non-blank has been seen on this line
    bool Skipping_ = false;     // the line is a comment
    bool PendingSlash_ = false; // the line began with '/'; is it "//"?
    bool Loose_ = false;        // a signature line: kept only to find the last one
    bool LooseCut_ = false;     // that line was longer than MaxLength_
    TPart Part_ = TPart::Start;
    bool AfterCarriageReturn_ = false;
    bool PastByteOrderMark_ = false;
    size_t ByteOrderMarkSeen_ = 0;
    bool ByteOrderMarkFound_ = false;
    uint64_t LineNumber_ = 1;
};

// The length of the tag Line starts with ("SHA256 (", "MD5   (",
// "SHA2-256("), and in Row the HashFirst row it names; 0 when it starts
// with none.
size_t TagLength(std::string_view line, const TAlgoDefinition*& row);

// LoadList and LoadListOf: the list read as Row, or as Tell tells it.
bool LoadListInto(TFileChecker& checker, const std::string& listName, const TAlgoDefinition* row,
                  TListParser::TTellRow tell, std::string* why);

} // namespace CheckerDetail
