// FAR 3 keys the plug-in's settings, hot keys and macros by these GUIDs: each
// is pinned to the text it was given, in the 64-bit and the 32-bit build.
#include "host/far3/guids.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#ifdef _WIN32
#include <objbase.h>
#endif

using namespace Far3;

namespace {

std::string Text(const TGuid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

const struct {
    const TGuid& Guid;
    const char* Text;
} Pinned[] = {
    {PluginGuid, "{F838476D-2DFB-42E2-BDD2-E74AB66FF2BB}"},
    {MenuItemGuid, "{B0E5B9AC-670D-419A-B0A4-2A758D7F49AF}"},
    {ConfigItemGuid, "{58B37A1B-50F6-440F-A857-95AA8FD37E29}"},
    {WorkModeDialogGuid, "{8272EFA6-8466-4776-A4A6-EA8395498938}"},
    {ConfigDialogGuid, "{18F67C91-BE51-47E3-84EE-748859B617B1}"},
    {NoFilesBoxGuid, "{9BDBBB3D-511A-49F3-A82F-B4A4C791BCF8}"},
    {UseListBoxGuid, "{B656B3CA-0F39-43B0-B956-86B90A2DBF19}"},
    {AbortBoxGuid, "{CD5AF628-637F-42C3-9BBF-72D2C0ED8D75}"},
    {ProgressBoxGuid, "{4BDAA52A-DA0D-444F-9ACE-AB741E442F1E}"},
    {ReadErrorBoxGuid, "{70B83A18-2C31-43B3-93B4-D2D634F45768}"},
    {OverwriteBoxGuid, "{51819E60-C281-4E11-AAA2-567DBE8B93C7}"},
    {ReplaceListsBoxGuid, "{187C20E2-B257-42AA-B7F8-7137C4ADC9E9}"},
    {WrongExtensionBoxGuid, "{AB98B955-AB73-4884-83B9-67588762A405}"},
    {ReportBoxGuid, "{ECA037CB-112B-476E-B7FC-BD8E2FF51449}"},
    {DigestAnswerBoxGuid, "{683080E2-D191-4FDE-B396-44D5B7F8BF11}"},
    {ErrorBoxGuid, "{5DB3D94E-F9A0-49E0-AEFC-4CB319D0321C}"},
    {CannotSaveBoxGuid, "{6F94D061-4702-423A-98E3-ACA7A7C24C30}"},
    {RunStoppedBoxGuid, "{5BFA35A0-CD33-4D4B-BB6A-C901CBDF341F}"},
};

} // namespace

TEST(Far3Guids, EveryGuidKeepsItsTextAndNoTwoAreAlike) {
    ASSERT_EQ(std::size(Pinned), std::size(AllGuids)) << "a GUID without its pinned text";
    for (size_t i = 0; i < std::size(Pinned); ++i) {
        EXPECT_EQ(Text(Pinned[i].Guid), Pinned[i].Text);
        EXPECT_EQ(AllGuids[i], &Pinned[i].Guid) << Pinned[i].Text << " listed out of place";
#ifdef _WIN32
        // Windows' own reading of the text, byte for byte what FAR compares.
        std::wstring wide(Pinned[i].Text, Pinned[i].Text + std::strlen(Pinned[i].Text));
        GUID system;
        ASSERT_EQ(IIDFromString(wide.c_str(), &system), S_OK) << Pinned[i].Text;
        EXPECT_EQ(std::memcmp(&system, &Pinned[i].Guid, sizeof system), 0) << Pinned[i].Text;
#endif
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(std::memcmp(&Pinned[i].Guid, &Pinned[j].Guid, sizeof(TGuid)), 0)
                << Pinned[i].Text << " is also " << Pinned[j].Text;
    }
}
