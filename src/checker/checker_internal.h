// Pieces the checker's sources share and nobody else needs.
#pragma once

#include "checker.h"
#include "digest/digest.h"
#include "platform/files.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// One format a list may be read in: a row and one of its LineForms.
struct TListFormat {
    const TAlgoDefinition* Row = nullptr;
    uint32_t Form = lfDigestFirst;
};

// The formats a list may be read in, and whether its digits must be
// hexadecimal (they are not checked where the list's name or the user tells
// one form alone: the classic reader took "zzzzzzzz" as digits that never
// match). Algorithm given: every form of its row. Else ListName, when given
// and a list name: the forms of the row it names (SFV's own extension: name
// first alone). Else any form of any row ToldByDigits.
struct TListFormats {
    std::vector<TListFormat> Formats;
    bool CheckDigits = false;
};
TListFormats ListFormatsOf(uint32_t algorithm, const std::string* listName);

// LoadList's reading rules as a stream, in one format: the bytes of a list
// go in piece by piece, however they are cut, and the entries come out as
// each line ends, so a list costs one line of memory beyond its entries.
// Tests feed it from memory to reach the same rules without a file.
class TListParser {
public:
    // Entries hold paths of at most MaxName characters; a list of more than
    // EntryLimit entries is refused (0: no limit). The entries are appended
    // to Entries, which the caller may empty between Feeds to read a list
    // of any length in little memory.
    TListParser(const TListFormat& format, bool checkDigits, TFileCheckerItemArray& entries,
                int32_t maxName = MaxListNameLength, uint64_t entryLimit = ListEntryLimit);
    // In the form Row writes its lists, the digits unchecked.
    TListParser(const TAlgoDefinition& row, TFileCheckerItemArray& entries,
                int32_t maxName = MaxListNameLength, uint64_t entryLimit = ListEntryLimit)
        : TListParser({&row, row.HashFirst ? lfDigestFirst : lfNameFirst}, false, entries, maxName,
                      entryLimit) {}

    // False when the list is rejected (Reason says why).
    bool Feed(const char* bytes, size_t count);
    // The end of the file; true when the list is accepted.
    bool Finish();
    // True for a list that says it is written in UTF-8: one that starts
    // with the byte-order mark. Any other list's names may be in any code
    // page, a list of UTF-8 included (Platform::NameFromList).
    bool Utf8() const { return ByteOrderMarkFound_; }
    const TListFormat& Format() const { return Format_; }

    std::string Reason;
    // Entries accepted so far.
    uint64_t Count() const { return Accepted_; }
    // The line a rejected list failed on (for a list refused as a whole,
    // the line after its last).
    uint64_t FailedLine() const { return FailedLine_; }
    // Digest-first entry lines whose digest two blanks or " *" follow (or
    // that are tagged), as the coreutils tools write them, and the others:
    // what tells such a list from an SFV list that reads as well.
    uint64_t Marked() const { return Marked_; }
    uint64_t Unmarked() const { return Accepted_ - Marked_; }

private:
    // A UTF-8 byte-order mark, which Windows editors put at the start of a
    // text; skipped there, and only there.
    static constexpr char ByteOrderMark[] = {'\xEF', '\xBB', '\xBF'};

    // Where a line stands in a list that may be PGP clear-signed, as
    // releases sign their SHA256SUMS: the armour's first line, "Hash:"
    // header lines up to a blank line, the signed entries, then the
    // signature block (its own header lines, then base64 lines up to its
    // checksum and its end line), after which nothing but blank lines may
    // follow.
    enum class TPart {
        Start,
        Entries,
        ArmourHeaders,
        Signed,
        SignatureHeaders,
        Signature,
        SignatureChecksum,
        AfterSignature
    };

    bool Step(char c);
    bool Take(char c);
    bool Push(char c);
    bool EndLine();
    bool ArmourLine(std::string_view line);
    bool AddEntry(std::string_view line);
    bool AddGroupedLine(std::string_view line);
    bool Accept(std::string name, std::string hash, bool escaped, const std::string& exact,
                bool after);
    // The longest line of the form Line takes (Line's start tells it).
    size_t LineBound(std::string_view line) const;
    bool Reject(std::string_view why, bool aboutLine = false);
    // "line N " Before Number After, and Second after that where given.
    bool RejectLine(const char* before, size_t number, const char* after,
                    size_t second = std::string::npos);

