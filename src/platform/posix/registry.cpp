// The per-user settings tree on POSIX: a REGEDIT4-format text file, the form
// a Windows user would export with regedit, so the same file can be read by
// both and inspected by hand. Every change rewrites the whole file through a
// temporary file and a rename, so a crash never leaves half a file. What
// the store does not own (other programs' values, types it does not know,
// comment lines) is written back as it was read, in its place. A file that
// does not parse reads as holding no values and is kept aside under a name
// of its own, never overwritten, by the next write.
#include "platform/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

class RegistryKey {
public:
    RegistryKey(std::string path, RegistryAccess access) : Path(std::move(path)), Access(access) {}
    std::string Path; // below the root, without the root's name
    RegistryAccess Access;
};

namespace {

constexpr const char* RootName = "HKEY_CURRENT_USER";
constexpr const char* FileHeader = "REGEDIT4";
// Settings take a few hundred bytes; a larger file is not a settings file.
constexpr off_t RegistryFileSizeLimit = 1 << 20;

// Key and value names compare without regard to ASCII case, as in the registry.
std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// One line of a key's section as the file holds it: a value, or a comment.
struct StoredValue {
    std::string Name;
    RegistryValue Value;
    // The line (its continuation lines included) as read; written back
    // unchanged until the value is written, so other writers' spellings and
    // types this store does not know survive a rewrite. Empty for a value
    // written here, which is then spelt from Value.
    std::string Raw;
    bool Comment = false; // Raw is a comment line, Name and Value unused
};

struct StoredKey {
    std::string Path;
    std::vector<StoredValue> Lines; // in file order

    StoredValue* Find(const std::string& name) {
        const std::string folded = Folded(name);
        for (StoredValue& line : Lines)
            if (!line.Comment && Folded(line.Name) == folded)
                return &line;
        return nullptr;
    }
};

// Keys in file order (new ones at the end), found by their folded path.
struct RegistryTree {
    std::vector<std::string> Preamble; // comment lines before the first key
    std::vector<StoredKey> Keys;
    std::map<std::string, size_t> Index;

    void Clear() {
        Preamble.clear();
        Keys.clear();
        Index.clear();
    }
    StoredKey* Find(const std::string& path) {
        const auto found = Index.find(Folded(path));
        return found == Index.end() ? nullptr : &Keys[found->second];
    }
    StoredKey& FindOrAdd(const std::string& path) {
        if (StoredKey* key = Find(path))
            return *key;
        Index[Folded(path)] = Keys.size();
        Keys.push_back(StoredKey{path, {}});
        return Keys.back();
    }
};

std::string RegistryFilePath() {
    if (const char* path = std::getenv("HASHKEEP_REGISTRY_FILE"); path != nullptr && *path != '\0')
        return path;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && *home != '\0' ? home : ".") + "/.hashkeep/registry.reg";
}

enum class FileState { Read, Missing, NotAFile, Unreadable };

// A FIFO or device at the path is opened without blocking and never read.
FileState ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT)
            return FileState::Missing;
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) ? FileState::NotAFile
                                                                          : FileState::Unreadable;
    }
    struct stat info {};
    FileState state = FileState::Read;
    if (::fstat(fd, &info) != 0)
        state = FileState::Unreadable;
    else if (!S_ISREG(info.st_mode))
        state = FileState::NotAFile;
    else if (info.st_size > RegistryFileSizeLimit)
        state = FileState::Unreadable;
    if (state == FileState::Read) {
        content.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (state == FileState::Read && done < content.size()) {
            const ssize_t got = ::read(fd, content.data() + done, content.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                state = FileState::Unreadable;
            else
                done += static_cast<size_t>(got);
        }
    }
    ::close(fd);
    return state;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "text" with \\ and \" escapes; Pos starts at the opening quote and ends after the closing one.
bool ParseQuoted(const std::string& line, size_t& pos, std::string& text) {
    text.clear();
    if (pos >= line.size() || line[pos] != '"')
        return false;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= line.size())
                return false;
            text += line[pos];
        } else {
            text += c;
        }
    }
    return false;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        if (pos + 2 > text.size())
            return false;
        const int high = HexDigitValue(text[pos]);
        const int low = HexDigitValue(text[pos + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
        pos += 2;
        if (pos < text.size()) {
            if (text[pos] != ',')
                return false;
            ++pos;
        }
    }
    return true;
}

std::string TextOfBytes(const std::vector<uint8_t>& bytes) {
    size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(bytes.data()), length);
}

