// Archives: key and scrambling, the decoder, the folder walk and the remembered archive, lookup
// inside an archive, entry cursors, and corrupt archives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/base/archive.h"
#include "engine/base/file_access.h"
#include "engine/base/temp_folder.h"
#include "tools/common/archive_writer.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Packed(uint8_t escape, const std::vector<uint8_t>& code, uint32_t unpacked) {
  std::vector<uint8_t> p(9);
  uint32_t size = uint32_t(9 + code.size());
  for (int i = 0; i < 4; i++) {
    p[i] = uint8_t(unpacked >> (8 * i));
    p[4 + i] = uint8_t(size >> (8 * i));
  }
  p[8] = escape;
  p.insert(p.end(), code.begin(), code.end());
  return p;
}

int64_t Decode(const std::vector<uint8_t>& packed, std::vector<uint8_t>* out, size_t capacity = 64) {
  out->assign(capacity, 0xCD);
  int64_t n = DecodeArchiveData(packed.data(), packed.size(), out->data(), out->size());
  if (n >= 0) out->resize(size_t(n));
  return n;
}

TEST(ArchiveKey, RepetitionCutAndTransform) {
  uint8_t a[12], b[12], c[12];
  MakeArchiveKey("ABCDEFGHIJKLMNOP", a);
  MakeArchiveKey("ABCDEFGHIJKL", b);
  EXPECT_EQ(0, std::memcmp(a, b, 12));           // cut to 12
  MakeArchiveKey("ABCDE", a);
  MakeArchiveKey("ABCDEABCDEAB", b);
  EXPECT_EQ(0, std::memcmp(a, b, 12));           // the 5, the 5 again, the first 2
  MakeArchiveKey("", a);
  MakeArchiveKey(nullptr, b);
  EXPECT_EQ(0, std::memcmp(a, b, 12));           // an empty key string is no key string
  MakeArchiveKey("\x12\x12\x12\x12\x12\x12\x12\x12\x12\x12\x12\x12", c);
  const uint8_t expected[12] = {0xED, 0x21, 0x98, 0xDE, 0xED, 0xBE, 0xED, 0xBD, 0x90, 0x6D, 0xF7, 0xDE};
  EXPECT_EQ(0, std::memcmp(c, expected, 12));

  std::vector<uint8_t> data = TestBytes(100, 3, false), copy = data;
  ScrambleArchiveData(60, copy.data(), 1000, c);
  ScrambleArchiveData(40, copy.data() + 60, 1060, c);
  EXPECT_NE(copy, data);
  EXPECT_EQ(copy[0], data[0] ^ c[1000 % 12]);
  ScrambleArchiveData(100, copy.data(), 1000, c);
  EXPECT_EQ(copy, data);
}

TEST(ArchiveDecode, CodeForms) {
  const uint8_t E = 0x80;
  std::vector<uint8_t> out;
  // E E is one E; literals pass.
  ASSERT_EQ(Decode(Packed(E, {'a', E, E, 'b'}, 3), &out), 3);
  EXPECT_EQ(out, (std::vector<uint8_t>{'a', E, 'b'}));
  // Length 8 at distance 1: code (4 << 3) | 0, distance byte 0 repeats the last byte 8 times.
  ASSERT_EQ(Decode(Packed(E, {'x', E, 4 << 3, 0}, 9), &out), 9);
  EXPECT_EQ(out, std::vector<uint8_t>(9, 'x'));
  // A code byte above E stands for one less: with E = 0x20, 0x21 is code 0x20 (length 8, kind 0).
  ASSERT_EQ(Decode(Packed(0x20, {'y', 'z', 0x20, 0x21, 1}, 10), &out), 10);
  EXPECT_EQ(std::string(out.begin(), out.end()), "yzyzyzyzyz");
  // Kind 3 takes the previous match's distance + 1: "abc" at distance 3, then distance 4.
  ASSERT_EQ(Decode(Packed(E, {'a', 'b', 'c', E, 0 << 3 | 0, 2, E, 0 << 3 | 3}, 11), &out), 11);
  EXPECT_EQ(std::string(out.begin(), out.end()), "abcabcaabca");
  // Two- and three-byte distances and the extra length byte.
  std::vector<uint8_t> code = {'q', E, uint8_t((0 << 3) | 4 | 1), 1, 0, 0};   // length 4 + 32 at distance 1
  ASSERT_EQ(Decode(Packed(E, code, 37), &out), 37);
  EXPECT_EQ(out, std::vector<uint8_t>(37, 'q'));
  ASSERT_EQ(Decode(Packed(E, {'r', E, 2, 0, 0, 0}, 5), &out), 5);
  EXPECT_EQ(out, std::vector<uint8_t>(5, 'r'));
}

