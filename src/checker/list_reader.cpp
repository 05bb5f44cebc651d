// LoadList: a list is read in pieces and taken apart line by line as the
// bytes stream in, so a file of any size costs at most one line of memory
// beyond the entries it holds.
#include "checker_internal.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>

using namespace CheckerDetail;

namespace {

// Undoes the escapes of coreutils' lines: \\ and \n, and \r since
// coreutils 9. False for any other escape, or a backslash at the end.
bool Unescape(std::string& name) {
    std::string plain;
    plain.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            plain += name[i];
            continue;
        }
        if (++i == name.size())
            return false;
        switch (name[i]) {
        case '\\':
            plain += Platform::EscapedBackslash;
            break;
        case 'n':
            plain += '\n';
            break;
        case 'r':
            plain += '\r';
            break;
        default:
            return false;
        }
    }
    name = std::move(plain);
    return true;
}

// The armour of a PGP clear-signed list (RFC 4880, 7.): the first line, the
// line that starts the signature and the one that ends it.
constexpr std::string_view SignedMessageLine = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::string_view SignatureLine = "-----BEGIN PGP SIGNATURE-----";
constexpr std::string_view SignatureEndLine = "-----END PGP SIGNATURE-----";
// Armour lines are kept up to this length, however short the entries are.
constexpr size_t LongestArmourLine = 64;

// Between the name of a tagged line and its digits: coreutils' and rhash's
// ") = ", or openssl's ")= ".
constexpr std::string_view TagEnd = ") = ";
constexpr std::string_view ShortTagEnd = ")= ";

bool AllHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsHexDigit);
}

bool ReadList(const std::string& path, const TAlgoDefinition* row, TListParser::TTellRow tell,
              int32_t maxName, TFileCheckerItemArray& entries, const TAlgoDefinition*& read,
              std::string& reason, bool& utf8) {
    TFileGuard file(Platform::OpenFileForReading(path));
    if (file.Get() == Platform::InvalidFileHandle) {
        reason = "cannot be opened: " + Platform::LastErrorText();
        return false;
    }
    const auto buffer = std::make_unique_for_overwrite<char[]>(ReadBufferSize);
    TListParser parser(row, entries, maxName, ListEntryLimit, tell);
    for (;;) {
        uint32_t got = 0;
        if (!Platform::ReadFromFile(file.Get(), buffer.get(), ReadBufferSize, got)) {
            reason = "cannot be read: " + Platform::LastErrorText();
            return false;
        }
        if (got == 0 || !parser.Feed(buffer.get(), got))
            break;
    }
    if (!parser.Finish()) {
        reason = parser.Reason;
        return false;
    }
    utf8 = parser.Utf8();
    read = parser.Row();
    return true;
}

} // namespace

