#include <gtest/gtest.h>
#include <vector>
#include "gameobj_host/proximity.h"

namespace {

__m128 rect(float x0, float z0, float x1, float z1) { return _mm_setr_ps(x0, z0, x1, z1); }

std::vector<int> bins_of(const ProximityQuery& q) { return std::vector<int>(q.binList.begin(), q.binList.end()); }

std::vector<GameObj*> objects_in(int bin) {
    return std::vector<GameObj*>(proximity[bin].objects.begin(), proximity[bin].objects.end());
}

class ProximityTest : public ::testing::Test {
protected:
    GameObj a, b, c;
    void TearDown() override {
        for (ProximityBin& bin : proximity) bin.objects.clear();
    }
};

TEST(ProximityBinForBox, FineCoarseAndWideLevels) {
    EXPECT_EQ(proximity_bin_for_box(rect(1, 1, 7, 7)), 0);
    EXPECT_EQ(proximity_bin_for_box(rect(6, 1, 9, 2)), 1024);      // straddles x = 8
    EXPECT_EQ(proximity_bin_for_box(rect(10, 10, 30, 11)), 1280);  // straddles coarse x = 12
    EXPECT_EQ(proximity_bin_for_box(rect(17, 41, 23, 47)), 5 * 32 + 2);
    // Coarse cell (1, 2) spans x 12..28, z 28..44.
    EXPECT_EQ(proximity_bin_for_box(rect(13, 30, 20, 43)), 1024 + 2 * 16 + 1);
}

TEST(ProximityBinForBox, CellBoundariesBelongToTheUpperCell) {
    EXPECT_EQ(proximity_bin_for_box(rect(8, 0, 8, 0)), 1);
    EXPECT_EQ(proximity_bin_for_box(rect(7.999f, 0, 7.999f, 0)), 0);
    EXPECT_EQ(proximity_bin_for_box(rect(0, 8, 0, 8)), 32);
}

TEST(ProximityBinForBox, CoordinatesWrapAroundTheWorld) {
    // x = -5: fine column 31, coarse column 15.
    EXPECT_EQ(proximity_bin_for_box(rect(-5, 1, -5, 1)), 31);
    EXPECT_EQ(proximity_bin_for_box(rect(-10, 1, -5, 9)), 1024 + 15);
    // x = -3: fine column 31 but coarse column 0 (coarse cells start at -4).
    EXPECT_EQ(proximity_bin_for_box(rect(-3, 1, 2, 2)), 1024);
    // x = 256 is x = 0, in both grids.
    EXPECT_EQ(proximity_bin_for_box(rect(257, 1, 263, 7)), proximity_bin_for_box(rect(1, 1, 7, 7)));
    EXPECT_EQ(proximity_bin_for_box(rect(262, 1, 265, 2)), proximity_bin_for_box(rect(6, 1, 9, 2)));
    EXPECT_EQ(proximity_bin_for_box(rect(-251, -255, -249, -254)), proximity_bin_for_box(rect(5, 1, 7, 2)));
}

TEST_F(ProximityTest, UpdateFilesTheObjectOnceAndMovesItBetweenBins) {
    update_proximity(&a, rect(1, 1, 2, 2));
    update_proximity(&b, rect(3, 3, 4, 4));
    update_proximity(&c, rect(5, 5, 6, 6));
    EXPECT_EQ(a.proximityBin, 0);
    update_proximity(&b, rect(2, 2, 3, 3));  // same bin again: nothing moves
    EXPECT_EQ(objects_in(0), (std::vector<GameObj*>{&a, &b, &c}));

    update_proximity(&b, rect(6, 1, 9, 2));
    EXPECT_EQ(b.proximityBin, 1024);
    EXPECT_EQ(objects_in(0), (std::vector<GameObj*>{&a, &c}));
    EXPECT_EQ(objects_in(1024), (std::vector<GameObj*>{&b}));
}

TEST_F(ProximityTest, RemoveTakesOnlyThatObjectAndIgnoresStrays) {
    update_proximity(&a, rect(1, 1, 2, 2));
    update_proximity(&b, rect(1, 1, 2, 2));
    update_proximity(&c, rect(1, 1, 2, 2));
    remove_proximity_object(&b);
    EXPECT_EQ(b.proximityBin, NO_PROXIMITY_BIN);
    EXPECT_EQ(objects_in(0), (std::vector<GameObj*>{&a, &c}));

    remove_proximity_object(&b);  // in no bin
    remove_proximity_object(nullptr);
    EXPECT_EQ(objects_in(0), (std::vector<GameObj*>{&a, &c}));
}

TEST_F(ProximityTest, QueryListsNonEmptyBinsFineThenCoarseThenWide) {
    ProximityQuery q;
    q.proximityQuery(rect(0, 0, 100, 100), false);
    EXPECT_TRUE(q.binList.empty());
    EXPECT_EQ(q.binPos, 0);
    EXPECT_EQ(q.objIndex, -1);

    update_proximity(&a, rect(20, 20, 21, 21));   // fine 2*32+2 = 66
    update_proximity(&b, rect(6, 1, 9, 2));       // coarse 1024
    update_proximity(&c, rect(10, 10, 30, 11));   // wide
    GameObj d;
    update_proximity(&d, rect(9, 1, 10, 2));      // fine 1

    q.proximityQuery(rect(5, 0, 22, 22), false);
    EXPECT_EQ(bins_of(q), (std::vector<int>{1, 66, 1024, 1280}));
    q.proximityQuery(rect(5, 0, 22, 22), true);
    EXPECT_EQ(bins_of(q), (std::vector<int>{1, 66, 1024}));

    // Walking the result visits the bins' objects in order.
    q.proximityQuery(rect(5, 0, 22, 22), false);
    std::vector<GameObj*> seen;
    while (GameObj* o = q.nextObject()) seen.push_back(o);
    EXPECT_EQ(seen, (std::vector<GameObj*>{&d, &a, &b, &c}));
    remove_proximity_object(&d);
}

TEST_F(ProximityTest, QueryAcrossTheSeamFindsWrappedBins) {
    update_proximity(&a, rect(250, 250, 251, 251));  // fine (31, 31)
    ProximityQuery q;
    q.proximityQuery(rect(-8, -8, 1, 1), true);
    EXPECT_EQ(bins_of(q), (std::vector<int>{31 * 32 + 31}));

    // More than the world across: the same bin is met twice.
    q.proximityQuery(rect(250, 250, 250 + 256, 251), true);
    EXPECT_EQ(bins_of(q), (std::vector<int>{1023, 1023}));
}

}  // namespace
