#pragma once

#include <QMetaObject>
#include <QObject>
#include <type_traits>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace orbix {

namespace post_to_gui_detail {

// Qt's event queue is not built with ThreadSanitizer, so the hand-over of a
// queued call from a worker to the receiver's thread is invisible to it: the
// call's captures look written on one thread and read on another with no
// order between them. Each hand-over is told to it instead, through one sync
// object: released on the posting side after the call is stored, acquired on
// the receiving side before the call is run or destroyed. Nothing of this is
// compiled in other builds.
#if defined(__SANITIZE_THREAD__)
inline void* HandOverSync() {
    static char sync;
    return &sync;
}
inline void Release() { __tsan_release(HandOverSync()); }
inline void Acquire() { __tsan_acquire(HandOverSync()); }
#else
inline void Release() {}
inline void Acquire() {}
#endif

// The call as Qt stores it. Qt moves it into its own call object inside
// invokeMethod, after the caller could release; so every move releases once
// the moved-to copy is complete, and the receiving side acquires before it
// reads or frees the captures (a call dropped with its receiver is only
// destroyed).
template <class F>
class CHandedOverCall {
  public:
    explicit CHandedOverCall(F&& f) : m_f(std::move(f)) {}
    CHandedOverCall(CHandedOverCall&& other) noexcept(std::is_nothrow_move_constructible_v<F>)
        : m_f(std::move(other.m_f)) {
        Release();
    }
    CHandedOverCall(const CHandedOverCall&) = delete;
    CHandedOverCall& operator=(const CHandedOverCall&) = delete;
    CHandedOverCall& operator=(CHandedOverCall&&) = delete;
    ~CHandedOverCall() { Acquire(); }

    void operator()() {
        Acquire();
        m_f();
    }

  private:
    F m_f;
};

}  // namespace post_to_gui_detail

// Queues f to run on receiver's thread, from any thread: calls run in the
// order posted, and those still queued when the receiver is destroyed are
// dropped with it (f is then destroyed, never run).
template <class F>
void PostToGui(QObject* receiver, F&& f) {
    using Call = post_to_gui_detail::CHandedOverCall<std::decay_t<F>>;
    QMetaObject::invokeMethod(receiver, Call(std::decay_t<F>(std::forward<F>(f))),
                              Qt::QueuedConnection);
}

}  // namespace orbix
