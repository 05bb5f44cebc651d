// The hashkeep program itself: two runs saving into one directory at once,
// and runs interrupted while they save. Every list comes out whole, holding
// what its own run wrote, and no temporary file is left behind.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#endif

using namespace EngineTest;
using TestSupport::TempDirectory;

namespace {

#ifdef _WIN32
// Under Wine every save costs round trips to its server: 300 files a run
// still keep two runs saving side by side, 1,500 would take minutes.
constexpr int FilesPerRun = 300;
using TProcess = PROCESS_INFORMATION;

TProcess Start(const std::vector<std::string>& args) {
    // Quoted as the C runtime reads it back: no argument here holds a quote,
    // but a directory ends in a backslash, which must not escape the quote.
    std::string line = "\"" HASHKEEP_PROGRAM "\"";
    for (const std::string& arg : args)
        line += " \"" + arg + (arg.back() == '\\' ? "\\\"" : "\"");
    STARTUPINFOA startup{sizeof startup};
    TProcess process{};
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    return process;
}

int Wait(TProcess process) {
    DWORD status = 2;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(status);
}
#else
constexpr int FilesPerRun = 1500;
using TProcess = pid_t;

TProcess Start(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(HASHKEEP_PROGRAM)};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    TProcess process = 0;
    EXPECT_EQ(::posix_spawn(&process, HASHKEEP_PROGRAM, nullptr, nullptr, argv.data(), environ), 0);
    return process;
}

// The exit status, or -1 for a run a signal ended.
int Wait(TProcess process) {
    int status = 0;
    ::waitpid(process, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

class ConcurrentRuns : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string run : {"a", "b"}) {
            std::vector<std::string> args{"create", "-q", "-C", Dir.Dir()};
            for (int i = 0; i < FilesPerRun; ++i) {
                args.push_back(run + std::to_string(i));
                TestSupport::WriteFile(Dir / args.back(), "file " + args.back());
            }
            Args[run] = args;
            // The run's lines, from the list it writes alone.
            args.insert(args.begin() + 4, {"-o", "whole-" + run + ".md5"});
            ASSERT_EQ(Wait(Start(args)), 0);
            TFileChecker list(Dir.Dir());
            ASSERT_TRUE(list.LoadList("whole-" + run + ".md5"));
            for (const TFileCheckerItem& item : list.Items)
                Lines[item.FileName] = "\r\n" + item.Hash + " *" + item.FileName + "\r\n";
        }
    }

    // One run's command line with Option before its files.
    std::vector<std::string> With(const std::string& run, const std::string& option) {
        std::vector<std::string> args = Args[run];
        args.insert(args.begin() + 4, option);
        return args;
    }

    // The per-file lists there are; RemoveThem takes them away.
    size_t PerFileLists(bool removeThem = false) const {
        size_t count = 0;
        for (const auto& [name, line] : Lines) {
            const std::string list = Dir / (name + ".md5");
            if (!std::filesystem::exists(list))
                continue;
            ++count;
            if (removeThem)
                std::filesystem::remove(list);
        }
        return count;
    }

    bool TemporaryLeft() const {
        const std::vector<std::string> names = Names(Dir.Path());
        return std::any_of(names.begin(), names.end(), [](auto& n) { return n[0] == '~'; });
    }

    TempDirectory Dir;
    std::map<std::string, std::vector<std::string>> Args;
    std::map<std::string, std::string> Lines; // file name -> its per-file list
};

TEST_F(ConcurrentRuns, EveryListHoldsExactlyWhatItsOwnRunWrote) {
    for (int round = 0; round < 3; ++round) {
        PerFileLists(true);
        const TProcess a = Start(With("a", "--separate")), b = Start(With("b", "--separate"));
        EXPECT_EQ(Wait(a), 0);
        EXPECT_EQ(Wait(b), 0);
        int wrong = 0;
        for (const auto& [name, list] : Lines)
            wrong += ReadAll(Dir / (name + ".md5")) != list ? 1 : 0;
        EXPECT_EQ(wrong, 0) << "round " << round << ": lists not holding just their file's line";
        EXPECT_FALSE(TemporaryLeft());
    }
    // One list written by both: one of them, whole.
    const TProcess a = Start(With("a", "-oboth.md5")), b = Start(With("b", "-oboth.md5"));
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);
    const std::string both = ReadAll(Dir / "both.md5");
    EXPECT_TRUE(both == ReadAll(Dir / "whole-a.md5") || both == ReadAll(Dir / "whole-b.md5"));
    EXPECT_FALSE(TemporaryLeft());
}

#ifndef _WIN32
TEST_F(ConcurrentRuns, AnInterruptedRunLeavesNoTemporaryFile) {
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Wait(Start(With("a", "--separate"))), 0);
    const auto whole = std::chrono::steady_clock::now() - started;
    int halfway = 0;
    for (int round = 0; round < 6; ++round) {
        PerFileLists(true);
        const TProcess run = Start(With("a", "--separate"));
        // From a fifth to seven tenths of the way through a whole run.
        std::this_thread::sleep_for(whole * (2 + round) / 10);
        ::kill(run, round % 2 == 0 ? SIGINT : SIGTERM);
        const bool ended = Wait(run) == -1;
        EXPECT_FALSE(TemporaryLeft()) << "round " << round;
        halfway += ended && PerFileLists() > 0 && PerFileLists() < FilesPerRun ? 1 : 0;
    }
    EXPECT_GT(halfway, 0) << "no run was interrupted while it wrote its lists";
}
#endif

} // namespace
