// The workers that hash files side by side, each with a checker of its own,
// and the live progress line that counts them all. Results come back through
// a window of slots, so the reporting thread takes them in list order while
// the workers run ahead of it.
#include "cli_internal.h"

#include "digest/md5_lanes.h"
#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace HashkeepCli {

namespace {

using Clock = std::chrono::steady_clock;

// Results held ahead of the one the report waits for: enough for the other
// workers to go on past one big file, few enough that a list of a million
// files costs no more than one of a thousand.
constexpr size_t ResultWindow = 1024;
// How long results may wait before they are reported: long enough that
// the reporting thread wakes a hundred times a second at most, not once for
// every small file, short enough that nobody notices.
constexpr auto ReportInterval = std::chrono::milliseconds(10);
// The live line is redrawn at most ten times a second.
constexpr auto RedrawInterval = std::chrono::milliseconds(100);
// The live line fits a row of an 80-column terminal.
constexpr size_t LiveLineWidth = 79;
constexpr size_t ShortestShownName = 12;

// What the workers and the reporting thread share.
struct TShared {
    explicit TShared(size_t count) : Count(count), Slots(ResultWindow), Done(ResultWindow) {}

    const size_t Count;
    std::mutex Mutex;
    std::condition_variable ResultReady, SlotFree;
    // Under Mutex: job N's result waits in Slots[N % ResultWindow].
    std::vector<THashJob> Slots;
    std::vector<bool> Done;
    size_t NextToTake = 0, NextToReport = 0;
    bool Stop = false;
    std::string Current; // the file begun last, for the live line
    // Read by the workers' progress callbacks without the lock.
    std::atomic<bool> Stopping{false};
    std::atomic<uint64_t> JobsDone{0}, BytesDone{0};
};

// A worker's checker: its callbacks count the bytes hashed, stop the file
// when the run stops, and note read errors in the job's messages.
class TWorkerChecker : public TFileChecker {
public:
    TWorkerChecker(TShared& shared, const THashPoolSettings& settings)
        : TFileChecker(settings.BaseDir), Shared_(shared), AbortOnError_(settings.AbortOnError) {
        Algorithm = settings.Algorithm;
        ModeMark = settings.ModeMark;
        OnBeginFile = [](TFileChecker* sender, const std::string& name, intptr_t&) {
            auto& self = Self(sender);
            const std::lock_guard lock(self.Shared_.Mutex);
            self.Shared_.Current = name;
        };
        // The sizes come from the files as they are opened: no call of its
        // own per file.
        OnEndFile = [](TFileChecker* sender, const std::string&, intptr_t) {
            auto& self = Self(sender);
            ++self.Job_->Files;
            self.Job_->Bytes += self.FileSize;
            self.InJob.store(self.Job_->Bytes, std::memory_order_relaxed);
        };
        OnProgress = [](TFileChecker* sender, const std::string&, int32_t percent, bool& go) {
            auto& self = Self(sender);
            self.InJob.store(self.Job_->Bytes +
                                 self.FileSize / 100 * static_cast<uint64_t>(percent),
                             std::memory_order_relaxed);
            go = !self.Shared_.Stopping.load(std::memory_order_relaxed);
        };
        OnReadError = [](TFileChecker* sender, const std::string& name, int32_t& action) {
            auto& self = Self(sender);
            self.Job_->Messages.push_back(self.ExpandName(name) +
                                          ": cannot be read: " + CauseOf(self, name) +
                                          (self.AbortOnError_ ? "; stopping" : "; skipped"));
            action = self.AbortOnError_ ? raAbort : raSkip;
        };
    }

    // Readies the callbacks for Job.
    void Begin(THashJob& job) { Job_ = &job; }

    // Bytes of the job at hand hashed so far, for the live line.
    std::atomic<uint64_t> InJob{0};

private:
    static TWorkerChecker& Self(TFileChecker* sender) {
        return *static_cast<TWorkerChecker*>(sender);
    }

    TShared& Shared_;
    const bool AbortOnError_;
    THashJob* Job_ = nullptr;
};

// One worker's side of TShared.
class TWorkerQueue final : public TJobQueue {
public:
    TWorkerQueue(TShared& shared, TWorkerChecker& checker, const THashJobs& jobs)
        : Shared_(shared), Checker_(checker), Jobs_(jobs) {}

