// make-data as the game meets it: the files it writes (two runs alike, formats, sizes), how it
// treats the folder it writes into, and the engine, started headless in the written folder,
// loading the sheets through the archive and its key, the sounds and the music.
#include <gtest/gtest.h>

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/base/base_state.h"
#include "engine/engine.h"
#include "game/framework/archive_key.h"
#include "game/framework/engine_entries.h"
#include "game/framework/settings.h"
#include "game/framework/sprite_layout.h"
#include "game/framework/text.h"
#include "platform/audio.h"
#include "platform/audio/manual/manual_audio.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "png_picture.h"
#include "tools/common/file_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Folder {
  std::string path;
  Folder() {
    char tmpl[] = "/tmp/vlx_data_XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~Folder() {
    nftw(path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
         FTW_DEPTH | FTW_PHYS);
  }
};

int RunTool(const std::string& args) {
  std::string cmd = std::string(VLX_MAKE_DATA) + " " + args + " >/dev/null 2>&1";
  int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every file and folder under root, by relative path; folders map to "<dir>".
void Collect(const std::string& root, const std::string& rel, std::map<std::string, Bytes>* out) {
  DIR* d = opendir((root + rel).c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string r = rel + "/" + n;
    struct stat st;
    stat((root + r).c_str(), &st);
    if (S_ISDIR(st.st_mode)) {
      (*out)[r] = Bytes{'<', 'd', 'i', 'r', '>'};
      Collect(root, r, out);
    } else {
      (*out)[r] = ReadFileBytes(root + r);
    }
  }
  closedir(d);
}

uint32_t Be32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
uint32_t Le32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint32_t Le16(const Bytes& b, size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; }

std::vector<std::string> PngChunks(const Bytes& png) {
  std::vector<std::string> names;
  for (size_t at = 8; at + 8 <= png.size();) {
    uint32_t len = Be32(png, at);
    names.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
    at += 12 + len;
  }
  return names;
}

std::string Numbered(const char* pattern, int n) {
  char name[64];
  std::snprintf(name, sizeof name, pattern, n);
  return name;
}

}  // namespace

TEST(MakeData, TwoRunsWriteTheSameBytesTheWholeSetAndUnderTenMegabytes) {
  Folder a, b;
  ASSERT_EQ(RunTool(a.path), 0);
  ASSERT_EQ(RunTool(b.path), 0);
  std::map<std::string, Bytes> fa, fb;
  Collect(a.path, "", &fa);
  Collect(b.path, "", &fb);
  ASSERT_EQ(fa.size(), fb.size());
  size_t total = 0;
  for (const auto& [name, bytes] : fa) {
    ASSERT_TRUE(fb.count(name)) << name;
    EXPECT_TRUE(bytes == fb[name]) << name << " differs between two runs";
    total += bytes.size();
  }
  EXPECT_LT(total, 10u * 1024 * 1024);
  for (const char* name : {"/vlxdat.dat", "/velmarondix.sav", "/replay", "/dat/vlx0.dat", "/dat/vlx1.dat",
                           "/dat/vlxbgm00.ogg", "/dat/vlxbgm01.ogg", "/dat/vlxbgm02.ogg", "/dat/vlxbgm03.ogg"})
    EXPECT_TRUE(fa.count(name)) << name;
  EXPECT_FALSE(fa.count("/vlxdat"));            // packed, not as a folder
  EXPECT_EQ(fa["/velmarondix.sav"].size(), 5120u);
  // The demo, recorded by play on the virtual clock: a replay of area 0 on NOVICE with the second
  // character's beam rig, dated by the clock's fixed date, over a minute long, ending on its tag.
  ASSERT_TRUE(fa.count("/dat/vlxdemo0.rpy"));
  const Bytes& demo = fa["/dat/vlxdemo0.rpy"];
  ASSERT_GT(demo.size(), 128u);
  EXPECT_EQ(Le32(demo, 0), 0xDA070301u);
  EXPECT_EQ(Le32(demo, 4), 0x5045525Fu);
  EXPECT_EQ(Le32(demo, 2 * 4), 90u);
  EXPECT_EQ(Le32(demo, 3 * 4), 10101u);
  EXPECT_EQ(Le32(demo, 6 * 4), 0u);
  EXPECT_EQ(Le32(demo, 7 * 4), 1u);
  EXPECT_EQ(Le32(demo, 8 * 4), 42u);
  EXPECT_EQ(Le32(demo, 29 * 4), 0x01000000u);
  EXPECT_EQ(Le32(demo, 17 * 4), Le32(demo, 16 * 4) * 10u);
  EXPECT_GT(Le32(demo, 16 * 4), 0u);
  EXPECT_EQ(Le32(demo, 30 * 4), demo.size());
  EXPECT_EQ(Le32(demo, 32 * 4), 0x41455241u);
  EXPECT_GT(demo.size() / 4, 32u + 32u + 3600u);
  EXPECT_EQ(Le32(demo, demo.size() - 4), 0x50455245u);
  // The settings image is stored as it stands: word 29, the seed, is 0.
  EXPECT_EQ(Le32(fa["/velmarondix.sav"], 29 * 4), 0u);
}

