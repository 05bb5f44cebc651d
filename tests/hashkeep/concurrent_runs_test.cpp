// The hashkeep program itself, two runs saving into one directory at once,
// and runs interrupted while they save: every list comes out whole, holding
// what its own run wrote, and no temporary file is left behind. Every wait
// has a deadline: a run that hangs is killed, and its test fails.
#include "checker_test_support.h"
#include "hashkeep_run.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#endif

// Every list waits for the disk before it takes its name, and under Wine
// costs round trips to its server besides: 300 files a run (100 under
// Wine) keep two runs saving side by side for a second or more.
#ifdef _WIN32
constexpr int FilesPerRun = 100;
#else
constexpr int FilesPerRun = 300;
#endif

using namespace EngineTest;
using Clock = std::chrono::steady_clock;

namespace {

// A test's runs end by then, well inside the watchdog's limit.
constexpr auto RunsTimeLimit = std::chrono::seconds(25);

// Starts hashkeep create -q -C DIR Options... with the files of run A or B.
intptr_t Start(const std::string& dir, const std::string& run, std::vector<std::string> args) {
    args.insert(args.begin(), {"create", "-q", "-C", dir});
    for (int i = 0; i < FilesPerRun; ++i)
        args.push_back(run + std::to_string(i));
#ifdef _WIN32
    std::string line = "\"" HASHKEEP_PROGRAM "\""; // DIR's last backslash must not escape a quote
    for (const std::string& arg : args)
        line += " \"" + arg + (arg.back() == '\\' ? "\\\"" : "\"");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    return reinterpret_cast<intptr_t>(process.hProcess);
#else
    std::vector<char*> argv{const_cast<char*>(HASHKEEP_PROGRAM)};
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t process = 0;
    EXPECT_EQ(::posix_spawn(&process, HASHKEEP_PROGRAM, nullptr, nullptr, argv.data(), environ), 0);
    return process;
#endif
}

// The exit status; -1 for a run that a signal ended. A run still going at
// Deadline has hung: it is killed, the test fails, and the status is -2.
int Wait(intptr_t process, Clock::time_point deadline) {
#ifdef _WIN32
    const auto handle = reinterpret_cast<HANDLE>(process);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    DWORD status = 2;
    if (WaitForSingleObject(handle, static_cast<DWORD>(std::max<long long>(0, left.count()))) ==
        WAIT_TIMEOUT) {
        TerminateProcess(handle, 2);
        WaitForSingleObject(handle, INFINITE);
        CloseHandle(handle);
        ADD_FAILURE() << "a run did not end within its time";
        return -2;
    }
    GetExitCodeProcess(handle, &status);
    CloseHandle(handle);
    return static_cast<int>(status);
#else
    int status = 0;
    while (::waitpid(static_cast<pid_t>(process), &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            ::kill(static_cast<pid_t>(process), SIGKILL);
            ::waitpid(static_cast<pid_t>(process), &status, 0);
            ADD_FAILURE() << "a run did not end within its time";
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

class ConcurrentRuns : public ::testing::Test {
protected:
    void SetUp() override {
        TFileChecker lines(Dir.Dir());
        lines.Algorithm = haMd5;
        for (const char* run : {"a", "b"}) {
            for (int i = 0; i < FilesPerRun; ++i) {
                const std::string name = run + std::to_string(i);
                TestSupport::WriteFile(Dir / name, "file " + name);
                ASSERT_EQ(lines.AddFile(name), crOk);
                Lists[name] = ListText({lines.Items.back().Hash + " *" + name});
            }
        }
        Deadline = Clock::now() + RunsTimeLimit;
    }

    int Wait(intptr_t process) const { return ::Wait(process, Deadline); }

    // How many per-file lists there are; Remove takes them away.
    int PerFileLists(bool remove = false) const {
        int count = 0;
        for (const auto& [name, list] : Lists) {
            count += std::filesystem::exists(Dir / (name + ".md5")) ? 1 : 0;
            if (remove)
                std::filesystem::remove(Dir / (name + ".md5"));
        }
        return count;
    }

    bool TemporaryLeft() const {
        const std::vector<std::string> names = Names(Dir.Path());
        return std::any_of(names.begin(), names.end(), [](auto& n) { return n[0] == '~'; });
    }

    TestSupport::TempDirectory Dir;
    std::map<std::string, std::string> Lists; // file name -> its per-file list
    Clock::time_point Deadline;
};

// Two runs at once, three times, the old lists removed in between.
TEST_F(ConcurrentRuns, EachPerFileListHoldsExactlyWhatItsOwnRunWrote) {
    for (int round = 0; round < 3; ++round) {
        PerFileLists(true);
        const intptr_t a = Start(Dir.Dir(), "a", {"--separate"});
        const intptr_t b = Start(Dir.Dir(), "b", {"--separate"});
        EXPECT_EQ(Wait(a) + Wait(b), 0);
        int wrong = 0;
        for (const auto& [name, list] : Lists)
            wrong += ReadAll(Dir / (name + ".md5")) != list ? 1 : 0;
        EXPECT_EQ(wrong, 0) << "round " << round << ": lists not holding just their file's line";
        EXPECT_FALSE(TemporaryLeft());
    }
}

// One list written by both: it is one run's list, whole.
TEST_F(ConcurrentRuns, OneListWrittenByTwoRunsIsOneRunsListWhole) {
    const intptr_t a = Start(Dir.Dir(), "a", {"-oboth.md5"});
    const intptr_t b = Start(Dir.Dir(), "b", {"-oboth.md5"});
    EXPECT_EQ(Wait(a) + Wait(b), 0);
    TFileChecker both(Dir.Dir());
    ASSERT_TRUE(both.LoadList("both.md5"));
    EXPECT_EQ(both.Count(), FilesPerRun);
    EXPECT_TRUE(std::all_of(both.Items.begin(), both.Items.end(), [&](auto& item) {
        return Lists[item.FileName] == ListText({item.Hash + " *" + item.FileName}) &&
               item.FileName[0] == both.Items[0].FileName[0];
    }));
    EXPECT_FALSE(TemporaryLeft());
}

#ifndef _WIN32
// Runs killed a fifth to a half of the way through leave the lists they
// finished and no temporary file.
TEST_F(ConcurrentRuns, AnInterruptedRunLeavesNoTemporaryFile) {
    const auto started = Clock::now();
    ASSERT_EQ(Wait(Start(Dir.Dir(), "a", {"--separate", "--force"})), 0);
    const auto whole = Clock::now() - started;
    int halfway = 0;
    for (int round = 0; round < 4; ++round) {
        PerFileLists(true);
        const intptr_t run = Start(Dir.Dir(), "a", {"--separate"});
        std::this_thread::sleep_for(whole * (2 + round) / 10);
        ::kill(static_cast<pid_t>(run), round % 2 == 0 ? SIGINT : SIGTERM);
        const bool ended = Wait(run) == -1;
        EXPECT_FALSE(TemporaryLeft()) << "interrupted in round " << round;
        halfway += ended && PerFileLists() > 0 && PerFileLists() < FilesPerRun ? 1 : 0;
    }
    EXPECT_GT(halfway, 0) << "no run was interrupted while it wrote its lists";
}
#endif

} // namespace
