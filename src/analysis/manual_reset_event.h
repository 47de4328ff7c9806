#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// An event that stays set until reset, as the callers of the one-shot fit wait on it.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet) : set_(initiallySet) {}

    void Set() {
        std::lock_guard lock(mutex_);
        set_ = true;
        changed_.notify_all();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        set_ = false;
    }
    bool IsSet() const {
        std::lock_guard lock(mutex_);
        return set_;
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return set_; });
    }
    // false on timeout
    template <typename Rep, typename Period>
    bool WaitFor(std::chrono::duration<Rep, Period> timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return set_; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_;
};
