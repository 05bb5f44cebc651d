// The substitute host run in-process: with the fixture plug-in for whole
// runs and the faults a host must report, and with a probe plug-in whose
// OpenPlugin runs the test's own calls to the services.
#include "language.h"
#include "substitute_host.h"
#include "transcript_text.h"

#include "platform/files.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <random>

extern "C" {
int HK_WINAPI GetMinFarVersion();
void HK_WINAPI SetStartupInfo(const PluginStartupInfo* info);
void HK_WINAPI GetPluginInfo(PluginInfo* info);
HANDLE HK_WINAPI OpenPlugin(int openFrom, INT_PTR item);
int HK_WINAPI Configure(int itemNumber);
}

using namespace HkHost;

namespace {

const PluginEntries Fixture{GetMinFarVersion, SetStartupInfo, GetPluginInfo, OpenPlugin, Configure};

PluginStartupInfo Probe;
std::function<void()> ProbeBody;

int HK_WINAPI ProbeVersion() {
    return MakeFarVersion(1, 70, 2087);
}
void HK_WINAPI ProbeStartup(const PluginStartupInfo* info) {
    Probe = *info;
}
void HK_WINAPI ProbeInfo(PluginInfo* info) {
    info->StructSize = static_cast<int>(sizeof *info);
}
HANDLE HK_WINAPI ProbeOpen(int, INT_PTR) {
    ProbeBody();
    return INVALID_HANDLE_VALUE;
}
int HK_WINAPI ProbeConfigure(int) {
    return 0;
}
const PluginEntries ProbePlugin{ProbeVersion, ProbeStartup, ProbeInfo, ProbeOpen, ProbeConfigure};

struct ProcCall {
    int Message, Param1;
    LONG_PTR Param2;
};
std::vector<ProcCall> ProcCalls;
LONG_PTR (*ProcAnswer)(LONG_PTR param2) = nullptr;
LONG_PTR HK_WINAPI RecordingProc(HANDLE, int message, int param1, LONG_PTR param2) {
    ProcCalls.push_back({message, param1, param2});
    return ProcAnswer != nullptr ? ProcAnswer(param2) : 0;
}

void SetItem(FarDialogItem& item, int type, const char* text, DWORD flags = 0, int selected = 0) {
    std::memset(&item, 0, sizeof item);
    item.Type = type;
    item.Flags = flags;
    item.Selected = selected;
    std::strncpy(item.Data, text, sizeof item.Data - 1);
}

class SubstituteHost : public ::testing::Test {
protected:
    void SetUp() override {
        TestSupport::SetEnvironment("HASHKEEP_REGISTRY_FILE", Dir / "registry.reg");
        std::filesystem::create_directory(Dir.Path() / "sandbox");
        std::random_device seed;
        Setup.SandboxDirectory = (Dir.Path() / "sandbox").string();
        Setup.ModulePath = std::string(HK_FIXTURE_DIR) + "/hkfixture";
        Setup.RootKey = "Software\\HashkeepHostTests\\Run" + std::to_string(seed());
        ProcCalls.clear();
    }

    RunReport Run(const std::string& text, const PluginEntries& plugin = Fixture) {
        Scenario scenario;
        std::string error;
        EXPECT_TRUE(ReadScenario(text, scenario, error)) << error;
        EXPECT_TRUE(PrepareSandbox(scenario, Setup.SandboxDirectory, error)) << error;
        return RunScenario(scenario, plugin, Setup, false);
    }

    static bool Reports(const RunReport& report, const std::string& part) {
        for (const std::string& error : report.Errors)
            if (error.find(part) != std::string::npos)
                return report.Transcript.find("!! " + error) != std::string::npos;
        return false;
    }

