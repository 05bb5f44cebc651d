// The substitute host's services. The plug-in calls them through plain
// function pointers without a context, so one host at a time is current.
#include "substitute_host.h"

#include "file_locks.h"
#include "host_code_page.h"
#include "language.h"
#include "screen.h"
#include "transcript_text.h"

#include "platform/console.h"
#include "platform/files.h"
#include "platform/plugin_library.h"
#include "platform/registry.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace HkHost {

namespace fs = std::filesystem;

namespace {

constexpr size_t DialogDataSize = sizeof(FarDialogItem::Data);
// Bounds on what the host reads from plug-in records, so a corrupt count
// cannot make it walk through memory.
constexpr int MessageLinesLimit = 100;
constexpr int DialogItemsLimit = 1000;
constexpr int MenuStringsLimit = 100;
// Files shown at the end are printed up to this many bytes.
constexpr size_t ShownFileLimit = 64 * 1024;
constexpr size_t PatternChunkSize = 64 * 1024;
constexpr uint32_t MessageButtonSetMask = 0x70000;
constexpr DWORD FileAttributeArchive = 0x20;
constexpr const char* ParentName = "..";
constexpr const char* SettingsKeyName = "Hashkeep";
// The real host is a 32-bit program: plug-ins report its PluginInfo size in
// every build, so the native and the Win32 transcripts read the same.
constexpr int HostPluginInfoSize32 = 44;

std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// The host's name order: the parent entry, directories, then files, each by
// name without regard to ASCII case (ties by bytes, so the order is total).
struct HostItem {
    std::string Name;   // UTF-8, as the scenario names it
    std::string Handed; // as the plug-in gets it
    bool IsDirectory = false;
    uint64_t Size = 0;
    bool Selected = false;
};

bool ItemBefore(const HostItem& a, const HostItem& b) {
    const bool aParent = a.Name == ParentName, bParent = b.Name == ParentName;
    if (aParent != bParent)
        return aParent;
    if (a.IsDirectory != b.IsDirectory)
        return a.IsDirectory;
    const std::string fa = Folded(a.Name), fb = Folded(b.Name);
    return fa != fb ? fa < fb : a.Name < b.Name;
}

struct HostPanel {
    const char* Side = "active";
    ScenarioPanel Setup;
    std::string Directory; // as handed to the plug-in
    std::vector<HostItem> Items;
    size_t Current = 0;
    // Arrays handed out with the last request; valid until the next request
    // for this panel or the end of the call.
    std::vector<PluginPanelItem> Handed;
    std::vector<PluginPanelItem> HandedSelected;
};

struct OpenDialog {
    FarDialogItem* Items = nullptr;
    int Count = 0;
};

std::string RegistryValueText(const Platform::RegistryValue& value) {
    switch (value.Type) {
    case Platform::RegistryValueType::Text:
        return "text \"" + EscapeBytes(value.Text, false) + "\"";
    case Platform::RegistryValueType::ExpandableText:
        return "expand \"" + EscapeBytes(value.Text, false) + "\"";
    case Platform::RegistryValueType::Number:
        return "number " + std::to_string(value.Number);
    default: {
        std::string text =
            value.Type == Platform::RegistryValueType::Bytes ? "bytes " : "other type, bytes ";
        static const char digits[] = "0123456789abcdef";
        for (size_t i = 0; i < value.Bytes.size(); ++i) {
            text += i == 0 ? "" : ",";
            text += digits[value.Bytes[i] >> 4];
            text += digits[value.Bytes[i] & 15];
        }
        return value.Bytes.empty() ? text + "-" : text;
    }
    }
}

struct KeyCloser {
    void operator()(Platform::RegistryKey* key) const { Platform::CloseRegistryKey(key); }
};
using KeyHandle = std::unique_ptr<Platform::RegistryKey, KeyCloser>;

class Host;
Host* Current = nullptr;

class Host {
public:
    Host(const Scenario& scenario, const HostSetup& setup, bool feedOpen)
        : S(scenario), Setup(setup), FeedOpen(feedOpen),
          Shower(setup.SandboxDirectory, Platform::PathSeparator) {
        Panels[0].Side = "active";
        Panels[1].Side = "passive";
        Panels[0].Setup = scenario.Panels[0];
        Panels[1].Setup = scenario.Panels[1];
        Keys = scenario.Keys;
        if (setup.Screen)
            Screen = std::make_unique<ScreenTranscript>(setup.Story);
        std::stable_sort(Keys.begin(), Keys.end(), [](const KeyPress& a, const KeyPress& b) {
            return a.AtProgress < b.AtProgress;
        });
    }

    RunReport Run(const PluginEntries& plugin);
    // The screen transcript, when the host draws what the user sees.
    ScreenTranscript* Screens() const { return Screen.get(); }

    const char* GetMsg(int pluginNumber, int id);
    int Message(int pluginNumber, DWORD flags, const char* help, const char* const* items,
                int count, int buttons);
    int Dialog(const char* kind, int pluginNumber, int x1, int y1, int x2, int y2, const char* help,
               FarDialogItem* items, int count, DWORD reserved, DWORD flags, FARWINDOWPROC proc,
               LONG_PTR param);
    LONG_PTR SendDlgMessage(HANDLE dialog, int message, int param1, LONG_PTR param2);
    LONG_PTR DefDlgProc(HANDLE dialog, int message, int param1, LONG_PTR param2);
    int Control(HANDLE plugin, int command, void* param);
    HANDLE SaveScreen(int x1, int y1, int x2, int y2);
    void RestoreScreen(HANDLE screen);
    void ServiceFailed(const char* service, const char* what) {
        Error(std::string(service) + " failed inside the host: " + what);
    }

private:
    void Print(const std::string& line) {
        Out += std::string(static_cast<size_t>(Depth) * 2, ' ') + line + "\n";
        if (Screen)
            Screen->Line(Depth, line);
    }
    void Error(const std::string& what) {
        Print("!! " + what);
        Errors.push_back(what);
    }
    std::string Q(const char* text) const { return Shower.Quote(text); }
    std::string Q(const std::string& text) const { return Shower.Quote(text); }

    void CheckPluginNumber(const char* service, int number) {
        if (number != S.ModuleNumber)
            Error(std::string(service) + " got plug-in number " + std::to_string(number) +
                  ", not the ModuleNumber " + std::to_string(S.ModuleNumber));
    }

    const ScenarioAnswer* TakeAnswer(ScenarioAnswer::Kind kind, const char* what);
    void FeedDueKeys();
    void EndOfCall(const char* entry);

    bool ReadPanel(HostPanel& panel, bool keepState, std::string& error);
    void FillPanelInfo(HostPanel& panel, PanelInfo& info);
    std::string SelectionText(const HostPanel& panel) const;
    void PrintPanel(const HostPanel& panel);
    // Both panels as they stand now, read afresh as the host would show them.
    void ShowPanels();
    PanelView View(const HostPanel& panel) const;
    // What the user or another program does between two calls.
    void BetweenCalls(const ScenarioCall& call);

    std::string ItemText(const FarDialogItem& item, int index) const;
    void ApplyAction(OpenDialog& dialog, const DialogAction& action, FARWINDOWPROC proc);
    // DN_BTNCLICK for Item in State; false when the procedure refuses it.
    bool SendClick(OpenDialog& dialog, FARWINDOWPROC proc, int item, int state);
    OpenDialog* FindDialog(HANDLE handle);

