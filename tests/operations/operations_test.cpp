// The operations without a host: the name rules and the panel marks on
// their own, and everything that talks to the user through a fake of the
// seam, which answers as the user would and records what was shown.
#include "operations/operations.h"

#include "fake_seam.h"
#include "settings/settings.h"

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

// --- What the user is told ----------------------------------------------------

using TLines = std::vector<std::string>;

class Boxes : public ::testing::Test {
protected:
    void SetUp() override { PluginSettings.ConfirmAbort = true; }

    FakeSeam::TFakeHost Host;
    TestSupport::TempDirectory Dir;
};

// Each box as the user reads it: its lines, its colours, its buttons. The
// report leaves out the counts below one (-1 is how the driver leaves the
// not-found line out); the read-error prompt gives the cause without the
// name a second time; a progress path longer than the box's line loses its
// middle, not the file name.
TEST_F(Boxes, EachBoxSaysWhatItIsAbout) {
    TFileChecker checker(Dir.Path().string());
    checker.LastError = "a.txt: changed size while it was read";
    const std::string longPath = "/backup/" + std::string(60, 'd') + "/left/big.bin";
    bool go = true;
    int32_t action = 0;
    const struct {
        std::function<void()> Show;
        TBoxKind Kind;
        bool Warning;
        TButtons Buttons;
        int OwnButtons;
        TLines Lines;
    } boxes[] = {
        {[] { ShowResultReport(0, 0, 0); },
         TBoxKind::Report,
         false,
         TButtons::Ok,
         0,
         {"Finished", "0 mismatch(es) found"}},
        {[] { ShowResultReport(12, -1, 2); },
         TBoxKind::Report,
         false,
         TButtons::Ok,
         0,
         {"Finished", "12 mismatch(es) found", "2 files skipped"}},
        {[] { ShowResultReport(1, 3, 4); },
         TBoxKind::Report,
         false,
         TButtons::Ok,
         0,
         {"Finished", "1 mismatch(es) found", "3 files not found", "4 files skipped"}},
        {[] { ConfirmUseList("list.MD5"); },
         TBoxKind::ListOffer,
         false,
         TButtons::YesNo,
         0,
         {"List file found", "File list.MD5 is a valid hash list file.",
          "Do you want to use it for verification?"}},
        {[] { ConfirmOverwrite("a.md5"); },
         TBoxKind::Overwrite,
         true,
         TButtons::YesNo,
         0,
         {"Confirm", "File a.md5 already exists. Override?"}},
        {[&] { OnReadError(&checker, "a.txt", action); },
         TBoxKind::ReadError,
         true,
         TButtons::None,
         3,
         {"I/O Error", "Error reading file a.txt", "changed size while it was read", "Skip",
          "Retry", "Abort"}},
        {[&] { OnProgress(nullptr, "big.bin", 7, go); },
         TBoxKind::Progress,
         false,
         TButtons::None,
         0,
         {"Progress", "big.bin", "  7%"}},
        {[&] { OnProgress(nullptr, longPath, 100, go); },
         TBoxKind::Progress,
         false,
         TButtons::None,
         0,
         {"Progress", "/backup/.../left/big.bin", "100%"}},
    };
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.Lines[1]);
        Host.Boxes.clear();
        box.Show();
        ASSERT_EQ(Host.Boxes.size(), 1u);
        const FakeSeam::TShownBox& shown = Host.Boxes[0];
        EXPECT_EQ(shown.Kind, box.Kind);
        EXPECT_EQ(shown.Warning, box.Warning);
        EXPECT_EQ(shown.Buttons, box.Buttons);
        EXPECT_EQ(shown.OwnButtons, box.OwnButtons);
        EXPECT_EQ(shown.Lines, box.Lines);
    }
}

