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

// False when the line breaks a rule; a skipped line adds nothing.
inline bool TakeLine(const TAlgoDefinition& row, std::string_view line,
                     TFileCheckerItemArray& entries) {
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    if (line.empty() || line.front() == ';' || line.starts_with("//"))
        return true;
    if (line.size() > static_cast<size_t>(MaxListLineLength(row)))
        return false;
    const size_t space = row.HashFirst ? line.find(' ') : line.rfind(' ');
    if (space == std::string_view::npos)
        return false;
    std::string_view hash = line.substr(0, space);
    std::string_view name = line.substr(space + 1);
    if (!row.HashFirst)
        std::swap(hash, name);
    if (row.HasModeMark && !name.empty() && (name.front() == ' ' || name.front() == '*'))
        name.remove_prefix(1);
    if (hash.size() != static_cast<size_t>(row.HashLength) || !IsValidFileName(name) ||
        name.size() > static_cast<size_t>(MaxListNameLength) || IsDirectoryAlias(name) ||
        entries.size() >= static_cast<size_t>(ListEntryLimit))
        return false;
    entries.push_back({std::string(name), std::string(hash)});
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