    bool PreloadRegistry();
    void LockFiles();
    void ReleaseLock(const ScenarioAnswer& answer);
    std::string SandboxPath(const std::string& name) const;
    void ShowRegistry();
    void ShowFile(const std::string& name);
    void CallPluginInfo(const PluginEntries& plugin);

    const Scenario& S;
    HostSetup Setup;
    bool FeedOpen;
    TextShower Shower;
    std::string Out;
    std::vector<std::string> Errors;
    int Depth = 0;
    std::unique_ptr<ScreenTranscript> Screen;

    LanguageTable Language;
    HostPanel Panels[2];
    PluginStartupInfo Info{};

    size_t NextAnswer = 0;
    bool OutOfStep = false;
    int ProgressBoxes = 0;
    std::vector<KeyPress> Keys;
    size_t NextKey = 0;
    int NextScreen = 1;
    std::vector<intptr_t> SavedScreens;
    std::vector<intptr_t> RestoredScreens;
    std::vector<OpenDialog*> Dialogs;
    int DialogCount = 0;
    FileLocks Locks;
};

// --- Services, as the plug-in sees them --------------------------------------

// Nothing the host raises may unwind through the plug-in's frames: a failure
// inside a service is an error of the run and the service's neutral result.
template <typename Result, typename Call>
Result Guarded(const char* service, Result fallback, Call call) noexcept {
    try {
        return call();
    } catch (const std::exception& failure) {
        Current->ServiceFailed(service, failure.what());
    } catch (...) {
        Current->ServiceFailed(service, "an unknown failure");
    }
    return fallback;
}

HK_REALIGN_STACK const char* HK_WINAPI GetMsgService(int pluginNumber, int id) {
    return Guarded<const char*>("GetMsg", nullptr,
                                [&] { return Current->GetMsg(pluginNumber, id); });
}

HK_REALIGN_STACK int HK_WINAPI MessageService(int pluginNumber, DWORD flags, const char* help,
                                              const char* const* items, int count, int buttons) {
    return Guarded("Message", -1, [&] {
        return Current->Message(pluginNumber, flags, help, items, count, buttons);
    });
}

HK_REALIGN_STACK int HK_WINAPI DialogService(int pluginNumber, int x1, int y1, int x2, int y2,
                                             const char* help, FarDialogItem* items, int count) {
    return Guarded("Dialog", -1, [&] {
        return Current->Dialog("Dialog", pluginNumber, x1, y1, x2, y2, help, items, count, 0, 0,
                               nullptr, 0);
    });
}

HK_REALIGN_STACK int HK_WINAPI DialogExService(int pluginNumber, int x1, int y1, int x2, int y2,
                                               const char* help, FarDialogItem* items, int count,
                                               DWORD reserved, DWORD flags, FARWINDOWPROC proc,
                                               LONG_PTR param) {
    return Guarded("DialogEx", -1, [&] {
        return Current->Dialog("DialogEx", pluginNumber, x1, y1, x2, y2, help, items, count,
                               reserved, flags, proc, param);
    });
}

HK_REALIGN_STACK LONG_PTR HK_WINAPI SendDlgMessageService(HANDLE dialog, int message, int param1,
                                                          LONG_PTR param2) {
    return Guarded("SendDlgMessage", LONG_PTR{0},
                   [&] { return Current->SendDlgMessage(dialog, message, param1, param2); });
}

HK_REALIGN_STACK LONG_PTR HK_WINAPI DefDlgProcService(HANDLE dialog, int message, int param1,
                                                      LONG_PTR param2) {
    return Guarded("DefDlgProc", LONG_PTR{0},
                   [&] { return Current->DefDlgProc(dialog, message, param1, param2); });
}

HK_REALIGN_STACK int HK_WINAPI ControlService(HANDLE plugin, int command, void* param) {
    return Guarded("Control", 0, [&] { return Current->Control(plugin, command, param); });
}

HK_REALIGN_STACK HANDLE HK_WINAPI SaveScreenService(int x1, int y1, int x2, int y2) {
    return Guarded<HANDLE>("SaveScreen", nullptr,
                           [&] { return Current->SaveScreen(x1, y1, x2, y2); });
}

HK_REALIGN_STACK void HK_WINAPI RestoreScreenService(HANDLE screen) {
    Guarded("RestoreScreen", 0, [&] {
        Current->RestoreScreen(screen);
        return 0;
    });
}

// --- Answers and keys -------------------------------------------------------

const ScenarioAnswer* Host::TakeAnswer(ScenarioAnswer::Kind kind, const char* what) {
    if (OutOfStep) {
        Print("no answer (the scenario is out of step): Esc");
        return nullptr;
    }
    if (NextAnswer >= S.Answers.size()) {
        Error(std::string("the plug-in shows ") + what + ", but the scenario has no answer left");
        OutOfStep = true;
        return nullptr;
    }
    const ScenarioAnswer& answer = S.Answers[NextAnswer];
    if (answer.Type != kind) {
        Error(std::string("the plug-in shows ") + what + ", but the next answer (line " +
              std::to_string(answer.Line) + ") is for " +
              (answer.Type == ScenarioAnswer::Message ? "a message box" : "a dialog"));
        OutOfStep = true;
        return nullptr;
    }
    ++NextAnswer;
    return &answer;
}

void Host::FeedDueKeys() {
    while (NextKey < Keys.size() && Keys[NextKey].AtProgress <= ProgressBoxes + 1) {
        const KeyPress& key = Keys[NextKey++];
        const std::string name = key.Escape ? "Esc" : Q(std::string(1, key.Character));
        if (!FeedOpen || !Platform::FeedConsoleKey(key.Escape, key.Character)) {
            Error("cannot feed the key " + name + " (line " + std::to_string(key.Line) +
                  "): no console input to write to");
            continue;
        }
        Print("key " + name + " pressed");
    }
}

// --- Messages and dialogs ---------------------------------------------------

const char* Host::GetMsg(int pluginNumber, int id) {
    CheckPluginNumber("GetMsg", pluginNumber);
    const char* text = nullptr;
    if (id >= 0 && static_cast<size_t>(id) < Language.Messages.size())
        text = Language.Messages[static_cast<size_t>(id)].c_str();
    if (S.ShowGetMsg)
        Print("GetMsg " + std::to_string(id) + " -> " + Q(text));
    return text;
}

int Host::Message(int pluginNumber, DWORD flags, const char* help, const char* const* items,
                  int count, int buttons) {
    CheckPluginNumber("Message", pluginNumber);
    const uint32_t buttonSet = (flags & MessageButtonSetMask) >> 16;
    static const std::vector<std::vector<const char*>> setButtons = {{},
                                                                     {"OK"},
                                                                     {"OK", "Cancel"},
                                                                     {"Abort", "Retry", "Ignore"},
                                                                     {"Yes", "No"},
                                                                     {"Yes", "No", "Cancel"},
                                                                     {"Retry", "Cancel"},
                                                                     {}};
    const bool progressBox = buttonSet == 0 && buttons == 0;
    std::string head = "Message " + MessageFlagsText(flags);
    if (help != nullptr)
        head += " help " + Q(help);
    if (progressBox)
        head += " (no buttons: progress box #" + std::to_string(ProgressBoxes + 1) + ")";
    Print(head);
    ++Depth;
    // With a button set the host supplies the buttons and ignores the count.
    if (items == nullptr || count < 1 || count > MessageLinesLimit ||
        (buttonSet == 0 && (buttons < 0 || buttons > count - 1))) {
        Error("Message with " + std::to_string(count) + " lines and " + std::to_string(buttons) +
              " buttons: not a box the host can draw");
        --Depth;
        return -1;
    }
    std::vector<std::string> labels;
    if (buttonSet != 0) {
        for (const char* label : setButtons[buttonSet])
            labels.emplace_back(label);
        if (labels.empty())
            Error("Message with the unknown button set " +
                  MessageFlagsText(flags & MessageButtonSetMask));
    }
    const int lineCount = buttonSet != 0 ? count : count - buttons;
    for (int i = 0; i < lineCount; ++i)
        Print(Q(items[i]));
    if (buttonSet == 0)
        for (int i = lineCount; i < count; ++i)
            labels.emplace_back(items[i] != nullptr ? items[i] : "");
    if (!labels.empty()) {
        std::string row;
        for (const std::string& label : labels)
            row += (row.empty() ? "[" : " [") + Shower.Plain(label) + "]";
        Print(row);
    }

    if (Screen) {
        std::vector<std::string> shown;
        for (int i = 0; i < lineCount; ++i)
            shown.push_back(items[i] != nullptr ? Shower.Plain(items[i]) : "");
        Screen->Message(Depth - 1, flags, shown, labels, progressBox ? ProgressBoxes + 1 : 0);
    }
    int result = -1;
    if (progressBox) {
        ++ProgressBoxes;
        FeedDueKeys();
    } else if (const ScenarioAnswer* answer =
                   TakeAnswer(ScenarioAnswer::Message, "a message box")) {
        if (answer->Escape) {
            Print("user: Esc");
        } else if (static_cast<size_t>(answer->Index) >= labels.size()) {
            Error("the answer on line " + std::to_string(answer->Line) + " presses button " +
                  std::to_string(answer->Index) + ", but the box has " +
                  std::to_string(labels.size()));
        } else {
            result = answer->Index;
            Print("user: " + std::to_string(result) + " [" +
                  Shower.Plain(labels[static_cast<size_t>(result)]) + "]");
        }
        ReleaseLock(*answer);
    }
    --Depth;
    Print("-> " + std::to_string(result));
    return result;
}

std::string Host::ItemText(const FarDialogItem& item, int index) const {
    std::string text = "[" + std::to_string(index) + "] " + ItemTypeText(item.Type) + " (" +
                       std::to_string(item.X1) + "," + std::to_string(item.Y1) + ")-(" +
                       std::to_string(item.X2) + "," + std::to_string(item.Y2) + ")";
    if (item.Flags != 0)
        text += " " + DialogFlagsText(item.Flags);
    if (item.Type == DI_CHECKBOX || item.Type == DI_RADIOBUTTON || item.Selected != 0)
        text += " selected=" + std::to_string(item.Selected);
    if (item.Focus != 0)
        text += " focus";
    if (item.DefaultButton != 0)
        text += " default";
    const size_t length = strnlen(item.Data, DialogDataSize);
    if (length == DialogDataSize)
        return text + " (text not terminated)";
    return text + " " + Q(std::string(item.Data, length));
}

void Host::ApplyAction(OpenDialog& dialog, const DialogAction& action, FARWINDOWPROC proc) {
    static const char* const verbs[] = {"edit", "check on", "check off", "radio"};
    std::string said =
        std::string("user: ") + verbs[action.Type] + " [" + std::to_string(action.Item) + "]";
    if (action.Type == DialogAction::Edit)
        said += " " + Q(action.Text);
    Print(said);
    const std::string where = " (line " + std::to_string(action.Line) + ")";
    if (action.Item >= dialog.Count) {
        Error("the dialog has no item " + std::to_string(action.Item) + where);
        return;
    }
    FarDialogItem& item = dialog.Items[action.Item];
    if ((item.Flags & DIF_DISABLE) != 0) {
        Error("item " + std::to_string(action.Item) + " is disabled: the user cannot change it" +
              where);
        return;
    }
    const int wanted = action.Type == DialogAction::Edit    ? DI_EDIT
                       : action.Type == DialogAction::Radio ? DI_RADIOBUTTON
                                                            : DI_CHECKBOX;
    if (item.Type != wanted) {
        Error("item " + std::to_string(action.Item) + " is a " + ItemTypeText(item.Type) +
              ", not a " + ItemTypeText(wanted) + where);
        return;
    }
    if (action.Type == DialogAction::Edit) {
        std::memset(item.Data, 0, DialogDataSize);
        std::memcpy(item.Data, action.Text.data(),
                    std::min(action.Text.size(), DialogDataSize - 1));
        return;
    }
    if (action.Type != DialogAction::Radio) {
        const int state = action.Type == DialogAction::CheckOn ? 1 : 0;
        if ((item.Selected != 0) == (state != 0)) {
            Error("check box " + std::to_string(action.Item) + " is already " +
                  (state != 0 ? "on" : "off") + where);
            return;
        }
        // As the real host: the box changes, the procedure hears of it, and
        // a 0 from it puts the old state back.
        const int old = item.Selected;
        item.Selected = state;
        if (!SendClick(dialog, proc, action.Item, state)) {
            item.Selected = old;
            Print("the click is undone: [" + std::to_string(action.Item) + "] is " +
                  (old != 0 ? "on" : "off") + " again");
        }
        return;
    }
    // A radio group starts at an item with DIF_GROUP or at the first radio
    // button after another kind of item, and runs to the next such start.
    int first = action.Item;
    while (first > 0 && (dialog.Items[first].Flags & DIF_GROUP) == 0 &&
           dialog.Items[first - 1].Type == DI_RADIOBUTTON)
        --first;
    int last = action.Item;
    while (last + 1 < dialog.Count && dialog.Items[last + 1].Type == DI_RADIOBUTTON &&
           (dialog.Items[last + 1].Flags & DIF_GROUP) == 0)
        ++last;
    // The real host turns the group off, the clicked button on, and then
    // tells the procedure: first of the button going off (the clicked one
    // itself when none was on), then of the one going on. A 0 to either
    // puts the old button back, and the second message is then not sent.
    int previous = action.Item;
    for (int i = first; i <= last; ++i) {
        if (dialog.Items[i].Selected != 0)
            previous = i;
        dialog.Items[i].Selected = 0;
    }
    item.Selected = 1;
    if (!SendClick(dialog, proc, previous, 0) || !SendClick(dialog, proc, action.Item, 1)) {
        item.Selected = 0;
        dialog.Items[previous].Selected = 1;
        Print("the click is undone: [" + std::to_string(previous) + "] is on again");
    }
}

bool Host::SendClick(OpenDialog& dialog, FARWINDOWPROC proc, int item, int state) {
    // Without a procedure of the plug-in's the host's own default accepts.
    if (proc == nullptr)
        return true;
    Print("DN_BTNCLICK [" + std::to_string(item) + "] " + std::to_string(state));
    ++Depth;
    const LONG_PTR accepted = proc(static_cast<HANDLE>(&dialog), DN_BTNCLICK, item, state);
    --Depth;
    Print("-> " + std::to_string(accepted) + (accepted == 0 ? " (refused)" : ""));
    return accepted != 0;
}

int Host::Dialog(const char* kind, int pluginNumber, int x1, int y1, int x2, int y2,
                 const char* help, FarDialogItem* items, int count, DWORD reserved, DWORD flags,
                 FARWINDOWPROC proc, LONG_PTR param) {
    CheckPluginNumber(kind, pluginNumber);
    std::string head = std::string(kind) + " #" + std::to_string(++DialogCount) + " ";
    if (x1 == -1 && y1 == -1)
        head += "centred " + std::to_string(x2) + "x" + std::to_string(y2);
    else
        head += "(" + std::to_string(x1) + "," + std::to_string(y1) + ")-(" + std::to_string(x2) +
                "," + std::to_string(y2) + ")";
    head += ", " + std::to_string(count) + " items";
    if (help != nullptr)
        head += ", help " + Q(help);
    if (reserved != 0 || flags != 0 || param != 0)
        head += ", reserved " + std::to_string(reserved) + " flags " + std::to_string(flags) +
                " param " + std::to_string(param);
    if (std::strcmp(kind, "DialogEx") == 0)
        head += proc != nullptr ? ", dialog procedure" : ", no dialog procedure";
    Print(head);
    ++Depth;
    if (items == nullptr || count < 1 || count > DialogItemsLimit) {
        Error(std::string(kind) + " with " + std::to_string(count) +
              " items: not a dialog the host can draw");
        --Depth;
        return -1;
    }
    for (int i = 0; i < count; ++i)
        Print(ItemText(items[i], i));
    const std::vector<FarDialogItem> before(items, items + count);
    const std::string name = std::string(kind) + " #" + std::to_string(DialogCount);
    std::vector<std::string> faults;
    auto draw = [&](const std::string& what) {
        for (const std::string& fault : Screen->Dialog(Depth - 1, what, x1, y1, x2, y2, flags,
                                                       ScreenItems(items, count, Shower)))
            if (std::find(faults.begin(), faults.end(), fault) == faults.end()) {
                faults.push_back(fault);
                Error(name + ": " + fault);
            }
    };
    if (Screen)
        draw(name);

    int result = -1;
    if (const ScenarioAnswer* answer = TakeAnswer(ScenarioAnswer::Dialog, "a dialog")) {
        auto dialog = std::make_unique<OpenDialog>();
        dialog->Items = items;
        dialog->Count = count;
        Dialogs.push_back(dialog.get());
        for (const DialogAction& action : answer->Actions)
            ApplyAction(*dialog, action, proc);
        Dialogs.pop_back();
        if (Screen && std::memcmp(before.data(), items, before.size() * sizeof(FarDialogItem)) != 0)
            draw(name + " (as the user leaves it)");
        if (answer->Escape) {
            Print("user: Esc");
        } else if (answer->Index >= count || items[answer->Index].Type != DI_BUTTON ||
                   (items[answer->Index].Flags & DIF_DISABLE) != 0) {
            Print("user: close [" + std::to_string(answer->Index) + "]");
            Error("the answer on line " + std::to_string(answer->Line) +
                  " closes the dialog with item " + std::to_string(answer->Index) +
                  ", which is not an enabled button");
        } else {
            result = answer->Index;
            Print("user: close [" + std::to_string(result) + "] " + Q(items[result].Data));
        }
        for (int i = 0; i < count; ++i)
            if (std::memcmp(&before[static_cast<size_t>(i)], &items[i], sizeof(FarDialogItem)) != 0)
                Print("now " + ItemText(items[i], i));
    }
    --Depth;
    Print("-> " + std::to_string(result));
    return result;
}

OpenDialog* Host::FindDialog(HANDLE handle) {
    for (OpenDialog* dialog : Dialogs)
        if (static_cast<HANDLE>(dialog) == handle)
            return dialog;
    return nullptr;
}

LONG_PTR Host::SendDlgMessage(HANDLE handle, int message, int param1, LONG_PTR param2) {
    std::string head =
        "SendDlgMessage " + DialogMessageText(message) + " [" + std::to_string(param1) + "]";
    OpenDialog* dialog = FindDialog(handle);
    if (dialog == nullptr) {
        Print(head);
        Error("SendDlgMessage with a handle of no open dialog");
        return 0;
    }
    if (param1 < 0 || param1 >= dialog->Count) {
        Print(head);
        Error("SendDlgMessage for item " + std::to_string(param1) + " of a dialog of " +
              std::to_string(dialog->Count) + " items");
        return 0;
    }
    FarDialogItem& item = dialog->Items[param1];
    const size_t length = strnlen(item.Data, DialogDataSize - 1);
    LONG_PTR result = 0;
    switch (message) {
    case DM_GETTEXTLENGTH:
        result = static_cast<LONG_PTR>(length);
        break;
    case DM_GETTEXT: {
        if (param2 == 0) {
            result = static_cast<LONG_PTR>(length);
            break;
        }
        auto* data = reinterpret_cast<FarDialogItemData*>(param2);
        head += " buffer " + std::to_string(data->PtrLength);
        if (data->PtrData == nullptr || data->PtrLength <= 0) {
            Print(head);
            Error("DM_GETTEXT with no buffer to copy into");
            return 0;
        }
        // The buffer holds PtrLength characters with the terminator.
        const size_t copied = std::min(length, static_cast<size_t>(data->PtrLength) - 1);
        std::memcpy(data->PtrData, item.Data, copied);
        data->PtrData[copied] = '\0';
        result = static_cast<LONG_PTR>(copied);
        head += " " + Q(std::string(item.Data, copied));
        break;
    }
    case DM_SETTEXTPTR: {
        const char* text = reinterpret_cast<const char*>(param2);
        head += " " + Q(text);
        std::string copy = text != nullptr ? text : "";
        copy.resize(std::min(copy.size(), DialogDataSize - 1));
        std::memset(item.Data, 0, DialogDataSize);
        std::memcpy(item.Data, copy.data(), copy.size());
        result = 1;
        break;
    }
    case DM_ENABLE: {
        const bool wasEnabled = (item.Flags & DIF_DISABLE) == 0;
        head += param2 == -1 ? " query" : param2 != 0 ? " enable" : " disable";
        if (param2 == 0)
            item.Flags |= DIF_DISABLE;
        else if (param2 != -1)
            item.Flags &= ~static_cast<DWORD>(DIF_DISABLE);
        result = wasEnabled ? 1 : 0;
        break;
    }
    default:
        head += " (not offered)";
        break;
    }
    Print(head + " -> " + std::to_string(result));
    return result;
}

LONG_PTR Host::DefDlgProc(HANDLE handle, int message, int param1, LONG_PTR param2) {
    // The real host's default accepts a click on anything but a button that
    // closes the dialog (one without DIF_BTNNOCLOSE, 0x40000); other
    // messages get 0 here.
    constexpr DWORD ButtonDoesNotClose = 0x40000;
    LONG_PTR result = 0;
    const OpenDialog* dialog = FindDialog(handle);
    if (message == DN_BTNCLICK && dialog != nullptr && param1 >= 0 && param1 < dialog->Count) {
        const FarDialogItem& item = dialog->Items[param1];
        result = item.Type == DI_BUTTON && (item.Flags & ButtonDoesNotClose) == 0 ? 0 : 1;
    }
    Print("DefDlgProc " + DialogMessageText(message) + " [" + std::to_string(param1) + "] " +
          std::to_string(param2) + " -> " + std::to_string(result));
    if (dialog == nullptr)
        Error("DefDlgProc with a handle of no open dialog");
    return result;
}

// --- Panels -----------------------------------------------------------------

void Host::BetweenCalls(const ScenarioCall& call) {
    std::string error;
    if (call.Kind == CallKind::WriteFile) {
        const fs::path path = PathOf(Setup.SandboxDirectory) / PathOf(call.Names[0]);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(call.Text.data(), static_cast<std::streamsize>(call.Text.size()));
        out.close();
        Print("== another program writes " + Q(call.Names[0]) + ": " +
              std::to_string(call.Text.size()) + " bytes");
        if (!out)
            Error("cannot write " + Q(call.Names[0]));
        return;
    }
    HostPanel& panel = Panels[call.Side == PanelSide::Active ? 0 : 1];
    // The host shows what the directory holds now.
    if (!ReadPanel(panel, true, error)) {
        Error(error);
        return;
    }
    auto find = [&](const std::string& name) {
        for (size_t i = 1; i < panel.Items.size(); ++i)
            if (panel.Items[i].Name == name)
                return i;
        Error("line " + std::to_string(call.Line) + ": the " + panel.Side + " panel has no item " +
              Q(name));
        return size_t{0};
    };
    if (call.Kind == CallKind::Cursor) {
        panel.Current = find(call.Names[0]);
        Print("== the user moves the cursor of the " + std::string(panel.Side) + " panel to " +
              Q(call.Names[0]));
        return;
    }
    for (HostItem& item : panel.Items)
        item.Selected = false;
    std::string names;
    for (const std::string& name : call.Names) {
        if (const size_t index = find(name); index != 0)
            panel.Items[index].Selected = true;
        names += " " + Q(name);
    }
    Print(call.Names.empty()
              ? "== the user clears the selection of the " + std::string(panel.Side) + " panel"
              : "== the user selects on the " + std::string(panel.Side) + " panel:" + names);
}

bool Host::ReadPanel(HostPanel& panel, bool keepState, std::string& error) {
    std::vector<std::string> selected;
    std::string cursor;
    if (keepState) {
        for (const HostItem& item : panel.Items)
            if (item.Selected)
                selected.push_back(item.Name);
        if (panel.Current < panel.Items.size())
            cursor = panel.Items[panel.Current].Name;
    } else {
        selected = panel.Setup.Selection;
        cursor = panel.Setup.Cursor;
        std::string relative = panel.Setup.Directory == "." ? "" : panel.Setup.Directory;
        for (char& c : relative)
            if (c == '/')
                c = Platform::PathSeparator;
        panel.Directory =
            Setup.SandboxDirectory +
            (relative.empty() ? "" : std::string(1, Platform::PathSeparator) + relative);
    }
    std::vector<HostItem> items;
    items.push_back(HostItem{ParentName, ParentName, true, 0, false});
    std::error_code failure;
    for (fs::directory_iterator it(PathOf(panel.Directory), failure), end; !failure && it != end;
         it.increment(failure)) {
        HostItem item;
        item.Name = Utf8Of(it->path().filename());
        item.Handed = ToHostCodePage(item.Name);
        std::error_code ignored;
        item.IsDirectory = it->is_directory(ignored);
        if (!item.IsDirectory)
            item.Size = it->file_size(ignored);
        items.push_back(std::move(item));
    }
    if (failure) {
        error = "cannot read the " + std::string(panel.Side) + " panel's directory " +
                Shower.Plain(panel.Directory);
        return false;
    }
    std::sort(items.begin(), items.end(), ItemBefore);
    for (const std::string& name : selected) {
        auto found = std::find_if(items.begin() + 1, items.end(),
                                  [&](const HostItem& i) { return i.Name == name; });
        if (found != items.end())
            found->Selected = true;
        else if (!keepState) {
            error =
                "the " + std::string(panel.Side) + " panel has no item \"" + name + "\" to select";
            return false;
        }
    }
    panel.Current = 0;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].Name == cursor)
            panel.Current = i;
    if (!keepState && !cursor.empty() && items[panel.Current].Name != cursor) {
        error = "the " + std::string(panel.Side) + " panel has no item \"" + cursor +
                "\" for the cursor";
        return false;
    }
    panel.Items = std::move(items);
    panel.Handed.clear();
    panel.HandedSelected.clear();
    return true;
}

