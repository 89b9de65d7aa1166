// Files and paths with Windows rules over POSIX. Engine paths are CP932 bytes: they are split at
// separators first (a trail byte can be 0x5C) and each part is then converted to UTF-8 and looked
// up on disk, the exact name first, then an ASCII case-folded match.
// A folder from the system whose name has no CP932 form (gamé, or bytes that are not UTF-8) is
// handed to the engine as a drive letter of its own ("Y:\dat" for "<that folder>/dat"), so that
// the engine's absolute paths lead back to it unchanged; so is the upper part of a long path, so
// that the engine's paths stay short however deep the folder lies.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <new>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace plat {

struct File {
  int fd;
};

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

std::string CurrentPosixDir() {
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return "/";
  std::string s = cwd;
  free(cwd);
  return s;
}

// Applies one part (UTF-8) to the list: "." stays, ".." climbs (never above the root).
void PushPart(std::vector<std::string>& parts, std::string part) {
  if (part.empty() || part == ".") return;
  if (part == "..") {
    if (!parts.empty()) parts.pop_back();
    return;
  }
  parts.push_back(std::move(part));
}

// The name in `dir` that matches `name` without regard to ASCII case; the lowest in byte order
// when several do, so the choice does not depend on directory order.
bool FindNoCase(const std::string& dir, const std::string& name, std::string* found) {
  DIR* d = opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return false;
  bool any = false;
  while (dirent* e = readdir(d)) {
    std::string_view n = e->d_name;
    if (n == "." || n == "..") continue;
    if (!EqualNoCase(n, name)) continue;
    if (!any || n < std::string_view(*found)) *found = std::string(n);
    any = true;
  }
  closedir(d);
  return any;
}

// Drive letters standing for system folders without a CP932 form, handed out from Y downwards.
// The table only grows: a letter once given keeps its folder for the life of the process.
constexpr char kFirstAliasDrive = 'Y', kLastAliasDrive = 'D';
std::mutex g_aliasMutex;
std::vector<std::string> g_aliasFolders;   // [0] is Y:, [1] X:, ...

// A name the engine can carry: its CP932 form comes back as the same name, and it holds nothing
// the engine reads as a separator or a drive.
bool HasEngineForm(const std::string& name) {
  bool ascii = true;
  for (char c : name) {
    if (c == '\\' || c == ':') return false;
    ascii = ascii && uint8_t(c) < 0x80;
  }
  return ascii || Cp932ToUtf8(Utf8ToCp932(name)) == name;
}

// The letter for a folder ('\0' once every letter is taken).
char AliasDriveFor(const std::string& folder) {
  std::lock_guard<std::mutex> g(g_aliasMutex);
  for (size_t i = 0; i < g_aliasFolders.size(); ++i)
    if (g_aliasFolders[i] == folder) return char(kFirstAliasDrive - i);
  if (g_aliasFolders.size() > size_t(kFirstAliasDrive - kLastAliasDrive)) return '\0';
  g_aliasFolders.push_back(folder);
  return char(kFirstAliasDrive - (g_aliasFolders.size() - 1));
}

// The folder a drive letter stands for; empty for a letter that stands for the root.
std::string AliasFolderOf(char drive) {
  drive = char(drive >= 'a' && drive <= 'z' ? drive - 'a' + 'A' : drive);
  std::lock_guard<std::mutex> g(g_aliasMutex);
  const int i = kFirstAliasDrive - drive;
  if (i < 0 || size_t(i) >= g_aliasFolders.size()) return {};
  return g_aliasFolders[size_t(i)];
}

// The engine builds its paths in buffers of 1024 bytes and keeps a picture's folder to load it
// again only up to 128, while the system allows folders of 4095: a Windows form longer than this
// hands its upper folders over as a drive.
constexpr size_t kLongWindowsPath = 128;

// The name the system is given: a path too long for it is named from the current folder when it
// lies there, so that the files of a folder near the limit can still be reached.
std::string SystemPath(std::string path) {
  if (path.size() < PATH_MAX) return path;
  const std::string here = CurrentPosixDir();
  if (path.size() > here.size() + 1 && path.compare(0, here.size(), here) == 0 && path[here.size()] == '/')
    path.erase(0, here.size() + 1);
  return path;
}

