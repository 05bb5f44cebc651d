// The algorithm table's look-ups and the small text helpers of the list
// formats.
#include "checker_internal.h"
#include "platform/files.h"

#include <algorithm>
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
static_assert(std::size(AlgoDefinitions) == 4);
static_assert(AlgoDefinitions[0].Id == haCrc32 && AlgoDefinitions[0].HashLength == 8);
static_assert(AlgoDefinitions[1].Id == haMd5 && AlgoDefinitions[1].HashLength == 32);
static_assert(AlgoDefinitions[2].Id == haSha1 && AlgoDefinitions[2].HashLength == 40);
static_assert(AlgoDefinitions[3].Id == haSha256 && AlgoDefinitions[3].HashLength == 64);

// '/' in every build, and the platform's own: on POSIX a backslash is a
// character of a name.
bool IsSeparator(char c) {
    return c == '/' || c == Platform::PathSeparator;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Name, or Name with ".txt" after it, in any case.
bool IsNameOrText(std::string_view name, const char* wanted) {
    if (wanted == nullptr)
        return false;
    constexpr std::string_view text = ".txt";
    if (name.size() > text.size() &&
        SameTextIgnoringAsciiCase(name.substr(name.size() - text.size()), text))
        name.remove_suffix(text.size());
    return SameTextIgnoringAsciiCase(name, wanted);
}

// The last part of a name: what follows its last separator or colon.
std::string_view LastPart(std::string_view name) {
    const size_t part = name.find_last_of(std::string("\\:") + Platform::PathSeparator);
    return part == std::string_view::npos ? name : name.substr(part + 1);
}

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

namespace {

// The extension follows the last dot of the name's last part.
std::string_view ExtensionOf(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

} // namespace

bool CheckerDetail::IsNamedByExtension(std::string_view listName, const TAlgoDefinition& row) {
    return SameTextIgnoringAsciiCase(ExtensionOf(LastPart(listName)), row.Extension);
}

bool FindAlgoByListName(std::string_view ListName, TAlgoDefinition& Definition) {
    const std::string_view name = LastPart(ListName);
    const std::string_view extension = ExtensionOf(name);
    for (const TAlgoDefinition& row : AlgoDefinitions)
        if (IsNameOrText(name, row.SumsName) || IsNameOrText(name, row.OtherSumsName) ||
            SameTextIgnoringAsciiCase(extension, row.Extension) ||
            (row.SumsExtension != nullptr &&
             SameTextIgnoringAsciiCase(extension, row.SumsExtension))) {
            Definition = row;
            return true;
        }
    return false;
}

std::string WhyNoListName(std::string_view ListName) {
    TAlgoDefinition row;
    if (FindAlgoByListName(ListName, row))
        return {};
    std::string extensions, sums;
    auto add = [](std::string& to, const char* what) {
        if (what != nullptr)
            to += (to.empty() ? "" : ", ") + std::string(what);
    };
    for (const TAlgoDefinition& each : AlgoDefinitions) {
        add(extensions, each.Extension);
        add(extensions, each.SumsExtension);
        add(sums, each.SumsName);
        add(sums, each.OtherSumsName);
    }
    const std::string_view name = LastPart(ListName);
    const size_t dot = name.rfind('.');
    return (dot == std::string_view::npos
                ? std::string("the name does not end in one of ")
                : "the extension \"" + std::string(name.substr(dot)) + "\" is not one of ") +
           extensions + ", and the name is none of " + sums + " (each also with .txt)";
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

std::string ListPathFault(std::string_view Path, int32_t MaxLength) {
    if (Path.empty())
        return "has no file name";
    if (IsSeparator(Path.front()))
        return "holds an absolute path";
    // A name this system cannot hold ("12:30 notes.txt" on Windows) is no
    // fault of a list made elsewhere: it is an entry that cannot exist here.
    // A drive, like an absolute path, would lead out of the directory.
    if (Platform::StartsWithDrive(Path))
        return "holds a drive";
    if (Path.size() > static_cast<size_t>(std::max(MaxLength, 0)))
        return "has a name longer than " + std::to_string(MaxLength) + " characters";
    for (size_t start = 0;;) {
        size_t end = start;
        while (end < Path.size() && !IsSeparator(Path[end]))
            ++end;
        const std::string_view part = Path.substr(start, end - start);
        const bool last = end == Path.size();
        if (part.empty())
            return "has an empty part in its path";
        // "./" before a name, as find(1) and so many lists write it, stays
        // where it is; anything else made of dots and blanks is the folder
        // itself or leads out of it.
        if (IsDirectoryAlias(part) && (last || part != "."))
            return "names the directory itself or its parent";
        if (last)
            return {};
        start = end + 1;
    }
}

std::string_view TopLevelName(std::string_view Path) {
    for (;;) {
        size_t end = 0;
        while (end < Path.size() && !IsSeparator(Path[end]))
            ++end;
        if (end == Path.size() || Path.substr(0, end) != ".")
            return Path.substr(0, end);
        Path.remove_prefix(end + 1);
    }
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

bool ParseDigestText(std::string_view Text, TAlgoDefinition& Row, std::string& Digest) {
    const size_t colon = Text.find(':');
    const bool named = colon != std::string_view::npos;
    const std::string_view name = Text.substr(0, named ? colon : 0);
    Text.remove_prefix(named ? colon + 1 : 0);
    if (Text.empty() || !std::all_of(Text.begin(), Text.end(), IsHexDigit))
        return false;
    for (const TAlgoDefinition& row : AlgoDefinitions)
        if (static_cast<size_t>(row.HashLength) == Text.size() &&
            (!named || SameTextIgnoringAsciiCase(name, row.Name))) {
            Row = row;
            Digest.assign(Text);
            return true;
        }
    return false;
}
