// hkhost: runs a plug-in library through a scenario and prints the transcript.
#include "substitute_host.h"

#include "platform/console.h"
#include "platform/files.h"
#include "platform/plugin_library.h"
#include "platform/registry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;    // the run reported errors, or the transcript differs
constexpr int ExitMalformed = 2; // bad arguments, scenario, sandbox or plug-in
// Where the real registry is used, every run gets a key of its own below this.
constexpr const char* RegistryTestPath = "Software\\HashkeepHost";

const char* const Usage =
    "usage: hkhost --plugin LIBRARY [--screen|--story] [--sandbox DIR] [--keep] [--expect FILE]\n"
    "              [--output FILE] [--host far2l] SCENARIO\n"
    "  --plugin LIBRARY  the plug-in library to load (its .lng files lie beside it)\n"
    "  --screen          show what the user sees: every dialog and message box drawn as on\n"
    "                    an 80x25 console (UTF-8), the user's answers and the results;\n"
    "                    a dialog item outside its frame or on another item is an error\n"
    "  --story           as --screen, told for someone who does not know the plug-in:\n"
    "                    step titles, the panels where the scenario shows them, each\n"
    "                    dialog as the user leaves it, one progress box, no coordinates,\n"
    "                    item numbers or sandbox path\n"
    "  --sandbox DIR     make the scenario's files in DIR (created; must be empty);\n"
    "                    default: a fresh temporary directory\n"
    "  --keep            keep the sandbox (and its registry) afterwards\n"
    "  --expect FILE     compare the transcript with FILE; the first differing line fails the run\n"
    "  --output FILE     write the transcript to FILE instead of standard output\n"
    "  --host far2l      behave as far2l where the two hosts are known to differ\n"
    "  --help            this text\n"
    "Exit status: 0 when the run is clean (and matches), 1 when it reported errors or differs,\n"
    "2 on bad arguments, a malformed scenario or a plug-in that does not load.\n";

std::string RandomTag() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    return std::to_string(random() % 1000000000000ULL);
}

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

bool IsEmptyDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error) && fs::is_empty(path, error) && !error;
}

// The scenario's choice first, then the caller's environment, then the default.
void SetRegistryFile(const std::string& scenarioFile, const std::string& defaultFile) {
#ifdef _WIN32
    (void)scenarioFile; // the real registry is used
    (void)defaultFile;
#else
    if (!scenarioFile.empty())
        ::setenv("HASHKEEP_REGISTRY_FILE", scenarioFile.c_str(), 1);
    else if (std::getenv("HASHKEEP_REGISTRY_FILE") == nullptr)
        ::setenv("HASHKEEP_REGISTRY_FILE", defaultFile.c_str(), 1);
#endif
}

void ClearRegistryValues(const std::string& rootKey) {
    Platform::RegistryKey* key =
        Platform::OpenRegistryKey(rootKey + "\\Hashkeep", Platform::RegistryAccess::Read, false);
    std::vector<std::pair<std::string, Platform::RegistryValue>> values;
    const bool listed = key != nullptr && Platform::ListRegistryValues(key, values);
    Platform::CloseRegistryKey(key);
    if (!listed)
        return;
    Platform::RegistryKey* writable =
        Platform::OpenRegistryKey(rootKey + "\\Hashkeep", Platform::RegistryAccess::Write, false);
    for (const auto& value : values)
        Platform::DeleteRegistryValue(writable, value.first);
    Platform::CloseRegistryKey(writable);
}

} // namespace