    TestSupport::TempDirectory Dir;
    HostSetup Setup;
};

std::string Errors(const RunReport& report) {
    std::string text;
    for (const std::string& error : report.Errors)
        text += error + "\n";
    return text + "--- transcript:\n" + report.Transcript;
}

// --- Faults the host reports --------------------------------------------------

TEST_F(SubstituteHost, ScreensThatDoNotPairUpAreErrors) {
    const struct {
        const char* Command;
        const char* Error;
    } cases[] = {
        {"unrestored", "screen #1 was saved but not restored by the end of OpenPlugin"},
        {"restore-twice", "screen #1 is restored a second time"},
        {"bogus-restore", "RestoreScreen with a handle that SaveScreen never gave"},
    };
    for (const auto& c : cases) {
        const RunReport report = Run(std::string("call command \"") + c.Command + "\"\n");
        EXPECT_TRUE(Reports(report, c.Error)) << c.Command << "\n" << Errors(report);
        EXPECT_EQ(report.Errors.size(), 1u) << Errors(report);
    }
}

TEST_F(SubstituteHost, AServiceCalledWithAnotherPluginNumberIsAnError) {
    const RunReport report = Run("module-number 5\ncall command \"wrong-number\"\n");
    EXPECT_TRUE(Reports(report, "GetMsg got plug-in number 6, not the ModuleNumber 5"))
        << Errors(report);
}

TEST_F(SubstituteHost, QuestionsAndAnswersMustMatchOneForOne) {
    // No answer for the first box: reported, and the box counts as Esc.
    RunReport report = Run("call menu\n");
    EXPECT_TRUE(
        Reports(report, "the plug-in shows a message box, but the scenario has no answer left"))
        << Errors(report);

    // A dialog answer where a box is asked: the run is out of step from there.
    report = Run("call menu\ndialog\n  close esc\n");
    EXPECT_TRUE(
        Reports(report, "shows a message box, but the next answer (line 2) is for a dialog"))
        << Errors(report);
    EXPECT_TRUE(Reports(report, "1 answer(s) left unused, the first on line 2")) << Errors(report);

    report = Run("call command \"hi\"\nmessage 0\nmessage esc\nmessage 1\n");
    ASSERT_EQ(report.Errors.size(), 1u) << Errors(report);
    EXPECT_TRUE(Reports(report, "2 answer(s) left unused, the first on line 3")) << Errors(report);
}

TEST_F(SubstituteHost, AnswersThatTheUserCouldNotGiveAreErrors) {
    const std::string setup = "dir \"left\"\nfile \"left/a\" text \"a\"\ndir \"empty\"\n"
                              "panel active dir \"left\"\npanel active select \"a\"\n"
                              "panel passive dir \"empty\"\ncall menu\n";
    // The fixture disables its check box 2 when the other panel is empty.
    RunReport report = Run(setup + "message 3\n");
    EXPECT_TRUE(Reports(report, "the answer on line 8 presses button 3, but the box has 2"))
        << Errors(report);

    report = Run(setup + "message 0\nmessage 0\n"
                         "dialog\n"
                         "  check 2 on\n"  // disabled
                         "  radio 1\n"     // an edit field
                         "  check 3 off\n" // a radio button
                         "  edit 9 \"x\"\n"
                         "  close 1\n");
    EXPECT_TRUE(Reports(report, "item 2 is disabled: the user cannot change it (line 11)"))
        << Errors(report);
    EXPECT_TRUE(Reports(report, "item 1 is a DI_EDIT, not a DI_RADIOBUTTON (line 12)"))
        << Errors(report);
    EXPECT_TRUE(Reports(report, "item 3 is a DI_RADIOBUTTON, not a DI_CHECKBOX (line 13)"))
        << Errors(report);
    EXPECT_TRUE(Reports(report, "the dialog has no item 9 (line 14)")) << Errors(report);
    EXPECT_TRUE(Reports(report, "closes the dialog with item 1, which is not an enabled button"))
        << Errors(report);
    // The disabled box kept its state and the dialog counts as left with Esc.
    EXPECT_EQ(report.Transcript.find("now [2]"), std::string::npos) << report.Transcript;
    EXPECT_NE(report.Transcript.find("  -> -1\n-> INVALID_HANDLE_VALUE"), std::string::npos)
        << report.Transcript;

    report = Run(setup + "dir \"full\"\nfile \"full/f\" empty\npanel passive dir \"full\"\n"
                         "message 0\nmessage 0\ndialog\n  check 2 off\n  close 6\n");
    EXPECT_TRUE(Reports(report, "check box 2 is already off")) << Errors(report);
}

TEST_F(SubstituteHost, KeysNeedAConsoleFeedAndTheirProgressBox) {
    const std::string setup = "file \"a\" text \"a\"\npanel active select \"a\"\n"
                              "call menu\nmessage 0\nmessage 0\ndialog\n  close esc\n";
    RunReport report = Run(setup + "press esc at progress 2\n");
    EXPECT_TRUE(Reports(report, "cannot feed the key Esc (line 8): no console input"))
        << Errors(report);

    report = Run(setup + "press \"x\" at progress 9\n");
    EXPECT_TRUE(
        Reports(report, "the key on line 8 waits for progress box #9, but only 4 were drawn"))
        << Errors(report);
}

TEST_F(SubstituteHost, PanelDirectoriesAndItemsMustExist) {
    RunReport report = Run("panel active dir \"nowhere\"\ncall info\n");
    EXPECT_TRUE(Reports(report, "cannot read the active panel's directory $SANDBOX/nowhere"))
        << Errors(report);
    report = Run("panel passive select \"ghost\"\ncall info\n");
    EXPECT_TRUE(Reports(report, "the passive panel has no item \"ghost\" to select"))
        << Errors(report);
    EXPECT_EQ(report.Transcript.find("GetMinFarVersion"), std::string::npos) << "nothing is called";
}

// --- Services, through the probe ---------------------------------------------

// As in the real host: a radio click turns off the rest of its group only,
// and the procedure hears of the button going off (the clicked one when none
// was on) and then of the one going on; a check box click is one message. A
// 0 to any of them undoes the click, so a procedure that refuses what it
// does not handle leaves the user's choices unmade.
TEST_F(SubstituteHost, ClicksAreToldAsTheRealHostTellsThemAndARefusalUndoesThem) {
    using Answer = LONG_PTR (*)(LONG_PTR state);
    const std::vector<std::pair<int, LONG_PTR>> everyMessage = {{1, 0}, {2, 1}, {7, 0}, {7, 1},
                                                                {4, 0}, {3, 1}, {5, 1}};
    // But for the group that had no button on: the real host puts "the old
    // button" back, which is then the clicked one.
    const std::array<int, 9> unchanged = {0, 1, 0, 0, 1, 0, 0, 1, 0};
    const struct {
        const char* Procedure;
        Answer Accepts;
        std::vector<std::pair<int, LONG_PTR>> Messages;
        std::array<int, 9> Selected;
    } cases[] = {
        {"accepting",
         [](LONG_PTR) -> LONG_PTR { return 1; },
         everyMessage,
         {0, 0, 1, 1, 0, 1, 0, 1, 0}},
        {"refusing",
         [](LONG_PTR) -> LONG_PTR { return 0; },
         {{1, 0}, {7, 0}, {4, 0}, {5, 1}},
         unchanged},
        {"refusing the button going on", [](LONG_PTR state) -> LONG_PTR { return state == 0; },
         everyMessage, unchanged},
    };
    for (const auto& c : cases) {
        FarDialogItem items[9];
        ProcAnswer = c.Accepts;
        ProcCalls.clear();
        ProbeBody = [&] {
            SetItem(items[0], DI_TEXT, "label");
            SetItem(items[1], DI_RADIOBUTTON, "a1", 0, 1); // group starts after a non-radio item
            SetItem(items[2], DI_RADIOBUTTON, "a2");
            SetItem(items[3], DI_RADIOBUTTON, "b1", DIF_GROUP); // a new group right after another
            SetItem(items[4], DI_RADIOBUTTON, "b2", 0, 1);
            SetItem(items[5], DI_CHECKBOX, "box");
            SetItem(items[6], DI_RADIOBUTTON, "c1"); // a group with no button on
            SetItem(items[7], DI_RADIOBUTTON, "c2");
            SetItem(items[8], DI_BUTTON, "OK");
            EXPECT_EQ(Probe.DialogEx(Probe.ModuleNumber, -1, -1, 20, 12, nullptr, items, 9, 0, 0,
                                     RecordingProc, 0),
                      8);
        };
        const RunReport report =
            Run("call menu\ndialog\n  radio 2\n  radio 7\n  radio 3\n  check 5 on\n  close 8\n",
                ProbePlugin);
        EXPECT_TRUE(report.Errors.empty()) << Errors(report);
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(items[i].Selected, c.Selected[i]) << c.Procedure << ", item " << i;
        std::vector<std::pair<int, LONG_PTR>> messages;
        for (const ProcCall& call : ProcCalls) {
            EXPECT_EQ(call.Message, DN_BTNCLICK);
            messages.emplace_back(call.Param1, call.Param2);
        }
        EXPECT_EQ(messages, c.Messages) << c.Procedure;
    }
}

std::function<void(HANDLE)> ProcBody;
LONG_PTR HK_WINAPI BodyProc(HANDLE dialog, int message, int, LONG_PTR) {
    if (message == DN_BTNCLICK)
        ProcBody(dialog);
    return 1;
}

TEST_F(SubstituteHost, DialogMessagesReadAndChangeTheItems) {
    FarDialogItem items[3];
    HANDLE openDialog = nullptr;
    ProcBody = [&](HANDLE dialog) {
        openDialog = dialog;
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_GETTEXTLENGTH, 0, 0), 12);
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_GETTEXT, 0, 0), 12);
        // The buffer length counts the terminator: a 5-character buffer takes 4.
        char small[6] = "#####";
        FarDialogItemData data{5, small};
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_GETTEXT, 0, reinterpret_cast<LONG_PTR>(&data)),
                  4);
        EXPECT_STREQ(small, "hash");
        EXPECT_EQ(small[5], '\0');

        const std::string longText(600, 'y');
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_SETTEXTPTR, 0,
                                       reinterpret_cast<LONG_PTR>(longText.c_str())),
                  1);
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_GETTEXTLENGTH, 0, 0), 511);

        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_ENABLE, 0, -1), 1) << "a query changes nothing";
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_ENABLE, 0, 0), 1) << "the previous state";
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_ENABLE, 0, -1), 0);
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_ENABLE, 0, 0), 0);
        // The host's default accepts a click on anything but a closing button.
        EXPECT_EQ(Probe.DefDlgProc(dialog, DN_BTNCLICK, 1, 1), 1);
        EXPECT_EQ(Probe.DefDlgProc(dialog, DN_BTNCLICK, 2, 0), 0);
        EXPECT_EQ(Probe.SendDlgMessage(dialog, DM_GETTEXTLENGTH, 7, 0), 0) << "no item 7";
    };
    ProbeBody = [&] {
        SetItem(items[0], DI_EDIT, "hashlist.md5");
        SetItem(items[1], DI_CHECKBOX, "box");
        SetItem(items[2], DI_BUTTON, "OK");
        EXPECT_EQ(
            Probe.DialogEx(Probe.ModuleNumber, -1, -1, 20, 6, nullptr, items, 3, 0, 0, BodyProc, 0),
            2);
        // Once the dialog is closed its handle means nothing.
        EXPECT_EQ(Probe.SendDlgMessage(openDialog, DM_GETTEXTLENGTH, 0, 0), 0);
    };
    const RunReport report = Run("call menu\ndialog\n  check 1 on\n  close 2\n", ProbePlugin);
    EXPECT_EQ(items[0].Data, std::string(511, 'y'));
    EXPECT_EQ(items[0].Flags, DIF_DISABLE);
    ASSERT_EQ(report.Errors.size(), 2u) << Errors(report);
    EXPECT_TRUE(Reports(report, "SendDlgMessage for item 7 of a dialog of 3 items"))
        << Errors(report);
    EXPECT_TRUE(Reports(report, "SendDlgMessage with a handle of no open dialog"))
        << Errors(report);
}

