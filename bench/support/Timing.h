// Wall-clock timing, medians and memory figures for the benchmarks.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <vector>

inline double NowSeconds() {
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

template <class Fn>
double TimeSeconds(Fn fn) {
    double start = NowSeconds();
    fn();
    return NowSeconds() - start;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double PeakMemoryMB() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) return -1;
    return static_cast<double>(std::max(pmc.PeakWorkingSetSize, pmc.PeakPagefileUsage)) / (1024.0 * 1024.0);
}