    const TListFormat Format_;
    const bool CheckDigits_;
    TFileCheckerItemArray& Entries_;
    const int32_t MaxName_;
    const uint64_t EntryLimit_;
    uint64_t Accepted_ = 0, Marked_ = 0;
    const size_t MaxLength_;    // of every line of the format, and of armour lines
    std::string Lead_;          // the blanks before the line's first non-blank (up to MaxName_)
    bool LeadCut_ = false;      // more blanks stood there
    std::string Line_;          // the line from its first non-blank on
    size_t ContentEnd_ = 0;     // end of Line_ without its trailing blanks
    bool TrailCut_ = false;     // trailing blanks beyond MaxLength_ were dropped
    bool Started_ = false;      // a non-blank has been seen on this line
    bool Skipping_ = false;     // the line is a comment
    bool PendingSlash_ = false; // the line began with '/'; is it "//"?
    TPart Part_ = TPart::Start;
    // A grouped entry whose digits go on over the next lines.
    std::string GroupedName_, GroupedDigits_;
    bool AfterCarriageReturn_ = false;
    bool PastByteOrderMark_ = false;
    size_t ByteOrderMarkSeen_ = 0;
    bool ByteOrderMarkFound_ = false;
    uint64_t LineNumber_ = 1, FailedLine_ = 0;
};

// A list read in every format of Formats at once, one TListParser each, and
// one of them chosen at its end: the one format that read the whole list.
// Where two did, SFV and a digest-first form: the digest comes first when
// every line marks it (two blanks or " *" after it, or a tag), the name when
// no line does and both are CRC32 (cksfv's "20240101 46EA081F"); any other
// pair is refused as ambiguous. The grouped form, where it reads the list,
// is taken over SFV, and refused. Formats that fail drop out as the bytes
// come, so a list costs each format's line while several are left.
class TListChooser {
public:
    TListChooser(const TListFormats& formats, int32_t maxName, uint64_t entryLimit);

    // False once no format is left (Finish then says why).
    bool Feed(const char* bytes, size_t count);
    // True when a format is chosen; else Reason says why none is.
    bool Finish();
    // The entries each format still reading gave since the last call, to
    // Take, then dropped; Take(Index, Entry), Index the format's place in
    // Formats. Without calls, Entries holds them all.
    template <typename TTake> void Drain(TTake take) {
        for (size_t i = 0; i < Candidates_.size(); ++i) {
            for (const TFileCheckerItem& entry : Candidates_[i]->Entries)
                take(i, entry);
            Candidates_[i]->Entries.clear();
        }
    }

    // After Finish: the format chosen, its place, its parser and entries.
    const TListFormat& Format() const { return Chosen().Parser.Format(); }
    size_t Index() const { return Chosen_; }
    const TListParser& Parser() const { return Chosen().Parser; }
    TFileCheckerItemArray& Entries() { return Candidates_[Chosen_]->Entries; }

    std::string Reason;

private:
    struct TCandidate {
        TCandidate(const TListFormat& format, bool checkDigits, int32_t maxName,
                   uint64_t entryLimit)
            : Parser(format, checkDigits, Entries, maxName, entryLimit) {}
        TFileCheckerItemArray Entries;
        TListParser Parser;
        bool Reading = true;
    };
    const TCandidate& Chosen() const { return *Candidates_[Chosen_]; }
    bool Refuse(const std::string& why);

    const uint32_t Algorithms_; // of the formats, for the reason none reads the list
    std::vector<std::unique_ptr<TCandidate>> Candidates_;
    size_t Chosen_ = 0;
};

// The length of the tag Line starts with ("SHA256 (", "MD5   (",
// "SHA2-256("), and in Row the digest-first row it names; 0 when it starts
// with none.
size_t TagLength(std::string_view line, const TAlgoDefinition*& row);

// True when ListName's extension (after the last dot of its last part) is
// Row's Extension, ASCII letters compared without case.
bool IsNamedByExtension(std::string_view listName, const TAlgoDefinition& row);

// LoadList and LoadListOf: the list read in the formats of Algorithm, or
// (ByName) of the row its name names (ListFormatsOf).
bool LoadListInto(TFileChecker& checker, const std::string& listName, uint32_t algorithm,
                  bool byName, std::string* why);

} // namespace CheckerDetail