void PushPosixParts(std::vector<std::string>& parts, const std::string& posix) {
  size_t start = 0;
  while (start <= posix.size()) {
    size_t end = posix.find('/', start);
    if (end == std::string::npos) end = posix.size();
    PushPart(parts, posix.substr(start, end - start));
    start = end + 1;
  }
}

bool StatPath(const char* path, struct stat* st) {
  if (!path) return false;
  return stat(ResolvePath(path).c_str(), st) == 0;
}

}  // namespace

std::string ResolvePath(const char* path) {
  if (!path) return {};
  std::string_view p = path;
  std::vector<std::string> parts;
  bool rooted = false;
  if (p.size() >= 2 && IsAsciiLetter(p[0]) && p[1] == ':') {
    // A folder's own letter leads to that folder; every other drive is "/".
    const std::string folder = AliasFolderOf(p[0]);
    p.remove_prefix(2);
    if (!folder.empty()) {
      PushPosixParts(parts, folder);
      rooted = true;
    }
  }
  if (!rooted && (p.empty() || !IsSeparator(p[0]))) PushPosixParts(parts, CurrentPosixDir());
  // Split on separators, stepping over both bytes of a double-byte character.
  std::string part;
  for (size_t i = 0; i < p.size(); i++) {
    const char c = p[i];
    if (IsSeparator(c)) {
      PushPart(parts, Cp932ToUtf8(part));
      part.clear();
    } else if (IsCp932Lead(uint8_t(c)) && i + 1 < p.size()) {
      part += c;
      part += p[++i];
    } else {
      part += c;
    }
  }
  PushPart(parts, Cp932ToUtf8(part));

  std::string cur;
  bool dirKnown = true;  // cur is an existing directory, so its entries can be searched
  for (const std::string& name : parts) {
    std::string next = cur + "/" + name;
    struct stat st;
    if (dirKnown && lstat(SystemPath(next).c_str(), &st) != 0) {
      std::string found;
      if (FindNoCase(SystemPath(cur), name, &found)) next = cur + "/" + found;
      else dirKnown = false;
    }
    cur = std::move(next);
  }
  return cur.empty() ? "/" : SystemPath(std::move(cur));
}

std::string ToWindowsPath(const std::string& posixPath) {
  std::vector<std::string> parts;
  if (posixPath.empty() || posixPath[0] != '/') PushPosixParts(parts, CurrentPosixDir());
  PushPosixParts(parts, posixPath);
  std::vector<std::string> names;
  names.reserve(parts.size());
  for (const std::string& part : parts) names.push_back(Utf8ToCp932(part));
  // Everything up to the last part without an engine form becomes a drive of its own, and of a
  // long path as many more parts as leave it short (the last part stays whatever its length).
  size_t cut = 0;
  for (size_t i = parts.size(); i-- > 0;) {
    if (HasEngineForm(parts[i])) continue;
    cut = i + 1;
    break;
  }
  size_t length = 2;
  for (size_t i = cut; i < parts.size(); ++i) length += 1 + names[i].size();
  while (length > kLongWindowsPath && cut + 1 < parts.size()) length -= 1 + names[cut++].size();
  size_t kept = 0;
  char drive = 'Z';
  if (cut > 0) {
    std::string folder;
    for (size_t j = 0; j < cut; ++j) folder.append("/").append(parts[j]);
    if (const char d = AliasDriveFor(folder)) {
      drive = d;
      kept = cut;
    }
  }
  std::string w{drive, ':'};
  for (size_t i = kept; i < parts.size(); ++i) w.append("\\").append(names[i]);
  if (w.size() == 2) w += '\\';
  return w;
}

File* FileOpen(const char* path, OpenMode mode) {
  if (!path) return nullptr;
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::ReadExisting: flags |= O_RDONLY; break;
    case OpenMode::WriteCreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case OpenMode::WriteAlways: flags |= O_WRONLY | O_CREAT; break;
    case OpenMode::WriteTruncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case OpenMode::ReadWriteAlways: flags |= O_RDWR | O_CREAT; break;
    default: return nullptr;
  }
  const std::string real = ResolvePath(path);
  int fd;
  do {
    fd = open(real.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // folders and devices are not files here
    close(fd);
    return nullptr;
  }
  File* f = new (std::nothrow) File{fd};
  if (!f) close(fd);
  return f;
}

