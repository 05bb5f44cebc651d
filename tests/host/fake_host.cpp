#include "fake_host.h"

#include <cstdlib>
#include <cstring>
#include <random>

namespace Fake {

namespace {

FakeHost* CurrentHost = nullptr;

const char* HK_WINAPI GetMsg(int pluginNumber, int msgId) {
    FakeHost& host = FakeHost::Current();
    host.GetMsgPluginNumbers.push_back(pluginNumber);
    auto found = host.Language.find(msgId);
    return found == host.Language.end() ? nullptr : found->second.c_str();
}

int HK_WINAPI Message(int pluginNumber, DWORD flags, const char* helpTopic,
                      const char* const* items, int itemsNumber, int buttonsNumber) {
    FakeHost& host = FakeHost::Current();
    MessageCall call;
    call.PluginNumber = pluginNumber;
    call.Flags = flags;
    call.HelpTopicGiven = helpTopic != nullptr;
    for (int i = 0; i < itemsNumber; ++i)
        call.Lines.emplace_back(items[i] != nullptr ? items[i] : "(null)");
    call.ButtonsNumber = buttonsNumber;
    host.Messages.push_back(call);
    if (buttonsNumber == 0)
        return 0;
    if (host.MessageAnswers.empty()) {
        ++host.Unanswered;
        return -1;
    }
    const int answer = host.MessageAnswers.front();
    host.MessageAnswers.pop_front();
    return answer;
}

int HK_WINAPI Dialog(int pluginNumber, int x1, int y1, int x2, int y2, const char* helpTopic,
                     FarDialogItem* items, int itemsNumber) {
    FakeHost& host = FakeHost::Current();
    DialogCall call;
    call.PluginNumber = pluginNumber;
    call.X1 = x1;
    call.Y1 = y1;
    call.X2 = x2;
    call.Y2 = y2;
    call.HelpTopicGiven = helpTopic != nullptr;
    call.Items.assign(items, items + itemsNumber);
    host.Dialogs.push_back(call);
    if (host.DialogAnswers.empty()) {
        ++host.Unanswered;
        return -1;
    }
    DialogAnswer answer = std::move(host.DialogAnswers.front());
    host.DialogAnswers.pop_front();
    return answer(items, itemsNumber);
}

} // namespace

FakeHost::FakeHost() {
    CurrentHost = this;
}

FakeHost::~FakeHost() {
    if (CurrentHost == this)
        CurrentHost = nullptr;
}

FakeHost& FakeHost::Current() {
    // A service called with no host in place is a broken test, not a result.
    if (CurrentHost == nullptr)
        std::abort();
    return *CurrentHost;
}

PluginStartupInfo FakeHost::Info() const {
    PluginStartupInfo info;
    std::memset(&info, 0, sizeof info);
    info.StructSize = sizeof info;
    std::strcpy(info.ModuleName, "Hashkeep");
    info.ModuleNumber = ModuleNumber;
    info.RootKey = RootKey.c_str();
    info.GetMsg = GetMsg;
    info.Message = Message;
    info.Dialog = Dialog;
    return info;
}

DialogAnswer CloseWith(int item) {
    return [item](FarDialogItem*, int) { return item; };
}

} // namespace Fake

namespace Fake {

void DeleteRegistryTree(const std::string& path); // registry_cleanup.cpp

PrivateRegistry::PrivateRegistry() {
    TestSupport::SetEnvironment("HASHKEEP_REGISTRY_FILE", Directory_ / "registry.reg");
    std::random_device seed;
    RunKey_ = "Software\\HashkeepTests\\Run" + std::to_string(seed()) + std::to_string(seed());
    Root = RunKey_ + "\\Far\\Plugins";
}

PrivateRegistry::~PrivateRegistry() {
    DeleteRegistryTree(RunKey_);
}

} // namespace Fake