TEST_F(SubstituteHost, PanelsAreHandedOutAsTheHostKeepsThem) {
    PanelInfo info;
    PanelInfo another;
    ProbeBody = [&] {
        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_GETPANELINFO, &info), 1);
        ASSERT_EQ(info.ItemsNumber, 5);
        const char* order[] = {"..", "dir", "A.txt", "b.txt", "big"};
        for (int i = 0; i < 5; ++i)
            EXPECT_STREQ(info.PanelItems[i].FindData.cFileName, order[i]);
        EXPECT_EQ(info.PanelItems[0].FindData.dwFileAttributes & 0x10, 0x10u);
        EXPECT_EQ(info.PanelItems[1].FindData.dwFileAttributes & 0x10, 0x10u);
        EXPECT_EQ(info.PanelItems[3].FindData.dwFileAttributes & 0x10, 0u);
        EXPECT_EQ(DWORD{info.PanelItems[3].FindData.nFileSizeLow}, 3u);
        // 5000000000 = 1 * 2^32 + 705032704
        EXPECT_EQ(DWORD{info.PanelItems[4].FindData.nFileSizeHigh}, 1u);
        EXPECT_EQ(DWORD{info.PanelItems[4].FindData.nFileSizeLow}, 705032704u);
        // Nothing selected: the item under the cursor stands for the selection, unmarked.
        ASSERT_EQ(info.SelectedItemsNumber, 1);
        EXPECT_STREQ(info.SelectedItems[0].FindData.cFileName, "b.txt");
        EXPECT_EQ(info.SelectedItems[0].Flags & PPIF_SELECTED, 0u);
        EXPECT_EQ(info.CurrentItem, 3);
        EXPECT_EQ(std::string(info.CurDir), Setup.SandboxDirectory + Platform::PathSeparator + "a");
        EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), info.CurDir))
            << "the host works in the active panel's directory";

        // ".." cannot be selected; the other marks become the selection.
        info.PanelItems[0].Flags |= PPIF_SELECTED;
        info.PanelItems[4].Flags |= PPIF_SELECTED;
        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_SETSELECTION, &info), 1);
        TestSupport::WriteFile(Setup.SandboxDirectory + "/a/c.new", "new");
        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_UPDATEPANEL, &info), 1);
        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_GETPANELINFO, &info), 1);
        ASSERT_EQ(info.ItemsNumber, 6);
        EXPECT_STREQ(info.PanelItems[5].FindData.cFileName, "c.new");
        ASSERT_EQ(info.SelectedItemsNumber, 1);
        EXPECT_STREQ(info.SelectedItems[0].FindData.cFileName, "big");
        EXPECT_EQ(info.SelectedItems[0].Flags & PPIF_SELECTED, PPIF_SELECTED);
        // As in the real host, an update without a parameter drops the selection.
        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_UPDATEPANEL, nullptr), 1);
        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_GETPANELINFO, &info), 1);
        ASSERT_EQ(info.SelectedItemsNumber, 1);
        EXPECT_STREQ(info.SelectedItems[0].FindData.cFileName, "b.txt");
        EXPECT_EQ(info.SelectedItems[0].Flags & PPIF_SELECTED, 0u);

        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_GETANOTHERPANELINFO, &another), 1);
        EXPECT_EQ(another.PanelType, 3);
        EXPECT_EQ(another.Plugin, 1);
        EXPECT_EQ(another.Focus, 0);
        // A record of the other panel does not fit the active one.
        EXPECT_EQ(Probe.Control(INVALID_HANDLE_VALUE, FCTL_SETSELECTION, &another), 0);
        EXPECT_EQ(Probe.Control(nullptr, FCTL_REDRAWPANEL, nullptr), 1);
    };
    const RunReport report = Run(
        "dir \"a/dir\"\nfile \"a/b.txt\" text \"abc\"\nfile \"a/A.txt\" empty\n"
        "file \"a/big\" sparse 5000000000\npanel active dir \"a\"\npanel active cursor \"b.txt\"\n"
        "dir \"d\"\npanel passive dir \"d\"\npanel passive type 3\npanel passive plugin 1\n"
        "call menu\n",
        ProbePlugin);
    ASSERT_EQ(report.Errors.size(), 2u) << Errors(report);
    EXPECT_TRUE(Reports(report, "FCTL_SETSELECTION with 1 items for a panel of 6"))
        << Errors(report);
    EXPECT_TRUE(Reports(report, "Control with a plug-in handle")) << Errors(report);
    EXPECT_NE(report.Transcript.find("new \"c.new\", selected \"big\""), std::string::npos)
        << report.Transcript;
}

