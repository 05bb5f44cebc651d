// Lists written by the engine, checked against themselves on random file
// sets: every list of every format and mode reads back to the entries it was
// written from and verifies clean; one flipped byte makes exactly that file
// mismatch, one deleted file makes exactly that file missing. A name that a
// list cannot hold may make the save fail, but never a list that reads back
// wrong.
//
// Deterministic: the rounds run from a fixed seed, printed with any failure.
// HASHKEEP_PROPERTY_SEED and HASHKEEP_PROPERTY_ROUNDS choose others.
#include "checker_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>

using namespace EngineTest;
using TestSupport::TempDirectory;

namespace {

using Random = std::mt19937_64;

uint64_t EnvironmentNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 0) : fallback;
}

size_t Pick(Random& random, size_t count) {
    return std::uniform_int_distribution<size_t>(0, count - 1)(random);
}

bool Chance(Random& random, int percent) {
    return static_cast<int>(Pick(random, 100)) < percent;
}

#ifdef _WIN32
constexpr bool Posix = false;
#else
constexpr bool Posix = true;
#endif

// Letters, digits, punctuation that file names may hold, spaces and dots
// inside, and bytes above 127 (Western letters in the host's code page).
std::string PlainName(Random& random, size_t length) {
    static const std::string middle =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ._-+=,;!#$%&'()[]{}@^~`";
    std::string name;
    while (name.size() < length) {
        if (Chance(random, 10))
            name += static_cast<char>(0xA0 + Pick(random, 0x60));
        else
            name += middle[Pick(random, middle.size())];
    }
    // Ends that every file system keeps and no list trims.
    const auto solid = [&] { return "abcXYZ019_"[Pick(random, 10)]; };
    name.front() = Chance(random, 15) ? '.' : solid();
    name.back() = solid();
    return name;
}

// Names that the list formats cannot hold as they are, each where the file
// system can at least hold the file.
std::string AwkwardName(Random& random) {
    std::vector<std::string> names{";starts with a semicolon", " leading space"};
    if (Posix) {
        names.insert(names.end(), {"...", ". .", "tab\tinside", "trailing space ", "line\nbreak",
                                   "carriage\rreturn"});
    }
    return names[Pick(random, names.size())];
}

bool IsPlain(const std::string& name) {
    return name.front() > ' ' && name.back() > ' ' && name.front() != ';' &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < ' '; }) &&
           !IsDirectoryAlias(name);
}

std::string RandomContent(Random& random) {
    static const size_t sizes[] = {0, 1, 63, 64, 32767, 32768, 32769, 65536, 98304};
    size_t size;
    switch (Pick(random, 4)) {
    case 0:
        size = sizes[Pick(random, std::size(sizes))];
        break;
    case 1:
        size = Pick(random, 4096);
        break;
    case 2:
        size = Pick(random, 300000);
        break;
    default:
        size = Chance(random, 30) ? Pick(random, 3 << 20) : Pick(random, 100000);
    }
    std::string content(size, '\0');
    for (char& c : content)
        c = static_cast<char>(random());
    return content;
}

// Windows keeps these names for devices, with any extension.
bool IsDeviceName(std::string name) {
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    for (const char* device : {"con", "prn", "aux", "nul", "com", "lpt"})
        if (name.rfind(device, 0) == 0 && name.size() <= 4)
            return true;
    return false;
}

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

struct TRound {
    uint64_t Seed;
    TAlgoDefinition Row;
    bool PerFile;
    int32_t ModeMark;
};

std::string Describe(const TRound& round) {
    return std::string(round.Row.Name) + (round.PerFile ? ", per file" : ", one list") +
           (round.ModeMark == TextModeMarkValue ? ", text mark" : ", binary mark") + ", seed " +
           std::to_string(round.Seed);
}

// Names in the directory, through the same file layer as the engine (the
// host's code page on Windows).
std::vector<std::string> Listing(const std::string& directory) {
    std::vector<Platform::DirectoryEntry> entries;
    EXPECT_TRUE(Platform::ListDirectory(directory, entries));
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    return names;
}