TEST(ArchiveDecode, CorruptStreamsStop) {
  const uint8_t E = 0x80;
  std::vector<uint8_t> out;
  EXPECT_EQ(Decode(Packed(E, {'a', E, 3}, 5), &out), -1);          // kind 3 before any match
  EXPECT_EQ(Decode(Packed(E, {'a', E, 0, 1}, 5), &out), -1);       // reaches before the start
  EXPECT_EQ(Decode(Packed(E, {'a', E, 0, 0}, 3), &out), -1);       // output past the unpacked size
  EXPECT_EQ(Decode(Packed(E, {'a', 'b'}, 3), &out), -1);           // output short of it
  EXPECT_EQ(Decode(Packed(E, {'a', E}, 1), &out), -1);             // escape at the end
  EXPECT_EQ(Decode(Packed(E, {'a', E, 1, 0}, 5), &out), -1);       // distance bytes cut off
  EXPECT_EQ(Decode(Packed(E, {'a'}, 1), &out, 0), -1);             // larger than the output
  std::vector<uint8_t> p = Packed(E, {'a'}, 1);
  p[4] = 8;                                                         // packed size below 9
  EXPECT_EQ(Decode(p, &out), -1);
  p[4] = 11;                                                        // past the bytes at hand
  EXPECT_EQ(Decode(p, &out), -1);
  EXPECT_EQ(DecodeArchiveData(p.data(), 5, out.data(), out.size()), -1);
}

TEST(ArchiveDecode, EncoderRoundTrips) {
  std::vector<std::vector<uint8_t>> inputs = {
      {}, {0x42}, TestBytes(5000, 1, true), TestBytes(5000, 2, false), std::vector<uint8_t>(100000, 0),
      std::vector<uint8_t>(256 * 40)};
  for (size_t i = 0; i < inputs.back().size(); i++) inputs.back()[i] = uint8_t(i * 7 / 3);
  std::vector<uint8_t> big = TestBytes(200000, 9, true);
  big.insert(big.end(), big.begin(), big.begin() + 70000);   // a far repeat
  inputs.push_back(big);
  for (const auto& in : inputs) {
    std::vector<uint8_t> packed = ArchiveLzPack(in.data(), in.size());
    std::vector<uint8_t> out(in.size() + 1);
    ASSERT_EQ(DecodeArchiveData(packed.data(), packed.size(), out.data(), out.size()), int64_t(in.size()));
    out.resize(in.size());
    EXPECT_EQ(out, in);
  }
  std::vector<uint8_t> zeros = ArchiveLzPack(inputs[4].data(), inputs[4].size());
  EXPECT_LT(zeros.size(), 100u);
}

// An archive of the picture folder, with nested folders, stored and packed entries.
std::vector<ArchiveWriterEntry> PictureEntries() {
  std::vector<ArchiveWriterEntry> e(5);
  e[0].path = "pic00.png";
  e[0].data = TestBytes(20000, 1, true);
  e[0].packing = ArchivePacking::Packed;
  e[1].path = "pic01.png";
  e[1].data = TestBytes(20000, 1, true);
  e[1].packing = ArchivePacking::Stored;
  e[2].path = "sub/deep/se00.wav";
  e[2].data = Bytes("deep sound");
  e[3].path = "sub/top.txt";
  e[3].data = Bytes("top of sub");
  e[4].path = "empty";
  e[4].directory = true;
  return e;
}

void WriteArchive(const TempFolder& tmp, const std::string& name, const std::vector<ArchiveWriterEntry>& entries,
                  int version = 3, const std::string& key = "", bool fallback = false) {
  ArchiveWriteOptions o;
  o.version = version;
  o.keyString = key;
  o.fallbackKey = fallback;
  std::vector<uint8_t> image;
  std::string error;
  ASSERT_TRUE(BuildArchiveImage(entries, o, &image, &error)) << error;
  tmp.Write(name, image);
}

std::string ReadAll(FileHandle h) {
  std::string s;
  char buf[777];
  size_t n;
  while ((n = FileRead(buf, 1, sizeof buf, h)) > 0) s.append(buf, n);
  return s;
}

