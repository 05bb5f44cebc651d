// LoadList: a list is read in pieces and taken apart line by line as the
// bytes stream in, so a file of any size costs at most one line of memory
// beyond the entries it holds; where the list's name leaves its format open,
// every format it may have reads it at once and one is chosen at its end.
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

// The armour of a PGP clear-signed list (RFC 4880, 6. and 7.): the first
// line, the line that starts the signature and the one that ends it.
constexpr std::string_view SignedMessageLine = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::string_view SignatureLine = "-----BEGIN PGP SIGNATURE-----";
constexpr std::string_view SignatureEndLine = "-----END PGP SIGNATURE-----";
// Armour lines are kept up to this length, however short the entries are.
constexpr size_t LongestArmourLine = 76;

// Between the name of a tagged line and its digits: coreutils' and rhash's
// ") = ", or openssl's ")= ".
constexpr std::string_view TagEnd = ") = ";
constexpr std::string_view ShortTagEnd = ")= ";

// Between the name and the digits of a grouped line ("gpg --print-md").
constexpr std::string_view GroupedNameEnd = ": ";

bool AllHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsHexDigit);
}

bool IsAsciiLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The only header the signed part's armour holds, as gpg checks it:
// "Hash: SHA256" (names of digests, separated by commas). gpg calls any
// other line there an invalid clearsig header, and so the list BAD; an
// entry hidden there would be checked by no one.
bool IsHashHeader(std::string_view line) {
    constexpr std::string_view key = "Hash: ";
    return line.size() > key.size() && line.starts_with(key) &&
           std::all_of(line.begin() + key.size(), line.end(), [](char c) {
               return IsAsciiLetterOrDigit(c) || c == '-' || c == ',' || c == ' ';
           });
}

// A header of the signature's armour: one of the keys RFC 4880 names.
bool IsSignatureHeader(std::string_view line) {
    for (const std::string_view key : {"Version", "Comment", "MessageID", "Hash", "Charset"})
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] == ':' &&
            (line.size() == key.size() + 1 || line[key.size() + 1] == ' '))
            return true;
    return false;
}

bool IsBase64Digit(char c) {
    return IsAsciiLetterOrDigit(c) || c == '+' || c == '/';
}

// A line of the signature itself: base64 digits, '=' padding at the end.
bool IsBase64Line(std::string_view line) {
    const size_t digits = static_cast<size_t>(
        std::find_if_not(line.begin(), line.end(), IsBase64Digit) - line.begin());
    const size_t padding = line.size() - digits;
    return digits > 0 && padding <= 2 &&
           line.find_first_not_of('=', digits) == std::string_view::npos;
}

// The armour's checksum: '=' and the four base64 digits of a CRC-24.
bool IsArmourChecksum(std::string_view line) {
    return line.size() == 5 && line.front() == '=' &&
           std::all_of(line.begin() + 1, line.end(), IsBase64Digit);
}

// The digits of a grouped digest of Digits digits come in groups of this
// many, as gpg prints them: bytes for MD5, pairs of bytes for SHA1, four
// bytes for every longer digest.
size_t GroupSize(size_t digits) {
    return digits == 32 ? 2 : digits == 40 ? 4 : 8;
}

// Appends to Digits the groups of Text, each of Size hexadecimal digits
// and separated by one blank or two (gpg's between halves); false when Text
// is anything else.
bool TakeGroups(std::string_view text, size_t size, std::string& digits) {
    for (;;) {
        const std::string_view group = text.substr(0, size);
        if (group.size() != size || !AllHex(group))
            return false;
        digits += group;
        text.remove_prefix(size);
        if (text.empty())
            return true;
        const size_t blanks = text.starts_with("  ") ? 2 : text.starts_with(' ') ? 1 : 0;
        if (blanks == 0)
            return false;
        text.remove_prefix(blanks);
    }
}

bool ReadList(const std::string& path, const TListFormats& formats, int32_t maxName,
              TFileCheckerItemArray& entries, const TAlgoDefinition*& read, std::string& reason,
              bool& utf8) {
    TFileGuard file(Platform::OpenFileForReading(path));
    if (file.Get() == Platform::InvalidFileHandle) {
        reason = "cannot be opened: " + Platform::LastErrorText();
        return false;
    }
    const auto buffer = std::make_unique_for_overwrite<char[]>(ReadBufferSize);
    TListChooser chooser(formats, maxName, ListEntryLimit);
    for (;;) {
        uint32_t got = 0;
        if (!Platform::ReadFromFile(file.Get(), buffer.get(), ReadBufferSize, got)) {
            reason = "cannot be read: " + Platform::LastErrorText();
            return false;
        }
        if (got == 0 || !chooser.Feed(buffer.get(), got))
            break;
    }
    if (!chooser.Finish()) {
        reason = chooser.Reason;
        return false;
    }
    entries = std::move(chooser.Entries());
    utf8 = chooser.Parser().Utf8();
    read = chooser.Format().Row;
    return true;
}