TEST(MakeData, PlainFilesSheetsSoundsMusicPicturesAndTexts) {
  Folder d;
  ASSERT_EQ(RunTool("--plain --no-demo " + d.path), 0);
  EXPECT_NE(access((d.path + "/dat/vlxdemo0.rpy").c_str(), F_OK), 0);
  std::map<std::string, Bytes> files;
  Collect(d.path, "", &files);
  EXPECT_FALSE(files.count("/vlxdat.dat"));

  for (int s = 0; s < kSpriteSheetCount; s++) {
    const Bytes& png = files[Numbered("/vlxdat/pic%02d.png", s)];
    ASSERT_GT(png.size(), 33u) << s;
    EXPECT_EQ(Be32(png, 16), 1024u);
    EXPECT_EQ(Be32(png, 20), 1024u);
    EXPECT_EQ(png[24], 8) << "bit depth";
    EXPECT_EQ(png[25], 2) << "RGB without alpha";
    for (const std::string& c : PngChunks(png)) {
      EXPECT_NE(c, "tRNS");
      EXPECT_NE(c, "tIME");
    }
  }

  // Sheet 1: the default spark, the white square, glyph widths, the inset frames, no stray key.
  RgbPicture one = DecodePngPicture(files["/vlxdat/pic01.png"]);
  ASSERT_EQ(one.width, 1024);
  EXPECT_NE(one.At(kSpriteDefaultX + 4, kSpriteDefaultY + 4), 0x00FF00u);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++) EXPECT_EQ(one.At(36 + x, 932 + y), 0xFFFFFFu);
  for (int code = 48; code < 96; code++) {
    int r = (code - 48) / 16, c = (code - 48) % 16;
    int widest = -1;
    for (int y = 0; y < 14; y++)
      for (int x = 0; x < 14; x++)
        if (one.At(GlyphCellX(c) + x, GlyphCellY(r) + y) != 0x00FF00u) widest = std::max(widest, x);
    EXPECT_GE(widest, 0) << "glyph " << code << " is empty";
    EXPECT_LT(widest, code == 'I' ? 4 : 11) << "glyph " << code << " is wider than its advance";
    // M and W have a V, not H's bar: no row solid from stem to stem, light or dark (body and rim).
    for (int dark = 0; dark < 2 && (code == 'H' || code == 'M' || code == 'W'); dark++) {
      int solid = 0;
      for (int y = 0; y < 14; y++) {
        int n = 0;
        for (int x = GlyphCellX(c) + 2, y1 = GlyphCellY(r) + y; x < GlyphCellX(c) + 10; x++)
          n += dark ? one.At(x, y1) != 0x00FF00u : one.At(x, y1) == 0xE6E6E6u;
        solid += n == 8;
      }
      EXPECT_EQ(solid > 0, code == 'H') << char(code) << " drawn " << (dark ? "dark" : "light");
    }
  }
  for (int i = 0; i < kSpriteCutRows; i++) {
    const SpriteCutRow& r = SpriteCutTable[i];
    if (r.sheet != 1 || (r.index & kSpriteCutExact)) continue;
    EXPECT_EQ(one.At(r.x, r.y), 0xFF00FFu) << (r.index & kSpriteCutIndexMask);
    EXPECT_EQ(one.At(r.x + r.width - 1, r.y + r.height - 1), 0xFF00FFu) << (r.index & kSpriteCutIndexMask);
  }

  for (int n = 0; n < 50; n++) {
    const Bytes& w = files[Numbered("/vlxdat/se%02d.wav", n)];
    ASSERT_GT(w.size(), 44u) << n;
    EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le16(w, 20), 1u);
    EXPECT_EQ(Le16(w, 22), 1u);
    EXPECT_EQ(Le32(w, 24), 22050u);
    EXPECT_EQ(Le16(w, 34), 16u);
    double seconds = Le32(w, 40) / 2.0 / 22050.0;
    EXPECT_GE(seconds, 0.05) << n;
    EXPECT_LE(seconds, 0.5) << n;
    for (int m = 0; m < n; m++) EXPECT_FALSE(w == files[Numbered("/vlxdat/se%02d.wav", m)]) << n << " = " << m;
  }

  for (int t = 0; t < 4; t++) {
    const Bytes& ogg = files[Numbered("/dat/vlxbgm%02d.ogg", t)];
    ASSERT_GT(ogg.size(), 64u);
    EXPECT_EQ(std::string(ogg.begin(), ogg.begin() + 4), "OggS");
    size_t packet = 27 + ogg[26];
    EXPECT_EQ(std::string(ogg.begin() + long(packet) + 1, ogg.begin() + long(packet) + 7), "vorbis");
    EXPECT_EQ(ogg[packet + 11], 2) << "stereo";
    EXPECT_EQ(Le32(ogg, packet + 12), 44100u);
  }

  RgbPicture loading = DecodePngPicture(files["/dat/vlx0.dat"]);
  ASSERT_EQ(loading.width, 640);
  ASSERT_EQ(loading.height, 480);
  for (int y = 0; y < 480; y++)
    for (int x = 0; x < 640; x++) ASSERT_NE(loading.At(x, y), 0x00FF00u) << x << "," << y;

  // The text file: 96 records, no double-byte character ending in "@", within the buffer.
  const Bytes& scrambled = files["/dat/vlx1.dat"];
  ASSERT_LE(scrambled.size(), size_t(kTextFileMax));
  Bytes text(scrambled.size());
  DescrambleDataBuffer(scrambled.data(), text.data(), 0, int(text.size()));
  std::vector<std::string> records;
  std::string cur;
  for (size_t i = 0; i < text.size(); i++) {
    uint8_t c = text[i];
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      ASSERT_LT(i + 1, text.size());
      EXPECT_NE(text[i + 1], '@') << "record " << records.size();
      cur.push_back(char(c));
      cur.push_back(char(text[++i]));
    } else if (c == '@' && i + 1 < text.size() && text[i + 1] == 'e') {
      records.push_back(cur);
      cur.clear();
      i++;
    } else {
      cur.push_back(char(c));
    }
  }
  EXPECT_TRUE(cur.empty());
  ASSERT_EQ(records.size(), 96u);
  for (int r = 0; r < 64; r++) {
    EXPECT_FALSE(records[size_t(r)].empty()) << r;
    EXPECT_EQ(records[size_t(r)].find('@'), std::string::npos) << r;
  }
  for (int r = 64; r < 71; r++) EXPECT_FALSE(records[size_t(r)].empty()) << r;
  for (int r = 71; r < 96; r++) EXPECT_TRUE(records[size_t(r)].empty()) << r;
}

