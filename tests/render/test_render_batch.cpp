// Batches keep the on-screen order of overlapping items while merging the
// rest, and stream everything through the shared writer without dropping
// anything, splitting only items larger than its buffer.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "render/dyn_vb_writer.h"
#include "render/render_batch.h"
#include "tests/render/render_test_env.h"

namespace {
// Records what the writer draws instead of binding GL state.
std::vector<int> drawn_counts;
std::vector<int> drawn_users;
void record_draw(int count, int user) {
  drawn_counts.push_back(count);
  drawn_users.push_back(user);
}

class RecordingState : public BaseRenderBatchState {
public:
  explicit RecordingState(int id) : id(id) {}
  void begin(BaseRenderBatchState*) override { common_vb_writer.begin(record_draw, id); }
  int id;
};

class RenderBatchTest : public ::testing::Test {
protected:
  void SetUp() override {
    drawn_counts.clear();
    drawn_users.clear();
    common_vb_writer.init(256);
  }
  void TearDown() override { common_vb_writer.release(); }
  void* add(RenderBatch& b, BaseRenderBatchState* s, BatchRect r, int size = 16, int prims = 1) {
    void* p = b.add(s, r, size, prims);
    memset(p, 0xAB, size_t(size));
    return p;
  }
  RecordingState s1{1}, s2{2};
};
}  // namespace

TEST_F(RenderBatchTest, LaterItemJoinsEarlierGroupOnlyWhenNothingBetweenOverlapsIt) {
  RenderBatch apart(1024);
  add(apart, &s1, {0, 0, 10, 10});
  add(apart, &s2, {20, 0, 30, 10});
  add(apart, &s1, {40, 0, 50, 10});
  ASSERT_EQ(apart.groups.num, 2);
  EXPECT_EQ(apart.groups[0].state, &s1);
  EXPECT_NE(apart.groups[0].first->next, nullptr);  // both S1 items, drawn before S2
  EXPECT_FLOAT_EQ(apart.groups[0].rect.x1, 50);

  RenderBatch covered(1024);
  add(covered, &s1, {0, 0, 10, 10});
  add(covered, &s2, {20, 0, 30, 10});
  add(covered, &s1, {25, 5, 35, 15});
  ASSERT_EQ(covered.groups.num, 3);
  EXPECT_EQ(covered.groups[2].state, &s1);

  // The group's box may overlap while none of its items does.
  RenderBatch gap(1024);
  add(gap, &s1, {0, 0, 10, 10});
  add(gap, &s2, {0, 0, 5, 5});
  add(gap, &s2, {40, 40, 50, 50});
  add(gap, &s1, {20, 20, 30, 30});
  EXPECT_EQ(gap.groups.num, 2);
}

TEST_F(RenderBatchTest, TouchingOnTheLeftOrTopEdgeCountsAsOverlap) {
  BatchRect b = {10, 10, 20, 20};
  EXPECT_TRUE(batch_rects_overlap({20, 12, 30, 18}, b));   // a.x0 == b.x1
  EXPECT_TRUE(batch_rects_overlap({12, 20, 18, 30}, b));   // a.y0 == b.y1
  EXPECT_FALSE(batch_rects_overlap({0, 12, 10, 18}, b));   // a.x1 == b.x0
  EXPECT_FALSE(batch_rects_overlap({12, 0, 18, 10}, b));   // a.y1 == b.y0
  RenderBatch batch(1024);
  add(batch, &s1, {0, 0, 10, 10});
  add(batch, &s2, {10, 0, 20, 10});
  add(batch, &s1, {20, 0, 30, 10});  // touches the S2 item on its left edge
  EXPECT_EQ(batch.groups.num, 3);
}