void Host::FillPanelInfo(HostPanel& panel, PanelInfo& info) {
    auto handed = [](const HostItem& item) {
        PluginPanelItem record;
        std::memset(&record, 0, sizeof record);
        record.FindData.dwFileAttributes =
            item.IsDirectory ? DWORD{FILE_ATTRIBUTE_DIRECTORY_FAR} : FileAttributeArchive;
        record.FindData.nFileSizeHigh = static_cast<DWORD>(item.Size >> 32);
        record.FindData.nFileSizeLow = static_cast<DWORD>(item.Size & 0xFFFFFFFFu);
        const size_t length = std::min(item.Handed.size(), sizeof record.FindData.cFileName - 1);
        std::memcpy(record.FindData.cFileName, item.Handed.data(), length);
        record.Flags = item.Selected ? DWORD{PPIF_SELECTED} : DWORD{0};
        record.NumberOfLinks = 1;
        return record;
    };
    panel.Handed.clear();
    panel.HandedSelected.clear();
    for (const HostItem& item : panel.Items) {
        panel.Handed.push_back(handed(item));
        if (item.Selected)
            panel.HandedSelected.push_back(handed(item));
    }
    // With nothing selected the host reports the item under the cursor;
    // far2l reports none when that is "..".
    if (panel.HandedSelected.empty() && panel.Current < panel.Items.size() &&
        !(Setup.Far2l && panel.Items[panel.Current].Name == ParentName))
        panel.HandedSelected.push_back(handed(panel.Items[panel.Current]));

    std::memset(&info, 0, sizeof info);
    const bool active = &panel == &Panels[0];
    info.PanelType = panel.Setup.PanelType;
    info.Plugin = panel.Setup.Plugin;
    info.PanelRect = active ? FarRect{0, 1, 39, 20} : FarRect{40, 1, 79, 20};
    info.PanelItems = panel.Handed.data();
    info.ItemsNumber = static_cast<int>(panel.Handed.size());
    info.SelectedItems = panel.HandedSelected.data();
    info.SelectedItemsNumber = static_cast<int>(panel.HandedSelected.size());
    info.CurrentItem = static_cast<int>(panel.Current);
    info.Visible = 1;
    info.Focus = active ? 1 : 0;
    info.ViewMode = 2;
    const std::string directory = ToHostCodePage(panel.Directory);
    const size_t length = std::min(directory.size(), sizeof info.CurDir - 1);
    std::memcpy(info.CurDir, directory.data(), length);
    if (length < directory.size())
        Error("the " + std::string(panel.Side) + " panel's directory is longer than CurDir holds");
}