// The user's answer, as the buttons are drawn; Esc is never Yes, Retry or
// going on.
TEST_F(Boxes, EachAnswerIsTakenAsItsButtonSays) {
    TFileChecker checker(Dir.Path().string());
    Host.Answers[TBoxKind::ListOffer] = {YesButton, NoButton}; // and then Esc
    Host.Answers[TBoxKind::ReadError] = {0, 1, 2};             // and then Esc
    EXPECT_TRUE(ConfirmUseList("list.md5"));
    EXPECT_FALSE(ConfirmUseList("list.md5"));
    EXPECT_FALSE(ConfirmUseList("list.md5"));
    int32_t actions[4] = {};
    for (int32_t& action : actions)
        OnReadError(&checker, "a.txt", action);
    EXPECT_EQ(actions[0], raSkip);
    EXPECT_EQ(actions[1], raRetry);
    EXPECT_EQ(actions[2], raAbort);
    EXPECT_EQ(actions[3], raAbort);
    EXPECT_EQ(Host.Unanswered, 2);
}

// A name may hold control characters (a hostile list's entries, a file made
// on another system): no box hands them to the host, every one shows "?".
TEST_F(Boxes, ControlCharactersInNamesAreShownAsQuestionMarksInEveryBox) {
    const std::string name = "a\x1B]0;owned\x07\x7F\r\nb.txt";
    TFileChecker checker(Dir.Path().string());
    checker.LastError = name + ": " + name;
    bool go = true;
    int32_t action = 0;
    OnProgress(nullptr, name, 50, go);
    OnReadError(&checker, name, action);
    ConfirmUseList(name);
    ConfirmOverwrite(name);
    ShowRunStopped(checker);
    ShowMessageBox(TBoxKind::Error, name.c_str(), name.c_str(), true);
    ASSERT_EQ(Host.Boxes.size(), 6u);
    for (const FakeSeam::TShownBox& box : Host.Boxes) {
        bool named = false;
        for (const std::string& line : box.Lines) {
            named = named || line.find("a?]0;owned????b.txt") != std::string::npos;
            for (const char c : line)
                EXPECT_FALSE(static_cast<unsigned char>(c) < ' ' || c == '\x7F') << line;
        }
        EXPECT_TRUE(named) << box.Lines[0];
    }
}

TEST_F(Boxes, EscAsksWhetherToAbortWhenConfirmAbortIsOn) {
    Host.EscapeAtPoll = {2, 3, 4};
    Host.Answers[TBoxKind::AbortQuestion] = {NoButton, YesButton}; // and then Esc
    bool go[4] = {};
    for (bool& answer : go)
        OnProgress(nullptr, "a.txt", 50, answer);
    EXPECT_TRUE(go[0]) << "no Esc";
    EXPECT_TRUE(go[1]) << "No goes on";
    EXPECT_FALSE(go[2]) << "Yes aborts";
    EXPECT_FALSE(go[3]) << "Esc aborts";
    EXPECT_EQ(Host.Shown(TBoxKind::AbortQuestion),
              (std::vector<TLines>(3, TLines{"Confirm", "Abort operation?"})));
    // No draws the box after all; an aborted step draws none.
    EXPECT_EQ(Host.Shown(TBoxKind::Progress).size(), 2u);
}

TEST_F(Boxes, EscAbortsAtOnceWhenConfirmAbortIsOff) {
    PluginSettings.ConfirmAbort = false;
    Host.EscapeAtPoll = {1};
    bool go = true;
    OnProgress(nullptr, "a.txt", 50, go);
    EXPECT_FALSE(go);
    EXPECT_TRUE(Host.Boxes.empty());
}

// --- The work-mode dialog ----------------------------------------------------

struct DialogOutcome {
    TWorkMode Mode = wmCancel;
    std::string ListFileName = "hashlist.md5";
    uint32_t Algorithm = haMd5;
    bool IgnoreMissing = false;
    bool SeparateFiles = false;
};

// Its items, as the dialog's events and answers number them.
enum : int {
    ComparePanels = 1,
    CreateList = 2,
    IgnoreMissing = 3,
    ListName = 4,
    SeparateFiles = 5,
    Crc32 = 8,
    Md5 = 9,
    Sha1 = 10,
    Sha256 = 11,
    Ok = 13,
    Cancel = 14
};

class WorkModeDialog : public Boxes {
protected:
    void Show(DialogOutcome& outcome, bool canCompare = true) {
        outcome.Mode =
            ShowWorkModeDialog(Dir.Path().string(), canCompare, outcome.ListFileName,
                               outcome.Algorithm, outcome.IgnoreMissing, outcome.SeparateFiles);
    }
};

