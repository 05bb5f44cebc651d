// Folders in the selection and lists with subfolders, through the real entry
// points: with "Process subfolders" on a selected folder gives every file
// below it to a new list, to the comparison and to the marks, which go to
// the top-level item that holds a file; with it off (the default) a folder
// is passed over as before.
#include "plugin_stage.h"

using namespace PluginStage;

namespace {

const std::string ShaA = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"; // abc
const std::string ShaOne = "7692c3ad3540bb803c020b3aee66cd8887123234ea0c6e7143c0add73ff431ed";
const std::string ShaTwo = "3fc4ccfe745870e2c0d99f71f30ff0656c8dedd41cc1d7d3d376b0dbe685e2f3";

class Folders : public ::testing::Test {
protected:
    void SetUp() override {
        Stage.Write("a.txt", "abc");
        Stage.MakeDirectory("disc 1/sub");
        Stage.Write("disc 1/t01.flac", "one");
        Stage.Write("disc 1/sub/t02.flac", "two");
        Stage.MakeDirectory("empty");
        Stage.MakeDirectory("other/disc 1/sub");
    }

    // A run with SHA256 and the setting as given; OrderlyEnd: the run is to
    // end with the final panel requests.
    TPlayed Play(const std::string& statements, bool subfolders = true, bool orderlyEnd = true) {
        const TPlayed played = Stage.Play(
            std::string("registry \"UseMode\" number 8\nregistry \"ProcessSubfolders\" text \"") +
            (subfolders ? "1" : "0") + "\"\npanel passive dir \"other\"\n" + statements);
        if (orderlyEnd)
            ExpectOrderlyEnd(played);
        else
            for (const std::string& error : played.Errors)
                ADD_FAILURE() << "host error: " << error;
        return played;
    }