namespace CheckerDetail {

size_t TagLength(std::string_view line, const TAlgoDefinition*& row) {
    for (const TAlgoDefinition& each : AlgoDefinitions) {
        if (!each.HashFirst)
            continue;
        for (const char* tag : {each.Name, each.OtherTag}) {
            if (tag == nullptr || !line.starts_with(tag))
                continue;
            size_t at = std::char_traits<char>::length(tag);
            while (at < line.size() && at < static_cast<size_t>(MaxTagWidth) && line[at] == ' ')
                ++at;
            if (at < line.size() && line[at] == '(') {
                row = &each;
                return at + 1;
            }
        }
    }
    return 0;
}

TListParser::TListParser(const TAlgoDefinition* row, TFileCheckerItemArray& entries,
                         int32_t maxName, uint64_t entryLimit, TTellRow tell)
    : Row_(row), Tell_(tell), Entries_(entries), MaxName_(std::max(maxName, 0)),
      EntryLimit_(entryLimit), MaxLength_([&] {
          size_t longest = LongestArmourLine;
          for (const TAlgoDefinition& each : AlgoDefinitions)
              longest = std::max(longest, static_cast<size_t>(MaxListLineLength(
                                              row != nullptr ? *row : each, MaxName_)));
          return longest;
      }()) {
    Line_.reserve(MaxLength_);
}

size_t TListParser::LineBound(std::string_view line) const {
    if (Row_ == nullptr)
        return MaxLength_;
    // The plain form keeps its bound of old; the others are as long as the
    // longest name they can hold, written their way.
    if (!Row_->HashFirst)
        return static_cast<size_t>(MaxListLineLength(*Row_, MaxName_));
    const bool escaped = !line.empty() && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    const size_t name = static_cast<size_t>(MaxName_) * (escaped ? 2 : 1);
    const size_t digits = static_cast<size_t>(Row_->HashLength);
    const TAlgoDefinition* tagged = nullptr;
    if (const size_t tag = TagLength(line, tagged); tag != 0)
        return (escaped ? 1 : 0) + tag + name + TagEnd.size() + digits;
    return (escaped ? 1 : 0) + digits + 1 + (Row_->HasModeMark ? 1 : 0) + name;
}

bool TListParser::Feed(const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const char c = bytes[i];
        if (!PastByteOrderMark_) {
            // Held back while they match the mark; replayed when they do not.
            if (c == ByteOrderMark[ByteOrderMarkSeen_]) {
                PastByteOrderMark_ = ++ByteOrderMarkSeen_ == sizeof ByteOrderMark;
                ByteOrderMarkFound_ = PastByteOrderMark_;
                continue;
            }
            PastByteOrderMark_ = true;
            for (size_t held = 0; held < ByteOrderMarkSeen_; ++held)
                if (!Step(ByteOrderMark[held]))
                    return false;
        }
        if (!Step(c))
            return false;
    }
    return true;
}

bool TListParser::Step(char c) {
    // A NUL is no text: whatever follows it (a UTF-16 list, a binary file
    // named like a list) would be read as something it is not.
    if (c == '\0')
        return Reject("holds a NUL byte", true);
    if (c == '\r' || c == '\n') {
        // CR LF is one line end; the empty "line" between them would be
        // skipped anyway, but line numbers in messages must agree.
        const bool secondHalf = c == '\n' && AfterCarriageReturn_;
        AfterCarriageReturn_ = c == '\r';
        return secondHalf || EndLine();
    }
    AfterCarriageReturn_ = false;
    return Take(c);
}

bool TListParser::Finish() {
    if (!Reason.empty())
        return false;
    // A text that is only the start of a byte-order mark is text after all.
    if (!PastByteOrderMark_) {
        PastByteOrderMark_ = true;
        for (size_t held = 0; held < ByteOrderMarkSeen_; ++held)
            if (!Step(ByteOrderMark[held]))
                return false;
    }
    if (!EndLine())
        return false;
    // A signed list cut short may have lost entries with its end.
    if (Part_ == TPart::ArmourHeaders || Part_ == TPart::Signed || Part_ == TPart::Signature)
        return Reject("it ends before the end of its PGP signature");
    if (Accepted_ == 0)
        return Reject("it holds no entries");
    return true;
}

bool TListParser::Take(char c) {
    if (PendingSlash_) {
        // "//" starts a comment; a single "/" starts an entry (an absolute
        // path, which the name rules then refuse loudly).
        PendingSlash_ = false;
        if (c == '/') {
            Skipping_ = true;
            return true;
        }
        if (!Push('/'))
            return false;
    }
    const bool blank = static_cast<unsigned char>(c) <= ' ';
    if (!Started_) {
        if (blank) {
            // Kept for SFV lines, whose name comes first and may start with
            // blanks (cksfv writes " lead.bin 729da062").
            if (Lead_.size() < static_cast<size_t>(MaxName_))
                Lead_.push_back(c);
            else
                LeadCut_ = true;
            return true;
        }
        Started_ = true;
        switch (Part_) {
        case TPart::ArmourHeaders:
            Skipping_ = true;
            return true;
        case TPart::Signature:
            Loose_ = true;
            break;
        case TPart::AfterSignature:
            return Reject("follows the PGP signature, which does not sign it", true);
        default:
            // '#' starts comments where no entry line can start with it: a
            // digest comes first there. An SFV name may ("#1 intro.flac").
            Skipping_ = c == ';' || (c == '#' && (Row_ == nullptr || Row_->HashFirst));
            PendingSlash_ = c == '/';
            if (PendingSlash_)
                return true;
        }
    }
    if (Skipping_)
        return true;
    if (blank) {
        // Blanks inside an entry line are kept; once the line is full, a
        // blank is either trailing (too many to be part of a name) or the
        // line is too long anyway, which the next non-blank reveals.
        if (Line_.size() < MaxLength_)
            Line_.push_back(c);
        else
            TrailCut_ = true;
        return true;
    }
    return Push(c);
}

