// A small plug-in that exercises every service the substitute host offers,
// so the host can be tested apart from Hashkeep. The command line picks
// misbehaviours that a host must report: a screen left saved, a screen
// restored twice, a handle the host never gave, a dialog whose items lie
// outside its frame or on each other.
#include "host/far170/far_interface.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/registry.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

PluginStartupInfo Info;
bool StartupInfoValid = false;
const char* MenuStrings[1];
const char* ConfigStrings[1];

enum FixtureMessage {
    MMenu,
    MConfig,
    MTitle,
    MWorkOn,
    MPickOne,
    MOne,
    MTwo,
    MThree,
    MWorking,
    MReport,
    MInterrupted,
    MText,
    MBinary,
    MSeparate,
    MGreeting,
    MLoud,
};

// The fixture's own fallback, so a missing language file still shows something.
const char* Text(int id) {
    const char* text = Info.GetMsg(Info.ModuleNumber, id);
    return text != nullptr && *text != '\0' ? text : "(missing)";
}

int Box(DWORD flags, std::vector<const char*> items, int buttons) {
    return Info.Message(Info.ModuleNumber, flags, nullptr, items.data(),
                        static_cast<int>(items.size()), buttons);
}

void SetItem(FarDialogItem& item, int type, int x1, int y1, int x2, int y2, const char* text,
             DWORD flags = 0) {
    std::memset(&item, 0, sizeof item);
    item.Type = type;
    item.X1 = x1;
    item.Y1 = y1;
    item.X2 = x2;
    item.Y2 = y2;
    item.Flags = flags;
    std::snprintf(item.Data, sizeof item.Data, "%s", text);
}

// Work dialog: 0 box, 1 name edit, 2 "separate" check box, 3/4 radio group, 5 OK, 6 Cancel.
constexpr int WorkName = 1, WorkSeparate = 2, WorkText = 3, WorkBinary = 4, WorkOk = 5;

HK_REALIGN_STACK LONG_PTR HK_WINAPI WorkDialogProc(HANDLE dialog, int message, int param1,
                                                   LONG_PTR param2) {
    if (message != DN_BTNCLICK)
        return Info.DefDlgProc(dialog, message, param1, param2);
    if (param1 == WorkSeparate) {
        Info.SendDlgMessage(dialog, DM_ENABLE, WorkName, param2 != 0 ? 0 : 1);
        return 1;
    }
    if ((param1 == WorkText || param1 == WorkBinary) && param2 > 0) {
        const LONG_PTR length = Info.SendDlgMessage(dialog, DM_GETTEXTLENGTH, WorkName, 0);
        if (length <= 0)
            return 1;
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        FarDialogItemData data{static_cast<int>(length + 1), buffer.data()};
        if (Info.SendDlgMessage(dialog, DM_GETTEXT, WorkName, reinterpret_cast<LONG_PTR>(&data)) <=
            0)
            return 1;
        std::string name(buffer.data());
        const size_t dot = name.rfind('.');
        name = (dot == std::string::npos ? name : name.substr(0, dot)) +
               (param1 == WorkText ? ".txt" : ".bin");
        Info.SendDlgMessage(dialog, DM_SETTEXTPTR, WorkName,
                            reinterpret_cast<LONG_PTR>(name.c_str()));
        return 1;
    }
    return Info.DefDlgProc(dialog, message, param1, param2);
}