TEST_F(SubstituteHost, MessagesAndTextsComeBackAsTheHostGivesThem) {
    ProbeBody = [&] {
        EXPECT_EQ(Probe.GetMsg(Probe.ModuleNumber, 2), std::string("Fixture"));
        EXPECT_EQ(Probe.GetMsg(Probe.ModuleNumber, 16), nullptr) << "one past the last message";
        EXPECT_EQ(Probe.GetMsg(Probe.ModuleNumber, -1), nullptr);
        const char* lines[] = {"Title", "text", "Skip", "Retry", "Abort"};
        EXPECT_EQ(Probe.Message(Probe.ModuleNumber, FMSG_WARNING, nullptr, lines, 5, 3), 1);
        EXPECT_EQ(Probe.Message(Probe.ModuleNumber, FMSG_MB_YESNO, nullptr, lines, 2, 2), -1);
        EXPECT_EQ(Probe.Message(Probe.ModuleNumber, 0, nullptr, lines, 3, 0), -1)
            << "a progress box";
        EXPECT_EQ(Probe.Message(Probe.ModuleNumber, 0, nullptr, lines, 2, 2), -1)
            << "no line left for a title";
    };
    const RunReport report = Run("call menu\nmessage 1\nmessage esc\n", ProbePlugin);
    ASSERT_EQ(report.Errors.size(), 1u) << Errors(report);
    EXPECT_TRUE(Reports(report, "Message with 2 lines and 2 buttons")) << Errors(report);
    EXPECT_NE(
        report.Transcript.find("    \"text\"\n    [Skip] [Retry] [Abort]\n    user: 1 [Retry]\n"),
        std::string::npos)
        << report.Transcript;
    EXPECT_NE(report.Transcript.find(
                  "FMSG_MB_YESNO\n    \"Title\"\n    \"text\"\n    [Yes] [No]\n    user: Esc\n"),
              std::string::npos)
        << report.Transcript;
}