std::string ReadFile(const char* name) {
  FileHandle h = FileOpen(name, 0);
  if (!h) return "<none>";
  std::string s = ReadAll(h);
  FileClose(h);
  return s;
}

class ArchiveTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitializeArchiveLayer();
    SetArchiveUseFlag(1);
    SetFileAccessTable(nullptr);
  }
  void TearDown() override { InitializeArchiveLayer(); }
  TempFolder tmp;
};

TEST_F(ArchiveTest, FolderIsServedFromItsArchiveOrThePlainFile) {
  SetArchiveExtension("dat");
  tmp.Write("vlxdat/pic00.png", std::string("plain picture"));
  EXPECT_EQ(ReadFile("vlxdat\\pic00.png"), "plain picture");   // no archive yet
  EXPECT_EQ(GetCachedArchiveCount(), 0);

  WriteArchive(tmp, "VLXDAT.DAT", PictureEntries());
  std::vector<uint8_t> expect = TestBytes(20000, 1, true);
  EXPECT_EQ(ReadFile("vlxdat\\pic00.png"), std::string(expect.begin(), expect.end()));
  EXPECT_EQ(ReadFile("VlxDat/PIC01.PNG"), std::string(expect.begin(), expect.end()));
  EXPECT_EQ(ReadFile("vlxdat\\sub\\deep\\se00.wav"), "deep sound");
  EXPECT_EQ(ReadFile("vlxdat\\sub\\..\\sub\\top.txt"), "top of sub");
  // Missing from the archive that stands for its folder: a failure, not the plain file.
  tmp.Write("vlxdat/only_plain.png", std::string("x"));
  EXPECT_EQ(ReadFile("vlxdat\\only_plain.png"), "<none>");
  EXPECT_EQ(ReadFile("vlxdat\\sub"), "<none>");                // a folder is no file
  EXPECT_EQ(ReadFile("vlxdat\\empty\\x"), "<none>");
  EXPECT_EQ(GetCachedArchiveCount(), 1);
  EXPECT_EQ(GetArchiveOpenFileCount(), 0);

  // Without archives the plain file is read again.
  SetArchiveUseFlag(0);
  EXPECT_EQ(ReadFile("vlxdat\\pic00.png"), "plain picture");
}

TEST_F(ArchiveTest, ExtensionDefaultsAndShortestPrefixFirst) {
  WriteArchive(tmp, "vlxdat.VUV", PictureEntries());
  EXPECT_EQ(ReadFile("vlxdat\\sub\\top.txt"), "top of sub");
  // An archive for a folder higher up is found before the folder's own.
  InitializeArchiveLayer();
  SetArchiveExtension("pak");
  std::vector<ArchiveWriterEntry> outer(1);
  outer[0].path = "vlxdat/sub/top.txt";
  outer[0].data = Bytes("from the outer archive");
  WriteArchive(tmp, "game.pak", outer);
  WriteArchive(tmp, "game/vlxdat.pak", PictureEntries());
  EXPECT_EQ(ReadFile("game\\vlxdat\\sub\\top.txt"), "from the outer archive");
  // Extensions of 64 characters or more, or empty, mean "VUV".
  EXPECT_EQ(SetArchiveExtension(std::string(64, 'x').c_str()), 0);
  InitializeArchiveLayer();
  SetArchiveExtension(std::string(64, 'x').c_str());
  EXPECT_EQ(ReadFile("vlxdat\\sub\\top.txt"), "top of sub");
}

TEST_F(ArchiveTest, RememberedArchiveAndItsLookAlike) {
  SetArchiveExtension("dat");
  WriteArchive(tmp, "vlxdat.dat", PictureEntries());
  std::vector<ArchiveWriterEntry> other(1);
  other[0].path = "pic00.png";
  other[0].data = Bytes("look-alike");
  WriteArchive(tmp, "vlxdat2.dat", other);
  EXPECT_EQ(ReadFile("vlxdat\\sub\\top.txt"), "top of sub");
  // A folder that merely begins with the same letters goes through the walk to its own archive.
  EXPECT_EQ(ReadFile("vlxdat2\\pic00.png"), "look-alike");
  EXPECT_EQ(GetCachedArchiveCount(), 2);
  // Back to vlxdat through the walk; once it is remembered and then gone, its folder goes
  // straight to the plain file.
  tmp.Write("vlxdat/sub/top.txt", std::string("plain"));
  EXPECT_EQ(ReadFile("vlxdat\\sub\\top.txt"), "top of sub");
  CloseUnusedArchives();
  EXPECT_EQ(GetCachedArchiveCount(), 0);
  std::filesystem::remove(tmp.Path() + "/vlxdat.dat");
  EXPECT_EQ(ReadFile("vlxdat\\sub\\top.txt"), "plain");        // remembered, gone: no walk, plain
}

