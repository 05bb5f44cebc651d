// What the engine's tests share: a checker that records every callback and
// answers OnReadError from a script, and a fault plan for the file layer's
// seam that fails chosen calls for real.
#pragma once

#include "checker/checker.h"
#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace EngineTest {

// The file's bytes; empty when it does not exist.
inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string content(static_cast<size_t>(std::filesystem::file_size(path)), '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    return content;
}

// The names in a directory, sorted.
inline std::vector<std::string> Names(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Fails the Nth call (1-based) of an operation, or every call on a path that
// ends in a given text; logs every call, from any thread. Installed for its
// own lifetime.
class TFaultPlan {
public:
    TFaultPlan() { Platform::SetFileFaultHook(&Hook, this); }
    ~TFaultPlan() { Platform::SetFileFaultHook(nullptr, nullptr); }
    TFaultPlan(const TFaultPlan&) = delete;
    TFaultPlan& operator=(const TFaultPlan&) = delete;

    void FailCall(Platform::FileOperation operation, int number) {
        FailedCalls_[operation].insert(number);
    }
    void FailPath(Platform::FileOperation operation, const std::string& suffix) {
        FailedPaths_.emplace_back(operation, suffix);
    }
    int Calls(Platform::FileOperation operation) const {
        const auto found = Counts_.find(operation);
        return found == Counts_.end() ? 0 : found->second;
    }
    // Paths of the calls of one operation, in order.
    std::vector<std::string> Paths(Platform::FileOperation operation) const {
        std::vector<std::string> paths;
        for (const auto& [done, path] : Log_)
            if (done == operation)
                paths.push_back(path);
        return paths;
    }

private:
    static bool Hook(Platform::FileOperation operation, const std::string& path, void* context) {
        auto& self = *static_cast<TFaultPlan*>(context);
        const std::lock_guard lock(self.Mutex_);
        self.Log_.emplace_back(operation, path);
        const int number = ++self.Counts_[operation];
        if (self.FailedCalls_[operation].count(number) != 0)
            return true;
        for (const auto& [failed, suffix] : self.FailedPaths_)
            if (failed == operation && path.size() >= suffix.size() &&
                path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
                return true;
        return false;
    }

    std::map<Platform::FileOperation, std::set<int>> FailedCalls_;
    std::vector<std::pair<Platform::FileOperation, std::string>> FailedPaths_;
    std::map<Platform::FileOperation, int> Counts_;
    std::vector<std::pair<Platform::FileOperation, std::string>> Log_;
    std::mutex Mutex_;
};

// A checker whose callbacks write what happened into Events, e.g.
// "begin a.txt", "progress 33", "error a.txt", "end a.txt".
class TRecordingChecker : public TFileChecker {
public:
    explicit TRecordingChecker(const std::string& directory, uint32_t algorithm = haMd5)
        : TFileChecker(directory) {
        Algorithm = algorithm;
        OnBeginFile = [](TFileChecker* sender, const std::string& name, intptr_t& token) {
            auto& self = Self(sender);
            self.Events.push_back("begin " + name);
            token = self.Token;
        };
        OnEndFile = [](TFileChecker* sender, const std::string& name, intptr_t token) {
            auto& self = Self(sender);
            self.Events.push_back("end " + name);
            self.TokensSeen.push_back(token);
        };
        OnProgress = [](TFileChecker* sender, const std::string&, int32_t percent, bool& go) {
            auto& self = Self(sender);
            self.Events.push_back("progress " + std::to_string(percent));
            if (self.DuringProgress)
                self.DuringProgress(percent);
            if (percent >= self.AbortAtPercent)
                go = false;
        };
        OnReadError = [](TFileChecker* sender, const std::string& name, int32_t& action) {
            auto& self = Self(sender);
            self.Events.push_back("error " + name);
            action = self.Answers.empty() ? 0 : self.Answers.front();
            if (!self.Answers.empty())
                self.Answers.erase(self.Answers.begin());
        };
    }

    std::vector<std::string> Events;
    std::vector<intptr_t> TokensSeen;
    std::vector<int32_t> Answers; // given to OnReadError in turn; then 0
    int32_t AbortAtPercent = 101;
    intptr_t Token = 0x7fff1234;
    std::function<void(int32_t percent)> DuringProgress;

private:
    static TRecordingChecker& Self(TFileChecker* sender) {
        return *static_cast<TRecordingChecker*>(sender);
    }
};

} // namespace EngineTest
