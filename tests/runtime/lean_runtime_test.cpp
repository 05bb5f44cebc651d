// What the plug-in DLL's code relies on from its lean runtime
// (src/platform/win32/lean_runtime.cpp and the win32-threads runtime): a
// failure the library reports is caught where the plug-in catches it, an
// allocation failure as std::bad_alloc, and the unwinding on the way runs
// every destructor.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

struct TUnwound {
    int& Count;
    ~TUnwound() { ++Count; }
};

} // namespace

int main() {
    // Volatile, so that no failure is seen coming at compile time.
    volatile size_t huge = SIZE_MAX - 64;
    volatile size_t past = 4;
    const char* volatile null = nullptr;
    void* volatile kept = nullptr; // an allocation that is used is not left out
    const struct {
        const char* Fault;
        std::function<void()> Raise;
        bool Allocation;
    } cases[] = {
        {"new beyond the address space", [&] { kept = new char[huge]; }, true},
        {"new of too many elements", [&] { kept = new int[huge / 2]; }, true},
        {"vector beyond max_size", [&] { std::vector<int>().reserve(huge / 2); }, false},
        {"string position past the end", [&] { (void)std::string("abc").substr(past); }, false},
        {"vector index past the end", [&] { (void)std::vector<int>(3).at(past); }, false},
        {"string from a null pointer", [&] { std::string text(null); }, false},
    };
    int failures = 0;
    for (const auto& c : cases) {
        int unwound = 0;
        bool allocation = false;
        std::string what;
        try {
            TUnwound guard{unwound};
            c.Raise();
        } catch (const std::bad_alloc&) {
            allocation = true;
        } catch (const std::exception& e) {
            what = e.what();
        }
        if (unwound != 1 || allocation != c.Allocation || what.empty() != c.Allocation) {
            std::printf("%s: unwound %d, %s, what \"%s\"\n", c.Fault, unwound,
                        allocation ? "bad_alloc" : "no bad_alloc", what.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
