// The texts the plug-in shows: the host's language file first, the built-in
// English table where it has none; formatting, and the boxes they go into.
#include "seam/seam.h"

#include <algorithm>
#include <cstring>

const char* const MessageTable[MessageCount] = {
    "Hashkeep",
    "Hashkeep",
    "Configuration",
    "Default Algorithm",
    "Auto Load Hash Files",
    "Clear Selection After Hashing",
    "Confirm Abort",
    "Use Text Mode For MD5 + SHA1",
    "List file found",
    "File %s is a valid hash list file.",
    "Do you want to use it for verification?",
    "Confirm",
    "Abort operation?",
    "Progress",
    "I/O Error",
    "Error reading file %s",
    "Skip",
    "Retry",
    "Abort",
    "No data",
    "No files selected",
    "Finished",
    "%s mismatch(es) found",
    "Can not save hash list to file",
    "File %s already exists. Override?",
    "Work Mode",
    "Compare Against Another &Panel",
    "Create Hash &File",
    "&Ignore Missing Files",
    "Algorithm",
    "&Separate Hash Files",
    "%s files not found",
    "%s files skipped",
    "Error",
    "File %s is not a valid hash list",
    "A hash list can not hold the name %s",
    "Stopped: a file could not be hashed",
    "%s hash list(s) already exist, the first:",
    "Replace them? No leaves those files out.",
    "Process &subfolders",
    "Can not read the folder %s",
    "Wrong extension",
    "%s is a name for another algorithm",
    "Use its &algorithm",
    "&Correct the name",
    "matches the %s digest",
    "does NOT match the %s digest",
};

const char* GetMessageText(int msgId) {
    if (msgId < 0 || msgId >= MessageCount)
        return "";
    const char* text = CurrentHost().Text(msgId);
    // A language file without this line, or with an empty one, falls back to English.
    if (text != nullptr && *text != '\0')
        return text;
    return MessageTable[msgId];
}

namespace {

// A translator may pad or cut the name (%-12s, %.20s); a width beyond any
// line the host can draw is no text of ours, so it counts as a failure
// rather than an allocation the language file chooses.
constexpr size_t MaxDirectiveWidth = 512;

// Reads the directive that starts at At (just after its '%'): flags, a width
// and a precision, ending in 's'. False for anything else: '*' would take a
// number from the arguments, a length modifier or another conversion would
// read something that is not there.
bool ReadTextDirective(const char*& at, bool& leftJustified, size_t& width, size_t& precision,
                       bool& precise) {
    leftJustified = false;
    width = 0;
    precision = 0;
    precise = false;
    // Of the flags only '-' means anything to a text; printf ignores the others there.
    for (; *at != '\0' && std::strchr("-+ #0", *at) != nullptr; ++at)
        leftJustified = leftJustified || *at == '-';
    auto number = [&](size_t& value) {
        for (; *at >= '0' && *at <= '9'; ++at) {
            value = value * 10 + static_cast<size_t>(*at - '0');
            if (value > MaxDirectiveWidth)
                return false;
        }
        return true;
    };
    if (!number(width))
        return false;
    if (*at == '.') {
        ++at;
        precise = true;
        if (!number(precision))
            return false;
    }
    return *at == 's';
}

} // namespace

std::string FormatMessageText(int msgId, const char* argument) {
    const char* text = GetMessageText(msgId);
    std::string formatted;
    bool argumentUsed = false;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at != '%') {
            formatted += *at;
            continue;
        }
        if (at[1] == '%') {
            formatted += '%';
            ++at;
            continue;
        }
        ++at;
        bool leftJustified = false;
        bool precise = false;
        size_t width = 0;
        size_t precision = 0;
        // Anything but one text directive would, as a printf format, read the
        // stack (or write through it, %n): show the text as it is instead.
        if (argumentUsed || !ReadTextDirective(at, leftJustified, width, precision, precise))
            return text;
        argumentUsed = true;
        std::string value = argument != nullptr ? argument : "";
        if (precise && value.size() > precision)
            value.resize(precision);
        const std::string padding(width > value.size() ? width - value.size() : 0, ' ');
        formatted += leftJustified ? value + padding : padding + value;
    }
    return formatted;
}

std::string ShownText(std::string_view text) {
    // As far as a C string reaches: a line the host is given ends there.
    std::string shown(text.substr(0, text.find('\0')));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7F')
            c = '?';
    return shown;
}

int TextCells(std::string_view Text, TTextEncoding Encoding) {
    if (Encoding == TTextEncoding::SingleByte)
        return static_cast<int>(Text.size());
    int cells = 0;
    for (const char c : Text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++cells;
    return cells;
}

std::string ShortenedPath(std::string_view Path, int Cells) {
    constexpr std::string_view Ellipsis = "...";
    constexpr std::string_view Separators = "/\\";
    const size_t size = Path.size();
    const TTextEncoding encoding = CurrentHost().Encoding();
    auto cells = [&](size_t From, size_t To) {
        return TextCells(Path.substr(From, To - From), encoding);
    };
    const int room = Cells - static_cast<int>(Ellipsis.size());
    // Path's start up to Head and its end from Tail fit beside the ellipsis.
    auto fits = [&](size_t Head, size_t Tail) {
        return cells(0, Head) + cells(Tail, size) <= room;
    };
    if (cells(0, size) <= Cells)
        return std::string(Path);
    const size_t nameStart = Path.find_last_of(Separators) + 1; // 0 without one
    // The root ("C:\", "/", "\\") stays where it fits, and the parts
    // nearest the file go last; the first folder below the root comes back
    // when there is room for it beside them ("C:\Backup\...").
    size_t root = size >= 2 && Path[1] == ':' ? 2 : 0;
    root = std::min(Path.find_first_not_of(Separators, root), nameStart);
    size_t head = 0;
    size_t tail = nameStart;
    if (nameStart > 0 && fits(0, nameStart - 1)) {
        head = fits(root, nameStart - 1) ? root : 0;
        tail = nameStart - 1;
        for (size_t before = tail; tail > head; tail = before) {
            before = Path.find_last_of(Separators, tail - 1);
            if (before == std::string_view::npos || before < head || !fits(head, before))
                break;
        }
        const size_t firstFolder = Path.find_first_of(Separators, root);
        if (head == root && firstFolder < tail && fits(firstFolder + 1, tail))
            head = firstFolder + 1;
    } else {
        // The name alone is too long: its end, with the extension, stays,
        // from a byte that starts a character.
        while (tail < size && (cells(tail, size) > room || cells(tail, tail + 1) == 0))
            ++tail;
    }
    std::string shown(Path.data(), head);
    shown.append(Ellipsis).append(Path.data() + tail, size - tail);
    return shown;
}

// Out of line, with the lines as views: every box of the plug-in goes
// through here, and the plug-in is kept small.
int ShowBox(TBoxKind Kind, bool Warning, TButtons Buttons,
            std::initializer_list<std::string_view> Lines, int OwnButtons) {
    TBox box{Kind, Warning, Buttons, OwnButtons, {}};
    box.Lines.reserve(Lines.size());
    for (const std::string_view line : Lines)
        if (line.data() != nullptr) // an OptionalLine left out
            box.Lines.push_back(ShownText(line));
    return CurrentHost().Message(box);
}

bool ShowMessageBox(TBoxKind Kind, const char* title, const char* text, bool warning) {
    return ShowBox(Kind, warning, TButtons::Ok,
                   {title != nullptr ? title : "", text != nullptr ? text : ""}) >= 0;
}
