// The REGEDIT4 file that stands in for the registry on POSIX, on arbitrary
// bytes: the file is written where the registry layer looks for it, then
// keys are opened, their values listed and read, and a value is written.
// Whatever the file holds, what is listed reads back the same one by one,
// and a write keeps every other value of the key exactly as it was.
#include "fuzz_support.h"

#include "platform/registry.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

using FuzzSupport::Require;
using namespace Platform;

namespace {

struct KeyCloser {
    void operator()(RegistryKey* key) const { CloseRegistryKey(key); }
};
using KeyPtr = std::unique_ptr<RegistryKey, KeyCloser>;
using Values = std::vector<std::pair<std::string, RegistryValue>>;

// A file of its own in memory-backed storage where there is one: every write
// of the registry layer syncs the file to disk.
const std::string& RegistryFile() {
    static const std::string path = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string chosen = std::string(base) + "/hashkeep-registry-fuzz-" +
                             std::to_string(static_cast<long>(getpid())) + ".reg";
        setenv("HASHKEEP_REGISTRY_FILE", chosen.c_str(), 1);
        return chosen;
    }();
    return path;
}

// Names compare without regard to ASCII case, as in the registry.
std::string Folded(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool SameValue(const RegistryValue& a, const RegistryValue& b) {
    if (a.Type != b.Type)
        return false;
    switch (a.Type) {
    case RegistryValueType::Text:
    case RegistryValueType::ExpandableText:
        return a.Text == b.Text;
    case RegistryValueType::Number:
        return a.Number == b.Number;
    case RegistryValueType::Bytes:
    case RegistryValueType::Other:
        return a.Bytes == b.Bytes;
    }
    return false;
}

// The key paths the file's section lines name, and the settings' own key.
std::vector<std::string> KeyPaths(std::string_view text) {
    std::vector<std::string> paths{"Software\\Far\\Plugins\\Hashkeep"};
    const std::string_view section = "[HKEY_CURRENT_USER\\";
    for (size_t at = text.find(section); at != std::string_view::npos && paths.size() < 5;
         at = text.find(section, at + 1)) {
        const size_t start = at + section.size();
        const size_t end = text.find(']', start);
        if (end != std::string_view::npos)
            paths.emplace_back(text.substr(start, end - start));
    }
    return paths;
}

void Exercise(const std::string& path, std::string_view text) {
    Values before;
    bool readable = false;
    if (KeyPtr key{OpenRegistryKey(path, RegistryAccess::Read, false)}) {
        readable = ListRegistryValues(key.get(), before);
        Require(readable, "an open key lists its values");
        for (const auto& [name, value] : before) {
            RegistryValue read;
            Require(ReadRegistryValue(key.get(), name, read) == RegistryReadResult::Found &&
                        SameValue(read, value),
                    "every listed value reads back as listed");
        }
    }

    KeyPtr key{OpenRegistryKey(path, RegistryAccess::Write, true)};
    if (!key)
        return; // a path the file cannot hold, refused before anything is written
    // A text from the input itself, control characters and quotes included.
    RegistryValue written;
    written.Type = RegistryValueType::Text;
    written.Text = std::string(text.substr(0, std::min<size_t>(text.size(), 64)));
    written.Text = written.Text.substr(0, written.Text.find('\0'));
    const std::string name = "Fuzz \"written\"\\value";
    Require(WriteRegistryValue(key.get(), name, written), "a value can be written");
    Require(WriteRegistryNumber(key.get(), "UseMode", static_cast<uint32_t>(text.size())),
            "a number can be written");

    KeyPtr reader{OpenRegistryKey(path, RegistryAccess::Read, false)};
    Require(reader != nullptr, "the file written parses again");
    Values after;
    Require(ListRegistryValues(reader.get(), after), "the key lists its values again");
    RegistryValue read;
    Require(ReadRegistryValue(reader.get(), name, read) == RegistryReadResult::Found &&
                SameValue(read, written),
            "the text written reads back the same");
    Require(ReadRegistryValue(reader.get(), "usemode", read) == RegistryReadResult::Found &&
                read.Type == RegistryValueType::Number && read.Number == text.size(),
            "the number written reads back the same, its name without regard to case");
    if (!readable)
        return;
    for (const auto& [oldName, oldValue] : before) {
        if (Folded(oldName) == Folded(name) || Folded(oldName) == "usemode")
            continue; // replaced by the writes above
        Require(ReadRegistryValue(reader.get(), oldName, read) == RegistryReadResult::Found &&
                    SameValue(read, oldValue),
                "a write keeps every other value as it was");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& file = RegistryFile();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& path : KeyPaths(text)) {
        // Each key starts from the input as it was.
        FILE* out = std::fopen(file.c_str(), "wb");
        Require(out != nullptr, "the registry file can be made");
        if (size > 0)
            std::fwrite(data, 1, size, out);
        std::fclose(out);
        Exercise(path, text);
        // A damaged input is kept aside, and a copy there would push the
        // next one to another name: remove it so each key starts alike.
        std::remove((file + ".damaged").c_str());
    }
    std::remove(file.c_str());
    return 0;
}
