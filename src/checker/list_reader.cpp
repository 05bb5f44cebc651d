// LoadList: a list is read in pieces and taken apart line by line as the
// bytes stream in, so a file of any size costs at most one line of memory
// beyond the entries it holds.
#include "checker_internal.h"

#include <memory>
#include <new>

using namespace CheckerDetail;

namespace {

// What follows the last dot of the name's last part, for messages.
std::string ListExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t part = name.find_last_of(std::string("\\:") + Platform::PathSeparator);
    if (dot == std::string::npos || (part != std::string::npos && part > dot))
        return {};
    return name.substr(dot);
}

bool ReadList(const std::string& path, const TAlgoDefinition& row, TFileCheckerItemArray& entries,
              std::string& reason) {
    TFileGuard file(Platform::OpenFileForReading(path));
    if (file.Get() == Platform::InvalidFileHandle) {
        reason = "cannot be opened: " + Platform::LastErrorText();
        return false;
    }
    const auto buffer = std::make_unique_for_overwrite<char[]>(ReadBufferSize);
    TListParser parser(row, entries);
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

TListParser::TListParser(const TAlgoDefinition& row, TFileCheckerItemArray& entries)
    : Row_(row), Entries_(entries), MaxLength_(static_cast<size_t>(MaxListLineLength(row))) {
    Line_.reserve(MaxLength_);
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
    if (Entries_.empty())
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
        return Reject("is longer than " + std::to_string(MaxLength_) + " characters", true);
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
    std::string first, second;
    if (!SplitLine(line, Row_.HashFirst, first, second))
        return Reject("has no space between digest and name", true);
    std::string& hash = Row_.HashFirst ? first : second;
    std::string& name = Row_.HashFirst ? second : first;
    if (Row_.HasModeMark && !name.empty() &&
        (name.front() == TextModeMark || name.front() == BinaryModeMark))
        name.erase(0, 1);
    if (hash.size() != static_cast<size_t>(Row_.HashLength))
        return Reject("has a digest of " + std::to_string(hash.size()) + " characters instead of " +
                          std::to_string(Row_.HashLength),
                      true);
    if (!IsValidFileName(name))
        return Reject("does not hold a plain file name (empty, or with a drive, a directory or "
                      "a wildcard)",
                      true);
    if (name.size() > static_cast<size_t>(MaxListNameLength))
        return Reject("has a name longer than " + std::to_string(MaxListNameLength) + " characters",
                      true);
    if (IsDirectoryAlias(name))
        return Reject("names the directory itself or its parent", true);
    if (Entries_.size() >= static_cast<size_t>(ListEntryLimit))
        return Reject("it holds more than " + std::to_string(ListEntryLimit) + " entries");
    Entries_.push_back({std::move(name), std::move(hash)});
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
            const std::string extension = ListExtension(ListName);
            reason = extension.empty()
                         ? std::string("the name does not end in .sfv, .md5 or .sha1")
                         : "the extension \"" + extension + "\" is not one of .sfv, .md5, .sha1";
        } else {
            TFileCheckerItemArray entries;
            if (ReadList(ExpandName(ListName), row, entries, reason)) {
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
