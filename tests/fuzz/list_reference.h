// The list reading rules written the plain way: the whole text at once, split
// into lines, each line trimmed and judged (the blanks trimmed away kept for
// the name they may belong to). The real reader streams, keeps at
// most one line and cuts long lines short; whatever it decides must agree
// with this.
#pragma once

#include "checker/checker.h"
#include "platform/files.h"

#include <algorithm>

#include <string_view>

namespace ListReference {

struct TResult {
    bool Accepted = false;
    TFileCheckerItemArray Entries;
};

inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// \\, \n and \r of a coreutils name; false for anything else after a backslash.
inline bool Unescape(std::string_view text, std::string& name) {
    name.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            name += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        if (text[i] == '\\')
            name += Platform::EscapedBackslash;
        else if (text[i] == 'n')
            name += '\n';
        else if (text[i] == 'r')
            name += '\r';
        else
            return false;
    }
    return true;
}

// A name below the directory: no drive before it, parts split at '/' and
// the platform's separator, none empty, none made of dots and blanks but
// "." before the last.
inline bool IsEntryPath(std::string_view name) {
    if (name.empty() || name.size() > static_cast<size_t>(MaxListNameLength) ||
        Platform::StartsWithDrive(name))
        return false;
    const std::string separators = std::string("/") + Platform::PathSeparator;
    for (;;) {
        const size_t end = name.find_first_of(separators);
        const std::string_view part = name.substr(0, end);
        if (part.empty())
            return false;
        if (end == std::string_view::npos)
            return !IsDirectoryAlias(part);
        if (IsDirectoryAlias(part) && part != ".")
            return false;
        name.remove_prefix(end + 1);
    }
}

