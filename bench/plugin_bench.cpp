// What the plug-in does with big lists and big panels, apart from hashing:
// loading a list of 100,000 entries (the verification road takes any list
// the reader accepts, whatever its size), and marking the files a
// verification found on a panel of as many items, once through the index the
// driver builds (TPanelMarks) and once by walking the panel for every file as
// MarkPanelFile does, which grows with the square of the count.
#include "checker/checker.h"
#include "operations/operations.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string EntryName(int64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "file-%06lld.txt", static_cast<long long>(number));
    return name;
}

// A list of Count MD5 entries in a directory of its own, removed at the end.
class TListFile {
public:
    explicit TListFile(int64_t count)
        : Directory_(std::filesystem::temp_directory_path() /
                     ("hashkeep-bench-" + std::to_string(count))) {
        std::filesystem::create_directories(Directory_);
        std::ofstream out(Directory_ / "big.md5", std::ios::binary);
        out << "\r\n";
        for (int64_t i = 0; i < count; ++i)
            out << "d41d8cd98f00b204e9800998ecf8427e *" << EntryName(i) << "\r\n";
    }
    ~TListFile() { std::filesystem::remove_all(Directory_); }
    TListFile(const TListFile&) = delete;
    TListFile& operator=(const TListFile&) = delete;

    std::string Directory() const { return Directory_.string(); }

private:
    std::filesystem::path Directory_;
};

void BM_LoadList(benchmark::State& state) {
    const TListFile list(state.range(0));
    for (auto _ : state) {
        TFileChecker checker(list.Directory());
        if (!checker.LoadList("big.md5") || checker.Count() != state.range(0))
            state.SkipWithError("the list did not load");
        benchmark::DoNotOptimize(checker.Items.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadList)->Arg(100000)->Unit(benchmark::kMillisecond);

// A panel of Count files as the host hands it out, and every name marked.
template <typename Marking> void MarkEveryFile(benchmark::State& state, Marking marking) {
    TPanel panel;
    for (int64_t i = 0; i < state.range(0); ++i)
        panel.Items.push_back({EntryName(i), false, false});
    std::vector<std::string> names;
    for (int64_t i = 0; i < state.range(0); ++i)
        names.push_back(EntryName(state.range(0) - 1 - i));
    for (auto _ : state)
        marking(panel, names);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MarkThroughTheIndex(benchmark::State& state) {
    MarkEveryFile(state, [](TPanel& panel, const std::vector<std::string>& names) {
        TPanelMarks marks(panel);
        for (const std::string& name : names)
            marks.Mark(name, true);
    });
}
BENCHMARK(BM_MarkThroughTheIndex)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_MarkByWalkingThePanel(benchmark::State& state) {
    MarkEveryFile(state, [](TPanel& panel, const std::vector<std::string>& names) {
        for (const std::string& name : names)
            MarkPanelFile(panel, name, true);
    });
}
BENCHMARK(BM_MarkByWalkingThePanel)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
