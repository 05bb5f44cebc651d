// The entry points as the host calls them: the check of the service table,
// what GetPluginInfo hands over, which openings reach the operation driver,
// and that nothing raised inside reaches the host. The driver is replaced
// here by one that records its calls.
#include "fake_host.h"
#include "host/far1x/far1x.h"
#include "operations/operations.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using Fake::FakeHost;

namespace {

struct DriverCall {
    TOpenFrom From;
    std::string CommandLine;
};

std::vector<DriverCall> DriverCalls;
bool DriverThrows = false;

} // namespace

void RunOperation(TOpenFrom From, const std::string& CommandLine) {
    DriverCalls.push_back({From, CommandLine});
    if (DriverThrows)
        throw std::runtime_error("driver failed");
}

namespace {

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        DriverCalls.clear();
        DriverThrows = false;
        Host.RootKey = Registry.Root;
    }

    void Accept() {
        const PluginStartupInfo info = Host.Info();
        SetStartupInfo(&info);
    }

    void OfferTableOfSize(int size) {
        PluginStartupInfo info = Host.Info();
        info.StructSize = size;
        SetStartupInfo(&info);
    }

    Fake::PrivateRegistry Registry;
    FakeHost Host;
};

// A PluginInfo as the host passes it, with every byte set to a marker.
PluginInfo MarkedPluginInfo() {
    PluginInfo info;
    std::memset(&info, 0x5A, sizeof info);
    return info;
}

void ExpectOnlySizeAndFlagsWritten(const PluginInfo& info) {
    EXPECT_EQ(info.StructSize, 44);
    EXPECT_EQ(info.Flags, 0u);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&info);
    for (size_t at = offsetof(PluginInfo, DiskMenuStrings); at < sizeof info; ++at)
        EXPECT_EQ(bytes[at], 0x5A) << "byte " << at;
}

TEST_F(Exports, MinimumVersionIsFar170Build2087) {
    EXPECT_EQ(GetMinFarVersion(), 0x08270146);
}

TEST_F(Exports, TablesOfAnotherSizeMakeThePluginInert) {
    const int ours = static_cast<int>(sizeof(PluginStartupInfo));
    for (int size : {ours + 4, ours - 4, 0, -1}) {
        Accept();
        ASSERT_TRUE(StartupInfoValid);
        OfferTableOfSize(size);
        EXPECT_FALSE(StartupInfoValid) << size;

        PluginInfo info = MarkedPluginInfo();
        GetPluginInfo(&info);
        ExpectOnlySizeAndFlagsWritten(info);
        EXPECT_EQ(OpenPlugin(OPEN_PLUGINSMENU, 0), INVALID_HANDLE_VALUE);
        EXPECT_EQ(Configure(0), 0);
    }
    SetStartupInfo(nullptr);
    EXPECT_FALSE(StartupInfoValid);
    EXPECT_TRUE(DriverCalls.empty());
    EXPECT_TRUE(Host.Dialogs.empty());
    EXPECT_TRUE(Host.GetMsgPluginNumbers.empty());
}

TEST_F(Exports, AcceptedTableIsCopiedNotReferenced) {
    PluginStartupInfo info = Host.Info();
    SetStartupInfo(&info);
    std::memset(&info, 0, sizeof info); // the host's own copy may go away
    EXPECT_EQ(StartupInfo.ModuleNumber, FakeHost::ModuleNumber);
    EXPECT_STREQ(StartupInfo.ModuleName, "Hashkeep");
    EXPECT_EQ(StartupInfo.RootKey, Host.RootKey.c_str());
    Host.Language[MPluginMenu] = "From the host";
    EXPECT_STREQ(GetMessageText(MPluginMenu), "From the host");
}

TEST_F(Exports, PluginInfoNamesTheMenusAndThePrefixBuffer) {
    Accept();
    Host.Language[MPluginMenu] = "Hashkeep: menu";
    Host.Language[MConfigMenu] = "Hashkeep: configuration";
    PluginInfo info = MarkedPluginInfo();
    GetPluginInfo(&info);
    EXPECT_EQ(info.StructSize, 44);
    EXPECT_EQ(info.Flags, 0u);
    ASSERT_EQ(info.PluginMenuStringsNumber, 1);
    EXPECT_STREQ(info.PluginMenuStrings[0], "Hashkeep: menu");
    ASSERT_EQ(info.PluginConfigStringsNumber, 1);
    EXPECT_STREQ(info.PluginConfigStrings[0], "Hashkeep: configuration");
    // The buffer itself, so a later change of the prefix reaches the host.
    EXPECT_EQ(info.CommandPrefix, PluginSettings.Prefix);
    // The disk menu and the system id are not the plug-in's to set.
    const PluginInfo marked = MarkedPluginInfo();
    EXPECT_EQ(std::memcmp(&info.DiskMenuStrings, &marked.DiskMenuStrings, sizeof(void*)), 0);
    EXPECT_EQ(std::memcmp(&info.DiskMenuNumbers, &marked.DiskMenuNumbers, sizeof(void*)), 0);
    EXPECT_EQ(info.DiskMenuStringsNumber, marked.DiskMenuStringsNumber);
    EXPECT_EQ(info.SysID, marked.SysID);

    // The texts are looked up again at every call; without a language file
    // both entries are the product's name.
    Host.Language.clear();
    GetPluginInfo(&info);
    EXPECT_STREQ(info.PluginMenuStrings[0], "Hashkeep");
    EXPECT_STREQ(info.PluginConfigStrings[0], "Hashkeep");
}

TEST_F(Exports, OnlyMenuAndCommandLineOpeningsReachTheDriver) {
    Accept();
    const char* commandLine = "list.md5";
    const INT_PTR item = reinterpret_cast<INT_PTR>(commandLine);
    for (int origin : {0, 2, 3, 5, 6, 7, -1})
        EXPECT_EQ(OpenPlugin(origin, item), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DriverCalls.empty());

    // The plug-in has no panel of its own; the command line's text is
    // handed on, and a missing one is an empty text.
    EXPECT_EQ(OpenPlugin(OPEN_PLUGINSMENU, item), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenPlugin(OPEN_COMMANDLINE, item), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenPlugin(OPEN_COMMANDLINE, 0), INVALID_HANDLE_VALUE);
    ASSERT_EQ(DriverCalls.size(), 3u);
    EXPECT_EQ(DriverCalls[0].From, TOpenFrom::PluginsMenu);
    EXPECT_EQ(DriverCalls[0].CommandLine, "");
    EXPECT_EQ(DriverCalls[1].From, TOpenFrom::CommandLine);
    EXPECT_EQ(DriverCalls[1].CommandLine, "list.md5");
    EXPECT_EQ(DriverCalls[2].CommandLine, "");
}

TEST_F(Exports, NothingRaisedInsideReachesTheHost) {
    Accept();
    DriverThrows = true;
    EXPECT_EQ(OpenPlugin(OPEN_COMMANDLINE, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(DriverCalls.size(), 1u);

    Host.DialogAnswers.push_back([](FarDialogItem*, int) -> int { throw std::bad_alloc(); });
    EXPECT_EQ(Configure(0), 0);
    EXPECT_EQ(Host.Dialogs.size(), 1u);
}

} // namespace