std::string Host::SelectionText(const HostPanel& panel) const {
    std::string text;
    for (const HostItem& item : panel.Items)
        if (item.Selected)
            text += (text.empty() ? "" : " ") + Q(item.Name);
    if (!text.empty())
        return "selected " + text;
    return panel.Current < panel.Items.size()
               ? "nothing selected, cursor on " + Q(panel.Items[panel.Current].Name)
               : "nothing selected";
}

int Host::Control(HANDLE plugin, int command, void* param) {
    std::string head = "Control " + ControlCommandText(command);
    if (plugin != INVALID_HANDLE_VALUE)
        Error("Control with a plug-in handle: a plug-in without panels of its own passes "
              "INVALID_HANDLE_VALUE");
    const bool another = command == FCTL_GETANOTHERPANELINFO ||
                         command == FCTL_UPDATEANOTHERPANEL || command == FCTL_REDRAWANOTHERPANEL ||
                         command == FCTL_SETANOTHERSELECTION;
    HostPanel& panel = Panels[another ? 1 : 0];
    const std::string side = std::string(panel.Side) + " panel";
    switch (command) {
    case FCTL_GETPANELINFO:
    case FCTL_GETANOTHERPANELINFO: {
        if (param == nullptr) {
            Print(head);
            Error(head + " without a PanelInfo to fill");
            return 0;
        }
        FillPanelInfo(panel, *static_cast<PanelInfo*>(param));
        Print(head + " -> 1: " + side + " " + Q(panel.Directory) + ", type " +
              std::to_string(panel.Setup.PanelType) +
              (panel.Setup.Plugin != 0 ? ", plug-in panel" : "") + ", " +
              std::to_string(panel.Items.size()) + " items, " + SelectionText(panel));
        return 1;
    }
    case FCTL_SETSELECTION:
    case FCTL_SETANOTHERSELECTION: {
        const auto* info = static_cast<const PanelInfo*>(param);
        if (info == nullptr || info->PanelItems == nullptr) {
            Print(head);
            Error(head + " without a PanelInfo and its items");
            return 0;
        }
        if (info->ItemsNumber != static_cast<int>(panel.Items.size())) {
            Print(head);
            Error(head + " with " + std::to_string(info->ItemsNumber) + " items for a panel of " +
                  std::to_string(panel.Items.size()));
            return 0;
        }
        for (size_t i = 0; i < panel.Items.size(); ++i)
            panel.Items[i].Selected = i > 0 && (info->PanelItems[i].Flags & PPIF_SELECTED) != 0;
        Print(head + " -> 1: " + side + " " + SelectionText(panel));
        return 1;
    }
    case FCTL_UPDATEPANEL:
    case FCTL_UPDATEANOTHERPANEL: {
        std::vector<std::string> before;
        for (const HostItem& item : panel.Items)
            before.push_back(item.Name);
        std::string error;
        if (!ReadPanel(panel, true, error)) {
            Print(head);
            Error(error);
            return 0;
        }
        // The real host keeps the selection only when given a parameter.
        if (param == nullptr)
            for (HostItem& item : panel.Items)
                item.Selected = false;
        std::string changes;
        for (const HostItem& item : panel.Items)
            if (std::find(before.begin(), before.end(), item.Name) == before.end())
                changes += ", new " + Q(item.Name);
        for (const std::string& name : before)
            if (std::none_of(panel.Items.begin(), panel.Items.end(),
                             [&](const HostItem& i) { return i.Name == name; }))
                changes += ", gone " + Q(name);
        Print(head +
              (param != nullptr ? " (with a parameter)" : " (no parameter: selection dropped)") +
              " -> 1: " + side + " re-read, " + std::to_string(panel.Items.size()) + " items" +
              changes + ", " + SelectionText(panel));
        return 1;
    }
    case FCTL_REDRAWPANEL:
    case FCTL_REDRAWANOTHERPANEL:
        Print(head + (param != nullptr ? " (with a parameter)" : "") + " -> 1: " + side +
              " redrawn");
        return 1;
    default:
        Print(head + " -> 0 (not offered)");
        return 0;
    }
}

