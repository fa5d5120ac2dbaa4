// Timing shared by the benchmark programs: a millisecond clock and the median
// of a run's times.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

// Milliseconds from the performance counter.
inline double Now() {
    LARGE_INTEGER c, f;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
