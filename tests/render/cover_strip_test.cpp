// The strip's layout maths: where each cover stands, which covers are drawn
// and in which order, and how far the opening, the glide back and the launch hop move a cover.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "render/cover_strip.h"

namespace {

TEST(CoverPlacement, FollowsTheDistanceTableToThreeDecimals) {
    struct Row {
        double d, sideways, forward, turn;
    };
    const Row table[] = {
        {0, 0, 1.5, 0},
        {0.25, 0.375, 1.125, -17.318},
        {0.5, 0.75, 0.75, -33.56},
        {0.75, 1.125, 0.375, -47.715},
        {1, 1.5, 0, -58.903},
        {2, 2.0, 0, -58.903},
        {3, 2.5, 0, -58.903},
        {-1, -1.5, 0, 58.903},
        {-2, -2.0, 0, 58.903},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.d);
        const CoverPlacement p = coverPlacement(row.d);
        EXPECT_NEAR(p.sideways, row.sideways, 0.0005);
        EXPECT_NEAR(p.forward, row.forward, 0.0005);
        EXPECT_NEAR(p.turn, row.turn, 0.0005);
    }
}

TEST(CoverPlacement, IsMirrorSymmetricAndPacksSideCoversHalfAUnitApart) {
    for (double d : {0.1, 0.5, 0.9, 1.0, 1.5, 4.0, 17.0}) {
        SCOPED_TRACE(d);
        const CoverPlacement right = coverPlacement(d), left = coverPlacement(-d);
        EXPECT_DOUBLE_EQ(left.sideways, -right.sideways);
        EXPECT_DOUBLE_EQ(left.forward, right.forward);
        EXPECT_DOUBLE_EQ(left.turn, -right.turn);
    }
    for (int m = 1; m < 20; ++m)
        EXPECT_NEAR(coverPlacement(m + 1).sideways - coverPlacement(m).sideways, 0.5, 1e-12);
}

TEST(StripRange, DrawsAtMostTwentyCoversEachSideOfThePosition) {
    StripRange r = stripRange(0.0f, 30);
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.end, 21);

    r = stripRange(25.9f, 30);  // base 25
    EXPECT_EQ(r.first, 5);
    EXPECT_EQ(r.end, 30);

    r = stripRange(0.0f, 1);
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.end, 1);

    r = stripRange(500.5f, 1000);
    EXPECT_EQ(r.first, 480);
    EXPECT_EQ(r.end, 521);  // 41 covers
}

const int kPlaying = 3;

TEST(StripDrawingOrder, NearestTheMiddleFirstLowerIndexOnTies) {
    struct Row {
        float position;
        int albums;
        std::vector<int> order;
    };
    const Row table[] = {
        {2, 5, {2, 1, 3, 0, 4}},
        {2.5f, 5, {2, 3, 1, 4, 0}},    // half-way: the two middle covers tie, the lower first
        {2.3f, 5, {2, 3, 1, 4, 0}},
        {2.7f, 5, {3, 2, 4, 1, 0}},
        {0, 4, {0, 1, 2, 3}},          // the row's start: one side only
        {0, 1, {0}},
        {0, 0, {}},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.position);
        int order[kMaxStripCovers];
        const int n = stripDrawingOrder(row.position, stripRange(row.position, row.albums), order);
        EXPECT_EQ(std::vector<int>(order, order + n), row.order);
    }
    // A full strip: all 41 covers, each once, never farther than the one before.
    int order[kMaxStripCovers];
    const float position = 100.4f;
    const int n = stripDrawingOrder(position, stripRange(position, 1000), order);
    ASSERT_EQ(n, 41);
    EXPECT_EQ(std::set<int>(order, order + n).size(), 41u);
    for (int k = 1; k < n; ++k) EXPECT_LE(std::fabs(order[k - 1] - position), std::fabs(order[k] - position));
}

TEST(CoverAnimation, OpeningPoseHoldsEveryCoverForwardUntilTick2000) {
    for (uint32_t t : {0u, 1u, 1000u, 1999u}) {
        SCOPED_TRACE(t);
        // playTime 2000 lies ahead, so t - playTime wraps and the hop rule is out.
        EXPECT_FLOAT_EQ(coverAnimationOffset(0, t, kPlaying, 2000), 0.5f);
        EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, t, kPlaying, 2000), 0.5f);
    }
    EXPECT_FLOAT_EQ(coverAnimationOffset(0, 2000, kPlaying, 2000), 0.0f);
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, 2000, kPlaying, 2000), 0.0f);
}

TEST(CoverAnimation, PlayingCoverGlidesBackBetween2000And2400) {
    EXPECT_NEAR(coverAnimationOffset(kPlaying, 2100, kPlaying, 2000), 0.4619, 0.0005);
    EXPECT_NEAR(coverAnimationOffset(kPlaying, 2200, kPlaying, 2000), 0.3536, 0.0005);
    EXPECT_NEAR(coverAnimationOffset(kPlaying, 2300, kPlaying, 2000), 0.1913, 0.0005);
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, 2400, kPlaying, 2000), 0.0f);
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying + 1, 2200, kPlaying, 2000), 0.0f);
}

TEST(CoverAnimation, HandOverDuringTheOpeningHoldsThatCoverBackUntil2000) {
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, 1200, kPlaying, 1000), 0.0f);
    EXPECT_FLOAT_EQ(coverAnimationOffset(0, 1200, kPlaying, 1000), 0.5f);
    // Handed over at 1900: at 2100 it is half way through the glide back.
    EXPECT_NEAR(coverAnimationOffset(kPlaying, 2100, kPlaying, 1900), 0.3536, 0.0005);
}

TEST(CoverAnimation, LaunchHopGoesOutAndBackOverFourHundredTicks) {
    const uint32_t T = 5000;
    const float expected[] = {0.0f, 0.354f, 0.5f, 0.354f, 0.0f};
    for (int step = 0; step <= 4; ++step) {
        SCOPED_TRACE(step);
        const uint32_t t = T + 100 * uint32_t(step);
        EXPECT_NEAR(coverAnimationOffset(kPlaying, t, kPlaying, T), expected[step], 0.0005);
        EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying - 1, t, kPlaying, T), 0.0f);
        EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying + 1, t, kPlaying, T), 0.0f);
    }
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, T + 401, kPlaying, T), 0.0f);
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, T + 100000, kPlaying, T), 0.0f);
}

TEST(CoverAnimation, TickBeforeThePlayTimeWrapsAndGivesNoHop) {
    // t - playTime wraps to nearly 2^32: f is far below 0.
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, 4999, kPlaying, 5000), 0.0f);
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, 3000, kPlaying, 5000), 0.0f);
    // ... and while the opening lasts, the wrapped cover keeps the opening pose.
    EXPECT_FLOAT_EQ(coverAnimationOffset(kPlaying, 1500, kPlaying, 1800), 0.5f);
}

}  // namespace
