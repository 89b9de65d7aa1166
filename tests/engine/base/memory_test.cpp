#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "platform/sync.h"
#include "test_folder.h"

namespace {

TrackedBlockHeader* HeaderOf(void* p) {
  return reinterpret_cast<TrackedBlockHeader*>(static_cast<unsigned char*>(p) - TRACKED_HEADER_SIZE);
}

class MemoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_.Enter();
    g_LogTimeStampOffFlag = 1;
    LogFileInitialize();
    GetAllocationTotals(&bytes0_, &count0_);
  }
  void TearDown() override {
    int64_t bytes;
    int count;
    GetAllocationTotals(&bytes, &count);
    EXPECT_EQ(bytes, bytes0_);
    EXPECT_EQ(count, count0_);
    g_LogTimeStampOffFlag = 0;
    folder_.Leave();
  }
  TestFolder folder_;
  int64_t bytes0_ = 0;
  int count0_ = 0;
};

TEST_F(MemoryTest, HeaderRecordsTheCaller) {
  void* p = TrackedAlloc(10, "abcde/0123456789.cpp", 42);
  void* q = TrackedAlloc(3, "short.c", 7);
  void* r = TrackedAlloc(3, nullptr, 0);
  ASSERT_TRUE(p && q && r);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
  EXPECT_STREQ(HeaderOf(p)->name, "/0123456789.cpp");
  EXPECT_STREQ(HeaderOf(q)->name, "short.c");
  EXPECT_STREQ(HeaderOf(r)->name, "");
  EXPECT_EQ(HeaderOf(p)->line, 42);
  EXPECT_EQ(HeaderOf(p)->size, 10u);
  EXPECT_EQ(static_cast<uint16_t>(HeaderOf(p)->id + 1), HeaderOf(q)->id);
  EXPECT_EQ(HeaderOf(q)->next, HeaderOf(p));
  EXPECT_EQ(HeaderOf(p)->previous, HeaderOf(q));
  TrackedFree(q);
  EXPECT_EQ(HeaderOf(r)->next, HeaderOf(p));
  EXPECT_EQ(CheckAllocations(), 0);   // the neighbours' guards follow their new links
  TrackedFree(p);
  TrackedFree(r);
  TrackedFree(nullptr);
  auto* z = static_cast<unsigned char*>(TrackedCalloc(64, "z", 1));
  ASSERT_NE(z, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(z[i], 0);
  TrackedFree(z);
}

TEST_F(MemoryTest, DumpListsNewestFirstWithTotals) {
  int64_t bytes0;
  int count0;
  GetAllocationTotals(&bytes0, &count0);
  void* a = TrackedAlloc(100, "blockA", 1);
  void* b = TrackedAlloc(200, "blockB", 2);
  void* c = TrackedAlloc(300, "blockC", 3);
  TrackedFree(b);
  int64_t bytes;
  int count;
  GetAllocationTotals(&bytes, &count);
  EXPECT_EQ(bytes - bytes0, 400);
  EXPECT_EQ(count - count0, 2);
  DumpAllocations();
  std::string log = folder_.Read("Log.txt");
  EXPECT_EQ(log.rfind("\r\nAlloc memory dump\r\n", 0), 0u) << log;
  size_t posA = log.find("file:blockA"), posC = log.find("file:blockC");
  EXPECT_NE(posA, std::string::npos);
  EXPECT_NE(posC, std::string::npos);
  EXPECT_LT(posC, posA);
  EXPECT_EQ(log.find("blockB"), std::string::npos);
  EXPECT_NE(log.find("\tTotal size:" + std::to_string(bytes)), std::string::npos);
  EXPECT_NE(log.find("Alloc num:" + std::to_string(count) + "\r\n\r\n"), std::string::npos);
  TrackedFree(a);
  TrackedFree(c);
}

TEST_F(MemoryTest, DamagedHeaderIsFoundAndLogged) {
  void* a = TrackedAlloc(8, "intact", 1);
  void* b = TrackedAlloc(8, "damaged", 2);
  unsigned char* raw = reinterpret_cast<unsigned char*>(HeaderOf(b));
  EXPECT_EQ(CheckAllocations(), 0);
  raw[20] ^= 0x40;   // inside the size field
  EXPECT_EQ(CheckAllocations(), -1);
  std::string log = folder_.Read("Log.txt");
  EXPECT_NE(log.find("以下のメモリ確保情報が破損しました\r\n\tsize:"), std::string::npos) << log;
  raw[20] ^= 0x40;
  EXPECT_EQ(CheckAllocations(), 0);
  TrackedFree(a);
  TrackedFree(b);
}

TEST_F(MemoryTest, SizesThatWrapWithTheHeaderAreRefused) {
  EXPECT_EQ(TrackedAlloc(SIZE_MAX - 10, "huge", 1), nullptr);
  EXPECT_EQ(TrackedAlloc(SIZE_MAX, "huge", 1), nullptr);
  EXPECT_EQ(TrackedCalloc(UINT32_MAX, "huge", 1), nullptr);
  EXPECT_NE(folder_.Read("Log.txt").find("Alloc memory dump"), std::string::npos);
}

TEST_F(MemoryTest, ThreadsAllocateAndFreeSafely) {
  auto work = [](void*) {
    void* keep[16] = {};
    for (int i = 0; i < 4000; ++i) {
      int k = i % 16;
      TrackedFree(keep[k]);
      keep[k] = TrackedAlloc(static_cast<size_t>(1 + i % 50), "thread", i);
    }
    for (void* p : keep) TrackedFree(p);
  };
  plat::Thread* t[4];
  for (auto& th : t) th = plat::ThreadStart(work, nullptr);
  for (auto& th : t) plat::ThreadJoin(th);
  EXPECT_EQ(CheckAllocations(), 0);
}

// A ring of capacity 100 holding 30 bytes that start at position 90 and wrap.
RingBuffer WrappedRing() {
  RingBuffer ring{};
  ring.data = static_cast<uint8_t*>(TRACKED_ALLOC(100));
  ring.capacity = 100;
  ring.readPos = 90;
  ring.dataLength = 30;
  ring.writePos = 20;
  for (int i = 0; i < 30; ++i) ring.data[(90 + i) % 100] = static_cast<uint8_t>(i + 1);
  return ring;
}

TEST_F(MemoryTest, RingGrowsAndUnwrapsItsData) {
  RingBuffer ring = WrappedRing();
  EXPECT_EQ(RingBufferReserve(70, &ring), 0);   // fits: nothing moves
  EXPECT_EQ(ring.capacity, 100);
  EXPECT_EQ(ring.readPos, 90);
  EXPECT_EQ(RingBufferReserve(100, &ring), 0);
  EXPECT_EQ(ring.capacity, 1130);
  EXPECT_EQ(ring.readPos, 0);
  EXPECT_EQ(ring.writePos, 30);
  EXPECT_EQ(ring.dataLength, 30);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(ring.data[i], i + 1);
  EXPECT_EQ(RingBufferFree(&ring), 0);
  EXPECT_EQ(ring.data, nullptr);
  EXPECT_EQ(ring.capacity, 0);

  RingBuffer flat{};   // stored in one piece, and an empty ring
  EXPECT_EQ(RingBufferReserve(5, &flat), 0);
  EXPECT_EQ(flat.capacity, 1005);
  memcpy(flat.data + 10, "hello", 5);
  flat.readPos = 10;
  flat.dataLength = 5;
  flat.writePos = 15;
  EXPECT_EQ(RingBufferReserve(2000, &flat), 0);
  EXPECT_EQ(memcmp(flat.data, "hello", 5), 0);
  RingBufferFree(&flat);

  RingBuffer at{};
  at.capacity = 10;
  at.readPos = 10;
  at.writePos = 10;
  RingBufferWrap(&at);
  EXPECT_EQ(at.readPos, 0);
  EXPECT_EQ(at.writePos, 0);
}

TEST_F(MemoryTest, RefusedRingGrowthKeepsTheData) {
  RingBuffer ring = WrappedRing();
  uint8_t* before = ring.data;
  EXPECT_EQ(RingBufferReserve(INT_MAX, &ring), -1);
  EXPECT_EQ(ring.data, before);
  EXPECT_EQ(ring.capacity, 100);
  EXPECT_EQ(ring.readPos, 90);
  EXPECT_EQ(ring.dataLength, 30);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(ring.data[(90 + i) % 100], i + 1);
  EXPECT_NE(folder_.Read("Log.txt").find("リングバッファの再確保に失敗しました"), std::string::npos);
  RingBufferFree(&ring);
}

TEST(ListTest, NewestFirstAndRemoval) {
  ListNode head, tail, a, b, c;
  ListInit(&head, &tail);
  EXPECT_EQ(head.value, -1);
  EXPECT_EQ(tail.value, -1);
  EXPECT_EQ(head.next, &tail);
  int da = 0;
  ListInsertAfter(&head, &a, 1, &da);
  ListInsertAfter(&head, &b, 2, nullptr);
  ListInsertAfter(&head, &c, 3, nullptr);
  std::string order;
  for (ListNode* n = head.next; n != &tail; n = n->next) order += std::to_string(n->value);
  EXPECT_EQ(order, "321");
  EXPECT_EQ(a.data, &da);
  ListRemove(&b);
  order.clear();
  for (ListNode* n = head.next; n != &tail; n = n->next) order += std::to_string(n->value);
  EXPECT_EQ(order, "31");
  order.clear();
  for (ListNode* n = tail.previous; n != &head; n = n->previous) order += std::to_string(n->value);
  EXPECT_EQ(order, "13");
}

TEST(PointerListTest, FreesAndEmpties) {
  void* list[4] = {TRACKED_ALLOC(4), nullptr, TRACKED_ALLOC(8), TRACKED_ALLOC(1)};
  int count = 4;
  EXPECT_EQ(FreePointerList(list, &count), 0);
  EXPECT_EQ(count, 0);
  for (void* p : list) EXPECT_EQ(p, nullptr);
}

}  // namespace
