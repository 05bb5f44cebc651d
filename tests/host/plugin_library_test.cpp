// The plug-in library as built, loaded at run time and called through its
// plain export names with the host's calling convention: what the host
// itself will do with Hashkeep.dll or libhashkeep.so.
#include "fake_host.h"
#include "seam/seam.h" // the message identifiers only

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace Fake {
void* LoadPlugin(const std::string& path);
void* FindPluginEntry(void* library, const char* name);
void FreePlugin(void* library);
} // namespace Fake

namespace {

template <typename Function> Function Entry(void* library, const char* name) {
    return reinterpret_cast<Function>(Fake::FindPluginEntry(library, name));
}

TEST(PluginLibrary, HostCallsReachThePluginByTheirPlainNames) {
    void* library = Fake::LoadPlugin(HK_PLUGIN_PATH);
    ASSERT_NE(library, nullptr) << HK_PLUGIN_PATH;
    const auto getMinFarVersion = Entry<GetMinFarVersionFunc>(library, "GetMinFarVersion");
    const auto setStartupInfo = Entry<SetStartupInfoFunc>(library, "SetStartupInfo");
    const auto getPluginInfo = Entry<GetPluginInfoFunc>(library, "GetPluginInfo");
    const auto openPlugin = Entry<OpenPluginFunc>(library, "OpenPlugin");
    const auto configure = Entry<ConfigureFunc>(library, "Configure");
    ASSERT_NE(getMinFarVersion, nullptr);
    ASSERT_NE(setStartupInfo, nullptr);
    ASSERT_NE(getPluginInfo, nullptr);
    ASSERT_NE(openPlugin, nullptr);
    ASSERT_NE(configure, nullptr);

    EXPECT_EQ(getMinFarVersion(), 0x08270146);

    Fake::PrivateRegistry registry;
    Fake::FakeHost host;
    host.RootKey = registry.Root;
    host.Language[MPluginMenu] = "Hashkeep menu";
    const PluginStartupInfo info = host.Info();
    setStartupInfo(&info);

    PluginInfo pluginInfo{};
    getPluginInfo(&pluginInfo);
    EXPECT_EQ(pluginInfo.StructSize, 44);
    ASSERT_EQ(pluginInfo.PluginMenuStringsNumber, 1);
    EXPECT_STREQ(pluginInfo.PluginMenuStrings[0], "Hashkeep menu");
    ASSERT_EQ(pluginInfo.PluginConfigStringsNumber, 1);
    EXPECT_STREQ(pluginInfo.PluginConfigStrings[0], "Hashkeep");
    EXPECT_STREQ(pluginInfo.CommandPrefix, "check");

    // The services are called back through the table with the host's convention.
    host.DialogAnswers.push_back(Fake::CloseWith(-1));
    EXPECT_EQ(configure(0), 0);
    ASSERT_EQ(host.Dialogs.size(), 1u);
    EXPECT_EQ(host.Dialogs[0].PluginNumber, Fake::FakeHost::ModuleNumber);
    EXPECT_EQ(host.Dialogs[0].X2, 43);
    EXPECT_EQ(host.Dialogs[0].Items.size(), 17u);

    EXPECT_EQ(openPlugin(0, 0), INVALID_HANDLE_VALUE);
    Fake::FreePlugin(library);
}

} // namespace
