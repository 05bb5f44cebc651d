// The hashkeep program itself, two runs saving into one directory at once,
// and runs interrupted while they save: every list comes out whole, holding
// what its own run wrote, and no temporary file is left behind.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#ifdef _WIN32
#include <windows.h>
// Under Wine every save costs round trips to its server: 300 files a run
// still keep two runs saving side by side, 1,500 would take minutes.
constexpr int FilesPerRun = 300;
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
constexpr int FilesPerRun = 1500;
#endif

using namespace EngineTest;

namespace {

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

// The exit status; -1 for a run that a signal ended.
int Wait(intptr_t process) {
#ifdef _WIN32
    DWORD status = 2;
    WaitForSingleObject(reinterpret_cast<HANDLE>(process), INFINITE);
    GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &status);
    CloseHandle(reinterpret_cast<HANDLE>(process));
    return static_cast<int>(status);
#else
    int status = 0;
    ::waitpid(static_cast<pid_t>(process), &status, 0);
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
                Lists[name] = "\r\n" + lines.Items.back().Hash + " *" + name + "\r\n";
            }
        }
    }

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
};

// Two runs at once, three times, the old lists removed in between, then one
// list written by both; then (POSIX) runs interrupted while they save.
TEST_F(ConcurrentRuns, EveryListHoldsExactlyWhatItsOwnRunWroteAndNoTemporaryIsLeft) {
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
    const intptr_t a = Start(Dir.Dir(), "a", {"-oboth.md5"});
    const intptr_t b = Start(Dir.Dir(), "b", {"-oboth.md5"});
    EXPECT_EQ(Wait(a) + Wait(b), 0);
    TFileChecker both(Dir.Dir());
    ASSERT_TRUE(both.LoadList("both.md5"));
    EXPECT_EQ(both.Count(), FilesPerRun);
    EXPECT_TRUE(std::all_of(both.Items.begin(), both.Items.end(), [&](auto& item) {
        return Lists[item.FileName] == "\r\n" + item.Hash + " *" + item.FileName + "\r\n" &&
               item.FileName[0] == both.Items[0].FileName[0];
    }));
    EXPECT_FALSE(TemporaryLeft());
#ifndef _WIN32
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Wait(Start(Dir.Dir(), "a", {"--separate", "--force"})), 0);
    const auto whole = std::chrono::steady_clock::now() - started;
    int halfway = 0;
    for (int round = 0; round < 4; ++round) {
        PerFileLists(true);
        const intptr_t run = Start(Dir.Dir(), "a", {"--separate"});
        // From a fifth to a half of the way through a whole run.
        std::this_thread::sleep_for(whole * (2 + round) / 10);
        ::kill(static_cast<pid_t>(run), round % 2 == 0 ? SIGINT : SIGTERM);
        const bool ended = Wait(run) == -1;
        EXPECT_FALSE(TemporaryLeft()) << "interrupted in round " << round;
        halfway += ended && PerFileLists() > 0 && PerFileLists() < FilesPerRun ? 1 : 0;
    }
    EXPECT_GT(halfway, 0) << "no run was interrupted while it wrote its lists";
#endif
}

} // namespace