// --- Screens ----------------------------------------------------------------

HANDLE Host::SaveScreen(int x1, int y1, int x2, int y2) {
    const intptr_t id = NextScreen++;
    SavedScreens.push_back(id);
    Print("SaveScreen (" + std::to_string(x1) + "," + std::to_string(y1) + ")-(" +
          std::to_string(x2) + "," + std::to_string(y2) + ") -> #" + std::to_string(id));
    return reinterpret_cast<HANDLE>(id);
}

void Host::RestoreScreen(HANDLE screen) {
    if (Screen)
        Screen->ScreenRestored();
    const auto id = reinterpret_cast<intptr_t>(screen);
    if (screen == nullptr) {
        Print("RestoreScreen null: the whole screen is redrawn");
        return;
    }
    auto found = std::find(SavedScreens.begin(), SavedScreens.end(), id);
    if (found != SavedScreens.end()) {
        SavedScreens.erase(found);
        RestoredScreens.push_back(id);
        Print("RestoreScreen #" + std::to_string(id));
        return;
    }
    const bool again =
        std::find(RestoredScreens.begin(), RestoredScreens.end(), id) != RestoredScreens.end();
    Print(again ? "RestoreScreen #" + std::to_string(id)
                : std::string("RestoreScreen (unknown handle)"));
    Error(again ? "screen #" + std::to_string(id) + " is restored a second time"
                : std::string("RestoreScreen with a handle that SaveScreen never gave"));
}

