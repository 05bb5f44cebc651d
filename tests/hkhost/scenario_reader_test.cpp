// The scenario reader: what a scenario says, and malformed scenarios
// rejected at their line with a reason a test author can act on.
#include "scenario.h"

#include <gtest/gtest.h>

using namespace HkHost;

namespace {

TEST(ScenarioReader, ReadsEveryKindOfStatement) {
    const std::string text = "# a comment, then a blank line\r\n"
                             "\r\n"
                             "dir \"left\"\n"
                             "file \"left/a b.txt\" text \"x\\r\\n\\x01\\\"\"\n"
                             "file \"left/p.bin\" pattern \"ab\" 5\n"
                             "file \"left/e\" empty\n"
                             "file \"left/s\" sparse 0x100000000\n"
                             "panel active dir \"left\"\n"
                             "panel active select \"a b.txt\" \"e\"\n"
                             "panel passive cursor \"x\"\n"
                             "panel passive type 3\n"
                             "language \"German\"\n"
                             "struct-size 376\n"
                             "root-key \"Software\\\\Far\"\n"
                             "registry \"N\" number -1\n"
                             "registry \"B\" bytes 00,ff\n"
                             "registry \"E\" expand \"%X%\"\n"
                             "call info\n"
                             "call command \"x y\"\n"
                             "call config 3\n"
                             "message esc\n"
                             "message 2\n"
                             "dialog\n"
                             "  edit 4 \"n.sfv\"\n"
                             "  check 5 on\n"
                             "  radio 8\n"
                             "  close 12\n"
                             "press esc at progress 3\n"
                             "press \"q\" at progress 1\n"
                             "show file \"left/a b.txt\"\n"
                             "show registry\n"
                             "getmsg hide\n"
                             "registry-file \"reg/settings.reg\"\n";
    Scenario s;
    std::string error;
    ASSERT_TRUE(ReadScenario(text, s, error)) << error;

    ASSERT_EQ(s.Entries.size(), 5u);
    EXPECT_EQ(s.Entries[0].Type, ScenarioEntry::Directory);
    EXPECT_EQ(s.Entries[1].Content, std::string("x\r\n\x01\""));
    EXPECT_EQ(s.Entries[2].Type, ScenarioEntry::Pattern);
    EXPECT_EQ(s.Entries[2].Size, 5u);
    EXPECT_EQ(s.Entries[4].Size, uint64_t{1} << 32);
    EXPECT_EQ(s.Panels[0].Directory, "left");
    EXPECT_EQ(s.Panels[0].Selection, (std::vector<std::string>{"a b.txt", "e"}));
    EXPECT_EQ(s.Panels[1].Cursor, "x");
    EXPECT_EQ(s.Panels[1].PanelType, 3);
    EXPECT_EQ(s.Language, "German");
    EXPECT_EQ(s.StructSize, 376);
    EXPECT_EQ(s.RootKey, "Software\\Far");
    ASSERT_EQ(s.Registry.size(), 3u);
    EXPECT_EQ(s.Registry[0].Value.Number, 0xFFFFFFFFu);
    EXPECT_EQ(s.Registry[1].Value.Bytes, (std::vector<uint8_t>{0x00, 0xFF}));
    EXPECT_EQ(s.Registry[2].Value.Type, Platform::RegistryValueType::ExpandableText);
    ASSERT_EQ(s.Calls.size(), 3u);
    EXPECT_EQ(s.Calls[1].Text, "x y");
    EXPECT_EQ(s.Calls[2].Number, 3);
    ASSERT_EQ(s.Answers.size(), 3u);
    EXPECT_TRUE(s.Answers[0].Escape);
    EXPECT_EQ(s.Answers[1].Index, 2);
    EXPECT_EQ(s.Answers[2].Line, 23);
    ASSERT_EQ(s.Answers[2].Actions.size(), 3u);
    EXPECT_EQ(s.Answers[2].Actions[0].Text, "n.sfv");
    EXPECT_EQ(s.Answers[2].Actions[1].Type, DialogAction::CheckOn);
    EXPECT_EQ(s.Answers[2].Index, 12);
    ASSERT_EQ(s.Keys.size(), 2u);
    EXPECT_EQ(s.Keys[0].AtProgress, 3);
    EXPECT_FALSE(s.Keys[1].Escape);
    EXPECT_EQ(s.Keys[1].Character, 'q');
    EXPECT_EQ(s.ShowFiles, (std::vector<std::string>{"left/a b.txt"}));
    EXPECT_TRUE(s.ShowRegistry);
    EXPECT_FALSE(s.ShowGetMsg);
    EXPECT_EQ(s.RegistryFile, "reg/settings.reg");
}

TEST(ScenarioReader, ReadsWhatHappensBetweenCalls) {
    Scenario s;
    std::string error;
    ASSERT_TRUE(ReadScenario("call menu\n"
                             "call write \"left/b.txt\" text \"new\\r\\n\"\n"
                             "call select active\n"
                             "call select passive \"a\" \"b c\"\n"
                             "call cursor active \"list.md5\"\n"
                             "call menu\n",
                             s, error))
        << error;
    ASSERT_EQ(s.Calls.size(), 6u);
    EXPECT_EQ(s.Calls[1].Kind, CallKind::WriteFile);
    EXPECT_EQ(s.Calls[1].Names, (std::vector<std::string>{"left/b.txt"}));
    EXPECT_EQ(s.Calls[1].Text, "new\r\n");
    EXPECT_EQ(s.Calls[2].Kind, CallKind::Select);
    EXPECT_TRUE(s.Calls[2].Names.empty());
    EXPECT_EQ(s.Calls[3].Side, PanelSide::Passive);
    EXPECT_EQ(s.Calls[3].Names, (std::vector<std::string>{"a", "b c"}));
    EXPECT_EQ(s.Calls[4].Kind, CallKind::Cursor);
    EXPECT_EQ(s.Calls[4].Names, (std::vector<std::string>{"list.md5"}));

    for (const char* bad :
         {"call write \"../x\" text \"y\"\n", "call write \"x\" \"y\"\n", "call cursor active\n",
          "call select left\n", "call cursor active \"a/b\"\n"}) {
        Scenario ignored;
        EXPECT_FALSE(ReadScenario(bad, ignored, error)) << bad;
    }
}

struct Malformed {
    std::string Text;
    const char* Reason; // part of the message
};

TEST(ScenarioReader, RejectsMalformedLinesWithTheirNumber) {
    const Malformed cases[] = {
        {"call menu\nfrobnicate\n", "line 2: unknown statement \"frobnicate\""},
        {"call menu\nfile \"../x\" empty\n", "line 2: a name must not hold empty"},
        {"call menu\nfile \"a/../../x\" empty\n", "line 2: a name must not hold empty"},
        {"call menu\ndir \"/etc\"\n", "line 2: a name must be relative"},
        {"call menu\nfile \"a\\\\b\" empty\n", "line 2: a name must not hold '\\'"},
        {"call menu\nfile \"C:x\" empty\n", "line 2: a name must not hold '\\', ':'"},
        {"call menu\nfile \"x\" empty\nfile \"x\" text \"y\"\n", "line 3: \"x\" is already made"},
        {"call menu\nfile \"x\" pattern \"ab\" 999999999999\n",
         "line 2: expected a number from 0 to 268435456"},
        {"call menu\nfile \"x\" pattern \"\" 3\n", "line 2: an empty pattern"},
        {"call menu\nfile \"x\" text\n", "line 2: \"file\" takes 3 argument(s), not 2"},
        {"call menu\nfile \"x\" text \"abc\n", "line 2: unterminated quoted text"},
        {"call menu\nfile \"x\" text \"a\\qb\"\n", "line 2: unknown escape \\q"},
        {"call menu\nfile \"x\" text \"a\\x4\"\n", "line 2: \\x needs two hexadecimal digits"},
        {"call menu\nfile \"x\" text \"a\"b\n", "line 2: no blank after a quoted text"},
        {"call menu\nmessage 1 2\n", "line 2: \"message\" takes 1 argument(s), not 2"},
        {"call menu\nmessage yes\n", "line 2: message takes a button number or esc"},
        {"call menu\nclose 3\n", "line 2: unknown statement \"close\""},
        {"call menu\ndialog\n  check 5 maybe\n", "line 3: unexpected \"maybe\""},
        {"call menu\ndialog\n  call menu\n", "line 3: inside a dialog answer"},
        {"call menu\ndialog\n  radio 8\n", "line 2: dialog answer without \"close\""},
        {"call menu\ndialog\n  edit 4 \"" + std::string(512, 'x') + "\"\n  close 1\n",
         "line 3: an edit text holds at most 511 characters"},
        {"call menu\npress esc at progress 0\n", "line 2: expected a number from 1"},
        {"call menu\npress \"ab\" at progress 1\n",
         "line 2: press takes esc or one quoted character"},
        {"call menu\npress esc on progress 1\n", "line 2: unexpected \"on\""},
        {"call menu\nregistry \"X\" bytes 0g\n", "line 2: bytes are written HH,HH"},
        {"call menu\nregistry \"X\" bytes 01,\n", "line 2: bytes are written HH,HH"},
        {"call menu\nregistry \"X\" dword 1\n", "line 2: unexpected \"dword\""},
        {"call menu\npanel left dir \"x\"\n", "line 2: unexpected \"left\""},
        {"call menu\npanel active select\n", "line 2: select takes one or more names"},
        {"call menu\npanel active select \"a/b\"\n",
         "line 2: a panel item name has no directory part"},
        {"call menu\npanel active type 9\n", "line 2: expected a number from 0 to 3"},
        {"call menu\nstruct-size 12x\n", "line 2: expected a number"},
        {"call menu\nroot-key \"\\\\Software\"\n",
         "line 2: the root key is a relative registry path"},
        {"call sideways\n", "line 1: unexpected \"sideways\""},
        {"# only a comment\nfile \"x\" empty\n", "no \"call\" statement"},
        {"call menu\n\"quoted\" start\n", "line 2: a statement starts with a keyword"},
    };
    for (const Malformed& c : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(ReadScenario(c.Text, s, error)) << c.Text;
        EXPECT_NE(error.find(c.Reason), std::string::npos) << "scenario:\n"
                                                           << c.Text << "error: " << error;
    }
}

TEST(ScenarioReader, AMissingFileIsReportedByName) {
    Scenario s;
    std::string error;
    EXPECT_FALSE(ReadScenarioFile("no-such-dir/none.scenario", s, error));
    EXPECT_NE(error.find("none.scenario"), std::string::npos) << error;
}

} // namespace
