// The operations' pieces in-process: the name rules and the panel marks on
// their own, and everything that talks to the user inside the substitute
// host, with the plug-in's own SetStartupInfo storing the host's table.
#include "operations/operations.h"

#include "host/far1x/far1x.h"
#include "platform/console.h"
#include "settings/settings.h"
#include "substitute_host.h"
#include "transcript_text.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// --- Recognising lists and marking panel items -------------------------------

TEST(HashListNames, AreKnownByTheirExtensionInAnyCase) {
    for (const char* name : {"LIST.SFV", "list.Md5", "a.b.sha1", ".sha1", "dir.x\\list.md5"})
        EXPECT_TRUE(IsHashListName(name)) << name;
    for (const char* name : {"", "md5", "list.md5.bak", "list.sha", "list.md5 ", "list.txt",
                             "dir.md5\\list", "c.sfv:stream"})
        EXPECT_FALSE(IsHashListName(name)) << name;
}

TPanelItem Item(const char* name, bool directory = false, bool selected = false) {
    return {name, directory, selected};
}

// MarkPanelFile walks the panel for one name; TPanelMarks indexes it once for
// many. Both must mark exactly the same items.
using TMarker = bool (*)(TPanel& panel, const std::string& name, bool select);
const std::pair<const char*, TMarker> Markers[] = {
    {"MarkPanelFile", MarkPanelFile},
    {"TPanelMarks", [](TPanel& panel, const std::string& name,
                       bool select) { return TPanelMarks(panel).Mark(name, select); }},
};

class PanelMarks : public ::testing::TestWithParam<std::pair<const char*, TMarker>> {
protected:
    // A panel as the host hands it out: the parent entry, a directory named
    // like a file, files differing only in case, one of them selected.
    void SetUp() override {
        Panel.Items = {Item("..", true), Item("a.txt", true),        Item("a.txt"),
                       Item("A.TXT"),    Item("b.txt", false, true), Item("\xE4.txt")};
    }
    bool Mark(const std::string& name, bool select) {
        return GetParam().second(Panel, name, select);
    }
    bool Marked(size_t index) const { return Panel.Items[index].Selected; }

    TPanel Panel;
};

TEST_P(PanelMarks, EveryFileMatchingWithoutCaseIsMarkedButNoDirectory) {
    EXPECT_TRUE(Mark("A.txt", true));
    EXPECT_FALSE(Marked(1)) << "a directory is never marked";
    EXPECT_TRUE(Marked(2));
    EXPECT_TRUE(Marked(3));

    EXPECT_TRUE(Mark("B.TXT", false));
    EXPECT_FALSE(Marked(4));
    // Unmarking says a file is fine: with an item of exactly that name, the
    // one differing in case (another file where case counts) keeps its mark.
    EXPECT_TRUE(Mark("a.txt", false));
    EXPECT_FALSE(Marked(2));
    EXPECT_TRUE(Marked(3));
    EXPECT_TRUE(Mark("A.txt", true));
    EXPECT_TRUE(Mark("A.txt", false)) << "no item has exactly this name: both are unmarked";
    EXPECT_FALSE(Marked(2));
    EXPECT_FALSE(Marked(3));
}

TEST_P(PanelMarks, NamesThatNoPanelItemCarriesMatchNothing) {
    // Only A to Z are folded: the host's code page is not ours to know.
    for (const char* name : {"", "sub\\a.txt", "sub/a.txt", "a.txt ", "\xC4.txt", ".."})
        EXPECT_FALSE(Mark(name, true)) << name;
    for (size_t i = 0; i < Panel.Items.size(); ++i)
        EXPECT_EQ(Marked(i), Panel.Items[i].Name[0] == 'b') << Panel.Items[i].Name;
}

INSTANTIATE_TEST_SUITE_P(BothWays, PanelMarks, ::testing::ValuesIn(Markers),
                         [](const auto& parameter) { return std::string(parameter.param.first); });

// --- Inside the substitute host ----------------------------------------------

std::function<void()> Body;
HANDLE HK_WINAPI RunBody(int, INT_PTR) {
    Body();
    return INVALID_HANDLE_VALUE;
}
const HkHost::PluginEntries Pieces{GetMinFarVersion, SetStartupInfo, GetPluginInfo, RunBody,
                                   Configure};