    TTake Take(size_t& index, THashJob& job, bool wait) override {
        for (;;) {
            bool sourced = false;
            {
                std::unique_lock lock(Shared_.Mutex);
                auto windowFull = [&] {
                    return Shared_.NextToTake >= Shared_.NextToReport + ResultWindow;
                };
                auto noMore = [&] { return Shared_.Stop || Shared_.NextToTake >= Shared_.Count; };
                if (wait)
                    Shared_.SlotFree.wait(lock, [&] { return noMore() || !windowFull(); });
                if (noMore())
                    return tkNoMore;
                if (windowFull())
                    return tkWindowFull;
                index = Shared_.NextToTake++;
                job = THashJob{};
                // Under the lock: the source hands the items out in job order.
                try {
                    sourced = Jobs_.Source(index, job);
                } catch (...) {
                    job.Cause = "not enough memory";
                }
            }
            if (!sourced) {
                job.Result = crFailed;
                job.Unsourced = true;
                Post(index, std::move(job));
                continue;
            }
            // The sizes come from the files as they are opened
            // (TWorkerChecker): no call of its own per file.
            Checker_.Begin(job);
            return tkJob;
        }
    }

    void Post(size_t index, THashJob&& job) override {
        bool wake = false;
        {
            const std::lock_guard lock(Shared_.Mutex);
            Shared_.Slots[index % ResultWindow] = std::move(job);
            Shared_.Done[index % ResultWindow] = true;
            Shared_.BytesDone.fetch_add(Shared_.Slots[index % ResultWindow].Bytes,
                                        std::memory_order_relaxed);
            Checker_.InJob.store(0, std::memory_order_relaxed);
            // The reporter looks by itself every ReportInterval; it is woken
            // only when the results are all in, or when the window is full
            // and the workers would wait for it.
            wake = Shared_.JobsDone.fetch_add(1, std::memory_order_relaxed) + 1 == Shared_.Count ||
                   Shared_.NextToTake >= Shared_.NextToReport + ResultWindow;
        }
        if (wake)
            Shared_.ResultReady.notify_one();
    }

    bool Stopping() const override { return Shared_.Stopping.load(std::memory_order_relaxed); }
    TFileChecker& Checker() override { return Checker_; }

private:
    TShared& Shared_;
    TWorkerChecker& Checker_;
    const THashJobs& Jobs_;
};

void WorkerMain(TShared& shared, TWorkerChecker& checker, const THashJobs& jobs, bool lanes) {
    TWorkerQueue queue(shared, checker, jobs);
    if (lanes) {
        HashInLanes(queue, jobs);
        return;
    }
    size_t index = 0;
    THashJob job;
    while (queue.Take(index, job, true) == TJobQueue::tkJob) {
        try {
            jobs.Work(checker, job);
        } catch (...) {
            job.Result = crFailed;
            job.Cause = "not enough memory";
        }
        queue.Post(index, std::move(job));
    }
}

std::string ShownDuration(double seconds) {
    char text[32];
    const auto whole = static_cast<unsigned long>(seconds + 0.5);
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lu:%02lu:%02lu", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lu:%02lu", whole / 60, whole % 60);
    return text;
}

// "NAME  3/5000 files  1.2 MB/488.3 MB  350.0 MB/s  0:01 left", the name cut
// from the front to fit the row.
std::string LiveLine(const std::string& name, uint64_t jobsDone, size_t jobs, uint64_t bytesDone,
                     uint64_t bytesTotal, Clock::duration elapsed) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const double rate = seconds > 0 ? static_cast<double>(bytesDone) / seconds : 0;
    char figures[160];
    std::snprintf(figures, sizeof figures, "  %llu/%llu files  %s/%s  %.1f MB/s  %s left",
                  static_cast<unsigned long long>(jobsDone), static_cast<unsigned long long>(jobs),
                  ShownBytes(bytesDone).c_str(), ShownBytes(bytesTotal).c_str(), rate / 1e6,
                  rate > 0 && bytesTotal >= bytesDone
                      ? ShownDuration(static_cast<double>(bytesTotal - bytesDone) / rate).c_str()
                      : "-:--");
    const std::string rest = figures;
    const std::string shown = Escaped(name);
    const size_t room =
        std::max(ShortestShownName, LiveLineWidth - std::min(LiveLineWidth, rest.size()));
    return (shown.size() > room ? "..." + shown.substr(shown.size() - (room - 3)) : shown) + rest;
}

} // namespace

