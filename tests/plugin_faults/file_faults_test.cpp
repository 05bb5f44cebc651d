// Every file call that OpenPlugin makes while creating lists (one list, or
// one per file), verifying against a list and comparing panels, failed in
// turn through the file layer's seam, with each answer the read-error prompt
// can get where it appears. Whatever fails, the user sees what the driver
// promises for that road: the save-failure box exactly when a list could not
// be saved, the report only after a run that reached its end, the marks of
// the files dealt with so far. Every saved screen is restored, the active
// panel's selection, update and redraw requests always end the call, no
// partial list or temporary file is left, an older list survives a failed
// save byte for byte, and a changed file is never reported as good.
#include "plugin_stage.h"

#include "checker/checker.h"
#include "fault_sweep.h"

#include <algorithm>

using namespace PluginStage;
using FaultSweep::TCall;
using FaultSweep::TCallLog;
using Platform::FileOperation;

namespace {

enum class TAnswer { None, Skip, Retry, Abort, Esc };
constexpr TAnswer PromptAnswers[] = {TAnswer::Skip, TAnswer::Retry, TAnswer::Abort, TAnswer::Esc};

const char* AnswerName(TAnswer answer) {
    switch (answer) {
    case TAnswer::None:
        return "no prompt";
    case TAnswer::Skip:
        return "Skip";
    case TAnswer::Retry:
        return "Retry";
    case TAnswer::Abort:
        return "Abort";
    case TAnswer::Esc:
        return "Esc";
    }
    return "?";
}

// The buttons of the read-error prompt: Skip, Retry, Abort.
std::string AnswerStatement(TAnswer answer) {
    switch (answer) {
    case TAnswer::Skip:
        return "message 0\n";
    case TAnswer::Retry:
        return "message 1\n";
    case TAnswer::Abort:
        return "message 2\n";
    case TAnswer::Esc:
        return "message esc\n";
    case TAnswer::None:
        break;
    }
    return "";
}

struct TFault {
    size_t Number = 0; // 0: the clean run
    TCall Call{FileOperation::Open, "", ""};
    TAnswer Answer = TAnswer::None;

    bool Reading() const {
        return Number != 0 &&
               (Call.Operation == FileOperation::Open || Call.Operation == FileOperation::Read);
    }
    bool Saving() const { return Number != 0 && !Reading(); }
    // A run that ends as the clean one: no fault, or the failed call retried.
    bool Clean() const { return Number == 0 || Answer == TAnswer::Retry; }
    bool Stops() const { return Answer == TAnswer::Abort || Answer == TAnswer::Esc; }
    std::string File() const { return NameOf(Call.Path); }
};

struct TClean {
    std::vector<TCall> Calls;
    Contents Before, After;
    // The names of the files read, in the order they were first opened.
    std::vector<std::string> Order;
};

struct TExpected {
    bool SaveFailureBox = false;
    std::vector<std::string> Report; // the report's lines; empty: no report
    std::set<std::string> Active, Passive;
    Contents Files;
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::vector<std::string> ReportLines(int mismatches, int missing, int skipped) {
    std::vector<std::string> lines{Quoted(std::to_string(mismatches) + " mismatch(es) found")};
    if (missing > 0)
        lines.push_back(Quoted(std::to_string(missing) + " files not found"));
    if (skipped > 0)
        lines.push_back(Quoted(std::to_string(skipped) + " files skipped"));
    return lines;
}

// Files whose bytes differ from block to block, so a block read twice or
// left out changes the digest: none, one and three reads of 32 KiB.
std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 32768 * 7 + seed) % 251);
    return bytes;
}
const std::string BigFile = Pattern(70000, 1);
const std::string SmallFile = Pattern(100, 2);
const std::string OlderList = "; an older list\r\n0123 *kept\r\n\x01\xff";