TEST(MakeData, WritesOnlyIntoItsOwnFolderAndLeavesNoHalfSetBehind) {
  Folder d;
  std::string other = d.path + "/other.txt";
  FILE* f = std::fopen(other.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_NE(RunTool(d.path), 0);
  EXPECT_NE(access((d.path + "/vlxdat.dat").c_str(), F_OK), 0);
  ASSERT_EQ(RunTool("--force --no-settings --no-demo " + d.path), 0);
  EXPECT_EQ(access((d.path + "/vlxdat.dat").c_str(), F_OK), 0);
  EXPECT_NE(access((d.path + "/velmarondix.sav").c_str(), F_OK), 0);

  // Its own folder again: the player's settings stay; plain replaces the archive.
  std::string sav = d.path + "/velmarondix.sav";
  f = std::fopen(sav.c_str(), "w");
  std::fputs("mine", f);
  std::fclose(f);
  ASSERT_EQ(RunTool("--plain --no-demo " + d.path), 0);
  EXPECT_EQ(ReadFileBytes(sav), (Bytes{'m', 'i', 'n', 'e'}));
  EXPECT_NE(access((d.path + "/vlxdat.dat").c_str(), F_OK), 0);
  EXPECT_EQ(access((d.path + "/vlxdat/pic09.png").c_str(), F_OK), 0);

  // A run that fails (a file stands where the music folder goes) leaves the set as it was.
  Bytes before = ReadFileBytes(d.path + "/vlxdat/pic00.png");
  nftw((d.path + "/dat").c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
       FTW_DEPTH | FTW_PHYS);
  f = std::fopen((d.path + "/dat").c_str(), "w");
  std::fclose(f);
  EXPECT_NE(RunTool("--no-demo " + d.path), 0);
  EXPECT_NE(access((d.path + "/vlxdat.dat").c_str(), F_OK), 0);
  EXPECT_EQ(ReadFileBytes(d.path + "/vlxdat/pic00.png"), before);
  std::map<std::string, Bytes> files;
  Collect(d.path, "", &files);
  for (const auto& [name, bytes] : files) EXPECT_EQ(name.find(".make-data-tmp"), std::string::npos) << name;
}

// The engine, headless on the virtual clock with the manual sound device, started in a folder
// that make-data wrote.
class EngineInDataSet : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunTool("--no-demo " + data.path), 0);
    char cwd[4096];
    saved = getcwd(cwd, sizeof cwd) ? cwd : "/";
    ASSERT_EQ(chdir(data.path.c_str()), 0);
    std::snprintf(g_StartDirectory, START_DIRECTORY_SIZE, "%s", data.path.c_str());
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(data.path.c_str());
    plat::VirtualClockEnable();
    plat::ManualSoundReset();
    plat::SoundSetBackend(plat::SoundBackend::Manual);
    g_base = BaseState{};
    g_base.settings.windowMode = 1;
    SetLogFileOutputFlagLocked(0);
    ASSERT_EQ(LibraryInitializeLocked(), 0);
    SetArchiveUseFlagLocked(1);
    SetArchiveExtensionLocked("dat");
    char key[kArchiveKeyLength + 1];
    ArchiveKeyFromTitle(TextTable[0], key);
    SetArchiveKeyStringLocked(key);
  }
  void TearDown() override {
    LibraryTerminateLocked();
    plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    g_StartDirectory[0] = '\0';
    if (chdir(saved.c_str()) != 0) std::abort();
  }
  Folder data;
  std::string saved;
};

