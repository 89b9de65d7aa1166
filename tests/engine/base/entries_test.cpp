#include <gtest/gtest.h>

#include "engine/base/base_state.h"
#include "engine/base/lock.h"
#include "engine/engine.h"

namespace {

bool LockFree() {
  LibraryLockView v;
  LibraryLockGetView(&v);
  return v.locked == 0 && v.depth == 0;
}

TEST(EntriesTest, EntriesReleaseTheLockAndPassResultsThrough) {
  EXPECT_EQ(SetLogFileOutputFlagLocked(0), 0);
  EXPECT_EQ(g_LogOffFlag, 1);
  EXPECT_EQ(SetLogFileOutputFlagLocked(1), 0);
  EXPECT_EQ(g_LogOffFlag, 0);
  EXPECT_TRUE(LockFree());
  int a = GetMillisecondCountLocked(0);
  int b = GetMillisecondCountLocked(0);
  EXPECT_GE(static_cast<int>(static_cast<unsigned>(b) - static_cast<unsigned>(a)), 0);
  EXPECT_TRUE(LockFree());
  EXPECT_EQ(DrawGraphRotatedAboutCenterLocked(0, 0, 10, 10, 0, 0, 1.0, 0.5, 123, 1),
            DrawGraphTiledRotatedLocked(0, 0, 10, 10, 0, 0, 1.0, 0.5, 123, 1));
  EXPECT_TRUE(LockFree());
  // Held by the caller, entries nest inside the caller's lock.
  LibraryLock();
  GetMillisecondCountLocked(0);
  LibraryLockView v;
  LibraryLockGetView(&v);
  EXPECT_EQ(v.depth, 1);
  LibraryUnlock();
  EXPECT_TRUE(LockFree());
}

}  // namespace