// A road through OpenPlugin: the files it starts from, the statements that
// play it with the answers a fault calls for, and the end it must reach.
class TRoad {
public:
    virtual ~TRoad() = default;
    virtual void Build(const TStage& stage) const = 0;
    virtual std::string Statements(const TFault& fault) const = 0;
    virtual TExpected Expected(const TFault& fault, const TClean& clean) const = 0;
    // Whether the failed call brings up the read-error prompt.
    virtual bool Prompts(const TFault& fault) const { return fault.Reading(); }
    // A check of the road's own on every run.
    virtual void Check(const TFault&, const TPlayed&) const {}
};

void Expect(const TRoad& road, const TFault& fault, const TPlayed& played, const Contents& files,
            const TClean& clean) {
    const TExpected expected = road.Expected(fault, clean);
    ExpectOrderlyEnd(played);
    // Every I/O box says why: the save-failure box names the list and the
    // cause, the read-error prompt gives the cause under the name.
    const std::string cause = FaultSweep::InjectedCause();
    int saveFailureBoxes = 0;
    for (const auto& box : Boxes(played.Transcript, "I/O Error")) {
        ASSERT_EQ(box.size(), 2u) << "an I/O box without its cause";
        EXPECT_NE(box[1].find(cause), std::string::npos) << box[1];
        if (box[0] == Quoted("Can not save hash list to file")) {
            ++saveFailureBoxes;
            EXPECT_NE(box[1].find(".md5: cannot be "), std::string::npos) << box[1];
        } else {
            // The read-error prompt, with the name as the checker has it.
            EXPECT_EQ(box[0].rfind("\"Error reading file ", 0), 0u) << box[0];
            EXPECT_NE(box[0].find(fault.File() + "\""), std::string::npos) << box[0];
        }
    }
    EXPECT_EQ(saveFailureBoxes, expected.SaveFailureBox ? 1 : 0) << "the save-failure box";
    const auto reports = Boxes(played.Transcript, "Finished");
    if (expected.Report.empty()) {
        EXPECT_TRUE(reports.empty()) << "a report after a run that stopped";
    } else {
        EXPECT_EQ(reports, std::vector<std::vector<std::string>>{expected.Report});
    }
    EXPECT_EQ(Selection(played.Transcript, "active"), expected.Active);
    EXPECT_EQ(Selection(played.Transcript, "passive"), expected.Passive);
    EXPECT_EQ(files, expected.Files) << "the files the run left";
    road.Check(fault, played);
    if (::testing::Test::HasFailure())
        ADD_FAILURE() << played.Transcript;
}

