#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/text.h"

namespace {

using namespace plat;

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

void WriteRaw(const std::string& posixPath, const std::string& data) {
  FILE* f = fopen(posixPath.c_str(), "wb");
  ASSERT_NE(f, nullptr) << posixPath;
  fwrite(data.data(), 1, data.size(), f);
  fclose(f);
}

std::string ReadAll(const std::string& enginePath) {
  File* f = FileOpen(enginePath.c_str(), OpenMode::ReadExisting);
  if (!f) return "<missing>";
  std::string s(size_t(FileSize(f)), '\0');
  EXPECT_EQ(FileRead(f, s.data(), int64_t(s.size())), int64_t(s.size()));
  FileClose(f);
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// Each test works in a fresh folder under /tmp, named in both forms.
class Paths : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vlxpathsXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    posix_ = tmpl;
    win_ = ToWindowsPath(posix_);
    char* cwd = getcwd(nullptr, 0);
    savedCwd_ = cwd;
    free(cwd);
    mkdir((posix_ + "/Game").c_str(), 0777);
    mkdir((posix_ + "/Game/Data").c_str(), 0777);
    WriteRaw(posix_ + "/Game/Data/vlxdat.dat", "archive");
  }
  void TearDown() override {
    ASSERT_EQ(chdir(savedCwd_.c_str()), 0);
    std::string cmd = "rm -rf '" + posix_ + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  std::string posix_, win_, savedCwd_;
};

TEST_F(Paths, SeparatorsAndDrivePrefixes) {
  EXPECT_EQ(win_, "Z:" + std::string(posix_).replace(0, 1, "\\").replace(4, 1, "\\"));
  EXPECT_EQ(ReadAll(win_ + "\\Game\\Data\\vlxdat.dat"), "archive");
  EXPECT_EQ(ReadAll("C:" + posix_ + "/Game\\Data/vlxdat.dat"), "archive");
  EXPECT_EQ(ReadAll("d:" + posix_ + "//Game\\\\Data\\vlxdat.dat"), "archive");
  EXPECT_EQ(ReadAll(posix_ + "/Game/Data/vlxdat.dat"), "archive");
  EXPECT_EQ(ResolvePath("Z:\\"), "/");
  EXPECT_EQ(ResolvePath("Z:\\..\\..\\tmp"), "/tmp");  // ".." stops at the root
  EXPECT_EQ(ToWindowsPath("/"), "Z:\\");
}

TEST_F(Paths, UpperCasedPathsFindLowerCaseNames) {
  const std::string upper = Upper(win_ + "\\Game\\Data\\vlxdat.dat");
  EXPECT_EQ(ReadAll(upper), "archive");
  EXPECT_TRUE(FileExists(upper.c_str()));
  EXPECT_TRUE(DirectoryExists(Upper(win_ + "\\game\\data").c_str()));
  EXPECT_EQ(FileSizeByName(upper.c_str()), 7);
  EXPECT_EQ(ResolvePath(upper.c_str()), posix_ + "/Game/Data/vlxdat.dat");
}

TEST_F(Paths, ExactNameWinsOverCaseFoldedOne) {
  WriteRaw(posix_ + "/Game/Save.txt", "upper");
  WriteRaw(posix_ + "/Game/save.txt", "lower");
  EXPECT_EQ(ReadAll(win_ + "\\game\\Save.txt"), "upper");
  EXPECT_EQ(ReadAll(win_ + "\\GAME\\save.txt"), "lower");
  // Neither matches exactly: the same one is chosen whatever the directory order.
  EXPECT_EQ(ReadAll(win_ + "\\Game\\SAVE.TXT"), "upper");
}

TEST_F(Paths, DotPartsAndMissingFiles) {
  EXPECT_EQ(ReadAll(win_ + "\\Game\\.\\Other\\..\\Data\\..\\Data\\vlxdat.dat"), "archive");
  const std::string missing = win_ + "\\Game\\Data\\none.bin";
  EXPECT_EQ(FileOpen(missing.c_str(), OpenMode::ReadExisting), nullptr);
  EXPECT_FALSE(FileExists(missing.c_str()));
  EXPECT_FALSE(FileDelete(missing.c_str()));
  EXPECT_EQ(FileSizeByName(missing.c_str()), -1);
  EXPECT_EQ(FileOpen((win_ + "\\NoFolder\\x.bin").c_str(), OpenMode::WriteAlways), nullptr);
  EXPECT_EQ(FileOpen((win_ + "\\Game").c_str(), OpenMode::ReadExisting), nullptr);  // a folder
  EXPECT_FALSE(FileExists((win_ + "\\Game").c_str()));
  EXPECT_EQ(FileOpen(nullptr, OpenMode::ReadExisting), nullptr);
  // A new file keeps its own name, in the folders as they are on disk.
  EXPECT_EQ(ResolvePath((win_ + "\\GAME\\DATA\\NewFile.TXT").c_str()), posix_ + "/Game/Data/NewFile.TXT");
  EXPECT_EQ(ResolvePath((win_ + "\\GAME\\Nope\\X.TXT").c_str()), posix_ + "/Game/Nope/X.TXT");
}

TEST_F(Paths, OpenModes) {
  const std::string p = win_ + "\\Game\\modes.bin";
  File* f = FileOpen(p.c_str(), OpenMode::WriteCreateNew);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FileWrite(f, "abcdef", 6), 6);
  EXPECT_EQ(FileRead(f, nullptr, 0), 0);
  FileClose(f);
  EXPECT_EQ(FileOpen(Upper(p).c_str(), OpenMode::WriteCreateNew), nullptr);  // exists, whatever the case

