// The list reading rules written the plain way: the whole text at once, split
// into lines, each line trimmed and judged (the blanks trimmed away kept for
// the name they may belong to), in each format at a time, and a format chosen
// among those that read the whole text. The real reader streams, keeps at
// most one line, cuts long lines short and reads every format at once;
// whatever it decides must agree with this.
#pragma once

#include "checker/checker.h"
#include "platform/files.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace ListReference {

struct TFormat {
    const TAlgoDefinition* Row;
    uint32_t Form;
};

struct TResult {
    bool Accepted = false;
    TFileCheckerItemArray Entries;
    size_t Marked = 0, Unmarked = 0;
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

inline bool IsIn(std::string_view text, std::string_view allowed) {
    return text.find_first_not_of(allowed) == std::string_view::npos;
}

constexpr std::string_view Alphanumeric =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The length of the tag (the Name or OtherTag of a row whose lists take
// the digest first, blanks up to MaxTagWidth, "(") Line starts with, and
// its row; 0 for none.
inline size_t Tag(std::string_view line, const TAlgoDefinition*& row) {
    for (const TAlgoDefinition& each : AlgoDefinitions)
        for (const char* tag : {each.Name, each.OtherTag}) {
            if ((each.LineForms & lfDigestFirst) == 0 || tag == nullptr || !line.starts_with(tag))
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
enum class TPart { Start, Entries, Headers, Signed, SignatureHeaders, Signature, Checksum, After };

struct TState {
    TFormat Format;
    bool CheckDigits;
    TPart Part = TPart::Start;
    std::optional<std::string> GroupedName; // digits still to come on the next lines
    std::string GroupedDigits;
};

inline bool AddEntry(TState& state, std::string name, std::string_view hash, bool escaped,
                     std::string_view exact, bool after, TResult& result) {
    if (state.CheckDigits && !IsHex(hash))
        return false;
    if (!escaped && Platform::PathSeparator == '/')
        std::replace(name.begin(), name.end(), '\\', '/');
    if (!IsEntryPath(name) || result.Entries.size() >= static_cast<size_t>(ListEntryLimit))
        return false;
    // The blanks at the name's end of the line are its own where they leave
    // a name a list may hold.
    const std::string whole = after ? name + std::string(exact) : std::string(exact) + name;
    if (IsEntryPath(whole))
        name = whole;
    result.Entries.push_back({name, std::string(hash)});
    return true;
}

// gpg's groups: Size hexadecimal digits each, one blank or two between.
inline bool Groups(std::string_view text, size_t size, std::string& digits) {
    while (text.size() >= size && IsHex(text.substr(0, size))) {
        digits += text.substr(0, size);
        text.remove_prefix(size);
        if (text.empty())
            return true;
        const size_t blanks = text.starts_with("  ") ? 2 : text.starts_with(' ') ? 1 : 0;
        text.remove_prefix(blanks);
        if (blanks == 0 || text.empty() || text.front() == ' ')
            return false;
    }
    return false;
}

// An entry line: Line trimmed, Lead and Trail the blanks trimming took away.
inline bool TakeEntry(TState& state, std::string_view line, std::string_view lead,
                      std::string_view trail, TResult& result) {
    const TAlgoDefinition& row = *state.Format.Row;
    const size_t digits = static_cast<size_t>(row.HashLength);
    if (state.Format.Form == lfGrouped) {
        const size_t size = digits == 32 ? 2 : digits == 40 ? 4 : 8;
        if (state.GroupedName) {
            if (lead.empty() || !Groups(line, size, state.GroupedDigits))
                return false;
        } else {
            const size_t end = line.rfind(": ");
            if (!lead.empty() || end == std::string_view::npos ||
                !Groups(line.substr(end + 2), size, state.GroupedDigits))
                return false;
            state.GroupedName = std::string(line.substr(0, end));
        }
        if (state.GroupedDigits.size() > digits)
            return false;
        if (state.GroupedDigits.size() < digits)
            return true;
        const std::string name = *state.GroupedName, hash = state.GroupedDigits;
        state.GroupedName.reset();
        state.GroupedDigits.clear();
        return AddEntry(state, name, hash, false, {}, false, result);
    }
    const bool digestFirst = state.Format.Form == lfDigestFirst;
    const bool escaped = digestFirst && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    std::string_view hash, name;
    const TAlgoDefinition* tagRow = nullptr;
    const size_t tag = digestFirst ? Tag(line, tagRow) : 0;
    bool marked = tag != 0;
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
        const size_t space = digestFirst ? line.find(' ') : line.rfind(' ');
        if (space == std::string_view::npos)
            return false;
        hash = line.substr(0, space);
        name = line.substr(space + 1);
        if (!digestFirst)
            std::swap(hash, name);
        marked = digestFirst && !name.empty() && (name.front() == ' ' || name.front() == '*');
        if (marked)
            name.remove_prefix(1);
    }
    std::string plain(name);
    if (hash.size() != digits || (escaped && !Unescape(name, plain)))
        return false;
    (marked ? result.Marked : result.Unmarked) += 1;
    return AddEntry(state, plain, hash, escaped,
                    digestFirst ? (tag == 0 ? trail : std::string_view{}) : lead, digestFirst,
                    result);
}

// The longest armour line the reader keeps: the longest line of its format.
inline size_t ArmourBound(const TFormat& format) {
    const size_t name = static_cast<size_t>(MaxListNameLength);
    const size_t digits = static_cast<size_t>(format.Row->HashLength);
    const size_t longest = format.Form == lfNameFirst ? digits + 1 + name
                           : format.Form == lfDigestFirst
                               ? 1 + static_cast<size_t>(MaxTagWidth) + 1 + 2 * name + 4 + digits
                               : name + 2 + 2 * digits;
    return std::max<size_t>(longest, 76);
}

// A line of the armour, Part the part it stands in.
inline bool TakeArmour(TState& state, std::string_view line) {
    if (line.size() > ArmourBound(state.Format))
        return false;
    if (state.Part == TPart::Headers)
        return line.starts_with("Hash: ") && line.size() > 6 &&
               IsIn(line.substr(6), std::string(Alphanumeric) + "-, ");
    if (state.Part == TPart::SignatureHeaders) {
        for (const std::string_view key : {"Version", "Comment", "MessageID", "Hash", "Charset"})
            if (line.starts_with(std::string(key) + ":") &&
                (line.size() == key.size() + 1 || line[key.size() + 1] == ' '))
                return true;
        state.Part = TPart::Signature;
    }
    const std::string base64 = std::string(Alphanumeric) + "+/";
    if (line == "-----END PGP SIGNATURE-----") {
        state.Part = TPart::After;
        return true;
    }
    if (state.Part == TPart::Checksum)
        return false;
    if (line.size() == 5 && line.front() == '=' && IsIn(line.substr(1), base64)) {
        state.Part = TPart::Checksum;
        return true;
    }
    const size_t digits = std::min(line.find_first_not_of(base64), line.size());
    return digits > 0 && line.size() - digits <= 2 && IsIn(line.substr(digits), "=");
}

// False when the line breaks a rule; a skipped line adds nothing. No bound on
// an entry line's length: a line beyond the reader's bound of its form always
// holds a name longer than an entry may be.
inline bool TakeLine(TState& state, std::string_view line, TResult& result) {
    const auto first =
        static_cast<size_t>(std::find_if_not(line.begin(), line.end(), IsBlank) - line.begin());
    const std::string_view lead = line.substr(0, first);
    line.remove_prefix(first);
    size_t last = line.size();
    while (last > 0 && IsBlank(line[last - 1]))
        --last;
    const std::string_view trail = line.substr(last);
    line = line.substr(0, last);
    const bool armour = state.Part == TPart::Headers || state.Part == TPart::SignatureHeaders ||
                        state.Part == TPart::Signature || state.Part == TPart::Checksum;
    if (line.empty()) {
        if (state.Part == TPart::Headers)
            state.Part = TPart::Signed;
        else if (state.Part == TPart::SignatureHeaders)
            state.Part = TPart::Signature;
        return true;
    }
    if (armour)
        return TakeArmour(state, line);
    if (state.Part == TPart::After)
        return false;
    if (line.front() == ';' || line.starts_with("//") ||
        (line.front() == '#' && state.Format.Form != lfNameFirst)) {
        if (state.Part == TPart::Start)
            state.Part = TPart::Entries;
        return true;
    }
    if (state.Part == TPart::Start) {
        state.Part = lead.empty() && line == "-----BEGIN PGP SIGNED MESSAGE-----" ? TPart::Headers
                                                                                  : TPart::Entries;
        if (state.Part == TPart::Headers)
            return true;
    } else if (state.Part == TPart::Signed && lead.empty()) {
        if (line == "-----BEGIN PGP SIGNATURE-----") {
            state.Part = TPart::SignatureHeaders;
            return true;
        }
        if (line.front() == '-' && !line.starts_with("- "))
            return false;
        if (line.starts_with("- "))
            line.remove_prefix(2);
    }
    return TakeEntry(state, line, lead, trail, result);
}

// The list read in one format.
inline TResult Read(const TFormat& format, bool checkDigits, std::string_view text) {
    TResult result;
    if (text.find('\0') != std::string_view::npos)
        return result;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    TState state{format, checkDigits, TPart::Start, std::nullopt, {}};
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (!TakeLine(state, text.substr(start, end - start), result)) {
            result.Entries.clear();
            return result;
        }
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    result.Accepted =
        !result.Entries.empty() && !state.GroupedName &&
        (state.Part == TPart::Start || state.Part == TPart::Entries || state.Part == TPart::After);
    if (!result.Accepted)
        result.Entries.clear();
    return result;
}

// The format chosen among Formats: the one that reads the text; of SFV and
// digest first, the digest when every line marks it and SFV when none does
// and both are CRC32; of SFV and gpg's groups, the groups (which are then
// refused). Null: none, or more than one.
inline std::optional<size_t> Choose(const std::vector<TFormat>& formats, bool checkDigits,
                                    std::string_view text, TResult& chosen) {
    std::vector<size_t> reading;
    std::vector<TResult> results;
    for (size_t i = 0; i < formats.size(); ++i) {
        results.push_back(Read(formats[i], checkDigits, text));
        if (results.back().Accepted)
            reading.push_back(i);
    }
    std::optional<size_t> of[lfGrouped + 1]; // the format of each form that reads it
    for (const size_t i : reading)
        of[formats[i].Form] = i;
    const auto nameFirst = of[lfNameFirst], digestFirst = of[lfDigestFirst];
    const bool marked = digestFirst && results[*digestFirst].Unmarked == 0;
    const bool unmarked = digestFirst && results[*digestFirst].Marked == 0 && nameFirst &&
                          formats[*digestFirst].Row == formats[*nameFirst].Row;
    if (nameFirst && (of[lfGrouped] || marked))
        std::erase(reading, *nameFirst);
    else if (nameFirst && unmarked)
        std::erase(reading, *digestFirst);
    if (reading.size() != 1 || formats[reading.front()].Form == lfGrouped)
        return std::nullopt;
    chosen = results[reading.front()];
    return reading.front();
}

} // namespace ListReference