TEST_F(RenderBatchTest, RenderDrawsGroupsInOrderAndRelocksWhenTheBufferFills) {
  RenderBatch batch(1024);
  add(batch, &s1, {0, 0, 1, 1}, 96, 2);
  add(batch, &s2, {5, 5, 6, 6}, 48, 1);
  add(batch, &s1, {2, 2, 3, 3}, 96, 3);
  add(batch, &s1, {2, 2, 3, 3}, 96, 5);  // 288 bytes of S1: wraps once
  batch.render();
  EXPECT_EQ(drawn_counts, (std::vector<int>{5, 5, 1}));
  EXPECT_EQ(drawn_users, (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(common_vb_writer.startPtr, nullptr);
}

// A world name of 419 characters once stopped the game here.
TEST_F(RenderBatchTest, ItemsLargerThanTheWriterAreDrawnInWholePrimitives) {
  RenderBatch batch(64);
  add(batch, &s1, {0, 0, 1, 1}, 256, 8);
  batch.render();
  EXPECT_EQ(drawn_counts, std::vector<int>{8});
  drawn_counts.clear();
  drawn_users.clear();
  RenderBatch big(64);
  add(big, &s1, {0, 0, 1, 1}, 96, 2);
  add(big, &s1, {0, 0, 1, 1}, 48 * 11, 11);  // 3 fill the rest, then 5 and 3
  add(big, &s2, {5, 5, 6, 6}, 32 * 20, 20);
  big.render();
  EXPECT_EQ(drawn_counts, (std::vector<int>{5, 5, 3, 8, 8, 4}));
  EXPECT_EQ(drawn_users, (std::vector<int>{1, 1, 1, 2, 2, 2}));
  EXPECT_EQ(common_vb_writer.startPtr, nullptr);
  // Primitives of no common size can't be split.
  RenderBatch odd(64);
  add(odd, &s1, {0, 0, 1, 1}, 257, 7);
  EXPECT_EXIT(odd.render(), testing::ExitedWithCode(100), "batch item of 257 bytes in 7 primitives");
}

TEST_F(RenderBatchTest, ClearReusesTheBlocksAndItemsStayAligned) {
  RenderBatch batch(256);
  uint8_t* first = (uint8_t*)add(batch, &s1, {0, 0, 1, 1}, 20);
  uint8_t* second = (uint8_t*)add(batch, &s1, {0, 0, 1, 1}, 20);
  EXPECT_EQ((uintptr_t(first) - 32) % 16, 0u);
  EXPECT_EQ((uintptr_t(second) - 32) % 16, 0u);
  uint8_t* big = (uint8_t*)add(batch, &s2, {0, 0, 1, 1}, 1000);  // a block of its own
  EXPECT_EQ(first[19], 0xAB);
  EXPECT_EQ(big[999], 0xAB);
  batch.clear();
  EXPECT_EQ(batch.groups.num, 0);
  // The newest block is tried first and is empty again.
  EXPECT_EQ((uint8_t*)add(batch, &s1, {0, 0, 1, 1}, 20), big);
  EXPECT_EQ((uint8_t*)add(batch, &s1, {0, 0, 1, 1}, 20) - big, 64);
}

TEST_F(RenderBatchTest, WriterMisuseStopsAndIdleFlushesDoNothing) {
  common_vb_writer.flush(true);   // never started
  common_vb_writer.flush(false);  // nothing written
  EXPECT_TRUE(drawn_counts.empty());
  common_vb_writer.begin(record_draw, 3);
  EXPECT_EQ(common_vb_writer.freeSpace(), 256);
  common_vb_writer.flush(false);  // started but empty: still nothing
  EXPECT_TRUE(drawn_counts.empty());
  EXPECT_EXIT(common_vb_writer.begin(record_draw, 3), testing::ExitedWithCode(100), "failed ASSERT\\(!startPtr\\)");
  EXPECT_EXIT(common_vb_writer.init(512), testing::ExitedWithCode(100), "failed ASSERT\\(!startPtr\\)");
  common_vb_writer.writePtr += 12;
  common_vb_writer.count = 1;
  common_vb_writer.flush(true);
  EXPECT_EQ(drawn_counts, std::vector<int>{1});
  EXPECT_EQ(common_vb_writer.renderFunc, nullptr);
  EXPECT_EXIT(common_vb_writer.init(-5), testing::ExitedWithCode(100), "can't create dynamic VB of size -5");
  // A shutdown in the middle of a draw (after a fatal error) releases it.
  common_vb_writer.begin(record_draw, 4);
  common_vb_writer.writePtr += 12;
  common_vb_writer.count = 1;
  common_vb_writer.release();
  EXPECT_EQ(common_vb_writer.startPtr, nullptr);
  EXPECT_EQ(drawn_counts, std::vector<int>{1});
  common_vb_writer.init(256);
}
