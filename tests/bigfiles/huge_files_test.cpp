// Large inputs: a sparse file of 5 GiB hashed with each algorithm against
// md5sum, sha1sum and Python's zlib computed alongside; a list of 100,000
// entries loaded in bounded memory; and a 1 GiB file without a line break
// named as a list, refused after its first read. Times are printed, never
// asserted.
#include "allocation_counter.h"
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

using namespace EngineTest;
using Platform::FileOperation;
using TestSupport::TempDirectory;
using TestSupport::WriteFile;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A checker that keeps every percentage it is told.
class TProgressChecker : public TFileChecker {
public:
    explicit TProgressChecker(const std::string& directory) : TFileChecker(directory) {
        OnProgress = [](TFileChecker* sender, const std::string&, int32_t percent, bool&) {
            static_cast<TProgressChecker*>(sender)->Percentages.push_back(percent);
        };
    }
    std::vector<int32_t> Percentages;
};

#ifndef _WIN32
// Bytes at the start, on both sides of the 4 GiB mark and at the very end,
// holes between them: a digest that drops the high half of a 64-bit count,
// or skips a hole, comes out different.
constexpr uint64_t HugeSize = (5ull << 30) + 12345;

bool MakeSparseFile(const std::string& path) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0)
        return false;
    bool ok = ::ftruncate(file, static_cast<off_t>(HugeSize)) == 0;
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 131 + (i >> 11)) & 0xFF);
    for (const uint64_t at : {uint64_t{0}, uint64_t{(4ull << 30) - 4096}, HugeSize - 777})
        ok = ok && ::pwrite(file, block.data(), std::min<uint64_t>(block.size(), HugeSize - at),
                            static_cast<off_t>(at)) > 0;
    ok = ::close(file) == 0 && ok;
    return ok;
}

bool ToolsPresent() {
    return std::system("command -v md5sum >/dev/null && command -v sha1sum >/dev/null && "
                       "python3 -c 'import zlib' >/dev/null 2>&1") == 0;
}
#endif

TEST(HugeFiles, FiveGibibyteSparseFileAgreesWithTheStandardTools) {
#ifdef _WIN32
    GTEST_SKIP() << "natively only: Wine would take minutes over 5 GiB";
#else
    if (Sanitized || std::getenv("HASHKEEP_SKIP_HUGE_FILES") != nullptr)
        GTEST_SKIP() << "5 GiB under a sanitizer or Valgrind would take minutes";
    if (!ToolsPresent())
        GTEST_SKIP() << "md5sum, sha1sum or python3 with zlib is missing";
    TempDirectory dir;
    struct statvfs space {};
    if (::statvfs(dir.Dir().c_str(), &space) != 0 ||
        static_cast<uint64_t>(space.f_bavail) * space.f_frsize < (64ull << 20))
        GTEST_SKIP() << "less than 64 MiB free for the written parts of the file";
    const std::string path = dir / "huge.bin";
    ASSERT_TRUE(MakeSparseFile(path));
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    if (static_cast<uint64_t>(status.st_blocks) * 512 > (256ull << 20))
        GTEST_SKIP() << "the file system here keeps no holes; 5 GiB would be written";

    // The peers run on the other core while the engine hashes.
    const std::string command = "md5sum '" + path + "' && sha1sum '" + path +
                                "' && python3 -c 'import sys, zlib\n"
                                "crc = 0\n"
                                "with open(sys.argv[1], \"rb\") as f:\n"
                                "    for block in iter(lambda: f.read(1 << 20), b\"\"):\n"
                                "        crc = zlib.crc32(block, crc)\n"
                                "print(\"%08x\" % crc)' '" +
                                path + "'";
    FILE* peers = ::popen(command.c_str(), "r");
    ASSERT_NE(peers, nullptr);

    std::map<uint32_t, std::string> ours;
    for (const uint32_t algorithm : {haCrc32, haMd5, haSha1}) {
        TProgressChecker checker(dir.Dir());
        checker.Algorithm = algorithm;
        TFileCheckerItem item{"huge.bin", {}};
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(checker.HashItem(item), crOk);
        const double seconds = SecondsSince(start);
        ours[algorithm] = item.Hash;
        TAlgoDefinition row{};
        FindAlgoById(algorithm, row);
        std::cout << "[ time     ] " << row.Name << " of 5 GiB: " << seconds << " s, "
                  << static_cast<double>(HugeSize) / seconds / (1 << 20) << " MiB/s\n";
        // Each whole percent once, in order, ending at 100.
        std::vector<int32_t> expected(100);
        for (int32_t percent = 1; percent <= 100; ++percent)
            expected[static_cast<size_t>(percent - 1)] = percent;
        EXPECT_EQ(checker.Percentages, expected);
    }

    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, peers) != nullptr)
        output += buffer;
    ASSERT_EQ(::pclose(peers), 0) << output;
    std::istringstream lines(output);
    std::string md5, sha1, crc, name;
    lines >> md5 >> name >> sha1 >> name >> crc;
    EXPECT_EQ(ours[haMd5], md5);
    EXPECT_EQ(ours[haSha1], sha1);
    EXPECT_EQ(ours[haCrc32], crc);