// --- The run ----------------------------------------------------------------

void Host::EndOfCall(const char* entry) {
    for (const intptr_t id : SavedScreens)
        Error("screen #" + std::to_string(id) + " was saved but not restored by the end of " +
              entry);
    SavedScreens.clear();
    for (HostPanel& panel : Panels) {
        panel.Handed.clear();
        panel.HandedSelected.clear();
    }
}

bool Host::PreloadRegistry() {
    if (S.Registry.empty())
        return true;
    KeyHandle key(Platform::OpenRegistryKey(Setup.RootKey + "\\" + SettingsKeyName,
                                            Platform::RegistryAccess::Write, true));
    if (!key) {
        Error("cannot create the registry key $ROOT\\Hashkeep");
        return false;
    }
    for (const RegistryPreset& preset : S.Registry) {
        if (!Platform::WriteRegistryValue(key.get(), preset.Name, preset.Value)) {
            Error("cannot preload the registry value " + Q(preset.Name));
            return false;
        }
        Print("registry $ROOT\\Hashkeep " + Q(preset.Name) + " = " +
              RegistryValueText(preset.Value));
    }
    return true;
}

std::string Host::SandboxPath(const std::string& name) const {
    std::string path = Setup.SandboxDirectory + Platform::PathSeparator + name;
    for (char& c : path)
        if (c == '/')
            c = Platform::PathSeparator;
    return path;
}

void Host::LockFiles() {
    for (const std::string& name : S.Locks) {
        std::string error;
        if (Locks.Lock(SandboxPath(name), error))
            Print("another program locks " + Q(name));
        else
            Error("cannot lock " + Q(name) + ": " + error);
    }
}