// --- Pieces ---------------------------------------------------------------------

TEST(LanguageFiles, MessagesInOrderAfterTheLanguageLine) {
    std::string language;
    std::vector<std::string> messages;
    ASSERT_TRUE(ParseLanguageFile(
        "\xEF\xBB\xBF// comment\r\n.Language=Russian,Russian (x)\r\n\r\n"
        "\"first\"\r\n  // indented comment\r\nMSecond\r\n  \"say \"hi\"\"\r\n\"\"\r\n",
        language, messages));
    EXPECT_EQ(language, "Russian");
    EXPECT_EQ(messages, (std::vector<std::string>{"first", "say \"hi\"", ""}));
    EXPECT_FALSE(ParseLanguageFile("\"no header\"\n", language, messages));
}

TEST(LanguageFiles, TheChosenLanguageElseEnglish) {
    TestSupport::TempDirectory dir;
    TestSupport::WriteFile(dir / "a.lng", ".Language=German,Deutsch\n\"Hallo\"\n");
    TestSupport::WriteFile(dir / "b.LNG", ".Language=English,English\n\"Hello\"\n");
    TestSupport::WriteFile(dir / "c.txt", ".Language=French,French\n\"Salut\"\n");
    EXPECT_EQ(LoadLanguage(dir.Path().string(), "GERMAN").Messages,
              std::vector<std::string>{"Hallo"});
    const LanguageTable fallback = LoadLanguage(dir.Path().string(), "French");
    EXPECT_TRUE(fallback.Found);
    EXPECT_EQ(fallback.FileName, "b.LNG");
    EXPECT_EQ(fallback.Messages, std::vector<std::string>{"Hello"});
    TestSupport::TempDirectory empty;
    EXPECT_FALSE(LoadLanguage(empty.Path().string(), "English").Found);
}

