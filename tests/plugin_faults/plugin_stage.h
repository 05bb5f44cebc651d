// The real plug-in, linked in, played by the substitute host in-process: a
// sandbox of files the test builds itself, a registry of its own, and what
// the transcript says about the run (boxes shown, the panels' selections at
// the end, the screens and the final panel requests).
#pragma once

#include "fake_host.h"
#include "host/far1x/far1x.h"
#include "platform/files.h"
#include "substitute_host.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace PluginStage {

// The plug-in as the host sees it: its own five entry points.
inline const HkHost::PluginEntries Plugin{GetMinFarVersion, SetStartupInfo, GetPluginInfo,
                                          OpenPlugin, Configure};

using Contents =
    std::map<std::string, std::string>; // name below the sandbox, '/'-separated -> bytes

struct TPlayed {
    std::string Transcript;
    std::vector<std::string> Errors;
};

// One sandbox and one registry; each Play is one run of the host.
class TStage {
public:
    TStage() { std::filesystem::create_directory(Module_.Path() / "plugin"); }

    std::string Path(const std::string& name) const { return Sandbox_ / name; }
    void Write(const std::string& name, const std::string& bytes) const {
        TestSupport::WriteFile(Path(name), bytes);
    }
    void MakeDirectory(const std::string& name) const {
        std::filesystem::create_directories(Sandbox_.Path() / name);
    }
    // The host's settings path: the private registry's, unless another is given.
    std::string RootKey() const { return RootKey_.empty() ? Registry_.Root : RootKey_; }
    void UseRootKey(const std::string& rootKey) { RootKey_ = rootKey; }

    // Every file below the sandbox with its bytes.
    Contents Files() const {
        Contents files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Sandbox_.Path()))
            if (entry.is_regular_file())
                files[entry.path().lexically_relative(Sandbox_.Path()).generic_string()] =
                    TestSupport::ReadFile(entry.path().string());
        return files;
    }

    // Scenario statements without files: the panels, the calls, the answers.
    TPlayed Play(const std::string& statements) const {
        HkHost::Scenario scenario;
        std::string error;
        if (!HkHost::ReadScenario("getmsg hide\n" + statements, scenario, error)) {
            ADD_FAILURE() << "malformed scenario: " << error;
            return {};
        }
        HkHost::HostSetup setup;
        setup.SandboxDirectory = Sandbox_.Path().string();
        // No language file beside it: the built-in English texts.
        setup.ModulePath = (Module_.Path() / "plugin" / "Hashkeep.dll").string();
        setup.RootKey = RootKey();
        const HkHost::RunReport report = HkHost::RunScenario(scenario, Plugin, setup, false);
        return {report.Transcript, report.Errors};
    }

private:
    TestSupport::TempDirectory Sandbox_;
    TestSupport::TempDirectory Module_;
    Fake::PrivateRegistry Registry_;
    std::string RootKey_;
};

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::string Trimmed(const std::string& line) {
    const size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : line.substr(first);
}

// The lines of every box with this title, the title left out, up to its buttons.
inline std::vector<std::vector<std::string>> Boxes(const std::string& transcript,
                                                   const std::string& title) {
    std::vector<std::vector<std::string>> boxes;
    const std::vector<std::string> lines = Lines(transcript);
    for (size_t i = 1; i < lines.size(); ++i) {
        if (Trimmed(lines[i]) != "\"" + title + "\"" ||
            Trimmed(lines[i - 1]).rfind("Message ", 0) != 0)
            continue;
        std::vector<std::string> box;
        for (size_t j = i + 1; j < lines.size() && Trimmed(lines[j]).rfind('"', 0) == 0; ++j)
            box.push_back(Trimmed(lines[j]));
        boxes.push_back(box);
    }
    return boxes;
}

// The selected items of a panel ("active" or "passive") as the run left it.
inline std::set<std::string> Selection(const std::string& transcript, const std::string& side) {
    std::set<std::string> selected;
    const std::vector<std::string> lines = Lines(transcript);
    bool inPanels = false, inSide = false;
    for (const std::string& line : lines) {
        if (line == "== panels") {
            inPanels = true;
            continue;
        }
        if (!inPanels)
            continue;
        if (line.rfind("active panel ", 0) == 0 || line.rfind("passive panel ", 0) == 0) {
            inSide = line.rfind(side + " panel ", 0) == 0;
            continue;
        }
        // "  >* "name" 3": the cursor mark, then the selection mark.
        if (inSide && line.size() > 5 && line[3] == '*') {
            const size_t open = line.find('"'), close = line.rfind('"');
            selected.insert(line.substr(open + 1, close - open - 1));
        }
    }
    return selected;
}

// Checks what holds on every road through OpenPlugin: no error of the host
// (unanswered or unused answers, unbalanced screens), each saved screen
// restored before the next is saved, and the call ending with the active
// panel's selection, update and redraw requests.
inline void ExpectOrderlyEnd(const TPlayed& played) {
    for (const std::string& error : played.Errors)
        ADD_FAILURE() << "host error: " << error;
    const std::vector<std::string> lines = Lines(played.Transcript);
    std::string saved;
    std::vector<std::string> requests;
    bool ended = false;
    for (const std::string& raw : lines) {
        const std::string line = Trimmed(raw);
        if (line.rfind("SaveScreen ", 0) == 0) {
            EXPECT_EQ(saved, "") << "a screen saved over another";
            saved = line.substr(line.rfind('#'));
        } else if (line.rfind("RestoreScreen ", 0) == 0) {
            EXPECT_EQ(line.substr(line.rfind('#')), saved) << "restored without being saved";
            saved.clear();
        } else if (line.rfind("Control ", 0) == 0) {
            requests.push_back(line.substr(8, line.find(' ', 8) - 8));
        } else if (raw == "-> INVALID_HANDLE_VALUE") {
            ended = true;
            break;
        }
    }
    EXPECT_TRUE(ended) << "OpenPlugin did not return INVALID_HANDLE_VALUE";
    EXPECT_EQ(saved, "") << "a screen left saved";
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(
        std::vector<std::string>(requests.end() - 3, requests.end()),
        (std::vector<std::string>{"FCTL_SETSELECTION", "FCTL_UPDATEPANEL", "FCTL_REDRAWPANEL"}));
}

// The name part of a path the file layer was handed.
inline std::string NameOf(const std::string& path) {
    return path.substr(path.find_last_of(Platform::PathSeparator) + 1);
}

} // namespace PluginStage
