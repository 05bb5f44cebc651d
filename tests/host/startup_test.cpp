// The library as the host first sees it. A program of its own, so that the
// state is the one right after loading: no table accepted, no settings read.
#include "fake_host.h"
#include "host/far1x/far1x.h"
#include "platform/registry.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using Fake::FakeHost;

namespace {

void StorePrefix(const std::string& root, const std::string& prefix) {
    using namespace Platform;
    RegistryKey* key = OpenRegistryKey(root + "\\Hashkeep", RegistryAccess::Write, true);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(WriteRegistryText(key, "Prefix", prefix));
    CloseRegistryKey(key);
}

TEST(Startup, PrefixIsCheckUntilTheSettingsAreFirstRead) {
    Fake::PrivateRegistry registry;
    FakeHost host;
    host.RootKey = registry.Root;
    StorePrefix(registry.Root, "hk");

    // Before any table: only the size and the flags.
    PluginInfo info;
    std::memset(&info, 0x5A, sizeof info);
    GetPluginInfo(&info);
    EXPECT_EQ(info.StructSize, 44);
    EXPECT_EQ(info.Flags, 0u);
    EXPECT_EQ(info.PluginMenuStringsNumber, 0x5A5A5A5A);
    EXPECT_EQ(Configure(0), 0);
    EXPECT_EQ(OpenPlugin(OPEN_PLUGINSMENU, 0), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(host.Dialogs.empty());

    // Accepted, but nothing has read the settings yet.
    const PluginStartupInfo table = host.Info();
    SetStartupInfo(&table);
    GetPluginInfo(&info);
    EXPECT_STREQ(info.CommandPrefix, "check");

    // Opening the configuration reads them, even when it is left with Esc.
    host.DialogAnswers.push_back(Fake::CloseWith(-1));
    EXPECT_EQ(Configure(0), 0);
    GetPluginInfo(&info);
    EXPECT_STREQ(info.CommandPrefix, "hk");
    EXPECT_EQ(host.Unanswered, 0);
}

} // namespace