static int RunHost(int argc, char** argv) {
    std::string pluginPath, sandboxArgument, expectPath, outputPath, scenarioPath;
    bool keep = false, screen = false, story = false, far2l = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        bool ok = true;
        if (argument == "--help" || argument == "-h") {
            std::cout << Usage;
            return ExitOk;
        }
        if (argument == "--plugin")
            ok = value(pluginPath);
        else if (argument == "--sandbox")
            ok = value(sandboxArgument);
        else if (argument == "--expect")
            ok = value(expectPath);
        else if (argument == "--output")
            ok = value(outputPath);
        else if (argument == "--keep")
            keep = true;
        else if (argument == "--screen")
            screen = true;
        else if (argument == "--story")
            screen = story = true;
        else if (argument == "--host") {
            std::string host;
            ok = value(host) && host == "far2l";
            far2l = ok;
        } else if (!argument.empty() && argument[0] != '-' && scenarioPath.empty())
            scenarioPath = argument;
        else
            ok = false;
        if (!ok) {
            std::cerr << "hkhost: unexpected argument " << argument << "\n" << Usage;
            return ExitMalformed;
        }
    }
    if (pluginPath.empty() || scenarioPath.empty()) {
        std::cerr << "hkhost: a plug-in library and a scenario are needed\n" << Usage;
        return ExitMalformed;
    }

    HkHost::Scenario scenario;
    std::string error;
    if (!HkHost::ReadScenarioFile(scenarioPath, scenario, error)) {
        std::cerr << "hkhost: malformed scenario: " << error << "\n";
        return ExitMalformed;
    }
    std::string expected;
    if (!expectPath.empty() && !ReadText(expectPath, expected)) {
        std::cerr << "hkhost: cannot read the expected transcript " << expectPath << "\n";
        return ExitMalformed;
    }

    std::error_code failure;
    fs::path sandbox = sandboxArgument.empty()
                           ? fs::temp_directory_path(failure) / ("hkhost-" + RandomTag())
                           : fs::path(sandboxArgument);
    if (failure) {
        std::cerr << "hkhost: no temporary directory for the sandbox: " << failure.message()
                  << "\n";
        return ExitMalformed;
    }
    if (fs::exists(sandbox, failure) && !IsEmptyDirectory(sandbox)) {
        std::cerr << "hkhost: the sandbox " << sandbox.string() << " is not an empty directory\n";
        return ExitMalformed;
    }
    fs::create_directories(sandbox, failure);
    if (!failure)
        sandbox = fs::absolute(sandbox, failure);
    if (failure) {
        std::cerr << "hkhost: cannot make the sandbox " << sandbox.string() << ": "
                  << failure.message() << "\n";
        return ExitMalformed;
    }
    // The registry file beside the sandbox starts empty, like the sandbox; one
    // kept from an earlier run with --keep must not leak into this one.
    const std::string registryFile = sandbox.string() + ".reg";
    std::error_code stale;
    fs::remove(registryFile, stale);
    auto cleanUp = [&](const std::string& rootKey) {
        if (keep)
            return;
        std::error_code ignored;
        fs::remove_all(sandbox, ignored);
        fs::remove(registryFile, ignored);
        if (!rootKey.empty())
            ClearRegistryValues(rootKey);
    };
    if (!HkHost::PrepareSandbox(scenario, sandbox.string(), error)) {
        std::cerr << "hkhost: " << error << "\n";
        cleanUp("");
        return ExitMalformed;
    }

    Platform::PluginLibrary* library = nullptr;
    HkHost::PluginEntries entries;
    const std::string modulePath = fs::absolute(fs::path(pluginPath), failure).string();
    if (!HkHost::LoadPlugin(modulePath, library, entries, error)) {
        std::cerr << "hkhost: " << error << "\n";
        cleanUp("");
        return ExitMalformed;
    }

    HkHost::HostSetup setup;
    setup.SandboxDirectory = sandbox.string();
    setup.ModulePath = modulePath;
    setup.Screen = screen;
    setup.Story = story;
    setup.Far2l = far2l;
    const bool realRegistry = Platform::PathSeparator == '\\';
    setup.RootKey = realRegistry ? std::string(RegistryTestPath) + "\\Run" + RandomTag() + "\\" +
                                       scenario.RootKey
                                 : scenario.RootKey;
    if (!realRegistry)
        SetRegistryFile(scenario.RegistryFile.empty() ? ""
                                                      : (sandbox / scenario.RegistryFile).string(),
                        registryFile);
    const bool feed = Platform::OpenConsoleFeed();

    const HkHost::RunReport report = HkHost::RunScenario(scenario, entries, setup, feed);
    Platform::FreePluginLibrary(library);
    cleanUp(realRegistry ? setup.RootKey : "");

    if (outputPath.empty()) {
        if (!Platform::WriteStandardOutput(report.Transcript)) {
            std::cerr << "hkhost: cannot write the transcript to standard output\n";
            return ExitFailed;
        }
    } else {
        std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
        out << report.Transcript;
        if (!out) {
            std::cerr << "hkhost: cannot write " << outputPath << "\n";
            return ExitFailed;
        }
    }
    int status = ExitOk;
    for (const std::string& line : report.Errors) {
        std::cerr << "hkhost: error: " << line << "\n";
        status = ExitFailed;
    }
    if (!expectPath.empty()) {
        const std::string difference = HkHost::CompareTranscript(report.Transcript, expected);
        if (!difference.empty()) {
            std::cerr << "hkhost: the transcript differs from " << expectPath << " at "
                      << difference << "\n";
            status = ExitFailed;
        } else {
            std::cerr << "hkhost: the transcript matches " << expectPath << "\n";
        }
    }
    return status;
}

int main(int argc, char** argv) {
    try {
        return RunHost(argc, argv);
    } catch (const std::exception& failure) {
        std::cerr << "hkhost: " << failure.what() << "\n";
        return ExitMalformed;
    }
}