std::string CauseOf(const TFileChecker& checker, const std::string& name) {
    const std::string prefix = name + ": ";
    return checker.LastError.rfind(prefix, 0) == 0 ? checker.LastError.substr(prefix.size())
                                                   : checker.LastError;
}

unsigned DefaultWorkers() {
    return std::max(1u, std::thread::hardware_concurrency());
}

THashPool::THashPool(TConsole& console, THashPoolSettings settings)
    : Console_(console), Settings_(std::move(settings)) {}

bool THashPool::Run(const THashJobs& jobs, TThroughput& throughput) {
    const size_t count = jobs.Count;
    if (count == 0)
        return true;
    const Clock::time_point start = Clock::now();
    TShared shared(count);
    const uint64_t bytesTotal = jobs.Bytes;

    const size_t workers = std::clamp<size_t>(Settings_.Workers, 1, count);
    const bool lanes = jobs.Read && jobs.Finish && Settings_.Algorithm == haMd5 && Md5LanesActive();
    std::vector<std::unique_ptr<TWorkerChecker>> checkers;
    std::vector<std::thread> threads;
    auto stopWorkers = [&] {
        {
            const std::lock_guard lock(shared.Mutex);
            shared.Stop = true;
            shared.Stopping = true;
        }
        shared.SlotFree.notify_all();
        for (std::thread& thread : threads)
            thread.join();
        threads.clear();
    };
    try {
        for (size_t i = 0; i < workers; ++i) {
            checkers.push_back(std::make_unique<TWorkerChecker>(shared, Settings_));
            threads.emplace_back(WorkerMain, std::ref(shared), std::ref(*checkers.back()),
                                 std::cref(jobs), lanes);
        }
    } catch (...) {
        // The workers that did start do the work; with none, there is none.
        if (threads.empty())
            throw;
    }

    bool completed = true;
    Clock::time_point nextDraw = start + RedrawInterval;
    std::vector<THashJob> batch;
    try {
        std::unique_lock lock(shared.Mutex);
        for (size_t next = 0; completed && next < count;) {
            const Clock::time_point now = Clock::now();
            if (Console_.DrawsProgress() && now >= nextDraw) {
                uint64_t bytesDone = shared.BytesDone.load(std::memory_order_relaxed);
                for (const auto& checker : checkers)
                    bytesDone += checker->InJob.load(std::memory_order_relaxed);
                const std::string current = shared.Current;
                lock.unlock();
                Console_.DrawLive(LiveLine(current, shared.JobsDone.load(), count, bytesDone,
                                           bytesTotal, now - start));
                nextDraw = now + RedrawInterval;
                lock.lock();
            }
            // Every result that is in, in order, at one go.
            for (size_t at = next; at < count && shared.Done[at % ResultWindow]; ++at) {
                batch.push_back(std::move(shared.Slots[at % ResultWindow]));
                shared.Done[at % ResultWindow] = false;
            }
            if (batch.empty()) {
                shared.ResultReady.wait_until(lock, Console_.DrawsProgress()
                                                        ? std::min(nextDraw, now + ReportInterval)
                                                        : now + ReportInterval);
                continue;
            }
            shared.NextToReport = next + batch.size();
            lock.unlock();
            shared.SlotFree.notify_all();
            for (THashJob& job : batch) {
                for (const std::string& message : job.Messages)
                    Console_.Tell(message);
                if (job.Result == crOk || job.Result == crMismatch) {
                    throughput.Files += job.Files;
                    throughput.Bytes += job.Bytes;
                }
                if (!jobs.Report(next++, job)) {
                    completed = false;
                    break;
                }
            }
            batch.clear();
            lock.lock();
        }
    } catch (...) {
        stopWorkers();
        throw;
    }
    stopWorkers();
    Console_.EraseLive();
    throughput.Time += Clock::now() - start;
    return completed;
}

} // namespace HashkeepCli