inline bool IsHex(std::string_view text) {
    return text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// The length of the tag (a HashFirst row's Name or OtherTag, blanks up to
// MaxTagWidth, "(") Line starts with, and its row; 0 for none.
inline size_t Tag(std::string_view line, const TAlgoDefinition*& row) {
    for (const TAlgoDefinition& each : AlgoDefinitions)
        for (const char* tag : {each.Name, each.OtherTag}) {
            if (!each.HashFirst || tag == nullptr || !line.starts_with(tag))
                continue;
            const size_t open = line.find_first_not_of(' ', std::string_view(tag).size());
            if (open != std::string_view::npos && open <= static_cast<size_t>(MaxTagWidth) &&
                line[open] == '(') {
                row = &each;
                return open + 1;
            }
        }
    return 0;
}

// Where a line stands in a PGP clear-signed list.
enum class TPart { Start, Entries, Headers, Signed, Signature, After };

struct TState {
    const TAlgoDefinition* Row; // null: not told yet
    bool Telling;
    TPart Part = TPart::Start;
};

// An entry line: Line trimmed, Lead and Trail the blanks trimming took away.
inline bool TakeEntry(TState& state, std::string_view line, std::string_view lead,
                      std::string_view trail, TFileCheckerItemArray& entries) {
    if (state.Row == nullptr) {
        std::string_view bare = line.front() == '\\' ? line.substr(1) : line;
        const TAlgoDefinition* tagged = nullptr;
        if (Tag(bare, tagged) != 0)
            state.Row = tagged;
        for (const TAlgoDefinition& each : AlgoDefinitions) {
            const size_t space = each.HashFirst ? bare.find(' ') : bare.rfind(' ');
            const std::string_view digits = each.HashFirst ? bare.substr(0, space)
                                            : space == std::string_view::npos
                                                ? std::string_view{}
                                                : bare.substr(space + 1);
            if (state.Row == nullptr && digits.size() == static_cast<size_t>(each.HashLength) &&
                IsHex(digits))
                state.Row = &each;
        }
        if (state.Row == nullptr)
            return false;
    }
    const TAlgoDefinition& row = *state.Row;
    const bool escaped = row.HashFirst && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    const size_t digits = static_cast<size_t>(row.HashLength);
    std::string_view hash, name;
    const TAlgoDefinition* tagRow = nullptr;
    const size_t tag = row.HashFirst ? Tag(line, tagRow) : 0;
    if (tag != 0) {
        if (tagRow->Id != row.Id || line.size() < tag + 3 + digits)
            return false;
        const std::string_view before = line.substr(0, line.size() - digits);
        size_t end = 0;
        if (before.size() >= tag + 4 && before.ends_with(") = "))
            end = 4;
        else if (before.ends_with(")= "))
            end = 3;
        if (end == 0)
            return false;
        hash = line.substr(before.size());
        name = line.substr(tag, before.size() - end - tag);
    } else {
        const size_t space = row.HashFirst ? line.find(' ') : line.rfind(' ');
        if (space == std::string_view::npos)
            return false;
        hash = line.substr(0, space);
        name = line.substr(space + 1);
        if (!row.HashFirst)
            std::swap(hash, name);
        if (row.HasModeMark && !name.empty() && (name.front() == ' ' || name.front() == '*'))
            name.remove_prefix(1);
    }
    std::string plain(name);
    if (hash.size() != digits || (state.Telling && !IsHex(hash)) ||
        (escaped && !Unescape(name, plain)))
        return false;
    if (!escaped && Platform::PathSeparator == '/')
        std::replace(plain.begin(), plain.end(), '\\', '/');
    if (!IsEntryPath(plain) || entries.size() >= static_cast<size_t>(ListEntryLimit))
        return false;
    // The blanks at the name's end of the line are its own where they leave
    // a name a list may hold.
    std::string exact;
    if (row.HashFirst && tag == 0)
        exact = plain + std::string(trail);
    else if (!row.HashFirst)
        exact = std::string(lead) + plain;
    if (exact.size() > plain.size() && IsEntryPath(exact))
        plain = exact;
    entries.push_back({plain, std::string(hash)});
    return true;
}

// False when the line breaks a rule; a skipped line adds nothing. No bound on
// the line's length: a line beyond the reader's bound of its form always
// holds a name longer than an entry may be.
inline bool TakeLine(TState& state, std::string_view line, TFileCheckerItemArray& entries) {
    const auto first =
        static_cast<size_t>(std::find_if_not(line.begin(), line.end(), IsBlank) - line.begin());
    const std::string_view lead = line.substr(0, first);
    line.remove_prefix(first);
    size_t last = line.size();
    while (last > 0 && IsBlank(line[last - 1]))
        --last;
    const std::string_view trail = line.substr(last);
    line = line.substr(0, last);
    switch (state.Part) {
    case TPart::Headers:
        if (line.empty())
            state.Part = TPart::Signed;
        return true;
    case TPart::Signature:
        if (line == "-----END PGP SIGNATURE-----")
            state.Part = TPart::After;
        return true;
    case TPart::After:
        return line.empty();
    default:
        break;
    }
    if (line.empty())
        return true;
    const bool hashFirst = state.Row == nullptr || state.Row->HashFirst;
    if (line.front() == ';' || line.starts_with("//") || (line.front() == '#' && hashFirst)) {
        if (state.Part == TPart::Start)
            state.Part = TPart::Entries;
        return true;
    }
    if (state.Part == TPart::Start) {
        state.Part = line == "-----BEGIN PGP SIGNED MESSAGE-----" ? TPart::Headers : TPart::Entries;
        if (state.Part == TPart::Headers)
            return true;
    } else if (state.Part == TPart::Signed) {
        if (line == "-----BEGIN PGP SIGNATURE-----") {
            state.Part = TPart::Signature;
            return true;
        }
        if (line.starts_with("- "))
            line.remove_prefix(2);
    }
    return TakeEntry(state, line, lead, trail, entries);
}

// Row null: the algorithm is told by the first entry (LoadListOf).
inline TResult Read(const TAlgoDefinition* row, std::string_view text) {
    TResult result;
    if (text.find('\0') != std::string_view::npos)
        return result;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    TState state{row, row == nullptr};
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (!TakeLine(state, text.substr(start, end - start), result.Entries)) {
            result.Entries.clear();
            return result;
        }
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    result.Accepted = !result.Entries.empty() && state.Part != TPart::Headers &&
                      state.Part != TPart::Signed && state.Part != TPart::Signature;
    if (!result.Accepted)
        result.Entries.clear();
    return result;
}

} // namespace ListReference