TEST_F(EngineInDataSet, SheetsLoadThroughTheArchiveAndEveryCutHasItsSize) {
  ASSERT_NE(access("vlxdat.dat", F_OK), -1);
  ASSERT_NE(access("vlxdat", F_OK), 0);   // only the archive can serve the sheets
  int sheets[kSpriteSheetCount];
  for (int s = 0; s < kSpriteSheetCount; s++) {
    sheets[s] = LoadGraphFileCallLocked(Numbered("vlxdat\\pic%02d.png", s).c_str());
    ASSERT_NE(sheets[s], -1) << s;
    int w = 0, h = 0;
    GetGraphDimensionsLocked(sheets[s], &w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 1024);
  }
  int white = -1;
  for (int i = 0; i < kSpriteCutRows; i++) {
    const SpriteCutRow& r = SpriteCutTable[i];
    int inset = (r.index & kSpriteCutExact) ? 0 : 1;
    if (r.width - 2 * inset < 1) continue;   // sprite 0 is empty
    int g = DeriveGraphRegionLocked(r.x + inset, r.y + inset, r.width - 2 * inset, r.height - 2 * inset,
                                    sheets[r.sheet]);
    ASSERT_NE(g, -1) << (r.index & kSpriteCutIndexMask);
    int w = 0, h = 0;
    GetGraphDimensionsLocked(g, &w, &h);
    EXPECT_EQ(w, r.width - 2 * inset) << (r.index & kSpriteCutIndexMask);
    EXPECT_EQ(h, r.height - 2 * inset) << (r.index & kSpriteCutIndexMask);
    if ((r.index & kSpriteCutIndexMask) == 2) white = g;
  }
  // Sprite 2 drawn on black comes out pure white.
  ASSERT_NE(white, -1);
  SetDrawTargetLocked(-2);
  ClearDrawTargetLocked();
  DrawGraphAtPointLocked(0, 0, white, 1);
  ASSERT_EQ(SaveDrawScreenToBmpLocked(0, 0, 8, 8, "white.bmp"), 0);
  Bytes bmp = ReadFileBytes("white.bmp");
  ASSERT_GT(bmp.size(), 54u);
  uint32_t offset = Le32(bmp, 10), bits = Le16(bmp, 28);
  ASSERT_EQ(bits, 24u);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++) {
      size_t at = offset + size_t(y) * 24 + size_t(x) * 3;
      EXPECT_EQ(bmp[at], 255);
      EXPECT_EQ(bmp[at + 1], 255);
      EXPECT_EQ(bmp[at + 2], 255);
    }
}

