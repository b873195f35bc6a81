#include "geometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// A bar whose client area is 100 pixels wide: its inner rectangle runs from 1 to 99.
constexpr int kLeft = 1;
constexpr int kRight = 99;

TEST(ProgressFillRight, EmptyHalfAndFullBar)
{
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, 0), 1) << "nothing is filled at 0";
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, 50), 50) << "blue from x = 1 to x = 50, exclusive";
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, 100), 100) << "the full bar reaches the client's right edge";
}

TEST(ProgressFillRight, TruncatesTowardZero)
{
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, 1), 1) << "99 * 1 / 100 is 0";
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, 2), 2) << "99 * 2 / 100 is 1";
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, 99), 99) << "99 * 99 / 100 is 98";
    // A wider bar, as a 185-unit bar is at common font sizes.
    EXPECT_EQ(ui::ProgressFillRight(1, 276, 33), 1 + 91);
}

TEST(ProgressFillRight, OutOfRangePercentagesPaintLikeTheNearestEnd)
{
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, -5), ui::ProgressFillRight(kLeft, kRight, 0));
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, 250), ui::ProgressFillRight(kLeft, kRight, 100));
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, INT_MAX), 100) << "no overflow in the product";
    EXPECT_EQ(ui::ProgressFillRight(kLeft, kRight, INT_MIN), 1);
}

TEST(ProgressFillRight, TinyBarHasNoInnerArea)
{
    // A 2-pixel client area shrinks to nothing; a full bar then fills nothing.
    EXPECT_EQ(ui::ProgressFillRight(1, 1, 100), 2);
    EXPECT_EQ(ui::ProgressFillRight(1, 0, 100), 1);
}

TEST(CentredStart, CentresAWindowThatFits)
{
    EXPECT_EQ(ui::CentredStart(100, 0, 1000), 450);
    EXPECT_EQ(ui::CentredStart(101, 0, 1000), 449) << "an odd margin leaves the extra pixel after the window";
    EXPECT_EQ(ui::CentredStart(1000, 0, 1000), 0) << "an exact fit fills the area";
}

TEST(CentredStart, WorksInAnAreaThatDoesNotStartAtZero)
{
    // A work area below a 30-pixel bar at the top of the screen.
    EXPECT_EQ(ui::CentredStart(100, 30, 1030), 480);
    // A second monitor left of the primary one.
    EXPECT_EQ(ui::CentredStart(200, -1280, 0), -740);
}

TEST(CentredStart, KeepsTheStartOfAWindowLargerThanTheArea)
{
    EXPECT_EQ(ui::CentredStart(1200, 0, 1000), 0);
    EXPECT_EQ(ui::CentredStart(1200, 30, 1030), 30);
}

} // namespace
