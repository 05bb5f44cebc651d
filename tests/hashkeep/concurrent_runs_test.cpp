// The hashkeep program, not the library: two runs writing lists into one
// directory at the same time, and a run interrupted while it writes. Every
// list must come out whole and hold what its own run wrote, and no temporary
// file may be left behind.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <map>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#endif

using namespace EngineTest;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

// A running hashkeep; Wait gives its exit status (-1: ended by a signal).
class TProgram {
public:
    explicit TProgram(const std::vector<std::string>& args) {
#ifdef _WIN32
        std::string command = "\"" + std::string(HASHKEEP_PROGRAM) + "\"";
        for (const std::string& arg : args)
            command += " \"" + arg + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        Started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &Process_) != 0;
#else
        std::vector<char*> argv{const_cast<char*>(HASHKEEP_PROGRAM)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        Started_ =
            ::posix_spawn(&Pid_, HASHKEEP_PROGRAM, nullptr, nullptr, argv.data(), environ) == 0;
#endif
    }

    int Wait() {
        if (!Started_)
            return -2;
        Started_ = false;
#ifdef _WIN32
        WaitForSingleObject(Process_.hProcess, INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(Process_.hProcess, &status);
        CloseHandle(Process_.hProcess);
        CloseHandle(Process_.hThread);
        return static_cast<int>(status);
#else
        int status = 0;
        ::waitpid(Pid_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

#ifndef _WIN32
    void Signal(int number) const {
        ::kill(Pid_, number);
    }
#endif

    ~TProgram() {
        Wait();
    }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

private:
    bool Started_ = false;
#ifdef _WIN32
    PROCESS_INFORMATION Process_{};
#else
    pid_t Pid_ = 0;
#endif
};

constexpr int FilesPerRun = 1500;

class ConcurrentRuns : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* run : {"a", "b"}) {
            std::vector<std::string>& names = Names_[run];
            for (int i = 0; i < FilesPerRun; ++i) {
                names.push_back(run + std::to_string(i));
                WriteFile(Dir / names.back(), "file " + names.back());
            }
        }
        // Each run's lines, written by a run alone.
        for (const char* run : {"a", "b"}) {
            TProgram alone(Args(run, {"-o", std::string("alone-") + run + ".md5"}));
            ASSERT_EQ(alone.Wait(), 0);
            TFileChecker list(Dir.Dir());
            ASSERT_TRUE(list.LoadList(std::string("alone-") + run + ".md5"));
            for (const TFileCheckerItem& item : list.Items)
                Lines_[item.FileName] = item.Hash + " *" + item.FileName;
        }
    }

    // create -q -C DIR OPTIONS... and every file of one run.
    std::vector<std::string> Args(const std::string& run, std::vector<std::string> options) const {
        std::vector<std::string> args{"create", "-q", "-C", Dir.Dir()};
        args.insert(args.end(), options.begin(), options.end());
        const std::vector<std::string>& names = Names_.at(run);
        args.insert(args.end(), names.begin(), names.end());
        return args;
    }

    // The files whose names begin with Prefix.
    std::vector<std::string> Starting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& name : EngineTest::Names(Dir.Path()))
            if (name.rfind(prefix, 0) == 0)
                found.push_back(name);
        return found;
    }

    TempDirectory Dir;
    std::map<std::string, std::vector<std::string>> Names_;
    std::map<std::string, std::string> Lines_; // file name -> its line
};

TEST_F(ConcurrentRuns, EachPerFileListHoldsItsOwnFilesLine) {
#ifdef _WIN32
    constexpr int Rounds = 1; // every save costs Wine several round trips
#else
    constexpr int Rounds = 3;
#endif
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        for (const std::string& list : Starting(""))
            if (list.size() > 4 && list.compare(list.size() - 4, 4, ".md5") == 0 &&
                list.rfind("alone-", 0) != 0)
                std::filesystem::remove(Dir.Path() / list);
        TProgram a(Args("a", {"--separate"}));
        TProgram b(Args("b", {"--separate"}));
        EXPECT_EQ(a.Wait(), 0);
        EXPECT_EQ(b.Wait(), 0);
        int wrong = 0;
        for (const auto& [name, line] : Lines_)
            wrong += ReadAll(Dir / (name + ".md5")) != "\r\n" + line + "\r\n" ? 1 : 0;
        EXPECT_EQ(wrong, 0) << "lists that do not hold exactly their own file's line";
        EXPECT_EQ(Starting("~"), std::vector<std::string>{}) << "temporary files left";
    }
}

TEST_F(ConcurrentRuns, TwoRunsWritingOneListLeaveOneWholeList) {
    {
        TProgram a(Args("a", {"-o", "both.md5"}));
        TProgram b(Args("b", {"-o", "both.md5"}));
        EXPECT_EQ(a.Wait(), 0);
        EXPECT_EQ(b.Wait(), 0);
    }
    const std::string both = ReadAll(Dir / "both.md5");
    EXPECT_TRUE(both == ReadAll(Dir / "alone-a.md5") || both == ReadAll(Dir / "alone-b.md5"))
        << both.substr(0, 200);
    EXPECT_EQ(Starting("~"), std::vector<std::string>{}) << "temporary files left";
}

#ifndef _WIN32
// Interrupted halfway through its lists, a run leaves the lists it finished
// and no temporary file, whatever the interrupt.
TEST_F(ConcurrentRuns, AnInterruptedRunLeavesNoTemporaryFile) {
    const auto started = std::chrono::steady_clock::now();
    {
        TProgram whole(Args("a", {"--separate"}));
        ASSERT_EQ(whole.Wait(), 0);
    }
    const auto duration = std::chrono::steady_clock::now() - started;
    int halfway = 0;
    for (int round = 0; round < 6; ++round) {
        const int signal = round % 2 == 0 ? SIGINT : SIGTERM;
        for (const std::string& list : Starting("a"))
            if (list.find(".md5") != std::string::npos)
                std::filesystem::remove(Dir.Path() / list);
        TProgram run(Args("a", {"--separate"}));
        // From a fifth to seven tenths of the way through a whole run.
        std::this_thread::sleep_for(duration * (2 + round) / 10);
        run.Signal(signal);
        const int status = run.Wait();
        EXPECT_EQ(Starting("~"), std::vector<std::string>{}) << "signal " << signal;
        const size_t lists = Starting("a").size() - FilesPerRun;
        halfway += status == -1 && lists > 0 && lists < FilesPerRun ? 1 : 0;
    }
    // Timing on a busy machine varies; most rounds stop some way through.
    EXPECT_GT(halfway, 0) << "no run was interrupted while it wrote its lists";
}
#endif

} // namespace
