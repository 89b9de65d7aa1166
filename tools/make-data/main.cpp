// make-data DIR: writes the stand-in data set of the game into DIR (see usage below).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/common/archive_writer.h"
#include "tools/common/file_bytes.h"
#include "tools/make-data/make_data.h"

namespace {

constexpr const char* kMarker = ".make-data";        // names a folder that holds our data set
constexpr const char* kTempSuffix = ".make-data-tmp";

int Usage() {
  std::fprintf(stderr,
               "usage: make-data [--plain] [--force] [--no-settings] [--no-demo] [--preview FOLDER] DIR\n"
               "  writes the game's stand-in data set into DIR: vlxdat.dat (the sprite sheets and\n"
               "  sound effects, packed), dat/ (music, loading picture, texts, the attract demo\n"
               "  recorded by the game), replay/ and velmarondix.sav (only when DIR has none yet)\n"
               "  --plain        the folder vlxdat/ instead of the archive vlxdat.dat\n"
               "  --force        write even into a folder that holds other things\n"
               "  --no-settings  leave the settings file out (the game then asks at its first start)\n"
               "  --no-demo      leave the attract demo out (the title then never starts one)\n"
               "  --preview      also write each sheet with its cuts and ids outlined into FOLDER\n");
  return 2;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool MakeDirectory(const std::string& path, std::string* error) {
  if (IsDirectory(path)) return true;
  if (mkdir(path.c_str(), 0755) == 0) return true;
  *error = "cannot create " + path + ": " + std::strerror(errno);
  return false;
}

// Empty, or written by us before: only then is the folder ours to write into.
bool FolderIsOurs(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  bool empty = true;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) empty = false;
  }
  closedir(d);
  return empty || Exists(dir + "/" + kMarker);
}

bool WriteFile(const std::string& path, const Bytes& data, std::string* error) {
  errno = 0;
  if (WriteFileBytes(path, data)) return true;
  *error = "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : std::string());
  return false;
}

struct OutFile {
  std::string path;   // relative to DIR, "/" between folders
  Bytes data;
};

std::string Numbered(const char* pattern, int n) {
  char name[64];
  std::snprintf(name, sizeof name, pattern, n);
  return name;
}

// The whole data set in memory: nothing touches the disk until everything has been made.
bool MakeAll(bool plain, bool settings, bool demo, std::vector<OutFile>* files, std::vector<Canvas>* sheets,
             std::string* error) {
  *sheets = PaintSheets();
  std::vector<ArchiveWriterEntry> packed;
  auto vlxdat = [&](const std::string& name, Bytes data) {
    if (plain) {
      files->push_back({"vlxdat/" + name, std::move(data)});
    } else {
      ArchiveWriterEntry e;
      e.path = name;
      e.data = std::move(data);
      packed.push_back(std::move(e));
    }
  };
  for (int s = 0; s < int(sheets->size()); s++) {
    Bytes png = EncodePng((*sheets)[size_t(s)]);
    if (png.empty()) {
      *error = "cannot encode sheet " + std::to_string(s);
      return false;
    }
    vlxdat(Numbered("pic%02d.png", s), std::move(png));
  }
  for (int n = 0; n < 50; n++) vlxdat(Numbered("se%02d.wav", n), MakeEffectWav(n));
  if (!plain) {
    ArchiveWriteOptions options;
    options.version = 3;
    options.keyString = ArchiveKey();
    Bytes image;
    if (!BuildArchiveImage(packed, options, &image, error)) return false;
    files->push_back({"vlxdat.dat", std::move(image)});
  }
  for (int t = 0; t < 4; t++) {
    Bytes ogg;
    if (!MakeMusicOgg(t, &ogg, error)) return false;
    files->push_back({Numbered("dat/vlxbgm%02d.ogg", t), std::move(ogg)});
  }
  Bytes loading = EncodePng(PaintLoadingPicture());
  if (loading.empty()) {
    *error = "cannot encode the loading picture";
    return false;
  }
  files->push_back({"dat/vlx0.dat", std::move(loading)});
  Bytes text;
  if (!MakeTextFile(&text, error)) return false;
  files->push_back({"dat/vlx1.dat", std::move(text)});
  if (demo) {
    // Recorded last: the play needs every other file of the set.
    std::vector<std::pair<std::string, const Bytes*>> set;
    for (const OutFile& f : *files) set.emplace_back(f.path, &f.data);
    Bytes replay;
    if (!RecordDemo(set, &replay, error)) return false;
    files->push_back({"dat/vlxdemo0.rpy", std::move(replay)});
  }
  if (settings) files->push_back({"velmarondix.sav", MakeSettingsFile()});
  files->push_back({kMarker, Bytes{'m', 'a', 'k', 'e', '-', 'd', 'a', 't', 'a', '\n'}});
  return true;
}

