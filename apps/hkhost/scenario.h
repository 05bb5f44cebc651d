// A scenario for the substitute host: the sandbox to build, the panels, the
// registry to preload, the calls into the plug-in, the user's answers in the
// order they are asked for, the keys pressed during long work, and what to
// show at the end. Read from a line-based text; see ReadScenario for the form.
#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace HkHost {

// Pattern and sparse files are written in pieces; the bound keeps a typo from
// filling the disk.
constexpr uint64_t ScenarioFileSizeLimit = uint64_t{1} << 28;
// Sparse files cost no disk space, so they may reach beyond 4 GiB (64-bit sizes).
constexpr uint64_t ScenarioSparseSizeLimit = uint64_t{1} << 40;

struct ScenarioEntry {
    enum Kind { Directory, Text, Pattern, Sparse };
    Kind Type = Text;
    std::string Name;    // relative to the sandbox, '/'-separated
    std::string Content; // Text: the bytes; Pattern: the repeated bytes
    uint64_t Size = 0;   // Pattern and Sparse
};

enum class PanelSide { Active, Passive };

struct ScenarioPanel {
    std::string Directory = "."; // relative to the sandbox
    std::vector<std::string> Selection;
    std::string Cursor; // empty: the ".." entry
    int PanelType = 0;
    int Plugin = 0;
};

struct RegistryPreset {
    std::string Name;
    Platform::RegistryValue Value;
};

// Calls into the plug-in, and what the user or another program does between
// them: a file written, a new selection, the cursor moved; and, for a reader
// of the transcript, a step's title and the panels as they stand.
enum class CallKind {
    PluginInfo,
    Menu,
    CommandLine,
    Configure,
    WriteFile,
    Select,
    Cursor,
    Step,
    Panels
};

struct ScenarioCall {
    CallKind Kind = CallKind::Menu;
    std::string Text;                   // CommandLine; Step; WriteFile: the bytes
    int Number = 0;                     // Configure
    PanelSide Side = PanelSide::Active; // Select, Cursor
    std::vector<std::string> Names;     // WriteFile: the file; Select, Cursor: panel items
    int Line = 0;
};

struct DialogAction {
    enum Kind { Edit, CheckOn, CheckOff, Radio };
    Kind Type = Edit;
    int Item = 0;
    std::string Text; // Edit
    int Line = 0;
};

struct ScenarioAnswer {
    enum Kind { Message, Dialog };
    Kind Type = Message;
    bool Escape = false;
    int Index = 0; // the button of a message box, the closing item of a dialog
    std::vector<DialogAction> Actions;
    // Message: the locked file that another program releases once this
    // answer is given (empty: none).
    std::string Unlock;
    int Line = 0;
};

struct KeyPress {
    int AtProgress = 1; // fed just before the poll that precedes this progress box
    bool Escape = true;
    char Character = 0;
    int Line = 0;
};

struct Scenario {
    std::vector<ScenarioEntry> Entries;
    ScenarioPanel Panels[2]; // by PanelSide
    std::string Language = "English";
    int StructSize = 0; // 0: the size of the host's record
    int ModuleNumber = 1;
    std::string RootKey = "Software\\Far\\Plugins";
    std::vector<RegistryPreset> Registry;
    // Files that another program holds locked from the start of the run
    // (relative to the sandbox), until an answer unlocks them.
    std::vector<std::string> Locks;
    // Where the registry is a file (POSIX): its name in the sandbox; empty:
    // $HASHKEEP_REGISTRY_FILE when set, else a file beside the sandbox.
    std::string RegistryFile;
    std::vector<ScenarioCall> Calls;
    std::vector<ScenarioAnswer> Answers;
    std::vector<KeyPress> Keys;
    std::vector<std::string> ShowFiles;
    bool ShowRegistry = false;
    bool ShowGetMsg = true;
};

// Parses a scenario. False on the first malformed line, with "line N: reason"
// in Error. Every statement is one line:
//
//   # comment (whole lines only; blank lines are ignored)
//   dir "NAME"                        file "NAME" text "BYTES"
//   file "NAME" empty                 file "NAME" pattern "BYTES" SIZE
//   file "NAME" sparse SIZE
//   panel active|passive dir "NAME" | select "NAME"... | cursor "NAME"
//                        | type N | plugin N
//   language "NAME"   struct-size N   module-number N   root-key "PATH"
//   registry-file "NAME"
//   registry "NAME" text|expand "TEXT" | number N | bytes HH,HH,...
//   call info | call menu | call command "TEXT" | call config N
//   call write "NAME" text "BYTES"    call select active|passive ["NAME"...]
//   call cursor active|passive "NAME"
//   call step "TITLE"                 call panels
//   lock "NAME"
//   message N | message esc, either followed by: unlock "NAME"
//   dialog, then edit N "TEXT" | check N on|off | radio N ..., then close N | close esc
//   press esc|"C" at progress N
//   show file "NAME" | show registry     getmsg hide
//
// Quoted texts take \" \\ \r \n \t and \xHH; NAME is relative to the sandbox,
// '/'-separated, and never leaves it.
bool ReadScenario(const std::string& text, Scenario& scenario, std::string& error);
bool ReadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);

} // namespace HkHost
