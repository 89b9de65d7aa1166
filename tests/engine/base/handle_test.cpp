#include <gtest/gtest.h>

#include "engine/base/handle.h"

namespace {

struct SoundLike {
  HandleRecordHead head;
  int payload;
};

int Slot(int h) { return h & 0xFFFF; }

class HandleTest : public ::testing::Test {
protected:
  void TearDown() override {
    for (int s = 0; s < t_.areaEnd; ++s) {
      int h = HandleFromSlot(&t_, s);
      if (h != -1) HandleDestroy(&t_, h);
    }
    HandleTableRelease(&t_);
  }
  HandleTable t_{};
};

TEST_F(HandleTest, HandleCarriesKindCheckAndSlot) {
  HandleTableInit(&t_, HANDLE_KIND_SOUND, 8);
  int a = HandleCreate(&t_, sizeof(SoundLike));
  int b = HandleCreate(&t_, sizeof(SoundLike));
  EXPECT_EQ(static_cast<uint32_t>(a), 0x10000000u);
  EXPECT_EQ(static_cast<uint32_t>(b), 0x10010001u);
  auto* rec = static_cast<SoundLike*>(HandleLookup(&t_, b));
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->head.check, 1u);
  EXPECT_EQ(rec->payload, 0);
  EXPECT_EQ(HandleFromSlot(&t_, 1), b);
  EXPECT_EQ(HandleFromSlot(&t_, 5), -1);
  EXPECT_EQ(HandleFromSlot(&t_, 99), -1);

  for (int bad : {-1, -2, -4, static_cast<int>(0x80000000u | static_cast<uint32_t>(a)),
                  static_cast<int>((static_cast<uint32_t>(a) & ~HANDLE_KIND_MASK) | HANDLE_KIND_GRAPH),
                  a | 0x00020000, a + 7, a + 0x8000}) {
    EXPECT_EQ(HandleLookup(&t_, bad), nullptr) << std::hex << bad;
    EXPECT_EQ(HandleDestroy(&t_, bad), -1) << std::hex << bad;
  }
  EXPECT_EQ(t_.count, 2);
}

TEST_F(HandleTest, AreaEndShrinksOnlyFromTheTopAndHolesWaitForTheEnd) {
  HandleTableInit(&t_, HANDLE_KIND_MOVIE, 4);
  int h[4];
  for (int i = 0; i < 3; ++i) h[i] = HandleCreate(&t_, sizeof(HandleRecordHead));
  EXPECT_EQ(t_.areaEnd, 3);
  EXPECT_EQ(HandleDestroy(&t_, h[1]), 0);
  EXPECT_EQ(t_.areaEnd, 3);   // a lower hole leaves the end
  EXPECT_EQ(HandleDestroy(&t_, h[2]), 0);
  EXPECT_EQ(t_.areaEnd, 1);   // the top pulls the end back over the hole below it
  h[1] = HandleCreate(&t_, sizeof(HandleRecordHead));
  h[2] = HandleCreate(&t_, sizeof(HandleRecordHead));
  h[3] = HandleCreate(&t_, sizeof(HandleRecordHead));
  EXPECT_EQ(Slot(h[3]), 3);
  EXPECT_EQ(t_.areaEnd, 4);
  HandleDestroy(&t_, h[1]);
  int again = HandleCreate(&t_, sizeof(HandleRecordHead));   // end reached: first free slot
  EXPECT_EQ(Slot(again), 1);
}

TEST_F(HandleTest, FullTableRefusesWithoutOverrun) {
  HandleTableInit(&t_, HANDLE_KIND_KEYINPUT, 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(HandleCreate(&t_, sizeof(HandleRecordHead)), -1);
  EXPECT_EQ(HandleCreate(&t_, sizeof(HandleRecordHead)), -1);
  EXPECT_EQ(HandleCreate(&t_, sizeof(HandleRecordHead)), -1);
  EXPECT_EQ(t_.count, 3);
  EXPECT_EQ(HandleCreate(&t_, 2), -1);   // a record too small for the head
}

TEST_F(HandleTest, StaleHandleFailsUntilTheCheckNumberWraps) {
  HandleTableInit(&t_, HANDLE_KIND_FONT, 1);
  int old = HandleCreate(&t_, sizeof(HandleRecordHead));
  HandleDestroy(&t_, old);
  int made = 0;
  for (; made < 2047; ++made) {
    int h = HandleCreate(&t_, sizeof(HandleRecordHead));
    EXPECT_EQ(HandleLookup(&t_, old), nullptr);
    HandleDestroy(&t_, h);
  }
  int wrapped = HandleCreate(&t_, sizeof(HandleRecordHead));   // 2048 records after the old one
  EXPECT_EQ(wrapped, old);
  EXPECT_NE(HandleLookup(&t_, old), nullptr);
}

TEST_F(HandleTest, DeletionNoticeAndFontSlots) {
  HandleTableInit(&t_, HANDLE_KIND_FONT, 4, true);
  int a = HandleCreate(&t_, sizeof(HandleRecordHead));
  int b = HandleCreate(&t_, sizeof(HandleRecordHead));
  int32_t gone = 0;
  static_cast<HandleRecordHead*>(HandleLookup(&t_, a))->deletedNotice = &gone;
  HandleDestroy(&t_, a);
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(Slot(HandleCreate(&t_, sizeof(HandleRecordHead))), 0);   // fonts reuse at once
  EXPECT_NE(HandleLookup(&t_, b), nullptr);
}

TEST_F(HandleTest, SurfaceDataTestsTheSignBitWithItsKind) {
  HandleTableInit(&t_, HANDLE_KIND_SURFACEDATA, 2);
  int h = HandleCreate(&t_, sizeof(HandleRecordHead));
  EXPECT_NE(HandleLookup(&t_, h), nullptr);
  EXPECT_EQ(HandleLookup(&t_, static_cast<int>(static_cast<uint32_t>(h) | 0x80000000u)), nullptr);
}

}  // namespace