    TStage Stage;
};

TEST_F(Folders, CreatingListsEveryFileBelowASelectedFolder) {
    struct TCase {
        const char* What;
        bool Subfolders;
        std::string Selection, Answers;
        Contents Lists;
        std::set<std::string> LeftSelected;
    };
    const std::string header = "\r\n";
    const TCase cases[] = {
        {"one list, sorted part by part; an empty folder passed over",
         true,
         "\"a.txt\" \"disc 1\" \"empty\"",
         "  close 13\n",
         // In the panel's order, folders first; below a folder part by part.
         {{"hashlist.sha256", header + ShaTwo + " *disc 1/sub/t02.flac\r\n" + ShaOne +
                                  " *disc 1/t01.flac\r\n" + ShaA + " *a.txt\r\n"}},
         {"empty"}},
        {"named after the one folder selected",
         true,
         "\"disc 1\"",
         "  close 13\n",
         {{"disc 1.sha256",
           header + ShaTwo + " *disc 1/sub/t02.flac\r\n" + ShaOne + " *disc 1/t01.flac\r\n"}},
         {}},
        {"one list beside each file",
         true,
         "\"disc 1\"",
         "  check 5 on\n  close 13\n",
         {{"disc 1/t01.flac.sha256", header + ShaOne + " *t01.flac\r\n"},
          {"disc 1/sub/t02.flac.sha256", header + ShaTwo + " *t02.flac\r\n"}},
         {}},
        {"the setting off: folders are passed over",
         false,
         "\"a.txt\" \"disc 1\"",
         "  close 13\n",
         {{"a.txt.sha256", header + ShaA + " *a.txt\r\n"}},
         {"disc 1"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const Contents before = Stage.Files();
        const TPlayed played =
            Play("panel active select " + c.Selection + "\ncall menu\ndialog\n" + c.Answers,
                 c.Subfolders);
        Contents written;
        for (const auto& [name, bytes] : Stage.Files())
            if (before.count(name) == 0)
                written[name] = bytes;
        EXPECT_EQ(written, c.Lists);
        EXPECT_EQ(Selection(played.Transcript, "active"), c.LeftSelected);
        for (const auto& [name, bytes] : c.Lists)
            std::filesystem::remove(Stage.Path(name));
    }
    // The parent under the cursor is the selection the host hands over when
    // nothing is selected: never walked, as the folder above is no one's.
    const TPlayed played = Play("call menu\nmessage 0\n", true, false);
    EXPECT_EQ(Boxes(played.Transcript, "No data").size(), 1u) << played.Transcript;
}

TEST_F(Folders, AMismatchBelowAFolderSelectsTheFolder) {
    // As sha256sum writes them: plain and tagged lines, subfolders, "./".
    Stage.Write("SHA256SUMS", ShaA + "  ./a.txt\nSHA256 (disc 1/t01.flac) = " + ShaOne + "\n" +
                                  ShaTwo + " *disc 1\\sub\\t02.flac\n" + ShaTwo +
                                  "  gone/t03.flac\n");
    Stage.Write("disc 1/sub/t02.flac", "changed");
    // Under the cursor (after the offer) and named on the command line.
    for (const char* road : {"panel active cursor \"SHA256SUMS\"\ncall menu\nmessage 0\n",
                             "panel active cursor \"a.txt\"\ncall command \"SHA256SUMS\"\n"}) {
        SCOPED_TRACE(road);
        const TPlayed played = Play(std::string(road) + "message 0\n");
        EXPECT_EQ(Boxes(played.Transcript, "Finished"),
                  (std::vector<std::vector<std::string>>{
                      {"\"1 mismatch(es) found\"", "\"1 files not found\""}}));
        EXPECT_EQ(Selection(played.Transcript, "active"), std::set<std::string>{"disc 1"});
    }
}

// What check: makes of its text: a list named with blanks or quotes around
// the name; a digest from a web page, checked against the file under the
// cursor; nothing, for a text that is neither. And a selected folder whose
// one file is a list is listed, not offered for verification.
TEST_F(Folders, CheckTextsAndAFolderHoldingOneList) {
    Stage.Write("SHA256SUMS", ShaA + "  a.txt\n");
    Stage.MakeDirectory("only");
    Stage.Write("only/x.sha256", ShaA + "  a.txt\n");
    std::string upper = ShaA;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Text: after check:, or (empty) the folder selected from the menu; Box:
    // the title and the lines of the one box shown, '|' between.
    const struct {
        std::string Cursor, Text, Box;
        std::set<std::string> Selected;
    } cases[] = {
        {"a.txt", "SHA256SUMS ", "Finished|0 mismatch(es) found", {}},
        {"a.txt", " \\\"SHA256SUMS\\\" ", "Finished|0 mismatch(es) found", {}},
        {"a.txt", upper, "Finished|a.txt|matches the SHA256 digest", {}},
        {"a.txt",
         " sha256:" + ShaOne,
         "Finished|a.txt|does NOT match the SHA256 digest",
         {"a.txt"}},
        {"disc 1", ShaA, "No data|No files selected", {}},
        {"a.txt", "md5:" + ShaA, "", {}},
        {"a.txt", "", "", {"only"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const std::string call =
            c.Text.empty()
                ? "panel active select \"only\"\ncall menu\ndialog\n  close esc\n"
                : "call command \"" + c.Text + "\"\n" + (c.Box.empty() ? "" : "message 0\n");
        const TPlayed played = Play("panel active cursor \"" + c.Cursor + "\"\n" + call, true,
                                    !c.Box.empty() || c.Text.empty());
        std::string shown;
        for (const char* title : {"Finished", "No data", "List file found", "Error"})
            for (const auto& box : Boxes(played.Transcript, title)) {
                shown.append(shown.empty() ? "" : "||").append(title);
                for (const std::string& line : box) // each line quoted
                    shown.append("|").append(line, 1, line.size() - 2);
            }
        EXPECT_EQ(shown, c.Box);
        EXPECT_EQ(Selection(played.Transcript, "active"), c.Selected);
    }
}

TEST_F(Folders, ComparisonPairsPathsAndMarksTopLevelItems) {
    Stage.Write("other/a.txt", "abc");
    Stage.Write("other/disc 1/t01.flac", "one");
    Stage.Write("other/disc 1/sub/t02.flac", "differs");
    Stage.MakeDirectory("same");
    Stage.Write("same/x", "x");
    Stage.MakeDirectory("other/same");
    Stage.Write("other/same/x", "x");
    Stage.Write("disc 1/only here", "");
    // Equal files, but the other side's folder holds one file more.
    Stage.MakeDirectory("more");
    Stage.Write("more/x", "x");
    Stage.MakeDirectory("other/more/deeper");
    Stage.Write("other/more/x", "x");
    Stage.Write("other/more/deeper/extra", "");
    const TPlayed played =
        Play("panel active select \"a.txt\" \"disc 1\" \"same\" \"more\"\ncall menu\n"
             "dialog\n  radio 1\n  close 13\nmessage 0\n");
    EXPECT_EQ(Boxes(played.Transcript, "Finished"),
              (std::vector<std::vector<std::string>>{
                  {"\"1 mismatch(es) found\"", "\"2 files not found\""}}));
    // Only a folder whose every file was equal, with no file more on the
    // other side, loses its selection.
    EXPECT_EQ(Selection(played.Transcript, "active"), (std::set<std::string>{"disc 1", "more"}));
    EXPECT_EQ(Selection(played.Transcript, "passive"), (std::set<std::string>{"disc 1", "more"}));
}

#ifndef _WIN32 // Windows opens no path this long
TEST_F(Folders, AFolderThatCannotBeListedWhollyIsNamedAndNothingIsHashed) {
    Stage.MakeDirectory("deep/" + std::string(250, 'd'));
    Stage.Write("deep/" + std::string(250, 'd') + "/long name", "");
    // Nothing is hashed, no panel request made, as when no file is selected.
    const TPlayed played =
        Play("panel active select \"a.txt\" \"deep\"\ncall menu\nmessage 0\n", true, false);
    const auto boxes = Boxes(played.Transcript, "Error");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0][0], "\"Can not read the folder deep\"");
    EXPECT_NE(boxes[0][1].find("longer than the 259 characters"), std::string::npos) << boxes[0][1];
    EXPECT_EQ(Selection(played.Transcript, "active"), (std::set<std::string>{"a.txt", "deep"}));
}
#endif

} // namespace