  f = FileOpen(Upper(p).c_str(), OpenMode::WriteAlways);  // kept, written from the start
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FileTell(f), 0);
  EXPECT_EQ(FileWrite(f, "XY", 2), 2);
  FileClose(f);
  EXPECT_EQ(ReadAll(p), "XYcdef");

  f = FileOpen(p.c_str(), OpenMode::ReadExisting);
  ASSERT_NE(f, nullptr);
  char buf[16];
  EXPECT_EQ(FileWrite(f, "no", 2), -1);
  EXPECT_TRUE(FileSeek(f, 4));
  EXPECT_EQ(FileRead(f, buf, 16), 2);
  EXPECT_EQ(FileRead(f, buf, 16), 0);  // at the end
  EXPECT_TRUE(FileSeek(f, 100));
  EXPECT_EQ(FileRead(f, buf, 16), 0);  // past the end
  EXPECT_FALSE(FileSeek(f, -1));
  EXPECT_EQ(FileRead(f, buf, -1), -1);
  FileClose(f);

  f = FileOpen(p.c_str(), OpenMode::WriteTruncate);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FileSize(f), 0);
  FileClose(f);

  const std::string rw = win_ + "\\Game\\rw.bin";
  f = FileOpen(rw.c_str(), OpenMode::ReadWriteAlways);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FileWrite(f, "hello", 5), 5);
  EXPECT_TRUE(FileSeek(f, 1));
  EXPECT_EQ(FileRead(f, buf, 3), 3);
  EXPECT_EQ(std::string(buf, 3), "ell");
  FileClose(f);
  f = FileOpen(rw.c_str(), OpenMode::ReadWriteAlways);  // kept
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FileSize(f), 5);
  FileClose(f);

  EXPECT_TRUE(FileDelete(Upper(rw).c_str()));
  EXPECT_FALSE(FileExists(rw.c_str()));
  EXPECT_TRUE(DirectoryCreate((win_ + "\\Game\\New").c_str()));
  EXPECT_FALSE(DirectoryCreate((win_ + "\\Game\\NEW").c_str()));  // already there
  EXPECT_FALSE(FileDelete((win_ + "\\Game\\New").c_str()));
}