class RoundTrip {
public:
    explicit RoundTrip(const TRound& round) : Round_(round), Random_(round.Seed) {}

    void Run() {
        MakeFiles();
        TFileChecker creator(Dir_.Dir());
        creator.Algorithm = static_cast<uint32_t>(Round_.Row.Id);
        creator.ModeMark = Round_.ModeMark;
        for (const auto& [name, content] : Files_)
            ASSERT_EQ(creator.AddFile(name), crOk) << name;
        // A name of the longest length a list holds; no file system here
        // holds it, so it is listed and must come back, and is missing.
        if (!Round_.PerFile && Chance(Random_, 50)) {
            Phantom_ = PlainName(Random_, MaxListNameLength);
            creator.Items.push_back(
                {Phantom_, std::string(static_cast<size_t>(Round_.Row.HashLength), 'f')});
        }
        const std::vector<std::string> before = Listing(Dir_.Dir());

        std::string reason;
        const bool saved = creator.SaveList(ListName(), Round_.PerFile, &reason);
        if (!saved) {
            // Only a name that no list can hold may make the save fail, and
            // then it leaves nothing behind.
            EXPECT_FALSE(AllPlain()) << reason;
            EXPECT_FALSE(reason.empty());
            EXPECT_EQ(Listing(Dir_.Dir()), before);
            return;
        }
        ExpectListsReadBack(creator.Items);
        if (::testing::Test::HasFatalFailure())
            return;
        std::vector<std::string> expected = Listing(Dir_.Dir());

        std::map<std::string, TCheckResult> results = VerifyAll();
        ExpectOnly(results, {});

        // One flipped byte: exactly that file mismatches.
        std::vector<std::string> nonEmpty;
        for (const auto& [name, content] : Files_)
            if (!content.empty())
                nonEmpty.push_back(name);
        if (!nonEmpty.empty()) {
            const std::string& victim = nonEmpty[Pick(Random_, nonEmpty.size())];
            std::string content = Files_[victim];
            content[Pick(Random_, content.size())] ^= static_cast<char>(1 + Pick(Random_, 255));
            TestSupport::WriteFile(Dir_.Dir() + victim, content);
            ExpectOnly(VerifyAll(), {{victim, crMismatch}});
            TestSupport::WriteFile(Dir_.Dir() + victim, Files_[victim]);
        }

        // One deleted file: exactly that file is missing.
        auto deleted = Files_.begin();
        std::advance(deleted, static_cast<long>(Pick(Random_, Files_.size())));
        ASSERT_TRUE(Platform::RemoveFile(Dir_.Dir() + deleted->first));
        ExpectOnly(VerifyAll(), {{deleted->first, crMissing}});

        // Nothing was left beside the lists: no temporary file.
        expected.erase(std::find(expected.begin(), expected.end(), deleted->first));
        EXPECT_EQ(Listing(Dir_.Dir()), expected);
    }

private:
    void MakeFiles() {
        // Per-file lists add their extension to the name, and Windows counts
        // the whole path against 259 characters.
        const size_t longest = Posix ? 250 : std::min<size_t>(250, 259 - 1 - Dir_.Dir().size() - 5);
        const size_t count = 1 + Pick(Random_, 6);
        std::set<std::string> taken{Lowered(ListName())};
        while (Files_.size() < count) {
            std::string name;
            if (Chance(Random_, 8))
                name = AwkwardName(Random_);
            else if (Chance(Random_, 15))
                name = PlainName(Random_, longest);
            else
                name = PlainName(Random_, 1 + Pick(Random_, 40));
            // Case-blind file systems, device names, and names of lists: a
            // per-file list must not take another file's name.
            const std::string folded = Lowered(name);
            bool clash = !taken.insert(folded).second || (!Posix && IsDeviceName(name));
            for (const TAlgoDefinition& row : AlgoDefinitions) {
                const std::string extension = row.Extension;
                clash = clash || (folded.size() >= extension.size() &&
                                  folded.compare(folded.size() - extension.size(), extension.size(),
                                                 extension) == 0);
            }
            if (clash) {
                taken.erase(folded);
                continue;
            }
            Files_[name] = RandomContent(Random_);
            TestSupport::WriteFile(Dir_.Dir() + name, Files_[name]);
            ASSERT_EQ(TestSupport::ReadFile(Dir_.Dir() + name).size(), Files_[name].size()) << name;
        }
    }

