#include "hostile_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Hostile {

namespace {

THost* CurrentHost = nullptr;

const char* HK_WINAPI GetMsg(int, int id) {
    THost& host = THost::Current();
    host.Enter("GetMsg");
    return host.Texts ? host.Texts(id) : nullptr;
}

int HK_WINAPI Message(int, DWORD, const char*, const char* const* items, int count, int buttons) {
    THost& host = THost::Current();
    host.Enter("Message");
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.emplace_back(items[i] != nullptr ? items[i] : "(null)");
    host.Messages.push_back(lines);
    if (buttons == 0)
        return 0;
    if (host.MessageAnswers.empty())
        return -1;
    const int answer = host.MessageAnswers.front();
    host.MessageAnswers.pop_front();
    return answer;
}

int AnswerDialog(FarDialogItem* items, int count, FARWINDOWPROC procedure) {
    THost& host = THost::Current();
    ++host.DialogsShown;
    if (host.DialogAnswers.empty())
        return -1;
    const THost::DialogAnswer answer = std::move(host.DialogAnswers.front());
    host.DialogAnswers.pop_front();
    return answer(items, count, procedure, static_cast<HANDLE>(items));
}

int HK_WINAPI Dialog(int, int, int, int, int, const char*, FarDialogItem* items, int count) {
    THost::Current().Enter("Dialog");
    return AnswerDialog(items, count, nullptr);
}

int HK_WINAPI DialogEx(int, int, int, int, int, const char*, FarDialogItem* items, int count, DWORD,
                       DWORD, FARWINDOWPROC procedure, LONG_PTR) {
    THost::Current().Enter("DialogEx");
    return AnswerDialog(items, count, procedure);
}

LONG_PTR HK_WINAPI SendDlgMessage(HANDLE, int message, int item, LONG_PTR param) {
    THost& host = THost::Current();
    host.Enter("SendDlgMessage");
    return host.DialogMessages ? host.DialogMessages(message, item, param) : 0;
}

LONG_PTR HK_WINAPI DefDlgProc(HANDLE, int, int, LONG_PTR) {
    THost::Current().Enter("DefDlgProc");
    return 0;
}

int HK_WINAPI Control(HANDLE, int command, void* param) {
    THost& host = THost::Current();
    host.Enter("Control");
    host.Controls.push_back(command);
    if (command == FCTL_GETPANELINFO || command == FCTL_GETANOTHERPANELINFO) {
        const TPanel& panel = command == FCTL_GETPANELINFO ? host.Active : host.Passive;
        std::memcpy(param, &panel.Info, sizeof(PanelInfo));
    }
    if (command == FCTL_SETSELECTION && param != nullptr) {
        const auto* panel = static_cast<const PanelInfo*>(param);
        std::vector<DWORD> flags;
        // Copied out first: the 2-byte-packed items hold their flags unaligned.
        for (int i = 0; panel->PanelItems != nullptr && i < panel->ItemsNumber; ++i) {
            const DWORD itemFlags = panel->PanelItems[i].Flags;
            flags.push_back(itemFlags);
        }
        host.SelectionFlags.push_back(flags);
    }
    return 1;
}

HANDLE HK_WINAPI SaveScreen(int, int, int, int) {
    THost& host = THost::Current();
    host.Enter("SaveScreen");
    const intptr_t handle = static_cast<intptr_t>(host.OpenScreens.size()) + 1000;
    host.OpenScreens.push_back(handle);
    return reinterpret_cast<HANDLE>(handle);
}

void HK_WINAPI RestoreScreen(HANDLE screen) {
    THost& host = THost::Current();
    host.Enter("RestoreScreen");
    const auto handle = reinterpret_cast<intptr_t>(screen);
    // Screens nest: only the last one saved can be restored.
    if (host.OpenScreens.empty() || host.OpenScreens.back() != handle)
        ++host.ScreenErrors;
    else
        host.OpenScreens.pop_back();
}

} // namespace

void TPanel::Hand() {
    Info.PanelItems = Items.empty() ? nullptr : Items.data();
    Info.ItemsNumber = static_cast<int>(Items.size());
    Info.SelectedItems = Selected.empty() ? nullptr : Selected.data();
    Info.SelectedItemsNumber = static_cast<int>(Selected.size());
}

PluginPanelItem Item(const std::string& name, uint64_t size, bool directory) {
    PluginPanelItem item;
    std::memset(&item, 0, sizeof item);
    item.FindData.dwFileAttributes = directory ? 0x10u : 0x20u;
    item.FindData.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    item.FindData.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    Fill(item.FindData.cFileName, sizeof item.FindData.cFileName, name);
    return item;
}

void Fill(char* destination, size_t capacity, const std::string& text) {
    std::memset(destination, 0, capacity);
    std::memcpy(destination, text.data(), std::min(text.size(), capacity));
}

THost::THost() {
    CurrentHost = this;
}

THost::~THost() {
    if (CurrentHost == this)
        CurrentHost = nullptr;
}

THost& THost::Current() {
    // A service called with no host in place is a broken test, not a result.
    if (CurrentHost == nullptr)
        std::abort();
    return *CurrentHost;
}

void THost::Enter(const char* service) {
    if (++ServiceCalls != ThrowAt)
        return;
    Thrown = service;
    throw THostFailure{};
}

PluginStartupInfo THost::Info() const {
    PluginStartupInfo info;
    std::memset(&info, 0, sizeof info);
    info.StructSize = sizeof info;
    std::strcpy(info.ModuleName, "Hashkeep");
    info.ModuleNumber = 3;
    info.RootKey = RootKey.c_str();
    info.GetMsg = GetMsg;
    info.Message = Message;
    info.Dialog = Dialog;
    info.DialogEx = DialogEx;
    info.SendDlgMessage = SendDlgMessage;
    info.DefDlgProc = DefDlgProc;
    info.Control = Control;
    info.SaveScreen = SaveScreen;
    info.RestoreScreen = RestoreScreen;
    return info;
}

} // namespace Hostile