TEST_F(Paths, CurrentDirectoryRoundTripAndRelativePaths) {
  ASSERT_TRUE(SetCurrentDir(Upper(win_ + "\\game").c_str()));
  EXPECT_EQ(GetCurrentDir(), win_ + "\\Game");
  EXPECT_EQ(ReadAll("DATA\\VLXDAT.DAT"), "archive");
  EXPECT_EQ(ReadAll(".\\Data\\..\\Data/vlxdat.dat"), "archive");
  EXPECT_EQ(ReadAll("Z:Data\\vlxdat.dat"), "archive");  // a drive without a root is relative
  ASSERT_TRUE(SetCurrentDir(".."));
  EXPECT_EQ(GetCurrentDir(), win_);
  ASSERT_TRUE(SetCurrentDir(GetCurrentDir().c_str()));
  EXPECT_EQ(GetCurrentDir(), win_);
  EXPECT_FALSE(SetCurrentDir("NoSuchFolder"));
  EXPECT_EQ(GetCurrentDir(), win_);
  ASSERT_TRUE(SetCurrentDir("Z:\\"));
  EXPECT_EQ(GetCurrentDir(), "Z:\\");
}

// Names on disk are UTF-8; the engine names and sees them in CP932, where "ソ" ends in 0x5C.
TEST_F(Paths, JapaneseNames) {
  ASSERT_EQ(mkdir((posix_ + U8(u8"/ソフト")).c_str(), 0777), 0);
  WriteRaw(posix_ + U8(u8"/ソフト/表示.txt"), "jp");
  EXPECT_EQ(ReadAll(win_ + "\\ソフト\\表示.txt"), "jp");
  EXPECT_EQ(ReadAll(win_ + "/ソフト/表示.TXT"), "jp");
  ASSERT_TRUE(SetCurrentDir((win_ + "\\ソフト").c_str()));
  EXPECT_EQ(GetCurrentDir(), win_ + "\\ソフト");
  EXPECT_EQ(ReadAll("表示.txt"), "jp");
  // An undecodable byte never reaches the disk as itself.
  File* f = FileOpen("bad\x80.txt", OpenMode::WriteCreateNew);
  ASSERT_NE(f, nullptr);
  FileClose(f);
  struct stat st;
  EXPECT_EQ(stat((posix_ + U8(u8"/ソフト/bad\uFFFD.txt")).c_str(), &st), 0);

  // Folders whose names have no CP932 form (é, bytes that are not UTF-8, a backslash) reach the
  // engine as drives of their own, and its paths lead back to them.
  const std::string savedTmp = getenv("TMPDIR") ? getenv("TMPDIR") : "";
  for (const std::string& name : {U8(u8"gamé"), std::string("caf\xE9"), std::string("a\\b")}) {
    const std::string posix = posix_ + U8(u8"/ソフト/") + name;
    ASSERT_EQ(system(("mkdir -p '" + posix + "/dat'").c_str()), 0);
    WriteRaw(posix + "/dat/vlx1.dat", name);
    ASSERT_EQ(chdir((posix + "/dat").c_str()), 0);
    const std::string here = GetCurrentDir(), drive = here.substr(0, 3);
    EXPECT_TRUE(drive[0] != 'Z' && here == drive + "dat") << here;
    EXPECT_EQ(ReadAll(here + "\\..\\DAT\\vlx1.dat"), name);
    ASSERT_TRUE(SetCurrentDir((here + "\\..\\..").c_str()));
    EXPECT_EQ(GetCurrentDir(), win_ + "\\ソフト");
    setenv("TMPDIR", posix.c_str(), 1);
    EXPECT_EQ(GetTempDir(), drive);   // the same folder keeps its drive
  }
  savedTmp.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", savedTmp.c_str(), 1);
}

TEST_F(Paths, TempDir) {
  const char* old = getenv("TMPDIR");
  const std::string saved = old ? old : "";
  unsetenv("TMPDIR");
  EXPECT_EQ(GetTempDir(), "Z:\\tmp\\");
  ASSERT_EQ(mkdir((posix_ + U8(u8"/ソ")).c_str(), 0777), 0);
  setenv("TMPDIR", (posix_ + U8(u8"/ソ")).c_str(), 1);
  EXPECT_EQ(GetTempDir(), win_ + "\\ソ\\");
  EXPECT_TRUE(DirectoryExists(GetTempDir().c_str()));
  setenv("TMPDIR", "relative/path", 1);  // not usable: /tmp instead
  EXPECT_EQ(GetTempDir(), "Z:\\tmp\\");
  if (old) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
}

}  // namespace