// The console poll reads a fed console: a pipe on standard input here, the
// real console on Windows (the test then runs on a terminal).
bool ConsoleFeed() {
    static const bool open = Platform::OpenConsoleFeed();
    return open;
}

class InHost : public ::testing::Test {
protected:
    void SetUp() override {
        Setup.SandboxDirectory = Dir.Path().string();
        Setup.ModulePath = (Dir.Path() / "Hashkeep.dll").string();
        Setup.RootKey = "Software\\Far\\Plugins";
        PluginSettings.ConfirmAbort = true;
    }

    // Runs Action as the plug-in's OpenPlugin from the menu, with the user's
    // Answers (scenario statements); gives the transcript.
    std::string Run(const std::string& answers, std::function<void()> action) {
        HkHost::Scenario scenario;
        std::string error;
        EXPECT_TRUE(HkHost::ReadScenario("getmsg hide\ncall menu\n" + answers, scenario, error))
            << error;
        Body = std::move(action);
        const HkHost::RunReport report =
            HkHost::RunScenario(scenario, Pieces, Setup, ConsoleFeed());
        for (const std::string& failure : report.Errors)
            ADD_FAILURE() << failure << "\n" << report.Transcript;
        return report.Transcript;
    }

    static bool Shows(const std::string& transcript, const std::string& block) {
        return transcript.find(block) != std::string::npos;
    }

    TestSupport::TempDirectory Dir;
    HkHost::HostSetup Setup;
};

TEST_F(InHost, TheReportLeavesOutTheLinesOfCountsBelowOne) {
    std::string transcript = Run("message 0\n", [] { ShowResultReport(0, 0, 0); });
    EXPECT_TRUE(Shows(transcript, "  Message FMSG_MB_OK\n"
                                  "    \"Finished\"\n"
                                  "    \"0 mismatch(es) found\"\n"
                                  "    [OK]\n"))
        << transcript;

    // -1 is how the driver leaves the not-found line out: the skipped line follows directly.
    transcript = Run("message 0\n", [] { ShowResultReport(12, -1, 2); });
    EXPECT_TRUE(Shows(transcript, "    \"12 mismatch(es) found\"\n"
                                  "    \"2 files skipped\"\n"
                                  "    [OK]\n"))
        << transcript;

    transcript = Run("message esc\n", [] { ShowResultReport(1, 3, 4); });
    EXPECT_TRUE(Shows(transcript, "    \"1 mismatch(es) found\"\n"
                                  "    \"3 files not found\"\n"
                                  "    \"4 files skipped\"\n"
                                  "    [OK]\n"))
        << transcript;
}

TEST_F(InHost, TheListOfferIsAQuestionWithoutWarningAndOnlyYesUsesTheList) {
    bool used[3] = {};
    const std::string transcript = Run("message 0\nmessage 1\nmessage esc\n", [&] {
        for (bool& answer : used)
            answer = ConfirmUseList("list.MD5");
    });
    EXPECT_TRUE(Shows(transcript, "  Message FMSG_MB_YESNO\n"
                                  "    \"List file found\"\n"
                                  "    \"File list.MD5 is a valid hash list file.\"\n"
                                  "    \"Do you want to use it for verification?\"\n"
                                  "    [Yes] [No]\n"))
        << transcript;
    EXPECT_TRUE(used[0]);
    EXPECT_FALSE(used[1]);
    EXPECT_FALSE(used[2]);
}

TEST_F(InHost, TheReadErrorPromptGivesTheCauseAndMapsItsButtonsToSkipRetryAndAbort) {
    int32_t actions[4] = {};
    TFileChecker checker(Dir.Path().string());
    checker.LastError = "a.txt: changed size while it was read";
    const std::string transcript = Run("message 0\nmessage 1\nmessage 2\nmessage esc\n", [&] {
        for (int32_t& action : actions)
            OnReadError(&checker, "a.txt", action);
    });
    // The cause under the name, without the name a second time.
    EXPECT_TRUE(Shows(transcript, "  Message FMSG_WARNING\n"
                                  "    \"I/O Error\"\n"
                                  "    \"Error reading file a.txt\"\n"
                                  "    \"changed size while it was read\"\n"
                                  "    [Skip] [Retry] [Abort]\n"))
        << transcript;
    EXPECT_EQ(actions[0], raSkip);
    EXPECT_EQ(actions[1], raRetry);
    EXPECT_EQ(actions[2], raAbort);
    EXPECT_EQ(actions[3], raAbort) << "Esc aborts";
}

