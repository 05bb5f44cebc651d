// The substitute host's language-file reader on arbitrary bytes. The bytes
// are the one .lng file beside a plug-in; the host loads it as a run starts,
// and the plug-in asks GetMsg for every identifier from below the first to
// past the last line the file gives. Whatever the bytes: an identifier with
// no line gets no text, and every text handed out ends within the file's
// bytes and is exactly the line read.
#include "fuzz_support.h"

#include "language.h"
#include "substitute_host.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using FuzzSupport::Require;
namespace fs = std::filesystem;

namespace {

// Identifiers asked beyond each end of the file's table.
constexpr int IdentifiersAround = 3;

// A module directory and a sandbox of the target's own, removed at exit.
struct Places {
    fs::path Root, Module, Sandbox;
    Places() {
        std::random_device seed;
        Root = fs::temp_directory_path() /
               ("hashkeep-language-fuzz-" + std::to_string(std::mt19937_64(seed())()));
        Module = Root / "module";
        Sandbox = Root / "sandbox";
        fs::create_directories(Module);
        fs::create_directories(Sandbox);
    }
    ~Places() {
        std::error_code ignored;
        fs::remove_all(Root, ignored);
    }
};

const Places& Dirs() {
    static const Places places;
    return places;
}

// What the plug-in sees, checked against what the reader gave.
std::vector<std::string> Lines;
size_t FileSize = 0;
PluginStartupInfo Info{};
bool Asked = false;

int HK_WINAPI MinVersion() {
    return 0;
}
void HK_WINAPI Start(const PluginStartupInfo* info) {
    Info = *info;
}
void HK_WINAPI GiveInfo(PluginInfo*) {}
HANDLE HK_WINAPI Open(int, INT_PTR) {
    return INVALID_HANDLE_VALUE;
}

int HK_WINAPI AskEveryIdentifier(int) {
    const int count = static_cast<int>(Lines.size());
    for (int id = -IdentifiersAround; id < count + IdentifiersAround; ++id) {
        const char* text = Info.GetMsg(Info.ModuleNumber, id);
        if (id < 0 || id >= count) {
            Require(text == nullptr, "an identifier the file has no line for gives no text");
            continue;
        }
        Require(text != nullptr, "an identifier the file has a line for gives a text");
        const size_t length = strnlen(text, FileSize + 1);
        Require(length <= FileSize, "every text ends within the file's bytes");
        const std::string& line = Lines[static_cast<size_t>(id)];
        Require(std::string(text, length) == line.substr(0, line.find('\0')),
                "the text is the line the file holds for the identifier");
    }
    Asked = true;
    return 0;
}

const HkHost::PluginEntries Plugin{MinVersion, Start, GiveInfo, Open, AskEveryIdentifier};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string language;
    Lines.clear();
    const bool parsed = HkHost::ParseLanguageFile(text, language, Lines);
    const size_t lineCount = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    Require(Lines.size() <= lineCount, "at most one message a line");
    Require(parsed || (Lines.empty() && language.empty()), "a refused file gives nothing");
    if (!parsed)
        Lines.clear();

    const Places& dirs = Dirs();
    {
        std::ofstream out(dirs.Module / "HkFuzz.lng", std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    FileSize = size;
    HkHost::Scenario scenario;
    scenario.Language = language;
    scenario.ShowGetMsg = false;
    HkHost::ScenarioCall call;
    call.Kind = HkHost::CallKind::Configure;
    scenario.Calls.push_back(call);
    HkHost::HostSetup setup;
    setup.SandboxDirectory = dirs.Sandbox.string();
    setup.ModulePath = (dirs.Module / "HkFuzz.dll").string();
    setup.RootKey = "Software\\HashkeepFuzz";
    Asked = false;
    const HkHost::RunReport report = HkHost::RunScenario(scenario, Plugin, setup, false);
    Require(report.Errors.empty(), "the run has no errors");
    Require(Asked, "the plug-in was asked");
    return 0;
}
