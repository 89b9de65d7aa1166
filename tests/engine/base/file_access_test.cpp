// The file-access table, plain and threaded files, memory streams, full paths, temporary files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/base/archive.h"
#include "engine/base/file_access.h"
#include "engine/base/temp_folder.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/sync.h"

namespace {

class PlainFileTest : public ::testing::TestWithParam<int> {};

// Both modes share the read rules: whole items only, the end flag set by a read that gets nothing.
TEST_P(PlainFileTest, ShortItemsEndFlagAndSeeks) {
  TempFolder tmp;
  tmp.Write("ten.bin", std::string("0123456789"));
  ThreadFile* f = ThreadFileOpen("ten.bin", GetParam());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ThreadFileSize(f), 10);
  char buf[16] = {};
  EXPECT_EQ(ThreadFileRead(buf, 4, 3, f), 2u);
  EXPECT_EQ(std::string(buf, 8), "01234567");
  EXPECT_EQ(ThreadFileTell(f), 8);
  EXPECT_EQ(ThreadFileEof(f), 0);
  EXPECT_EQ(ThreadFileRead(buf, 4, 1, f), 0u);   // two bytes left, no whole item
  EXPECT_EQ(ThreadFileEof(f), -1);
  EXPECT_EQ(ThreadFileSeek(f, -4, 1), 0);
  EXPECT_EQ(ThreadFileEof(f), 0);
  EXPECT_EQ(ThreadFileRead(buf, 1, 16, f), 6u);
  EXPECT_EQ(std::string(buf, 6), "456789");

  // Past the end is the end: no underflow of the bytes left.
  EXPECT_EQ(ThreadFileSeek(f, 5, 2), 0);
  EXPECT_EQ(ThreadFileTell(f), 15);
  EXPECT_EQ(ThreadFileRead(buf, 1, 4, f), 0u);
  EXPECT_EQ(ThreadFileEof(f), -1);
  EXPECT_EQ(ThreadFileTell(f), 15);
  EXPECT_EQ(ThreadFileSeek(f, -20, 1), -1);       // before the start: refused, position kept
  EXPECT_EQ(ThreadFileTell(f), 15);
  EXPECT_EQ(ThreadFileSeek(f, 3, 0), 0);
  EXPECT_EQ(ThreadFileRead(buf, 0, 4, f), 0u);
  EXPECT_EQ(ThreadFileRead(buf, 2, 2, f), 2u);
  EXPECT_EQ(std::string(buf, 4), "3456");
  EXPECT_EQ(ThreadFileIdle(f), 1);
  EXPECT_EQ(ThreadFileClose(f), 0);
  EXPECT_EQ(ThreadFileOpen("missing.bin", GetParam()), nullptr);
}

// A file that shrinks after open: the position moves by what was read, not by what was asked.
TEST_P(PlainFileTest, ShortReadAdvancesByBytesRead) {
  TempFolder tmp;
  tmp.Write("shrink.bin", TestBytes(1000, 1, false));
  ThreadFile* f = ThreadFileOpen("shrink.bin", GetParam());
  ASSERT_NE(f, nullptr);
  tmp.Write("shrink.bin", TestBytes(300, 1, false));   // truncates in place
  std::vector<uint8_t> buf(1000);
  EXPECT_EQ(ThreadFileRead(buf.data(), 1, 1000, f), 300u);
  EXPECT_EQ(ThreadFileTell(f), 300);
  ThreadFileClose(f);
}

