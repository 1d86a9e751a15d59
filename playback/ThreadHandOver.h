#pragma once

// ThreadSanitizer does not see GLib's own synchronisation (futexes and atomics in code it has
// not instrumented). These mark where an object passes from one thread to another through
// it, so that what the first thread wrote is ordered before what the second reads. They do
// nothing in other builds.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
constexpr bool kThreadSanitizer = true;
inline void MarkHandedOver(void *object)
{
    __tsan_release(object);
}
inline void MarkTakenOver(void *object)
{
    __tsan_acquire(object);
}
#else
constexpr bool kThreadSanitizer = false;
inline void MarkHandedOver(void *) {}
inline void MarkTakenOver(void *) {}
#endif
