// The skin's display scale and the picture sets built into the program.
#include "skin/SkinScale.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<int> skinDpi{SKIN_BASE_DPI};

const SkinPictureSet SETS[] = {{96, "GIF", "SWF", ""}, {144, "GIF150", "SWF150", "150"}, {192, "GIF200", "SWF200", "200"}};
constexpr int SET_COUNT = static_cast<int>(sizeof SETS / sizeof SETS[0]);

// value * numerator / denominator, rounded half away from zero, in 64 bits.
int MulDivRound(int value, int numerator, int denominator) {
    if (denominator <= 0) return value;
    const long long product = static_cast<long long>(std::llabs(value)) * numerator;
    const long long rounded = (product * 2 + denominator) / (2LL * denominator);
    return static_cast<int>(value < 0 ? -rounded : rounded);
}
}  // namespace

int SkinDpi() { return skinDpi.load(); }

void SetSkinDpi(int dpi) {
    if (dpi < SKIN_MIN_DPI) dpi = dpi <= 0 ? SKIN_BASE_DPI : SKIN_MIN_DPI;
    if (dpi > SKIN_MAX_DPI) dpi = SKIN_MAX_DPI;
    skinDpi.store(dpi);
}

int ScaleToDpi(int value, int dpi) { return dpi == SKIN_BASE_DPI ? value : MulDivRound(value, dpi, SKIN_BASE_DPI); }

int ScaleFontHeight(int height, int dpi) {
    return static_cast<int>(static_cast<long long>(height) * dpi / SKIN_BASE_DPI);  // toward zero
}

SkinRect ScaleSkinRect(const SkinRect& r, int dpi) {
    SkinRect s;
    s.left = ScaleToDpi(r.left, dpi);
    s.top = ScaleToDpi(r.top, dpi);
    s.right = s.left + ScaleToDpi(r.width(), dpi);
    s.bottom = s.top + ScaleToDpi(r.height(), dpi);
    return s;
}

std::vector<SkinPictureSet> PictureSetsFor(int dpi) {
    int first = SET_COUNT - 1;
    for (int i = 0; i < SET_COUNT; ++i) {
        if (SETS[i].dpi >= dpi) {
            first = i;
            break;
        }
    }
    std::vector<SkinPictureSet> order;
    for (int i = first; i < SET_COUNT; ++i) order.push_back(SETS[i]);
    for (int i = first - 1; i >= 0; --i) order.push_back(SETS[i]);
    return order;
}

int RescaledSize(int size, int fromDpi, int toDpi) {
    if (fromDpi == toDpi) return size;
    return ScaleToDpi(MulDivRound(size, SKIN_BASE_DPI, fromDpi), toDpi);
}
