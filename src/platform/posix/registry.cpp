// The per-user settings tree on POSIX: a REGEDIT4-format text file, the form
// a Windows user would export with regedit, so the same file can be read by
// both and inspected by hand. Every change rewrites the whole file through a
// temporary file and a rename, so a crash never leaves half a file. A file
// that does not parse reads as holding no values and is kept aside, not
// overwritten, by the next write.
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

struct StoredValue {
    std::string Name;
    RegistryValue Value;
};

struct StoredKey {
    std::string Path;
    std::map<std::string, StoredValue> Values; // by folded name
};

using RegistryTree = std::map<std::string, StoredKey>; // by folded path

std::string RegistryFilePath() {
    if (const char* path = std::getenv("HASHKEEP_REGISTRY_FILE"); path != nullptr && *path != '\0')
        return path;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && *home != '\0' ? home : ".") + "/.hashkeep/registry.reg";
}

bool ReadWholeFile(const std::string& path, std::string& content, bool& missing) {
    missing = false;
    content.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        return false;
    }
    struct stat info {};
    bool ok =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= RegistryFileSizeLimit;
    if (ok) {
        content.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (ok && done < content.size()) {
            const ssize_t got = ::read(fd, content.data() + done, content.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                ok = false;
            else
                done += static_cast<size_t>(got);
        }
    }
    ::close(fd);
    return ok;
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
    tree.clear();
    // Logical lines: a line ending in a backslash continues on the next one.
    std::vector<std::string> lines;
    std::string current;
    size_t pos = 0;
    while (pos <= content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = end + 1;
        if (!current.empty()) {
            size_t start = 0;
            while (start < line.size() && IsBlank(line[start]))
                ++start;
            line.erase(0, start);
        }
        current += line;
        if (!current.empty() && current.back() == '\\' && IsHexValueLine(current)) {
            current.pop_back();
            continue;
        }
        lines.push_back(std::move(current));
        current.clear();
    }
    if (lines.empty() || lines[0] != FileHeader)
        return false;

    StoredKey* key = nullptr;
    const std::string rootPrefix = std::string(RootName) + "\\";
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line[0] == ';')
            continue;
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
            const std::string path = full.substr(rootPrefix.size());
            StoredKey& stored = tree[Folded(path)];
            stored.Path = path;
            key = &stored;
            continue;
        }
        if (key == nullptr || line[0] != '"')
            return false;
        size_t at = 0;
        std::string name;
        if (!ParseQuoted(line, at, name) || at >= line.size() || line[at] != '=')
            return false;
        StoredValue stored;
        stored.Name = name;
        if (!ParseData(line.substr(at + 1), stored.Value))
            return false;
        key->Values[Folded(name)] = std::move(stored);
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

std::string SerializeTree(const RegistryTree& tree) {
    std::string out = std::string(FileHeader) + "\n";
    for (const auto& [folded, key] : tree) {
        out += "\n[" + std::string(RootName) + "\\" + key.Path + "]\n";
        for (const auto& [foldedName, stored] : key.Values) {
            const RegistryValue& value = stored.Value;
            out += Quoted(stored.Name) + "=";
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
            out += "\n";
        }
    }
    return out;
}

bool LoadTree(RegistryTree& tree) {
    std::string content;
    bool missing = false;
    if (!ReadWholeFile(RegistryFilePath(), content, missing) || !ParseTree(content, tree))
        tree.clear();
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

// A file that is there but does not parse reads as empty; before the first
// write replaces it, it is kept beside as NAME.damaged, so that what another
// program or a hand edit left in it can still be mended and is never lost.
bool KeepDamagedFileAside(const std::string& path) {
    std::string content;
    bool missing = false;
    RegistryTree parsed;
    if (ReadWholeFile(path, content, missing) && ParseTree(content, parsed))
        return true;
    if (missing)
        return true;
    return ::rename(path.c_str(), (path + ".damaged").c_str()) == 0;
}

bool SaveTree(const RegistryTree& tree) {
    const std::string path = RegistryFilePath();
    if (!MakeParentDirectory(path) || !KeepDamagedFileAside(path))
        return false;
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
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
    if (tree.find(Folded(path)) == tree.end()) {
        if (!create)
            return nullptr;
        // Every missing key along the path is created, as RegCreateKeyEx does.
        size_t end = 0;
        bool changed = false;
        do {
            end = path.find('\\', end + 1);
            const std::string prefix = path.substr(0, end);
            StoredKey& stored = tree[Folded(prefix)];
            if (stored.Path.empty()) {
                stored.Path = prefix;
                changed = true;
            }
        } while (end != std::string::npos);
        if (changed && !SaveTree(tree))
            return nullptr;
    }
    return new (std::nothrow) RegistryKey(path, access);
}

StoredKey* FindKey(RegistryTree& tree, const RegistryKey* key) {
    auto found = tree.find(Folded(key->Path));
    return found == tree.end() ? nullptr : &found->second;
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
    auto found = stored->Values.find(Folded(name));
    if (found == stored->Values.end())
        return RegistryReadResult::Missing;
    value = found->second.Value;
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
    stored->Values[Folded(name)] = StoredValue{name, std::move(value)};
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
    if (stored == nullptr || stored->Values.erase(Folded(name)) == 0)
        return false;
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
    for (const auto& [folded, value] : stored->Values)
        values.emplace_back(value.Name, value.Value);
    return true;
}

} // namespace Platform
