// A fault plan for sweeps: it numbers every call of the file layer across a
// whole run, notes what the run was doing at each (its phase) and which file
// each read belongs to, and fails exactly the one call asked for. A clean run
// gives the count and the phases; then each call is failed in turn.
#pragma once

#include "platform/files.h"

#include <string>
#include <vector>

namespace FaultSweep {

struct TCall {
    Platform::FileOperation Operation;
    std::string Path;  // for Read, the path of the file last opened
    std::string Phase; // what the run said it was doing
};

class TCallLog {
public:
    // Fails call number FailAt (1-based; 0 fails none).
    explicit TCallLog(size_t failAt = 0) : FailAt_(failAt) {
        Platform::SetFileFaultHook(&Hook, this);
    }
    ~TCallLog() { Platform::SetFileFaultHook(nullptr, nullptr); }
    TCallLog(const TCallLog&) = delete;
    TCallLog& operator=(const TCallLog&) = delete;

    std::string Phase;
    std::vector<TCall> Calls;

    // Makes every further call fail as well (a second fault after the first).
    void FailFrom(size_t number) { FailFrom_ = number; }

private:
    static bool Hook(Platform::FileOperation operation, const std::string& path, void* context) {
        // A folder that will not be flushed is no failure: nothing to sweep.
        if (operation == Platform::FileOperation::FlushFolder)
            return false;
        auto& self = *static_cast<TCallLog*>(context);
        if (operation == Platform::FileOperation::Open)
            self.LastOpened_ = path;
        self.Calls.push_back({operation,
                              operation == Platform::FileOperation::Read ? self.LastOpened_ : path,
                              self.Phase});
        const size_t number = self.Calls.size();
        return number == self.FailAt_ || (self.FailFrom_ != 0 && number >= self.FailFrom_);
    }

    size_t FailAt_;
    size_t FailFrom_ = 0;
    std::string LastOpened_;
};

inline const char* OperationName(Platform::FileOperation operation) {
    switch (operation) {
    case Platform::FileOperation::Open:
        return "open";
    case Platform::FileOperation::Read:
        return "read";
    case Platform::FileOperation::Create:
        return "create";
    case Platform::FileOperation::Write:
        return "write";
    case Platform::FileOperation::Rename:
        return "rename";
    case Platform::FileOperation::Remove:
        return "remove";
    case Platform::FileOperation::Flush:
        return "flush";
    case Platform::FileOperation::FlushFolder:
        return "flush folder";
    }
    return "?";
}

inline std::string Describe(size_t number, const TCall& call) {
    return "call " + std::to_string(number) + ": " + OperationName(call.Operation) + " " +
           call.Path + " while " + call.Phase;
}

// What the platform says about a call that the seam failed.
inline std::string InjectedCause() {
    TCallLog failAll(1);
    failAll.FailFrom(1);
    Platform::OpenFileForReading("anything");
    return Platform::LastErrorText();
}

} // namespace FaultSweep
