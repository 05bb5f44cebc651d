// A wait in a test with a time limit: a result that never comes (a broken
// result window, a worker that never ends) ends the test program with a
// failure naming what it waited for, instead of stalling the whole suite.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#endif

namespace TestSupport {

// What no wait of a test takes on a loaded machine; Valgrind runs the same
// code some twenty times as slowly.
inline std::chrono::seconds WaitTimeLimit() {
#ifdef RUNNING_ON_VALGRIND
    if (RUNNING_ON_VALGRIND)
        return std::chrono::seconds(600);
#endif
    return std::chrono::seconds(30);
}

// Armed for its lifetime: still alive after WaitTimeLimit, it ends the
// program with a failure naming What.
class TTimeLimit {
public:
    explicit TTimeLimit(std::string what) : What_(std::move(what)), Watcher_([this] { Watch(); }) {}
    ~TTimeLimit() {
        {
            const std::lock_guard lock(Mutex_);
            Done_ = true;
        }
        Changed_.notify_one();
        Watcher_.join();
    }
    TTimeLimit(const TTimeLimit&) = delete;
    TTimeLimit& operator=(const TTimeLimit&) = delete;

private:
    void Watch() {
        std::unique_lock lock(Mutex_);
        if (Changed_.wait_for(lock, WaitTimeLimit(), [this] { return Done_; }))
            return;
        std::fprintf(stderr, "FAILED: no end after %lld s of %s: it hangs\n",
                     static_cast<long long>(WaitTimeLimit().count()), What_.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }

    const std::string What_;
    std::mutex Mutex_;
    std::condition_variable Changed_;
    bool Done_ = false;
    std::thread Watcher_; // last: it starts once the rest is there
};

} // namespace TestSupport
