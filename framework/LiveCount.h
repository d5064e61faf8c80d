// Live-object counters: one static atomic count per RAII owner type, readable by tests.
#pragma once
#include <atomic>

// An owner holds one of these for as long as it owns a handle; the count per owner type then says
// how many handles of that kind are alive, which the platform's own counters do not tell under Wine.
template <class Owner>
class LiveCount {
public:
    static long live() { return count().load(); }
    static void acquired() { ++count(); }
    static void released() { --count(); }

private:
    static std::atomic<long>& count() {
        static std::atomic<long> value{0};
        return value;
    }
};
