#include "common/numeric.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

constexpr int32_t int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t int32Min = std::numeric_limits<int32_t>::min();
constexpr double inf = std::numeric_limits<double>::infinity();

struct TruncateCase {
    double value;
    int32_t expected;
};

class Truncating : public testing::TestWithParam<TruncateCase> {};

TEST_P(Truncating, GoesTowardZeroAndSaturates)
{
    EXPECT_EQ(truncateToInt(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    AllDoubles, Truncating,
    testing::Values(TruncateCase{0.0, 0}, TruncateCase{-0.0, 0}, TruncateCase{2.9, 2}, TruncateCase{-2.9, -2},
                    TruncateCase{127.5, 127}, TruncateCase{0.99999999, 0}, TruncateCase{2147483646.9, 2147483646},
                    TruncateCase{2147483647.0, int32Max}, TruncateCase{2147483647.9, int32Max},
                    TruncateCase{2147483648.0, int32Max}, TruncateCase{1e300, int32Max}, TruncateCase{inf, int32Max},
                    TruncateCase{-2147483648.0, int32Min}, TruncateCase{-2147483648.9, int32Min},
                    TruncateCase{-2147483649.0, int32Min}, TruncateCase{-inf, int32Min},
                    TruncateCase{std::nan(""), 0}));

TEST(RoundingToSingle, RoundsOnceToNearestEven)
{
    EXPECT_EQ(roundToSingle(0.1), 0.1f);
    // 1 + 2^-24 lies halfway between 1 and the next float: ties go to even.
    EXPECT_EQ(roundToSingle(1.0 + 0x1p-24), 1.0f);
    EXPECT_EQ(roundToSingle(1.0 + 3 * 0x1p-24), 1.0f + 0x1p-22f);
}

TEST(RoundingToSingle, OverflowGivesInfinityOnlyPastTheHalfwayPoint)
{
    EXPECT_EQ(roundToSingle(double(FLT_MAX) * 1.0000000001), FLT_MAX);
    EXPECT_EQ(roundToSingle(-double(FLT_MAX) * 1.0000000001), -FLT_MAX);
    EXPECT_EQ(roundToSingle(0x1.ffffffp127), std::numeric_limits<float>::infinity());
    EXPECT_EQ(roundToSingle(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(roundToSingle(inf), std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(roundToSingle(std::nan(""))));
}

TEST(SaturatingToInt32, ClampsWideValues)
{
    EXPECT_EQ(saturateToInt32(int64_t{1} << 40), int32Max);
    EXPECT_EQ(saturateToInt32(-(int64_t{1} << 40)), int32Min);
    EXPECT_EQ(saturateToInt32(int32Max), int32Max);
    EXPECT_EQ(saturateToInt32(-5), -5);
}

}  // namespace