void Host::ReleaseLock(const ScenarioAnswer& answer) {
    if (answer.Unlock.empty())
        return;
    if (Locks.Unlock(SandboxPath(answer.Unlock)))
        Print("another program unlocks " + Q(answer.Unlock));
    else
        Error("the answer on line " + std::to_string(answer.Line) + " unlocks " + Q(answer.Unlock) +
              ", which is not locked");
}

void Host::ShowRegistry() {
    KeyHandle key(Platform::OpenRegistryKey(Setup.RootKey + "\\" + SettingsKeyName,
                                            Platform::RegistryAccess::Read, false));
    std::vector<std::pair<std::string, Platform::RegistryValue>> values;
    if (!key || !Platform::ListRegistryValues(key.get(), values)) {
        Print("== registry $ROOT\\Hashkeep: no such key");
        return;
    }
    Print("== registry $ROOT\\Hashkeep: " + std::to_string(values.size()) + " values");
    for (const auto& [name, value] : values)
        Print("  " + Q(name) + " = " + RegistryValueText(value));
}

void Host::ShowFile(const std::string& name) {
    const fs::path path = PathOf(SandboxPath(name));
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        Print("== file " + Q(name) + ": missing");
        return;
    }
    const std::uintmax_t size = fs::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<size_t>(std::min<std::uintmax_t>(size, ShownFileLimit)), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Print("== file " + Q(name) + ": " + std::to_string(size) + " bytes");
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        Print("  |" + EscapeBytes(bytes.substr(start, end - start), true));
        start = end;
    }
    if (size > bytes.size())
        Print("  ... " + std::to_string(size - bytes.size()) + " more bytes");
}

void Host::PrintPanel(const HostPanel& panel) {
    Print(std::string(panel.Side) + " panel " + Q(panel.Directory) + ", type " +
          std::to_string(panel.Setup.PanelType) +
          (panel.Setup.Plugin != 0 ? ", plug-in panel" : ""));
    for (size_t i = 0; i < panel.Items.size(); ++i) {
        const HostItem& item = panel.Items[i];
        Print(std::string(i == panel.Current ? "  >" : "   ") + (item.Selected ? "* " : "  ") +
              Q(item.Name) + (item.IsDirectory ? " <dir>" : " " + std::to_string(item.Size)));
    }
}

void Host::ShowPanels() {
    for (HostPanel& panel : Panels) {
        std::string error;
        if (!ReadPanel(panel, true, error))
            Error(error);
    }
    Print("== panels");
    PrintPanel(Panels[0]);
    PrintPanel(Panels[1]);
    if (Screen)
        Screen->Panels(View(Panels[0]), View(Panels[1]));
}

PanelView Host::View(const HostPanel& panel) const {
    PanelView view;
    view.Title = Shower.Plain(panel.Directory);
    for (size_t i = 0; i < panel.Items.size(); ++i) {
        const HostItem& item = panel.Items[i];
        view.Rows.push_back(PanelView::Row{item.Name, item.IsDirectory, item.Name == ParentName,
                                           item.Size, item.Selected, i == panel.Current});
    }
    return view;
}

void Host::CallPluginInfo(const PluginEntries& plugin) {
    PluginInfo info;
    std::memset(&info, 0, sizeof info);
    Print("== GetPluginInfo");
    ++Depth;
    {
        const TPluginCall call;
        plugin.GetPluginInfo(&info);
    }
    const bool hostSize = info.StructSize == static_cast<int>(sizeof(PluginInfo)) ||
                          info.StructSize == HostPluginInfoSize32;
    Print(std::string("StructSize ") +
          (hostSize ? "(the host's size)" : std::to_string(info.StructSize)) + ", Flags " +
          std::to_string(info.Flags));
    auto strings = [&](const char* what, const char* const* texts, int count) {
        if (count == 0 && texts == nullptr) {
            Print(std::string(what) + ": none");
            return;
        }
        if (texts == nullptr || count < 0 || count > MenuStringsLimit) {
            Error(std::string(what) + ": " + std::to_string(count) +
                  " strings that cannot be read");
            return;
        }
        std::string line = std::string(what) + ":";
        for (int i = 0; i < count; ++i)
            line += " " + Q(texts[i]);
        Print(line);
    };
    strings("plug-ins menu", info.PluginMenuStrings, info.PluginMenuStringsNumber);
    strings("configuration menu", info.PluginConfigStrings, info.PluginConfigStringsNumber);
    if (info.DiskMenuStringsNumber != 0 || info.DiskMenuStrings != nullptr)
        strings("disks menu", info.DiskMenuStrings, info.DiskMenuStringsNumber);
    Print("command prefix: " + Q(info.CommandPrefix));
    if (info.SysID != 0)
        Print("SysID " + std::to_string(info.SysID));
    --Depth;
    EndOfCall("GetPluginInfo");
}