TEST_F(ArchiveTest, CachedArchivesAreCountedAndSwept) {
  WriteArchive(tmp, "d.VUV", PictureEntries());
  FileHandle a = FileOpen("d\\pic00.png", 0);
  FileHandle b = FileOpen("d\\pic01.png", 0);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_EQ(uint32_t(a) & 0xF0000000u, 0xF0000000u);
  EXPECT_EQ(GetArchiveOpenFileCount(), 2);
  CloseUnusedArchives();
  EXPECT_EQ(GetCachedArchiveCount(), 1);                       // in use
  FileClose(a);
  CloseUnusedArchives();
  EXPECT_EQ(GetCachedArchiveCount(), 1);
  EXPECT_EQ(FileClose(b), 0);
  EXPECT_EQ(FileClose(b), -1);
  EXPECT_EQ(FileTell(b), -1);
  EXPECT_EQ(FileIdleCheck(b), -1);
  CloseUnusedArchives();
  EXPECT_EQ(GetCachedArchiveCount(), 0);
}

// Stored and packed entries of every version read, seek and end alike.
TEST_F(ArchiveTest, StoredAndPackedEntriesBehaveAlike) {
  for (int version = 0; version <= 3; version++) {
    InitializeArchiveLayer();
    std::string name = "v" + std::to_string(version);
    WriteArchive(tmp, name + ".VUV", PictureEntries(), version, "KeyString");
    SetArchiveKeyString("KeyString");
    std::vector<uint8_t> expect = TestBytes(20000, 1, true);
    for (const char* file : {"\\pic00.png", "\\pic01.png"}) {
      FileHandle h = FileOpen((name + file).c_str(), 0);
      ASSERT_NE(h, 0) << name << file;
      std::vector<uint8_t> buf(30000);
      EXPECT_EQ(FileRead(buf.data(), 3, 4000, h), 12000u);      // bytes, not items
      EXPECT_EQ(0, std::memcmp(buf.data(), expect.data(), 12000));
      EXPECT_EQ(FileRead(buf.data(), 1000, 10, h), 8000u);      // partial items included
      EXPECT_EQ(0, std::memcmp(buf.data(), expect.data() + 12000, 8000));
      EXPECT_EQ(FileEof(h), 0);
      EXPECT_EQ(FileRead(buf.data(), 1, 1, h), 0u);
      EXPECT_EQ(FileEof(h), -1);
      EXPECT_EQ(FileRead(buf.data(), 1, 1, h), 0u);
      EXPECT_EQ(FileSeek(h, -5, 0), 0);
      EXPECT_EQ(FileTell(h), 0);
      EXPECT_EQ(FileEof(h), 0);
      EXPECT_EQ(FileSeek(h, 5, 2), 0);
      EXPECT_EQ(FileTell(h), 20000);
      EXPECT_EQ(FileSeek(h, -10, 1), 0);
      EXPECT_EQ(FileRead(buf.data(), 1, 100, h), 10u);
      EXPECT_EQ(0, std::memcmp(buf.data(), expect.data() + 19990, 10));
      EXPECT_EQ(FileSeek(h, 7, 0), 0);
      EXPECT_EQ(FileRead(buf.data(), 1, 3, h), 3u);            // out of order reads seek again
      EXPECT_EQ(0, std::memcmp(buf.data(), expect.data() + 7, 3));
      EXPECT_EQ(FileIdleCheck(h), 1);
      FileClose(h);
    }
  }
}

TEST_F(ArchiveTest, KeysAndTheFallbackKey) {
  WriteArchive(tmp, "k.VUV", PictureEntries(), 3, "Velmarondix!");
  EXPECT_EQ(ReadFile("k\\sub\\top.txt"), "<none>");             // wrong key: no archive, no plain
  InitializeArchiveLayer();
  SetArchiveKeyString("Velmarondix!Extra");                      // cut to the 12 it was made with
  EXPECT_EQ(ReadFile("k\\sub\\top.txt"), "top of sub");
  InitializeArchiveLayer();
  WriteArchive(tmp, "f.VUV", PictureEntries(), 2, "", true);
  SetArchiveKeyString("whatever");
  EXPECT_EQ(ReadFile("f\\sub\\top.txt"), "top of sub");           // the fallback key opens it
  InitializeArchiveLayer();
  WriteArchive(tmp, "n.VUV", PictureEntries(), 1);
  SetArchiveKeyString("");                                        // the same as none
  EXPECT_EQ(ReadFile("n\\sub\\top.txt"), "top of sub");
}