// Large sequential reads through the read-ahead buffer match the file, across seeks.
TEST(ThreadedFile, ReadAheadMatchesFile) {
  TempFolder tmp;
  std::vector<uint8_t> data = TestBytes(300000, 7, false);
  tmp.Write("big.bin", data);
  plat::VirtualClockEnable();
  ThreadFile* f = ThreadFileOpen("big.bin", 1);
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> got(data.size());
  size_t at = 0;
  for (size_t step : {1000u, 70000u, 5u, 130000u}) {
    ASSERT_EQ(ThreadFileRead(got.data() + at, 1, step, f), step);
    at += step;
    plat::Sleep(150);   // let the thread top up its buffer between reads
  }
  ASSERT_EQ(ThreadFileRead(got.data() + at, 1, data.size(), f), data.size() - at);
  EXPECT_EQ(got, data);
  ASSERT_EQ(ThreadFileSeek(f, 12345, 0), 0);
  uint8_t b[16];
  ASSERT_EQ(ThreadFileRead(b, 16, 1, f), 1u);
  EXPECT_EQ(0, std::memcmp(b, data.data() + 12345, 16));
  EXPECT_EQ(ThreadFileClose(f), 0);
  plat::VirtualClockDisable();
}

INSTANTIATE_TEST_SUITE_P(Modes, PlainFileTest, ::testing::Values(0, 1));

TEST(MemoryStream, ReadsSeeksAndTheEnd) {
  const char data[] = "0123456789";
  FileHandle h = MemoryStreamOpen(data, 10);
  ASSERT_NE(h, 0);
  const StreamFunctionTable* fn = GetMemoryStreamFunctions();
  char buf[16] = {};
  EXPECT_EQ(fn->read(buf, 4, 3, h), 2u);
  EXPECT_EQ(fn->read(buf, 4, 3, h), 1u);    // the last two bytes as one short item
  EXPECT_EQ(std::string(buf, 2), "89");
  EXPECT_EQ(fn->eof(h), 0);
  EXPECT_EQ(fn->read(buf, 4, 3, h), 0u);
  EXPECT_EQ(fn->eof(h), 1);
  EXPECT_EQ(fn->seek(h, -5, 0), 0);
  EXPECT_EQ(fn->tell(h), 0);
  EXPECT_EQ(fn->eof(h), 0);
  EXPECT_EQ(fn->seek(h, 50, 1), 0);
  EXPECT_EQ(fn->tell(h), 10);
  EXPECT_EQ(fn->seek(h, -3, 2), 0);
  EXPECT_EQ(fn->read(buf, 1, 8, h), 3u);
  // Asking for no items copies nothing, even with fewer bytes left than one item.
  EXPECT_EQ(fn->seek(h, -2, 2), 0);
  buf[0] = 'x';
  EXPECT_EQ(fn->read(buf, 4, 0, h), 0u);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(fn->tell(h), 8);
  EXPECT_EQ(fn->idle(h), 1);
  EXPECT_EQ(fn->close(h), 0);
  EXPECT_EQ(fn->close(h), -1);              // stale
  EXPECT_EQ(fn->read(buf, 1, 1, h), 0u);
  EXPECT_EQ(MemoryStreamTell(h + 1), -1);   // a handle that never was
}

class FileTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitializeArchiveLayer();
    SetArchiveUseFlag(1);
    SetFileAccessTable(nullptr);
  }
  void TearDown() override {
    SetArchiveUseFlag(1);
    SetFileAccessTable(nullptr);
    InitializeArchiveLayer();
  }
};

size_t CountOpens = 0;
FileHandle CountingOpen(const char* name, int flag) {
  CountOpens++;
  return PlainFileOpen(name, flag);
}