// Runs the road once clean, then once for each of its file calls failed,
// with every answer where the failed call brings up the prompt.
void Sweep(const TRoad& road) {
    TClean clean;
    {
        TStage stage;
        road.Build(stage);
        clean.Before = stage.Files();
        TPlayed played;
        {
            TCallLog log;
            played = stage.Play(road.Statements(TFault{}));
            clean.Calls = log.Calls;
        }
        clean.After = stage.Files();
        for (const TCall& call : clean.Calls)
            if (call.Operation == FileOperation::Open &&
                std::find(clean.Order.begin(), clean.Order.end(), NameOf(call.Path)) ==
                    clean.Order.end())
                clean.Order.push_back(NameOf(call.Path));
        SCOPED_TRACE("the clean run");
        Expect(road, TFault{}, played, clean.After, clean);
        ASSERT_FALSE(::testing::Test::HasFailure());
    }
    ASSERT_FALSE(clean.Calls.empty());
    for (size_t number = 1; number <= clean.Calls.size(); ++number) {
        TFault fault{number, clean.Calls[number - 1], TAnswer::None};
        std::vector<TAnswer> answers{TAnswer::None};
        if (road.Prompts(fault))
            answers.assign(std::begin(PromptAnswers), std::end(PromptAnswers));
        for (const TAnswer answer : answers) {
            fault.Answer = answer;
            SCOPED_TRACE("call " + std::to_string(number) + ": " +
                         FaultSweep::OperationName(fault.Call.Operation) + " " + fault.File() +
                         " failed, " + AnswerName(answer));
            TStage stage;
            road.Build(stage);
            TPlayed played;
            {
                TCallLog log(number);
                played = stage.Play(road.Statements(fault));
            }
            Expect(road, fault, played, stage.Files(), clean);
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

// Names in Order from Name on (Name itself included).
std::set<std::string> FromOn(const std::vector<std::string>& order, const std::string& name) {
    const auto at = std::find(order.begin(), order.end(), name);
    return {at, order.end()};
}

// --- Creating lists ----------------------------------------------------------

class TCreating : public TRoad {
public:
    explicit TCreating(bool separate) : Separate_(separate) {}

    void Build(const TStage& stage) const override {
        stage.MakeDirectory("work");
        stage.MakeDirectory("other");
        stage.Write("work/big.bin", BigFile);
        stage.Write("work/empty", "");
        stage.Write("work/small name.txt", SmallFile);
        // An older list where a new one goes, to survive any failure.
        stage.Write(Separate_ ? "work/small name.txt.md5" : "work/hashlist.md5", OlderList);
    }

    std::string Statements(const TFault& fault) const override {
        std::string text = "panel active dir \"work\"\n"
                           "panel active select \"big.bin\" \"empty\" \"small name.txt\"\n"
                           "panel passive dir \"other\"\n"
                           "call menu\n"
                           "dialog\n";
        // Either way an older list is there: the overwrite question, or the
        // one question about the per-file lists that exist.
        text += Separate_ ? "  check 5 on\n  close 13\n" : "  close 13\n";
        text += "message 0\n";
        text += AnswerStatement(fault.Answer);
        if (fault.Saving())
            text += "message 0\n";
        return text;
    }

    TExpected Expected(const TFault& fault, const TClean& clean) const override {
        TExpected expected;
        expected.Files = clean.After;
        if (fault.Clean())
            return expected;
        if (fault.Saving()) {
            expected.SaveFailureBox = true;
            // Lists renamed into place before the failed call stay; the rest are as before.
            for (const auto& [name, bytes] : clean.After)
                if (clean.Before.count(name) == 0 || clean.Before.at(name) != bytes)
                    if (!RenamedBefore(clean, name, fault.Number))
                        Restore(expected.Files, clean.Before, name);
            return expected;
        }
        const std::string file = fault.File();
        if (fault.Stops()) {
            // Nothing is written; the files hashed before keep their unmarking.
            expected.Files = clean.Before;
            expected.Active = FromOn(clean.Order, file);
            return expected;
        }
        // Skipped: the file gets no entry and keeps its selection.
        expected.Active = {file};
        if (Separate_)
            Restore(expected.Files, clean.Before, "work/" + file + ".md5");
        else
            expected.Files["work/hashlist.md5"] =
                WithoutEntry(clean.After.at("work/hashlist.md5"), file);
        return expected;
    }

private:
    static void Restore(Contents& files, const Contents& before, const std::string& name) {
        if (before.count(name) != 0)
            files[name] = before.at(name);
        else
            files.erase(name);
    }

    static bool RenamedBefore(const TClean& clean, const std::string& list, size_t number) {
        for (size_t i = 0; i + 1 < number; ++i)
            if (clean.Calls[i].Operation == FileOperation::Rename &&
                "work/" + NameOf(clean.Calls[i].Path) == list)
                return true;
        return false;
    }

    static std::string WithoutEntry(const std::string& list, const std::string& name) {
        const std::string ending = " *" + name + "\r\n";
        std::string kept;
        for (size_t start = 0; start < list.size();) {
            const size_t end = list.find("\r\n", start) + 2;
            const std::string line = list.substr(start, end - start);
            if (line.size() < ending.size() ||
                line.compare(line.size() - ending.size(), ending.size(), ending) != 0)
                kept += line;
            start = end;
        }
        return kept;
    }

    bool Separate_;
};

TEST(PluginFileFaults, CreatingOneList) {
    Sweep(TCreating(false));
}

TEST(PluginFileFaults, CreatingOneListPerFile) {
    Sweep(TCreating(true));
}

// --- Verifying against a list --------------------------------------------------

const std::string ChangedFile = "small name.txt";

class TVerifying : public TRoad {
public:
    explicit TVerifying(bool fromCommandLine) : FromCommandLine_(fromCommandLine) {}

    void Build(const TStage& stage) const override {
        stage.MakeDirectory("work");
        stage.Write("work/big.bin", BigFile);
        stage.Write("work/empty", "");
        stage.Write("work/small name.txt", SmallFile);
        stage.Write("work/gone.txt", "soon gone");
        TFileChecker checker(stage.Path("work"));
        checker.Algorithm = haMd5;
        for (const char* name : {"big.bin", "empty", "small name.txt", "gone.txt"})
            ASSERT_EQ(checker.AddFile(name), crOk);
        ASSERT_TRUE(checker.SaveList("list.md5", false));
        std::filesystem::remove(stage.Path("work/gone.txt"));
        // The same size, one byte changed.
        std::string changed = SmallFile;
        changed[50] = static_cast<char>(changed[50] ^ 1);
        stage.Write("work/" + ChangedFile, changed);
    }

    std::string Statements(const TFault& fault) const override {
        std::string text = "panel active dir \"work\"\n"
                           "panel active cursor \"list.md5\"\n";
        text += FromCommandLine_ ? "call command \"list.md5\"\n" : "call menu\n";
        // A list that cannot be read is no list: from the menu the work-mode
        // dialog instead, from the command line the box that says so.
        if (Loading(fault))
            return text + (FromCommandLine_ ? "message 0\n" : "dialog\n  close esc\n");
        // From the command line the list is used without a question.
        if (!FromCommandLine_)
            text += "message 0\n";
        text += AnswerStatement(fault.Answer);
        if (!fault.Stops())
            text += "message 0\n";
        return text;
    }

    bool Prompts(const TFault& fault) const override { return fault.Reading() && !Loading(fault); }

    TExpected Expected(const TFault& fault, const TClean& clean) const override {
        TExpected expected;
        expected.Files = clean.Before;
        if (Loading(fault) || fault.Stops())
            return expected;
        const bool skipped = fault.Answer == TAnswer::Skip;
        expected.Active = {ChangedFile};
        if (skipped)
            expected.Active.erase(fault.File());
        expected.Report = ReportLines(static_cast<int>(expected.Active.size()), 1, skipped ? 1 : 0);
        return expected;
    }

    // Whatever failed, a report never counts the changed file among the good
    // ones; a list named on the command line that cannot be read is named.
    void Check(const TFault& fault, const TPlayed& played) const override {
        const auto errors = Boxes(played.Transcript, "Error");
        if (Loading(fault) && FromCommandLine_) {
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_EQ(errors[0][0], Quoted("File list.md5 is not a valid hash list"));
            EXPECT_NE(errors[0][1].find(FaultSweep::InjectedCause()), std::string::npos);
        } else {
            EXPECT_TRUE(errors.empty());
        }
        if (Boxes(played.Transcript, "Finished").empty())
            return;
        const bool skipped = fault.Answer == TAnswer::Skip && fault.File() == ChangedFile;
        EXPECT_TRUE(skipped || Selection(played.Transcript, "active").count(ChangedFile) != 0)
            << "the changed file reported as good";
    }

private:
    static bool Loading(const TFault& fault) {
        return fault.Number != 0 && fault.File() == "list.md5";
    }

    bool FromCommandLine_;
};

TEST(PluginFileFaults, VerifyingAgainstAListFromTheMenu) {
    Sweep(TVerifying(false));
}

TEST(PluginFileFaults, VerifyingAgainstAListFromTheCommandLine) {
    Sweep(TVerifying(true));
}

// --- Comparing panels ------------------------------------------------------------

class TComparing : public TRoad {
public:
    void Build(const TStage& stage) const override {
        stage.MakeDirectory("work");
        stage.MakeDirectory("other");
        for (const char* side : {"work/", "other/"}) {
            stage.Write(side + std::string("big.bin"), BigFile);
            stage.Write(side + std::string("empty"), "");
        }
        stage.Write("work/small name.txt", SmallFile);
        stage.Write("other/small name.txt", Pattern(SmallFile.size(), 3));
        stage.Write("work/only here.txt", "x");
    }

    std::string Statements(const TFault& fault) const override {
        std::string text = "panel active dir \"work\"\n"
                           "panel active select \"big.bin\" \"empty\" \"only here.txt\" "
                           "\"small name.txt\"\n"
                           "panel passive dir \"other\"\n"
                           "call menu\n"
                           "dialog\n  radio 1\n  close 13\n";
        text += AnswerStatement(fault.Answer);
        if (!fault.Stops())
            text += "message 0\n";
        return text;
    }

    TExpected Expected(const TFault& fault, const TClean& clean) const override {
        TExpected expected;
        expected.Files = clean.Before;
        expected.Active = {"only here.txt", "small name.txt"};
        expected.Passive = {"small name.txt"};
        expected.Report = ReportLines(1, 1, 0);
        if (fault.Clean())
            return expected;
        const std::string file = fault.File();
        if (fault.Stops()) {
            // The files compared before the stop keep their marks; no report.
            expected.Report.clear();
            for (const std::string& name : FromOn(clean.Order, file)) {
                expected.Active.insert(name);
                expected.Passive.erase(name);
            }
            return expected;
        }
        expected.Active.insert(file);
        expected.Passive.erase(file);
        expected.Report = ReportLines(static_cast<int>(expected.Passive.size()), 1, 1);
        return expected;
    }
};

TEST(PluginFileFaults, ComparingPanels) {
    Sweep(TComparing());
}

// --- Runs that cannot go on, and the per-file question -------------------------

// Deletes Victim when the file layer first opens Trigger.
struct TVanishing {
    std::string Trigger, Victim;
    bool Done = false;
};
bool Vanish(FileOperation operation, const std::string& path, void* context) {
    auto& vanishing = *static_cast<TVanishing*>(context);
    if (!vanishing.Done && operation == FileOperation::Open && NameOf(path) == vanishing.Trigger) {
        vanishing.Done = true;
        std::filesystem::remove(vanishing.Victim);
    }
    return false;
}

// A run that cannot go on says why, and writes nothing: a selected file gone
// by its turn names the file and the cause; a name no list of the chosen
// algorithm gives back (";x" reads as a comment in an SFV list) is refused
// by name before anything is hashed.
TEST(PluginFileFaults, ARunThatCannotGoOnSaysWhichFileAndWhy) {
    const std::string select = "panel active dir \"work\"\npanel passive dir \"other\"\n"
                               "panel active select \"a.txt\" ";
    const std::string gone = select + "\"b.txt\"\ncall menu\ndialog\n";
    const struct {
        const char* Road;
        std::string Statements;
        const char* Title;
        std::vector<std::string> Box; // the lines after the title; a detail is found in its line
    } roads[] = {
        {"one list",
         gone + "  close 13\nmessage 0\n",
         "I/O Error",
         {"Stopped: a file could not be hashed", "b.txt: "}},
        {"one list per file",
         gone + "  check 5 on\n  close 13\nmessage 0\n",
         "I/O Error",
         {"Stopped: a file could not be hashed", "b.txt: "}},
        {"comparison",
         gone + "  radio 1\n  close 13\nmessage 0\n",
         "I/O Error",
         {"Stopped: a file could not be hashed", "b.txt: "}},
        {"SFV list",
         select + "\";notes.txt\"\ncall menu\ndialog\n  radio 8\n  close 13\nmessage 0\n",
         "Error",
         {"A hash list can not hold the name ;notes.txt"}},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.Road);
        TStage stage;
        stage.MakeDirectory("work");
        stage.MakeDirectory("other");
        for (const char* name :
             {"work/a.txt", "work/b.txt", "work/;notes.txt", "other/a.txt", "other/b.txt"})
            stage.Write(name, "same");
        Contents expected = stage.Files();
        // b.txt goes when a.txt is opened: the panel listed it, and it is
        // gone by the time its turn comes.
        TVanishing vanishing{"a.txt", stage.Path("work/b.txt")};
        Platform::SetFileFaultHook(&Vanish, &vanishing);
        const TPlayed played = stage.Play(road.Statements);
        Platform::SetFileFaultHook(nullptr, nullptr);
        ExpectOrderlyEnd(played);
        const auto boxes = Boxes(played.Transcript, road.Title);
        ASSERT_EQ(boxes.size(), 1u) << played.Transcript;
        ASSERT_EQ(boxes[0].size(), road.Box.size()) << played.Transcript;
        EXPECT_EQ(boxes[0][0], Quoted(road.Box[0]));
        if (road.Box.size() > 1) {
            EXPECT_NE(boxes[0][1].find(road.Box[1]), std::string::npos) << boxes[0][1];
        }
        EXPECT_TRUE(Boxes(played.Transcript, "Finished").empty()) << "a report after a stop";
        if (vanishing.Done) {
            expected.erase("work/b.txt");
        } else {
            EXPECT_EQ(played.Transcript.find("SaveScreen"), std::string::npos) << "hashed";
        }
        EXPECT_EQ(stage.Files(), expected) << "no list is written";
    }
}

// One list per file asks once about the per-file lists that exist, with the
// count and the first name, before anything is hashed, and never about the
// single list's name: No leaves those files out (unhashed, their lists as
// they were, still selected), Cancel ends the run, Yes replaces them.
TEST(PluginFileFaults, OneListPerFileAsksOnceBeforeReplacingTheListsThatExist) {
    const struct {
        const char* Answer;
        std::set<std::string> Replaced, Selected;
    } answers[] = {
        {"message 1\n", {"c.txt"}, {"a.txt", "b.txt"}},
        {"message 2\n", {}, {"a.txt", "b.txt", "c.txt"}},
        {"message esc\n", {}, {"a.txt", "b.txt", "c.txt"}},
        {"message 0\n", {"a.txt", "b.txt", "c.txt"}, {}},
    };
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.Answer);
        TStage stage;
        stage.MakeDirectory("work");
        for (const char* name : {"work/a.txt", "work/b.txt", "work/c.txt"})
            stage.Write(name, name);
        for (const char* name : {"work/a.txt.md5", "work/b.txt.md5", "work/hashlist.md5"})
            stage.Write(name, "published");
        const TPlayed played = stage.Play(
            "panel active dir \"work\"\npanel active select \"a.txt\" \"b.txt\" \"c.txt\"\n"
            "call menu\ndialog\n  check 5 on\n  close 13\n" +
            std::string(answer.Answer));
        ExpectOrderlyEnd(played);
        EXPECT_EQ(Boxes(played.Transcript, "Confirm"),
                  (std::vector<std::vector<std::string>>{
                      {Quoted("2 hash list(s) already exist, the first:"), Quoted("a.txt.md5"),
                       Quoted("Replace them? No leaves those files out.")}}));
        const Contents files = stage.Files();
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            const std::string list = "work/" + std::string(name) + ".md5";
            const bool replaced = answer.Replaced.count(name) != 0;
            EXPECT_EQ(files.count(list) != 0 && files.at(list) != "published", replaced) << list;
        }
        EXPECT_EQ(files.at("work/hashlist.md5"), "published");
        EXPECT_EQ(Selection(played.Transcript, "active"), answer.Selected);
    }
}

} // namespace