// A name may hold control characters (a hostile list's entries, a file made
// on another system): no box shows them to the terminal, every one shows "?".
TEST_F(InHost, ControlCharactersInNamesAreShownAsQuestionMarksInEveryBox) {
    const std::string name = "a\x1B]0;owned\x07\x7F\r\nb.txt";
    const std::string shown = "a?]0;owned????b.txt";
    TFileChecker checker(Dir.Path().string());
    checker.LastError = name + ": " + name;
    const std::pair<const char*, std::function<void()>> boxes[] = {
        {"",
         [&] {
             bool go = true;
             OnProgress(nullptr, name, 50, go);
         }},
        {"message 0\n",
         [&] {
             int32_t action = 0;
             OnReadError(&checker, name, action);
         }},
        {"message 0\n", [&] { ConfirmUseList(name); }},
        {"message 0\n", [&] { ConfirmOverwrite(name); }},
        {"message 0\n", [&] { ShowRunStopped(checker); }},
        {"message 0\n", [&] { ShowMessageBox(TBoxKind::Error, name.c_str(), name.c_str(), true); }},
    };
    for (const auto& [answer, box] : boxes) {
        const std::string transcript = Run(answer, box);
        EXPECT_TRUE(Shows(transcript, shown)) << transcript;
        for (const char* escaped : {"\\x1B", "\\x07", "\\x7F", "\\r", "\\n"})
            EXPECT_FALSE(Shows(transcript, escaped)) << escaped << "\n" << transcript;
    }
}

TEST_F(InHost, TheProgressBoxShowsTheNameAndAPercentageInThreePlaces) {
    bool go[2] = {};
    // A path longer than the box's line (a comparison's) loses its middle,
    // not the file name at its end.
    const std::string folder(60, 'd');
    const std::string transcript = Run("", [&] {
        OnProgress(nullptr, "big.bin", 7, go[0]);
        OnProgress(nullptr, "/backup/" + folder + "/left/big.bin", 100, go[1]);
    });
    EXPECT_TRUE(Shows(transcript, "  Message 0 (no buttons: progress box #1)\n"
                                  "    \"Progress\"\n"
                                  "    \"big.bin\"\n"
                                  "    \"  7%\"\n"
                                  "  -> -1\n"))
        << transcript;
    EXPECT_TRUE(Shows(transcript, "    \"/backup/.../left/big.bin\"\n    \"100%\"\n"))
        << transcript;
    EXPECT_TRUE(go[0] && go[1]);
}

TEST_F(InHost, EscAsksWhetherToAbortWhenConfirmAbortIsOn) {
    ASSERT_TRUE(ConsoleFeed()) << "no console input to feed (on Windows, run on a terminal)";
    bool go[4] = {};
    // Keys reach the console before the poll of the progress box they name.
    const std::string transcript = Run("press \"q\" at progress 1\n"
                                       "press esc at progress 2\nmessage 1\n"
                                       "press esc at progress 3\nmessage 0\n"
                                       "press esc at progress 3\nmessage esc\n",
                                       [&] {
                                           for (bool& answer : go)
                                               OnProgress(nullptr, "a.txt", 50, answer);
                                       });
    EXPECT_TRUE(go[0]) << "another key has no effect";
    EXPECT_TRUE(go[1]) << "No goes on";
    EXPECT_FALSE(go[2]) << "Yes aborts";
    EXPECT_FALSE(go[3]) << "Esc aborts";
    EXPECT_TRUE(Shows(transcript, "  Message FMSG_MB_YESNO\n"
                                  "    \"Confirm\"\n"
                                  "    \"Abort operation?\"\n"
                                  "    [Yes] [No]\n"
                                  "    user: 1 [No]\n"
                                  "  -> 1\n"
                                  "  Message 0 (no buttons: progress box #2)\n"))
        << "No draws the box after all\n"
        << transcript;
    EXPECT_FALSE(Shows(transcript, "progress box #3")) << "an aborted step draws no box";
}

TEST_F(InHost, EscAbortsAtOnceWhenConfirmAbortIsOff) {
    ASSERT_TRUE(ConsoleFeed()) << "no console input to feed (on Windows, run on a terminal)";
    PluginSettings.ConfirmAbort = false;
    bool go = true;
    const std::string transcript =
        Run("press esc at progress 1\n", [&] { OnProgress(nullptr, "a.txt", 50, go); });
    EXPECT_FALSE(go);
    EXPECT_FALSE(Shows(transcript, "Message")) << transcript;
}

