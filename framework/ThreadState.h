// ThreadState<T>: one T per thread, made on first use and freed by an explicit call.
#pragma once
#include <memory>

// Why not a thread_local object: with this tool chain thread-local storage is emulated, and when a
// thread ends the threads library frees the thread's emulated storage before it runs the
// destructors of the thread's thread_local objects, so those destructors work on freed memory. A
// fault there is swallowed by the loader, which leaves the threads library's key lock held, and
// the process then hangs at exit. Here only a plain pointer is thread-local: it has no destructor,
// and the state it points to is freed by the owner's own calls while the thread still runs.
template <class T>
class ThreadState {
public:
    // The calling thread's state, made when it has none.
    static T& get() {
        T*& s = slot();
        if (!s) s = std::make_unique<T>().release();
        return *s;
    }
    // The calling thread's state, or null when it has none.
    static T* peek() { return slot(); }
    // Frees the calling thread's state; the next get() makes a new one.
    static void release() {
        std::unique_ptr<T> owned(slot());
        slot() = nullptr;
    }

private:
    static T*& slot() {
        static thread_local T* state = nullptr;
        return state;
    }
};
