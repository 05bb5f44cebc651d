// The substitute host: loads a plug-in through its five exports, offers it
// the host's services, plays a scenario and writes a deterministic
// transcript of what the user would see. The program hkhost wraps it; tests
// may also run it in-process with a plug-in linked statically.
#pragma once

#include "host/far170/far_interface.h"
#include "scenario.h"

#include <string>
#include <vector>

namespace Platform {
class PluginLibrary;
}

namespace HkHost {

struct PluginEntries {
    GetMinFarVersionFunc GetMinFarVersion = nullptr;
    SetStartupInfoFunc SetStartupInfo = nullptr;
    GetPluginInfoFunc GetPluginInfo = nullptr;
    OpenPluginFunc OpenPlugin = nullptr;
    ConfigureFunc Configure = nullptr;
};

// Loads the library and resolves all five exports; false with the reason when
// the library does not load or an export is missing.
bool LoadPlugin(const std::string& path, Platform::PluginLibrary*& library, PluginEntries& entries,
                std::string& error);

struct HostSetup {
    // Where the scenario's files are made; must exist. Its path is printed as $SANDBOX.
    std::string SandboxDirectory;
    // ModuleName for the plug-in; the language files are read from its directory.
    std::string ModulePath;
    // The RootKey handed to the plug-in, printed as $ROOT.
    std::string RootKey;
    // The transcript shows what the user sees: every dialog and message box
    // drawn as on the console (layout faults are errors), what the user and
    // other programs do, and what the calls leave behind; no service calls.
    bool Screen = false;
    // With Screen: the run told for a reader who does not know the plug-in
    // (hkhost --story; see ScreenTranscript).
    bool Story = false;
    // Behave as far2l where the two hosts are known to differ (see the
    // README): with nothing selected and ".." under the cursor, a panel
    // reports no selected item at all.
    bool Far2l = false;
};

struct RunReport {
    std::string Transcript;
    // Pairing errors, unanswered questions, unused answers, malformed answers:
    // each is also a line of the transcript.
    std::vector<std::string> Errors;
};

// Makes the scenario's directories and files in the sandbox. False with the reason.
bool PrepareSandbox(const Scenario& scenario, const std::string& sandbox, std::string& error);

// Plays the scenario against the plug-in. The registry values of the scenario
// are written under RootKey\Hashkeep first. Keys to press are fed through the
// console feed, which the caller must have opened (Platform::OpenConsoleFeed);
// without one, a scenario that presses keys fails with an error.
RunReport RunScenario(const Scenario& scenario, const PluginEntries& plugin, const HostSetup& setup,
                      bool consoleFeedOpen);

// The first line where the transcript and the expected text differ
// (CR LF and LF line ends are alike), or an empty text when they agree.
std::string CompareTranscript(const std::string& transcript, const std::string& expected);

} // namespace HkHost