void WorkOnPanel() {
    PanelInfo active, passive;
    Info.Control(INVALID_HANDLE_VALUE, FCTL_GETPANELINFO, &active);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_GETANOTHERPANELINFO, &passive);
    if (Box(FMSG_MB_YESNO, {Text(MTitle), Text(MWorkOn)}, 2) != 0)
        return;
    const int picked =
        Box(FMSG_WARNING, {Text(MPickOne), active.CurDir, Text(MOne), Text(MTwo), Text(MThree)}, 3);

    const HANDLE screen = Info.SaveScreen(0, 0, -1, -1);
    for (int step = 1; step <= 4; ++step) {
        if (Platform::EscapePressed()) {
            char line[64];
            std::snprintf(line, sizeof line, "%s %d", Text(MInterrupted), step);
            Box(FMSG_MB_OK, {Text(MTitle), line}, 1);
            break;
        }
        char percent[16];
        std::snprintf(percent, sizeof percent, "%3d%%", step * 25);
        Box(0, {Text(MWorking), active.SelectedItems[0].FindData.cFileName, percent}, 0);
    }
    Info.RestoreScreen(screen);

    FarDialogItem items[7];
    SetItem(items[0], DI_DOUBLEBOX, 3, 1, 36, 8, Text(MTitle));
    SetItem(items[WorkName], DI_EDIT, 5, 2, 34, 0, "report.txt");
    SetItem(items[WorkSeparate], DI_CHECKBOX, 5, 3, 0, 0, Text(MSeparate));
    SetItem(items[WorkText], DI_RADIOBUTTON, 5, 4, 0, 0, Text(MText), DIF_GROUP);
    SetItem(items[WorkBinary], DI_RADIOBUTTON, 5, 5, 0, 0, Text(MBinary));
    SetItem(items[WorkOk], DI_BUTTON, 0, 7, 0, 0, "OK", DIF_CENTERGROUP);
    SetItem(items[6], DI_BUTTON, 0, 7, 0, 0, "Cancel", DIF_CENTERGROUP);
    items[WorkText].Selected = 1;
    items[WorkName].Focus = 1;
    items[WorkOk].DefaultButton = 1;
    if (passive.ItemsNumber <= 1)
        items[WorkSeparate].Flags |= DIF_DISABLE;
    const int closed = Info.DialogEx(Info.ModuleNumber, -1, -1, 40, 10, nullptr, items, 7, 0, 0,
                                     WorkDialogProc, 0);
    if (closed != WorkOk)
        return;

    // The report lists the selection as the host handed it, so the transcript
    // shows what the plug-in saw.
    std::string report = "picked " + std::to_string(picked) + "\r\n";
    for (int i = 0; i < active.SelectedItemsNumber; ++i) {
        const FarFindData& data = active.SelectedItems[i].FindData;
        const unsigned long long size =
            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        report += std::string(data.cFileName) + "\t" + std::to_string(size) +
                  ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY_FAR) != 0 ? "\tdir" : "") +
                  "\r\n";
    }
    if (items[WorkSeparate].Selected == 0) {
        const std::string path =
            std::string(active.CurDir) + Platform::PathSeparator + items[WorkName].Data;
        if (FILE* out = std::fopen(path.c_str(), "wb")) {
            std::fwrite(report.data(), 1, report.size(), out);
            std::fclose(out);
        }
    }
    // Unselect the first selected item and select the last item of the panel.
    for (int i = 0; i < active.ItemsNumber; ++i)
        if ((active.PanelItems[i].Flags & PPIF_SELECTED) != 0) {
            active.PanelItems[i].Flags &= ~PPIF_SELECTED;
            break;
        }
    active.PanelItems[active.ItemsNumber - 1].Flags |= PPIF_SELECTED;
    Info.Control(INVALID_HANDLE_VALUE, FCTL_SETSELECTION, &active);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_UPDATEPANEL, &active);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWPANEL, nullptr);
}

void Misbehave(const std::string& what) {
    if (what == "unrestored") {
        Info.SaveScreen(0, 0, -1, -1);
    } else if (what == "restore-twice") {
        const HANDLE screen = Info.SaveScreen(0, 0, -1, -1);
        Info.RestoreScreen(screen);
        Info.RestoreScreen(screen);
    } else if (what == "bogus-restore") {
        Info.RestoreScreen(reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x4321)));
    } else if (what == "layout") {
        // A check box whose text runs past the frame, a text under an edit
        // field, a button below the frame; the OK button is where it belongs.
        FarDialogItem items[6];
        SetItem(items[0], DI_DOUBLEBOX, 3, 1, 26, 5, Text(MTitle));
        SetItem(items[1], DI_CHECKBOX, 5, 2, 0, 0, "A check box with a long text");
        SetItem(items[2], DI_TEXT, 5, 3, 0, 0, "Name:");
        SetItem(items[3], DI_EDIT, 9, 3, 24, 0, "x");
        SetItem(items[4], DI_BUTTON, 0, 4, 0, 0, "OK", DIF_CENTERGROUP);
        SetItem(items[5], DI_BUTTON, 0, 6, 0, 0, "Cancel", DIF_CENTERGROUP);
        Info.Dialog(Info.ModuleNumber, -1, -1, 30, 8, nullptr, items, 6);
    } else if (what == "wrong-number") {
        Info.GetMsg(Info.ModuleNumber + 1, MTitle);
    } else {
        // Message 4 and, in a short language file, a missing message 8.
        Box(FMSG_MB_OK, {Text(MTitle), Text(MPickOne), Text(MWorking), what.c_str()}, 1);
    }
}

} // namespace

