// SaveList: every list file is written under a temporary name beside it and
// renamed over its own name only when every line is in, so a failed save
// leaves no partial list and an older list of that name stays as it was.
#include "checker_internal.h"

#include <limits>
#include <new>

using namespace CheckerDetail;

namespace {

// A name in the target's directory, so the rename never crosses file systems
// and needs no more path length than the directory's own.
bool TemporaryNameFor(const std::string& target, std::string& temporary)
{
    const size_t part = target.find_last_of(std::string("/") + Platform::PathSeparator);
    const std::string directory =
        part == std::string::npos ? std::string() : target.substr(0, part + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = directory + "~hashkeep" + std::to_string(attempt) + ".tmp";
        if (!Platform::FileExists(temporary))
            return true;
    }
    return false;
}

std::string EntryLine(const TAlgoDefinition& row, const TFileCheckerItem& item, int32_t modeMark)
{
    std::string mark;
    if (row.HasModeMark)
        mark = modeMark == TextModeMarkValue ? TextModeMark : BinaryModeMark;
    if (row.HashFirst)
        return item.Hash + " " + mark + item.FileName;
    return mark + item.FileName + " " + item.Hash;
}

// Text and LineBreak in one write; true only when every byte went out.
bool WriteLine(Platform::FileHandle file, const std::string& text, const std::string& lineBreak)
{
    if (file == Platform::InvalidFileHandle)
        return false;
    const std::string line = text + lineBreak;
    if (line.size() > std::numeric_limits<uint32_t>::max())
        return false;
    const auto size = static_cast<uint32_t>(line.size());
    uint32_t written = 0;
    return Platform::WriteToFile(file, line.data(), size, written) && written == size;
}

// Writes a list to Target through a temporary file. Lines(write) hands every
// line to write(line), in order, and stops when it gives false.
template <typename Lines>
bool WriteListFile(const std::string& target, const std::string& lineBreak, std::string& reason,
                   Lines lines)
{
    std::string temporary;
    if (!TemporaryNameFor(target, temporary)) {
        reason = target + ": cannot be created: no free temporary name beside it";
        return false;
    }
    TFileGuard file(Platform::CreateFileForWriting(temporary));
    if (file.Get() == Platform::InvalidFileHandle) {
        reason = target + ": cannot be created: " + Platform::LastErrorText();
        return false;
    }
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
    file.Close();
    if (written && !Platform::ReplaceFile(temporary, target)) {
        reason = target + ": cannot be replaced: " + Platform::LastErrorText();
        written = false;
    }
    if (!written)
        Platform::RemoveFile(temporary);
    return written;
}

} // namespace

bool TFileChecker::SaveList(const std::string& ListName, bool PerFile, std::string* Reason)
{
    std::string reason;
    TAlgoDefinition row;
    bool saved = false;
    try {
        if (Items.empty()) {
            reason = "there are no entries to write";
        } else if (!FindAlgoById(Algorithm, row)) {
            reason = "no hash algorithm is chosen";
        } else if (!PerFile) {
            saved = WriteListFile(ExpandName(ListName), LineBreak, reason, [&](auto write) {
                if (!write(ListHeaderLine))
                    return;
                for (const TFileCheckerItem& item : Items)
                    if (!write(EntryLine(row, item, ModeMark)))
                        return;
            });
        } else {
            saved = true;
            for (const TFileCheckerItem& item : Items) {
                saved = WriteListFile(BaseDir + item.FileName + row.Extension, LineBreak, reason,
                                      [&](auto write) {
                                          if (write(ListHeaderLine))
                                              write(EntryLine(row, item, ModeMark));
                                      });
                if (!saved)
                    break;
            }
        }
    } catch (const std::bad_alloc&) {
        reason = "not enough memory";
        saved = false;
    }
    if (!saved && Reason != nullptr)
        *Reason = reason;
    return saved;
}