TEST_F(EngineInDataSet, EffectsAndMusicLoadAndTrackTwoComesBackToItsLoopPoint) {
  SetSoundCreateTypeLocked(0);
  for (int n = 0; n < 50; n++) EXPECT_NE(LoadSoundFileLocked(Numbered("vlxdat\\se%02d.wav", n).c_str(), 3, -1), -1) << n;
  SetSoundCreateTypeLocked(3);
  int tracks[4];
  for (int t = 0; t < 4; t++) {
    tracks[t] = LoadSoundFileLocked(Numbered("dat\\vlxbgm%02d.ogg", t).c_str(), 3, -1);
    ASSERT_NE(tracks[t], -1) << t;
  }
  ASSERT_EQ(SetStreamLoopMillisecondsLocked(6846, tracks[2]), 0);
  ASSERT_EQ(PlaySoundHandleLocked(tracks[2], 3, 1), 0);
  // Clicks stand out of the music: find where they sound in 17 seconds of output.
  const int rate = 44100, chunk = 441;
  std::vector<int> clicks;
  std::vector<int16_t> out(size_t(chunk) * 2);
  for (int at = 0; at < 17 * rate; at += chunk) {
    ProcessMessageLocked();
    plat::ManualSoundAdvance(uint32_t(chunk), out.data());
    for (int i = 0; i < chunk; i++)
      if (std::abs(int(out[size_t(i) * 2])) > 26000 && (clicks.empty() || at + i - clicks.back() > rate / 10))
        clicks.push_back(at + i);
  }
  // The loop point (6846 ms), the end (11 s) with the loop point right behind it, and the next
  // pass through the loop point's click 4154 ms of loop later... the end again.
  ASSERT_GE(clicks.size(), 3u);
  EXPECT_NEAR(clicks[0], 6846 * 44.1, 441);
  EXPECT_NEAR(clicks[1], 11 * rate, 441);
  EXPECT_NEAR(clicks[2], 11 * rate + (11 * rate - 6846 * 44.1), 882);
  EXPECT_EQ(IsSoundHandlePlayingLocked(tracks[2]), 1);
}

TEST_F(EngineInDataSet, TheSettingsFileLoadsWithoutAskingAnything) {
  static int boxes;
  boxes = 0;
  g_Engine.MessageBox = [](const char*, const char*, uint32_t) {
    boxes++;
    return int(kAnswerNo);   // a question would end the start
  };
  ClearSettingsRawStore();
  EXPECT_EQ(LoadSettingsFile(), kSettingsFileSize);
  ResetEngineEntries();
  EXPECT_EQ(boxes, 0);
  EXPECT_EQ(GetSettingsSlot(kSlotScreen), 1);        // a window of single size
  EXPECT_EQ(GetSettingsSlot(kSlotFramePacing), 1);   // timer pacing
  EXPECT_EQ(GetSettingsSlot(kSlotMusicVolume), 98);
  EXPECT_EQ(GetSettingsSlot(kSlotKeyMenu), 4096);
}

TEST_F(EngineInDataSet, TheTextFileHoldsAllNinetySixRecords) {
  LoadTextRecords();
  EXPECT_EQ(TextRecordCount(), kTextRecordCount);
  // The records laid out as the game lays them: an introduction has several lines, a notice one.
  EXPECT_GE(SplitTextPage(64, 0), 3);
  EXPECT_EQ(SplitTextPage(10, 0), 0);
  EXPECT_GT(std::strlen(GetTextLine(0)), 0u);
}
