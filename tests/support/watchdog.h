// A wait in a test with a time limit: a result that never comes (a broken
// result window, a worker that never ends) ends the test program with a
// failure naming what it waited for, instead of stalling the whole suite.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace TestSupport {

inline constexpr auto WaitTimeLimit = std::chrono::seconds(30);

// Armed for its lifetime: still alive after WaitTimeLimit, it ends the
// program with a failure naming What.
class TTimeLimit {
public:
    explicit TTimeLimit(std::string what) {
        TWatch& watch = Watch();
        const std::lock_guard lock(watch.Mutex);
        Id_ = ++watch.Last;
        watch.Armed[Id_] = {std::chrono::steady_clock::now() + WaitTimeLimit, std::move(what)};
        watch.Changed.notify_one();
    }
    ~TTimeLimit() {
        TWatch& watch = Watch();
        const std::lock_guard lock(watch.Mutex);
        watch.Armed.erase(Id_);
        watch.Changed.notify_one();
    }
    TTimeLimit(const TTimeLimit&) = delete;
    TTimeLimit& operator=(const TTimeLimit&) = delete;

private:
    using Clock = std::chrono::steady_clock;
    struct TWatch {
        std::mutex Mutex;
        std::condition_variable Changed;
        std::map<unsigned long, std::pair<Clock::time_point, std::string>> Armed;
        unsigned long Last = 0;
    };

    // One watching thread for the program. Its state is never freed: the
    // thread waits on it until the program ends.
    static TWatch& Watch() {
        static TWatch* const watch = [] {
            auto* state = new TWatch;
            std::thread([state] { Run(*state); }).detach();
            return state;
        }();
        return *watch;
    }

    static void Run(TWatch& watch) {
        std::unique_lock lock(watch.Mutex);
        for (;;) {
            if (watch.Armed.empty()) {
                watch.Changed.wait(lock);
                continue;
            }
            auto first = watch.Armed.begin();
            for (auto at = watch.Armed.begin(); at != watch.Armed.end(); ++at)
                if (at->second.first < first->second.first)
                    first = at;
            if (Clock::now() < first->second.first) {
                watch.Changed.wait_until(lock, first->second.first);
                continue;
            }
            std::fprintf(stderr, "FAILED: no end after %lld s of %s: it hangs\n",
                         static_cast<long long>(WaitTimeLimit.count()),
                         first->second.second.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
    }

    unsigned long Id_ = 0;
};

} // namespace TestSupport