TEST_F(ArchiveTest, LookupInsideTheArchive) {
  WriteArchive(tmp, "a.VUV", PictureEntries());
  ArchiveObject o = {};
  ASSERT_EQ(OpenArchive(&o, "a.VUV", nullptr), 0);
  EXPECT_EQ(OpenArchive(&o, "a.VUV", nullptr), -1);              // already holds a file
  ArchiveFileInfo e;
  ArchiveSearchName last;
  EXPECT_EQ(ChangeArchiveDir(&o, "..", 1, nullptr), -1);         // ".." at the root
  ASSERT_EQ(ChangeArchiveDir(&o, "sub", 1, nullptr), 0);
  EXPECT_EQ(FindArchiveFile("top.txt", &o, &e), 0);
  EXPECT_EQ(FindArchiveFile("pic00.png", &o, &e), -1);
  EXPECT_EQ(FindArchiveFile("\\pic00.png", &o, &e), 0);          // from the root
  EXPECT_EQ(e.size, 20000u);
  EXPECT_EQ(FindArchiveFile("deep\\se00.wav", &o, &e), 0);
  EXPECT_EQ(FindArchiveFile("deep\\", &o, &e), -1);              // a folder
  ASSERT_EQ(ChangeArchiveDir(&o, "deep", 1, nullptr), 0);
  EXPECT_EQ(FindArchiveFile("se00.wav", &o, &e), 0);
  ASSERT_EQ(ChangeArchiveDir(&o, "..", 1, nullptr), 0);
  EXPECT_EQ(FindArchiveFile("top.txt", &o, &e), 0);
  // A failed walk puts the directory back when asked, and names the part it stopped at.
  EXPECT_EQ(ChangeArchiveDir(&o, "deep\\nothing\\x", 1, &last), -1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(last.words)), "NOTHING");
  EXPECT_EQ(FindArchiveFile("top.txt", &o, &e), 0);
  EXPECT_EQ(ChangeArchiveDir(&o, "\\", 1, nullptr), 0);
  // A file in the middle of a path is not the file asked for.
  EXPECT_EQ(FindArchiveFile("pic00.png\\x", &o, &e), -1);
  EXPECT_EQ(FindArchiveFile("sub\\top.txt\\", &o, &e), -1);
  ArchiveEntryCursor c;
  EXPECT_EQ(OpenArchiveEntry(&c, &o, "sub\\deep\\SE00.WAV"), 0);
  char buf[32] = {};
  EXPECT_EQ(ArchiveEntryRead(&c, buf, sizeof buf), 10u);
  EXPECT_STREQ(buf, "deep sound");
  CloseArchiveEntry(&c);
  CloseArchive(&o);
}