TEST_F(WorkModeDialog, TheListNameFollowsTheAlgorithmButtons) {
    TLines names;
    Host.DialogAnswers.push_back([&](FakeSeam::TUser& user) {
        for (const int button : {Crc32, Sha1, Sha256, Md5, Crc32}) {
            user.Click(button);
            names.push_back(user.Item(ListName).Text);
        }
        return Ok;
    });
    DialogOutcome outcome;
    Show(outcome);
    EXPECT_EQ(names, (TLines{"hashlist.sfv", "hashlist.sha1", "hashlist.sha256", "hashlist.md5",
                             "hashlist.sfv"}));
    EXPECT_EQ(outcome.Mode, wmCreateList);
    EXPECT_EQ(outcome.ListFileName, "hashlist.sfv");
    EXPECT_EQ(outcome.Algorithm, haCrc32);
}

TEST_F(WorkModeDialog, OtherExtensionsAndAnEmptyNameStayAsTheyAre) {
    for (const char* name : {"LIST.MD5", "notes.txt", "md5", "dir.md5\\list", ""}) {
        SCOPED_TRACE(name);
        std::string shown;
        Host.DialogAnswers.push_back([&](FakeSeam::TUser& user) {
            user.Click(Crc32);
            user.Click(Sha1);
            shown = user.Item(ListName).Text;
            return Ok;
        });
        // At OK an MD5 list's name in capitals is still one: its algorithm is taken.
        const bool md5Name = std::string(name) == "LIST.MD5";
        if (md5Name)
            Host.Answers[TBoxKind::WrongExtension] = {0};
        DialogOutcome outcome;
        outcome.ListFileName = name;
        Show(outcome);
        EXPECT_EQ(shown, name);
        EXPECT_EQ(outcome.ListFileName, name);
        EXPECT_EQ(outcome.Algorithm, md5Name ? haMd5 : haSha1);
    }
    EXPECT_EQ(Host.Unanswered, 0);
}

TEST_F(WorkModeDialog, SeparateFilesDisableTheNameFieldAndOtherClicksGoToTheHost) {
    bool disabled[3] = {};
    std::vector<std::pair<int, bool>> heard;
    Host.DialogAnswers.push_back([&](FakeSeam::TUser& user) {
        for (bool& state : disabled) {
            user.Click(SeparateFiles);
            state = (user.Item(ListName).Flags & ifDisabled) != 0;
        }
        user.Click(ComparePanels);
        user.Click(CreateList);
        heard = user.Heard;
        return Ok;
    });
    DialogOutcome outcome;
    Show(outcome);
    EXPECT_TRUE(disabled[0]);
    EXPECT_FALSE(disabled[1]);
    EXPECT_TRUE(disabled[2]);
    // The mode buttons are the host's: both halves of each click go to it.
    EXPECT_EQ(heard, (std::vector<std::pair<int, bool>>{{SeparateFiles, true},
                                                        {SeparateFiles, true},
                                                        {SeparateFiles, true},
                                                        {CreateList, false},
                                                        {ComparePanels, false},
                                                        {ComparePanels, false},
                                                        {CreateList, false}}));
    EXPECT_EQ(outcome.Mode, wmCreateList);
    EXPECT_TRUE(outcome.SeparateFiles);
}

TEST_F(WorkModeDialog, CompareModeWritesOnlyIgnoreMissing) {
    Host.DialogAnswers.push_back([](FakeSeam::TUser& user) {
        user.Click(ComparePanels);
        user.Click(IgnoreMissing);
        user.Click(Crc32);
        user.Type(ListName, "other.sfv");
        return Ok;
    });
    DialogOutcome outcome;
    Show(outcome);
    EXPECT_EQ(outcome.Mode, wmComparePanels);
    EXPECT_TRUE(outcome.IgnoreMissing);
    EXPECT_EQ(outcome.ListFileName, "hashlist.md5");
    EXPECT_EQ(outcome.Algorithm, haMd5);
    EXPECT_FALSE(outcome.SeparateFiles);
}

