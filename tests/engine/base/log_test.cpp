#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "test_folder.h"

namespace {

// Removes the "%d:" stamp from the start of every line; a line without one comes back marked "!".
std::string StripStamps(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = i;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    if (j == i || j >= text.size() || text[j] != ':') return out + "!";
    size_t end = text.find('\n', j);
    end = end == std::string::npos ? text.size() : end + 1;
    out += text.substr(j + 1, end - j - 1);
    i = end;
  }
  return out;
}

class LogTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_.Enter();
    g_LogOffFlag = 0;
    g_LogDateStampedNameFlag = 0;
    g_LogTimeStampOffFlag = 1;
    LogFileInitialize();
  }
  void TearDown() override {
    g_LogTimeStampOffFlag = 0;
    g_LogDateStampedNameFlag = 0;
    folder_.Leave();
  }
  std::string Log() { return folder_.Read("Log.txt"); }
  TestFolder folder_;
};

TEST_F(LogTest, LineFeedsGetCarriageReturnsUntilTheFirstExistingPair) {
  LogWrite("a\nb\n");
  EXPECT_EQ(Log(), "a\r\nb\r\n");
  LogFileInitialize();
  LogWrite("a\r\nb\n");
  EXPECT_EQ(Log(), "a\r\nb\n");
  LogFileInitialize();
  LogWrite("x\n\ny\r\nz\n");
  EXPECT_EQ(Log(), "x\r\n\r\ny\r\nz\n");
}

TEST_F(LogTest, SecondBytesOfDoubleByteCharactersAreNotLineFeeds) {
  // "ソ" has the trail byte 0x5C; a lead byte swallows whatever follows it, even a line feed.
  LogWrite("ソ\n\x81\n");
  EXPECT_EQ(Log(), "\x83\x5C\r\n\x81\n");
}

TEST_F(LogTest, TimeStampAndTabsOnlyAtTheStartOfALine) {
  g_LogTimeStampOffFlag = 0;
  EXPECT_EQ(LogWrite("abc"), -1);
  LogWrite("def\n");
  LogIndentIncrease();
  LogIndentIncrease();
  LogWrite("g\n");
  LogIndentDecrease();
  LogIndentDecrease();
  LogIndentDecrease();   // never below 0
  LogWrite("h\n");
  EXPECT_EQ(StripStamps(Log()), "abcdef\r\n\t\tg\r\nh\r\n") << Log();
}

TEST_F(LogTest, DebuggerOutputGetsTabsAndTextButNoTimeStamp) {
  g_LogTimeStampOffFlag = 0;
  LogIndentIncrease();
  ::testing::internal::CaptureStderr();
  LogWrite("abc\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "\tabc\r\n");
  LogIndentDecrease();
}

TEST_F(LogTest, TerminalGetsTheUserCharacterSetAndTheFileKeepsItsBytes) {
  const char* old = getenv("LC_ALL");
  const std::string saved = old ? old : "";
  setenv("LC_ALL", "C.UTF-8", 1);
  ::testing::internal::CaptureStderr();
  LogWrite("画面モード変更処理を開始します\n");
  const std::string shown = ::testing::internal::GetCapturedStderr();
  if (old) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
  EXPECT_EQ(shown, reinterpret_cast<const char*>(u8"画面モード変更処理を開始します\r\n"));
  EXPECT_EQ(Log(), "画面モード変更処理を開始します\r\n");   // CP932, as the literal here
}

TEST_F(LogTest, SwitchedOffWritesNothingAnywhere) {
  LogWrite("before\n");
  EXPECT_EQ(SetLogFileOutputFlag(0), 0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LogWrite("after\n"), -1);
  EXPECT_EQ(LogPrintf("%d", 5), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Log(), "before\r\n");
  SetLogFileOutputFlag(1);
  LogWrite("again\n");
  EXPECT_EQ(Log(), "before\r\nagain\r\n");
}

TEST_F(LogTest, NoStartFolderMeansNoFile) {
  std::string saved = g_StartDirectory;
  g_StartDirectory[0] = '\0';
  LogWrite("lost\n");
  snprintf(g_StartDirectory, START_DIRECTORY_SIZE, "%s", saved.c_str());
  EXPECT_EQ(Log(), "");
}

TEST_F(LogTest, FileLivesInTheStartFolderWhateverTheCurrentFolder) {
  std::string sub = folder_.path + "/sub";
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  ASSERT_EQ(chdir(sub.c_str()), 0);
  LogWrite("x\n");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::string(cwd), sub);
  EXPECT_EQ(Log(), "x\r\n");
  EXPECT_EQ(folder_.Read("sub/Log.txt"), "");
}

TEST_F(LogTest, InitializeEmptiesAnOldFile) {
  LogWrite("old\n");
  EXPECT_EQ(LogFileInitialize(), 1);
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(folder_.Exists("Log.txt"));
}

TEST_F(LogTest, DateStampedName) {
  g_LogDateStampedNameFlag = 1;
  EXPECT_EQ(LogFileInitialize(), 1);
  std::string name = GetLogFileName();
  int y, mo, d, h, mi, sec;
  char rest[8] = {};
  ASSERT_EQ(sscanf(name.c_str(), "Log%d_%d_%d_%d_%d_%d%7s", &y, &mo, &d, &h, &mi, &sec, rest), 7) << name;
  EXPECT_STREQ(rest, ".txt");
  char rebuilt[64];
  snprintf(rebuilt, sizeof rebuilt, "Log%d_%d_%d_%d_%d_%d.txt", y, mo, d, h, mi, sec);
  EXPECT_EQ(name, rebuilt);   // no padding anywhere
  LogWrite("d\n");
  EXPECT_EQ(folder_.Read(name), "d\r\n");
}

TEST_F(LogTest, LongTextsAndLongFormats) {
  std::string big(5000, 'q');
  LogWrite((big + "\n").c_str());
  EXPECT_EQ(Log(), big + "\r\n");
  LogFileInitialize();
  LogPrintf("%s", big.c_str());   // cut to the 1 KB buffer, still ended by a line feed
  EXPECT_EQ(Log(), std::string(1022, 'q') + "\r\n");
}

TEST_F(LogTest, MemoryBlockLine) {
  auto* p = static_cast<unsigned char*>(TrackedAlloc(20, "some/dir/abcdefghijklmnop.cpp", 77));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 20; ++i) p[i] = static_cast<unsigned char>('A' + i);
  p[1] = 0x01;
  auto* h = reinterpret_cast<TrackedBlockHeader*>(p - TRACKED_HEADER_SIZE);
  LogMemoryBlock(h);
  char expect[256];
  snprintf(expect, sizeof expect,
           "\tsize:20(0.020kb)  file:fghijklmnop.cpp  line:77  ID:%d  data:<A.CDEFGHIJKLMNOP> "
           "[41 01 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50]\r\n",
           h->id);
  EXPECT_EQ(Log(), expect);
  TrackedFree(p);
}

}  // namespace