// Truncated and damaged archives are no archives, or their entries fail to open; never a crash.
TEST_F(ArchiveTest, CorruptArchives) {
  std::vector<uint8_t> image;
  ArchiveWriteOptions opt;
  std::string error;
  ASSERT_TRUE(BuildArchiveImage(PictureEntries(), opt, &image, &error));
  uint8_t key[12];
  MakeArchiveKey(nullptr, key);
  auto field = [&](std::vector<uint8_t> img, size_t at, uint32_t value) {
    ScrambleArchiveData(img.size(), img.data(), 0, key);
    for (int i = 0; i < 4; i++) img[at + i] = uint8_t(value >> (8 * i));
    ScrambleArchiveData(img.size(), img.data(), 0, key);
    return img;
  };
  tmp.Write("c/sub/top.txt", std::string("plain"));
  auto opensPlain = [&](const std::vector<uint8_t>& img) {
    InitializeArchiveLayer();
    tmp.Write("c.VUV", img);
    return ReadFile("c\\sub\\top.txt") == "plain";
  };
  EXPECT_TRUE(opensPlain(std::vector<uint8_t>(image.begin(), image.begin() + 20)));   // cut header
  EXPECT_TRUE(opensPlain(std::vector<uint8_t>(image.begin(), image.end() - 1)));      // cut block
  EXPECT_TRUE(opensPlain(field(image, 0, 0x00045556)));           // version 4
  EXPECT_TRUE(opensPlain(field(image, 4, 0xFFFFFFF0)));           // block size
  EXPECT_TRUE(opensPlain(field(image, 12, 0x7FFFFFFF)));          // block offset
  EXPECT_TRUE(opensPlain(field(image, 16, 0xFFFFFF00)));          // file table past the block
  EXPECT_TRUE(opensPlain(field(image, 20, 0xFFFFFF00)));          // directory table past it
  EXPECT_TRUE(opensPlain(field(image, 8, 0x7FFFFFFF)));           // data area past the file

  // Damage inside the header block and the data: the entry fails, nothing else does.
  ArchiveObject o = {};
  tmp.Write("good.VUV", image);
  ASSERT_EQ(OpenArchive(&o, "good.VUV", nullptr), 0);
  ArchiveFileInfo info;
  ASSERT_EQ(FindArchiveFile("pic00.png", &o, &info), 0);
  uint32_t blockAt = o.header.headerBlockOffset;
  uint32_t fileTable = o.header.fileTableOffset;
  uint32_t dirTable = o.header.dirTableOffset;
  CloseArchive(&o);
  size_t entry0 = blockAt + fileTable;   // pic00.png is the root's first entry
  auto entryFails = [&](const std::vector<uint8_t>& img, const char* name) {
    InitializeArchiveLayer();
    tmp.Write("c.VUV", img);
    return ReadFile(name) == "<none>";
  };
  EXPECT_FALSE(entryFails(image, "c\\pic00.png"));
  EXPECT_TRUE(entryFails(field(image, entry0 + 36, 20001), "c\\pic00.png"));       // unpacked size
  EXPECT_TRUE(entryFails(field(image, entry0 + 40, 8), "c\\pic00.png"));           // packed below 9
  EXPECT_TRUE(entryFails(field(image, entry0 + 40, 0x10000000), "c\\pic00.png"));  // past the file
  EXPECT_TRUE(entryFails(field(image, entry0 + 32, 0xFFFFFFF0), "c\\pic00.png"));  // data offset
  EXPECT_TRUE(entryFails(field(image, entry0 + 36, 0xFFFFFFFF), "c\\pic01.png") == false);
  EXPECT_TRUE(entryFails(field(image, entry0, 0xFFFFFFF0), "c\\pic00.png"));       // name offset
  EXPECT_TRUE(entryFails(field(image, blockAt + dirTable + 8, 0x10000000),
                         "c\\pic00.png"));                                          // entry count
  EXPECT_TRUE(entryFails(field(image, ARCHIVE_HEADER_SIZE + info.dataOffset, 19999),
                         "c\\pic00.png"));                                          // packed header
}

// A stored entry whose archive shrinks after opening returns the bytes it got.
TEST_F(ArchiveTest, ShortEntryReadReturnsWhatItGot) {
  WriteArchive(tmp, "s.VUV", PictureEntries(), 1);
  FileHandle h = FileOpen("s\\pic01.png", 0);
  ASSERT_NE(h, 0);
  ArchiveObject o = {};
  ASSERT_EQ(OpenArchive(&o, "s.VUV", nullptr), 0);
  ArchiveFileInfo info;
  ASSERT_EQ(FindArchiveFile("pic01.png", &o, &info), 0);
  uint64_t at = o.header.dataAreaOffset + info.dataOffset;
  CloseArchive(&o);
  std::filesystem::resize_file(tmp.Path() + "/s.VUV", at + 500);
  std::vector<uint8_t> buf(20000);
  EXPECT_EQ(FileRead(buf.data(), 1, 20000, h), 500u);
  EXPECT_EQ(FileTell(h), 500);
  FileClose(h);
}

TEST_F(ArchiveTest, OpenFileTableLimit) {
  tmp.Write("f.txt", std::string("x"));
  std::vector<FileHandle> open;
  for (int i = 0; i < ARCHIVE_OPEN_FILE_MAX; i++) {
    FileHandle h = FileOpen("f.txt", 0);
    ASSERT_NE(h, 0);
    open.push_back(h);
  }
  EXPECT_EQ(FileOpen("f.txt", 0), 0);
  FileClose(open[100]);
  FileHandle again = FileOpen("f.txt", 0);
  EXPECT_EQ(again, open[100]);                                   // the first empty slot
  for (FileHandle h : open) FileClose(h);
  EXPECT_EQ(GetArchiveOpenFileCount(), 0);
}

}  // namespace
