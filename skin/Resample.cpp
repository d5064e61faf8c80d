// Resizing 32-bit pixel rows: area averaging down, bilinear up, nearest pixel for masks.
#include "skin/Resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// The source pixels each target pixel of an axis draws on: from `first[i]`, `count[i]` weights in
// 1/65536ths that sum to exactly 65536 (integers: a 32-bit build's floating point is many times
// slower for this), stored one after another from `offset[i]`.
struct Taps {
    std::vector<int> first, count, offset;
    std::vector<uint32_t> weights;
};

constexpr uint32_t ONE = 65536;

Taps AxisTaps(int source, int target) {
    Taps taps;
    const double step = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        std::vector<double> w;
        int first = 0;
        if (target <= source) {
            // Shrinking: the share of each source pixel inside [i * step, (i + 1) * step).
            const double from = i * step, to = (i + 1) * step;
            first = std::min(source - 1, static_cast<int>(std::floor(from)));
            const int last = std::max(first, std::min(source - 1, static_cast<int>(std::ceil(to)) - 1));
            for (int s = first; s <= last; ++s)
                w.push_back(std::max(0.0, std::min<double>(to, s + 1) - std::max<double>(from, s)) / step);
        } else {
            // Growing: the two source pixels whose centres lie either side of this one's.
            const double centre = (i + 0.5) * step - 0.5;
            first = static_cast<int>(std::floor(centre));
            double f = centre - first;
            if (first < 0) first = 0, f = 0;
            if (first >= source - 1) first = source - 1, f = 0;
            w.push_back(1 - f);
            if (f > 0) w.push_back(f);
        }
        taps.first.push_back(first);
        taps.count.push_back(static_cast<int>(w.size()));
        taps.offset.push_back(static_cast<int>(taps.weights.size()));
        uint32_t given = 0;
        for (size_t k = 0; k + 1 < w.size(); ++k) {
            const uint32_t q = static_cast<uint32_t>(w[k] * ONE + 0.5);
            taps.weights.push_back(q);
            given += q;
        }
        taps.weights.push_back(given < ONE ? ONE - given : 0);  // the rest: the sum is exact
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
    const Taps across = AxisTaps(sourceWidth, targetWidth);
    const Taps down = AxisTaps(sourceHeight, targetHeight);
    // Rows first: every source row resized across, each channel kept with 8 more bits (at most
    // 255 * 256) so that the second pass rounds only once.
    const size_t wideRow = static_cast<size_t>(targetWidth) * 4;
    std::vector<uint16_t> wide(static_cast<size_t>(sourceHeight) * wideRow);
    for (int y = 0; y < sourceHeight; ++y) {
        const uint32_t* row = source + static_cast<size_t>(y) * static_cast<size_t>(sourceWidth);
        uint16_t* out = wide.data() + static_cast<size_t>(y) * wideRow;
        for (int x = 0; x < targetWidth; ++x) {
            const uint32_t* w = &across.weights[static_cast<size_t>(across.offset[x])];
            const uint32_t* p = row + across.first[x];
            uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
            for (int k = 0; k < across.count[x]; ++k) {
                const uint32_t v = p[k], q = w[k];
                c0 += q * (v & 0xFF);
                c1 += q * ((v >> 8) & 0xFF);
                c2 += q * ((v >> 16) & 0xFF);
                c3 += q * (v >> 24);
            }
            out[x * 4] = static_cast<uint16_t>((c0 + 128) >> 8);
            out[x * 4 + 1] = static_cast<uint16_t>((c1 + 128) >> 8);
            out[x * 4 + 2] = static_cast<uint16_t>((c2 + 128) >> 8);
            out[x * 4 + 3] = static_cast<uint16_t>((c3 + 128) >> 8);
        }
    }
    // Then down: at most 65280 * 65536, which fits 32 bits.
    std::vector<uint32_t> sum(wideRow);
    for (int y = 0; y < targetHeight; ++y) {
        std::fill(sum.begin(), sum.end(), 0u);
        const uint32_t* w = &down.weights[static_cast<size_t>(down.offset[y])];
        for (int k = 0; k < down.count[y]; ++k) {
            const uint16_t* in = wide.data() + static_cast<size_t>(down.first[y] + k) * wideRow;
            const uint32_t q = w[k];
            for (size_t i = 0; i < wideRow; ++i) sum[i] += q * in[i];
        }
        uint32_t* out = target + static_cast<size_t>(y) * static_cast<size_t>(targetWidth);
        for (int x = 0; x < targetWidth; ++x) {
            uint32_t p = 0;
            for (int ch = 0; ch < 4; ++ch) {
                const uint32_t v = (sum[static_cast<size_t>(x) * 4 + ch] + (1u << 23)) >> 24;
                p |= (v > 255 ? 255 : v) << (8 * ch);
            }
            out[x] = p;
        }
    }
}