// "CRC32, MD5 or SHA1": the names of the rows of Algorithms.
std::string AlgorithmNames(uint32_t algorithms) {
    std::string names, last;
    for (const TAlgoDefinition& row : AlgoDefinitions) {
        if ((algorithms & static_cast<uint32_t>(row.Id)) == 0)
            continue;
        if (!last.empty())
            names += (names.empty() ? "" : ", ") + last;
        last = row.Name;
    }
    return names.empty() ? last : names + " or " + last;
}

std::string FormatText(const TListFormat& format) {
    // Short enough for the plug-in's box: "SFV", "MD5 digest first".
    return format.Form == lfNameFirst ? std::string("SFV")
                                      : format.Row->Name + std::string(format.Form == lfDigestFirst
                                                                           ? " digest first"
                                                                           : " of gpg --print-md");
}

} // namespace

namespace CheckerDetail {

size_t TagLength(std::string_view line, const TAlgoDefinition*& row) {
    for (const TAlgoDefinition& each : AlgoDefinitions) {
        if ((each.LineForms & lfDigestFirst) == 0)
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

TListFormats ListFormatsOf(uint32_t algorithm, const std::string* listName) {
    TListFormats formats;
    uint32_t forms = 0;
    auto add = [&](const TAlgoDefinition& row, uint32_t rowForms) {
        for (const uint32_t form : {lfNameFirst, lfDigestFirst, lfGrouped})
            if ((rowForms & form) != 0)
                formats.Formats.push_back({&row, form});
        forms |= rowForms;
    };
    TAlgoDefinition named;
    const bool byName =
        algorithm == haNone && listName != nullptr && FindAlgoByListName(*listName, named);
    if (algorithm != haNone || byName) {
        for (const TAlgoDefinition& row : AlgoDefinitions)
            if (static_cast<uint32_t>(row.Id) ==
                (byName ? static_cast<uint32_t>(named.Id) : algorithm))
                add(row, byName && !row.HashFirst && IsNamedByExtension(*listName, row)
                             ? lfNameFirst
                             : row.LineForms);
    } else {
        for (const TAlgoDefinition& row : AlgoDefinitions)
            if (row.ToldByDigits)
                add(row, row.LineForms);
        formats.CheckDigits = true;
    }
    // Only the digits tell an SFV line from a digest-first one of the same
    // digest ("20240101 46EA081F").
    formats.CheckDigits =
        formats.CheckDigits || ((forms & lfNameFirst) != 0 && (forms & lfDigestFirst) != 0);
    return formats;
}

TListParser::TListParser(const TListFormat& format, bool checkDigits,
                         TFileCheckerItemArray& entries, int32_t maxName, uint64_t entryLimit)
    : Format_(format), CheckDigits_(checkDigits), Entries_(entries), MaxName_(std::max(maxName, 0)),
      EntryLimit_(entryLimit), MaxLength_([&] {
          const auto name = static_cast<size_t>(MaxName_);
          const auto digits = static_cast<size_t>(format.Row->HashLength);
          // A tagged or escaped line holds the longest names of its form.
          const size_t longest = format.Form == lfNameFirst ? digits + 1 + name
                                 : format.Form == lfDigestFirst
                                     ? 1 + MaxTagWidth + 1 + 2 * name + TagEnd.size() + digits
                                     : name + GroupedNameEnd.size() + 2 * digits;
          return std::max(longest, LongestArmourLine);
      }()) {
    Line_.reserve(MaxLength_);
}

size_t TListParser::LineBound(std::string_view line) const {
    const auto name = static_cast<size_t>(MaxName_);
    const auto digits = static_cast<size_t>(Format_.Row->HashLength);
    switch (Part_) {
    case TPart::ArmourHeaders:
    case TPart::SignatureHeaders:
    case TPart::Signature:
    case TPart::SignatureChecksum:
        return MaxLength_;
    default:
        break;
    }
    // The plain forms keep their bounds of old (a mode mark counted); the
    // others are as long as the longest name they can hold, written their way.
    if (Format_.Form == lfNameFirst)
        return digits + 1 + name;
    if (Format_.Form == lfGrouped)
        return name + GroupedNameEnd.size() + 2 * digits;
    const bool escaped = !line.empty() && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    const size_t written = name * (escaped ? 2 : 1);
    const TAlgoDefinition* tagged = nullptr;
    if (const size_t tag = TagLength(line, tagged); tag != 0)
        return (escaped ? 1 : 0) + tag + written + TagEnd.size() + digits;
    return (escaped ? 1 : 0) + digits + 2 + written;
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
    if (!GroupedDigits_.empty())
        return Reject("it ends before the last digits of its last entry");
    // A signed list cut short may have lost entries with its end.
    if (Part_ != TPart::Start && Part_ != TPart::Entries && Part_ != TPart::AfterSignature)
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
        case TPart::SignatureHeaders:
        case TPart::Signature:
        case TPart::SignatureChecksum:
            break; // armour: every line is checked whole, none is a comment
        case TPart::AfterSignature:
            return Reject("follows the PGP signature, which does not sign it", true);
        default:
            // '#' starts comments where no entry line can start with it: a
            // digest comes first there. An SFV name may ("#1 intro.flac").
            Skipping_ = c == ';' || (c == '#' && Format_.Form != lfNameFirst);
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
    if (Line_.size() >= MaxLength_)
        return RejectLine("is longer than ", LineBound(Line_), " characters");
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
    // Armour lines start their lines; so does the dash gpg puts before a
    // signed line that starts with one.
    const bool atStart = Lead_.empty() && !LeadCut_;
    if (!accepted) {
    } else if (!Started_) {
        if (Part_ == TPart::ArmourHeaders)
            Part_ = TPart::Signed; // the blank line after the headers
        else if (Part_ == TPart::SignatureHeaders)
            Part_ = TPart::Signature;
    } else if (Skipping_) {
        if (Part_ == TPart::Start)
            Part_ = TPart::Entries;
    } else {
        switch (Part_) {
        case TPart::Start:
            if (atStart && line == SignedMessageLine) {
                Part_ = TPart::ArmourHeaders;
                break;
            }
            Part_ = TPart::Entries;
            accepted = AddEntry(line);
            break;
        case TPart::ArmourHeaders:
        case TPart::SignatureHeaders:
        case TPart::Signature:
        case TPart::SignatureChecksum:
            accepted = ArmourLine(line);
            break;
        case TPart::Signed:
            if (atStart && line == SignatureLine)
                Part_ = TPart::SignatureHeaders;
            else if (!atStart || line.front() != '-')
                accepted = AddEntry(line);
            else if (line.starts_with("- "))
                accepted = AddEntry(line.substr(2));
            else // gpg signs such a line as "- " and the line: this one was added
                accepted = Reject("starts with '-' but lacks gpg's \"- \" before it", true);
            break;
        default:
            accepted = AddEntry(line);
        }
    }
    Lead_.clear();
    Line_.clear();
    ContentEnd_ = 0;
    Started_ = Skipping_ = LeadCut_ = TrailCut_ = false;
    ++LineNumber_;
    return accepted;
}

// A line of the armour: a header, or a line of the signature. gpg calls a
// list BAD that holds anything else there, and no reader looks at it: a
// digest line there would be passed over in silence.
bool TListParser::ArmourLine(std::string_view line) {
    switch (Part_) {
    case TPart::ArmourHeaders:
        return IsHashHeader(line) ||
               Reject("is no \"Hash:\" header, the only one a signed list holds", true);
    case TPart::SignatureHeaders:
        if (IsSignatureHeader(line))
            return true;
        [[fallthrough]];
    case TPart::Signature:
        if (line == SignatureEndLine)
            Part_ = TPart::AfterSignature;
        else if (IsArmourChecksum(line))
            Part_ = TPart::SignatureChecksum;
        else if (IsBase64Line(line))
            Part_ = TPart::Signature;
        else
            return Reject("is no line of a PGP signature", true);
        return true;
    default:
        if (line == SignatureEndLine) {
            Part_ = TPart::AfterSignature;
            return true;
        }
        return Reject("is no line of a PGP signature", true);
    }
}

bool TListParser::AddEntry(std::string_view line) {
    if (line.size() > LineBound(line))
        return RejectLine("is longer than ", LineBound(line), " characters");
    if (Format_.Form == lfGrouped)
        return AddGroupedLine(line);
    const TAlgoDefinition& row = *Format_.Row;
    const bool digestFirst = Format_.Form == lfDigestFirst;
    std::string hash, name;
    const bool escaped = digestFirst && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    const TAlgoDefinition* tagRow = nullptr;
    // Only where tags are read: in an SFV list "MD5 (a) = 352441c2" is
    // a file named "MD5 (a) =".
    const size_t tag = digestFirst ? TagLength(line, tagRow) : 0;
    bool marked = tag != 0;
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
        if (!SplitLine(line, digestFirst, hash, name))
            return Reject("has no space between digest and name", true);
        if (!digestFirst)
            std::swap(hash, name);
        marked = digestFirst && !name.empty() &&
                 (name.front() == TextModeMark || name.front() == BinaryModeMark);
        if (marked)
            name.erase(0, 1);
    }
    if (hash.size() != static_cast<size_t>(row.HashLength))
        return RejectLine("has a digest of ", hash.size(), " characters instead of ",
                          static_cast<size_t>(row.HashLength));
    if (escaped && !Unescape(name))
        return Reject("has an escape other than \\\\, \\n and \\r in its name", true);
    // The blanks at the name's end of the line, which trimming took away,
    // are the name's own when they leave a name a list may hold (as
    // sha256sum writes "report.pdf "): VerifyEntry checks the file of
    // exactly that name first.
    std::string exact;
    if (digestFirst && tag == 0 && !TrailCut_)
        exact = Line_.substr(ContentEnd_);
    else if (!digestFirst && !LeadCut_)
        exact = Lead_;
    Marked_ += marked ? 1 : 0;
    return Accept(std::move(name), std::move(hash), escaped, exact, digestFirst);
}

// A line as "gpg --print-md" prints a digest: "name: " and the digits in
// groups, which go on over lines indented under them when they do not fit.
bool TListParser::AddGroupedLine(std::string_view line) {
    const size_t digits = static_cast<size_t>(Format_.Row->HashLength);
    const size_t size = GroupSize(digits);
    const bool indented = !Lead_.empty() || LeadCut_;
    // Digits taken and not yet an entry: the name's line has been read.
    if (!GroupedDigits_.empty()) {
        if (!indented || !TakeGroups(line, size, GroupedDigits_))
            return Reject("does not go on with digits in groups of " + std::to_string(size), true);
    } else {
        const size_t end = line.rfind(GroupedNameEnd);
        if (indented || end == std::string_view::npos ||
            !TakeGroups(line.substr(end + GroupedNameEnd.size()), size, GroupedDigits_))
            return Reject("is no name, \": \" and digits in groups of " + std::to_string(size),
                          true);
        GroupedName_ = line.substr(0, end);
    }
    if (GroupedDigits_.size() > digits)
        return RejectLine("has a digest of more than ", digits, " digits");
    if (GroupedDigits_.size() < digits)
        return true;
    std::string name = std::move(GroupedName_), hash = std::move(GroupedDigits_);
    GroupedName_.clear();
    GroupedDigits_.clear();
    return Accept(std::move(name), std::move(hash), false, {}, false);
}

// The entry Name and Hash of the line at hand, once its form's rules are
// met; Exact: the blanks at the name's end of the line, After them (else
// before them).
bool TListParser::Accept(std::string name, std::string hash, bool escaped, const std::string& exact,
                         bool after) {
    if (CheckDigits_ && !AllHex(hash))
        return Reject("has a digest that is no hexadecimal number", true);
    // A backslash of a plain line separates folders, as lists made on
    // Windows write them; only an escaped line can give one as a character
    // of a name, which a POSIX name may hold.
    if (!escaped && Platform::PathSeparator == '/')
        std::replace(name.begin(), name.end(), '\\', '/');
    if (const std::string fault = ListPathFault(name, MaxName_); !fault.empty())
        return Reject(fault, true);
    if (!exact.empty()) {
        std::string whole = after ? name + exact : exact + name;
        if (ListPathFault(whole, MaxName_).empty())
            name = std::move(whole);
    }
    if (EntryLimit_ != 0 && Accepted_ >= EntryLimit_)
        return Reject("it holds more than " + std::to_string(EntryLimit_) + " entries");
    Entries_.push_back({std::move(name), std::move(hash)});
    ++Accepted_;
    return true;
}

bool TListParser::Reject(std::string_view why, bool aboutLine) {
    FailedLine_ = LineNumber_;
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

TListChooser::TListChooser(const TListFormats& formats, int32_t maxName, uint64_t entryLimit)
    : Algorithms_([&] {
          uint32_t algorithms = 0;
          for (const TListFormat& format : formats.Formats)
              algorithms |= static_cast<uint32_t>(format.Row->Id);
          return algorithms;
      }()) {
    for (const TListFormat& format : formats.Formats)
        Candidates_.push_back(
            std::make_unique<TCandidate>(format, formats.CheckDigits, maxName, entryLimit));
}

bool TListChooser::Feed(const char* bytes, size_t count) {
    bool reading = false;
    for (const auto& candidate : Candidates_) {
        candidate->Reading = candidate->Reading && candidate->Parser.Feed(bytes, count);
        reading = reading || candidate->Reading;
    }
    return reading;
}

bool TListChooser::Finish() {
    std::vector<size_t> reading;
    for (size_t i = 0; i < Candidates_.size(); ++i) {
        TCandidate& candidate = *Candidates_[i];
        candidate.Reading = candidate.Reading && candidate.Parser.Finish();
        if (candidate.Reading)
            reading.push_back(i);
    }
    if (reading.empty()) {
        // The reason of the format that read furthest, else of the row's
        // own form (SFV's for CRC32), else none in particular.
        uint64_t furthest = 0;
        for (const auto& candidate : Candidates_)
            furthest = std::max(furthest, candidate->Parser.FailedLine());
        std::vector<const TListParser*> last, own;
        for (const auto& candidate : Candidates_) {
            const TListParser& parser = candidate->Parser;
            if (parser.FailedLine() != furthest)
                continue;
            last.push_back(&parser);
            if (parser.Format().Form ==
                (parser.Format().Row->HashFirst ? lfDigestFirst : lfNameFirst))
                own.push_back(&parser);
        }
        const bool agree = std::all_of(last.begin(), last.end(), [&](const TListParser* parser) {
            return parser->Reason == last.front()->Reason;
        });
        if (last.size() == 1 || agree)
            return Refuse(last.front()->Reason);
        if (own.size() == 1)
            return Refuse(own.front()->Reason);
        return Refuse("line " + std::to_string(furthest) + " is no line of a list of " +
                      AlgorithmNames(Algorithms_));
    }
    auto find = [&](uint32_t form) -> const TCandidate* {
        for (const size_t i : reading)
            if (Candidates_[i]->Parser.Format().Form == form)
                return Candidates_[i].get();
        return nullptr;
    };
    auto drop = [&](const TCandidate* dropped) {
        reading.erase(std::find_if(reading.begin(), reading.end(),
                                   [&](size_t i) { return Candidates_[i].get() == dropped; }));
    };
    const TCandidate* nameFirst = find(lfNameFirst);
    const TCandidate* digestFirst = find(lfDigestFirst);
    // Names ending in digits in groups are gpg's lines, no SFV names.
    if (nameFirst != nullptr && find(lfGrouped) != nullptr) {
        drop(nameFirst);
    } else if (nameFirst != nullptr && digestFirst != nullptr) {
        // md5sum, rhash --simple and 7-Zip put two blanks or " *" after
        // the digest; cksfv puts one before the digits of a CRC32.
        const TListParser& digests = digestFirst->Parser;
        if (digests.Unmarked() == 0)
            drop(nameFirst);
        else if (digests.Marked() == 0 && digests.Format().Row == nameFirst->Parser.Format().Row)
            drop(digestFirst);
    }
    if (reading.size() > 1) {
        std::string forms;
        for (const size_t i : reading)
            forms +=
                (forms.empty() ? "" : " and as ") + FormatText(Candidates_[i]->Parser.Format());
        return Refuse("it reads as " + forms + ": -a or .sfv tells which");
    }
    Chosen_ = reading.front();
    const TListFormat& format = Chosen().Parser.Format();
    if (format.Form == lfGrouped)
        return Refuse(std::string("it is ") + format.Row->Name +
                      " digests as gpg --print-md prints them, not a list");
    return true;
}

bool TListChooser::Refuse(const std::string& why) {
    Reason = why;
    return false;
}

} // namespace CheckerDetail

bool CheckerDetail::LoadListInto(TFileChecker& checker, const std::string& listName,
                                 uint32_t algorithm, bool byName, std::string* why) {
    std::string reason;
    try {
        TFileCheckerItemArray entries;
        const TAlgoDefinition* read = nullptr;
        bool utf8 = false;
        if (ReadList(checker.ExpandName(listName),
                     ListFormatsOf(algorithm, byName ? &listName : nullptr), checker.MaxNameLength,
                     entries, read, reason, utf8)) {
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
        return LoadListInto(*this, ListName, haNone, true, Reason);
    try {
        if (Reason != nullptr)
            *Reason = WhyNoListName(ListName);
    } catch (...) {
        // Only the text could not be made; the list is refused all the same.
    }
    return false;
}
