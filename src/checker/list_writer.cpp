// SaveList: every list file is written under a temporary name of its own
// beside it and renamed over its own name only when every line is in, so a
// failed save leaves no partial list, an older list of that name stays as it
// was, and two saves at once never write into one file.
#include "checker_internal.h"

#include <algorithm>
#include <limits>
#include <new>
#include <set>

using namespace CheckerDetail;

namespace {

constexpr const char* CannotHoldName =
    "a list cannot hold this name so that it reads back the same (blanks or ';' at its start, "
    "blanks at its end, line breaks, only dots and blanks, or too long)";

// An entry's name as lists hold it: its parts separated by '/' whatever the
// build, so that the coreutils tools read the list everywhere. A POSIX
// name's backslash stays, and so the list cannot give that name back.
std::string ListedName(const std::string& name) {
    std::string listed = name;
    std::replace(listed.begin(), listed.end(), Platform::PathSeparator, '/');
    return listed;
}

// The name of a file as the list beside it holds it: the last part alone.
std::string NameBeside(const std::string& name) {
    const size_t part = name.find_last_of(Platform::PathSeparators);
    return part == std::string::npos ? name : name.substr(part + 1);
}

bool EndsInBlank(const std::string& name) {
    return !name.empty() && (static_cast<unsigned char>(name.front()) <= ' ' ||
                             static_cast<unsigned char>(name.back()) <= ' ');
}

std::string EntryLine(const TAlgoDefinition& row, const std::string& name, const std::string& hash,
                      int32_t modeMark) {
    std::string mark;
    if (row.HasModeMark)
        mark = modeMark == TextModeMarkValue ? TextModeMark : BinaryModeMark;
    if (row.HashFirst)
        return hash + " " + mark + name;
    return mark + name + " " + hash;
}

std::string EntryLine(const TAlgoDefinition& row, const TFileCheckerItem& item, int32_t modeMark) {
    return EntryLine(row, ListedName(item.FileName), item.Hash, modeMark);
}

// True when the line of Item, read back by LoadList's rules with entries of
// at most MaxName characters, gives exactly Item as listed, and no blank at
// either end of its name could be taken for a stray one.
bool ReadsBack(const TAlgoDefinition& row, const TFileCheckerItem& item, int32_t modeMark,
               int32_t maxName) {
    if (EndsInBlank(item.FileName))
        return false;
    const std::string line = EntryLine(row, item, modeMark);
    TFileCheckerItemArray entries;
    TListParser parser(row, entries, maxName);
    parser.Feed(line.data(), line.size());
    return parser.Finish() && entries.size() == 1 &&
           entries[0].FileName == ListedName(item.FileName) && entries[0].Hash == item.Hash;
}

// The first entry whose line would not read back as that entry, or the end.
TFileCheckerItemArray::const_iterator FirstLostEntry(const TAlgoDefinition& row,
                                                     const TFileCheckerItemArray& items,
                                                     int32_t modeMark, int32_t maxName) {
    return std::find_if(items.begin(), items.end(), [&](const TFileCheckerItem& item) {
        return !ReadsBack(row, item, modeMark, maxName);
    });
}

// Text and LineBreak in one write; true only when every byte went out.
bool WriteLine(Platform::FileHandle file, const std::string& text, const std::string& lineBreak) {
    if (file == Platform::InvalidFileHandle)
        return false;
    const std::string line = text + lineBreak;
    if (line.size() > std::numeric_limits<uint32_t>::max())
        return false;
    const auto size = static_cast<uint32_t>(line.size());
    uint32_t written = 0;
    return Platform::WriteToFile(file, line.data(), size, written) && written == size;
}

// The temporary file a list for Target is written into, beside Target or
// beside the file Target links to, which Destination receives and which
// then takes the list's place while the link stays. Target is BaseDir +
// Below when Below is given: the folders between are then passed through as
// real folders only, as a file there is read, so that a folder swapped for
// a link cannot lead the list elsewhere. Invalid, with Reason, on failure.
Platform::FileHandle StartListFile(const std::string& target, const std::string& baseDir,
                                   const std::string& below, std::string& destination,
                                   std::string& temporary, std::string& reason) {
    if (Platform::IsDeviceName(target)) {
        reason = target + ": cannot be created: a device name, not a file";
        return Platform::InvalidFileHandle;
    }
    Platform::FileHandle file = Platform::InvalidFileHandle;
    if (Platform::ResolveLinks(target, destination))
        file = !below.empty() && destination == target
                   ? Platform::CreateTemporaryFileBelow(baseDir, below, temporary)
                   : Platform::CreateTemporaryFile(destination, temporary);
    if (file == Platform::InvalidFileHandle)
        reason = target + ": cannot be created: " + Platform::LastErrorText();
    return file;
}

// Writes a list to Target through a temporary file of its own (see
// StartListFile). Lines(write) hands every line to write(line), in order,
// and stops when it gives false. Folders gains the folder the list went
// into, to be flushed once every list is in place.
template <typename Lines>
bool WriteListFile(const std::string& target, const std::string& lineBreak, std::string& reason,
                   std::set<std::string>& folders, Lines lines, const std::string& baseDir = {},
                   const std::string& below = {}) {
    std::string destination, temporary;
    TFileGuard file(StartListFile(target, baseDir, below, destination, temporary, reason));
    if (file.Get() == Platform::InvalidFileHandle)
        return false;
    bool written = true;
    try {
        lines([&](const std::string& line) {
            if (!WriteLine(file.Get(), line, lineBreak)) {
                reason = target + ": cannot be written: " + Platform::LastErrorText();
                written = false;
            }
            return written;
        });
    } catch (const std::bad_alloc&) {
        reason = target + ": cannot be written: not enough memory";
        written = false;
    }
    // On the disk before it takes the old list's place: a power cut must
    // leave the old list or the new one, never an empty file.
    if (written && !Platform::FlushFile(file.Get())) {
        reason = target + ": cannot be written: " + Platform::LastErrorText();
        written = false;
    }
    file.Close();
    if (written && !Platform::ReplaceFile(temporary, destination)) {
        reason = target + ": cannot be replaced: " + Platform::LastErrorText();
        written = false;
    }
    if (!written)
        Platform::RemoveFile(temporary);
    else
        folders.insert(destination.substr(0, destination.find_last_of("/\\") + 1));
    return written;
}

} // namespace