bool TListParser::Push(char c) {
    if (Line_.size() >= MaxLength_) {
        if (Loose_) {
            LooseCut_ = true;
            return true;
        }
        return RejectLine("is longer than ", LineBound(Line_), " characters");
    }
    Line_.push_back(c);
    ContentEnd_ = Line_.size();
    return true;
}

bool TListParser::EndLine() {
    bool accepted = true;
    if (PendingSlash_) {
        PendingSlash_ = false;
        accepted = Push('/');
    }
    const std::string_view line = std::string_view(Line_).substr(0, ContentEnd_);
    if (!accepted) {
    } else if (!Started_) {
        if (Part_ == TPart::ArmourHeaders)
            Part_ = TPart::Signed; // the blank line after the headers
    } else if (Skipping_) {
        if (Part_ == TPart::Start)
            Part_ = TPart::Entries;
    } else {
        switch (Part_) {
        case TPart::Start:
            if (line == SignedMessageLine) {
                Part_ = TPart::ArmourHeaders;
                break;
            }
            Part_ = TPart::Entries;
            accepted = AddEntry(line);
            break;
        case TPart::Signed:
            if (line == SignatureLine)
                Part_ = TPart::Signature;
            else // a line starting with '-' is signed as "- " and the line
                accepted = AddEntry(line.starts_with("- ") ? line.substr(2) : line);
            break;
        case TPart::Signature:
            if (!LooseCut_ && line == SignatureEndLine)
                Part_ = TPart::AfterSignature;
            break;
        default:
            accepted = AddEntry(line);
        }
    }
    Lead_.clear();
    Line_.clear();
    ContentEnd_ = 0;
    Started_ = Skipping_ = Loose_ = LeadCut_ = TrailCut_ = LooseCut_ = false;
    ++LineNumber_;
    return accepted;
}

