// The archive writer: round trips through the engine's reader for every version, folder packing
// with nested and Japanese names, and the writer's refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/archive.h"
#include "engine/base/file_access.h"
#include "engine/base/temp_folder.h"
#include "tools/common/archive_writer.h"

namespace {

std::string ReadWhole(const char* name) {
  FileHandle h = FileOpen(name, 0);
  if (!h) return "<none>";
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = FileRead(buf, 1, sizeof buf, h)) > 0) s.append(buf, n);
  FileClose(h);
  return s;
}

class PackArchiveTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitializeArchiveLayer();
    SetArchiveUseFlag(1);
    SetFileAccessTable(nullptr);
    SetArchiveExtension("dat");
  }
  void TearDown() override { InitializeArchiveLayer(); }
  TempFolder tmp;
};

TEST_F(PackArchiveTest, FolderRoundTripsForEveryVersionAndKey) {
  std::vector<uint8_t> text = TestBytes(50000, 4, true), noise = TestBytes(3000, 5, false);
  tmp.Write("src/vlxdat/pic00.png", text);
  tmp.Write("src/vlxdat/se/se00.wav", noise);
  tmp.Write("src/vlxdat/se/deeper/empty.bin", std::vector<uint8_t>());
  // Names on disk are UTF-8; inside the archive they are CP932, as the engine's literals are.
  tmp.Write(reinterpret_cast<const char*>(u8"src/vlxdat/日本語/名前.txt"), std::string("kanji"));
  for (int version = 0; version <= 3; version++) {
    for (const char* key : {"", "Vlx Key Str"}) {
      ArchiveWriteOptions o;
      o.version = version;
      o.keyString = key;
      std::string error;
      ASSERT_TRUE(PackFolderToArchive((tmp.Path() + "/src/vlxdat").c_str(), (tmp.Path() + "/vlxdat.dat").c_str(),
                                      o, &error))
          << error;
      InitializeArchiveLayer();
      SetArchiveExtension("dat");
      SetArchiveKeyString(key);
      EXPECT_EQ(ReadWhole("vlxdat\\pic00.png"), std::string(text.begin(), text.end())) << version << key;
      EXPECT_EQ(ReadWhole("vlxdat\\SE\\se00.wav"), std::string(noise.begin(), noise.end()));
      EXPECT_EQ(ReadWhole("vlxdat\\se\\deeper\\empty.bin"), "");
      EXPECT_EQ(ReadWhole("vlxdat\\日本語\\名前.txt"), "kanji");
      EXPECT_EQ(ReadWhole("vlxdat\\se\\deeper"), "<none>");
    }
  }
  // Packing shrinks the picture: the version 3 archive is smaller than version 1.
  ArchiveWriteOptions v1, v3;
  v1.version = 1;
  std::vector<ArchiveWriterEntry> entries;
  ASSERT_TRUE(CollectFolderEntries((tmp.Path() + "/src/vlxdat").c_str(), &entries, nullptr));
  EXPECT_EQ(entries.size(), 7u);   // four files and three folders
  std::vector<uint8_t> a, b;
  ASSERT_TRUE(BuildArchiveImage(entries, v1, &a, nullptr));
  ASSERT_TRUE(BuildArchiveImage(entries, v3, &b, nullptr));
  EXPECT_LT(b.size(), a.size());
}

TEST_F(PackArchiveTest, ForcedPackingOfIncompressibleDataStillReads) {
  std::vector<ArchiveWriterEntry> e(2);
  e[0].path = "noise.bin";
  e[0].data = TestBytes(10000, 8, false);
  e[0].packing = ArchivePacking::Packed;
  e[1].path = "a\\b\\c\\d.txt";
  e[1].data = {'d'};
  e[1].packing = ArchivePacking::Packed;
  ASSERT_TRUE(WriteArchiveFile((tmp.Path() + "/p.dat").c_str(), e, ArchiveWriteOptions(), nullptr));
  EXPECT_EQ(ReadWhole("p\\noise.bin"), std::string(e[0].data.begin(), e[0].data.end()));
  EXPECT_EQ(ReadWhole("p\\a\\b\\c\\d.txt"), "d");
}

TEST_F(PackArchiveTest, WriterRefusesBadInput) {
  std::vector<uint8_t> image;
  std::string error;
  std::vector<ArchiveWriterEntry> e(2);
  e[0].path = "Same.txt";
  e[1].path = "SAME.TXT";
  EXPECT_FALSE(BuildArchiveImage(e, ArchiveWriteOptions(), &image, &error));   // one search name
  EXPECT_FALSE(error.empty());
  e[1].path = "same.txt\\below";
  EXPECT_FALSE(BuildArchiveImage(e, ArchiveWriteOptions(), &image, &error));   // file as folder
  e[1].path = "x\\\\y";
  EXPECT_FALSE(BuildArchiveImage(e, ArchiveWriteOptions(), &image, &error));   // empty part
  e[1].path = "..\\y";
  EXPECT_FALSE(BuildArchiveImage(e, ArchiveWriteOptions(), &image, &error));
  e[1].path = "ok";
  ArchiveWriteOptions bad;
  bad.version = 4;
  EXPECT_FALSE(BuildArchiveImage(e, bad, &image, &error));
  EXPECT_TRUE(BuildArchiveImage(e, ArchiveWriteOptions(), &image, &error));
  EXPECT_FALSE(PackFolderToArchive((tmp.Path() + "/missing").c_str(), "x.dat", ArchiveWriteOptions(), &error));
}

}  // namespace