void FileClose(File* f) {
  if (!f) return;
  close(f->fd);
  delete f;
}

bool FileCloseChecked(File* f) {
  if (!f) return false;
  // Delayed write errors (a full disk on some file systems) surface at fsync or close.
  const bool synced = fsync(f->fd) == 0 || errno == EINVAL;
  const bool closed = close(f->fd) == 0;
  delete f;
  return synced && closed;
}

int64_t FileRead(File* f, void* dst, int64_t n) {
  if (!f || n < 0 || (!dst && n > 0)) return -1;
  auto* out = static_cast<char*>(dst);
  int64_t total = 0;
  while (total < n) {
    const ssize_t r = read(f->fd, out + total, size_t(n - total));
    if (r < 0) {
      if (errno == EINTR) continue;
      return total > 0 ? total : -1;
    }
    if (r == 0) break;
    total += r;
  }
  return total;
}

int64_t FileWrite(File* f, const void* src, int64_t n) {
  if (!f || n < 0 || (!src && n > 0)) return -1;
  const auto* in = static_cast<const char*>(src);
  int64_t total = 0;
  while (total < n) {
    const ssize_t r = write(f->fd, in + total, size_t(n - total));
    if (r < 0) {
      if (errno == EINTR) continue;
      return total > 0 ? total : -1;
    }
    total += r;
  }
  return total;
}

bool FileSeek(File* f, int64_t pos) {
  if (!f || pos < 0) return false;
  return lseek(f->fd, off_t(pos), SEEK_SET) == off_t(pos);
}

int64_t FileTell(File* f) {
  if (!f) return -1;
  return int64_t(lseek(f->fd, 0, SEEK_CUR));
}

int64_t FileSize(File* f) {
  if (!f) return -1;
  struct stat st;
  if (fstat(f->fd, &st) != 0) return -1;
  return int64_t(st.st_size);
}

bool FileDelete(const char* path) {
  struct stat st;
  if (!StatPath(path, &st) || !S_ISREG(st.st_mode)) return false;
  return unlink(ResolvePath(path).c_str()) == 0;
}

bool FileRename(const char* from, const char* to) {
  struct stat st;
  if (!from || !to || !StatPath(from, &st) || !S_ISREG(st.st_mode)) return false;
  return rename(ResolvePath(from).c_str(), ResolvePath(to).c_str()) == 0;
}

bool FileMakeWritable(const char* path) {
  struct stat st;
  if (!StatPath(path, &st) || !S_ISREG(st.st_mode)) return false;
  if (st.st_mode & S_IWUSR) return true;
  return chmod(ResolvePath(path).c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool FileExists(const char* path) {
  struct stat st;
  return StatPath(path, &st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const char* path) {
  struct stat st;
  return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

bool DirectoryCreate(const char* path) {
  if (!path) return false;
  return mkdir(ResolvePath(path).c_str(), 0777) == 0;
}

int64_t FileSizeByName(const char* path) {
  struct stat st;
  if (!StatPath(path, &st) || !S_ISREG(st.st_mode)) return -1;
  return int64_t(st.st_size);
}

std::string GetCurrentDir() { return ToWindowsPath(CurrentPosixDir()); }

bool SetCurrentDir(const char* path) {
  if (!path) return false;
  return chdir(ResolvePath(path).c_str()) == 0;
}

std::string GetTempDir() {
  std::string dir = "/tmp";
  if (const char* env = getenv("TMPDIR")) {
    struct stat st;
    if (env[0] == '/' && stat(env, &st) == 0 && S_ISDIR(st.st_mode)) dir = env;
  }
  std::string w = ToWindowsPath(dir);
  // Only a drive's root comes back with its separator; a last byte 0x5C may be a trail byte.
  if (w.size() != 3) w += '\\';
  return w;
}

}  // namespace plat
