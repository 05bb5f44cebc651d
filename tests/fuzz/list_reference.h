// The list reading rules written the plain way: the whole text at once, split
// into lines, each line trimmed and judged. The real reader streams, keeps at
// most one line and cuts long lines short; whatever it decides must agree
// with this.
#pragma once

#include "checker/checker.h"

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
            name += '\\';
        else if (text[i] == 'n')
            name += '\n';
        else if (text[i] == 'r')
            name += '\r';
        else
            return false;
    }
    return true;
}

// A name below the directory: parts split at '/' and '\', none empty, none
// made of dots and blanks but "." before the last, no reserved character.
inline bool IsEntryPath(std::string_view name) {
    if (name.empty() || name.size() > static_cast<size_t>(MaxListNameLength))
        return false;
    for (;;) {
        const size_t end = name.find_first_of("/\\");
        const std::string_view part = name.substr(0, end);
        if (!IsValidFileName(part))
            return false;
        if (end == std::string_view::npos)
            return !IsDirectoryAlias(part);
        if (IsDirectoryAlias(part) && part != ".")
            return false;
        name.remove_prefix(end + 1);
    }
}

// False when the line breaks a rule; a skipped line adds nothing. No bound on
// the line's length: a line beyond the reader's bound of its form always
// holds a name longer than an entry may be.
inline bool TakeLine(const TAlgoDefinition& row, std::string_view line,
                     TFileCheckerItemArray& entries) {
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    if (line.empty() || line.front() == ';' || line.starts_with("//"))
        return true;
    const bool escaped = row.HashFirst && line.front() == '\\';
    if (escaped)
        line.remove_prefix(1);
    const size_t digits = static_cast<size_t>(row.HashLength);
    const std::string tag = std::string(row.Name) + " (";
    std::string_view hash, name;
    if (row.HashFirst && line.starts_with(tag)) {
        if (line.size() < tag.size() + 4 + digits ||
            line.substr(line.size() - digits - 4, 4) != ") = ")
            return false;
        hash = line.substr(line.size() - digits);
        name = line.substr(tag.size(), line.size() - digits - 4 - tag.size());
    } else {
        for (const TAlgoDefinition& other : AlgoDefinitions)
            if (row.HashFirst && other.HashFirst &&
                line.starts_with(std::string(other.Name) + " ("))
                return false;
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
    if (hash.size() != digits || (escaped && !Unescape(name, plain)) || !IsEntryPath(plain) ||
        entries.size() >= static_cast<size_t>(ListEntryLimit))
        return false;
    entries.push_back({plain, std::string(hash)});
    return true;
}

inline TResult Read(const TAlgoDefinition& row, std::string_view text) {
    TResult result;
    if (text.find('\0') != std::string_view::npos)
        return result;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (!TakeLine(row, text.substr(start, end - start), result.Entries)) {
            result.Entries.clear();
            return result;
        }
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    result.Accepted = !result.Entries.empty();
    if (!result.Accepted)
        result.Entries.clear();
    return result;
}

} // namespace ListReference
