// Resizing 32-bit pixel rows: area averaging down, bilinear up, nearest pixel for masks.
#include "skin/Resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// The source pixels one target pixel of an axis draws on, with their weights (summing to 1).
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Taps> AxisTaps(int source, int target) {
    std::vector<Taps> taps(static_cast<size_t>(target));
    const double step = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        Taps& t = taps[static_cast<size_t>(i)];
        if (target <= source) {
            // Shrinking: the share of each source pixel inside [i * step, (i + 1) * step).
            const double from = i * step, to = (i + 1) * step;
            t.first = static_cast<int>(std::floor(from));
            const int last = std::min(source - 1, static_cast<int>(std::ceil(to)) - 1);
            for (int s = t.first; s <= last; ++s) {
                const double cover = std::min<double>(to, s + 1) - std::max<double>(from, s);
                t.weights.push_back(static_cast<float>(cover / step));
            }
        } else {
            // Growing: the two source pixels whose centres lie either side of this one's.
            const double centre = (i + 0.5) * step - 0.5;
            int left = static_cast<int>(std::floor(centre));
            double f = centre - left;
            if (left < 0) left = 0, f = 0;
            if (left >= source - 1) left = source - 1, f = 0;
            t.first = left;
            t.weights.push_back(static_cast<float>(1 - f));
            if (f > 0) t.weights.push_back(static_cast<float>(f));
        }
    }
    return taps;
}
}  // namespace

void ResamplePixels(const uint32_t* source, int sourceWidth, int sourceHeight, uint32_t* target, int targetWidth,
                    int targetHeight, bool smooth) {
    if (!source || !target || sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) return;
    if (!smooth) {
        for (int y = 0; y < targetHeight; ++y) {
            const int sy = static_cast<int>((static_cast<long long>(2 * y + 1) * sourceHeight) / (2LL * targetHeight));
            const uint32_t* row = source + static_cast<size_t>(sy) * static_cast<size_t>(sourceWidth);
            for (int x = 0; x < targetWidth; ++x) {
                const int sx = static_cast<int>((static_cast<long long>(2 * x + 1) * sourceWidth) / (2LL * targetWidth));
                target[static_cast<size_t>(y) * static_cast<size_t>(targetWidth) + static_cast<size_t>(x)] = row[sx];
            }
        }
        return;
    }
    const std::vector<Taps> across = AxisTaps(sourceWidth, targetWidth);
    const std::vector<Taps> down = AxisTaps(sourceHeight, targetHeight);
    // Rows first: every source row resized across, four channels as floats.
    std::vector<float> wide(static_cast<size_t>(sourceHeight) * static_cast<size_t>(targetWidth) * 4);
    for (int y = 0; y < sourceHeight; ++y) {
        const uint32_t* row = source + static_cast<size_t>(y) * static_cast<size_t>(sourceWidth);
        float* out = wide.data() + static_cast<size_t>(y) * static_cast<size_t>(targetWidth) * 4;
        for (int x = 0; x < targetWidth; ++x) {
            const Taps& t = across[static_cast<size_t>(x)];
            float c[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const uint32_t p = row[t.first + static_cast<int>(k)];
                for (int ch = 0; ch < 4; ++ch) c[ch] += t.weights[k] * static_cast<float>((p >> (8 * ch)) & 0xFF);
            }
            for (int ch = 0; ch < 4; ++ch) out[x * 4 + ch] = c[ch];
        }
    }
    for (int y = 0; y < targetHeight; ++y) {
        const Taps& t = down[static_cast<size_t>(y)];
        for (int x = 0; x < targetWidth; ++x) {
            float c[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* in = wide.data() +
                                  (static_cast<size_t>(t.first) + k) * static_cast<size_t>(targetWidth) * 4 +
                                  static_cast<size_t>(x) * 4;
                for (int ch = 0; ch < 4; ++ch) c[ch] += t.weights[k] * in[ch];
            }
            uint32_t p = 0;
            for (int ch = 0; ch < 4; ++ch) {
                const int v = static_cast<int>(std::lround(c[ch]));
                p |= static_cast<uint32_t>(std::clamp(v, 0, 255)) << (8 * ch);
            }
            target[static_cast<size_t>(y) * static_cast<size_t>(targetWidth) + static_cast<size_t>(x)] = p;
        }
    }
}
