// The substitute host's scenario reader on arbitrary bytes. A scenario is
// either refused at a line of the text, with the reason, or read into
// statements that the host can play without leaving its sandbox or writing
// more than the bounds allow: names relative and without "..", sizes within
// the limits, patterns of at least one byte, edit texts that fit a dialog
// item, and never more statements than the text has lines.
#include "fuzz_support.h"

#include "scenario.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

using FuzzSupport::Require;
using namespace HkHost;

namespace {

// The one refusal that concerns the whole text rather than a line of it.
constexpr std::string_view NothingToRun = "no \"call\" statement: nothing to run";
constexpr size_t DialogTextLimit = 511;

// Relative, '/'-separated, no empty, "." or ".." part, no backslash, colon or
// NUL: a name that stays inside the sandbox on every platform.
bool StaysInside(std::string_view name) {
    if (name.empty() || name.find_first_of(std::string_view("\\:\0", 3)) != std::string_view::npos)
        return false;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == name.size())
            return true;
        start = end + 1;
    }
}

bool PlainItemName(std::string_view name) {
    return StaysInside(name) && name.find('/') == std::string_view::npos;
}

void CheckRefusal(const std::string& error, size_t lineCount) {
    if (error == NothingToRun)
        return;
    Require(error.rfind("line ", 0) == 0, "a refusal names its line");
    size_t line = 0;
    const char* first = error.data() + 5;
    const char* last = error.data() + error.size();
    const auto [end, code] = std::from_chars(first, last, line);
    Require(code == std::errc() && line >= 1 && line <= lineCount,
            "the line named is a line of the text");
    Require(std::string_view(end, static_cast<size_t>(last - end)).rfind(": ", 0) == 0 &&
                last - end > 2,
            "the line is followed by a reason");
}

void CheckLine(int line, size_t lineCount) {
    Require(line >= 1 && static_cast<size_t>(line) <= lineCount,
            "every statement remembers a line of the text");
}

void CheckScenario(const Scenario& s, size_t lineCount) {
    size_t statements = s.Entries.size() + s.Registry.size() + s.Locks.size() + s.Calls.size() +
                        s.Answers.size() + s.Keys.size() + s.ShowFiles.size();
    for (const ScenarioEntry& entry : s.Entries) {
        Require(StaysInside(entry.Name), "a file or directory stays inside the sandbox");
        if (entry.Type == ScenarioEntry::Pattern)
            Require(!entry.Content.empty() && entry.Size <= ScenarioFileSizeLimit,
                    "a pattern repeats at least one byte up to the size bound");
        if (entry.Type == ScenarioEntry::Sparse)
            Require(entry.Size <= ScenarioSparseSizeLimit, "a sparse file within its bound");
    }
    for (const ScenarioPanel& panel : s.Panels) {
        Require(panel.Directory == "." || StaysInside(panel.Directory),
                "a panel shows a directory inside the sandbox");
        for (const std::string& name : panel.Selection)
            Require(PlainItemName(name), "a selected panel item is a plain name");
        Require(panel.Cursor.empty() || PlainItemName(panel.Cursor),
                "the cursor is on a plain name");
    }
    for (const std::string& name : s.Locks)
        Require(StaysInside(name), "a locked file is inside the sandbox");
    for (const std::string& name : s.ShowFiles)
        Require(StaysInside(name), "a shown file is inside the sandbox");
    Require(s.RegistryFile.empty() || StaysInside(s.RegistryFile),
            "the registry file is inside the sandbox");
    for (const ScenarioCall& call : s.Calls) {
        CheckLine(call.Line, lineCount);
        for (const std::string& name : call.Names)
            Require(call.Kind == CallKind::WriteFile ? StaysInside(name) : PlainItemName(name),
                    "a call names files inside the sandbox");
    }
    for (const ScenarioAnswer& answer : s.Answers) {
        CheckLine(answer.Line, lineCount);
        Require(answer.Unlock.empty() ||
                    std::find(s.Locks.begin(), s.Locks.end(), answer.Unlock) != s.Locks.end(),
                "only a locked file is unlocked");
        statements += answer.Actions.size() + (answer.Type == ScenarioAnswer::Dialog ? 1 : 0);
        for (const DialogAction& action : answer.Actions) {
            CheckLine(action.Line, lineCount);
            Require(action.Text.size() <= DialogTextLimit &&
                        action.Text.find('\0') == std::string::npos,
                    "an edit text fits a dialog item");
        }
    }
    for (const KeyPress& key : s.Keys) {
        CheckLine(key.Line, lineCount);
        Require(key.AtProgress >= 1, "a key waits for a progress box that can come");
    }
    Require(statements <= lineCount, "at most one statement a line");
    Require(!s.Calls.empty(), "a scenario runs something");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t lineCount = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    Scenario scenario;
    std::string error;
    if (ReadScenario(text, scenario, error))
        CheckScenario(scenario, lineCount);
    else
        CheckRefusal(error, lineCount);
    return 0;
}
