// The mappings behind a meter's lamps, worked out once per shape and shared by every meter of
// that shape, so that a level costs a few comparisons instead of an extended-precision
// logarithm and division:
// - the level meter's curve: a linear level 1 ... LevelMax onto the bar's scale 0 ... 511,
//   Round(LogN(10, level / (LevelMax / 25) + 1) * 511 / LogN(10, 26)), halves to even, the
//   argument rounded to a double before the logarithm;
// - the bar's column: a scale value 1 ... LevelMax onto the index of the highest lamp lit,
//   Round(value / LevelMax * (lamps - 1)), halves to even.
// The tables hold exactly what the formulas give (they are built from them); values outside
// the tabled range are computed from the formulas directly.
#pragma once

#include <cstdint>
#include <vector>

namespace controls {

// The level meter's curve for one LevelMax.
class TLevelCurve {
public:
    // The shared curve of the LevelMax (built on first use).
    static const TLevelCurve& For(int levelMax);
    // The formula itself, for any level above 0.
    static int Compute(int level, double divisor, double logScale);
    // The scale value of a level above 0.
    int ScaleOf(int level) const;

private:
    TLevelCurve(int levelMax);
    int levelMax_;
    double divisor_;
    double logScale_;
    // firsts_[m - 1]: the lowest level 1 ... LevelMax whose scale value is m or more.
    std::vector<int> firsts_;
    // The scale value of every level 0 ... LevelMax, when LevelMax is small enough.
    std::vector<std::uint16_t> scales_;
};

// The bar's column for one LevelMax and lamp count.
class TColumnCurve {
public:
    // The shared column of the shape, or nullptr when LevelMax is too large to table.
    static const TColumnCurve* For(int levelMax, int lumiCount);
    // The formula itself.
    static long long Compute(int value, int levelMax, int lumiCount);
    // The highest lamp lit by a value 1 ... LevelMax.
    int TopOf(int value) const { return tops_[static_cast<std::size_t>(value)]; }

private:
    TColumnCurve(int levelMax, int lumiCount);
    std::vector<int> tops_;
};

} // namespace controls