    std::string ListName() const { return std::string("hashlist") + Round_.Row.Extension; }

    bool AllPlain() const {
        return std::all_of(Files_.begin(), Files_.end(),
                           [](const auto& file) { return IsPlain(file.first); });
    }

    std::vector<std::string> ListNames() const {
        if (!Round_.PerFile)
            return {ListName()};
        std::vector<std::string> names;
        for (const auto& [name, content] : Files_)
            names.push_back(name + Round_.Row.Extension);
        return names;
    }

    void ExpectListsReadBack(const TFileCheckerItemArray& written) {
        TFileCheckerItemArray read;
        for (const std::string& list : ListNames()) {
            TFileChecker reader(Dir_.Dir());
            std::string reason;
            ASSERT_TRUE(reader.LoadList(list, &reason)) << list << ": " << reason;
            EXPECT_EQ(reader.Algorithm, static_cast<uint32_t>(Round_.Row.Id));
            read.insert(read.end(), reader.Items.begin(), reader.Items.end());
        }
        ASSERT_EQ(read.size(), written.size());
        for (size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(Platform::ShownName(read[i].FileName), written[i].FileName);
            EXPECT_EQ(read[i].Hash, written[i].Hash);
        }
    }

    // Every list verified by a fresh checker; the result of each entry.
    std::map<std::string, TCheckResult> VerifyAll() {
        std::map<std::string, TCheckResult> results;
        for (const std::string& list : ListNames()) {
            TFileChecker verifier(Dir_.Dir());
            EXPECT_TRUE(verifier.LoadList(list)) << list;
            for (int32_t i = 0; i < verifier.Count(); ++i)
                results[Platform::ShownName(verifier.Items[static_cast<size_t>(i)].FileName)] =
                    verifier.VerifyItem(i);
        }
        return results;
    }

    // Every file verifies as crOk but the ones named; the phantom is missing.
    void ExpectOnly(const std::map<std::string, TCheckResult>& results,
                    std::map<std::string, TCheckResult> exceptions) {
        std::map<std::string, TCheckResult> expected;
        for (const auto& [name, content] : Files_)
            expected[name] = crOk;
        // Windows opens no path beyond 259 characters: such a file may be
        // there all the same, so it is not missing but cannot be read. A
        // name beyond ASCII is first looked for in each of its readings,
        // from the folder, where no such bound holds: none is there.
        const bool ascii = std::all_of(Phantom_.begin(), Phantom_.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!Phantom_.empty())
            expected[Phantom_] = Posix || Dir_.Dir().size() + Phantom_.size() <= 259 || !ascii
                                     ? crMissing
                                     : crFailed;
        for (const auto& [name, result] : exceptions)
            expected[name] = result;
        EXPECT_EQ(results, expected);
    }

    const TRound Round_;
    Random Random_;
    TempDirectory Dir_;
    std::map<std::string, std::string> Files_;
    std::string Phantom_;
};

TEST(RoundTripProperty, ListsReadBackAndVerifyExactlyWhatChanged) {
    const uint64_t seed = EnvironmentNumber("HASHKEEP_PROPERTY_SEED", 20240601);
    const uint64_t rounds = EnvironmentNumber("HASHKEEP_PROPERTY_ROUNDS", 24);
    Random seeds(seed);
    for (uint64_t round = 0; round < rounds; ++round) {
        // Every format, mode and mark in turn, each with files of its own.
        const TRound current{seeds(), AlgoDefinitions[round % 3], (round / 3) % 2 == 1,
                             (round / 6) % 2 == 1 ? TextModeMarkValue : BinaryModeMarkValue};
        SCOPED_TRACE(Describe(current) + " (HASHKEEP_PROPERTY_SEED=" + std::to_string(seed) +
                     ", round " + std::to_string(round) + ")");
        RoundTrip(current).Run();
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

} // namespace