RunReport Host::Run(const PluginEntries& plugin) {
    if (Setup.Far2l)
        Print("host: far2l where the two differ");
    Language = LoadLanguage(fs::path(Setup.ModulePath).parent_path().string(), S.Language);
    if (Language.Found)
        Print("language " + Q(S.Language) + ": " + Q(Language.Language) + " from " +
              Q(Language.FileName) + ", " + std::to_string(Language.Messages.size()) + " messages");
    else
        Print("language " + Q(S.Language) + ": no language file");

    std::string error;
    for (HostPanel& panel : Panels)
        if (!ReadPanel(panel, false, error)) {
            Error(error);
            return RunReport{Out, Errors};
        }
    if (!PreloadRegistry())
        return RunReport{Out, Errors};
    LockFiles();

    // The host works in the active panel's directory: a relative name on the
    // command line resolves against it.
    std::error_code failure;
    const fs::path previousDirectory = fs::current_path(failure);
    fs::current_path(PathOf(Panels[0].Directory), failure);
    if (failure)
        Error("cannot work in the active panel's directory " + Shower.Plain(Panels[0].Directory));

    char version[16];
    int minimum = 0;
    {
        const TPluginCall call;
        minimum = plugin.GetMinFarVersion();
    }
    std::snprintf(version, sizeof version, "0x%08X", static_cast<unsigned>(minimum));
    Print(std::string("GetMinFarVersion -> ") + version);

    std::memset(&Info, 0, sizeof Info);
    Info.StructSize =
        S.StructSize != 0 ? S.StructSize : static_cast<int>(sizeof(PluginStartupInfo));
    std::strncpy(Info.ModuleName, Setup.ModulePath.c_str(), sizeof Info.ModuleName - 1);
    Info.ModuleNumber = S.ModuleNumber;
    Info.RootKey = Setup.RootKey.c_str();
    Info.Dialog = DialogService;
    Info.Message = MessageService;
    Info.GetMsg = GetMsgService;
    Info.Control = ControlService;
    Info.SaveScreen = SaveScreenService;
    Info.RestoreScreen = RestoreScreenService;
    Info.DialogEx = DialogExService;
    Info.SendDlgMessage = SendDlgMessageService;
    Info.DefDlgProc = DefDlgProcService;
    Print("SetStartupInfo StructSize " +
          (S.StructSize != 0 ? std::to_string(S.StructSize) : std::string("(the host's size)")) +
          ", ModuleNumber " + std::to_string(S.ModuleNumber) + ", RootKey $ROOT");
    {
        const TPluginCall call;
        plugin.SetStartupInfo(&Info);
    }

    for (const ScenarioCall& call : S.Calls) {
        switch (call.Kind) {
        case CallKind::PluginInfo:
            CallPluginInfo(plugin);
            break;
        case CallKind::Menu:
        case CallKind::CommandLine: {
            const bool menu = call.Kind == CallKind::Menu;
            Print(menu ? std::string("== OpenPlugin OPEN_PLUGINSMENU")
                       : "== OpenPlugin OPEN_COMMANDLINE " + Q(call.Text));
            ++Depth;
            FeedDueKeys();
            // The command line's text, as the host hands texts over.
            const std::string text = ToHostCodePage(call.Text);
            HANDLE result;
            {
                const TPluginCall inPlugin;
                result = plugin.OpenPlugin(menu ? OPEN_PLUGINSMENU : OPEN_COMMANDLINE,
                                           menu ? 0 : reinterpret_cast<INT_PTR>(text.c_str()));
            }
            --Depth;
            Print(result == INVALID_HANDLE_VALUE ? "-> INVALID_HANDLE_VALUE" : "-> a panel handle");
            if (result != INVALID_HANDLE_VALUE)
                Error("OpenPlugin returned a panel handle; this host opens no plug-in panels");
            EndOfCall("OpenPlugin");
            break;
        }
        case CallKind::WriteFile:
        case CallKind::Select:
        case CallKind::Cursor:
            BetweenCalls(call);
            break;
        case CallKind::Step:
            Print("== step " + Q(call.Text));
            break;
        case CallKind::Panels:
            ShowPanels();
            break;
        case CallKind::Configure: {
            Print("== Configure " + std::to_string(call.Number));
            ++Depth;
            FeedDueKeys();
            int result;
            {
                const TPluginCall inPlugin;
                result = plugin.Configure(call.Number);
            }
            --Depth;
            Print("-> " + std::to_string(result));
            EndOfCall("Configure");
            break;
        }
        }
    }

    if (NextAnswer < S.Answers.size())
        Error(std::to_string(S.Answers.size() - NextAnswer) +
              " answer(s) left unused, the first on line " +
              std::to_string(S.Answers[NextAnswer].Line));
    for (size_t i = NextKey; i < Keys.size(); ++i)
        Error("the key on line " + std::to_string(Keys[i].Line) + " waits for progress box #" +
              std::to_string(Keys[i].AtProgress) + ", but only " + std::to_string(ProgressBoxes) +
              " were drawn");

    fs::current_path(previousDirectory, failure);
    // What is shown at the end is read as the user would, with nothing held.
    Locks.ReleaseAll();

    for (const std::string& name : S.ShowFiles)
        ShowFile(name);
    if (S.ShowRegistry)
        ShowRegistry();
    Print("== panels");
    PrintPanel(Panels[0]);
    PrintPanel(Panels[1]);
    return RunReport{Out, Errors};
}

} // namespace

bool LoadPlugin(const std::string& path, Platform::PluginLibrary*& library, PluginEntries& entries,
                std::string& error) {
    library = Platform::LoadPluginLibrary(path, error);
    if (library == nullptr) {
        error = "cannot load the plug-in " + path + ": " + error;
        return false;
    }
    auto resolve = [&](const char* name, auto& entry) {
        void* address = Platform::FindLibraryEntry(library, name);
        if (address == nullptr) {
            error += std::string(error.empty() ? "" : ", ") + name;
            return;
        }
        std::memcpy(&entry, &address, sizeof address);
    };
    error.clear();
    resolve("GetMinFarVersion", entries.GetMinFarVersion);
    resolve("SetStartupInfo", entries.SetStartupInfo);
    resolve("GetPluginInfo", entries.GetPluginInfo);
    resolve("OpenPlugin", entries.OpenPlugin);
    resolve("Configure", entries.Configure);
    if (error.empty())
        return true;
    error = "the plug-in " + path + " does not export " + error;
    Platform::FreePluginLibrary(library);
    library = nullptr;
    return false;
}

namespace {

bool MakeSandboxEntries(const Scenario& scenario, const std::string& sandbox, std::string& error) {
    for (const ScenarioEntry& entry : scenario.Entries) {
        const fs::path path = PathOf(sandbox) / PathOf(entry.Name);
        std::error_code failure;
        if (entry.Type == ScenarioEntry::Directory) {
            fs::create_directories(path, failure);
        } else {
            fs::create_directories(path.parent_path(), failure);
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            if (entry.Type == ScenarioEntry::Text) {
                out.write(entry.Content.data(), static_cast<std::streamsize>(entry.Content.size()));
            } else if (entry.Type == ScenarioEntry::Pattern) {
                std::string chunk;
                while (chunk.size() < PatternChunkSize)
                    chunk += entry.Content;
                // Whole repetitions per chunk keep the pattern in phase across chunks.
                chunk.resize(PatternChunkSize - PatternChunkSize % entry.Content.size());
                for (uint64_t left = entry.Size; left > 0;) {
                    const size_t piece =
                        static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
                    out.write(chunk.data(), static_cast<std::streamsize>(piece));
                    left -= piece;
                }
            }
            out.close();
            if (!out)
                failure = std::make_error_code(std::errc::io_error);
            else if (entry.Type == ScenarioEntry::Sparse)
                fs::resize_file(path, entry.Size, failure);
        }
        if (failure) {
            error = "cannot make \"" + entry.Name + "\" in the sandbox: " + failure.message();
            return false;
        }
    }
    return true;
}

} // namespace

bool PrepareSandbox(const Scenario& scenario, const std::string& sandbox, std::string& error) {
    try {
        return MakeSandboxEntries(scenario, sandbox, error);
    } catch (const std::exception& failure) {
        // A name the file system cannot take, for one.
        error = std::string("cannot make the sandbox: ") + failure.what();
        return false;
    }
}

RunReport RunScenario(const Scenario& scenario, const PluginEntries& plugin, const HostSetup& setup,
                      bool consoleFeedOpen) {
    if (Current != nullptr)
        return RunReport{"", {"a substitute host is already running"}};
    Host host(scenario, setup, consoleFeedOpen);
    Current = &host;
    RunReport report;
    try {
        report = host.Run(plugin);
        if (host.Screens() != nullptr)
            report.Transcript = host.Screens()->Text();
    } catch (const std::exception& failure) {
        report = RunReport{"", {std::string("the host failed: ") + failure.what()}};
    }
    Current = nullptr;
    return report;
}

std::string CompareTranscript(const std::string& transcript, const std::string& expected) {
    auto lines = [](const std::string& text) {
        std::vector<std::string> result;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            result.push_back(std::move(line));
            start = end + 1;
        }
        return result;
    };
    const std::vector<std::string> actual = lines(transcript), wanted = lines(expected);
    for (size_t i = 0; i < std::max(actual.size(), wanted.size()); ++i) {
        const std::string* a = i < actual.size() ? &actual[i] : nullptr;
        const std::string* w = i < wanted.size() ? &wanted[i] : nullptr;
        if (a != nullptr && w != nullptr && *a == *w)
            continue;
        return "line " + std::to_string(i + 1) +
               ":\n  expected: " + (w != nullptr ? *w : "(end of file)") +
               "\n  actual:   " + (a != nullptr ? *a : "(end of transcript)");
    }
    return "";
}

} // namespace HkHost
