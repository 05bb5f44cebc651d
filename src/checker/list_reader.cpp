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
            plain += '\\';
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

// The tag of a tagged line: the row's name, a space and a parenthesis.
std::string Tag(const TAlgoDefinition& row) {
    return std::string(row.Name) + " (";
}

// Between the name of a tagged line and its digits.
constexpr std::string_view TagEnd = ") = ";

bool ReadList(const std::string& path, const TAlgoDefinition& row, int32_t maxName,
              TFileCheckerItemArray& entries, std::string& reason) {
    TFileGuard file(Platform::OpenFileForReading(path));
    if (file.Get() == Platform::InvalidFileHandle) {
        reason = "cannot be opened: " + Platform::LastErrorText();
        return false;
    }
    const auto buffer = std::make_unique_for_overwrite<char[]>(ReadBufferSize);
    TListParser parser(row, entries, maxName);
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
    return true;
}

} // namespace

namespace CheckerDetail {

TListParser::TListParser(const TAlgoDefinition& row, TFileCheckerItemArray& entries,
                         int32_t maxName, uint64_t entryLimit)
    : Row_(row), Entries_(entries), MaxName_(std::max(maxName, 0)), EntryLimit_(entryLimit),
      MaxLength_(static_cast<size_t>(MaxListLineLength(row, MaxName_))) {
    Line_.reserve(MaxLength_);
}

size_t TListParser::LineBound(std::string_view line) const {
    // The plain form keeps its bound of old; the others are as long as the
    // longest name they can hold, written their way.
    if (!Row_.HashFirst)
        return MaxLength_;
    const bool escaped = !line.empty() && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    const size_t name = static_cast<size_t>(MaxName_) * (escaped ? 2 : 1);
    const size_t digits = static_cast<size_t>(Row_.HashLength);
    if (line.starts_with(Tag(Row_)))
        return (escaped ? 1 : 0) + Tag(Row_).size() + name + TagEnd.size() + digits;
    return (escaped ? 1 : 0) + digits + 1 + (Row_.HasModeMark ? 1 : 0) + name;
}

bool TListParser::Feed(const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const char c = bytes[i];
        if (!PastByteOrderMark_) {
            // Held back while they match the mark; replayed when they do not.
            if (c == ByteOrderMark[ByteOrderMarkSeen_]) {
                PastByteOrderMark_ = ++ByteOrderMarkSeen_ == sizeof ByteOrderMark;
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
    if (static_cast<unsigned char>(c) <= ' ') {
        // Blanks inside an entry line are kept; once the line is full,
        // a blank is either trailing (dropped by trimming) or the line is
        // too long anyway, which the next non-blank reveals.
        if (Started_ && !Skipping_ && Line_.size() < MaxLength_)
            Line_.push_back(c);
        return true;
    }
    if (!Started_) {
        Started_ = true;
        Skipping_ = c == ';';
        PendingSlash_ = c == '/';
        if (PendingSlash_)
            return true;
    }
    return Skipping_ || Push(c);
}

bool TListParser::Push(char c) {
    if (Line_.size() >= MaxLength_)
        return Reject("is longer than " + std::to_string(LineBound(Line_)) + " characters", true);
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
    if (accepted && Started_ && !Skipping_)
        accepted = AddEntry(std::string_view(Line_).substr(0, ContentEnd_));
    Line_.clear();
    ContentEnd_ = 0;
    Started_ = Skipping_ = false;
    ++LineNumber_;
    return accepted;
}

bool TListParser::AddEntry(std::string_view line) {
    if (line.size() > LineBound(line))
        return Reject("is longer than " + std::to_string(LineBound(line)) + " characters", true);
    std::string hash, name;
    const bool escaped = Row_.HashFirst && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    if (Row_.HashFirst && line.starts_with(Tag(Row_))) {
        // "SHA256 (name) = digits": the digits end the line, so a name may
        // hold ") = " itself.
        const size_t digits = static_cast<size_t>(Row_.HashLength);
        const size_t tag = Tag(Row_).size();
        if (line.size() < tag + TagEnd.size() + digits ||
            line.substr(line.size() - digits - TagEnd.size(), TagEnd.size()) != TagEnd)
            return Reject("is a tagged line without \") = \" and " + std::to_string(digits) +
                              " characters of digest at its end",
                          true);
        hash = line.substr(line.size() - digits);
        name = line.substr(tag, line.size() - digits - TagEnd.size() - tag);
    } else {
        // Only where tags are read: in an SFV list "MD5 (a) = 352441c2" is
        // a file named "MD5 (a) =".
        for (const TAlgoDefinition& other : AlgoDefinitions)
            if (Row_.HashFirst && other.HashFirst && line.starts_with(Tag(other)))
                return Reject(
                    "is a " + std::string(other.Name) + " line in a " + Row_.Name + " list", true);
        if (!SplitLine(line, Row_.HashFirst, hash, name))
            return Reject("has no space between digest and name", true);
        if (!Row_.HashFirst)
            std::swap(hash, name);
        if (Row_.HasModeMark && !name.empty() &&
            (name.front() == TextModeMark || name.front() == BinaryModeMark))
            name.erase(0, 1);
    }
    if (hash.size() != static_cast<size_t>(Row_.HashLength))
        return Reject("has a digest of " + std::to_string(hash.size()) + " characters instead of " +
                          std::to_string(Row_.HashLength),
                      true);
    if (escaped && !Unescape(name))
        return Reject("has an escape other than \\\\, \\n and \\r in its name", true);
    if (const std::string fault = ListPathFault(name, MaxName_); !fault.empty())
        return Reject(fault, true);
    if (EntryLimit_ != 0 && Accepted_ >= EntryLimit_)
        return Reject("it holds more than " + std::to_string(EntryLimit_) + " entries");
    Entries_.push_back({std::move(name), std::move(hash)});
    ++Accepted_;
    return true;
}

bool TListParser::Reject(const std::string& why, bool aboutLine) {
    Reason = aboutLine ? "line " + std::to_string(LineNumber_) + " " + why : why;
    return false;
}

} // namespace CheckerDetail

bool TFileChecker::LoadList(const std::string& ListName, std::string* Reason) {
    std::string reason;
    try {
        TAlgoDefinition row;
        if (!FindAlgoByListName(ListName, row)) {
            reason = WhyNoListName(ListName);
        } else {
            TFileCheckerItemArray entries;
            if (ReadList(ExpandName(ListName), row, MaxNameLength, entries, reason)) {
                Items = std::move(entries);
                Algorithm = static_cast<uint32_t>(row.Id);
                return true;
            }
        }
    } catch (const std::bad_alloc&) {
        reason = "not enough memory to hold it";
    } catch (...) {
        reason = "it could not be read";
    }
    if (Reason != nullptr)
        *Reason = reason;
    return false;
}