TEST_F(FileTableTest, ArchiveUseFlagSwitchesOnlyTheDefaultSet) {
  EXPECT_EQ(IsDefaultFileAccessTable(), 1);
  FileAccessTable plain = {PlainFileOpen, PlainFileClose, PlainFileTell, PlainFileSeek, PlainFileRead,
                           PlainFileEof, PlainFileIdle, PlainSetCurrentDir, PlainGetCurrentDir};
  EXPECT_EQ(SetArchiveUseFlag(0), 0);
  EXPECT_EQ(IsDefaultFileAccessTable(), 1);
  SetFileAccessTable(&plain);
  EXPECT_EQ(IsDefaultFileAccessTable(), 1);   // the plain set is the default while bypassing
  EXPECT_EQ(SetArchiveUseFlag(1), 0);
  EXPECT_EQ(IsDefaultFileAccessTable(), 1);   // the archive set came in
  EXPECT_EQ(SetArchiveUseFlag(1), 0);
  EXPECT_EQ(IsDefaultFileAccessTable(), 1);

  TempFolder tmp;
  tmp.Write("a.txt", std::string("abc"));
  FileAccessTable custom = plain;
  custom.open = CountingOpen;
  SetFileAccessTable(&custom);
  EXPECT_EQ(IsDefaultFileAccessTable(), 0);
  SetArchiveUseFlag(0);
  SetArchiveUseFlag(1);
  CountOpens = 0;
  FileHandle h = FileOpen("a.txt", 0);
  ASSERT_NE(h, 0);
  EXPECT_EQ(CountOpens, 1u);                  // the caller's table stayed in place
  FileClose(h);
}

TEST_F(FileTableTest, FileStreamSourceFollowsTheInstalledTable) {
  TempFolder tmp;
  tmp.Write("s.bin", std::string("stream"));
  for (int useArchives : {0, 1}) {
    SetArchiveUseFlag(useArchives);
    StreamSource src = {*GetFileStreamFunctions(), FileOpen("s.bin", 0)};
    ASSERT_NE(src.handle, 0);
    char buf[8] = {};
    EXPECT_EQ(src.fn.seek(src.handle, 0, 2), 0);
    EXPECT_EQ(src.fn.tell(src.handle), 6);
    EXPECT_EQ(src.fn.seek(src.handle, 0, 0), 0);
    EXPECT_EQ(src.fn.read(buf, 6, 1, src.handle), useArchives ? 1u : 1u);
    EXPECT_EQ(std::string(buf), "stream");
    EXPECT_EQ(src.fn.read(buf, 1, 1, src.handle), 0u);
    EXPECT_NE(src.fn.eof(src.handle), 0);
    EXPECT_EQ(src.fn.idle(src.handle), 1);
    EXPECT_EQ(src.fn.close(src.handle), 0);
    EXPECT_EQ(src.fn.close(src.handle), -1);
  }
}

TEST(FullPath, WindowsRules) {
  char out[FILE_PATH_MAX];
  ASSERT_EQ(BuildFullPath("a\\..\\b", out, sizeof out, "C:\\x"), 0);
  EXPECT_STREQ(out, "C:\\x\\b");
  ASSERT_EQ(BuildFullPath("\\y", out, sizeof out, "D:\\x"), 0);
  EXPECT_STREQ(out, "D:\\y");
  EXPECT_EQ(BuildFullPath("a\\\\b", out, sizeof out, "C:\\x"), -1);
  ASSERT_EQ(BuildFullPath("a\\..", out, sizeof out, "C:\\x"), 0);
  EXPECT_STREQ(out, "C:\\x\\a\\..");
  ASSERT_EQ(BuildFullPath("E:\\p/q\\.\\r", out, sizeof out, "C:\\x"), 0);
  EXPECT_STREQ(out, "E:\\p\\q\\r");
  ASSERT_EQ(BuildFullPath("e:file", out, sizeof out, "C:\\x"), 0);
  EXPECT_STREQ(out, "e:\\file");
  ASSERT_EQ(BuildFullPath("..\\..\\..\\z", out, sizeof out, "C:\\x\\y\\"), 0);
  EXPECT_STREQ(out, "C:\\z");                // ".." stops at the drive
  ASSERT_EQ(BuildFullPath(nullptr, out, sizeof out, "C:\\x"), 0);
  EXPECT_STREQ(out, "C:\\x");
  // The trail byte of a double-byte character is 0x5C ("\") here: it never splits a part.
  ASSERT_EQ(BuildFullPath("\x95\x5C\\..\\b", out, sizeof out, "C:\\x"), 0);
  EXPECT_STREQ(out, "C:\\x\\b");
  ASSERT_EQ(BuildFullPath("dir\\\x95\x5C", out, sizeof out, "C:\\x"), 0);
  ASSERT_EQ(BuildFullPath("..", out, sizeof out, "C:\\x\\\x95\x5C"), 0);
  EXPECT_STREQ(out, "C:\\x\\\x95\x5C\\..");
  ASSERT_EQ(BuildFullPath("a\\..\\b", out, sizeof out, "C:\\x\\\x95\x5C"), 0);
  EXPECT_STREQ(out, "C:\\x\\\x95\x5C\\b");
  ASSERT_EQ(BuildUpperFullPath("vlxdat\\pic00.png", out, sizeof out, "c:\\game\\\x82\xa0x"), 0);
  EXPECT_STREQ(out, "C:\\GAME\\\x82\xa0X\\VLXDAT\\PIC00.PNG");
  ASSERT_EQ(BuildUpperFullPath("d:\\\x83\x61z", out, sizeof out, "C:\\x"), 0);
  EXPECT_STREQ(out, "D:\\\x83\x61Z");         // a double-byte trail byte "a" stays
  // Outputs that do not fit fail instead of running over.
  char small[8];
  EXPECT_EQ(BuildFullPath("abcdef", small, sizeof small, "C:\\x"), -1);
  EXPECT_EQ(BuildFullPath("ab", small, sizeof small, "C:\\x"), 0);
  EXPECT_STREQ(small, "C:\\x\\ab");
}