extern "C" {

HK_REALIGN_STACK int HK_WINAPI GetMinFarVersion() {
    return MakeFarVersion(1, 70, 2087);
}

HK_REALIGN_STACK void HK_WINAPI SetStartupInfo(const PluginStartupInfo* info) {
    StartupInfoValid =
        info != nullptr && info->StructSize == static_cast<int>(sizeof(PluginStartupInfo));
    if (StartupInfoValid)
        std::memcpy(&Info, info, sizeof Info);
}

HK_REALIGN_STACK void HK_WINAPI GetPluginInfo(PluginInfo* info) {
    info->StructSize = static_cast<int>(sizeof(PluginInfo));
    info->Flags = 0;
    if (!StartupInfoValid)
        return;
    MenuStrings[0] = Text(MMenu);
    ConfigStrings[0] = Text(MConfig);
    info->PluginMenuStrings = MenuStrings;
    info->PluginMenuStringsNumber = 1;
    info->PluginConfigStrings = ConfigStrings;
    info->PluginConfigStringsNumber = 1;
    info->CommandPrefix = "fix";
}

HK_REALIGN_STACK HANDLE HK_WINAPI OpenPlugin(int openFrom, INT_PTR item) {
    if (!StartupInfoValid)
        return INVALID_HANDLE_VALUE;
    if (openFrom == OPEN_PLUGINSMENU)
        WorkOnPanel();
    else if (openFrom == OPEN_COMMANDLINE)
        Misbehave(reinterpret_cast<const char*>(item));
    return INVALID_HANDLE_VALUE;
}

// Settings under RootKey\Hashkeep: "Greeting" (text), "Loud" and "Count" (numbers).
HK_REALIGN_STACK int HK_WINAPI Configure(int) {
    if (!StartupInfoValid)
        return 0;
    const std::string path = std::string(Info.RootKey) + "\\Hashkeep";
    std::string greeting = "hello";
    uint32_t loud = 0, count = 0;
    if (Platform::RegistryKey* key =
            Platform::OpenRegistryKey(path, Platform::RegistryAccess::Read, false)) {
        Platform::RegistryValue value;
        if (Platform::ReadRegistryValue(key, "Greeting", value) ==
            Platform::RegistryReadResult::Found)
            greeting = value.Text;
        if (Platform::ReadRegistryValue(key, "Loud", value) == Platform::RegistryReadResult::Found)
            loud = value.Number;
        if (Platform::ReadRegistryValue(key, "Count", value) == Platform::RegistryReadResult::Found)
            count = value.Number;
        Platform::CloseRegistryKey(key);
    }
    FarDialogItem items[5];
    SetItem(items[0], DI_DOUBLEBOX, 3, 1, 32, 6, Text(MConfig));
    SetItem(items[1], DI_CHECKBOX, 5, 2, 0, 0, Text(MLoud));
    SetItem(items[2], DI_EDIT, 5, 3, 30, 0, greeting.c_str());
    SetItem(items[3], DI_BUTTON, 0, 5, 0, 0, "OK", DIF_CENTERGROUP);
    SetItem(items[4], DI_BUTTON, 0, 5, 0, 0, "Cancel", DIF_CENTERGROUP);
    items[1].Selected = loud != 0 ? 1 : 0;
    items[3].DefaultButton = 1;
    if (Info.Dialog(Info.ModuleNumber, -1, -1, 36, 8, nullptr, items, 5) != 3)
        return 0;
    Platform::RegistryKey* key =
        Platform::OpenRegistryKey(path, Platform::RegistryAccess::Write, true);
    if (key == nullptr)
        return 0;
    Platform::WriteRegistryText(key, "Greeting", items[2].Data);
    Platform::WriteRegistryNumber(key, "Loud", items[1].Selected != 0 ? 1 : 0);
    Platform::WriteRegistryNumber(key, "Count", count + 1);
    Platform::CloseRegistryKey(key);
    return 1;
}

} // extern "C"
