// hashkeep.exe started as Windows starts it, its command line wide: folders
// outside ASCII as its arguments, and the names of lists written in the code
// pages lists come in, or holding what Windows cannot hold. CTest runs it
// under the default code pages (ANSI 1252, OEM 437) and under Russian's
// (ANSI 1251, OEM 866), which Wine takes from the locale.
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;
using TestSupport::TempDirectory;

const std::string Md5Abc = "900150983cd24fb0d6963f7d28e17f72";

struct TRun {
    DWORD Status = 99;
    std::string Out, Err;
};

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// hashkeep.exe ARGS in Directory; its two streams go to files of their own.
TRun Hashkeep(const fs::path& directory, const std::vector<std::wstring>& args) {
    static const TempDirectory streams;
    std::wstring line = L"\"" + fs::path(HASHKEEP_PROGRAM).wstring() + L"\"";
    for (const std::wstring& arg : args)
        line += L" \"" + arg + L"\"";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    auto open = [&](const char* name) {
        return CreateFileW((streams.Path() / name).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                           &inherited, CREATE_ALWAYS, 0, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = open("out");
    startup.hStdError = open("err");
    PROCESS_INFORMATION process{};
    TRun run;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                       &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 98);
        GetExitCodeProcess(process.hProcess, &run.Status);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    // The lines of a text stream, as the program writes them.
    run.Out = Read(streams.Path() / "out");
    std::erase(run.Out, '\r');
    run.Err = Read(streams.Path() / "err");
    return run;
}

// Files (a name ending in '/' a folder), named in UTF-8, below Directory.
void Make(const fs::path& directory, const std::map<std::string, std::string>& files) {
    for (const auto& [name, content] : files) {
        const fs::path path = directory / fs::path(std::u8string(name.begin(), name.end()));
        fs::create_directories(name.back() == '/' ? path : path.parent_path());
        if (name.back() != '/')
            std::ofstream(path, std::ios::binary) << content;
    }
}

std::string Utf8(std::u8string_view text) {
    return {text.begin(), text.end()};
}

TEST(CliNames, FoldersOutsideAsciiAndOddArgumentsNameTheirFiles) {
    for (const std::u8string folder : {u8"папка", u8"café"}) {
        const fs::path name(folder);
        TempDirectory a, b;
        for (const TempDirectory* side : {&a, &b})
            Make(side->Path() / name, {{Utf8(u8"ф.txt"), "abc"}, {"ab", "abc"}});
        std::ofstream(a.Path() / "l.md5") << Md5Abc << Utf8(u8" *ф.txt\n");
        // A name with an unpaired surrogate, which no UTF-8 holds, is none
        // to open, never the file with U+FFFD in its place.
        Make(a.Path(), {{Utf8(u8"bad\uFFFD.txt"), "abc"}});
        const struct {
            std::vector<std::wstring> Args;
            DWORD Status;
            std::string Err;
        } rows[] = {
            {{L"create", L"-q", L"-r", name}, 0, ""},
            {{L"verify", L"-C", name, L"l.md5"}, 0, ""},
            {{L"compare", L"-r", a.Path(), b.Path(), name}, 0, ""},
            {{L"verify", L"--digest", std::wstring(Md5Abc.begin(), Md5Abc.end()), L"bad\xD800.txt"},
             1,
             "cannot be written"},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(&row - rows);
            const TRun run = Hashkeep(a.Path(), row.Args);
            EXPECT_EQ(run.Status, row.Status) << run.Out << run.Err;
            EXPECT_NE(run.Err.find(row.Err), std::string::npos) << run.Err;
        }
        EXPECT_EQ(Read(a.Path() / (folder + u8".md5")), "\r\n" + Md5Abc + " *" + Utf8(folder) +
                                                            "/ab\r\n" + Md5Abc + " *" +
                                                            Utf8(folder) + Utf8(u8"/ф.txt\r\n"));
    }
}

// A list does not say in which code page it is written: the plug-in
// under code page 866 writes "сад.txt" as E1 A0 A4, valid UTF-8 of another
// name, and a list from Linux in UTF-8 may read in 866 as the name of
// another file that is there. The file is the one that exactly one reading
// names; a name that names two is never called good.
TEST(CliNames, ListNamesAreReadInEveryCodePageAListMayBeWrittenIn) {
    const std::map<std::string, std::string> words{
        {Utf8(u8"сад.txt"), "abc"}, {Utf8(u8"сок.txt"), "abc"}, {Utf8(u8"том.txt"), "abc"},
        {Utf8(u8"тип.txt"), "abc"}, {Utf8(u8"рай.txt"), "abc"}, {Utf8(u8"рог.txt"), "abc"}};
    const std::string ok = Utf8(u8"рай.txt: OK\nрог.txt: OK\nсад.txt: OK\nсок.txt: OK\n"
                                u8"тип.txt: OK\nтом.txt: OK\n");
    auto lines = [](std::initializer_list<std::string> names) {
        std::string list;
        for (const std::string& name : names)
            list += Md5Abc + " *" + name + "\r\n";
        return list;
    };
    const auto oem = GetOEMCP(), ansi = GetACP();
    const struct {
        const char* What;
        bool Applies;
        std::map<std::string, std::string> Files;
        std::string List;
        DWORD Status;
        std::string Out, Err;
    } rows[] = {
        {"the plug-in's list under 866", oem == 866, words,
         lines({"\xE0\xA0\xA9.txt", "\xE0\xAE\xA3.txt", "\xE1\xA0\xA4.txt", "\xE1\xAE\xAA.txt",
                "\xE2\xA8\xAF.txt", "\xE2\xAE\xAC.txt"}),
         0, ok, ""},
        {"hashkeep.exe's list, in UTF-8", true, words,
         lines({Utf8(u8"рай.txt"), Utf8(u8"рог.txt"), Utf8(u8"сад.txt"), Utf8(u8"сок.txt"),
                Utf8(u8"тип.txt"), Utf8(u8"том.txt")}),
         0, ok, ""},
        {"a list in 1251",
         ansi == 1251,
         {{Utf8(u8"і.txt"), "abc"}, {Utf8(u8"ї.txt"), "abc"}},
         lines({"\xB3.txt", "\xBF.txt"}),
         0,
         Utf8(u8"і.txt: OK\nї.txt: OK\n"),
         ""},
        // The UTF-8 of "сад" read in 866.
        {"a file whose name reads as another's",
         oem == 866,
         {{Utf8(u8"сад.txt"), "abc"}, {Utf8(u8"╤Б╨░╨┤.txt"), "abd"}},
         lines({Utf8(u8"сад.txt")}),
         1,
         Utf8(u8"сад.txt: FAILED\n"),
         Utf8(u8"сад.txt: the name reads as two different files")},
        {"a folder whose name reads as a file's",
         oem == 866,
         {{Utf8(u8"сад.txt"), "abc"}, {Utf8(u8"╤Б╨░╨┤.txt/"), ""}},
         lines({Utf8(u8"сад.txt")}),
         1,
         Utf8(u8"сад.txt: FAILED\n"),
         "two different files"},
        // After the byte-order mark every name is UTF-8, these two none.
        {"no UTF-8 after the byte-order mark",
         true,
         {{Utf8(u8"bad\uFFFD.txt"), "abc"}},
         "\xEF\xBB\xBF" + lines({"bad\xFF.txt", "bad\xFE.txt"}),
         1,
         "bad?.txt: SKIPPED\nbad?.txt: SKIPPED\n",
         "bad?.txt: cannot be read: the name is not valid UTF-8"},
        // Names from elsewhere that Windows cannot hold; an escaped "a\\b"
        // is a POSIX file a\b, not b in the folder a.
        {"names Windows cannot hold",
         true,
         {{"abc.txt", "abc"}, {"a/b", "abc"}},
         lines({"12:30 meeting.txt", "a*b", "abc.txt"}) + "\\" + Md5Abc + " *a\\\\b\r\n",
         1,
         "12:30 meeting.txt: SKIPPED\na*b: SKIPPED\nabc.txt: OK\na\\b: SKIPPED\n",
         "a*b: cannot exist on this system"},
        {"a drive refuses the list", true, {}, lines({"abc.txt", "c:x"}), 2, "", "holds a drive"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.What);
        if (!row.Applies)
            continue;
        TempDirectory dir;
        Make(dir.Path(), row.Files);
        std::ofstream(dir.Path() / "l.md5", std::ios::binary) << row.List;
        // Missing files ignored: what cannot exist is no missing file.
        const TRun run = Hashkeep(dir.Path(), {L"verify", L"--ignore-missing", L"l.md5"});
        EXPECT_EQ(run.Status, row.Status) << run.Err;
        EXPECT_EQ(run.Out, row.Out);
        EXPECT_NE(run.Err.find(row.Err), std::string::npos) << run.Err;
    }
}

} // namespace
