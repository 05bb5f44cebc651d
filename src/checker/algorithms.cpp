// The algorithm table's look-ups and the small text helpers of the list
// formats.
#include "checker.h"
#include "platform/files.h"

#include <string>

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// Only single bits are identifiers, and the table is what knows them.
static_assert(std::size(AlgoDefinitions) == 3);
static_assert(AlgoDefinitions[0].Id == haCrc32 && AlgoDefinitions[0].HashLength == 8);
static_assert(AlgoDefinitions[1].Id == haMd5 && AlgoDefinitions[1].HashLength == 32);
static_assert(AlgoDefinitions[2].Id == haSha1 && AlgoDefinitions[2].HashLength == 40);

} // namespace

bool FindAlgoByExtension(std::string_view Extension, TAlgoDefinition& Definition) {
    for (const TAlgoDefinition& row : AlgoDefinitions)
        if (SameTextIgnoringAsciiCase(Extension, row.Extension)) {
            Definition = row;
            return true;
        }
    return false;
}

bool FindAlgoById(int64_t Id, TAlgoDefinition& Definition) {
    for (const TAlgoDefinition& row : AlgoDefinitions)
        if (row.Id == Id) {
            Definition = row;
            return true;
        }
    return false;
}

std::string AlgoExtension(int64_t Id) {
    TAlgoDefinition row;
    return FindAlgoById(Id, row) ? row.Extension : FallbackExtension;
}

bool FindAlgoByListName(std::string_view ListName, TAlgoDefinition& Definition) {
    // The extension follows the last dot of the name's last part.
    const size_t dot = ListName.rfind('.');
    const size_t part = ListName.find_last_of(std::string("\\:") + Platform::PathSeparator);
    if (dot == std::string_view::npos || (part != std::string_view::npos && part > dot))
        return false;
    return FindAlgoByExtension(ListName.substr(dot), Definition);
}

bool IsListNameOf(uint32_t Algorithm, std::string_view ListName) {
    TAlgoDefinition row;
    return FindAlgoByListName(ListName, row) && static_cast<uint32_t>(row.Id) == Algorithm;
}

bool IsValidFileName(std::string_view Name) {
    return !Name.empty() && Name.find_first_of("\"*/:<>?\\|") == std::string_view::npos;
}

bool IsDirectoryAlias(std::string_view Name) {
    // Windows drops trailing dots and spaces from a name, so ". ." or "..."
    // would open the directory or its parent just as "." and ".." do.
    return !Name.empty() && Name.find_first_not_of(". ") == std::string_view::npos;
}

int32_t FindChar(std::string_view Text, char Character, bool FromEnd) {
    const size_t position = FromEnd ? Text.rfind(Character) : Text.find(Character);
    return position == std::string_view::npos ? -1 : static_cast<int32_t>(position + 1);
}

bool SplitLine(std::string_view Line, bool HashFirst, std::string& First, std::string& Second) {
    const int32_t position = FindChar(Line, ' ', !HashFirst);
    if (position < 0)
        return false;
    const auto space = static_cast<size_t>(position - 1);
    First.assign(Line.substr(0, space));
    Second.assign(Line.substr(space + 1));
    return true;
}

bool SameDigest(std::string_view A, std::string_view B) {
    return SameTextIgnoringAsciiCase(A, B);
}