#endif
}

TEST(HugeFiles, HundredThousandEntriesLoadInBoundedMemory) {
    TempDirectory dir;
    constexpr int32_t EntryCount = 100000;
    std::string list = "; Generated by Hashkeep\r\n";
    list.reserve(static_cast<size_t>(EntryCount) * 240);
    char digits[9];
    for (int32_t i = 0; i < EntryCount; ++i) {
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(i) * 2654435761u);
        list += std::string(digits) + digits + digits + digits + " *file " + std::to_string(i) +
                std::string(190, '-') + ".dat\r\n";
    }
    WriteFile(dir / "big.md5", list);
    list = std::string(); // only the checker's own memory is measured

    TFileChecker checker(dir.Dir());
    AllocationCounter::Reset();
    const AllocationCounter::TUsage before = AllocationCounter::Usage();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(checker.LoadList("big.md5"));
    const double seconds = SecondsSince(start);
    const AllocationCounter::TUsage after = AllocationCounter::Usage();
    ASSERT_EQ(checker.Count(), EntryCount);
    EXPECT_EQ(checker.Items.back().FileName, "file 99999" + std::string(190, '-') + ".dat");

    const uint64_t fileSize = std::filesystem::file_size(dir.Path() / "big.md5");
    const size_t kept = after.Live - before.Live;
    const size_t peak = after.Peak - before.Live;
    const size_t arrayBytes = checker.Items.capacity() * sizeof(TFileCheckerItem);
    std::cout << "[ time     ] " << EntryCount << " entries (" << fileSize / 1024
              << " KiB) loaded in " << seconds * 1000 << " ms; kept " << kept / 1024
              << " KiB, peak " << peak / 1024 << " KiB, largest block " << after.Largest / 1024
              << " KiB\n";
    // The entries, the entry array once more while it grows, and a fixed
    // margin for the read buffer and one line: never the file's text itself.
    EXPECT_LE(peak, kept + arrayBytes / 2 + (1u << 20));
    // The largest block is the entry array, less than half the text.
    EXPECT_LE(after.Largest, arrayBytes);
    EXPECT_LT(after.Largest, fileSize / 2);
}

TEST(HugeFiles, GibibyteWithoutALineBreakIsRefusedAtItsFirstRead) {
    TempDirectory dir;
    // A megabyte of text with no line end, then holes up to 1 GiB (zeros,
    // NUL bytes that refuse a list, lie far beyond where the reader stops).
    WriteFile(dir / "huge.md5", std::string(1 << 20, 'x'));
    std::filesystem::resize_file(dir.Path() / "huge.md5", 1ull << 30);
    WriteFile(dir / "zeros.sfv", "");
    std::filesystem::resize_file(dir.Path() / "zeros.sfv", 1ull << 30);

    TFileChecker checker(dir.Dir());
    const std::pair<std::string, std::string> cases[] = {
        {"huge.md5", "line 1 is longer than 293 characters"},
        {"zeros.sfv", "line 1 holds a NUL byte"}};
    for (const auto& [list, why] : cases) {
        SCOPED_TRACE(list);
        TFaultPlan reads;
        std::string reason;
        EXPECT_FALSE(checker.LoadList(list, &reason));
        EXPECT_EQ(reason, why);
        // One read of at most 32 KiB out of 1 GiB.
        EXPECT_EQ(reads.Calls(FileOperation::Read), 1);
    }
}

} // namespace