// The data part of a value line: "text", dword:XXXXXXXX, hex:.., hex(N):..
bool ParseData(const std::string& data, RegistryValue& value) {
    value = RegistryValue{};
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        std::string quoted;
        if (!ParseQuoted(data, pos, quoted) || pos != data.size())
            return false;
        // As in the registry, a text ends at its first NUL; the bytes after
        // it stay in the data, so rewriting the file keeps them.
        value.Type = RegistryValueType::Text;
        value.Bytes.assign(quoted.begin(), quoted.end());
        value.Bytes.push_back(0);
        value.Text = TextOfBytes(value.Bytes);
        return true;
    }
    if (data.rfind("dword:", 0) == 0) {
        const std::string digits = data.substr(6);
        if (digits.size() != 8)
            return false;
        uint32_t number = 0;
        for (char c : digits) {
            const int digit = HexDigitValue(c);
            if (digit < 0)
                return false;
            number = number * 16 + static_cast<uint32_t>(digit);
        }
        value.Type = RegistryValueType::Number;
        value.Number = number;
        for (int shift = 0; shift < 32; shift += 8)
            value.Bytes.push_back(static_cast<uint8_t>(number >> shift));
        return true;
    }
    if (data.rfind("hex", 0) != 0)
        return false;
    size_t colon = data.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string kind = data.substr(3, colon - 3);
    if (!ParseHexBytes(data.substr(colon + 1), value.Bytes))
        return false;
    if (kind.empty()) {
        value.Type = RegistryValueType::Bytes;
    } else if (kind == "(1)") {
        value.Type = RegistryValueType::Text;
        value.Text = TextOfBytes(value.Bytes);
    } else if (kind == "(2)") {
        value.Type = RegistryValueType::ExpandableText;
        value.Text = TextOfBytes(value.Bytes);
    } else if (kind.size() >= 3 && kind.front() == '(' && kind.back() == ')') {
        value.Type = RegistryValueType::Other;
    } else {
        return false;
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A hex value may continue over several lines, each but the last ending in a
// backslash; a quoted text never does (its backslashes are escaped).
bool IsHexValueLine(const std::string& line) {
    size_t pos = 0;
    std::string name;
    return ParseQuoted(line, pos, name) && line.compare(pos, 4, "=hex") == 0;
}

// Parses the whole file; false means it is not a registry file we understand.
bool ParseTree(const std::string& content, RegistryTree& tree) {
    tree.Clear();
    // Logical lines: a line ending in a backslash continues on the next one.
    // Each keeps its physical lines too, to be written back as they were.
    struct LogicalLine {
        std::string Text, Raw;
    };
    std::vector<LogicalLine> lines;
    LogicalLine current;
    bool continued = false;
    size_t pos = 0;
    while (pos <= content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = end + 1;
        if (continued)
            current.Raw += '\n';
        current.Raw += line;
        if (continued) {
            size_t start = 0;
            while (start < line.size() && IsBlank(line[start]))
                ++start;
            line.erase(0, start);
        }
        current.Text += line;
        if (!current.Text.empty() && current.Text.back() == '\\' && IsHexValueLine(current.Text)) {
            current.Text.pop_back();
            continued = true;
            continue;
        }
        lines.push_back(std::move(current));
        current = LogicalLine{};
        continued = false;
    }
    if (lines.empty() || lines[0].Text != FileHeader)
        return false;

    StoredKey* key = nullptr;
    const std::string rootPrefix = std::string(RootName) + "\\";
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i].Text;
        if (line.empty())
            continue;
        if (line[0] == ';') {
            // Kept where it stands: before the first key, or in its key's section.
            if (key != nullptr)
                key->Lines.push_back(StoredValue{{}, {}, lines[i].Raw, true});
            else
                tree.Preamble.push_back(lines[i].Raw);
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']')
                return false;
            const std::string full = line.substr(1, line.size() - 2);
            if (full == RootName) {
                key = nullptr;
                continue;
            }
            if (full.rfind(rootPrefix, 0) != 0)
                return false;
            key = &tree.FindOrAdd(full.substr(rootPrefix.size()));
            continue;
        }
        if (key == nullptr)
            return false;
        // "@" is the key's default value, the one without a name.
        size_t at = 0;
        std::string name;
        if (line[0] == '@')
            at = 1;
        else if (line[0] != '"' || !ParseQuoted(line, at, name))
            return false;
        if (at >= line.size() || line[at] != '=')
            return false;
        StoredValue stored{name, {}, lines[i].Raw, false};
        if (!ParseData(line.substr(at + 1), stored.Value))
            return false;
        // A name given twice: the later line wins, in the earlier one's place.
        if (StoredValue* earlier = key->Find(name))
            *earlier = std::move(stored);
        else
            key->Lines.push_back(std::move(stored));
    }
    return true;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string HexList(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += ',';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

bool HasControlCharacters(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// A value written here, spelt as regedit exports it.
std::string ValueLine(const StoredValue& stored) {
    const RegistryValue& value = stored.Value;
    std::string out = (stored.Name.empty() ? std::string("@") : Quoted(stored.Name)) + "=";
    switch (value.Type) {
    case RegistryValueType::Text:
        // A line break inside a text cannot stand between quotes, and
        // data past the text's NUL must survive a rewrite.
        if (HasControlCharacters(value.Text) || value.Bytes.size() != value.Text.size() + 1)
            out += "hex(1):" + HexList(value.Bytes);
        else
            out += Quoted(value.Text);
        break;
    case RegistryValueType::Number: {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", value.Number);
        out += digits;
        break;
    }
    case RegistryValueType::ExpandableText:
        out += "hex(2):" + HexList(value.Bytes);
        break;
    case RegistryValueType::Bytes:
        out += "hex:" + HexList(value.Bytes);
        break;
    case RegistryValueType::Other:
        out += "hex(7):" + HexList(value.Bytes);
        break;
    }
    return out;
}

std::string SerializeTree(const RegistryTree& tree) {
    std::string out = std::string(FileHeader) + "\n";
    for (const std::string& comment : tree.Preamble)
        out += comment + "\n";
    for (const StoredKey& key : tree.Keys) {
        out += "\n[" + std::string(RootName) + "\\" + key.Path + "]\n";
        for (const StoredValue& line : key.Lines)
            out += (line.Raw.empty() ? ValueLine(line) : line.Raw) + "\n";
    }
    return out;
}

bool LoadTree(RegistryTree& tree) {
    std::string content;
    if (ReadWholeFile(RegistryFilePath(), content) != FileState::Read || !ParseTree(content, tree))
        tree.Clear();
    return true;
}

bool MakeParentDirectory(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    const std::string parent = path.substr(0, slash);
    struct stat info {};
    if (::stat(parent.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    if (!MakeParentDirectory(parent))
        return false;
    return ::mkdir(parent.c_str(), 0700) == 0 || errno == EEXIST;
}

// Kept-aside copies: NAME.damaged, then NAME.damaged-2 and on; a hundred
// damaged files in a row mean something else is wrong.
constexpr int DamagedCopiesLimit = 100;

// A file that is there but does not parse reads as empty; before the first
// write replaces it, it is kept beside under a name no other copy holds, so
// that what another program or a hand edit left in it can still be mended
// and is never lost. Anything but a file at the path (a directory, a FIFO)
// is not ours to move: the write fails.
bool KeepDamagedFileAside(const std::string& path) {
    std::string content;
    RegistryTree parsed;
    switch (ReadWholeFile(path, content)) {
    case FileState::Missing:
        return true;
    case FileState::NotAFile:
        return false;
    case FileState::Read:
        if (ParseTree(content, parsed))
            return true;
        break;
    case FileState::Unreadable:
        break;
    }
    for (int copy = 1; copy <= DamagedCopiesLimit; ++copy) {
        std::string aside = path + ".damaged";
        if (copy > 1) {
            aside += '-';
            aside += std::to_string(copy);
        }
        // A hard link is made only where no file of that name is, so an
        // older copy is never replaced, even by another process at once.
        if (::link(path.c_str(), aside.c_str()) == 0)
            return ::unlink(path.c_str()) == 0;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool SaveTree(const RegistryTree& tree) {
    const std::string path = RegistryFilePath();
    if (!MakeParentDirectory(path) || !KeepDamagedFileAside(path))
        return false;
    // A name of its own, created exclusively: two writers never share one,
    // and a link planted beside the file is never followed.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const std::string content = SerializeTree(tree);
    size_t done = 0;
    bool ok = true;
    while (ok && done < content.size()) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            ok = false;
        else
            done += static_cast<size_t>(put);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

bool IsValidKeyPath(const std::string& path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string::npos)
        return false;
    return std::none_of(path.begin(), path.end(), [](char c) {
        return c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20;
    });
}

RegistryKey* OpenPath(const std::string& path, RegistryAccess access, bool create) {
    if (!IsValidKeyPath(path))
        return nullptr;
    RegistryTree tree;
    LoadTree(tree);
    if (tree.Find(path) == nullptr) {
        if (!create)
            return nullptr;
        // Every missing key along the path is created, as RegCreateKeyEx does.
        size_t end = 0;
        do {
            end = path.find('\\', end + 1);
            tree.FindOrAdd(path.substr(0, end));
        } while (end != std::string::npos);
        if (!SaveTree(tree))
            return nullptr;
    }
    return new (std::nothrow) RegistryKey(path, access);
}

StoredKey* FindKey(RegistryTree& tree, const RegistryKey* key) {
    return tree.Find(key->Path);
}

} // namespace

RegistryKey* OpenRegistryKey(const std::string& path, RegistryAccess access, bool create) {
    return OpenPath(path, access, create);
}

RegistryKey* OpenRegistrySubKey(RegistryKey* key, const std::string& name, RegistryAccess access,
                                bool create) {
    if (key == nullptr || name.empty())
        return nullptr;
    return OpenPath(key->Path + "\\" + name, access, create);
}

void CloseRegistryKey(RegistryKey* key) {
    delete key;
}

RegistryReadResult ReadRegistryValue(RegistryKey* key, const std::string& name,
                                     RegistryValue& value) {
    if (key == nullptr)
        return RegistryReadResult::Failed;
    RegistryTree tree;
    LoadTree(tree);
    StoredKey* stored = FindKey(tree, key);
    if (stored == nullptr)
        return RegistryReadResult::Failed; // the key was deleted while open
    const StoredValue* found = stored->Find(name);
    if (found == nullptr)
        return RegistryReadResult::Missing;
    value = found->Value;
    return RegistryReadResult::Found;
}

namespace {

bool StoreValue(RegistryKey* key, const std::string& name, RegistryValue value) {
    if (key == nullptr || key->Access != RegistryAccess::Write)
        return false;
    RegistryTree tree;
    LoadTree(tree);
    StoredKey* stored = FindKey(tree, key);
    if (stored == nullptr)
        return false;
    // A value written here is spelt anew, in the place of the one it replaces.
    if (StoredValue* line = stored->Find(name))
        *line = StoredValue{name, std::move(value), {}, false};
    else
        stored->Lines.push_back(StoredValue{name, std::move(value), {}, false});
    return SaveTree(tree);
}

} // namespace

bool WriteRegistryValue(RegistryKey* key, const std::string& name, const RegistryValue& value) {
    RegistryValue stored;
    stored.Type = value.Type;
    switch (value.Type) {
    case RegistryValueType::Text:
    case RegistryValueType::ExpandableText:
        stored.Text = value.Text;
        stored.Bytes.assign(value.Text.begin(), value.Text.end());
        stored.Bytes.push_back(0);
        break;
    case RegistryValueType::Number:
        stored.Number = value.Number;
        for (int shift = 0; shift < 32; shift += 8)
            stored.Bytes.push_back(static_cast<uint8_t>(value.Number >> shift));
        break;
    case RegistryValueType::Bytes:
    case RegistryValueType::Other:
        stored.Bytes = value.Bytes;
        break;
    }
    return StoreValue(key, name, std::move(stored));
}

bool DeleteRegistryValue(RegistryKey* key, const std::string& name) {
    if (key == nullptr || key->Access != RegistryAccess::Write)
        return false;
    RegistryTree tree;
    LoadTree(tree);
    StoredKey* stored = FindKey(tree, key);
    const StoredValue* found = stored != nullptr ? stored->Find(name) : nullptr;
    if (found == nullptr)
        return false;
    stored->Lines.erase(stored->Lines.begin() + (found - stored->Lines.data()));
    return SaveTree(tree);
}

bool ListRegistryValues(RegistryKey* key,
                        std::vector<std::pair<std::string, RegistryValue>>& values) {
    values.clear();
    if (key == nullptr)
        return false;
    RegistryTree tree;
    LoadTree(tree);
    StoredKey* stored = FindKey(tree, key);
    if (stored == nullptr)
        return false;
    for (const StoredValue& line : stored->Lines)
        if (!line.Comment)
            values.emplace_back(line.Name, line.Value);
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return Folded(a.first) < Folded(b.first); });
    return true;
}

} // namespace Platform