TEST(FullPath, CurrentDirectoryIsTheDefaultBase) {
  InitializeArchiveLayer();
  SetFileAccessTable(nullptr);
  TempFolder tmp;
  char out[FILE_PATH_MAX];
  ASSERT_EQ(BuildFullPath("f.txt", out, sizeof out, nullptr), 0);
  EXPECT_EQ(std::string(out), tmp.WindowsPath() + "\\f.txt");
}

// A current directory longer than the path buffers reaches both back ends as a drive of its own.
TEST(CurrentDir, TooLongForTheBufferComesAsADrive) {
  TempFolder tmp;
  std::string deep = tmp.Path();
  while (deep.size() < FILE_PATH_MAX + 100) deep += "/" + std::string(200, 'd');
  std::filesystem::create_directories(deep);
  std::filesystem::current_path(deep);
  char buf[FILE_PATH_MAX];
  EXPECT_EQ(ArchiveGetCurrentDir(buf), 0);
  EXPECT_TRUE(buf[0] != 'Z' && std::string(buf + 1) == ":\\" + std::string(200, 'd')) << buf;
  EXPECT_EQ(PlainGetCurrentDir(buf), 203);
  std::filesystem::current_path(tmp.Path());
  EXPECT_EQ(ArchiveGetCurrentDir(buf), 0);
  EXPECT_EQ(std::string(buf), tmp.WindowsPath());
  EXPECT_EQ(PlainGetCurrentDir(buf), int(tmp.WindowsPath().size()));
  EXPECT_EQ(ArchiveSetCurrentDir(".."), 0);
  EXPECT_NE(PlainSetCurrentDir(tmp.Path().c_str()), 0);
  EXPECT_EQ(PlainSetCurrentDir("no-such-folder"), 0);
}

TEST(TempFile, CreatesANewWritableFile) {
  char path[FILE_PATH_MAX];
  plat::File* f = CreateTempFile(path, sizeof path);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(plat::FileWrite(f, "movie", 5), 5);
  plat::FileClose(f);
  EXPECT_EQ(plat::FileSizeByName(path), 5);
  char second[FILE_PATH_MAX];
  plat::File* g = CreateTempFile(second, sizeof second);
  ASSERT_NE(g, nullptr);
  plat::FileClose(g);
  EXPECT_STRNE(path, second);
  EXPECT_NE(std::strstr(path, "\\tmp"), nullptr);
  EXPECT_TRUE(plat::FileDelete(path));
  EXPECT_TRUE(plat::FileDelete(second));
  char tiny[4];
  EXPECT_EQ(CreateTempFile(tiny, sizeof tiny), nullptr);
}

}  // namespace
