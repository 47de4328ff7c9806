#pragma once

// The installed Qt is not built with ThreadSanitizer: its event queue locks with futexes the
// sanitizer cannot see, so a message handed over through it looks unsynchronized. These mark the
// hand-over (release on the posting thread, acquire on the receiving one); elsewhere they are
// empty.

#if defined(__SANITIZE_THREAD__)
#define KAVRO_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KAVRO_TSAN 1
#endif
#endif

#ifdef KAVRO_TSAN
#include <cstdint>
#include <mutex>
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace tsan {

inline void handedOver(void* object) {
#ifdef KAVRO_TSAN
    __tsan_release(object);
#else
    (void)object;
#endif
}

inline void takenOver(void* object) {
#ifdef KAVRO_TSAN
    __tsan_acquire(object);
#else
    (void)object;
#endif
}

// Qt guards each thread's posted-event list with a lock the sanitizer cannot see either. In its
// build a post also holds one it can see, chosen by the receiving thread, so two threads posting
// to one queue are not taken for a race. Elsewhere it holds nothing.
class PostingLock {
public:
#ifdef KAVRO_TSAN
    explicit PostingLock(const void* receivingThread) : lock_(stripe(receivingThread)) {}
#else
    explicit PostingLock(const void*) {}
#endif
    PostingLock(const PostingLock&) = delete;
    PostingLock& operator=(const PostingLock&) = delete;

private:
#ifdef KAVRO_TSAN
    static std::mutex& stripe(const void* thread) {
        static std::mutex stripes[64];
        return stripes[(reinterpret_cast<std::uintptr_t>(thread) >> 4) % 64];
    }
    std::lock_guard<std::mutex> lock_;
#endif
};

}  // namespace tsan