// --- The work-mode dialog ----------------------------------------------------

struct DialogOutcome {
    TWorkMode Mode = wmCancel;
    std::string ListFileName = "hashlist.md5";
    uint32_t Algorithm = haMd5;
    bool IgnoreMissing = false;
    bool SeparateFiles = false;
};

class WorkModeDialog : public InHost {
protected:
    std::string Show(const std::string& answers, DialogOutcome& outcome, bool canCompare = true) {
        return Run(answers, [&] {
            outcome.Mode =
                ShowWorkModeDialog(Dir.Path().string(), canCompare, outcome.ListFileName,
                                   outcome.Algorithm, outcome.IgnoreMissing, outcome.SeparateFiles);
        });
    }
};

TEST_F(WorkModeDialog, TheListNameFollowsTheAlgorithmButtons) {
    DialogOutcome outcome;
    const std::string transcript = Show(
        "dialog\n  radio 8\n  radio 10\n  radio 11\n  radio 9\n  radio 8\n  close 13\n", outcome);
    const char* steps[] = {"\"hashlist.sfv\"", "\"hashlist.sha1\"", "\"hashlist.sha256\"",
                           "\"hashlist.md5\"", "\"hashlist.sfv\""};
    size_t at = 0;
    for (const char* name : steps) {
        at = transcript.find("SendDlgMessage DM_SETTEXTPTR [4] " + std::string(name), at);
        ASSERT_NE(at, std::string::npos) << name << "\n" << transcript;
    }
    EXPECT_EQ(outcome.Mode, wmCreateList);
    EXPECT_EQ(outcome.ListFileName, "hashlist.sfv");
    EXPECT_EQ(outcome.Algorithm, haCrc32);
}

TEST_F(WorkModeDialog, OtherExtensionsAndAnEmptyNameStayAsTheyAre) {
    for (const char* name : {"LIST.MD5", "notes.txt", "md5", "dir.md5\\list"}) {
        DialogOutcome outcome;
        outcome.ListFileName = name;
        // At OK an MD5 list's name in capitals is still one: its algorithm is taken.
        const bool md5Name = std::string(name) == "LIST.MD5";
        const std::string transcript =
            Show(std::string("dialog\n  radio 8\n  radio 10\n  close 13\n") +
                     (md5Name ? "message 0\n" : ""),
                 outcome);
        EXPECT_EQ(outcome.ListFileName, name) << transcript;
        EXPECT_EQ(outcome.Algorithm, md5Name ? haMd5 : haSha1);
    }

    DialogOutcome outcome;
    const std::string transcript = Show("dialog\n  edit 4 \"\"\n  radio 10\n  close 13\n", outcome);
    EXPECT_TRUE(Shows(transcript, "SendDlgMessage DM_GETTEXTLENGTH [4] -> 0\n    -> 1\n"))
        << transcript;
    EXPECT_FALSE(Shows(transcript, "DM_SETTEXTPTR")) << transcript;
    EXPECT_EQ(outcome.ListFileName, "");
}

TEST_F(WorkModeDialog, SeparateFilesDisableTheNameFieldAndOtherClicksGoToTheHost) {
    DialogOutcome outcome;
    const std::string transcript =
        Show("dialog\n  check 5 on\n  check 5 off\n  check 5 on\n  radio 1\n  radio 2\n"
             "  close 13\n",
             outcome);
    EXPECT_TRUE(Shows(transcript, "DN_BTNCLICK [5] 1\n      SendDlgMessage DM_ENABLE [4] disable"))
        << transcript;
    EXPECT_TRUE(Shows(transcript, "DN_BTNCLICK [5] 0\n      SendDlgMessage DM_ENABLE [4] enable"))
        << transcript;
    // The mode buttons are the host's: it accepts both halves of a click.
    EXPECT_TRUE(Shows(transcript, "DN_BTNCLICK [2] 0\n      DefDlgProc DN_BTNCLICK [2] 0 -> 1"))
        << transcript;
    EXPECT_TRUE(Shows(transcript, "DN_BTNCLICK [1] 1\n      DefDlgProc DN_BTNCLICK [1] 1 -> 1"))
        << transcript;
    EXPECT_FALSE(Shows(transcript, "undone")) << transcript;
    EXPECT_EQ(outcome.Mode, wmCreateList);
    EXPECT_TRUE(outcome.SeparateFiles);
}

