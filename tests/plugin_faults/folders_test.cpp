// Folders in the selection and lists with subfolders, through the real entry
// points: with "Process subfolders" on a selected folder gives every file
// below it to a new list, to the comparison and to the marks, which go to
// the top-level item that holds a file; with it off (the default) a folder
// is passed over as before.
#include "plugin_stage.h"

#include <cerrno>
#include <cstring>
#include <functional>

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

// The other side is opened below its panel's folder as a list's entries
// are: a linked folder there is refused, not followed back to this side's
// own files; a folder it cannot list whole is a read error, never two
// folders called equal; a file that is there but cannot be reached is
// reported even with "Ignore Missing Files"; names pair as the file system
// pairs them; and one folder shown in both panels is never compared with
// itself, however each spells it.
TEST_F(Folders, ComparisonOpensTheOtherSideBelowItsPanelFolder) {
    const std::string skip = "message 0\n", compare = "  radio 1\n  close 13\n";
    const std::vector<std::string> none{"\"0 mismatch(es) found\""},
        skipped{none[0], "\"1 files skipped\""};
    struct TCase {
        const char* What;
        std::function<std::string(TStage&)> Make; // gives the one item selected
        std::string Answers;                      // from the dialog on
        std::vector<std::string> Report;          // empty: no comparison offered
        bool Kept;                                // the item keeps its selection
        std::string Cause;                        // in the first read-error prompt
        std::string Passive = "other";
    };
    std::vector<TCase> cases{
        {"names pair as the file system pairs them",
         [](TStage& stage) {
             stage.Write("other/disc 1/T01.FLAC", "one");
             stage.Write("other/disc 1/sub/t02.flac", "two");
             return std::string("disc 1");
         },
         compare + skip,
         Platform::PathSeparator == '\\'
             ? none
             : std::vector<std::string>{none[0], "\"2 files not found\""},
         Platform::PathSeparator != '\\', ""},
        {"a file there but out of reach, with Ignore Missing Files",
         [](TStage& stage) {
#ifdef _WIN32 // a path Windows cannot open
             const std::string name(259 - stage.Path("").size(), 'n');
             stage.Write(name, "abc");
             stage.Write("other/" + name, "abc");
             return name;
#else // a link that loops
             std::filesystem::create_symlink("a.txt", stage.Path("other/a.txt"));
             return std::string("a.txt");
#endif
         },
         "  radio 1\n  check 3 on\n  close 13\n" + skip + skip, skipped, true,
         Platform::PathSeparator == '\\' ? "longer than the 259 characters" : std::strerror(ELOOP)},
#ifndef _WIN32
        {"a linked folder on the other side",
         [](TStage& stage) {
             std::filesystem::remove_all(stage.Path("other/disc 1"));
             std::filesystem::create_directory_symlink(stage.Path("disc 1"),
                                                       stage.Path("other/disc 1"));
             return std::string("disc 1");
         },
         compare + skip + skip + skip,
         {none[0], "\"2 files skipped\""},
         true,
         "symbolic link, which is not followed"},
        {"a folder the other side cannot list whole",
         [](TStage& stage) {
             stage.Write("other/disc 1/t01.flac", "one");
             stage.Write("other/disc 1/sub/t02.flac", "two");
             stage.MakeDirectory("other/disc 1/" + std::string(250, 'd'));
             stage.Write("other/disc 1/" + std::string(250, 'd') + "/long name", "");
             return std::string("disc 1");
         },
         compare + skip + skip, skipped, true, "longer than the 259 characters"},
        {"one folder in both panels, spelled through a link",
         [](TStage& stage) {
             std::filesystem::create_directory_symlink(stage.Path(""), stage.Path("other/alias"));
             return std::string("a.txt");
         },
         "  close esc\n",
         {},
         true,
         "",
         "other/alias"},
#endif
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TStage stage;
        for (const char* folder : {"disc 1/sub", "other/disc 1/sub"})
            stage.MakeDirectory(folder);
        stage.Write("a.txt", "abc");
        stage.Write("disc 1/t01.flac", "one");
        stage.Write("disc 1/sub/t02.flac", "two");
        const std::string item = c.Make(stage);
        const TPlayed played =
            stage.Play("registry \"UseMode\" number 8\nregistry \"ProcessSubfolders\" text \"1\"\n"
                       "panel passive dir \"" +
                       c.Passive + "\"\npanel active select \"" + item + "\"\ncall menu\ndialog\n" +
                       c.Answers);
        ExpectOrderlyEnd(played);
        const auto reports = Boxes(played.Transcript, "Finished");
        EXPECT_EQ(reports, c.Report.empty() ? decltype(reports){} : decltype(reports){c.Report});
        EXPECT_EQ(Selection(played.Transcript, "active"),
                  c.Kept ? std::set<std::string>{item} : std::set<std::string>{});
        const auto prompts = Boxes(played.Transcript, "I/O Error");
        EXPECT_EQ(prompts.empty(), c.Cause.empty());
        EXPECT_NE((prompts.empty() ? "" : prompts[0].back()).find(c.Cause), std::string::npos);
        const size_t radio = played.Transcript.find("\"Compare Against Another &Panel\"");
        const std::string line = played.Transcript.substr(
            played.Transcript.rfind('\n', radio), radio - played.Transcript.rfind('\n', radio));
        EXPECT_EQ(line.find("DIF_DISABLE") == std::string::npos, !c.Report.empty());
    }
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