bool TFileChecker::SaveList(const std::string& ListName, bool PerFile, std::string* Reason) {
    std::string reason;
    TAlgoDefinition row;
    bool saved = false;
    std::set<std::string> folders;
    try {
        if (Items.empty()) {
            reason = "there are no entries to write";
        } else if (!FindAlgoById(Algorithm, row)) {
            reason = "no hash algorithm is chosen";
        } else if (const auto lost = FirstLostEntry(row, Items, ModeMark, MaxNameLength);
                   lost != Items.end()) {
            // A list that would drop or change an entry when read would
            // leave that file unchecked, or the whole list unreadable.
            reason = lost->FileName + ": " + CannotHoldName;
        } else if (!PerFile) {
            saved =
                WriteListFile(ExpandName(ListName), LineBreak, reason, folders, [&](auto write) {
                    if (HeaderLine && !write(ListHeaderLine))
                        return;
                    for (const TFileCheckerItem& item : Items)
                        if (!write(EntryLine(row, item, ModeMark)))
                            return;
                });
        } else {
            saved = true;
            // Each list lies beside its file and names it as its folder does.
            for (const TFileCheckerItem& item : Items) {
                const std::string below = Platform::IsAbsolutePath(item.FileName)
                                              ? std::string()
                                              : EntryPath(item.FileName).substr(BaseDir.size());
                saved = WriteListFile(
                    EntryPath(item.FileName) + row.Extension, LineBreak, reason, folders,
                    [&](auto write) {
                        if (!HeaderLine || write(ListHeaderLine))
                            write(EntryLine(row, NameBeside(item.FileName), item.Hash, ModeMark));
                    },
                    BaseDir, below.empty() ? below : below + row.Extension);
                if (!saved)
                    break;
            }
        }
    } catch (const std::bad_alloc&) {
        reason = "not enough memory";
        saved = false;
    }
    // The new names on the disk too, once for each folder: the lists in
    // place survive a power cut.
    for (const std::string& folder : folders)
        Platform::FlushFolder(folder);
    if (!saved && Reason != nullptr)
        *Reason = reason;
    return saved;
}

void TFileChecker::SetListForm(TListForm Form) {
    LineBreak = Form == TListForm::Classic ? "\r\n" : "\n";
    HeaderLine = Form == TListForm::Classic;
}

bool ListCanHoldName(uint32_t Algorithm, std::string_view Name, int32_t MaxLength) {
    TAlgoDefinition row;
    if (!FindAlgoById(Algorithm, row))
        return false;
    const TFileCheckerItem item{std::string(Name),
                                std::string(static_cast<size_t>(row.HashLength), '0')};
    // Read back, such a name would be an entry that cannot exist here.
    return Name.find_first_of(Platform::ReservedNameCharacters) == std::string_view::npos &&
           ReadsBack(row, item, BinaryModeMarkValue, MaxLength) &&
           ReadsBack(row, item, TextModeMarkValue, MaxLength);
}