TEST_F(WorkModeDialog, CompareModeWritesOnlyIgnoreMissing) {
    DialogOutcome outcome;
    Show("dialog\n  radio 1\n  check 3 on\n  radio 8\n  edit 4 \"other.sfv\"\n  close 13\n",
         outcome);
    EXPECT_EQ(outcome.Mode, wmComparePanels);
    EXPECT_TRUE(outcome.IgnoreMissing);
    EXPECT_EQ(outcome.ListFileName, "hashlist.md5");
    EXPECT_EQ(outcome.Algorithm, haMd5);
    EXPECT_FALSE(outcome.SeparateFiles);
}

TEST_F(WorkModeDialog, AnExistingListIsAskedAboutAndNoShowsTheDialogAgain) {
    TestSupport::WriteFile(Dir / "hashlist.sha1", "old");
    DialogOutcome outcome;
    std::string transcript =
        Show("dialog\n  radio 10\n  close 13\nmessage 1\ndialog\n  close 14\n", outcome);
    EXPECT_TRUE(Shows(transcript, "  Message FMSG_WARNING|FMSG_MB_YESNO\n"
                                  "    \"Confirm\"\n"
                                  "    \"File hashlist.sha1 already exists. Override?\"\n"))
        << "the name as entered\n"
        << transcript;
    EXPECT_TRUE(Shows(transcript, "DialogEx #2 centred 44x17")) << transcript;
    EXPECT_TRUE(Shows(transcript, "[4] DI_EDIT (7,5)-(38,0) focus \"hashlist.sha1\"\n"))
        << "as the user left it\n"
        << transcript;
    EXPECT_EQ(outcome.Mode, wmCancel);
    EXPECT_EQ(outcome.ListFileName, "hashlist.md5") << "nothing is written back on Cancel";
    EXPECT_EQ(outcome.Algorithm, haMd5);

    outcome = DialogOutcome{};
    outcome.ListFileName = "hashlist.sha1";
    outcome.Algorithm = haSha1;
    transcript = Show("dialog\n  close 13\nmessage 0\n", outcome);
    EXPECT_EQ(outcome.Mode, wmCreateList);
}

TEST_F(WorkModeDialog, AnAbsoluteNameIsTestedAsTheCheckerResolvesIt) {
    const std::string absolute = Dir / "elsewhere.md5";
    TestSupport::WriteFile(absolute, "old");
    DialogOutcome outcome;
    const std::string transcript =
        Show("dialog\n  edit 4 \"" + HkHost::EscapeBytes(absolute, false) + "\"\n  close 13\n" +
                 "message esc\ndialog\n  close esc\n",
             outcome);
    EXPECT_TRUE(Shows(transcript, "\"File $SANDBOX/elsewhere.md5 already exists. Override?\""))
        << transcript;
    EXPECT_EQ(outcome.Mode, wmCancel);
}

TEST_F(WorkModeDialog, ALongerTranslationWidensTheDialog) {
    std::string language = ".Language=English,English\n";
    for (int id = 0; id < MessageCount; ++id)
        language +=
            std::string("\"") +
            (id == MSeparateFiles ? "&Separate Hash Files, one per file" : MessageTable[id]) +
            "\"\n";
    TestSupport::WriteFile(Dir / "HashkeepEng.lng", language);
    DialogOutcome outcome;
    const std::string transcript = Show("dialog\n  close esc\n", outcome, false);
    // 34 characters + 6: W = 40, the width W + 10, the box to W + 6, the field to W + 4.
    EXPECT_TRUE(Shows(transcript, "DialogEx #1 centred 50x17, 15 items")) << transcript;
    EXPECT_TRUE(Shows(transcript, "[0] DI_DOUBLEBOX (3,1)-(46,15)")) << transcript;
    EXPECT_TRUE(Shows(transcript, "[4] DI_EDIT (7,5)-(44,0)")) << transcript;
    EXPECT_TRUE(Shows(transcript, "[1] DI_RADIOBUTTON (5,2)-(0,0) DIF_GROUP|DIF_DISABLE"))
        << "no comparison offered\n"
        << transcript;
}

} // namespace
