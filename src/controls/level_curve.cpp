#include "controls/level_curve.h"

#include "controls/math_x.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

namespace controls {

namespace {

// LogN(10, x) divides by the logarithm of 10.
const long double kLn10 = std::log(10.0L);
// Columns of larger scales are computed, not tabled.
constexpr int kMaxTabledScale = 4096;
// Curves of larger LevelMax find a level's value by bisection over the scale.
constexpr int kMaxTabledLevel = 65535;

} // namespace

int TLevelCurve::Compute(int level, double divisor, double logScale) {
    // The argument is rounded to a double before the logarithm.
    auto x = static_cast<double>(level / static_cast<long double>(divisor) + 1);
    return static_cast<int>(
        roundHalfEven(std::log(static_cast<long double>(x)) / kLn10 * logScale));
}

const TLevelCurve& TLevelCurve::For(int levelMax) {
    // User-interface thread only; a curve, once built, lives for the rest of the run.
    static std::map<int, std::unique_ptr<TLevelCurve>> curves;
    auto& curve = curves[levelMax];
    if (!curve) {
        curve.reset(new TLevelCurve(levelMax));
    }
    return *curve;
}

TLevelCurve::TLevelCurve(int levelMax)
    : levelMax_(levelMax), divisor_(static_cast<double>(levelMax / 25.0L)),
      logScale_(static_cast<double>(511 / LogN(10, 26))) {
    // The curve rises with the level: the lowest level of each scale value by bisection.
    const int top = Compute(levelMax, divisor_, logScale_);
    firsts_.reserve(static_cast<std::size_t>(std::max(top, 0)));
    int low = 1;
    for (int m = 1; m <= top; ++m) {
        int high = levelMax;
        while (low < high) {
            int mid = low + (high - low) / 2;
            if (Compute(mid, divisor_, logScale_) >= m) {
                high = mid;
            } else {
                low = mid + 1;
            }
        }
        firsts_.push_back(low);
    }
    // A level then costs one look-up.
    if (levelMax <= kMaxTabledLevel) {
        scales_.resize(static_cast<std::size_t>(levelMax) + 1);
        std::size_t m = 0;
        for (int level = 1; level <= levelMax; ++level) {
            while (m < firsts_.size() && firsts_[m] <= level) {
                ++m;
            }
            scales_[static_cast<std::size_t>(level)] = static_cast<std::uint16_t>(m);
        }
    }
}

int TLevelCurve::ScaleOf(int level) const {
    if (level > levelMax_) {
        return Compute(level, divisor_, logScale_);
    }
    if (!scales_.empty()) {
        return scales_[static_cast<std::size_t>(level)];
    }
    return static_cast<int>(std::upper_bound(firsts_.begin(), firsts_.end(), level) -
                            firsts_.begin());
}

long long TColumnCurve::Compute(int value, int levelMax, int lumiCount) {
    return roundHalfEven(static_cast<long double>(value) / levelMax *
                         static_cast<long double>(lumiCount - 1));
}

const TColumnCurve* TColumnCurve::For(int levelMax, int lumiCount) {
    if (levelMax > kMaxTabledScale) {
        return nullptr;
    }
    static std::map<std::pair<int, int>, std::unique_ptr<TColumnCurve>> columns;
    auto& column = columns[{levelMax, lumiCount}];
    if (!column) {
        column.reset(new TColumnCurve(levelMax, lumiCount));
    }
    return column.get();
}

TColumnCurve::TColumnCurve(int levelMax, int lumiCount) {
    tops_.resize(static_cast<std::size_t>(levelMax) + 1);
    for (int v = 0; v <= levelMax; ++v) {
        tops_[static_cast<std::size_t>(v)] = static_cast<int>(Compute(v, levelMax, lumiCount));
    }
}

} // namespace controls