void RemoveFolderOfFiles(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d))
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
  closedir(d);
  for (const std::string& n : names) std::remove((dir + "/" + n).c_str());
  rmdir(dir.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  bool plain = false, force = false, settings = true, demo = true;
  std::string dir, preview;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    if (a == "--plain") {
      plain = true;
    } else if (a == "--force") {
      force = true;
    } else if (a == "--no-settings") {
      settings = false;
    } else if (a == "--no-demo") {
      demo = false;
    } else if (a == "--preview" && i + 1 < argc) {
      preview = argv[++i];
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else if (dir.empty()) {
      dir = a;
    } else {
      return Usage();
    }
  }
  if (dir.empty()) return Usage();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();

  std::string error;
  if (Exists(dir) && !IsDirectory(dir)) {
    std::fprintf(stderr, "make-data: %s is not a folder\n", dir.c_str());
    return 1;
  }
  if (IsDirectory(dir) && !force && !FolderIsOurs(dir)) {
    std::fprintf(stderr, "make-data: %s holds other files; use --force to write into it anyway\n", dir.c_str());
    return 1;
  }
  // The player's own settings are kept when the data set is written again.
  const bool writeSettings = settings && !Exists(dir + "/velmarondix.sav");

  std::vector<OutFile> files;
  std::vector<Canvas> sheets;
  if (!MakeAll(plain, writeSettings, demo, &files, &sheets, &error)) {
    std::fprintf(stderr, "make-data: %s\n", error.c_str());
    return 1;
  }

  // Every file goes to a temporary name first; only when all are written do they take their
  // names, so a failed run leaves no half data set behind.
  bool ok = MakeDirectory(dir, &error) && MakeDirectory(dir + "/dat", &error) &&
            MakeDirectory(dir + "/replay", &error) && (!plain || MakeDirectory(dir + "/vlxdat", &error));
  std::vector<std::string> written;
  for (size_t i = 0; ok && i < files.size(); i++) {
    std::string temp = dir + "/" + files[i].path + kTempSuffix;
    ok = WriteFile(temp, files[i].data, &error);
    if (ok) written.push_back(temp);
  }
  if (!ok) {
    for (const std::string& t : written) std::remove(t.c_str());
    std::fprintf(stderr, "make-data: %s\n", error.c_str());
    return 1;
  }
  for (const OutFile& f : files) {
    std::string final = dir + "/" + f.path;
    if (std::rename((final + kTempSuffix).c_str(), final.c_str()) != 0) {
      std::fprintf(stderr, "make-data: cannot rename %s: %s\n", final.c_str(), std::strerror(errno));
      return 1;
    }
  }
  // The other form of the sprite folder would stand in the way: the archive hides the folder.
  if (plain) {
    std::remove((dir + "/vlxdat.dat").c_str());
  } else if (IsDirectory(dir + "/vlxdat")) {
    RemoveFolderOfFiles(dir + "/vlxdat");
  }

  if (!preview.empty()) {
    if (!MakeDirectory(preview, &error)) {
      std::fprintf(stderr, "make-data: %s\n", error.c_str());
      return 1;
    }
    for (int s = 0; s < int(sheets.size()); s++) {
      if (!WriteFile(preview + "/" + Numbered("sheet%02d.png", s), EncodePng(PaintPreview(sheets[size_t(s)], s)),
                     &error)) {
        std::fprintf(stderr, "make-data: %s\n", error.c_str());
        return 1;
      }
    }
  }
  return 0;
}
