// A folder below the checker's directory swapped, again and again, for one
// whose subfolder of the same name is a link to a folder outside, while
// files below it are hashed and lists written beside them: nothing outside
// is ever read as if it were inside, and no list lands outside. Each case
// tries until the swap has hit many times over, for at most SecondsPerCase.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#endif

using namespace EngineTest;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

namespace fs = std::filesystem;

constexpr int AttemptsPerCase = 3000;
constexpr auto SecondsPerCase = std::chrono::seconds(12);
const std::string OutsideMd5 = "c30163615770c8b2b8873288e828de41"; // "outside"

// Swaps the folders A and B of Directory until destroyed.
class TFolderSwapper {
public:
    TFolderSwapper(const fs::path& directory)
        : Swapper_([this, a = directory / "A", b = directory / "B", t = directory / "T"] {
              while (!Stop_) {
#ifdef _WIN32
                  MoveFileW(a.c_str(), t.c_str());
                  MoveFileW(b.c_str(), a.c_str());
                  MoveFileW(t.c_str(), b.c_str());
#else
                  ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
#endif
              }
          }) {
    }
    ~TFolderSwapper() {
        Stop_ = true;
        Swapper_.join();
    }

private:
    std::atomic<bool> Stop_{false};
    std::thread Swapper_;
};

// Wine makes no link for a Win32 program; the machine it runs on does.
bool MakeFolderLink(const fs::path& target, const fs::path& link) {
#ifdef _WIN32
    using TUnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<TUnixName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        return false;
    // Wine splits the command line as Windows does: at blanks outside double quotes.
    std::wstring command = L"/bin/ln -s \"" + fs::path(unixName(target.c_str())).wstring() +
                           L"\" \"" + fs::path(unixName(link.c_str())).wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int wait = 0; wait < 500 && !fs::exists(link); ++wait)
        Sleep(10);
#else
    fs::create_directory_symlink(target, link);
#endif
    return fs::exists(link);
}

TEST(FolderRaces, AFolderSwappedForALinkNeverLeadsOutside) {
    TempDirectory dir, outside;
    fs::create_directories(dir.Path() / "A/sub");
    fs::create_directories(dir.Path() / "B");
    WriteFile(dir / "A/sub/f.txt", "inside");
    WriteFile(outside / "f.txt", "outside");
    if (!MakeFolderLink(outside.Path(), dir.Path() / "B/sub"))
        GTEST_SKIP() << "no link can be made here";

    TRecordingChecker checker(dir.Dir());
    WriteFile(dir / "l.md5", OutsideMd5 + " *A/sub/f.txt\r\n");
    ASSERT_TRUE(checker.LoadList("l.md5"));
    // Each attempt says whether it reached outside.
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"a file below the folder is hashed",
         [&] {
             checker.Answers = {raSkip};
             return checker.VerifyItem(0) == crOk;
         }},
        {"a list is written beside a file below the folder",
         [&] {
             checker.SaveList("", true);
             std::error_code ignored;
             return fs::remove(outside.Path() / "f.txt.md5", ignored);
         }},
    };
    for (const auto& [what, reachedOutside] : cases) {
        SCOPED_TRACE(what);
        int outsideReached = 0, attempts = 0;
        {
            const TFolderSwapper swapper(dir.Path());
            const auto end = std::chrono::steady_clock::now() + SecondsPerCase;
            for (; attempts < AttemptsPerCase && std::chrono::steady_clock::now() < end; ++attempts)
                outsideReached += reachedOutside() ? 1 : 0;
        }
        EXPECT_EQ(outsideReached, 0) << "of " << attempts << " attempts";
    }
}

} // namespace