bool TListParser::AddEntry(std::string_view line) {
    if (Row_ == nullptr && (Tell_ == nullptr || !Tell_(*this, line)))
        return false;
    const TAlgoDefinition& row = *Row_;
    if (line.size() > LineBound(line))
        return RejectLine("is longer than ", LineBound(line), " characters");
    std::string hash, name;
    const bool escaped = row.HashFirst && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    const TAlgoDefinition* tagRow = nullptr;
    // Only where tags are read: in an SFV list "MD5 (a) = 352441c2" is
    // a file named "MD5 (a) =".
    const size_t tag = row.HashFirst ? TagLength(line, tagRow) : 0;
    if (tag != 0) {
        if (tagRow->Id != row.Id)
            return Reject("is a " + std::string(tagRow->Name) + " line in a " + row.Name + " list",
                          true);
        // "SHA256 (name) = digits": the digits end the line, so a name may
        // hold ") = " itself.
        const size_t digits = static_cast<size_t>(row.HashLength);
        const std::string_view before =
            line.substr(0, line.size() >= digits ? line.size() - digits : 0);
        const size_t end =
            before.size() >= tag + TagEnd.size() && before.ends_with(TagEnd) ? TagEnd.size()
            : before.size() >= tag + ShortTagEnd.size() && before.ends_with(ShortTagEnd)
                ? ShortTagEnd.size()
                : 0;
        if (line.size() < digits || end == 0)
            return RejectLine("is a tagged line without \") = \" and ", digits,
                              " characters of digest at its end");
        hash = line.substr(before.size());
        name = line.substr(tag, before.size() - end - tag);
    } else {
        if (!SplitLine(line, row.HashFirst, hash, name))
            return Reject("has no space between digest and name", true);
        if (!row.HashFirst)
            std::swap(hash, name);
        if (row.HasModeMark && !name.empty() &&
            (name.front() == TextModeMark || name.front() == BinaryModeMark))
            name.erase(0, 1);
    }
    if (hash.size() != static_cast<size_t>(row.HashLength))
        return RejectLine("has a digest of ", hash.size(), " characters instead of ",
                          static_cast<size_t>(row.HashLength));
    if (Tell_ != nullptr && !AllHex(hash))
        return Reject("has a digest that is no hexadecimal number", true);
    if (escaped && !Unescape(name))
        return Reject("has an escape other than \\\\, \\n and \\r in its name", true);
    // A backslash of a plain line separates folders, as lists made on
    // Windows write them; only an escaped line can give one as a character
    // of a name, which a POSIX name may hold.
    if (!escaped && Platform::PathSeparator == '/')
        std::replace(name.begin(), name.end(), '\\', '/');
    if (const std::string fault = ListPathFault(name, MaxName_); !fault.empty())
        return Reject(fault, true);
    // The blanks at the name's end of the line, which trimming took away,
    // are the name's own when they leave a name a list may hold (as
    // sha256sum writes "report.pdf "): VerifyEntry checks the file of
    // exactly that name first.
    std::string exact;
    if (row.HashFirst && tag == 0 && !TrailCut_)
        exact = name + Line_.substr(ContentEnd_);
    else if (!row.HashFirst && !LeadCut_)
        exact = Lead_ + name;
    if (exact.size() > name.size() && ListPathFault(exact, MaxName_).empty())
        name = std::move(exact);
    if (EntryLimit_ != 0 && Accepted_ >= EntryLimit_)
        return Reject("it holds more than " + std::to_string(EntryLimit_) + " entries");
    Entries_.push_back({std::move(name), std::move(hash)});
    ++Accepted_;
    return true;
}

bool TListParser::Reject(std::string_view why, bool aboutLine) {
    Reason = aboutLine ? "line " + std::to_string(LineNumber_) + " " : std::string();
    Reason += why;
    return false;
}

bool TListParser::RejectLine(const char* before, size_t number, const char* after, size_t second) {
    Reject(before, true);
    Reason += std::to_string(number) + after;
    if (second != std::string::npos)
        Reason += std::to_string(second);
    return false;
}

} // namespace CheckerDetail

bool CheckerDetail::LoadListInto(TFileChecker& checker, const std::string& listName,
                                 const TAlgoDefinition* row, TListParser::TTellRow tell,
                                 std::string* why) {
    std::string reason;
    try {
        TFileCheckerItemArray entries;
        const TAlgoDefinition* read = nullptr;
        bool utf8 = false;
        if (ReadList(checker.ExpandName(listName), row, tell, checker.MaxNameLength, entries, read,
                     reason, utf8)) {
            for (TFileCheckerItem& entry : entries)
                entry.FileName = Platform::NameFromList(std::move(entry.FileName), utf8);
            checker.Items = std::move(entries);
            checker.Algorithm = static_cast<uint32_t>(read->Id);
            return true;
        }
    } catch (const std::bad_alloc&) {
        reason = "not enough memory to hold it";
    } catch (...) {
        reason = "it could not be read";
    }
    if (why != nullptr)
        *why = reason;
    return false;
}

bool TFileChecker::LoadList(const std::string& ListName, std::string* Reason) {
    TAlgoDefinition row;
    if (FindAlgoByListName(ListName, row))
        return LoadListInto(*this, ListName, &row, nullptr, Reason);
    try {
        if (Reason != nullptr)
            *Reason = WhyNoListName(ListName);
    } catch (...) {
        // Only the text could not be made; the list is refused all the same.
    }
    return false;
}