TEST_F(WorkModeDialog, AnExistingListIsAskedAboutAndNoShowsTheDialogAgain) {
    TestSupport::WriteFile(Dir / "hashlist.sha1", "old");
    Host.DialogAnswers.push_back([](FakeSeam::TUser& user) {
        user.Click(Sha1);
        return Ok;
    });
    Host.DialogAnswers.push_back([](FakeSeam::TUser&) { return Cancel; });
    Host.Answers[TBoxKind::Overwrite] = {NoButton};
    DialogOutcome outcome;
    Show(outcome);
    // The name as entered.
    EXPECT_EQ(Host.Shown(TBoxKind::Overwrite),
              (std::vector<TLines>{{"Confirm", "File hashlist.sha1 already exists. Override?"}}));
    EXPECT_TRUE(Host.Boxes[0].Warning);
    ASSERT_EQ(Host.Dialogs.size(), 2u);
    EXPECT_EQ(Host.Dialogs[1].Items[ListName].Text, "hashlist.sha1") << "as the user left it";
    EXPECT_EQ(Host.Dialogs[1].Items[Sha1].Selected, 1);
    EXPECT_EQ(outcome.Mode, wmCancel);
    EXPECT_EQ(outcome.ListFileName, "hashlist.md5") << "nothing is written back on Cancel";
    EXPECT_EQ(outcome.Algorithm, haMd5);

    outcome = DialogOutcome{};
    outcome.ListFileName = "hashlist.sha1";
    outcome.Algorithm = haSha1;
    Host.DialogAnswers.push_back([](FakeSeam::TUser&) { return Ok; });
    Host.Answers[TBoxKind::Overwrite] = {YesButton};
    Show(outcome);
    EXPECT_EQ(outcome.Mode, wmCreateList);
}

TEST_F(WorkModeDialog, AnAbsoluteNameIsTestedAsTheCheckerResolvesIt) {
    const std::string absolute = Dir / "elsewhere.md5";
    TestSupport::WriteFile(absolute, "old");
    Host.DialogAnswers.push_back([&](FakeSeam::TUser& user) {
        user.Type(ListName, absolute);
        return Ok;
    });
    Host.Answers[TBoxKind::Overwrite] = {NoButton};
    DialogOutcome outcome;
    Show(outcome);
    EXPECT_EQ(
        Host.Shown(TBoxKind::Overwrite),
        (std::vector<TLines>{{"Confirm", "File " + absolute + " already exists. Override?"}}));
    EXPECT_EQ(outcome.Mode, wmCancel);
}

// The width is the widest text in screen cells: bytes in a single-byte code
// page, characters in UTF-8 (as far2l's texts are).
TEST_F(WorkModeDialog, ALongerTranslationWidensTheDialog) {
    const struct {
        TTextEncoding Encoding;
        const char* Text;
        int Width; // W: the widest text in cells and the check box's 6, counted by hand
    } cases[] = {
        {TTextEncoding::SingleByte, "&Separate Hash Files, one per file", 34 + 6},
        // "Отдельные файлы, one per file!!!": 32 characters in 46 bytes.
        {TTextEncoding::Utf8,
         "\xD0\x9E\xD1\x82\xD0\xB4\xD0\xB5\xD0\xBB\xD1\x8C\xD0\xBD\xD1\x8B\xD0\xB5 "
         "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xD1\x8B, one per file!!!",
         32 + 6},
        {TTextEncoding::SingleByte,
         "\xD0\x9E\xD1\x82\xD0\xB4\xD0\xB5\xD0\xBB\xD1\x8C\xD0\xBD\xD1\x8B\xD0\xB5 "
         "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xD1\x8B, one per file!!!",
         46 + 6},
    };
    for (const auto& c : cases) {
        Host.TextEncoding = c.Encoding;
        Host.Texts[MSeparateFiles] = c.Text;
        Host.DialogAnswers.push_back([](FakeSeam::TUser&) { return -1; });
        DialogOutcome outcome;
        Show(outcome, false);
        const TDialogLayout& shown = Host.Dialogs.back();
        EXPECT_EQ(shown.Width, c.Width + 10) << c.Text;
        EXPECT_EQ(shown.Height, 17);
        EXPECT_EQ(shown.Items[0].X2, c.Width + 6) << "the box";
        EXPECT_EQ(shown.Items[ListName].X2, c.Width + 4) << "the name field";
        // No comparison offered.
        EXPECT_NE(shown.Items[ComparePanels].Flags & ifDisabled, 0u);
        EXPECT_NE(shown.Items[IgnoreMissing].Flags & ifDisabled, 0u);
    }
}

} // namespace