TEST(Transcripts, TheFirstDifferingLineIsNamed) {
    EXPECT_EQ(CompareTranscript("a\nb\n", "a\r\nb\r\n"), "");
    EXPECT_EQ(CompareTranscript("a\nb\nc\n", "a\nB\nc\n"), "line 2:\n  expected: B\n  actual:   b");
    EXPECT_EQ(CompareTranscript("a\n", "a\nb\n"),
              "line 2:\n  expected: b\n  actual:   (end of transcript)");
    EXPECT_EQ(CompareTranscript("a\nb\n", "a\n"),
              "line 2:\n  expected: (end of file)\n  actual:   b");
}

TEST(Transcripts, TextsAreShownAlikeOnEveryPlatform) {
    const TextShower windows("C:\\Temp\\hk-1\\", '\\');
    EXPECT_EQ(windows.Quote("C:\\Temp\\hk-1\\left\\a.txt"), "\"$SANDBOX/left/a.txt\"");
    const TextShower posix("/tmp/hk-1", '/');
    EXPECT_EQ(posix.Quote("/tmp/hk-1/left"), "\"$SANDBOX/left\"");
    EXPECT_EQ(posix.Quote("a\\b \"q\"\r\n\t\x01\xE4"), "\"a\\\\b \\\"q\\\"\\r\\n\\t\\x01\\xE4\"");
    EXPECT_EQ(posix.Quote(nullptr), "null");
    EXPECT_EQ(EscapeBytes("say \"x\"\r\n", true), "say \"x\"\\r\\n");
}

TEST(Sandbox, PatternsStayInPhaseAcrossWritePieces) {
    TestSupport::TempDirectory dir;
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(
        ReadScenario("file \"p/q.bin\" pattern \"abc\" 200001\ncall info\n", scenario, error))
        << error;
    ASSERT_TRUE(PrepareSandbox(scenario, dir.Path().string(), error)) << error;
    const std::string content = TestSupport::ReadFile(dir / "p/q.bin");
    ASSERT_EQ(content.size(), 200001u);
    size_t wrong = 0;
    for (size_t i = 0; i < content.size(); ++i)
        wrong += content[i] != "abc"[i % 3];
    EXPECT_EQ(wrong, 0u);
}

} // namespace
